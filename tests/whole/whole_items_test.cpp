// The viewer's behaviours that live between its parts: the two FM memory flags, full screen
// and the panel, typed FM frequencies, drops on the main window, the help, the interface
// language, the open lists after a fine tune, and format names.
#include <QApplication>
#include <QComboBox>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>
#include <cstdlib>

#include "color_page.h"
#include "country_names.h"
#include "country_table.h"
#include "pages_fakes.h"
#include "scan_form.h"
#include "scan_page.h"
#include "vd/album/drag_record.h"
#include "vd/albumui/album_frame.h"
#include "vd/layout/panel_ids.h"
#include "vd/layout/work_modes.h"
#include "vd/mainwnd/viewer_album_host.h"
#include "vd/mainwnd/viewer_sheet_host.h"
#include "vd/mainwnd/viewer_tuning_context.h"
#include "vd/pages/property_dialog.h"
#include "vd/panel/control_panel.h"
#include "vd/settings/first_run_defaults.h"
#include "vd/settings/locale_ids.h"
#include "vd/sheet/auto_scan_dlg.h"
#include "vd/sheet/channel_list_ctrl.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/tuner_control.h"
#include "vd/virtual_tv_box.h"
#include "video_area.h"
#include "view_state_strip.h"
#include "whole_fixture.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;
namespace pid = vd::panel_id;
namespace rk = vd::remote_key;

using WholeItemsTest = WholeViewerTest;

bool Drop(CViewerDlg* target, std::unique_ptr<QMimeData> data) {
  return target->DropData(data.get());
}

std::unique_ptr<QMimeData> RecordData(const vd::DragRecord& record) {
  auto data = std::make_unique<QMimeData>();
  const std::vector<uint8_t> bytes = record.Encode();
  data->setData(vd::DragRecord::kMimeType, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<qsizetype>(bytes.size())));
  return data;
}

TEST_F(WholeItemsTest, TheRemoteAndTheKeypadKeepSeparateFmMemoryFlags) {
  ASSERT_TRUE(Launch());
  window_->OnPanelCommand(pid::kModeRadio);
  PressRemote(rk::kFmMemory);
  ASSERT_TRUE(PumpUntil([&] { return window_->Settings().remoteFmMemory == 1; }, 10s));
  EXPECT_FALSE(window_->Parts().Panel()->Display().FmMemoryMode());
  window_->Parts().Panel()->Press(pid::kFmMemory);
  EXPECT_TRUE(window_->Parts().Panel()->Display().FmMemoryMode());
  window_->Parts().Panel()->Press(pid::kFmMemory);
  EXPECT_FALSE(window_->Parts().Panel()->Display().FmMemoryMode());
  EXPECT_EQ(window_->Settings().remoteFmMemory, 1);
  Close();
  EXPECT_EQ(Stored("RemoteFMmemory"), 1);
  ASSERT_TRUE(LaunchQuiet());
  EXPECT_EQ(window_->Settings().remoteFmMemory, 1);
  EXPECT_FALSE(window_->Parts().Panel()->Display().FmMemoryMode());
}

TEST_F(WholeItemsTest, LeavingFullScreenBringsBackThePanelAndEscLeavesIt) {
  ASSERT_TRUE(LaunchQuiet());
  ASSERT_TRUE(window_->Parts().Panel()->isVisible());
  window_->OnCommand(32808);
  ASSERT_TRUE(window_->FullScreen());
  window_->OnCommand(168);  // a click on the picture hides the panel
  ASSERT_FALSE(window_->Parts().Panel()->isVisible());
  window_->OnCommand(32808);
  EXPECT_FALSE(window_->FullScreen());
  EXPECT_TRUE(window_->Parts().Panel()->isVisible());

  window_->OnCommand(32808);
  ASSERT_TRUE(window_->FullScreen());
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  EXPECT_FALSE(window_->FullScreen());
  // Hidden before full screen, hidden after.
  window_->OnCommand(168);
  ASSERT_FALSE(window_->Parts().Panel()->isVisible());
  window_->OnCommand(32808);
  window_->OnCommand(32808);
  EXPECT_FALSE(window_->Parts().Panel()->isVisible());
}

