// The settings sheet: the pages of each work mode in order, the page it opens on, the page it
// hands back, and closing while a page refuses.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QTabWidget>
#include <map>
#include <memory>

#include "scan_page.h"
#include "sheet_fakes.h"
#include "vd/sheet/options_sheet.h"
#include "vd/sheet/sheet_host.h"
#include "vd/sheet/sheet_page.h"
#include "vd/sheet/sheet_page_factory.h"
#include "vd/sheet/sheet_page_set.h"

namespace vd::test {
namespace {

using P = SheetPageId;

struct FakeSheetHost : SheetHost {
  vd::WorkMode WorkMode() const override { return workMode; }
  int32_t ToolPage() const override { return toolPage[vd::StoredNumber(workMode)]; }
  void SetToolPage(int32_t position) override { stored.push_back(position); }
  void RefreshMainWindow() override { ++refreshes; }

  vd::WorkMode workMode = vd::WorkMode::kTv;
  int32_t toolPage[4] = {};
  std::vector<int32_t> stored;
  int refreshes = 0;
};

// A page that takes part in OK and Cancel and may refuse to let the sheet close.
class RecordingPage : public QLabel, public SheetPage {
 public:
  RecordingPage(QWidget* parent, std::vector<std::string>* log, std::string name)
      : QLabel(QString::fromStdString(name), parent), log_(log), name_(std::move(name)) {}
  void OnOk() override { log_->push_back(name_ + " ok"); }
  void OnCancel() override { log_->push_back(name_ + " cancel"); }
  bool CanClose() const override { return canClose; }
  bool canClose = true;

