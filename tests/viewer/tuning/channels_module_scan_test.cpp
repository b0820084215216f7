// The tuner controls on the real tuner module, driving a simulated device: a full TV scan
// names the stations by the country's plan, a radio scan by their frequency.
#include <gtest/gtest.h>

#include <cstdlib>

#include "channels_fakes.h"
#include "fake_device.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/radio_tuner_control.h"
#include "vd/tuning/scan_engine.h"
#include "vd/tuning/tv_tuner_control.h"

namespace vd::test {
namespace {

struct SilentProgress : ScanProgress {
  void Open(int32_t first, int32_t) override { pos = first; }
  void Close() override {}
  bool Cancelled() override { return false; }
  int32_t Position() const override { return pos; }
  void SetPosition(int32_t p) override { pos = p; }
  void SetText(const std::string&) override {}
  int32_t pos = 0;
};

struct SilentView : ScanView {
  void BeginScan() override {}
  void StationFound() override {}
  void EndScan() override {}
};

class ModuleScan : public ::testing::Test {
 protected:
  ModuleScan() : context(folder.Path()) {
    ::setenv("VIEWDECK_MODULE_DIR", VD_KXTUNER_DIR, 1);
    ScanEngine::ResetScanStart();
  }
  ~ModuleScan() override { ::unsetenv("VIEWDECK_MODULE_DIR"); }
  // The control keeps (and releases) a reference of its own.
  KsPropertySet* Props() {
    device->AddRef();
    return device.get();
  }

  TempFolder folder;
  FakeContext context;
  DeviceRef device;
  SilentProgress progress;
  SilentView view;
};

TEST_F(ModuleScan, TvStationsAreNamedByTheCountrysChannelNumbers) {
  const ChannelBand* band = CountryTable::TunerBand(49, 0);  // the context's country and band
  ASSERT_NE(band, nullptr);
  device->stations = {band->FrequencyOf(5), band->FrequencyOf(12)};
  context.autoScan = true;  // an empty list, no default fill
  TvTunerControl tv(Props(), context);
  ASSERT_TRUE(tv.Activate());
  ScanEngine engine(tv);
  EXPECT_EQ(engine.FullScan(view, progress, ScanEngine::Origin::kAutoScanDialog), 2);
  CChannelTable& t = *tv.Table();
  ASSERT_EQ(t.Count(), 2);
  EXPECT_EQ(t.Get(0)->Name(), "  5    ");
  EXPECT_EQ(t.Get(0)->frequency, band->FrequencyOf(5));
  EXPECT_EQ(t.Get(1)->Name(), " 12  ");
  EXPECT_EQ(t.Get(1)->number, 12u);
  EXPECT_EQ(device->frequency, band->FrequencyOf(12));  // the last one found stays tuned
}

TEST_F(ModuleScan, RadioStationAtNinetyEightPointOne) {
  device->stations = {98100000};
  context.workMode = vd::WorkMode::kRadio;
  RadioTunerControl radio(Props(), context);
  ASSERT_TRUE(radio.Activate());
  ScanEngine engine(radio);
  EXPECT_EQ(engine.FullScan(view, progress, ScanEngine::Origin::kSearchPage), 1);
  ASSERT_EQ(radio.Table()->Count(), 1);
  EXPECT_EQ(radio.Table()->Get(0)->Name(), "98.10 ");
  EXPECT_EQ(radio.Table()->Get(0)->id, 1962u);
}

}  // namespace
}  // namespace vd::test