TEST_F(WholeItemsTest, AnFmFrequencyTypedOnTheMainKeysIsTunedAndOneOutOfRangeRefused) {
  ASSERT_TRUE(LaunchQuiet());
  window_->OnPanelCommand(pid::kModeRadio);
  TunerControl* tuner = window_->Parts().Engine()->Tuner();
  ASSERT_NE(tuner, nullptr);
  auto type = [&](const char* keys) {
    for (const char* k = keys; *k != '\0'; ++k) {
      if (*k == '.') {
        QTest::keyClick(window_.get(), Qt::Key_Period);
      } else if (*k == ',') {
        QTest::keyClick(window_.get(), Qt::Key_Comma);
      } else {
        QTest::keyClick(window_.get(), static_cast<Qt::Key>(Qt::Key_0 + (*k - '0')));
      }
    }
    QTest::keyClick(window_.get(), Qt::Key_Return);
  };
  type("104.3");
  EXPECT_EQ(tuner->GetFrequency(), 104300000u);
  type("98,5");
  EXPECT_EQ(tuner->GetFrequency(), 98500000u);
  // Above the tuner's FM band: neither tuned nor kept as a station.
  const int stations = Table()->Count();
  type("150.5");
  EXPECT_EQ(tuner->GetFrequency(), 98500000u);
  type("2146");
  EXPECT_EQ(tuner->GetFrequency(), 98500000u);
  EXPECT_EQ(Table()->Count(), stations);
}

TEST_F(WholeItemsTest, AStationOrAnAlbumFileDroppedOnTheMainWindowIsShown) {
  ASSERT_TRUE(Launch());
  ASSERT_GE(Table()->Count(), 3);
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  vd::ViewerAlbumHost::SetSavePathFunction([](const vd::SaveDialogRequest& request) {
    return std::optional<std::filesystem::path>(request.folder / "still.bmp");
  });
  window_->Parts().Strip()->Button(ViewStateStrip::kSnapshot)->click();
  vd::ViewerAlbumHost::SetSavePathFunction({});
  ASSERT_EQ(AlbumFiles(".bmp").size(), 1u) << (shown_.empty() ? "" : shown_.back());

  const int target = Table()->Current() == 2 ? 1 : 2;
  EXPECT_TRUE(Drop(window_.get(), RecordData({"", target})));
  EXPECT_EQ(Table()->Current(), target);
  EXPECT_EQ(window_->Parts().Panel()->Display().Number().trimmed(),
            QString("# %1").arg(target + 1));
  EXPECT_TRUE(Drop(window_.get(),
                   RecordData({AlbumFiles(".bmp").front().string(), vd::DragRecord::kFileValue})));
  EXPECT_EQ(window_->ViewState(), vd::ViewState::kStillShown);
}

TEST_F(WholeItemsTest, AStillMayFillTheScreenAndRecallWaitsWhileAClipPlays) {
  ASSERT_TRUE(Launch());
  ASSERT_TRUE(PumpUntil([&] { return window_->Parts().Video()->FrameCount() > 2; }, 10s));
  // The station before is another one, so that a recall would move.
  window_->OnPanelCommand(pid::kChannelUp);
  window_->OnPanelCommand(pid::kChannelDown);
  const int tuned = Table()->Current();
  PumpFor(200ms);
  vd::ViewerAlbumHost::SetSavePathFunction([](const vd::SaveDialogRequest& request) {
    return std::optional<std::filesystem::path>(
        request.folder / (request.defaultExtension == "bmp" ? "still.bmp" : "clip.avi"));
  });
  window_->Parts().Strip()->Button(ViewStateStrip::kSnapshot)->click();
  ASSERT_EQ(AlbumFiles(".bmp").size(), 1u) << (shown_.empty() ? "" : shown_.back());
  window_->OpenAlbumFile(AlbumFiles(".bmp").front().string(), true);
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kStillShown);
  window_->OnCommand(32808);
  EXPECT_TRUE(window_->FullScreen());
  window_->OnCommand(32808);
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();  // back to live
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kLive);

  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kCapturing);
  PumpFor(1200ms);
  window_->Parts().Strip()->Button(ViewStateStrip::kCapture)->click();
  vd::ViewerAlbumHost::SetSavePathFunction({});
  ASSERT_EQ(window_->ViewState(), vd::ViewState::kClipOpen);
  window_->OnPanelCommand(pid::kKeyRecall);
  EXPECT_EQ(Table()->Current(), tuned);
  window_->OnCommand(32808);
  EXPECT_FALSE(window_->FullScreen());
}

