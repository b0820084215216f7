#include "viewer_app.h"

#include <gst/gst.h>

#include <QApplication>
#include <QLoggingCategory>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "stop_signal_close.h"
#include "vd/mainwnd/missing_elements_box.h"
#include "vd/mainwnd/viewer_dlg.h"
#include "vd/settings/instance_guard.h"
#include "vd/settings/settings_store.h"
#include "vd/stop_signals.h"
#include "vd/trace.h"

// The parser, teletext and device libraries write through the same sink as the viewer.
VD_DEFINE_SHARED_LOG_SINK()

namespace {

constexpr const char* kUsage =
    "Usage: viewdeck [--help] [--version]\n"
    "\n"
    "Watch analogue TV, FM radio, composite or S-Video from the Brevant TV USB box,\n"
    "record clips and take snapshots into the album. Without a real box the viewer runs\n"
    "on the built-in virtual TV box.\n"
    "\n"
    "Settings: $XDG_CONFIG_HOME/Corvalen/viewdeck.reg\n"
    "Set VIEWDECK_TRACE=1 for traces on standard error.\n"
    "VIEWDECK_LOG=\"device=debug,*=info\" chooses a level per component.\n";

// The components' log lines go through Qt's categories ("viewdeck.<component>"), so the
// viewer's lines and Qt's share one handler and format (QT_MESSAGE_PATTERN). What is written
// is chosen before, by VIEWDECK_LOG: the categories let everything they are given through,
// whatever a system's Qt rules say of debug lines.
QLoggingCategory::CategoryFilter qtFilter = nullptr;

void OpenViewerCategories(QLoggingCategory* category) {
  if (qtFilter != nullptr) qtFilter(category);
  if (std::strncmp(category->categoryName(), "viewdeck.", 9) == 0) {
    for (QtMsgType type : {QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg})
      category->setEnabled(type, true);
  }
}

const QLoggingCategory& CategoryOf(const char* component) {
  struct Entry {
    std::string name;  // the category keeps a pointer to it: the map's node stays in place
    std::unique_ptr<QLoggingCategory> category;
  };
  static std::mutex mutex;
  static std::map<std::string, Entry> categories;
  std::lock_guard lock(mutex);
  Entry& entry = categories[component];
  if (entry.category == nullptr) {
    entry.name = std::string("viewdeck.") + component;
    entry.category = std::make_unique<QLoggingCategory>(entry.name.c_str());
  }
  return *entry.category;
}

void ToQtLog(const char* component, vd::LogLevel level, const char* text) {
  QString line = QString::fromUtf8(text);
  if (line.endsWith('\n')) line.chop(1);
  const QLoggingCategory& category = CategoryOf(component);
  switch (level) {
    case vd::LogLevel::kError:
      qCCritical(category).noquote() << line;
      break;
    case vd::LogLevel::kWarning:
      qCWarning(category).noquote() << line;
      break;
    case vd::LogLevel::kInfo:
      qCInfo(category).noquote() << line;
      break;
    default:
      qCDebug(category).noquote() << line;
      break;
  }
}

}  // namespace

CViewerApp::CViewerApp() = default;

CViewerApp::~CViewerApp() {
  window_.reset();
  guard_.reset();
}

int CViewerApp::Run(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("viewdeck %s\n", VIEWDECK_VERSION);
      return 0;
    }
    std::fprintf(stderr, "viewdeck: unknown option '%s'\n%s", argv[i], kUsage);
    return 2;
  }
  guard_ = vd::InstanceGuard::Acquire();
  if (guard_ == nullptr) {
    // A vdtool command that writes the station lists holds the same lock for its run: that
    // start did not happen, and the user is told what to wait for.
    const std::string holder = vd::InstanceGuard::Holder();
    if (holder.rfind("vdtool", 0) == 0) {
      std::fprintf(stderr,
                   "viewdeck: '%s' is using the viewer's station lists; start the viewer when "
                   "it has ended\n",
                   holder.c_str());
      return 1;
    }
    // Another viewer of this user runs: a second start is no error, but says why it ends.
    std::fputs("viewdeck: another viewer is already running\n", stderr);
    return 0;
  }
  guard_->Announce("viewdeck");

  gst_init(&argc, &argv);
  QApplication app(argc, argv);
  QApplication::setApplicationName("viewdeck");
  QApplication::setApplicationVersion(VIEWDECK_VERSION);
  qtFilter = QLoggingCategory::installFilter(&OpenViewerCategories);
  vd::SetLogSink(&ToQtLog);
  struct LogBack {
    ~LogBack() { vd::SetLogSink(nullptr); }
  } logBack;
  if (!vd::ViewerElementsPresent(nullptr)) return 1;
  // From here a stop signal no longer kills the viewer: it closes it (StopSignalClose), once
  // the loop runs. Before, there is nothing to save and the default action ends it.
  vd::StopSignals::Install();
  window_ = std::make_unique<CViewerDlg>(vd::SettingsStore::Default());
  int status = 1;
  {
    // Start already asks (the first-run scan, the display warning): a stop signal then
    // dismisses those questions, and the window closes once the main loop runs.
    StopSignalClose stopClose(*window_, false);
    if (window_->Start()) {
      app.setQuitOnLastWindowClosed(false);
      stopClose.WindowStarted();
      status = app.exec();
    }
  }
  window_.reset();
  return status;
}
