// The virtual box's property sets as the tuner and device-access modules use them.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "vd/device_enumerator.h"
#include "vd/device_props.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"

namespace vd {
namespace {

class PropertySetTest : public ::testing::Test {
 protected:
  PropertySetTest() : box_(std::make_shared<VirtualTvBox>(VirtualBoxConfig{})) {
    box_->SetLockTime(std::chrono::milliseconds(0));
    enumerator_.AddBackend(std::make_unique<VirtualBoxBackend>(box_));
    device_ = enumerator_.OpenVideoInput(0);
    props_.reset(device_->QueryPropertySet());
  }

  HResult SetU32(const Guid& set, uint32_t id, uint32_t v) {
    return props_->Set(set, id, nullptr, 0, &v, 4);
  }
  uint32_t GetU32(const Guid& set, uint32_t id, HResult* hr = nullptr) {
    uint32_t v = 0xDEADBEEF;
    HResult r = props_->Get(set, id, nullptr, 0, &v, 4, nullptr);
    if (hr != nullptr) *hr = r;
    return v;
  }
  HResult WriteRegister(uint32_t reg, uint8_t value) {
    return props_->Set(kPropSetAsic, kAsicPropRegister, &reg, 4, &value, 1);
  }
  uint8_t ReadRegister(uint32_t reg) {
    uint8_t v = 0xEE;
    EXPECT_EQ(props_->Get(kPropSetAsic, kAsicPropRegister, &reg, 4, &v, 1, nullptr), kSOk);
    return v;
  }

  std::shared_ptr<VirtualTvBox> box_;
  DeviceEnumerator enumerator_;
  std::unique_ptr<CaptureDevice> device_;
  KsPropertySetPtr props_;
};

TEST_F(PropertySetTest, TunerHasTvAndRadioRanges) {
  EXPECT_EQ(GetU32(kPropSetTuner, kTunerPropCaps), kTunerCapTv | kTunerCapRadio);
  for (uint32_t mode : {kTunerModeTv, kTunerModeRadio}) {
    TunerRange range{};
    uint32_t returned = 0;
    ASSERT_EQ(
        props_->Get(kPropSetTuner, kTunerPropRange, &mode, 4, &range, sizeof range, &returned),
        kSOk);
    EXPECT_EQ(returned, sizeof range);
    if (mode == kTunerModeRadio) {
      EXPECT_EQ(range.minHz, 87500000u);
      EXPECT_EQ(range.maxHz, 108000000u);
      EXPECT_EQ(range.stepHz, 50000u);
    } else {
      EXPECT_LE(range.minHz, 44250000u);   // lowest carrier of the plans
      EXPECT_GE(range.maxHz, 864250000u);  // highest carrier of the plans
    }
  }
  uint32_t badMode = 3;
  TunerRange range{};
  EXPECT_EQ(props_->Get(kPropSetTuner, kTunerPropRange, &badMode, 4, &range, sizeof range, nullptr),
            kEInvalidArg);
}

TEST_F(PropertySetTest, SignalOnlyOnAStation) {
  ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 471250000), kSOk);
  EXPECT_EQ(GetU32(kPropSetTuner, kTunerPropFrequency), 471250000u);
  EXPECT_EQ(GetU32(kPropSetTuner, kTunerPropSignal), 1u);
  // Fine tuning by 50 kHz keeps the station; 1 MHz off loses it.
  ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 471300000), kSOk);
  EXPECT_EQ(GetU32(kPropSetTuner, kTunerPropSignal), 1u);
  ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 472250000), kSOk);
  EXPECT_EQ(GetU32(kPropSetTuner, kTunerPropSignal), 0u);
}

TEST_F(PropertySetTest, RadioFindsTheFmStationsOnlyOnTheirStep) {
  ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropMode, kTunerModeRadio), kSOk);
  EXPECT_EQ(GetU32(kPropSetTuner, kTunerPropMode), kTunerModeRadio);
  int found = 0;
  for (uint32_t hz = 87500000; hz <= 108000000; hz += 50000) {
    ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, hz), kSOk);
    found += GetU32(kPropSetTuner, kTunerPropSignal) != 0 ? 1 : 0;
  }
  EXPECT_GE(found, 6);
  EXPECT_EQ(found, static_cast<int>(box_->Sky().FmStations().size()));
  ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 98100000), kSOk);
  EXPECT_EQ(GetU32(kPropSetTuner, kTunerPropSignal), 1u);
  ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 98150000), kSOk);
  EXPECT_EQ(GetU32(kPropSetTuner, kTunerPropSignal), 0u);
}

