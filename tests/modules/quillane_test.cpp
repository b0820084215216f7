#include "quillane.h"

#include <gtest/gtest.h>

#include <vector>

#include "fake_device.h"

namespace vd {
namespace {

using test::DeviceRef;

TEST(QuillaneTest, NullArgumentsAndMissingPropertySetsFailWithoutCrashing) {
  AsicIo* asic = reinterpret_cast<AsicIo*>(0x1);
  I2cIo* i2c = reinterpret_cast<I2cIo*>(0x1);
  EXPECT_NE(NewKXAsicIo(nullptr, &asic), 0);
  EXPECT_EQ(asic, nullptr);
  EXPECT_NE(NewKXI2cIo(nullptr, &i2c), 0);
  EXPECT_EQ(i2c, nullptr);

  DeviceRef dev;
  EXPECT_NE(NewKXAsicIo(dev.get(), nullptr), 0);
  EXPECT_NE(NewKXI2cIo(dev.get(), nullptr), 0);

  dev->hasPropertySet = false;
  EXPECT_NE(NewKXAsicIo(dev.get(), &asic), 0);
  EXPECT_EQ(asic, nullptr);
  EXPECT_NE(NewKXI2cIo(dev.get(), &i2c), 0);

  // A property set without the register set still gives I2C, and the other way round.
  dev->hasPropertySet = true;
  dev->hasRegisters = false;
  EXPECT_NE(NewKXAsicIo(dev.get(), &asic), 0);
  EXPECT_EQ(asic, nullptr);
  EXPECT_EQ(NewKXI2cIo(dev.get(), &i2c), 0);
  EXPECT_NE(i2c, nullptr);
  DeviceRef noBus;
  noBus->hasI2c = false;
  EXPECT_NE(NewKXI2cIo(noBus.get(), &i2c), 0);
  EXPECT_EQ(noBus->refs, 1) << "a refused device keeps no reference";
}

TEST(QuillaneTest, RegistersAreReadAndWrittenThroughTheDevice) {
  DeviceRef dev;
  AsicIo* asic = nullptr;
  ASSERT_EQ(NewKXAsicIo(dev.get(), &asic), 0);
  ASSERT_NE(asic, nullptr);

  dev->registers[7] = 0x5A;
  uint8_t value = 0;
  EXPECT_EQ(asic->ReadRegisters(7, &value, 1), 0);
  EXPECT_EQ(value, 0x5A);

  const uint8_t two = 2;
  EXPECT_EQ(asic->WriteRegisters(6, &two, 1), 0);
  EXPECT_EQ(dev->registers[6], 2);

  const uint8_t three[3] = {1, 2, 3};
  EXPECT_EQ(asic->WriteRegisters(0x20, three, 3), 0);
  uint8_t back[3] = {};
  EXPECT_EQ(asic->ReadRegisters(0x20, back, 3), 0);
  EXPECT_EQ(back[0], 1);
  EXPECT_EQ(back[2], 3);
  EXPECT_EQ(dev->registers[0x22], 3);
}

TEST(QuillaneTest, RegisterFailuresAreReported) {
  DeviceRef dev;
  AsicIo* asic = nullptr;
  ASSERT_EQ(NewKXAsicIo(dev.get(), &asic), 0);
  uint8_t bytes[2] = {9, 9};
  // The second register of the pair does not exist.
  EXPECT_NE(asic->ReadRegisters(0xFF, bytes, 2), 0);
  EXPECT_NE(asic->WriteRegisters(0x100, bytes, 1), 0);
  EXPECT_EQ(dev->registers.count(0x100), 0u);
  EXPECT_NE(asic->ReadRegisters(1, nullptr, 1), 0);
  EXPECT_NE(asic->WriteRegisters(1, nullptr, 1), 0);
}

TEST(QuillaneTest, I2cTransfersCarryDeviceRegisterAndValues) {
  DeviceRef dev;
  I2cIo* i2c = nullptr;
  ASSERT_EQ(NewKXI2cIo(dev.get(), &i2c), 0);
  const uint8_t write[4] = {0x10, 0xA1, 0xB2, 0xC3};
  EXPECT_EQ(i2c->Write(0xC2, write, 4), 0);
  EXPECT_EQ(dev->i2cDevices[0xC2][0x10], 0xA1);
  EXPECT_EQ(dev->i2cDevices[0xC2][0x12], 0xC3);

  uint8_t read[3] = {0x11, 0, 0};
  EXPECT_EQ(i2c->Read(0xC2, read, 3), 0);
  EXPECT_EQ(read[0], 0xB2);
  EXPECT_EQ(read[1], 0xC3);
  EXPECT_EQ(read[2], 0x00);

  // Nobody answers at 0x50: failure, and the caller's register byte stays.
  uint8_t nobody[2] = {0x10, 0x77};
  EXPECT_NE(i2c->Read(0x50, nobody, 2), 0);
  EXPECT_EQ(nobody[0], 0x10);
  EXPECT_EQ(nobody[1], 0x77);
  EXPECT_NE(i2c->Write(0x50, write, 4), 0);
  EXPECT_NE(i2c->Read(0xC2, read, 0), 0);
  EXPECT_NE(i2c->Read(0xC2, nullptr, 1), 0);
  EXPECT_NE(i2c->Write(0xC2, nullptr, 1), 0);
}

// Like the device layer: every query hands out a new property-set object of the device.
class FreshPropertySets final : public PropertySetSource {
 public:
  KsPropertySet* QueryPropertySet() override {
    made_.emplace_back(test::FakeDevice::Create());  // our reference
    made_.back()->AddRef();                          // the caller's
    return made_.back().get();
  }
  const std::vector<RefPtr<test::FakeDevice>>& Made() const { return made_; }

