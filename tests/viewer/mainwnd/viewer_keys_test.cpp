// The keyboard in every window of the viewer: keys typed into the control panel, the main
// window and its strip act the same, the arrow keys and M go to the panel once, and the
// album, dialogs and the About window keep the keys typed into them.
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <QToolButton>
#include <fstream>
#include <set>
#include <sstream>

#include "frequency_plans.h"
#include "vd/albumui/album_frame.h"
#include "vd/layout/panel_ids.h"
#include "vd/mainwnd/viewer_album_host.h"
#include "vd/mainwnd/viewer_tuning_context.h"
#include "vd/mixer/panel_volume.h"
#include "vd/nested_loop.h"
#include "vd/panel/control_panel.h"
#include "vd/remote/keyboard_table.h"
#include "vd/skin/bmp_slider.h"
#include "vd/skin/gen_bmp_btn.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/tuner_control.h"
#include "view_state_strip.h"
#include "viewer_fixture.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;
namespace pid = vd::panel_id;

class ViewerKeysTest : public ViewerTest {
 protected:
  // Through the native window, as the platform delivers a key.
  static void Type(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    ASSERT_NE(window->windowHandle(), nullptr);
    QTest::keyClick(window->windowHandle(), key, modifiers);
  }
  // A key as a French AZERTY layout delivers it: the top row's digits and the "." come with
  // Shift, which Qt reports as the character's own key and text with Shift held.
  static void TypeAzerty(QWidget* window, char character) {
    ASSERT_NE(window->windowHandle(), nullptr);
    const bool shifted = (character >= '0' && character <= '9') || character == '.';
    const Qt::Key key = character == '\r' ? Qt::Key_Return : static_cast<Qt::Key>(character);
    QTest::sendKeyEvent(QTest::Click, window->windowHandle(), key,
                        QString(QChar::fromLatin1(character)),
                        shifted ? Qt::ShiftModifier : Qt::NoModifier);
  }
  // A key as Qt reports it from a layout: the layout's (upper-case) character as the key, the
  // text it typed, and the physical key's scan code (the evdev code + 8).
  static void TypeNative(QWidget* widget, int key, uint32_t scanCode, const QString& text,
                         Qt::KeyboardModifiers modifiers = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, scanCode, 0, 0, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, scanCode, 0, 0, text);
    QApplication::sendEvent(widget, &release);
  }
  int32_t CurrentFrequency() {
    int32_t current = -1;
    if (Table() == nullptr || !Table()->GetCurrent(&current)) return -1;
    return static_cast<int32_t>(Table()->Get(current)->frequency);
  }
  // Started without the parser, with the beeps counted in `beeps_`.
  bool LaunchCountingBeeps() {
    CViewerDlg::Options options;
    options.startParser = false;
    options.beep = [this] { ++beeps_; };
    return Launch(options);
  }
  int beeps_ = 0;
  // The channel number by which the plan names the station at `index`, or -1.
  int NumberOf(int index) {
    TunerControl* tuner = window_->Parts().Engine()->Tuner();
    for (uint32_t n = 1; n < 200; ++n) {
      if (tuner->ActiveBand()->FrequencyOf(n) == Table()->Get(index)->frequency) {
        return static_cast<int>(n);
      }
    }
    return -1;
  }
};

TEST_F(ViewerKeysTest, DigitsTypedOnThePanelEnterAChannelNumber) {
  ASSERT_TRUE(LaunchQuiet());
  ASSERT_GE(Table()->Count(), 3);
  const int target = Table()->Current() == 0 ? 2 : 0;
  const int number = NumberOf(target);
  ASSERT_GT(number, 0);
  const std::string digits = std::to_string(number);
  Type(window_->Parts().Panel(), static_cast<Qt::Key>(Qt::Key_0 + (digits[0] - '0')));
  // The entry is running and shown on the panel before Enter.
  EXPECT_EQ(window_->Parts().Panel()->Display().Number().trimmed(), QString(digits[0]));
  for (size_t i = 1; i < digits.size(); ++i) {
    Type(window_->Parts().Panel(), static_cast<Qt::Key>(Qt::Key_0 + (digits[i] - '0')));
  }
  Type(window_->Parts().Panel(), Qt::Key_Return);
  EXPECT_EQ(Table()->Current(), target);
}

