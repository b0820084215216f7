// The tuner controls on the real tuner module, driving a simulated device: a full TV scan
// names the stations by the country's plan, a radio scan by their frequency. Then the same
// on the V4L2 back-end over the scripted kernel playing vivid, whose tuner picks a carrier
// up over a window of steps and whose radio has AM and short wave beside FM.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>

#include "channels_fakes.h"
#include "fake_device.h"
#include "frequency_plans.h"
#include "v4l2_fake_tree.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/radio_tuner_control.h"
#include "vd/tuning/scan_engine.h"
#include "vd/tuning/tv_tuner_control.h"
#include "vd/v4l2_backend.h"
#include "vd/v4l2_fake_kernel.h"

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

// vivid on the V4L2 back-end: its video node's property set, with the tuner and radio of
// the kernel's driver.
class VividScan : public ModuleScan {
 protected:
  VividScan() {
    tree.AddPlatform("vivid.0", {"video0", "radio0"});
    FakeV4l2Card card;
    card.video = tree.DevPath("video0");
    card.radio = tree.DevPath("radio0");
    MakeVivid(card);
    kernel->Add(card);
    backend = std::make_unique<V4l2Backend>(tree.Options(kernel));
    for (const DeviceInfo& d : backend->Devices(DeviceCategory::kVideoInput))
      if (d.path == card.video) video = backend->Open(d);
  }
  // A reference for the control to take over.
  KsPropertySet* VividProps() { return video->QueryPropertySet(); }

  FakeV4l2Tree tree;
  std::shared_ptr<FakeV4l2Kernel> kernel = std::make_shared<FakeV4l2Kernel>();
  std::unique_ptr<V4l2Backend> backend;
  std::unique_ptr<CaptureDevice> video;
};

// Every plan's channels are the tuner's steps; vivid puts a carrier every 6 MHz from
// 49.25 MHz and shows it up to 1 MHz away, at two to five of those steps.
TEST_F(VividScan, TvScanStoresEachCarrierOnceOnThePlansChannel) {
  std::set<uint32_t> steps;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const ChannelBand& plan = FrequencyPlans::Plan(letter);
    for (uint32_t n = plan.first; n <= plan.last; ++n)
      if (plan.FrequencyOf(n) != 0) steps.insert(plan.FrequencyOf(n));
  }
  auto carrierOf = [](uint32_t hz) { return (hz + 2000000 - 49250000) / 6000000; };
  auto offCarrier = [&](uint32_t hz) {
    const int64_t carrier = 49250000 + 6000000 * int64_t{carrierOf(hz)};
    return hz > carrier ? hz - carrier : carrier - hz;
  };
  std::set<uint32_t> carriers;  // those vivid shows at one step or more
  for (uint32_t hz : steps)
    if (hz + 1000000 >= 49250000 && offCarrier(hz) <= 1000000) carriers.insert(carrierOf(hz));
  ASSERT_GT(carriers.size(), 100u);

  context.autoScan = true;
  TvTunerControl tv(VividProps(), context);
  ASSERT_TRUE(tv.Activate());
  const ChannelBand* band = tv.ActiveBand();
  ASSERT_NE(band, nullptr);
  ScanEngine engine(tv);
  engine.FullScan(view, progress, ScanEngine::Origin::kAutoScanDialog);
  CChannelTable& t = *tv.Table();
  std::multiset<uint32_t> stored;
  for (int32_t i = 0; i < t.Count(); ++i) {
    const uint32_t hz = t.Get(i)->frequency;
    stored.insert(carrierOf(hz));
    EXPECT_LE(offCarrier(hz), 1000000u) << hz;
    // Where the plan has the carrier's channel, the station is on it and named by it.
    const uint32_t carrier = 49250000 + 6000000 * carrierOf(hz);
    if (auto n = band->ChannelOf(carrier)) {
      EXPECT_EQ(hz, carrier);
      EXPECT_EQ(t.Get(i)->number, *n) << hz;
    }
  }
  EXPECT_EQ(std::set<uint32_t>(stored.begin(), stored.end()), carriers);
  EXPECT_EQ(stored.size(), carriers.size()) << "a carrier stored more than once";
}

// vivid's radio reaches from AM to FM; the FM band alone is the radio's, and a frequency
// outside it is refused rather than moved by the driver to the edge of another band.
TEST_F(VividScan, RadioScanWalksTheFmBandOnly) {
  context.workMode = vd::WorkMode::kRadio;
  RadioTunerControl radio(VividProps(), context);
  ASSERT_TRUE(radio.Activate());
  uint32_t min = 0, max = 0;
  ASSERT_TRUE(radio.GetRadioLimits(&min, &max));
  EXPECT_EQ(min, 87500000u);
  EXPECT_EQ(max, 108000000u);
  ScanEngine engine(radio);
  EXPECT_EQ(engine.FullScan(view, progress, ScanEngine::Origin::kAutoScanDialog), 22);
  CChannelTable& t = *radio.Table();
  ASSERT_EQ(t.Count(), 22);  // 88 to 108 MHz, and 95.5
  EXPECT_EQ(t.Get(0)->Name(), "88.00 ");
  EXPECT_EQ(t.Get(8)->frequency, 95500000u);
  EXPECT_EQ(t.Get(21)->frequency, 108000000u);

  KsPropertySetPtr props(video->QueryPropertySet());
  uint32_t hz = 50000000;
  EXPECT_EQ(props->Set(kPropSetTuner, kTunerPropFrequency, nullptr, 0, &hz, 4), kEInvalidArg);
  EXPECT_EQ(kernel->Card(tree.DevPath("video0"))->radioFrequency, 108000000u * 16 / 1000)
      << "the last station found stays tuned";
}

}  // namespace
}  // namespace vd::test
