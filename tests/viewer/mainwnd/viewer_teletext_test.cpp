// The teletext window on the virtual TV box, wired as the product wires it: the remote's
// memory key opens page 100 of the tuned station, digits and coloured keys move through the
// magazine, subpages can be held, another station starts afresh, and the station's teletext
// name reaches the status strip and the panel.
#include <QLabel>
#include <QTest>

#include "vd/layout/panel_ids.h"
#include "vd/mainwnd/tool_strips.h"
#include "vd/mainwnd/viewer_bars.h"
#include "vd/mainwnd/viewer_teletext.h"
#include "vd/panel/control_panel.h"
#include "vd/remote/remote_actions.h"
#include "vd/teletext/teletext_window.h"
#include "vd/teletext_pages.h"
#include "vd/tuning/channel_table.h"
#include "vd/virtual_tv_box.h"
#include "video_area.h"
#include "viewer_fixture.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;
namespace pid = vd::panel_id;

constexpr uint32_t kMemoryKey = 0x155AAA4;

class ViewerTeletextTest : public ViewerTest {
 protected:
  vd::TeletextWindow* Window() { return window_->Parts().Teletext()->Window(); }
  QString NetworkField() {
    return window_->Parts().Bars()->Strips().StatusField("network")->text();
  }
  // Waits until the window shows page `page` (as typed) received.
  bool Shows(const QString& page) {
    return PumpUntil(
        [&] {
          return Window() != nullptr && Window()->EntryText() == page &&
                 !Window()->PageImage().isNull();
        },
        10s);
  }
  // What the box's sky calls the station the list has tuned.
  QString SkyName() {
    const CChannel* tuned = Table()->Get(Table()->Current());
    if (tuned == nullptr) return {};
    const auto station = vd::VirtualTvBox::Shared()->Sky().TvStationAt(tuned->frequency);
    return station ? QString::fromStdString(station->name) : QString();
  }
  int YellowPixels() {
    const QImage page = Window()->PageImage().convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < page.height(); ++y)
      for (int x = 0; x < page.width(); ++x) n += page.pixel(x, y) == qRgb(255, 255, 0);
    return n;
  }
};