// A channel number typed without Enter ends after two seconds. When that moment falls inside
// a channel step's settle wait, the picture and the window must still agree on the channel.
TEST_F(ViewerKeysTest, AnEntryEndingWhileAStepSettlesLeavesWindowAndTunerOnOneChannel) {
  ASSERT_TRUE(LaunchQuiet());
  ASSERT_GE(Table()->Count(), 4);
  const int target = Table()->Current() == 2 ? 3 : 2;
  for (char digit : std::to_string(NumberOf(target)))
    Type(window_->Parts().Panel(), static_cast<Qt::Key>(Qt::Key_0 + (digit - '0')));
  // The entry's time runs out within the step's wait (it settles for 50 ms).
  window_->SetTimer(CViewerDlg::kTimerEntry, 10);
  window_->OnPanelCommand(pid::kChannelDown);
  PumpFor(500ms);
  EXPECT_EQ(Table()->Current(), target);
  EXPECT_EQ(window_->Parts().Engine()->Tuner()->GetFrequency(),
            Table()->Get(Table()->Current())->frequency);
}

TEST_F(ViewerKeysTest, KeypadDigitsOnTheMainWindowCountAsDigits) {
  ASSERT_TRUE(LaunchQuiet());
  const int target = Table()->Current() == 1 ? 2 : 1;
  const int number = NumberOf(target);
  ASSERT_GT(number, 0);
  for (char digit : std::to_string(number)) {
    Type(window_.get(), static_cast<Qt::Key>(Qt::Key_0 + (digit - '0')), Qt::KeypadModifier);
  }
  Type(window_.get(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(Table()->Current(), target);
}

TEST_F(ViewerKeysTest, InRadioThePanelAloneTakesAFrequency) {
  ASSERT_TRUE(LaunchQuiet());
  window_->Parts().Panel()->Command(pid::kModeRadio);
  ASSERT_FALSE(window_->isVisible());
  for (Qt::Key key : {Qt::Key_9, Qt::Key_8}) Type(window_->Parts().Panel(), key);
  Type(window_->Parts().Panel(), Qt::Key_Period, Qt::KeypadModifier);
  Type(window_->Parts().Panel(), Qt::Key_5);
  Type(window_->Parts().Panel(), Qt::Key_Return);
  ASSERT_NE(Table(), nullptr);
  int32_t current = -1;
  ASSERT_TRUE(Table()->GetCurrent(&current));
  EXPECT_EQ(Table()->Get(current)->frequency, 98'500'000u);
}

TEST_F(ViewerKeysTest, AzertyTopRowDigitsAndPointEnterNumbersInTvAndRadio) {
  ASSERT_TRUE(LaunchQuiet());
  const uint32_t twelve = window_->Parts().Engine()->Tuner()->ActiveBand()->FrequencyOf(12);
  ASSERT_NE(twelve, 0u);
  // The unshifted top row types "&" and "é": no digits, no entry.
  const QString display = window_->Parts().Panel()->Display().Number();
  TypeAzerty(window_.get(), '&');
  EXPECT_EQ(window_->Parts().Panel()->Display().Number(), display);
  TypeAzerty(window_.get(), '1');
  TypeAzerty(window_->Parts().Panel(), '2');
  EXPECT_EQ(window_->Parts().Panel()->Display().Number().trimmed(), "12");
  TypeAzerty(window_.get(), '\r');
  EXPECT_EQ(CurrentFrequency(), static_cast<int32_t>(twelve));
  // Ended by the entry's timer instead of Enter.
  const int target = Table()->Current() == 0 ? 1 : 0;
  const int number = NumberOf(target);
  ASSERT_GT(number, 0);
  for (char digit : std::to_string(number)) TypeAzerty(window_->Parts().Panel(), digit);
  EXPECT_TRUE(PumpUntil([&] { return Table()->Current() == target; }, 4s));
  // Radio: 9, 8, the shifted ";" key's ".", 5.
  window_->Parts().Panel()->Command(pid::kModeRadio);
  for (char c : {'9', '8', '.', '5', '\r'}) TypeAzerty(window_->Parts().Panel(), c);
  EXPECT_EQ(CurrentFrequency(), 98'500'000);
}

TEST_F(ViewerKeysTest, AnEntryLeftHalfTypedEndsWithItsModeAndNeverBeepsInTheNext) {
  ASSERT_TRUE(LaunchCountingBeeps());
  Type(window_->Parts().Panel(), Qt::Key_4);
  window_->Parts().Panel()->Command(pid::kModeRadio);
  ASSERT_EQ(window_->WorkModeValue(), vd::WorkMode::kRadio);
  const int32_t station = CurrentFrequency();
  // Past the entry's two seconds: the radio has no entry to end.
  PumpFor(2500ms);
  EXPECT_EQ(beeps_, 0);
  EXPECT_EQ(CurrentFrequency(), station);
  // The seam hears the beeps it is there for.
  Type(window_->Parts().Panel(), Qt::Key_Return);
  EXPECT_EQ(beeps_, 1);
}

// The same when the entry's end was held back by a nested loop and the mode changed before
// it ran: the held-back end finds nothing typed.
TEST_F(ViewerKeysTest, AnEntryEndHeldBackByANestedLoopNeverBeepsInTheNextMode) {
  ASSERT_TRUE(LaunchCountingBeeps());
  Type(window_->Parts().Panel(), Qt::Key_4);
  window_->SetTimer(CViewerDlg::kTimerEntry, 10);
  {
    vd::NestedLoop settle(vd::NestedLoop::Kind::kSettle);
    PumpFor(200ms);
  }
  window_->Parts().Panel()->Command(pid::kModeRadio);
  ASSERT_EQ(window_->WorkModeValue(), vd::WorkMode::kRadio);
  PumpFor(500ms);
  EXPECT_EQ(beeps_, 0);
}

TEST_F(ViewerKeysTest, OnARussianLayoutTheShortcutsActByTheKeysLatinLetters) {
  ASSERT_TRUE(LaunchQuiet());
  constexpr uint32_t kKey1 = 2 + 8, kKey2 = 3 + 8, kKeyT = 20 + 8, kKeyF = 33 + 8, kKeyC = 46 + 8,
                     kKeyM = 50 + 8;
  TypeNative(window_->Parts().Panel(), 0x042C, kKeyM, QStringLiteral("\u044C"));  // M types "ь"
  EXPECT_TRUE(window_->Parts().Tuning().IsMuted());
  // Shift+M is no shortcut on any layout.
  TypeNative(window_.get(), 0x042C, kKeyM, QStringLiteral("\u042C"), Qt::ShiftModifier);
  EXPECT_TRUE(window_->Parts().Tuning().IsMuted());
  TypeNative(window_.get(), 0x042C, kKeyM, QStringLiteral("\u044C"));
  EXPECT_FALSE(window_->Parts().Tuning().IsMuted());
  TypeNative(window_.get(), 0x0415, kKeyT, {}, Qt::ControlModifier);  // T types "е"
  EXPECT_FALSE(window_->Parts().Panel()->isVisible());
  TypeNative(window_.get(), 0x0415, kKeyT, {}, Qt::ControlModifier);
  EXPECT_TRUE(window_->Parts().Panel()->isVisible());
  const bool open = window_->Parts().Panel()->state().vcrPadOpen;
  TypeNative(window_->Parts().Panel(), 0x0421, kKeyC, {}, Qt::ControlModifier);  // C types "с"
  EXPECT_EQ(window_->Parts().Panel()->state().vcrPadOpen, !open);
  TypeNative(window_->Parts().Panel(), 0x0410, kKeyF, QStringLiteral("\u0430"));  // F types "а"
  EXPECT_TRUE(window_->FullScreen());
  TypeNative(window_->Parts().Panel(), 0x0410, kKeyF, QStringLiteral("\u0430"));
  EXPECT_FALSE(window_->FullScreen());
  // A Latin layout's own characters on the digit keys stay what they are: AZERTY's "&",
  // Czech "ě".
  const QString display = window_->Parts().Panel()->Display().Number();
  TypeNative(window_.get(), Qt::Key_Ampersand, kKey1, QStringLiteral("&"));
  TypeNative(window_.get(), 0x011A, kKey2, QStringLiteral("\u011B"));
  EXPECT_EQ(window_->Parts().Panel()->Display().Number(), display);
}

TEST_F(ViewerKeysTest, UpOnThePanelMovesOneStationOnly) {
  ASSERT_TRUE(LaunchQuiet());
  ASSERT_GE(Table()->Count(), 3);
  const int before = Table()->Current();
  Type(window_->Parts().Panel(), Qt::Key_Up);
  const int after = Table()->Current();
  EXPECT_NE(after, before);
  // One step back must return: a key handled twice would have moved two stations.
  window_->OnPanelCommand(pid::kChannelDown);
  EXPECT_EQ(Table()->Current(), before);
  Type(window_.get(), Qt::Key_Down);
  EXPECT_NE(Table()->Current(), before);
  window_->OnPanelCommand(pid::kChannelUp);
  EXPECT_EQ(Table()->Current(), before);
}

TEST_F(ViewerKeysTest, MMutesFromTheMainWindowAndFromThePanel) {
  ASSERT_TRUE(LaunchQuiet());
  ASSERT_FALSE(window_->Parts().Tuning().IsMuted());
  Type(window_.get(), Qt::Key_M);
  EXPECT_TRUE(window_->Parts().Tuning().IsMuted());
  EXPECT_TRUE(window_->Parts().Panel()->state().muted);
  Type(window_->Parts().Panel(), Qt::Key_M);
  EXPECT_FALSE(window_->Parts().Tuning().IsMuted());
  EXPECT_FALSE(window_->Parts().Panel()->state().muted);
  // Shift+M is no shortcut.
  Type(window_->Parts().Panel(), Qt::Key_M, Qt::ShiftModifier);
  EXPECT_FALSE(window_->Parts().Tuning().IsMuted());
}

TEST_F(ViewerKeysTest, VolumeKeysOnThePanelAndTheMainWindowMoveTheVolume) {
  ASSERT_TRUE(LaunchQuiet());
  const int before = window_->Parts().Volume()->Volume();
  Type(window_->Parts().Panel(), Qt::Key_Left);
  const int quieter = window_->Parts().Volume()->Volume();
  EXPECT_LT(quieter, before);
  // The thumb stands on whole pixels.
  EXPECT_NEAR(window_->Parts().Panel()->Volume().Slider()->Position(),
              window_->Parts().Volume()->Position(),
              (window_->Parts().Volume()->Maximum() - window_->Parts().Volume()->Minimum()) / 100);
  Type(window_.get(), Qt::Key_Right);
  EXPECT_GT(window_->Parts().Volume()->Volume(), quieter);
  // The thumb stands on whole pixels.
  EXPECT_NEAR(window_->Parts().Panel()->Volume().Slider()->Position(),
              window_->Parts().Volume()->Position(),
              (window_->Parts().Volume()->Maximum() - window_->Parts().Volume()->Minimum()) / 100);
}

TEST_F(ViewerKeysTest, FOnThePanelTogglesFullScreenInTvAndNotInRadio) {
  ASSERT_TRUE(LaunchQuiet());
  Type(window_->Parts().Panel(), Qt::Key_F);
  EXPECT_TRUE(window_->FullScreen());
  Type(window_->Parts().Panel(), Qt::Key_F);
  EXPECT_FALSE(window_->FullScreen());
  window_->Parts().Panel()->Command(pid::kModeRadio);
  ASSERT_EQ(window_->WorkModeValue(), vd::WorkMode::kRadio);
  Type(window_->Parts().Panel(), Qt::Key_F);
  EXPECT_FALSE(window_->FullScreen());
}

TEST_F(ViewerKeysTest, KeysOnTheStripButtonsActForTheMainWindow) {
  ASSERT_TRUE(LaunchQuiet());
  QToolButton* gallery = window_->Parts().Strip()->Button(ViewStateStrip::kGallery);
  ASSERT_NE(gallery, nullptr);
  QTest::keyClick(gallery, Qt::Key_F);
  EXPECT_TRUE(window_->FullScreen());
  QTest::keyClick(gallery, Qt::Key_F);
  EXPECT_FALSE(window_->FullScreen());
}

TEST_F(ViewerKeysTest, ArrowsOnAFocusedStripButtonChangeTheChannel) {
  ASSERT_TRUE(LaunchQuiet());
  ASSERT_GE(Table()->Count(), 3);
  // A focused tool button would otherwise take the arrows to move the focus.
  QToolButton* capture = window_->Parts().Strip()->Button(ViewStateStrip::kCapture);
  ASSERT_NE(capture, nullptr);
  const int before = Table()->Current();
  QTest::keyClick(capture, Qt::Key_Up);
  EXPECT_NE(Table()->Current(), before);
  QTest::keyClick(capture, Qt::Key_Down);
  EXPECT_EQ(Table()->Current(), before);
}

TEST_F(ViewerKeysTest, CtrlCOpensAndClosesTheVcrPadFromEitherWindow) {
  ASSERT_TRUE(LaunchQuiet());
  const bool open = window_->Parts().Panel()->state().vcrPadOpen;
  Type(window_.get(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(window_->Parts().Panel()->state().vcrPadOpen, !open);
  ASSERT_NE(window_->Parts().Panel()->Controls().Button(pid::kRecord), nullptr);
  EXPECT_EQ(window_->Parts().Panel()->Controls().Button(pid::kRecord)->isHidden(), open);
  Type(window_->Parts().Panel(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(window_->Parts().Panel()->state().vcrPadOpen, open);
}

// The manual page's KEYS names each key the main window answers, in Qt's portable names
// (digits as 0-9), and no key that does nothing.
TEST_F(ViewerKeysTest, TheManualPageNamesEveryKeyOfTheMainWindow) {
  ASSERT_TRUE(LaunchQuiet());
  auto name = [](const QKeySequence& sequence) {
    const std::string text = sequence.toString(QKeySequence::PortableText).toStdString();
    return text.size() == 1 && text[0] >= '0' && text[0] <= '9' ? std::string("0-9") : text;
  };
  std::set<std::string> answered;
  for (const vd::Accelerator& a : vd::KeyboardTable::Entries())
    answered.insert(name(QKeySequence(a.key | (a.modifiers & ~Qt::KeypadModifier))));
  for (const QShortcut* shortcut : window_->findChildren<QShortcut*>())
    answered.insert(name(shortcut->key()));

  std::ifstream page(VD_TEST_DATA_DIR "/../../docs/viewdeck.1");
  ASSERT_TRUE(page.is_open());
  std::set<std::string> documented;
  bool inKeys = false;
  for (std::string line; std::getline(page, line);) {
    if (line.rfind(".SH", 0) == 0 || line.rfind(".SS", 0) == 0) inKeys = line == ".SH KEYS";
    if (!inKeys || line.rfind(".B ", 0) != 0) continue;
    std::string label;
    for (size_t i = 3; i < line.size(); ++i) {
      if (line[i] == '"' || (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '-'))
        continue;
      label += line[i];
    }
    std::istringstream words(label);
    for (std::string word; words >> word;) documented.insert(word);
  }
  EXPECT_EQ(documented, answered);
}

TEST_F(ViewerKeysTest, DigitsTypedIntoADialogFieldStayThere) {
  ASSERT_TRUE(LaunchQuiet());
  const QString display = window_->Parts().Panel()->Display().Number();
  QDialog dialog(window_.get());
  auto* edit = new QLineEdit(&dialog);
  dialog.show();
  edit->setFocus();
  Type(&dialog, Qt::Key_4);
  Type(&dialog, Qt::Key_2);
  Type(&dialog, Qt::Key_M);
  Type(&dialog, Qt::Key_Up);
  // A shifted AZERTY digit is a digit of the field too.
  QTest::sendKeyEvent(QTest::Click, dialog.windowHandle(), Qt::Key_1, QStringLiteral("1"),
                      Qt::ShiftModifier);
  EXPECT_EQ(edit->text(), "42m1");
  EXPECT_EQ(window_->Parts().Panel()->Display().Number(), display);
  EXPECT_FALSE(window_->Parts().Tuning().IsMuted());
}

TEST_F(ViewerKeysTest, TheAboutWindowClosesWithItsButtonEscAndReturn) {
  ASSERT_TRUE(LaunchQuiet());
  const auto open = [this] {
    window_->OnPanelCommand(pid::kLogo);
    QPointer<QWidget> about = window_->Parts().AboutWindow();
    if (about && !QTest::qWaitForWindowExposed(about)) about = nullptr;
    return about;
  };
  const auto closed = [](const QPointer<QWidget>& about) { return !about || about->isHidden(); };
  QPointer<QWidget> about = open();
  ASSERT_TRUE(about);
  Type(about, Qt::Key_Escape);
  EXPECT_TRUE(closed(about));
  about = open();
  ASSERT_TRUE(about);
  Type(about, Qt::Key_Return);
  EXPECT_TRUE(closed(about));
  about = open();
  ASSERT_TRUE(about);
  auto* button = about->findChild<QPushButton*>();
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text().remove('&'), "OK");
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_TRUE(closed(about));
}

TEST_F(ViewerKeysTest, TheAlbumWindowKeepsItsKeys) {
  ASSERT_TRUE(LaunchQuiet());
  window_->ShowAlbumWindow();
  ASSERT_TRUE(window_->Parts().AlbumWindow()->isVisible());
  const int before = Table()->Current();
  Type(window_->Parts().AlbumWindow(), Qt::Key_M);
  Type(window_->Parts().AlbumWindow(), Qt::Key_Down);
  Type(window_->Parts().AlbumWindow(), Qt::Key_F);
  EXPECT_FALSE(window_->Parts().Tuning().IsMuted());
  EXPECT_EQ(Table()->Current(), before);
  EXPECT_FALSE(window_->FullScreen());
}

TEST_F(ViewerKeysTest, EscapeWhileCapturingStopsTheCapture) {
  ASSERT_TRUE(LaunchQuiet());
  // Esc outside a capture changes nothing.
  Type(window_.get(), Qt::Key_Escape);
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  window_->OnCommand(ViewStateStrip::kCapture);
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
  vd::ViewerAlbumHost::SetSavePathFunction(
      [](const vd::SaveDialogRequest&) { return std::optional<std::filesystem::path>(); });
  Type(window_->Parts().Panel(), Qt::Key_Escape);
  vd::ViewerAlbumHost::SetSavePathFunction({});
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kLive);
  EXPECT_FALSE(window_->Parts().Engine()->Lifecycle().IsCapturing());
}

}  // namespace
}  // namespace vdtest
