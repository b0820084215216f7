// Enumeration, opening, pins and the product property of the virtual TV box.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "vd/device_enumerator.h"
#include "vd/device_props.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"

namespace vd {
namespace {

class EnumerationTest : public ::testing::Test {
 protected:
  explicit EnumerationTest(VirtualBoxConfig config = {})
      : box_(std::make_shared<VirtualTvBox>(std::move(config))) {
    enumerator_.AddBackend(std::make_unique<VirtualBoxBackend>(box_));
  }

  std::shared_ptr<VirtualTvBox> box_;
  DeviceEnumerator enumerator_;
};

TEST_F(EnumerationTest, ListsTheBoxAsVideoInputWithItsHardwareKey) {
  auto videos = enumerator_.VideoInputDevices();
  ASSERT_EQ(videos.size(), 1u);
  EXPECT_EQ(videos[0].friendlyName, "Brevant TV USB Video Capture");
  EXPECT_EQ(videos[0].hardwareKey, "USB\\VID_7A3E&PID_1311");
  EXPECT_EQ(videos[0].category, DeviceCategory::kVideoInput);
}

TEST_F(EnumerationTest, ListsTheBoxSoundAfterTheSoundCard) {
  auto audios = enumerator_.AudioInputDevices();
  ASSERT_EQ(audios.size(), 2u);
  EXPECT_EQ(audios[0].friendlyName, "Onboard Audio Line In");
  EXPECT_EQ(audios[1].friendlyName, "Brevant TV USB Audio Capture");
}

TEST_F(EnumerationTest, ProductPropertyAnswersTheProductId) {
  auto device = enumerator_.OpenVideoInput(0);
  ASSERT_NE(device, nullptr);
  const KsPropertySetPtr props(device->QueryPropertySet());
  ASSERT_NE(props, nullptr);
  uint32_t support = 0;
  EXPECT_EQ(props->QuerySupported(kPropSetProduct, kProductPropId, &support), kSOk);
  EXPECT_NE(support & kPropertySupportGet, 0u);
  uint32_t id = 0, returned = 0;
  EXPECT_EQ(props->Get(kPropSetProduct, kProductPropId, nullptr, 0, &id, 4, &returned), kSOk);
  EXPECT_EQ(id, 0x1311u);
  EXPECT_EQ(returned, 4u);
}

TEST_F(EnumerationTest, AudioDevicesHaveNoProductPropertySet) {
  auto line = enumerator_.OpenAudioInput(0);
  auto box = enumerator_.OpenAudioInput(1);
  ASSERT_NE(line, nullptr);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(line->QueryPropertySet(), nullptr);
  EXPECT_EQ(box->QueryPropertySet(), nullptr);
  EXPECT_FALSE(box->HasFacility(DeviceFacility::kCrossbar));
}

TEST_F(EnumerationTest, VideoDeviceHasEveryPinWithItsCategory) {
  auto device = enumerator_.OpenVideoInput(0);
  ASSERT_NE(device, nullptr);
  auto pins = device->Pins();
  auto find = [&](PinKind kind) {
    return std::find_if(pins.begin(), pins.end(), [&](const PinInfo& p) { return p.kind == kind; });
  };
  for (PinKind kind : {PinKind::kCapture, PinKind::kPreview, PinKind::kStill,
                       PinKind::kAudioPreview, PinKind::kAudioCapture, PinKind::kBulk}) {
    auto it = find(kind);
    ASSERT_NE(it, pins.end());
    EXPECT_EQ(it->direction, PinDirection::kOutput);
    EXPECT_EQ(it->category, PinCategoryOf(kind));
  }
  auto in = find(PinKind::kAnalogVideoIn);
  ASSERT_NE(in, pins.end());
  EXPECT_EQ(in->direction, PinDirection::kInput);
}

TEST_F(EnumerationTest, PinPropertySetGivesTheCategoryBytes) {
  auto device = enumerator_.OpenVideoInput(0);
  auto pins = device->Pins();
  auto bulk = std::find_if(pins.begin(), pins.end(),
                           [](const PinInfo& p) { return p.kind == PinKind::kBulk; });
  ASSERT_NE(bulk, pins.end());
  KsPropertySetPtr props(device->QueryPinPropertySet(bulk - pins.begin()));
  ASSERT_NE(props, nullptr);
  uint8_t bytes[16] = {};
  uint32_t returned = 0;
  ASSERT_EQ(props->Get(kPropSetPin, 0, nullptr, 0, bytes, sizeof bytes, &returned), kSOk);
  EXPECT_EQ(returned, 16u);
  auto expected = kPinCategoryBulk.Bytes();
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes));
  // Too small a buffer is refused, not overrun.
  EXPECT_EQ(props->Get(kPropSetPin, 0, nullptr, 0, bytes, 15, &returned), kEInvalidArg);
  props.reset();
  EXPECT_EQ(device->QueryPinPropertySet(pins.size()), nullptr);
}

class ConfiguredEnumerationTest : public EnumerationTest {
 protected:
  static VirtualBoxConfig Config() {
    return VirtualBoxConfig::Parse(
        "product_id = 0x1318\npreview_pin = no\nstill_pin = no\n"
        "bulk_pin = no\n",
        "test");
  }
  ConfiguredEnumerationTest() : EnumerationTest(Config()) {}
};

TEST_F(ConfiguredEnumerationTest, ProductIdAndMissingPinsFollowTheConfiguration) {
  auto videos = enumerator_.VideoInputDevices();
  ASSERT_EQ(videos.size(), 1u);
  EXPECT_EQ(videos[0].hardwareKey, "USB\\VID_7A3E&PID_1318");
  auto device = enumerator_.Open(videos[0]);
  ASSERT_NE(device, nullptr);
  EXPECT_TRUE(device->HasPin(PinKind::kCapture));
  EXPECT_FALSE(device->HasPin(PinKind::kPreview));
  EXPECT_FALSE(device->HasPin(PinKind::kStill));
  EXPECT_FALSE(device->HasPin(PinKind::kBulk));
  EXPECT_EQ(device->CreateSourceBin(PinKind::kBulk), nullptr);
  uint32_t mode = 0;
  EXPECT_EQ(device->GetVideoControlMode(&mode), kENoInterface);
}

TEST(DefaultEnumeratorTest, StartsWithTheSharedVirtualBox) {
  auto videos = DeviceEnumerator::Default().VideoInputDevices();
  ASSERT_FALSE(videos.empty());
  EXPECT_EQ(videos[0].backend, "virtual");
  EXPECT_EQ(videos[0].hardwareKey, VirtualTvBox::Shared()->HardwareKey());
}

}  // namespace
}  // namespace vd
