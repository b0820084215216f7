// The automatic scan dialog: full scan or single seek by its box, closing during a scan, and
// the start-up offer that opens it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "scan_form.h"
#include "scan_progress_wnd.h"
#include "sheet_fakes.h"
#include "vd/sheet/auto_scan_dlg.h"
#include "vd/sheet/channel_list_ctrl.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/scan_engine.h"
#include "vd/tuning/tv_tuner_control.h"

namespace vd::test {
namespace {

TEST(AutoScanDialog, FullScanLeavesTheLastStationCurrent) {
  TvStations tv({2, 5, 8});
  CAutoScanDlg dialog(tv.host);
  dialog.show();
  ASSERT_TRUE(dialog.Form()->AutoScanBox()->isChecked());
  QTest::mouseClick(dialog.Form()->ScanButton(), Qt::LeftButton);
  EXPECT_EQ(tv.Table().Count(), 3);
  EXPECT_EQ(tv.Table().Current(), 2);
  EXPECT_EQ(dialog.Form()->List()->SelectedRow(), 2);
  // Stored when the scan ends, and again as the dialog closes (its list may have changed).
  EXPECT_EQ(tv.host.listStores, 1);
  dialog.close();
  EXPECT_EQ(tv.host.listStores, 2);
}

TEST(AutoScanDialog, ClearedBoxSeeksOneStationAtATime) {
  TvStations tv({2, 5});
  CAutoScanDlg dialog(tv.host);
  dialog.Form()->AutoScanBox()->setChecked(false);
  QTest::mouseClick(dialog.Form()->ScanButton(), Qt::LeftButton);
  EXPECT_EQ(tv.Names(), (std::vector<std::string>{"  3    "}));
  EXPECT_EQ(dialog.Form()->List()->model()->rowCount(), 1);
  EXPECT_FALSE(dialog.Form()->ProgressWindow()->isVisible());
  QTest::mouseClick(dialog.Form()->ScanButton(), Qt::LeftButton);
  EXPECT_EQ(tv.Table().Count(), 2);
  EXPECT_EQ(tv.host.scanStates, (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(tv.host.listStores, 2);  // each station a seek finds
}

TEST(AutoScanDialog, ClosingDuringASeekRaisesTheCancelFlagInstead) {
  TvStations tv({7});
  CAutoScanDlg dialog(tv.host);
  dialog.Form()->AutoScanBox()->setChecked(false);
  dialog.show();
  bool raisedWhileOpen = false;
  // Delivered by the seek's own event pump, at its first step.
  QTimer::singleShot(0, &dialog, [&] {
    dialog.close();
    raisedWhileOpen = dialog.CancelRaised() && dialog.isVisible();
  });
  EXPECT_FALSE(dialog.Form()->RunSingleSeek());
  EXPECT_TRUE(raisedWhileOpen);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.CancelRaised());  // the seek read and cleared it
  EXPECT_EQ(tv.Table().Count(), 0);
  EXPECT_LE(tv.rig->tuner->signalQueries.size(), 2u);  // stopped long before step 7

  // Once the scan is over, closing closes.
  dialog.close();
  EXPECT_FALSE(dialog.isVisible());
}

TEST(AutoScanDialog, AFlagLeftFromAFullScanDoesNotStopTheNextSeek) {
  TvStations tv({1, 6});
  CAutoScanDlg dialog(tv.host);
  dialog.show();
  tv.host.onRefresh = [&] {
    if (dialog.Form()->Scanning()) dialog.close();  // during the full scan
  };
  QTest::mouseClick(dialog.Form()->ScanButton(), Qt::LeftButton);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(tv.Table().Count(), 1);  // the close cancelled the progress window too
  tv.host.onRefresh = nullptr;

  dialog.Form()->AutoScanBox()->setChecked(false);
  QTest::mouseClick(dialog.Form()->ScanButton(), Qt::LeftButton);
  EXPECT_EQ(tv.Table().Count(), 2);
}

// A viewer context whose questions go through the sheet's message function, as the main
// window's does.
struct AskingContext : FakeContext {
  using FakeContext::FakeContext;
  bool AskYesNo(const std::string& caption, const std::string& text) override {
    return SheetMessage::AskYesNo(nullptr, QString::fromStdString(caption),
                                  QString::fromStdString(text));
  }
};

struct StartupOffer : ::testing::Test {
  void Start() {
    TunerSetup setup;
    for (uint32_t i = 0; i < 10; ++i) setup.channels.push_back((50 + 10 * i) * 1000000);
    setup.tvStations = {3, 4, 6};
    context.autoScan = true;
    control =
        std::make_unique<TvTunerControl>(nullptr, context, MakeFactory(setup, &journal, &tuner));
    ASSERT_TRUE(control->Activate());
    host.tuner = control.get();
    ScanEngine::ResetScanStart();
  }

  TempFolder folder;
  Journal journal;
  AskingContext context{folder.Path()};
  FakeTuner* tuner = nullptr;
  std::unique_ptr<TvTunerControl> control;
  FakeScanHost host;
  MessageScript messages;
};

TEST_F(StartupOffer, AsksWithTheQuestionIconAndItsOwnTexts) {
  messages.Answer(false);
  Start();
  ASSERT_EQ(messages.asked.size(), 1u);
  const MessageRequest& q = messages.asked[0];
  EXPECT_EQ(q.kind, MessageRequest::Kind::kYesNoQuestion);
  EXPECT_EQ(q.caption, "Confirm automatic scan");
  EXPECT_EQ(q.text,
            " Your TV station  list is currently empty .\n\n Would you like an automatic scan "
            "performed ? \n Please note that it takes a few minutes .");
  EXPECT_FALSE(q.defaultNo);
  EXPECT_EQ(context.scanRequests, 0);
  EXPECT_EQ(control->Table()->Count(), 0);
}

TEST_F(StartupOffer, YesOpensTheDialogAndScansAtOnce) {
  messages.Answer(true);
  Start();
  ASSERT_EQ(context.scanRequests, 1);
  // What the main window does with the request once it is up.
  QWidget mainWindow;
  CAutoScanDlg* dialog = CAutoScanDlg::OpenAndScan(host, &mainWindow);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(control->Table()->Count(), 3);
  EXPECT_EQ(control->Table()->Current(), 2);  // the last one found, not the second
  EXPECT_EQ(dialog->Form()->ProgressWindow()->FoundText(), "Found 3 Channels");
  EXPECT_EQ(host.scanStates, (std::vector<bool>{true, false}));
  dialog->close();  // deletes itself
}

}  // namespace
}  // namespace vd::test