TEST_F(WholeItemsTest, TheCompanionWindowsFollowTheMainWindowAndItFollowsThePanel) {
  ASSERT_TRUE(LaunchQuiet());
  window_->ShowAlbumWindow();
  window_->SetVideoSize(400, 300);  // a larger format: the companions move out from under it
  PumpFor(50ms);
  const QRect main = window_->frameGeometry();
  const QRect panel = window_->Parts().Panel()->frameGeometry();
  const QRect album = window_->Parts().AlbumWindow()->frameGeometry();
  EXPECT_EQ(album.left(), main.right() + 1);
  const QRect desktop = window_->screen()->availableGeometry();
  if (main.bottom() + 1 + panel.height() <= desktop.bottom() + 1) {
    EXPECT_EQ(panel.top(), main.bottom() + 1 - 8);
  }

  window_->OnCommand(32809);  // tile on: the main window follows the panel
  const QPoint before = window_->pos();
  window_->Parts().Panel()->move(window_->Parts().Panel()->pos() + QPoint(30, -20));
  PumpFor(20ms);
  EXPECT_EQ(window_->pos(), before + QPoint(30, -20));
  window_->OnCommand(32809);

  window_->OnCommand(32820);  // TV frame on: small clients keep margins of at least 0
  window_->resize(20, 20);
  PumpFor(20ms);
  EXPECT_GE(window_->width(), 48);
  EXPECT_GE(window_->height(), 36);
  EXPECT_GE(window_->Parts().Video()->x(), 0);
  EXPECT_GE(window_->Parts().Video()->y(), 0);
}

TEST_F(WholeItemsTest, TheBoxsProductIdPicksTheFirstRunCountry) {
  // A locale whose own country differs from the one the box's product id selects.
  const std::string key = vd::VirtualTvBox::Shared()->HardwareKey();
  int32_t fromProduct = 0;
  for (const char* name : {"C", "de_DE.UTF-8", "fr_FR.UTF-8", "ja_JP.UTF-8", "zh_TW.UTF-8"}) {
    const vd::LocaleIds locale = vd::LocaleIdsFor(name);
    if (vd::CountryFromProduct(key, locale) != vd::CountryFromLocale(locale)) {
      fromProduct = vd::CountryFromProduct(key, locale);
      setenv("LC_ALL", name, 1);
      break;
    }
  }
  ASSERT_NE(fromProduct, 0) << key;
  const bool started = LaunchQuiet();  // nothing stored: the first-run rules choose
  unsetenv("LC_ALL");
  ASSERT_TRUE(started);
  EXPECT_EQ(window_->Parts().Tuning().Country(), fromProduct);
  // The model decides the sound system too, whatever the locale says.
  EXPECT_EQ(window_->Settings().isMts, vd::DefaultIsMts({.hardwareKey = key})) << key;
}

TEST_F(WholeItemsTest, HelpOpensInTheDesktopsProgramOrElseInsideTheViewer) {
  const QUrl page = QUrl::fromLocalFile(VD_BUILT_HELP_FILE);
  std::vector<QUrl> handed;
  bool desktopShowsIt = false;
  CViewerDlg::Options options;
  options.startParser = false;
  options.helpFile = VD_BUILT_HELP_FILE;
  options.openUrl = [&](const QUrl& url) {
    handed.push_back(url);
    return desktopShowsIt;
  };
  ASSERT_TRUE(Launch(options));
  // No program of the desktop shows it: F1 shows it inside the viewer.
  QTest::keyClick(window_.get(), Qt::Key_F1);
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_EQ(handed[0], page);
  EXPECT_TRUE(shown_.empty()) << shown_.front();
  QPointer<QWidget> help = window_->Parts().HelpPage();
  ASSERT_TRUE(help);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
  EXPECT_EQ(help->windowTitle(), "viewdeck help");
  auto* browser = help->findChild<QTextBrowser*>();
  ASSERT_NE(browser, nullptr);
  EXPECT_TRUE(browser->toPlainText().startsWith("viewdeck help"))
      << browser->toPlainText().left(80).toStdString();
  // Its pictures come from beside the page.
  int pictures = 0;
  for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      if (!it.fragment().charFormat().isImageFormat()) continue;
      const QString name = it.fragment().charFormat().toImageFormat().name();
      const QVariant data = browser->loadResource(QTextDocument::ImageResource, QUrl(name));
      EXPECT_FALSE(QImage::fromData(data.toByteArray()).isNull()) << name.toStdString();
      ++pictures;
    }
  }
  EXPECT_GT(pictures, 5);
  // A contents link moves within the page.
  ASSERT_EQ(browser->verticalScrollBar()->value(), 0);
  browser->setSource(page.resolved(QUrl("#remote")));
  EXPECT_GT(browser->verticalScrollBar()->value(), 0);
  EXPECT_EQ(help->windowTitle(), "viewdeck help");
  // The panel's "?" brings the same window back.
  help->hide();
  window_->OnPanelCommand(pid::kAbout);
  EXPECT_EQ(handed.size(), 2u);
  EXPECT_EQ(window_->Parts().HelpPage(), help.data());
  EXPECT_TRUE(help->isVisible());
  help->close();
  // A desktop program that takes the page leaves the viewer's window shut.
  desktopShowsIt = true;
  QTest::keyClick(window_.get(), Qt::Key_F1);
  EXPECT_EQ(handed.size(), 3u);
  EXPECT_TRUE(!window_->Parts().HelpPage() || window_->Parts().HelpPage()->isHidden());
  EXPECT_TRUE(shown_.empty());
  // Without the page there is nothing to show: the viewer says so.
  Close();
  options.helpFile = (root_ / "BRTV_USB.html").string();
  ASSERT_TRUE(Launch(options));
  QTest::keyClick(window_.get(), Qt::Key_F1);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_NE(shown_[0].find("BRTV_USB.html was not found"), std::string::npos) << shown_[0];
  EXPECT_EQ(handed.size(), 3u);
}