TEST_F(PropertySetTest, ModeChangeReturnsToThatModesLastFrequency) {
  ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 175250000), kSOk);
  ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropMode, kTunerModeRadio), kSOk);
  ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 94900000), kSOk);
  ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropMode, kTunerModeTv), kSOk);
  EXPECT_EQ(GetU32(kPropSetTuner, kTunerPropFrequency), 175250000u);
  ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropMode, kTunerModeRadio), kSOk);
  EXPECT_EQ(GetU32(kPropSetTuner, kTunerPropFrequency), 94900000u);
  EXPECT_EQ(SetU32(kPropSetTuner, kTunerPropMode, 0), kEInvalidArg);
}

TEST_F(PropertySetTest, FrequencyOutsideTheModesRangeFailsAndKeepsTheOldOne) {
  ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 55250000), kSOk);
  EXPECT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 43000000), kEInvalidArg);
  EXPECT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 900000000), kEInvalidArg);
  EXPECT_EQ(GetU32(kPropSetTuner, kTunerPropFrequency), 55250000u);
  ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropMode, kTunerModeRadio), kSOk);
  EXPECT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 87450000), kEInvalidArg);
  EXPECT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 108050000), kEInvalidArg);
  EXPECT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 108000000), kSOk);
}

TEST_F(PropertySetTest, SignalAnswersOnlyAfterTheLockTime) {
  // The box settles no sooner than the lock time after `start`. A look at the lock counts
  // only when it was over within that time: a machine stalled past it tunes and looks again.
  const auto lock = std::chrono::milliseconds(1000);
  box_->SetLockTime(lock);
  bool locked = true;
  bool lookedInTime = false;
  auto start = std::chrono::steady_clock::now();
  for (int attempt = 0; attempt < 5 && !lookedInTime; ++attempt) {
    start = std::chrono::steady_clock::now();
    ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 471250000), kSOk);
    ASSERT_EQ(device_->HorizontalLocked(&locked), kSOk);
    lookedInTime = std::chrono::steady_clock::now() - start < lock;
  }
  ASSERT_TRUE(lookedInTime) << "never looked within the lock time";
  // The picture is not locked yet right after tuning...
  EXPECT_FALSE(locked);
  // ...and the signal query waits for the tuner to settle, then finds the station.
  EXPECT_EQ(GetU32(kPropSetTuner, kTunerPropSignal), 1u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, lock);
  ASSERT_EQ(device_->HorizontalLocked(&locked), kSOk);
  EXPECT_TRUE(locked);
}

TEST_F(PropertySetTest, SignalLossFaultSilencesEveryStation) {
  ASSERT_EQ(SetU32(kPropSetTuner, kTunerPropFrequency, 471250000), kSOk);
  box_->SetFaults({.signalLoss = true});
  EXPECT_EQ(GetU32(kPropSetTuner, kTunerPropSignal), 0u);
  bool locked = true;
  ASSERT_EQ(device_->HorizontalLocked(&locked), kSOk);
  EXPECT_FALSE(locked);
  box_->SetFaults({});
  EXPECT_EQ(GetU32(kPropSetTuner, kTunerPropSignal), 1u);
}

TEST_F(PropertySetTest, RegistersHoldWhatIsWritten) {
  ASSERT_EQ(WriteRegister(0x20, 0xA5), kSOk);
  EXPECT_EQ(ReadRegister(0x20), 0xA5);
  uint32_t reg = 256;
  uint8_t v = 0;
  EXPECT_EQ(props_->Set(kPropSetAsic, kAsicPropRegister, &reg, 4, &v, 1), kEInvalidArg);
  // A missing register number is refused, not read from a null pointer.
  EXPECT_EQ(props_->Get(kPropSetAsic, kAsicPropRegister, nullptr, 0, &v, 1, nullptr), kEInvalidArg);
}

