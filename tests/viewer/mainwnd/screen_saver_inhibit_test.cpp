// The screen-saver inhibit against a stand-in for the desktop's service on a private message
// bus: one Inhibit at start, an UnInhibit with the same cookie at the end, and nothing at all
// without a bus or without the service.
#include "screen_saver_inhibit.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <memory>
#include <mutex>
#include <vector>

namespace vdtest {
namespace {

constexpr const char* kService = "org.freedesktop.ScreenSaver";
constexpr const char* kPath = "/org/freedesktop/ScreenSaver";

// Answers Inhibit with a fresh cookie and records every call.
class FakeScreenSaver : public QDBusVirtualObject {
 public:
  struct Call {
    QString method;
    QVariantList arguments;
  };

  QString introspect(const QString&) const override {
    return "<interface name=\"org.freedesktop.ScreenSaver\">"
           "<method name=\"Inhibit\"><arg type=\"s\" direction=\"in\"/>"
           "<arg type=\"s\" direction=\"in\"/><arg type=\"u\" direction=\"out\"/></method>"
           "<method name=\"UnInhibit\"><arg type=\"u\" direction=\"in\"/></method>"
           "</interface>";
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.interface() != kService) return false;
    std::lock_guard lock(mutex_);
    calls_.push_back({message.member(), message.arguments()});
    if (message.member() == "Inhibit") {
      connection.send(message.createReply(QVariant::fromValue(nextCookie_++)));
    } else {
      connection.send(message.createReply());
    }
    return true;
  }

  std::vector<Call> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Call> calls_;
  uint nextCookie_ = 7001;
};

class ViewerScreenSaverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
    bus_.start(daemon, {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    ASSERT_TRUE(bus_.waitForStarted(5000));
    while (!bus_.canReadLine() && bus_.waitForReadyRead(5000)) {
    }
    address_ = QString::fromUtf8(bus_.readLine()).trimmed();
    ASSERT_FALSE(address_.isEmpty()) << bus_.readAllStandardError().toStdString();
    ++round_;
  }

  void TearDown() override {
    StopService();
    for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
    if (bus_.state() != QProcess::NotRunning) {
      bus_.terminate();
      if (!bus_.waitForFinished(5000)) bus_.kill();
      bus_.waitForFinished(5000);
    }
  }

  QDBusConnection Connect(const QString& role) {
    const QString name = QString("vd-saver-%1-%2").arg(role).arg(round_);
    names_.push_back(name);
    return QDBusConnection::connectToBus(address_, name);
  }

  // The service answers on a thread of its own, as another process would, while the class
  // under test blocks in its call.
  void StartService() {
    QDBusConnection connection = Connect("service");
    ASSERT_TRUE(connection.isConnected());
    saver_ = std::make_unique<FakeScreenSaver>();
    thread_ = std::make_unique<QThread>();
    saver_->moveToThread(thread_.get());
    thread_->start();
    ASSERT_TRUE(connection.registerVirtualObject(kPath, saver_.get()));
    ASSERT_TRUE(connection.registerService(kService));
  }

  void StopService() {
    if (!thread_) return;
    QDBusConnection(QString("vd-saver-service-%1").arg(round_)).unregisterObject(kPath);
    thread_->quit();
    thread_->wait();
    saver_.reset();
    thread_.reset();
  }

  static inline int round_ = 0;
  QProcess bus_;
  QString address_;
  std::vector<QString> names_;
  std::unique_ptr<FakeScreenSaver> saver_;
  std::unique_ptr<QThread> thread_;
};

TEST_F(ViewerScreenSaverTest, InhibitsAtStartAndReleasesTheSameCookieAtTheEnd) {
  StartService();
  auto inhibit = std::make_unique<vd::ScreenSaverInhibit>(Connect("viewer"));
  ASSERT_TRUE(inhibit->Active());
  auto calls = saver_->Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].method, "Inhibit");
  ASSERT_EQ(calls[0].arguments.size(), 2);
  EXPECT_EQ(calls[0].arguments[0].toString(), "viewdeck");
  EXPECT_FALSE(calls[0].arguments[1].toString().isEmpty());
  EXPECT_EQ(inhibit->Cookie(), 7001u);

  inhibit.reset();
  calls = saver_->Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].method, "UnInhibit");
  ASSERT_EQ(calls[1].arguments.size(), 1);
  EXPECT_EQ(calls[1].arguments[0].toUInt(), 7001u);
}

TEST_F(ViewerScreenSaverTest, TwoViewersHoldTwoCookies) {
  StartService();
  auto first = std::make_unique<vd::ScreenSaverInhibit>(Connect("first"));
  auto second = std::make_unique<vd::ScreenSaverInhibit>(Connect("second"));
  ASSERT_TRUE(first->Active() && second->Active());
  EXPECT_NE(first->Cookie(), second->Cookie());
  const uint secondCookie = *second->Cookie();
  second.reset();
  const auto calls = saver_->Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[2].method, "UnInhibit");
  EXPECT_EQ(calls[2].arguments[0].toUInt(), secondCookie);
}

TEST_F(ViewerScreenSaverTest, ABusWithoutTheServiceLeavesItInactive) {
  vd::ScreenSaverInhibit inhibit(Connect("alone"));
  EXPECT_FALSE(inhibit.Active());
  EXPECT_FALSE(inhibit.Cookie().has_value());
}

TEST(ViewerScreenSaverNoBus, WithoutABusItDoesNothing) {
  QDBusConnection none("vd-saver-never-connected");
  ASSERT_FALSE(none.isConnected());
  vd::ScreenSaverInhibit inhibit(none);
  EXPECT_FALSE(inhibit.Active());
}

}  // namespace
}  // namespace vdtest