TEST_F(WholeItemsTest, TheCountryNamesFollowTheLocale) {
  EXPECT_EQ(vd::InterfaceLanguageTag("de_DE.UTF-8"), "Deutschland");
  EXPECT_EQ(vd::InterfaceLanguageTag("fr_CA"), "France");
  EXPECT_EQ(vd::CountryNames::LanguageOfTag(vd::InterfaceLanguageTag("zh_TW.UTF-8")),
            vd::CountryLanguage::kTraditionalChinese);
  EXPECT_EQ(vd::CountryNames::LanguageOfTag(vd::InterfaceLanguageTag("zh_CN.UTF-8")),
            vd::CountryLanguage::kSimplifiedChinese);
  EXPECT_EQ(vd::InterfaceLanguageTag("C"), "English");
  EXPECT_EQ(vd::InterfaceLanguageTag(""), "English");

  setenv("LC_ALL", "de_DE.UTF-8", 1);
  ASSERT_TRUE(LaunchQuiet());
  CScanPage page(*window_->Parts().SheetHost());
  unsetenv("LC_ALL");
  QComboBox* countries = page.CountryBox();
  ASSERT_NE(countries, nullptr);
  int translated = 0;
  for (int row = 0; row < countries->count(); ++row) {
    const std::string& german = vd::CountryNames::Name(row, vd::CountryLanguage::kGerman);
    EXPECT_EQ(countries->itemText(row).toStdString(), german) << row;
    if (german != vd::CountryNames::Name(row, vd::CountryLanguage::kEnglish)) ++translated;
  }
  EXPECT_GT(translated, 10);
  CountryTable::ApplyLanguage("English");
}

TEST_F(WholeItemsTest, AFineTuneAndAStoredPresetRefreshTheOpenLists) {
  ASSERT_TRUE(LaunchQuiet());
  auto* dialog = new CAutoScanDlg(*window_->Parts().SheetHost(), window_.get());
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  CChannelListCtrl* list = dialog->Form()->List();
  list->Fill();
  QSignalSpy resets(list->model(), &QAbstractItemModel::modelReset);
  window_->RemoteFineTune(62500);
  EXPECT_GE(resets.count(), 1);

  window_->OnPanelCommand(pid::kModeRadio);
  ASSERT_TRUE(Table()->AddByFrequency(98500000));
  ASSERT_TRUE(Table()->AddByFrequency(101100000));
  list->Fill();
  resets.clear();
  window_->Parts().Panel()->Press(pid::kFmMemory);
  window_->Parts().Panel()->Press(pid::kFmKey0 + 1);
  EXPECT_GE(resets.count(), 1);
  dialog->close();
}

TEST_F(WholeItemsTest, TheColourPagesStandardChangeSurvivesAnEarlyCloseAndFormatsHaveNames) {
  vd::test::FakePagesEngine engine;
  engine.workMode = vd::WorkMode::kComposite;  // composite: the page offers the standards
  {
    CColorPage page(engine);
    page.StandardCombo()->setCurrentIndex(1);
    emit page.StandardCombo()->activated(1);
  }  // closed within the settling time
  EXPECT_EQ(std::count(engine.log.begin(), engine.log.end(), "refresh preview"), 1);

  EXPECT_EQ(vd::PropertyDialog::FormatName(0, 24), "RGB 24");
  EXPECT_EQ(vd::PropertyDialog::FormatName(0x32595559, 16), "YUY2, 16 bit");
  EXPECT_EQ(vd::PropertyDialog::FormatName(3, 16), "0x00000003, 16 bit");
}

}  // namespace
}  // namespace vdtest
