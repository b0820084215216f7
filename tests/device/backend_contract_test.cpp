// What every device back-end promises the capture engine and the libraries. Each back-end
// joins the typed suite with a traits type that makes it (and, for the plug tests, pulls
// its device out and puts it back).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "pipeline_probe.h"
#include "v4l2_contract_traits.h"
#include "vd/device_backend.h"
#include "vd/device_props.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"

namespace vd {
namespace {

struct VirtualBoxTraits {
  static VirtualBoxConfig Config() { return {}; }
  std::shared_ptr<VirtualTvBox> box = std::make_shared<VirtualTvBox>(Config());
  std::unique_ptr<DeviceBackend> Make() { return std::make_unique<VirtualBoxBackend>(box); }
  void Unplug() { box->Unplug(); }
  void Plug() { box->Plug(); }
};

// The same box without the pins a device may lack.
struct BareVirtualBoxTraits {
  static VirtualBoxConfig Config() {
    return VirtualBoxConfig::Parse("preview_pin = no\nstill_pin = no\nbulk_pin = no\n", "bare");
  }
  std::shared_ptr<VirtualTvBox> box = std::make_shared<VirtualTvBox>(Config());
  std::unique_ptr<DeviceBackend> Make() { return std::make_unique<VirtualBoxBackend>(box); }
  void Unplug() { box->Unplug(); }
  void Plug() { box->Plug(); }
};

template <typename Traits>
class BackendContractTest : public ::testing::Test {
 protected:
  BackendContractTest() : backend_(traits_.Make()) {}

  std::vector<DeviceInfo> All() {
    auto v = backend_->Devices(DeviceCategory::kVideoInput);
    auto a = backend_->Devices(DeviceCategory::kAudioInput);
    v.insert(v.end(), a.begin(), a.end());
    return v;
  }

  Traits traits_;
  std::unique_ptr<DeviceBackend> backend_;
};

using Backends = ::testing::Types<VirtualBoxTraits, BareVirtualBoxTraits, test::V4l2FakeTraits>;
TYPED_TEST_SUITE(BackendContractTest, Backends);

TYPED_TEST(BackendContractTest, ListedDevicesOpenWithTheirOwnIdentity) {
  auto all = this->All();
  ASSERT_FALSE(this->backend_->Devices(DeviceCategory::kVideoInput).empty());
  std::set<std::string> paths;
  for (const DeviceInfo& info : all) {
    EXPECT_FALSE(info.friendlyName.empty());
    EXPECT_EQ(info.backend, this->backend_->Name());
    EXPECT_TRUE(paths.insert(info.path).second) << "path used twice: " << info.path;
    auto device = this->backend_->Open(info);
    ASSERT_NE(device, nullptr) << info.friendlyName;
    EXPECT_EQ(device->Info(), info);
    EXPECT_TRUE(device->IsConnected());
  }
  DeviceInfo stranger = all.front();
  stranger.backend = "nobody";
  EXPECT_EQ(this->backend_->Open(stranger), nullptr);
  stranger = all.front();
  stranger.path = "no-such-path";
  EXPECT_EQ(this->backend_->Open(stranger), nullptr);
}

TYPED_TEST(BackendContractTest, PinPropertySetsAnswerTheListedCategory) {
  for (const DeviceInfo& info : this->All()) {
    auto device = this->backend_->Open(info);
    auto pins = device->Pins();
    ASSERT_FALSE(pins.empty());
    for (size_t i = 0; i < pins.size(); ++i) {
      const KsPropertySetPtr props(device->QueryPinPropertySet(i));
      ASSERT_NE(props, nullptr);
      uint8_t bytes[16];
      ASSERT_EQ(props->Get(kPropSetPin, 0, nullptr, 0, bytes, 16, nullptr), kSOk);
      auto expected = pins[i].category.Bytes();
      EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes)) << pins[i].name;
    }
  }
}

