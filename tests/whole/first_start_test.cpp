// The first start of a user abroad, as CMake registers it once per locale: no settings, the
// virtual box standing where the locale says, the question for an automatic scan answered
// Yes. The scan must search that country's plan and name each of the box's stations by its
// channel number there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "country_table.h"
#include "scan_form.h"
#include "vd/sheet/auto_scan_dlg.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/tuner_control.h"
#include "vd/virtual_tv_box.h"
#include "viewer_fixture.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;

class FirstStartTest : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    // The fixture's known start answers the scan question in advance: a first start has no
    // settings file at all.
    store_.reset();
    std::filesystem::remove(root_ / "config" / "Corvalen" / "viewdeck.reg");
    store_ = ReopenStore();
  }
};

CAutoScanDlg* OpenScanDialog() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<CAutoScanDlg*>(w); dialog != nullptr && dialog->isVisible())
      return dialog;
  }
  return nullptr;
}

TEST_F(FirstStartTest, ScansTheCountryOfTheLocaleAndNamesItsStationsByTheirChannels) {
  const char* expectedText = std::getenv("VD_FIRST_START_COUNTRY");
  ASSERT_NE(expectedText, nullptr) << "tests/whole/CMakeLists.txt runs this with a locale";
  const int32_t expected = std::atoi(expectedText);
  const auto box = vd::VirtualTvBox::Shared();
  ASSERT_FALSE(box->Sky().UsesHashRule()) << "the test carriers would stand in every country";
  const std::vector<vd::Station>& stations = box->Sky().ExplicitTvStations();

  // Yes to "Confirm automatic scan", the one question a first start asks here.
  std::vector<std::string> asked;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (question == nullptr) return;
    asked.push_back(question->windowTitle().toStdString());
    if (QAbstractButton* yes = question->button(QMessageBox::Yes)) {
      yes->click();
    } else {
      question->close();
    }
  });
  answer.start(20);
  window_ = std::make_unique<CViewerDlg>(*store_, CViewerDlg::Options{.screenDepth = 16});
  ASSERT_TRUE(window_->Start());
  CAutoScanDlg* dialog = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (dialog = OpenScanDialog()) != nullptr; }, 10s));
  QPointer<CAutoScanDlg> watched(dialog);
  ASSERT_TRUE(PumpUntil([&] { return !watched || !watched->Form()->Scanning(); }, 120s));
  answer.stop();
  ASSERT_EQ(asked, std::vector<std::string>{"Confirm automatic scan"});
  ASSERT_TRUE(watched);
  EXPECT_EQ(watched->Form()->CountryBox()->currentText().toStdString(),
            CountryTable::Name(CountryTable::LastIndexOfCode(expected)));

  const ChannelBand* band = CountryTable::TunerBand(expected, 0);
  ASSERT_NE(band, nullptr);
  CChannelTable* table = Table();
  ASSERT_EQ(table->Count(), static_cast<int32_t>(stations.size()));
  for (const vd::Station& station : stations) {
    const auto number = band->ChannelOf(station.frequencyHz);
    ASSERT_TRUE(number) << station.name;
    bool found = false;
    for (int32_t i = 0; i < table->Count(); ++i) {
      const CChannel* c = table->Get(i);
      if (c->frequency != station.frequencyHz) continue;
      found = true;
      EXPECT_EQ(c->number, *number) << station.name;
      EXPECT_EQ(std::atoi(c->Name().c_str()), static_cast<int>(*number)) << c->Name();
    }
    EXPECT_TRUE(found) << station.name << " was not found";
  }
  watched->close();
  Close();
  EXPECT_EQ(Stored("Country"), expected);
}

}  // namespace
}  // namespace vdtest
