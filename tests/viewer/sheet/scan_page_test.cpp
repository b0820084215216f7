// The station-search page: the country and band it shows and the settings a change stores,
// the radio layout, and the full scan with its progress window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "scan_page.h"
#include "scan_progress_wnd.h"
#include "sheet_fakes.h"
#include "vd/sheet/auto_scan_dlg.h"
#include "vd/sheet/channel_list_ctrl.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/scan_engine.h"

namespace vd::test {
namespace {

constexpr int kHrc = 54;
constexpr int kUsa = 56;
constexpr int kGermany = 15;
constexpr int kChina = 7;
constexpr int kTaiwan = 49;

struct ScanPageTest : ::testing::Test {
  TvStations tv{{2, 5, 8}};
  FakeScanHost& host = tv.host;
};

TEST_F(ScanPageTest, CodeOneWithCountry1PicksThatRecord) {
  host.country = 1;
  host.country1 = kHrc;
  CScanPage page(host);
  EXPECT_EQ(page.CountryBox()->currentIndex(), kHrc);
  EXPECT_EQ(page.CountryBox()->currentText(), "U.S.A. (HRC)");
}

TEST_F(ScanPageTest, Country1OutsideTheCodeOneRecordsFallsBackToTheLastMatch) {
  host.country = 1;
  for (int32_t country1 : {0, 57, -1, kGermany}) {
    host.country1 = country1;
    CScanPage page(host);
    EXPECT_EQ(page.CountryBox()->currentIndex(), kUsa) << country1;
  }
}

TEST_F(ScanPageTest, UnknownCountrySelectsNothing) {
  host.country = 0;
  CScanPage page(host);
  EXPECT_EQ(page.CountryBox()->currentIndex(), -1);
  EXPECT_TRUE(host.bands.empty());  // no record, no band to hand over
}

TEST_F(ScanPageTest, ShowsBandAndHandsItsPlanOver) {
  host.country = 49;
  host.source = 1;
  CScanPage page(host);
  EXPECT_EQ(page.CountryBox()->currentIndex(), kGermany);
  EXPECT_EQ(page.BandBox()->currentIndex(), 1);
  EXPECT_EQ(page.BandBox()->itemText(0), "Cable");
  EXPECT_EQ(page.BandBox()->itemText(1), "Antenna");
  ASSERT_EQ(host.bands.size(), 1u);
  EXPECT_EQ(host.bands[0], &CountryTable::Record(kGermany).antenna);
}

TEST_F(ScanPageTest, NamesFollowTheLanguageTag) {
  EnglishNamesAfter restore;
  host.languageTag = "France";
  {
    CScanPage page(host);
    ASSERT_EQ(page.CountryBox()->count(), 57);
    EXPECT_EQ(page.CountryBox()->itemText(kUsa), QString::fromUtf8("Etats-Unis d'Amérique"));
    EXPECT_EQ(page.CountryBox()->itemText(kGermany), "Allemagne");
  }
  host.languageTag = "English";
  CScanPage page(host);
  EXPECT_EQ(page.CountryBox()->itemText(26), "Israle");
  EXPECT_EQ(page.CountryBox()->itemText(kUsa), "U.S.A.");
}

TEST_F(ScanPageTest, CountryChangeStoresIndexCodeAndSoundSystem) {
  CScanPage page(host);
  host.bands.clear();
  page.OnCountryChosen(kTaiwan);
  EXPECT_EQ(host.country1, kTaiwan);
  EXPECT_EQ(host.country, 886);
  EXPECT_EQ(host.isMts, (std::vector<int32_t>{1}));
  EXPECT_EQ(host.soundButton, (std::vector<bool>{true}));
  ASSERT_EQ(host.bands.size(), 1u);
  EXPECT_EQ(host.bands[0], &CountryTable::Record(kTaiwan).cable);

  page.OnCountryChosen(kGermany);
  EXPECT_EQ(host.country, 49);
  EXPECT_EQ(host.isMts.back(), -1);
  EXPECT_FALSE(host.soundButton.back());

  page.OnCountryChosen(kChina);
  EXPECT_EQ(host.country, 86);
  EXPECT_EQ(host.isMts.back(), 0);
  EXPECT_TRUE(host.soundButton.back());

  page.OnCountryChosen(kHrc);
  EXPECT_EQ(host.country, 1);
  EXPECT_EQ(host.country1, kHrc);
  EXPECT_EQ(host.isMts.back(), 1);
}

TEST_F(ScanPageTest, ChoosingInTheComboGoesThroughTheSameRules) {
  CScanPage page(host);
  QComboBox* box = page.CountryBox();
  box->setCurrentIndex(kTaiwan);  // a programmatic change is no user choice
  EXPECT_TRUE(host.isMts.empty());
  emit box->activated(kTaiwan);
  EXPECT_EQ(host.country, 886);
  EXPECT_EQ(host.isMts, (std::vector<int32_t>{1}));
}

TEST_F(ScanPageTest, BandChangeStoresSourceAndSetsThatBand) {
  host.country = 49;
  CScanPage page(host);
  page.OnBandChosen(1);
  EXPECT_EQ(host.source, 1);
  EXPECT_EQ(host.bands.back(), &CountryTable::Record(kGermany).antenna);
  page.OnBandChosen(0);
  EXPECT_EQ(host.source, 0);
  EXPECT_EQ(host.bands.back(), &CountryTable::Record(kGermany).cable);
  EXPECT_EQ(host.country1Writes, 0);
}

// The dialog shows and keeps the row the user picked, as the page does, so that its scan and
// the next start number stations by the same plan; only the sound system is left to the page.
TEST_F(ScanPageTest, AutomaticDialogShowsAndStoresTheRowButNotTheSoundSystem) {
  host.country = 1;
  host.country1 = kHrc;
  CAutoScanDlg dialog(host);
  ScanForm* form = dialog.Form();
  EXPECT_EQ(form->CountryBox()->currentIndex(), kHrc);
  ASSERT_EQ(host.bands.size(), 1u);
  EXPECT_EQ(host.bands[0], &CountryTable::Record(kHrc).cable);
  form->OnCountryChosen(kTaiwan);
  EXPECT_EQ(host.country, 886);
  EXPECT_EQ(host.country1, kTaiwan);
  EXPECT_TRUE(host.isMts.empty());
  EXPECT_TRUE(host.soundButton.empty());
  EXPECT_EQ(host.bands.back(), &CountryTable::Record(kTaiwan).cable);
}

TEST_F(ScanPageTest, PageHasNoAutoScanBoxTheDialogHasOne) {
  CScanPage page(host);
  EXPECT_EQ(page.AutoScanBox(), nullptr);
  EXPECT_EQ(page.ScanButton()->text(), "&Scan Channels");
  EXPECT_EQ(page.ScanButton()->property("controlId").toInt(), 1036);
  CAutoScanDlg dialog(host);
  ASSERT_NE(dialog.Form()->AutoScanBox(), nullptr);
  EXPECT_EQ(dialog.Form()->AutoScanBox()->text(), "Auto scan");
}

TEST(ScanPageRadio, NoCountryOrBandAndTheShortScanLabel) {
  TvStations radio({1, 4}, true);
  CScanPage page(radio.host);
  EXPECT_TRUE(page.IsRadio());
  EXPECT_EQ(page.CountryBox(), nullptr);
  EXPECT_EQ(page.BandBox(), nullptr);
  EXPECT_EQ(page.ScanButton()->text(), "&Scan");
  EXPECT_EQ(page.RunFullScan(), 2);
  EXPECT_EQ(radio.Names(), (std::vector<std::string>{"88.05 ", "88.20 "}));
}

TEST(ScanPageNoTuner, ScanButtonIsDisabled) {
  FakeScanHost host;
  CScanPage page(host);
  EXPECT_FALSE(page.ScanButton()->isEnabled());
  EXPECT_EQ(page.RunFullScan(), 0);
  EXPECT_EQ(page.List()->model()->rowCount(), 0);
}

// What the page and the progress window show each time a station has been found.
struct Snapshot {
  QString percent;
  QString found;
  bool scanEnabled;
  bool countryEnabled;
  bool listEnabled;
  int listRows;
  bool progressVisible;
};

TEST_F(ScanPageTest, FullScanShowsProgressAndSelectsTheSecondStation) {
  CScanPage page(host);
  std::vector<Snapshot> seen;
  host.onRefresh = [&] {
    if (!page.Scanning()) return;
    CScanProgressWnd* progress = page.ProgressWindow();
    seen.push_back({progress->PercentText(), progress->FoundText(), page.ScanButton()->isEnabled(),
                    page.CountryBox()->isEnabled(), page.List()->isEnabled(),
                    page.List()->model()->rowCount(), progress->isVisible()});
  };
  EXPECT_EQ(page.RunFullScan(), 3);

  ASSERT_EQ(seen.size(), 3u);
  // Range 0..9: stations at steps 2, 5 and 8.
  EXPECT_EQ(seen[0].percent, "22%");
  EXPECT_EQ(seen[1].percent, "55%");
  EXPECT_EQ(seen[2].percent, "88%");
  EXPECT_EQ(seen[0].found, "");
  EXPECT_EQ(seen[1].found, "Found 1 Channels");
  EXPECT_EQ(seen[2].found, "Found 2 Channels");
  for (const Snapshot& s : seen) {
    EXPECT_FALSE(s.scanEnabled);
    EXPECT_FALSE(s.countryEnabled);
    EXPECT_FALSE(s.listEnabled);
    EXPECT_TRUE(s.progressVisible);
  }
  EXPECT_EQ(seen[0].listRows, 1);
  EXPECT_EQ(seen[2].listRows, 3);
  EXPECT_EQ(page.ProgressWindow()->FoundText(), "Found 3 Channels");

  EXPECT_FALSE(page.ProgressWindow()->isVisible());
  EXPECT_TRUE(page.ScanButton()->isEnabled());
  EXPECT_TRUE(page.CountryBox()->isEnabled());
  EXPECT_TRUE(page.List()->isEnabled());
  EXPECT_EQ(host.scanStates, (std::vector<bool>{true, false}));
  EXPECT_FALSE(ScanEngine::Running());
  EXPECT_EQ(tv.Table().Current(), 1);
  EXPECT_EQ(page.List()->SelectedRow(), 1);
  EXPECT_EQ(tv.Names(), (std::vector<std::string>{"  3    ", "  6    ", "209"}));
  // The list found goes to disk at once, not only when the mode ends.
  EXPECT_EQ(host.listStores, 1);
}

TEST(ScanPageFew, OneStationStaysCurrent) {
  TvStations tv({4});
  CScanPage page(tv.host);
  EXPECT_EQ(page.RunFullScan(), 1);
  EXPECT_EQ(tv.Table().Current(), 0);
  EXPECT_EQ(page.List()->SelectedRow(), 0);
}

TEST_F(ScanPageTest, CancelKeepsWhatWasFound) {
  CScanPage page(host);
  host.onRefresh = [&] {
    if (page.Scanning() && tv.Table().Count() == 1) {
      QTest::mouseClick(page.ProgressWindow()->CancelButton(), Qt::LeftButton);
    }
  };
  EXPECT_EQ(page.RunFullScan(), 1);
  EXPECT_EQ(tv.Table().Count(), 1);
  EXPECT_EQ(tv.Table().Current(), 0);
  EXPECT_EQ(page.List()->model()->rowCount(), 1);
  EXPECT_TRUE(page.ScanButton()->isEnabled());
  EXPECT_FALSE(page.ProgressWindow()->isVisible());
  // The next scan starts afresh and finds the rest.
  host.onRefresh = nullptr;
  EXPECT_EQ(page.RunFullScan(), 2);
  EXPECT_EQ(tv.Table().Count(), 3);
}

TEST_F(ScanPageTest, ClicksDuringAScanStartNothingAndTheSheetMayNotClose) {
  CScanPage page(host);
  int nested = 0;
  std::vector<bool> closable;
  host.onRefresh = [&] {
    if (!page.Scanning()) return;
    closable.push_back(page.CanClose());
    page.OnScanButton();  // as a click that arrives while the scan pumps events
    ++nested;
  };
  QTest::mouseClick(page.ScanButton(), Qt::LeftButton);
  EXPECT_EQ(nested, 3);
  EXPECT_EQ(closable, (std::vector<bool>{false, false, false}));
  EXPECT_EQ(tv.Table().Count(), 3);
  EXPECT_TRUE(page.CanClose());
}

}  // namespace
}  // namespace vd::test
