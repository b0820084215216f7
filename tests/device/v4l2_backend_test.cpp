// The V4L2 back-end against a scripted kernel and a fake sysfs: what it lists, how it
// tunes, and how it maps standards, inputs, controls and the sound-mode registers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "v4l2_fake_tree.h"
#include "vd/device_props.h"
#include "vd/v4l2_backend.h"
#include "vd/v4l2_fake_kernel.h"
#include "vd/v4l2_standards.h"

namespace vd {
namespace {

using test::FakeV4l2Card;
using test::FakeV4l2Kernel;
using test::FakeV4l2Tree;

// Kernel ABI values (linux/videodev2.h), spelled out so the table is checked, not echoed.
constexpr uint64_t kStdPalB = 0x1, kStdPalI = 0x10, kStdPalD = 0x20, kStdPalM = 0x100,
                   kStdPalN = 0x200, kStdPalNc = 0x400, kStdNtscM = 0x1000, kStdNtscMJp = 0x2000,
                   kStdSecamB = 0x10000, kStdSecamD = 0x20000, kStdSecamL = 0x400000;
constexpr uint32_t kAudmodeMono = 0, kAudmodeStereo = 1, kAudmodeLang2 = 2;

struct Props {
  KsPropertySetPtr p;
  explicit Props(CaptureDevice& d) : p(d.QueryPropertySet()) {}
  HResult SetU32(const Guid& set, uint32_t id, uint32_t v) {
    return p->Set(set, id, nullptr, 0, &v, 4);
  }
  HResult GetU32(const Guid& set, uint32_t id, uint32_t* v) {
    return p->Get(set, id, nullptr, 0, v, 4, nullptr);
  }
  HResult SetRegister(uint32_t reg, uint8_t value) {
    return p->Set(kPropSetAsic, kAsicPropRegister, &reg, 4, &value, 1);
  }
};

class V4l2BackendTest : public ::testing::Test {
 protected:
  // The product: tuner with radio, VBI, LIRC and sound on one USB device.
  FakeV4l2Card& AddTunerCard() {
    tree_.AddUsb(
        {.video = "video0", .radio = "radio0", .vbi = "vbi0", .lirc = "lirc0", .alsaCard = 1});
    FakeV4l2Card card;
    card.video = tree_.DevPath("video0");
    card.radio = tree_.DevPath("radio0");
    card.vbi = tree_.DevPath("vbi0");
    card.lirc = tree_.DevPath("lirc0");
    card.cardName = "Brevant TV USB";
    card.slicedTeletext = true;
    return kernel_->Add(card);
  }
  // Another maker's PCI card without a tuner.
  FakeV4l2Card& AddCompositeCard() {
    tree_.AddPci("video1", "109e", "036e");
    FakeV4l2Card card;
    card.video = tree_.DevPath("video1");
    card.cardName = "Grabber";
    card.tuner = false;
    card.inputs = {{"Composite0"}, {"SVideo"}};
    return kernel_->Add(card);
  }
  std::unique_ptr<V4l2Backend> Backend() {
    return std::make_unique<V4l2Backend>(tree_.Options(kernel_));
  }
  std::unique_ptr<CaptureDevice> OpenVideo(V4l2Backend& backend, const std::string& node) {
    for (const DeviceInfo& d : backend.Devices(DeviceCategory::kVideoInput))
      if (d.path == tree_.DevPath(node)) return backend.Open(d);
    return nullptr;
  }