TYPED_TEST(BackendContractTest, PropertySetsRefuseWhatTheyDoNotKnow) {
  constexpr Guid kStranger = MakeGuid("{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
  for (const DeviceInfo& info : this->All()) {
    auto device = this->backend_->Open(info);
    const KsPropertySetPtr props(device->QueryPropertySet());
    if (props == nullptr) continue;
    uint32_t v = 0, support = 0;
    EXPECT_EQ(props->Get(kStranger, 0, nullptr, 0, &v, 4, nullptr), kEPropSetUnsupported);
    EXPECT_EQ(props->Set(kStranger, 0, nullptr, 0, &v, 4), kEPropSetUnsupported);
    EXPECT_EQ(props->QuerySupported(kStranger, 0, &support), kEPropSetUnsupported);
    EXPECT_EQ(props->QuerySupported(kPropSetProduct, 0x7FFF, &support), kEPropIdUnsupported);
  }
}

TYPED_TEST(BackendContractTest, MissingFacilitiesAnswerNoInterface) {
  for (const DeviceInfo& info : this->All()) {
    auto device = this->backend_->Open(info);
    int32_t a = 0, b = 0;
    uint32_t u = 0;
    bool locked = false;
    AmpRange range;
    if (!device->HasFacility(DeviceFacility::kCrossbar)) {
      EXPECT_EQ(device->CrossbarPinCounts(&a, &b), kENoInterface);
    }
    if (!device->HasFacility(DeviceFacility::kAnalogVideoDecoder)) {
      EXPECT_EQ(device->TvFormat(&u), kENoInterface);
      EXPECT_EQ(device->HorizontalLocked(&locked), kENoInterface);
    }
    if (!device->HasFacility(DeviceFacility::kVideoProcAmp)) {
      EXPECT_EQ(device->GetAmpRange(AmpProperty::kBrightness, &range), kENoInterface);
    }
    if (!device->HasPin(PinKind::kStill)) {
      EXPECT_EQ(device->GetVideoControlMode(&u), kENoInterface);
    }
    for (PinKind kind : {PinKind::kCapture, PinKind::kPreview, PinKind::kStill,
                         PinKind::kAudioPreview, PinKind::kAudioCapture, PinKind::kBulk}) {
      if (!device->HasPin(kind)) {
        EXPECT_EQ(device->CreateSourceBin(kind), nullptr);
      }
    }
  }
}

TYPED_TEST(BackendContractTest, EveryStreamingPinDeliversWithinSeconds) {
  for (const DeviceInfo& info : this->All()) {
    auto device = this->backend_->Open(info);
    for (PinKind kind : {PinKind::kCapture, PinKind::kPreview, PinKind::kAudioPreview,
                         PinKind::kAudioCapture, PinKind::kBulk}) {
      if (!device->HasPin(kind)) continue;
      GstElement* bin = device->CreateSourceBin(kind);
      ASSERT_NE(bin, nullptr) << info.friendlyName;
      test::PipelineProbe probe(bin);
      ASSERT_TRUE(probe.Linked());
      EXPECT_FALSE(probe.PullBytes().empty())
          << info.friendlyName << " pin " << static_cast<int>(kind);
    }
  }
}

TYPED_TEST(BackendContractTest, VideoFormatsRoundTrip) {
  for (const DeviceInfo& info : this->backend_->Devices(DeviceCategory::kVideoInput)) {
    auto device = this->backend_->Open(info);
    std::vector<VideoFormat> caps;
    ASSERT_EQ(device->VideoFormatCaps(PinKind::kCapture, &caps), kSOk);
    ASSERT_FALSE(caps.empty());
    for (const VideoFormat& f : caps) {
      ASSERT_EQ(device->SetVideoFormat(PinKind::kCapture, f), kSOk);
      VideoFormat got;
      ASSERT_EQ(device->GetVideoFormat(PinKind::kCapture, &got), kSOk);
      EXPECT_EQ(got, f);
    }
  }
}

TYPED_TEST(BackendContractTest, RemovalAndArrivalReachTheCallback) {
  std::vector<std::pair<std::string, bool>> events;
  this->backend_->SetChangeCallback(
      [&](const DeviceInfo& d, bool arrived) { events.emplace_back(d.path, arrived); });
  auto before = this->backend_->Devices(DeviceCategory::kVideoInput);
  auto device = this->backend_->Open(before.front());
  this->traits_.Unplug();
  EXPECT_FALSE(device->IsConnected());
  EXPECT_LT(this->backend_->Devices(DeviceCategory::kVideoInput).size(), before.size());
  this->traits_.Plug();
  EXPECT_EQ(this->backend_->Devices(DeviceCategory::kVideoInput), before);
  this->backend_->SetChangeCallback({});
  ASSERT_FALSE(events.empty());
  EXPECT_TRUE(std::any_of(events.begin(), events.end(), [&](const auto& e) {
    return e.first == before.front().path && !e.second;
  }));
  EXPECT_TRUE(std::any_of(events.begin(), events.end(), [&](const auto& e) {
    return e.first == before.front().path && e.second;
  }));
}

}  // namespace
}  // namespace vd
