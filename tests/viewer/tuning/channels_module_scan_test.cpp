// The tuner controls on the real tuner module, driving a simulated device: a full TV scan
// names the stations by the country's plan, a radio scan by their frequency. Then the same
// on the V4L2 back-end over the scripted kernel playing vivid, whose tuner picks a carrier
// up over a window of steps and whose radio has AM and short wave beside FM; and with
// drivers that read the signal otherwise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <vector>

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
// 49.25 MHz and shows it up to 1 MHz away, at two to five of those steps. A full scan stores
// each carrier once, on the plan's channel where one lies within `planReach` of the carrier.
void ExpectEachCarrierOnce(KsPropertySet* props, FakeContext& context, ScanView& view,
                           ScanProgress& progress, uint32_t planReach) {
  constexpr uint32_t kFirst = 49250000, kSpacing = 6000000, kReach = 1000000;
  std::set<uint32_t> steps;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const ChannelBand& plan = FrequencyPlans::Plan(letter);
    for (uint32_t n = plan.first; n <= plan.last; ++n)
      if (plan.FrequencyOf(n) != 0) steps.insert(plan.FrequencyOf(n));
  }
  auto carrierOf = [](uint32_t hz) { return (hz + kSpacing / 3 - kFirst) / kSpacing; };
  auto offCarrier = [&](uint32_t hz) {
    const int64_t carrier = kFirst + int64_t{kSpacing} * carrierOf(hz);
    return hz > carrier ? hz - carrier : carrier - hz;
  };
  std::set<uint32_t> carriers;  // those vivid shows at one step or more
  for (uint32_t hz : steps)
    if (hz + kReach >= kFirst && offCarrier(hz) <= kReach) carriers.insert(carrierOf(hz));
  ASSERT_GT(carriers.size(), 100u);

  context.autoScan = true;
  TvTunerControl tv(props, context);
  ASSERT_TRUE(tv.Activate());
  const ChannelBand* band = tv.ActiveBand();
  ASSERT_NE(band, nullptr);
  // The plan's channel near each carrier (channels are 6 MHz apart or more).
  std::map<uint32_t, uint32_t> planHz;
  for (uint32_t n = band->first; n <= band->last; ++n) {
    const uint32_t hz = band->FrequencyOf(n);
    if (hz != 0 && hz + kReach >= kFirst && offCarrier(hz) <= planReach) planHz[carrierOf(hz)] = hz;
  }
  ASSERT_GT(planHz.size(), 10u);
  ScanEngine engine(tv);
  engine.FullScan(view, progress, ScanEngine::Origin::kAutoScanDialog);
  CChannelTable& t = *tv.Table();
  std::multiset<uint32_t> stored;
  for (int32_t i = 0; i < t.Count(); ++i) {
    const uint32_t hz = t.Get(i)->frequency;
    stored.insert(carrierOf(hz));
    EXPECT_LE(offCarrier(hz), kReach) << hz;
    if (auto it = planHz.find(carrierOf(hz)); it != planHz.end()) {
      EXPECT_EQ(hz, it->second);
      EXPECT_EQ(t.Get(i)->number, band->ChannelOf(it->second).value_or(0)) << hz;
    }
  }
  EXPECT_EQ(std::set<uint32_t>(stored.begin(), stored.end()), carriers);
  EXPECT_EQ(stored.size(), carriers.size()) << "a carrier stored more than once";
}

// vivid's own model: full strength within 0.25 MHz of the carrier, half beyond; the
// strongest step is the carrier's, and the plan's channel only when it is the carrier.
TEST_F(VividScan, TvScanStoresEachCarrierOnceOnThePlansChannel) {
  ExpectEachCarrierOnce(VividProps(), context, view, progress, 0);
}

// Many analogue drivers report only locked or not: full strength at every step of the
// window, up to a megahertz from the carrier, with no stronger step to pick: the plan's
// channel anywhere in the window is the one.
TEST_F(VividScan, ADriverThatSaysOnlyLockedStoresEachCarrierOnceToo) {
  kernel->Card(tree.DevPath("video0"))->signal = [](bool radio, uint32_t units) -> uint16_t {
    constexpr uint32_t kFirst = 788, kSpacing = 96;  // 49.25 and 6 MHz
    if (radio || units + kSpacing / 2 < kFirst) return 0;
    const uint32_t offset = (units + kSpacing - kFirst) % kSpacing;
    return std::min(offset, kSpacing - offset) <= 16 ? 0xFFFF : 0;
  };
  ExpectEachCarrierOnce(VividProps(), context, view, progress, 1000000);
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

// A strong FM station is heard a step or two either side, fading away from it; two stations
// 100 kHz apart are both heard at the step between them, weaker there than at either.
TEST_F(VividScan, RadioStoresAStationHeardOverSeveralStepsOnceAtItsStrongest) {
  kernel->Card(tree.DevPath("video0"))->signal = [](bool radio, uint32_t units) -> uint16_t {
    constexpr uint32_t kReach = 1920;  // 120 kHz
    uint16_t best = 0;
    // 98.1, 100.0, 103.0 and 103.1 MHz
    for (uint32_t station : {1569600u, 1600000u, 1648000u, 1649600u}) {
      const uint32_t d = units > station ? units - station : station - units;
      if (radio && d <= kReach) best = std::max<uint16_t>(best, 0xFFFF - d * 0x7FFF / kReach);
    }
    return best;
  };
  context.workMode = vd::WorkMode::kRadio;
  RadioTunerControl radio(VividProps(), context);
  ASSERT_TRUE(radio.Activate());
  ScanEngine engine(radio);
  EXPECT_EQ(engine.FullScan(view, progress, ScanEngine::Origin::kAutoScanDialog), 4);
  CChannelTable& t = *radio.Table();
  std::vector<uint32_t> stored;
  for (int32_t i = 0; i < t.Count(); ++i) stored.push_back(t.Get(i)->frequency);
  EXPECT_EQ(stored, (std::vector<uint32_t>{98100000, 100000000, 103000000, 103100000}));
}

}  // namespace
}  // namespace vd::test