  FakeV4l2Tree tree_;
  std::shared_ptr<FakeV4l2Kernel> kernel_ = std::make_shared<FakeV4l2Kernel>();
};

// --- enumeration

TEST_F(V4l2BackendTest, ListsCaptureNodesWithCardNamesAndBusKeys) {
  AddTunerCard();
  AddCompositeCard();
  tree_.AddBareNode("video10");  // a capture node sysfs does not know
  FakeV4l2Card bare;
  bare.video = tree_.DevPath("video10");
  bare.cardName = "Loose";
  kernel_->Add(bare);
  tree_.AddBareNode("video2");  // a metadata node: no capture
  FakeV4l2Card meta;
  meta.video = tree_.DevPath("video2");
  meta.videoCapture = false;
  kernel_->Add(meta);
  tree_.AddBareNode("video3");  // a node nobody answers

  auto backend = Backend();
  auto video = backend->Devices(DeviceCategory::kVideoInput);
  ASSERT_EQ(video.size(), 3u);
  EXPECT_EQ(video[0].friendlyName, "Brevant TV USB");
  EXPECT_EQ(video[0].hardwareKey, "USB\\VID_7A3E&PID_1311");
  EXPECT_EQ(video[1].friendlyName, "Grabber");
  EXPECT_EQ(video[1].hardwareKey, "PCI\\VEN_109E&DEV_036E");
  EXPECT_EQ(video[2].friendlyName, "Loose");  // video10 after video2 and video3
  EXPECT_EQ(video[2].hardwareKey, "");
  for (const DeviceInfo& d : video) EXPECT_EQ(d.backend, "v4l2");

  EXPECT_EQ(kernel_->OpenCount(), 0) << "enumeration leaves no node open";
  auto audio = backend->Devices(DeviceCategory::kAudioInput);
  ASSERT_EQ(audio.size(), 1u);  // only the USB card has a sound device
  EXPECT_EQ(audio[0].friendlyName, "Brevant TV USB Audio Capture");
  EXPECT_EQ(audio[0].hardwareKey, "USB\\VID_7A3E&PID_1311");
  auto sound = backend->Open(audio[0]);
  ASSERT_NE(sound, nullptr);
  EXPECT_TRUE(sound->HasPin(PinKind::kAudioCapture));
  EXPECT_FALSE(sound->HasFacility(DeviceFacility::kCrossbar));
  sound.reset();
  EXPECT_EQ(kernel_->OpenCount(), 0) << "the last device object closes the card's nodes";
}

// The kernel's test driver with n_devs=2 puts both instances below one platform device
// (vivid.0): video0, radio0, vbi0 report "platform:vivid-000", video4, radio2, vbi2
// "platform:vivid-001" (measured in the kernel tests' machine). Only the bus info each node
// reports tells whose radio and VBI node is whose.
TEST_F(V4l2BackendTest, TwoCardsOfOneDeviceKeepTheirOwnNodes) {
  tree_.AddPlatform("vivid.0", {"video0", "video4", "radio0", "radio2", "vbi0", "vbi2"});
  for (const auto& [video, radio, vbi, bus] :
       {std::tuple{"video0", "radio0", "vbi0", "platform:vivid-000"},
        std::tuple{"video4", "radio2", "vbi2", "platform:vivid-001"}}) {
    FakeV4l2Card card;
    card.video = tree_.DevPath(video);
    card.radio = tree_.DevPath(radio);
    card.vbi = tree_.DevPath(vbi);
    card.busInfo = bus;
    card.slicedTeletext = card.busInfo.back() == '1';  // so a VBI node taken wrong shows
    test::MakeVivid(card);
    kernel_->Add(card);
  }
  auto backend = Backend();
  auto video = backend->Devices(DeviceCategory::kVideoInput);
  ASSERT_EQ(video.size(), 2u);
  EXPECT_EQ(video[1].friendlyName, "vivid");
  EXPECT_EQ(video[1].driver, "vivid");
  EXPECT_EQ(video[0].busPath, "platform:vivid-000");
  EXPECT_EQ(video[1].busPath, "platform:vivid-001");
  EXPECT_EQ(video[0].nodes,
            std::vector<std::string>({tree_.DevPath("radio0"), tree_.DevPath("vbi0")}));
  EXPECT_EQ(video[1].nodes,
            std::vector<std::string>({tree_.DevPath("radio2"), tree_.DevPath("vbi2")}));

  auto second = backend->Open(video[1]);
  ASSERT_NE(second, nullptr);
  Props p(*second);
  ASSERT_EQ(p.SetU32(kPropSetTuner, kTunerPropMode, kTunerModeRadio), kSOk);
  ASSERT_EQ(p.SetU32(kPropSetTuner, kTunerPropFrequency, 98000000), kSOk);
  EXPECT_EQ(kernel_->Card(tree_.DevPath("video4"))->radioFrequency, 1568000u);
  EXPECT_EQ(kernel_->Card(tree_.DevPath("video0"))->radioFrequency, 0u) << "the first card's radio";
  EXPECT_TRUE(second->HasPin(PinKind::kBulk)) << "teletext from the first card's VBI node";
}

// The kernel's own test driver sits on the platform bus, and IR receivers often come apart
// from the card: neither may cost the card its radio, teletext or remote control.
TEST_F(V4l2BackendTest, PlatformCardKeepsItsNodesAndTakesASeparateIrReceiver) {
  tree_.AddPlatform("vivid.0", {"video0", "radio0", "vbi0"});
  tree_.AddPlatform("other.0", {"video1"});
  tree_.AddVirtualLirc("lirc0");
  FakeV4l2Card tv;
  tv.video = tree_.DevPath("video0");
  tv.radio = tree_.DevPath("radio0");
  tv.vbi = tree_.DevPath("vbi0");
  tv.lirc = tree_.DevPath("lirc0");
  tv.slicedTeletext = true;
  kernel_->Add(tv);
  FakeV4l2Card plain;
  plain.video = tree_.DevPath("video1");
  plain.lirc = tree_.DevPath("lirc0");
  kernel_->Add(plain);

  {
    auto backend = Backend();
    auto device = OpenVideo(*backend, "video0");
    ASSERT_NE(device, nullptr);
    Props p(*device);
    uint32_t caps = 0;
    ASSERT_EQ(p.GetU32(kPropSetTuner, kTunerPropCaps, &caps), kSOk);
    EXPECT_EQ(caps, kTunerCapTv | kTunerCapRadio) << "the radio node beside the video node";
    EXPECT_TRUE(device->HasPin(PinKind::kBulk)) << "sliced teletext on the VBI node beside it";
    auto other = OpenVideo(*backend, "video1");
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(other->HasPin(PinKind::kBulk))
        << "another platform device's nodes are not this card's";
  }
  auto options = tree_.Options(kernel_);
  options.irReceiver = tree_.DevPath("lirc0");
  V4l2Backend backend(options);
  std::unique_ptr<CaptureDevice> plainDevice;
  for (const DeviceInfo& d : backend.Devices(DeviceCategory::kVideoInput))
    if (d.path == tree_.DevPath("video1")) plainDevice = backend.Open(d);
  ASSERT_NE(plainDevice, nullptr);
  EXPECT_TRUE(plainDevice->HasPin(PinKind::kBulk))
      << "the chosen receiver gives the remote control";
}

TEST_F(V4l2BackendTest, NoCardsMeansNoDevices) {
  EXPECT_TRUE(Backend()->Devices(DeviceCategory::kVideoInput).empty());
  EXPECT_FALSE(V4l2Backend::AnyCardPresent(tree_.Options(kernel_)));
  AddCompositeCard();
  EXPECT_TRUE(V4l2Backend::AnyCardPresent(tree_.Options(kernel_)));
}

TEST_F(V4l2BackendTest, ProductPropertyOnlyForTheProductsVendor) {
  AddTunerCard();
  tree_.AddUsb({.video = "video5", .vendor = "2040", .product = "7200", .port = "1-2"});
  FakeV4l2Card other;
  other.video = tree_.DevPath("video5");
  kernel_->Add(other);
  auto backend = Backend();

  auto ours = OpenVideo(*backend, "video0");
  Props p(*ours);
  uint32_t support = 0, id = 0;
  ASSERT_EQ(p.p->QuerySupported(kPropSetProduct, kProductPropId, &support), kSOk);
  ASSERT_EQ(p.GetU32(kPropSetProduct, kProductPropId, &id), kSOk);
  EXPECT_EQ(id, 0x1311u);

  auto theirs = OpenVideo(*backend, "video5");
  Props q(*theirs);
  EXPECT_EQ(q.p->QuerySupported(kPropSetProduct, kProductPropId, &support), kEPropSetUnsupported);
  EXPECT_EQ(q.GetU32(kPropSetProduct, kProductPropId, &id), kEPropSetUnsupported);
}

// --- tuning

TEST_F(V4l2BackendTest, TvFrequencyInSixtyTwoAndAHalfKilohertzUnits) {
  FakeV4l2Card& card = AddTunerCard();
  auto backend = Backend();
  auto device = OpenVideo(*backend, "video0");
  Props p(*device);
  ASSERT_EQ(p.SetU32(kPropSetTuner, kTunerPropFrequency, 471250000), kSOk);
  EXPECT_EQ(card.tvFrequency, 7540u);
  uint32_t hz = 0;
  ASSERT_EQ(p.GetU32(kPropSetTuner, kTunerPropFrequency, &hz), kSOk);
  EXPECT_EQ(hz, 471250000u);
  // 55.26 MHz is not on the 62.5 kHz grid: the nearest step is taken.
  ASSERT_EQ(p.SetU32(kPropSetTuner, kTunerPropFrequency, 55260000), kSOk);
  EXPECT_EQ(card.tvFrequency, 884u);  // 55.250 MHz
}

TEST_F(V4l2BackendTest, LowUnitTunerAndRadioInSixtyTwoAndAHalfHertz) {
  FakeV4l2Card& card = AddTunerCard();
  card.tunerCapLow = true;
  card.tvLow = 44000000 * 2 / 125;
  card.tvHigh = 870000000 * 2 / 125;
  auto backend = Backend();
  auto device = OpenVideo(*backend, "video0");
  Props p(*device);
  ASSERT_EQ(p.SetU32(kPropSetTuner, kTunerPropFrequency, 471250000), kSOk);
  EXPECT_EQ(card.tvFrequency, 7540000u);

  ASSERT_EQ(p.SetU32(kPropSetTuner, kTunerPropMode, kTunerModeRadio), kSOk);
  ASSERT_EQ(p.SetU32(kPropSetTuner, kTunerPropFrequency, 98100000), kSOk);
  EXPECT_EQ(card.radioFrequency, 1569600u);
  EXPECT_EQ(card.tvFrequency, 7540000u) << "radio tuning goes to the radio node";
  uint32_t hz = 0;
  ASSERT_EQ(p.GetU32(kPropSetTuner, kTunerPropFrequency, &hz), kSOk);
  EXPECT_EQ(hz, 98100000u);
  uint8_t range[12];
  uint32_t mode = kTunerModeRadio;
  ASSERT_EQ(p.p->Get(kPropSetTuner, kTunerPropRange, &mode, 4, range, 12, nullptr), kSOk);
  EXPECT_EQ(range[0] | range[1] << 8 | range[2] << 16 | range[3] << 24, 87500000);
  EXPECT_EQ(range[4] | range[5] << 8 | range[6] << 16 | range[7] << 24, 108000000);

  // Back to TV: the last TV frequency comes back.
  card.tvFrequency = 0;
  ASSERT_EQ(p.SetU32(kPropSetTuner, kTunerPropMode, kTunerModeTv), kSOk);
  EXPECT_EQ(card.tvFrequency, 7540000u);
}

TEST_F(V4l2BackendTest, FrequencyOutsideTheTunersRangeIsRefused) {
  FakeV4l2Card& card = AddTunerCard();
  auto backend = Backend();
  auto device = OpenVideo(*backend, "video0");
  Props p(*device);
  EXPECT_EQ(p.SetU32(kPropSetTuner, kTunerPropFrequency, 900000000), kEInvalidArg);
  EXPECT_EQ(p.SetU32(kPropSetTuner, kTunerPropFrequency, 43000000), kEInvalidArg);
  EXPECT_EQ(card.tvFrequency, 0u);
  EXPECT_EQ(p.SetU32(kPropSetTuner, kTunerPropMode, 7), kEInvalidArg);
}

TEST_F(V4l2BackendTest, SignalCountsOnlyAboveTheThreshold) {
  FakeV4l2Card& card = AddTunerCard();
  card.signal = [](bool radio, uint32_t units) -> uint16_t {
    if (units == 7540) return 0xFFFF;  // a station
    if (units == 7620) return 0x1000;  // noise the tuner half believes
    return 0;
  };
  auto backend = Backend();
  auto device = OpenVideo(*backend, "video0");
  Props p(*device);
  uint32_t signal = 7;
  for (auto [hz, expected] : {std::pair{471250000u, 1u}, {476250000u, 0u}, {479250000u, 0u}}) {
    ASSERT_EQ(p.SetU32(kPropSetTuner, kTunerPropFrequency, hz), kSOk);
    ASSERT_EQ(p.GetU32(kPropSetTuner, kTunerPropSignal, &signal), kSOk);
    EXPECT_EQ(signal, expected) << hz;
  }
}

// A tuner that needs longer, or a driver that needs nothing: only a whole number of
// milliseconds up to five seconds is taken; anything else keeps the safe default.
TEST(V4l2TunerSettleTime, TakenFromTheEnvironmentOnlyWhenSensible) {
  const char* before = std::getenv("VIEWDECK_TUNER_SETTLE_MS");
  const std::string saved = before != nullptr ? before : "";
  using std::chrono::milliseconds;
  unsetenv("VIEWDECK_TUNER_SETTLE_MS");
  EXPECT_EQ(TunerSettleTimeFromEnvironment(), milliseconds(150));
  for (auto [text, expected] : {std::pair{"0", 0},
                                {"400", 400},
                                {"5000", 5000},
                                {"5001", 150},
                                {"", 150},
                                {"-5", 150},
                                {"12ms", 150},
                                {"99999999999", 150}}) {
    setenv("VIEWDECK_TUNER_SETTLE_MS", text, 1);
    EXPECT_EQ(TunerSettleTimeFromEnvironment(), milliseconds(expected)) << "'" << text << "'";
  }
  setenv("VIEWDECK_TUNER_SETTLE_MS", "0", 1);
  EXPECT_EQ(V4l2BackendOptions{}.settleTime, milliseconds(0)) << "the backend's default";
  if (before != nullptr) {
    setenv("VIEWDECK_TUNER_SETTLE_MS", saved.c_str(), 1);
  } else {
    unsetenv("VIEWDECK_TUNER_SETTLE_MS");
  }
}

TEST_F(V4l2BackendTest, CardWithoutTunerHasNoTunerFacility) {
  AddCompositeCard();
  auto backend = Backend();
  auto device = OpenVideo(*backend, "video1");
  ASSERT_NE(device, nullptr);
  EXPECT_FALSE(device->HasFacility(DeviceFacility::kTvTuner));
  Props p(*device);
  uint32_t v = 0;
  EXPECT_EQ(p.p->QuerySupported(kPropSetTuner, kTunerPropFrequency, &v), kEPropSetUnsupported);
  EXPECT_EQ(p.SetU32(kPropSetTuner, kTunerPropFrequency, 471250000), kEPropSetUnsupported);
  // The crossbar offers the two external inputs and the line sound.
  int32_t outputs = 0, inputs = 0;
  ASSERT_EQ(device->CrossbarPinCounts(&outputs, &inputs), kSOk);
  ASSERT_EQ(inputs, 3);
  CrossbarPin pin;
  ASSERT_EQ(device->CrossbarPinInfo(true, 0, &pin), kSOk);
  EXPECT_EQ(pin.physicalType, physical::kVideoComposite);
  ASSERT_EQ(device->CrossbarPinInfo(true, 1, &pin), kSOk);
  EXPECT_EQ(pin.physicalType, physical::kVideoSVideo);
  ASSERT_EQ(device->CrossbarPinInfo(true, 2, &pin), kSOk);
  EXPECT_EQ(pin.physicalType, physical::kAudioLine);
}

TEST_F(V4l2BackendTest, RadioOnlyWhereTheCardHasARadioNode) {
  AddTunerCard();
  tree_.AddUsb({.video = "video4", .port = "1-3"});
  FakeV4l2Card noRadio;
  noRadio.video = tree_.DevPath("video4");
  kernel_->Add(noRadio);
  auto backend = Backend();
  uint32_t caps = 0;
  {
    auto device = OpenVideo(*backend, "video0");
    Props p(*device);
    ASSERT_EQ(p.GetU32(kPropSetTuner, kTunerPropCaps, &caps), kSOk);
    EXPECT_EQ(caps, kTunerCapTv | kTunerCapRadio);
  }
  auto device = OpenVideo(*backend, "video4");
  Props p(*device);
  ASSERT_EQ(p.GetU32(kPropSetTuner, kTunerPropCaps, &caps), kSOk);
  EXPECT_EQ(caps, kTunerCapTv);
  EXPECT_EQ(p.SetU32(kPropSetTuner, kTunerPropMode, kTunerModeRadio), kEInvalidArg);
}

// --- decoder, crossbar, amplifier

TEST_F(V4l2BackendTest, StandardTableBothWays) {
  const std::pair<uint32_t, uint64_t> pairs[] = {
      {standard::kNtscM, kStdNtscM},   {standard::kNtscMJapan, kStdNtscMJp},
      {standard::kPalB, kStdPalB},     {standard::kPalD, kStdPalD},
      {standard::kPalI, kStdPalI},     {standard::kPalM, kStdPalM},
      {standard::kPalN, kStdPalN},     {standard::kPalNCombo, kStdPalNc},
      {standard::kSecamB, kStdSecamB}, {standard::kSecamD, kStdSecamD},
      {standard::kSecamL, kStdSecamL}};
  for (auto [ours, kernel] : pairs) {
    EXPECT_EQ(V4l2Standards::ToV4l2(ours), kernel) << std::hex << ours;
    EXPECT_EQ(V4l2Standards::FromV4l2(kernel), ours) << std::hex << kernel;
  }
  EXPECT_EQ(V4l2Standards::FromV4l2(kStdPalB | kStdNtscM), standard::kPalB | standard::kNtscM);
  EXPECT_EQ(V4l2Standards::FromV4l2(uint64_t{1} << 40), 0u);  // bits we have no name for
}

TEST_F(V4l2BackendTest, StandardsThroughTheDecoder) {
  FakeV4l2Card& card = AddTunerCard();
  card.standards = kStdPalB | kStdPalI | kStdNtscM | kStdSecamL;
  auto backend = Backend();
  auto device = OpenVideo(*backend, "video0");
  uint32_t mask = 0;
  ASSERT_EQ(device->AvailableTvFormats(&mask), kSOk);
  EXPECT_EQ(mask, standard::kPalB | standard::kPalI | standard::kNtscM | standard::kSecamL);

  ASSERT_EQ(device->SetTvFormat(standard::kPalI), kSOk);
  EXPECT_EQ(card.standard, kStdPalI);
  ASSERT_EQ(device->SetTvFormat(standard::kNtscM), kSOk);
  uint32_t current = 0;
  ASSERT_EQ(device->TvFormat(&current), kSOk);
  EXPECT_EQ(current, standard::kNtscM);
  VideoFormat f;
  ASSERT_EQ(device->GetVideoFormat(PinKind::kCapture, &f), kSOk);
  EXPECT_EQ(f.frameInterval, 333667) << "NTSC cards run at 30000/1001 frames";

  EXPECT_EQ(device->SetTvFormat(standard::kSecamD), kEInvalidArg);  // the card lacks it
  EXPECT_EQ(device->SetTvFormat(standard::kPalB | standard::kPalI), kEInvalidArg);
  EXPECT_EQ(card.standard, kStdNtscM);
  // A family answer (all of PAL B/G) reads as its first member.
  card.standard = 0x7;
  ASSERT_EQ(device->TvFormat(&current), kSOk);
  EXPECT_EQ(current, standard::kPalB);
}

// The engine chooses the standard before it routes the input; a driver that keeps a standard
// per input (vivid) must still end up on the chosen one, whichever input comes next.
TEST_F(V4l2BackendTest, ChosenStandardFollowsTheInputSwitch) {
  FakeV4l2Card& card = AddTunerCard();
  card.standardPerInput = true;
  card.inputs = {{"Television", true}, {"Camera"}};
  auto backend = Backend();
  auto device = OpenVideo(*backend, "video0");
  ASSERT_EQ(device->Route(0, 1), kSOk);
  ASSERT_EQ(device->SetTvFormat(standard::kNtscM), kSOk);
  ASSERT_EQ(device->Route(0, 0), kSOk);
  EXPECT_EQ(card.currentInput, 0);
  EXPECT_EQ(card.standard, kStdNtscM) << "the tuner input runs the chosen NTSC";
  ASSERT_EQ(device->SetTvFormat(standard::kSecamL), kSOk);
  ASSERT_EQ(device->Route(0, 1), kSOk);
  EXPECT_EQ(card.standard, kStdSecamL) << "and so does the camera input after it";
}

TEST_F(V4l2BackendTest, InputsByTypeAndRouting) {
  FakeV4l2Card& card = AddTunerCard();
  card.inputs = {{"Composite1"}, {"Television", true}, {"S-Video"}, {"SVideo 2"}};
  auto backend = Backend();
  auto device = OpenVideo(*backend, "video0");
  int32_t outputs = 0, inputs = 0;
  ASSERT_EQ(device->CrossbarPinCounts(&outputs, &inputs), kSOk);
  ASSERT_EQ(inputs, 7);  // four video, audio tuner, audio radio, audio line
  const int32_t expected[] = {physical::kVideoComposite, physical::kVideoTuner,
                              physical::kVideoSVideo,    physical::kVideoSVideo,
                              physical::kAudioTuner,     physical::kAudioTuner,
                              physical::kAudioLine};
  CrossbarPin pins[7];
  for (int32_t i = 0; i < 7; ++i) {
    ASSERT_EQ(device->CrossbarPinInfo(true, i, &pins[i]), kSOk);
    EXPECT_EQ(pins[i].physicalType, expected[i]) << i;
  }
  EXPECT_EQ(pins[1].relatedIndex, 4);  // tuner picture with tuner sound
  EXPECT_EQ(pins[4].relatedIndex, 1);
  EXPECT_EQ(pins[0].relatedIndex, 6);  // external pictures with the line sound
  EXPECT_EQ(pins[2].relatedIndex, 6);

  ASSERT_EQ(device->Route(0, 2), kSOk);
  EXPECT_EQ(card.currentInput, 2);
  int32_t routed = -1;
  ASSERT_EQ(device->IsRoutedTo(0, &routed), kSOk);
  EXPECT_EQ(routed, 2);
  EXPECT_EQ(device->CanRoute(0, 4), kSFalse);
  EXPECT_EQ(device->Route(0, 4), kEInvalidArg);
  EXPECT_EQ(device->Route(0, 9), kEInvalidArg);
  ASSERT_EQ(device->Route(1, 6), kSOk);
  ASSERT_EQ(device->IsRoutedTo(1, &routed), kSOk);
  EXPECT_EQ(routed, 6);
}

TEST_F(V4l2BackendTest, HorizontalLockFromTheInputStatus) {
  FakeV4l2Card& card = AddTunerCard();
  auto backend = Backend();
  auto device = OpenVideo(*backend, "video0");
  bool locked = false;
  ASSERT_EQ(device->HorizontalLocked(&locked), kSOk);
  EXPECT_TRUE(locked);
  card.inputs[0].locked = false;
  ASSERT_EQ(device->HorizontalLocked(&locked), kSOk);
  EXPECT_FALSE(locked);
  ASSERT_EQ(device->Route(0, 1), kSOk);  // composite, still locked
  ASSERT_EQ(device->HorizontalLocked(&locked), kSOk);
  EXPECT_TRUE(locked);
}

TEST_F(V4l2BackendTest, AmplifierThroughControls) {
  FakeV4l2Card& card = AddTunerCard();
  card.controls.erase("Hue");
  auto backend = Backend();
  auto device = OpenVideo(*backend, "video0");
  AmpRange range;
  ASSERT_EQ(device->GetAmpRange(AmpProperty::kContrast, &range), kSOk);
  EXPECT_EQ(range.min, 0);
  EXPECT_EQ(range.max, 127);
  EXPECT_EQ(range.defaultValue, 64);
  ASSERT_EQ(device->SetAmp(AmpProperty::kContrast, 100), kSOk);
  EXPECT_EQ(card.controls["Contrast"].value, 100);
  EXPECT_EQ(device->SetAmp(AmpProperty::kContrast, 128), kEInvalidArg);
  EXPECT_EQ(card.controls["Contrast"].value, 100);
  ASSERT_EQ(device->SetAmp(AmpProperty::kSaturation, 3), kSOk);
  EXPECT_EQ(card.controls["Saturation"].value, 3);
  EXPECT_EQ(card.controls["Brightness"].value, 128) << "only the asked control changes";
  int32_t value = 0;
  card.controls["Brightness"].value = 77;
  ASSERT_EQ(device->GetAmp(AmpProperty::kBrightness, &value), kSOk);
  EXPECT_EQ(value, 77);
  EXPECT_EQ(device->GetAmpRange(AmpProperty::kHue, &range), kENotImpl);
  EXPECT_EQ(device->SetAmp(AmpProperty::kHue, 0), kENotImpl);
}

TEST_F(V4l2BackendTest, FormatsBoundedByWhatTheCardDelivers) {
  AddTunerCard();
  auto backend = Backend();
  auto device = OpenVideo(*backend, "video0");
  std::vector<VideoFormat> caps;
  ASSERT_EQ(device->VideoFormatCaps(PinKind::kCapture, &caps), kSOk);
  ASSERT_FALSE(caps.empty());
  EXPECT_EQ(caps.back().width, 720);
  EXPECT_EQ(caps.back().height, 576);
  EXPECT_EQ(device->SetVideoFormat(PinKind::kCapture, {768, 576, kFourccYuy2, 16, 400000}),
            kEInvalidArg);
  EXPECT_EQ(device->SetVideoFormat(PinKind::kStill, {640, 480, kFourccYuy2, 16, 400000}),
            kEInvalidArg);
  EXPECT_EQ(device->SetVideoFormat(PinKind::kCapture, {320, 240, kFourccYuy2, 16, 100000}),
            kEInvalidArg)
      << "faster than the standard";
  ASSERT_EQ(device->SetVideoFormat(PinKind::kPreview, {320, 240, kFourccRgb, 24, 0}), kSOk);
  VideoFormat f;
  ASSERT_EQ(device->GetVideoFormat(PinKind::kPreview, &f), kSOk);
  EXPECT_EQ(f.frameInterval, 400000);
}

// --- registers

TEST_F(V4l2BackendTest, SoundModePulseSetsTheTunersAudioMode) {
  FakeV4l2Card& card = AddTunerCard();
  card.audmode = 99;
  auto backend = Backend();
  auto device = OpenVideo(*backend, "video0");
  Props p(*device);
  auto pulse = [&](uint8_t mode) {
    ASSERT_EQ(p.SetRegister(6, mode), kSOk);
    ASSERT_EQ(p.SetRegister(7, 5), kSOk);
    ASSERT_EQ(p.SetRegister(7, 0), kSOk);
  };
  pulse(2);
  EXPECT_EQ(card.audmode, kAudmodeStereo);
  pulse(1);
  EXPECT_EQ(card.audmode, kAudmodeLang2);
  pulse(0);
  EXPECT_EQ(card.audmode, kAudmodeMono);
  pulse(9);  // not a mode: nothing changes
  EXPECT_EQ(card.audmode, kAudmodeMono);
  // Register 6 alone, or 7 without being armed, is no pulse.
  ASSERT_EQ(p.SetRegister(6, 2), kSOk);
  ASSERT_EQ(p.SetRegister(7, 0), kSOk);
  EXPECT_EQ(card.audmode, kAudmodeMono);
  uint32_t reg = 6;
  uint8_t value = 0;
  ASSERT_EQ(p.p->Get(kPropSetAsic, kAsicPropRegister, &reg, 4, &value, 1, nullptr), kSOk);
  EXPECT_EQ(value, 2);
  reg = 256;
  EXPECT_EQ(p.p->Get(kPropSetAsic, kAsicPropRegister, &reg, 4, &value, 1, nullptr), kEInvalidArg);
  // No I2C device answers on a V4L2 card.
  uint8_t write[3] = {0xC2, 0x00, 0x12};
  EXPECT_EQ(p.p->Set(kPropSetI2c, kI2cPropWrite, nullptr, 0, write, 3), kEFail);
}

// --- faults

TEST_F(V4l2BackendTest, KernelErrorsBecomeResults) {
  FakeV4l2Card& card = AddTunerCard();
  auto backend = Backend();
  auto device = OpenVideo(*backend, "video0");
  ASSERT_NE(device, nullptr);
  card.failWith = 5;  // EIO on every ioctl
  Props p(*device);
  uint32_t v = 0;
  bool locked = true;
  AmpRange range;
  int32_t routed = 0;
  EXPECT_EQ(p.SetU32(kPropSetTuner, kTunerPropFrequency, 471250000), kEFail);
  EXPECT_EQ(p.GetU32(kPropSetTuner, kTunerPropSignal, &v), kEFail);
  EXPECT_EQ(device->SetTvFormat(standard::kPalB), kEFail);
  EXPECT_EQ(device->TvFormat(&v), kEFail);
  EXPECT_EQ(device->AvailableTvFormats(&v), kEFail);
  EXPECT_EQ(device->HorizontalLocked(&locked), kEFail);
  EXPECT_EQ(device->GetAmpRange(AmpProperty::kBrightness, &range), kEFail);
  EXPECT_EQ(device->IsRoutedTo(0, &routed), kEFail);
  EXPECT_TRUE(device->IsConnected()) << "an I/O error is not an unplug";
  // A card that fails its first questions is no capture device at all.
  card.failWith = 0;
  tree_.AddUsb({.video = "video6", .port = "1-4"});
  FakeV4l2Card broken;
  broken.video = tree_.DevPath("video6");
  FakeV4l2Card& b = kernel_->Add(broken);
  auto list = backend->Devices(DeviceCategory::kVideoInput);
  ASSERT_EQ(list.size(), 2u);
  b.failWith = 16;  // EBUSY after enumeration
  EXPECT_EQ(backend->Open(list[1]), nullptr);
  EXPECT_EQ(backend->Devices(DeviceCategory::kVideoInput).size(), 1u);
}

TEST_F(V4l2BackendTest, VanishedCardAnswersDeviceGoneAndIsReported) {
  FakeV4l2Card& card = AddTunerCard();
  auto backend = Backend();
  std::vector<std::pair<std::string, bool>> events;
  backend->SetChangeCallback(
      [&](const DeviceInfo& d, bool arrived) { events.emplace_back(d.path, arrived); });
  auto device = OpenVideo(*backend, "video0");
  ASSERT_NE(device, nullptr);
  card.gone = true;
  uint32_t v = 0;
  EXPECT_EQ(device->TvFormat(&v), kEDeviceGone);
  EXPECT_FALSE(device->IsConnected()) << "ENODEV ends the card at once";
  Props p(*device);
  EXPECT_EQ(p.GetU32(kPropSetTuner, kTunerPropFrequency, &v), kEDeviceGone);
  int before = card.ioctlCount;
  EXPECT_EQ(device->SetAmp(AmpProperty::kBrightness, 1), kEDeviceGone);
  EXPECT_EQ(card.ioctlCount, before) << "a gone card is not asked again";

  tree_.RemoveNode("video0");
  backend->Rescan();
  EXPECT_TRUE(backend->Devices(DeviceCategory::kVideoInput).empty());
  card.gone = false;
  tree_.RestoreNode("video0");
  backend->Rescan();
  backend->SetChangeCallback({});
  const std::string path = tree_.DevPath("video0");
  EXPECT_NE(std::find(events.begin(), events.end(), std::pair{path, false}), events.end());
  EXPECT_NE(std::find(events.begin(), events.end(), std::pair{path, true}), events.end());
  auto again = OpenVideo(*backend, "video0");
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(again->IsConnected());
  EXPECT_FALSE(device->IsConnected()) << "an old device object never comes back";
}

}  // namespace
}  // namespace vd