 private:
  std::vector<std::string>* log_;
  std::string name_;
};

// Stands in for the capture engine's pages.
struct EnginePages : SheetPageFactory {
  QWidget* CreatePage(SheetPageId id, QWidget* parent) override {
    auto* page = new RecordingPage(parent, &log, "page" + std::to_string(static_cast<int>(id)));
    made[id] = page;
    return page;
  }
  std::vector<std::string> log;
  std::map<SheetPageId, RecordingPage*> made;
};

std::vector<SheetPageId> Row(int32_t mode) {
  auto row = SheetPages::For(vd::WorkModeFromStored(mode));
  return {row.begin(), row.end()};
}

TEST(SheetPageTable, RowsPerWorkMode) {
  EXPECT_EQ(Row(0), (std::vector<SheetPageId>{P::kCapture, P::kFile, P::kColour, P::kDevice}));
  EXPECT_EQ(Row(1), Row(0));
  EXPECT_EQ(Row(2), (std::vector<SheetPageId>{P::kDevice, P::kStationSearch}));
  EXPECT_EQ(Row(3), (std::vector<SheetPageId>{P::kColour, P::kCapture, P::kFile, P::kDevice,
                                              P::kStationSearch}));
}

TEST(SheetPageTable, PositionsAndStartPage) {
  EXPECT_EQ(SheetPages::PositionOf(vd::WorkMode::kTv, P::kStationSearch), 4);
  EXPECT_EQ(SheetPages::PositionOf(vd::WorkMode::kRadio, P::kStationSearch), 1);
  EXPECT_EQ(SheetPages::PositionOf(vd::WorkMode::kSVideo, P::kColour), 2);
  EXPECT_EQ(SheetPages::PositionOf(vd::WorkMode::kRadio, P::kColour),
            0);  // absent from the radio row
  EXPECT_EQ(SheetPages::StartPosition(vd::WorkMode::kRadio, 1), 1);
  EXPECT_EQ(SheetPages::StartPosition(vd::WorkMode::kRadio, 2), 0);  // beyond the two radio pages
  EXPECT_EQ(SheetPages::StartPosition(vd::WorkMode::kTv, 4), 4);
  EXPECT_EQ(SheetPages::StartPosition(vd::WorkMode::kSVideo, 4), 0);
  EXPECT_EQ(SheetPages::StartPosition(vd::WorkMode::kComposite, -1), 0);
}

struct SheetTest : ::testing::Test {
  TvStations tv{{2, 5}};
  FakeSheetHost sheetHost;
  EnginePages engine;
};

TEST_F(SheetTest, TitleAndOnlyOkAndCancel) {
  SheetPageSet pages(tv.host, &engine);
  COptionsSheet sheet(sheetHost, pages);
  EXPECT_EQ(sheet.windowTitle(), "Settings");
  EXPECT_TRUE(sheet.isModal());
  auto* box = sheet.findChild<QDialogButtonBox*>();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
}

TEST_F(SheetTest, TabsFollowTheModesRow) {
  SheetPageSet pages(tv.host, &engine);
  for (int32_t mode : {0, 1, 2, 3}) {
    sheetHost.workMode = vd::WorkModeFromStored(mode);
    tv.host.workMode = vd::WorkModeFromStored(mode);
    COptionsSheet sheet(sheetHost, pages);
    EXPECT_EQ(sheet.PageIds(), Row(mode)) << mode;
    EXPECT_EQ(sheet.Tabs()->count(), static_cast<int>(Row(mode).size()));
  }
  sheetHost.workMode = vd::WorkMode::kTv;
  COptionsSheet sheet(sheetHost, pages);
  EXPECT_NE(dynamic_cast<CScanPage*>(sheet.Page(P::kStationSearch)), nullptr);
  EXPECT_EQ(sheet.Page(P::kColour), engine.made[P::kColour]);
}

TEST_F(SheetTest, RadioStoredPageOneOpensStationSearch) {
  tv.host.workMode = vd::WorkMode::kRadio;
  sheetHost.workMode = vd::WorkMode::kRadio;
  sheetHost.toolPage[2] = 1;
  SheetPageSet pages(tv.host, &engine);
  COptionsSheet sheet(sheetHost, pages);
  EXPECT_EQ(sheet.Tabs()->currentWidget(), sheet.Page(P::kStationSearch));
  EXPECT_EQ(sheet.ActivePosition(), 1);
}

TEST_F(SheetTest, StoredPositionBeyondTheRowOpensTheFirstPage) {
  sheetHost.workMode = vd::WorkMode::kRadio;
  tv.host.workMode = vd::WorkMode::kRadio;
  sheetHost.toolPage[2] = 2;
  SheetPageSet pages(tv.host, &engine);
  {
    COptionsSheet sheet(sheetHost, pages);
    EXPECT_EQ(sheet.Tabs()->currentIndex(), 0);
    EXPECT_EQ(sheet.Tabs()->currentWidget(), sheet.Page(P::kDevice));
  }
  EXPECT_EQ(sheetHost.stored, (std::vector<int32_t>{0}));
}

TEST_F(SheetTest, ActivationIsRecordedAndHandedBackOnClose) {
  sheetHost.toolPage[3] = 2;  // file
  SheetPageSet pages(tv.host, &engine);
  {
    COptionsSheet sheet(sheetHost, pages);
    EXPECT_EQ(sheet.Tabs()->currentWidget(), sheet.Page(P::kFile));
    sheet.Tabs()->setCurrentWidget(sheet.Page(P::kStationSearch));
    EXPECT_EQ(sheet.ActivePosition(), 4);
    sheet.Tabs()->setCurrentWidget(sheet.Page(P::kColour));
    EXPECT_EQ(sheet.ActivePosition(), 0);
    EXPECT_TRUE(sheetHost.stored.empty());
  }
  EXPECT_EQ(sheetHost.stored, (std::vector<int32_t>{0}));
  EXPECT_EQ(sheetHost.refreshes, 1);
}

TEST_F(SheetTest, WithoutEnginePagesOnlyTheStationSearchShows) {
  sheetHost.toolPage[3] = 1;  // capture: not there yet
  SheetPageSet pages(tv.host, nullptr);
  {
    COptionsSheet sheet(sheetHost, pages);
    EXPECT_EQ(sheet.PageIds(), (std::vector<SheetPageId>{P::kStationSearch}));
    // Its place in the row is recorded, not its tab index.
    EXPECT_EQ(sheet.ActivePosition(), 4);
  }
  EXPECT_EQ(sheetHost.stored, (std::vector<int32_t>{4}));
}

TEST_F(SheetTest, OkAndCancelReachEveryPage) {
  sheetHost.workMode = vd::WorkMode::kSVideo;
  SheetPageSet pages(tv.host, &engine);
  {
    COptionsSheet sheet(sheetHost, pages);
    sheet.accept();
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
  }
  EXPECT_EQ(engine.log, (std::vector<std::string>{"page0 ok", "page1 ok", "page4 ok", "page2 ok"}));
  engine.log.clear();
  COptionsSheet sheet(sheetHost, pages);
  sheet.reject();
  EXPECT_EQ(engine.log.size(), 4u);
  EXPECT_EQ(engine.log.front(), "page0 cancel");
}

TEST_F(SheetTest, APageThatRefusesKeepsTheSheetOpen) {
  sheetHost.workMode = vd::WorkMode::kSVideo;
  SheetPageSet pages(tv.host, &engine);
  COptionsSheet sheet(sheetHost, pages);
  sheet.show();
  engine.made[P::kDevice]->canClose = false;
  sheet.reject();
  EXPECT_TRUE(sheet.isVisible());
  EXPECT_TRUE(engine.log.empty());
  engine.made[P::kDevice]->canClose = true;
  sheet.reject();
  EXPECT_FALSE(sheet.isVisible());
  EXPECT_EQ(sheet.result(), QDialog::Rejected);
}

}  // namespace
}  // namespace vd::test