 private:
  std::vector<RefPtr<test::FakeDevice>> made_;
};

// Every preview build asks again: neither objects nor references to devices may pile up,
// and the objects reach the device asked for last.
TEST(QuillaneTest, AskingAgainKeepsOneObjectOfEachKindOnTheLatestDevice) {
  FreshPropertySets device;
  AsicIo* first = nullptr;
  I2cIo* firstBus = nullptr;
  for (int i = 0; i < 5; ++i) {
    AsicIo* asic = nullptr;
    I2cIo* bus = nullptr;
    ASSERT_EQ(NewKXAsicIo(&device, &asic), 0);
    ASSERT_EQ(NewKXI2cIo(&device, &bus), 0);
    if (i == 0) {
      first = asic;
      firstBus = bus;
    }
    EXPECT_EQ(asic, first);
    EXPECT_EQ(bus, firstBus);
  }
  // Each call queried one property set: only the last two are held, one by each object.
  const auto& made = device.Made();
  ASSERT_EQ(made.size(), 10u);
  for (size_t i = 0; i < made.size(); ++i) {
    EXPECT_EQ(made[i]->refs, i + 2 < made.size() ? 1 : 2) << "property set " << i;
  }

  // Another card: the same objects now reach it, and the old card is let go.
  DeviceRef other;
  AsicIo* otherAsic = nullptr;
  I2cIo* otherBus = nullptr;
  ASSERT_EQ(NewKXAsicIo(other.get(), &otherAsic), 0);
  ASSERT_EQ(NewKXI2cIo(other.get(), &otherBus), 0);
  EXPECT_EQ(otherAsic, first);
  EXPECT_EQ(otherBus, firstBus);
  EXPECT_EQ(made[8]->refs, 1);
  EXPECT_EQ(made[9]->refs, 1);
  EXPECT_EQ(other->refs, 1 + 2);
  const uint8_t v = 0x33;
  ASSERT_EQ(otherAsic->WriteRegisters(1, &v, 1), 0);
  EXPECT_EQ(other->registers[1], 0x33);
  EXPECT_EQ(made[8]->registers.count(1), 0u);
}

}  // namespace
}  // namespace vd