TEST_F(ViewerTeletextTest, RemoteKeyOpensPageHundredAndDigitsLinksSubpagesAndStationsMove) {
  ASSERT_TRUE(Launch());
  ASSERT_GE(Table()->Count(), 2);
  vd::VirtualTvBox::Shared()->PressRemoteKey(kMemoryKey);
  ASSERT_TRUE(PumpUntil([&] { return Window() != nullptr && Window()->isVisible(); }, 5s));
  ASSERT_TRUE(Shows("100")) << Window()->StateText().toStdString();
  EXPECT_GT(YellowPixels(), 200) << "the station's name in colour";
  EXPECT_EQ(Window()->LinkOf(0), 0x110);

  // The station's own name (the list names it by its channel), in the status strip and the
  // panel's tooltip.
  const QString name = SkyName();
  EXPECT_TRUE(PumpUntil([&] { return NetworkField() == "Teletext: " + name; }, 5s))
      << NetworkField().toStdString();
  bool tooltip = false;
  for (QLabel* label : window_->Parts().Panel()->findChildren<QLabel*>())
    tooltip = tooltip || label->toolTip() == "Teletext: " + name;
  EXPECT_TRUE(tooltip);

  // Digits as the keyboard and the remote send them go to the page while the window is open.
  for (int command : {377, 378, 376}) window_->OnCommand(command);
  ASSERT_TRUE(Shows("120"));
  // The panel's keypad too; a page not on the air says so.
  for (int digit : {7, 7, 7}) window_->OnPanelCommand(pid::kKey0 + digit);
  EXPECT_TRUE(PumpUntil([&] { return Window()->EntryText() == "777"; }, 1s));
  EXPECT_EQ(Window()->StateText(), "Page 777 not yet received");
  EXPECT_TRUE(Window()->PageImage().isNull());
  // Digits typed in the window itself; then the front page's red key leads to the news.
  for (int digit : {1, 0, 0}) Window()->Digit(digit);
  ASSERT_TRUE(Shows("100"));
  Window()->FollowLink(0);
  ASSERT_TRUE(Shows("110"));
  // Subpages: held one by one once seen.
  ASSERT_TRUE(PumpUntil([&] { return Window()->StateText().startsWith("Subpage"); }, 10s));
  QTest::keyClick(Window(), Qt::Key_Right);
  EXPECT_TRUE(Window()->StateText().startsWith("Subpage 1 of"))
      << Window()->StateText().toStdString();
  EXPECT_FALSE(Window()->StateText().endsWith("turning"));
  QTest::keyClick(Window(), Qt::Key_PageUp);
  EXPECT_EQ(Window()->EntryText(), "111");

  // Transparent: the page lies over the picture, and leaves with the window.
  Window()->SetTransparent(true);
  for (int digit : {1, 0, 0}) Window()->Digit(digit);
  ASSERT_TRUE(Shows("100"));
  EXPECT_FALSE(window_->Parts().Video()->Overlay().isNull());

  // Another station: its own pages and name, from the front page. The list holds every
  // channel of the plan; up to the next one on the air.
  for (int digit : {1, 2, 0}) Window()->Digit(digit);
  for (int step = 0; step < Table()->Count(); ++step) {
    window_->OnPanelCommand(pid::kChannelUp);
    if (!SkyName().isEmpty() && SkyName() != name) break;
  }
  const QString next = SkyName();
  ASSERT_FALSE(next.isEmpty());
  ASSERT_NE(next, name);
  EXPECT_EQ(Window()->EntryText(), "100");
  EXPECT_TRUE(PumpUntil([&] { return NetworkField() == "Teletext: " + next; }, 5s))
      << NetworkField().toStdString();
  ASSERT_TRUE(Shows("100")) << Window()->StateText().toStdString() << " "
                            << Window()->EntryText().toStdString();

  // Radio has no teletext: the window closes and its page leaves the picture.
  window_->Parts().Panel()->Command(pid::kModeRadio);
  EXPECT_TRUE(PumpUntil([&] { return Window() == nullptr; }, 2s));
  EXPECT_TRUE(window_->Parts().Video()->Overlay().isNull());
  EXPECT_EQ(NetworkField(), "");
  window_->OnCommand(vd::kTeletextCommand);
  EXPECT_EQ(Window(), nullptr) << "not on radio";
}

TEST_F(ViewerTeletextTest, ShortcutOpensAndClosesAndTheWindowDiesWithTheViewer) {
  ASSERT_TRUE(Launch());
  window_->show();
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  QTest::keyClick(window_.get(), Qt::Key_T);
  ASSERT_NE(Window(), nullptr);
  EXPECT_TRUE(Window()->isVisible());
  // T again, in the teletext window now, closes it.
  QTest::keyClick(Window(), Qt::Key_T);
  EXPECT_TRUE(PumpUntil([&] { return Window() == nullptr; }, 2s));
  // Open while the viewer goes: the parser stops, then the window and the session go.
  window_->OnCommand(vd::kTeletextCommand);
  ASSERT_NE(Window(), nullptr);
  Window()->SetTransparent(true);
  PumpFor(300ms);
  Close();
  EXPECT_EQ(window_, nullptr);
}

TEST(TeletextWindowTest, SubpageNotYetReceivedIsNamedAsItsSubcodeIsSent) {
  vd::TeletextSession session;
  for (const auto& p : vd::TeletextPages::Page(0x110, {"Lumen", 0, ""}, 1765195200))
    session.Decoder().Feed(p.data());
  // Only the header of subcode 1A has arrived; the page behind it has not.
  session.Decoder().Feed(
      vd::TeletextCoding::PageHeader(0x110, 0x1A, vd::TeletextCoding::kMagazineSerial, "Lumen")
          .data());
  session.Navigator().Go(0x110);
  vd::TeletextWindow window(&session);
  window.PreviousSubpage();
  EXPECT_EQ(window.StateText().toStdString(), "Page 110/1A not yet received");
}

}  // namespace
}  // namespace vdtest
