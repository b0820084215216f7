// Tuner controls: activation, the step operations of both variants, module loading,
// destruction order, radio presets and texts, tuning without stations.
#include <gtest/gtest.h>

#include <cstdlib>

#include "channels_fakes.h"
#include "vd/tuning/channel_table.h"
#include "vd/tuning/radio_tuner_control.h"
#include "vd/tuning/tv_tuner_control.h"

namespace vd::test {
namespace {

TunerSetup TvChannels() {
  TunerSetup s;
  s.channels = {55250000, 0, 62250000, 175250000};
  return s;
}

TEST(TunerActivate, TvCallOrder) {
  Rig rig(false, TvChannels());
  const Journal head(rig.journal.begin(), rig.journal.begin() + 6);
  EXPECT_EQ(head, (Journal{"GetTunerCaps", "SetTunerMode 1", "GetTunerKind", "GetModeInfo 1",
                           "GetChannelCount", "SetChannel 0"}));
  auto range = rig.control->GetRange();
  ASSERT_TRUE(range);
  EXPECT_EQ(range->first, 0);
  EXPECT_EQ(range->last, 3);
  EXPECT_EQ(range->kind, 1u);
}

TEST(TunerActivate, RadioCallOrderAndSteps) {
  Rig rig(true, TunerSetup{});
  const Journal head(rig.journal.begin(), rig.journal.begin() + 6);
  EXPECT_EQ(head, (Journal{"GetTunerCaps", "GetChannelCount", "SetTunerMode 2", "GetTunerKind",
                           "GetModeInfo 2", "SetFrequency 87500000"}));
  auto range = rig.control->GetRange();
  ASSERT_TRUE(range);
  EXPECT_EQ(range->first, 1750);
  EXPECT_EQ(range->last, 2160);
  EXPECT_EQ(rig.control->StepFrequency(1962), 98100000u);
  EXPECT_EQ(rig.control->FrequencyOfStep(1962), 98100000u);
  ASSERT_EQ(rig.control->TuneStep(1962), 0);
  int32_t step = 0;
  ASSERT_TRUE(rig.control->GetCurrentStep(&step));
  EXPECT_EQ(step, 1962);
}

TEST(TunerActivate, FailsWithoutTheCapabilityOrTheTuner) {
  TempFolder folder;
  FakeContext context(folder.Path());
  TunerSetup tvOnly;
  tvOnly.caps = 1;
  RadioTunerControl radio(nullptr, context, MakeFactory(tvOnly, nullptr, nullptr));
  EXPECT_FALSE(radio.Activate());
  EXPECT_EQ(radio.Table(), nullptr);
  TunerSetup radioOnly;
  radioOnly.caps = 2;
  TvTunerControl tv(nullptr, context, MakeFactory(radioOnly, nullptr, nullptr));
  EXPECT_FALSE(tv.Activate());

  bool destroyed = false;
  struct Leaky : FakeTuner {
    Leaky(bool* d) : FakeTuner({}, nullptr), destroyed(d) {}
    void Destroy(uint32_t) override {
      *destroyed = true;
      delete this;
    }
    bool* destroyed;
  };
  TunerFactory failing = [&](KsPropertySet*, KXTuner** t) {
    *t = new Leaky(&destroyed);  // handed out despite the failure status
    return -5;
  };
  TvTunerControl none(nullptr, context, failing);
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(none.HasTuner());
  EXPECT_FALSE(none.GetRange());
  EXPECT_FALSE(none.Activate());
  EXPECT_TRUE(none.SetFrequency(1));  // reports success even without a tuner
  EXPECT_FALSE(FileExists(folder.File("TV.CFG")));
}

TEST(TunerActivate, RadioWithoutStepWidthIsRefused) {
  TempFolder folder;
  FakeContext context(folder.Path());
  TunerSetup s;
  s.radioInfoFails = true;
  RadioTunerControl radio(nullptr, context, MakeFactory(s, nullptr, nullptr));
  EXPECT_FALSE(radio.Activate());
}

TEST(TunerDestroy, WritesTheFileThenReleasesThenDestroys) {
  TempFolder folder;
  Journal journal;
  FakeContext context(folder.Path(), &journal);
  FakePropertySet props(&journal);
  {
    TvTunerControl tv(&props, context, MakeFactory(TvChannels(), &journal, nullptr));
    ASSERT_TRUE(tv.Activate());
    tv.Table()->AddByFrequency(62250000);
    journal.clear();
  }
  EXPECT_EQ(journal, (Journal{"WriteTvStations", "Release", "Destroy 1"}));
  EXPECT_EQ(props.releases, 1);
  EXPECT_TRUE(FileExists(folder.File("TV.CFG")));
  EXPECT_FALSE(FileExists(folder.File("ChList.CFG")));
}

class ModuleDir : public ::testing::Test {
 protected:
  void Use(const char* kind) {
    ::setenv("VIEWDECK_MODULE_DIR", (std::string(VD_TEST_MODULE_DIR) + "/" + kind).c_str(), 1);
  }
  ~ModuleDir() override { ::unsetenv("VIEWDECK_MODULE_DIR"); }
};

TEST_F(ModuleDir, SearchOrder) {
  Use("good");
  auto paths = TunerModule::SearchPaths();
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(paths[0], std::string(VD_TEST_MODULE_DIR) + "/good/libkxtuner.so");
  EXPECT_NE(paths[1].find("/../lib/libkxtuner.so"), std::string::npos);
  EXPECT_EQ(paths[2].substr(paths[2].size() - 14), "/libkxtuner.so");
}

TEST_F(ModuleDir, LoadsTheFactoryFromTheModule) {
  Use("good");
  TempFolder folder;
  FakeContext context(folder.Path());
  TvTunerControl tv(nullptr, context);
  ASSERT_TRUE(tv.HasTuner());
  EXPECT_EQ(tv.GetFrequency(), 4242u);  // answered by the module's own tuner
}

TEST_F(ModuleDir, ModuleWithoutFactoryLeavesNoTuner) {
  Use("nofactory");
  EXPECT_EQ(TunerModule::Load(), nullptr);
  TempFolder folder;
  FakeContext context(folder.Path());
  TvTunerControl tv(nullptr, context);
  EXPECT_FALSE(tv.HasTuner());
  EXPECT_FALSE(tv.Activate());
}

TEST_F(ModuleDir, FindsTheBuiltModuleBesideTheProgram) {
  ::unsetenv("VIEWDECK_MODULE_DIR");
  auto module = TunerModule::Load();
  ASSERT_NE(module, nullptr);
  EXPECT_NE(module->Factory(), nullptr);
}

TEST(RadioPresets, MemoryThenKeyThreeSwapsSixthAndFourth) {
  Rig rig(true, TunerSetup{});
  auto& radio = static_cast<RadioTunerControl&>(*rig.control);
  CChannelTable& t = rig.Table();
  for (uint32_t i = 0; i < 8; ++i) t.AddByFrequency(90000000 + i * 1000000);
  t.Select(5, true);
  EXPECT_TRUE(radio.ToggleMemory());
  radio.StationKey(3);
  EXPECT_FALSE(radio.IsStoring());
  EXPECT_EQ(t.Get(3)->frequency, 95000000u);
  EXPECT_EQ(t.Get(5)->frequency, 93000000u);
  EXPECT_EQ(t.Current(), 3);
  EXPECT_EQ(rig.context.listRefreshes, 1);

  radio.StationKey(7);  // not storing: selects
  EXPECT_EQ(t.Current(), 7);
  EXPECT_EQ(rig.tuner->frequency, 97000000u);
  radio.StationKey(10);  // no such preset
  EXPECT_EQ(t.Current(), 7);
}

class EmptyTv : public ::testing::Test {
 protected:
  EmptyTv() : rig(false, TunerFor(), &band) {}
  static TunerSetup TunerFor() {
    TunerSetup s;
    s.channels = {1};
    s.tvMin = 50000000;
    s.tvMax = 200000000;
    return s;
  }
  TvTunerControl& Tv() { return static_cast<TvTunerControl&>(*rig.control); }
  // Channels 2..7: 2 below the limits, 3 and 6 without frequency, 7 exactly at the top.
  uint32_t hz[6] = {45000000, 0, 60000000, 70000000, 0, 200000000};
  ChannelBand band{2, 7, hz};
  Rig rig;
};

TEST_F(EmptyTv, StepsThroughTheBandWithinTheLimits) {
  rig.journal.clear();
  EXPECT_EQ(Tv().TuneWithoutStations(4, true), 5);
  EXPECT_EQ(rig.journal,
            (Journal{"GetModeInfo 1", "mute", "SetFrequency 70000000", "wait 500", "unmute"}));
  EXPECT_EQ(Tv().TuneWithoutStations(5, true), 7);  // 6 has no frequency; 7 is on the limit
  EXPECT_EQ(Tv().TuneWithoutStations(7, true), 4);  // wraps past 2, which is out of limits
  EXPECT_EQ(Tv().TuneWithoutStations(4, false), 7);
  EXPECT_EQ(Tv().TuneWithoutStations(500, false), 7);  // a number outside the band
  EXPECT_TRUE(rig.context.beeps.empty());
}

// With no number on the panel, up and down start from the channel the tuner is on, or from
// the band's ends when the band has no channel there.
TEST_F(EmptyTv, WithoutAShownNumberTheStepStartsAtTheTunersChannelOrTheBandsEnd) {
  ASSERT_EQ(Tv().TunedChannel(), -1);  // 1 Hz is no channel of the band
  EXPECT_EQ(Tv().StartWithoutShownChannel(true), 1);
  EXPECT_EQ(Tv().StartWithoutShownChannel(false), 8);
  EXPECT_EQ(Tv().TuneWithoutStations(Tv().StartWithoutShownChannel(true), true), 4);
  EXPECT_EQ(Tv().TunedChannel(), 4);
  EXPECT_EQ(Tv().StartWithoutShownChannel(false), 4);
  EXPECT_EQ(Tv().TuneWithoutStations(Tv().StartWithoutShownChannel(false), false), 7);
  EXPECT_EQ(Tv().TunedChannel(), 7);
  EXPECT_TRUE(rig.context.beeps.empty());
  ASSERT_TRUE(Tv().SetActiveBand(nullptr));
  EXPECT_EQ(Tv().StartWithoutShownChannel(true), -1);
}

TEST_F(EmptyTv, NothingQualifiesBeeps) {
  hz[2] = hz[3] = hz[5] = 0;
  EXPECT_EQ(Tv().TuneWithoutStations(4, true), -1);
  EXPECT_EQ(rig.context.beeps, std::vector<uint32_t>{32});
  EXPECT_EQ(Tv().TuneWithoutStations(-1, true), -1);  // no number shown: silently nothing
  EXPECT_EQ(rig.context.beeps.size(), 1u);
}

TEST(TunerBand, OnlyTheTvKindTakesANewBand) {
  uint32_t hz[1] = {1};
  ChannelBand band{1, 1, hz};
  TunerSetup s = TvChannels();
  s.kind = 2;
  Rig tv(false, s);
  tv.control->SetActiveBand(&band);
  EXPECT_EQ(tv.control->ActiveBand(), nullptr);
  s.kind = 1;
  Rig tv1(false, s);
  EXPECT_TRUE(tv1.control->SetActiveBand(&band));
  EXPECT_EQ(tv1.control->ActiveBand(), &band);
}

TEST(TunerBand, TvStartsWithTheCountrysBandForTheSource) {
  TempFolder folder;
  FakeContext context(folder.Path());  // country 49, source 0
  context.autoScan = true;             // answer No: no default fill needed
  TvTunerControl tv(nullptr, context, MakeFactory(TvChannels(), nullptr, nullptr));
  ASSERT_TRUE(tv.Activate());
  ASSERT_NE(CountryTable::TunerBand(49, 0), nullptr);
  EXPECT_EQ(tv.ActiveBand(), CountryTable::TunerBand(49, 0));

  // A list scanned on "U.S.A. (HRC)" keeps its plan after a restart; code 1 alone would
  // start on Bahamas' plan.
  TempFolder usa;
  FakeContext hrc(usa.Path());
  hrc.autoScan = true;
  hrc.country = 1;
  hrc.country1 = 54;
  TvTunerControl restarted(nullptr, hrc, MakeFactory(TvChannels(), nullptr, nullptr));
  ASSERT_TRUE(restarted.Activate());
  ASSERT_NE(restarted.ActiveBand(), nullptr);
  EXPECT_EQ(restarted.ActiveBand()->FrequencyOf(5), 78'000'000u);
}

}  // namespace
}  // namespace vd::test