TEST_F(PropertySetTest, I2cReachesTheDeviceAtC2Only) {
  const uint8_t write[] = {0xC2, 0x10, 0x11, 0x22, 0x33};
  ASSERT_EQ(props_->Set(kPropSetI2c, kI2cPropWrite, nullptr, 0, write, sizeof write), kSOk);
  const uint8_t instance[] = {0xC2, 0x10, 3};
  uint8_t data[4] = {0, 0, 0, 0x77};
  uint32_t returned = 0;
  ASSERT_EQ(props_->Get(kPropSetI2c, kI2cPropRead, instance, 3, data, 3, &returned), kSOk);
  EXPECT_EQ(returned, 3u);
  EXPECT_EQ(data[0], 0x11);
  EXPECT_EQ(data[1], 0x22);
  EXPECT_EQ(data[2], 0x33);
  EXPECT_EQ(data[3], 0x77);  // nothing past the count
  const uint8_t nobody[] = {0xA0, 0x00, 1};
  EXPECT_EQ(props_->Get(kPropSetI2c, kI2cPropRead, nobody, 3, data, 1, nullptr), kEFail);
  const uint8_t nobodyWrite[] = {0xA0, 0x00, 0x01};
  EXPECT_EQ(props_->Set(kPropSetI2c, kI2cPropWrite, nullptr, 0, nobodyWrite, 3), kEFail);
  // A buffer smaller than the count asked for is refused.
  EXPECT_EQ(props_->Get(kPropSetI2c, kI2cPropRead, instance, 3, data, 2, nullptr), kEInvalidArg);
}

TEST_F(PropertySetTest, UnknownSetsAndIdsAreNotSupported) {
  constexpr Guid kUnknown = MakeGuid("{00000000-1111-2222-3333-444444444444}");
  uint32_t v = 0, support = 0;
  EXPECT_EQ(props_->Get(kUnknown, 0, nullptr, 0, &v, 4, nullptr), kEPropSetUnsupported);
  EXPECT_EQ(props_->Set(kUnknown, 0, nullptr, 0, &v, 4), kEPropSetUnsupported);
  EXPECT_EQ(props_->QuerySupported(kUnknown, 0, &support), kEPropSetUnsupported);
  EXPECT_EQ(props_->Get(kPropSetProduct, 1, nullptr, 0, &v, 4, nullptr), kEPropIdUnsupported);
  EXPECT_EQ(props_->QuerySupported(kPropSetProduct, 1, &support), kEPropIdUnsupported);
  EXPECT_EQ(props_->Get(kPropSetTuner, 99, nullptr, 0, &v, 4, nullptr), kEPropIdUnsupported);
  EXPECT_EQ(props_->Get(kPropSetAsic, 5, nullptr, 0, &v, 4, nullptr), kEPropIdUnsupported);
  // Read-only properties refuse a Set as unsupported, not as success.
  EXPECT_EQ(SetU32(kPropSetProduct, kProductPropId, 1), kEPropIdUnsupported);
  EXPECT_EQ(SetU32(kPropSetTuner, kTunerPropSignal, 1), kEPropIdUnsupported);
  // The pin set belongs to pins, not to the filter.
  EXPECT_EQ(props_->Get(kPropSetPin, 0, nullptr, 0, &v, 4, nullptr), kEPropSetUnsupported);
}

TEST_F(PropertySetTest, ShortOrMissingBuffersAreRefused) {
  uint16_t small = 0;
  EXPECT_EQ(props_->Get(kPropSetProduct, kProductPropId, nullptr, 0, &small, 2, nullptr),
            kEInvalidArg);
  EXPECT_EQ(props_->Get(kPropSetProduct, kProductPropId, nullptr, 0, nullptr, 4, nullptr),
            kEPointer);
  EXPECT_EQ(props_->Set(kPropSetTuner, kTunerPropFrequency, nullptr, 0, &small, 2), kEInvalidArg);
}

}  // namespace
}  // namespace vd
