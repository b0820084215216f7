#include <dlfcn.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "fake_device.h"
#include "frequency_plans.h"
#include "kxtuner.h"

namespace vd {
namespace {

using test::DeviceRef;

constexpr uint32_t kUnionSize = 632;

class KXTunerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = dlopen(KXTUNER_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module_, nullptr) << dlerror();
    factory_ = reinterpret_cast<NewKXTunerFn>(dlsym(module_, KXTUNER_FACTORY_NAME));
    ASSERT_NE(factory_, nullptr);
  }
  void TearDown() override {
    if (tuner_ != nullptr) tuner_->Destroy(1);
    if (module_ != nullptr) dlclose(module_);
  }

  KXTuner* Open() {
    EXPECT_EQ(factory_(dev_.get(), &tuner_), 0);
    dev_->tunerCalls.clear();
    return tuner_;
  }

  void* module_ = nullptr;
  NewKXTunerFn factory_ = nullptr;
  DeviceRef dev_;
  KXTuner* tuner_ = nullptr;
};

TEST_F(KXTunerTest, TheModuleExportsOnlyItsFactory) {
  EXPECT_EQ(dlsym(module_, "_ZN2vd13TvChannelList11FrequenciesEv"), nullptr);
  EXPECT_EQ(dlsym(module_, "_ZN11CountryTable6RecordEi"), nullptr);
  // What the viewer meets when the module or the export is missing.
  EXPECT_EQ(dlopen("/nonexistent/libkxtuner.so", RTLD_NOW), nullptr);
  EXPECT_NE(dlerror(), nullptr);
  void* other = dlopen(QUILLANE_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(other, nullptr) << dlerror();
  EXPECT_EQ(dlsym(other, KXTUNER_FACTORY_NAME), nullptr);
  dlclose(other);
}

TEST_F(KXTunerTest, FactoryRefusesNullsAndDevicesWithoutTuner) {
  KXTuner* t = reinterpret_cast<KXTuner*>(0x1);
  EXPECT_NE(factory_(nullptr, &t), 0);
  EXPECT_EQ(t, nullptr);
  EXPECT_NE(factory_(dev_.get(), nullptr), 0);
  dev_->hasTuner = false;
  t = reinterpret_cast<KXTuner*>(0x1);
  EXPECT_NE(factory_(dev_.get(), &t), 0);
  EXPECT_EQ(t, nullptr);
  EXPECT_EQ(dev_->refs, 1);
}

TEST_F(KXTunerTest, TheTunerHoldsTheDeviceUntilDestroyed) {
  ASSERT_EQ(factory_(dev_.get(), &tuner_), 0);
  EXPECT_EQ(dev_->refs, 2);
  tuner_->Destroy(1);
  tuner_ = nullptr;
  EXPECT_EQ(dev_->refs, 1);
}

TEST_F(KXTunerTest, TvStartsInTheViewersOrder) {
  KXTuner* t = Open();
  uint32_t caps = 0, kind = 0, min = 0, max = 0, step = 0, a = 7, b = 7, last = 0, index = 9;
  ASSERT_EQ(t->GetTunerCaps(&caps), 0);
  EXPECT_EQ(caps & 1u, 1u);
  ASSERT_EQ(t->SetTunerMode(1), 0);
  ASSERT_EQ(t->GetTunerKind(&kind), 0);
  EXPECT_EQ(kind, 1u);
  ASSERT_EQ(t->GetModeInfo(1, &min, &max, &step, &a, &b), 0);
  EXPECT_EQ(min, 44'000'000u);
  EXPECT_EQ(max, 870'000'000u);
  EXPECT_EQ(step, 62'500u);
  EXPECT_EQ(a, 0u);
  EXPECT_EQ(b, 0u);
  ASSERT_EQ(t->GetChannelCount(&last), 0);
  EXPECT_EQ(last, kUnionSize - 1);
  ASSERT_EQ(t->SetChannel(0), 0);
  ASSERT_EQ(t->GetChannel(&index), 0);
  EXPECT_EQ(index, 0u);
  EXPECT_EQ(dev_->mode, 1u);
  EXPECT_EQ(dev_->frequency, 44'250'000u);  // the lowest frequency of any plan
  EXPECT_EQ(dev_->tunerCalls.front(), "get caps");
  EXPECT_EQ(dev_->tunerCalls[1], "set mode 1");
  EXPECT_EQ(dev_->tunerCalls[2], "get range 1");
  EXPECT_EQ(dev_->tunerCalls.back(), "set frequency 44250000");
}

TEST_F(KXTunerTest, RadioStartsInTheViewersOrder) {
  KXTuner* t = Open();
  uint32_t caps = 0, last = 0, kind = 0, min = 0, max = 0, width = 0, hz = 0;
  ASSERT_EQ(t->GetTunerCaps(&caps), 0);
  EXPECT_EQ(caps & 2u, 2u);
  ASSERT_EQ(t->GetChannelCount(&last), 0);
  ASSERT_EQ(t->SetTunerMode(2), 0);
  ASSERT_EQ(t->GetTunerKind(&kind), 0);
  EXPECT_NE(kind, 1u) << "radio stations are not named by channel number";
  ASSERT_EQ(t->GetModeInfo(2, &min, &max, &width, nullptr, nullptr), 0);
  EXPECT_EQ(min / width, 1750u);
  EXPECT_EQ(max / width, 2160u);
  ASSERT_EQ(t->SetFrequency(min / width * width), 0);
  ASSERT_EQ(t->GetFrequency(&hz), 0);
  EXPECT_EQ(hz, 87'500'000u);
  ASSERT_EQ(t->SetFrequency(1962 * width), 0);
  EXPECT_EQ(dev_->frequency, 98'100'000u);
  EXPECT_EQ(dev_->mode, 2u);
}

TEST_F(KXTunerTest, ChannelTableIsTheSortedUnionOfAllPlans) {
  KXTuner* t = Open();
  ASSERT_EQ(t->SetTunerMode(1), 0);
  std::vector<uint32_t> table;
  for (uint32_t i = 0; i < kUnionSize; ++i) {
    ASSERT_EQ(t->SetChannel(i), 0) << i;
    uint32_t hz = 0;
    ASSERT_EQ(t->GetFrequency(&hz), 0);
    if (!table.empty()) {
      EXPECT_GT(hz, table.back()) << "index " << i;
    }
    table.push_back(hz);
  }
  // Every channel of every plan is reachable, and its frequency finds its index again.
  size_t checked = 0;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const ChannelBand& band = FrequencyPlans::Plan(letter);
    for (uint32_t n = band.first; n <= band.last; ++n) {
      const uint32_t hz = band.FrequencyOf(n);
      if (hz == 0) continue;
      ASSERT_TRUE(std::binary_search(table.begin(), table.end(), hz)) << letter << n;
      ASSERT_EQ(t->SetFrequency(hz), 0);
      uint32_t index = 0;
      ASSERT_EQ(t->GetChannel(&index), 0);
      EXPECT_EQ(table[index], hz);
      ++checked;
    }
  }
  EXPECT_GT(checked, kUnionSize);
}

TEST_F(KXTunerTest, IndexBeyondTheTableAndFrequenciesOutOfRangeFail) {
  KXTuner* t = Open();
  ASSERT_EQ(t->SetTunerMode(1), 0);
  ASSERT_EQ(t->SetChannel(5), 0);
  const uint32_t before = dev_->frequency;
  EXPECT_NE(t->SetChannel(kUnionSize), 0);
  EXPECT_NE(t->SetChannel(0xFFFFFFFFu), 0);
  EXPECT_EQ(dev_->frequency, before);
  uint32_t index = 0;
  ASSERT_EQ(t->GetChannel(&index), 0);
  EXPECT_EQ(index, 5u);
  EXPECT_EQ(t->SetChannel(kUnionSize - 1), 0);

  ASSERT_EQ(t->SetTunerMode(2), 0);
  EXPECT_NE(t->SetFrequency(87'450'000), 0);
  EXPECT_NE(t->SetFrequency(108'050'000), 0);
  EXPECT_EQ(t->SetFrequency(108'000'000), 0);
  // A device that does not check its range still cannot be tuned off it.
  dev_->checksRange = false;
  EXPECT_NE(t->SetFrequency(150'000'000), 0);
  EXPECT_NE(t->SetFrequency(108'050'000), 0);
  EXPECT_NE(t->SetFrequency(87'450'000), 0);
  EXPECT_EQ(dev_->frequency, 108'000'000u);
}

TEST_F(KXTunerTest, SignalIsReadAtTheAskedFrequency) {
  KXTuner* t = Open();
  ASSERT_EQ(t->SetTunerMode(1), 0);
  ASSERT_EQ(t->SetChannel(40), 0);
  const uint32_t station = dev_->frequency;
  dev_->stations.insert(station);
  dev_->stations.insert(98'100'000);
  ASSERT_EQ(t->SetChannel(3), 0);
  uint32_t present = 7;
  ASSERT_EQ(t->GetChannelSignal(40, &present), 0);
  EXPECT_EQ(present, 0xFFFFu);  // a device that only says yes or no: full strength
  ASSERT_EQ(t->GetChannelSignal(41, &present), 0);
  EXPECT_EQ(present, 0u);
  EXPECT_NE(t->GetChannelSignal(kUnionSize, &present), 0);

  ASSERT_EQ(t->SetTunerMode(2), 0);
  ASSERT_EQ(t->SetFrequency(88'100'000), 0);
  ASSERT_EQ(t->GetRadioSignal(98'100'000, &present), 0);
  EXPECT_EQ(present, 0xFFFFu);
  EXPECT_EQ(dev_->frequency, 98'100'000u);
  ASSERT_EQ(t->GetRadioSignal(98'150'000, &present), 0);
  EXPECT_EQ(present, 0u);
  EXPECT_NE(t->GetRadioSignal(120'000'000, &present), 0);
  EXPECT_EQ(present, 0u);

  dev_->signalFails = true;
  present = 7;
  EXPECT_NE(t->GetRadioSignal(98'100'000, &present), 0);
  EXPECT_EQ(present, 0u);
}

TEST_F(KXTunerTest, DeviceFailuresAndNullOutputsGiveStatuses) {
  KXTuner* t = Open();
  EXPECT_NE(t->GetTunerCaps(nullptr), 0);
  EXPECT_NE(t->GetFrequency(nullptr), 0);
  EXPECT_NE(t->GetChannelCount(nullptr), 0);
  EXPECT_NE(t->GetChannel(nullptr), 0);
  EXPECT_NE(t->GetTunerKind(nullptr), 0);
  EXPECT_NE(t->GetRadioSignal(98'100'000, nullptr), 0);
  uint32_t x = 0;
  EXPECT_NE(t->GetModeInfo(3, &x, &x, &x, &x, &x), 0);
  EXPECT_NE(t->GetModeInfo(1, nullptr, &x, &x, &x, &x), 0);
  EXPECT_NE(t->SetTunerMode(0), 0);
  EXPECT_NE(t->SetTunerMode(3), 0);
  EXPECT_NE(t->Reserved7(), 0);
  dev_->hasTuner = false;  // the device went away under the tuner
  EXPECT_NE(t->GetTunerCaps(&x), 0);
  EXPECT_NE(t->SetChannel(0), 0);
  EXPECT_NE(t->SetTunerMode(1), 0);
}

}  // namespace
}  // namespace vd
