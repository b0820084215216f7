// Device choice, the live picture, work modes and device changes.
#include <algorithm>
#include <fstream>

#include "engine_fixture.h"
#include "v4l2_fake_tree.h"
#include "vd/device_backend.h"
#include "vd/settings/settings_table.h"
#include "vd/sound_input_backend.h"
#include "vd/v4l2_backend.h"
#include "vd/v4l2_fake_kernel.h"
#include "vd/video/headless_session.h"
#include "vd/virtual_box_backend.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;

TEST_F(EngineTest, PreviewFramesArriveInTheForcedFormat) {
  auto engine = StartEngine();
  ASSERT_TRUE(engine->Lifecycle().IsPreviewing());
  ASSERT_TRUE(PumpUntil([&] { return sink.Frames() >= 3; }));
  std::lock_guard lock(sink.mutex);
  EXPECT_EQ(sink.width, 320);
  EXPECT_EQ(sink.height, 240);
  EXPECT_EQ(sink.stride, 320 * 4);
  vd::VideoFormat capture;
  ASSERT_EQ(engine->VideoDevice()->GetVideoFormat(vd::PinKind::kCapture, &capture), vd::kSOk);
  EXPECT_EQ(capture.fourcc, vd::kFourccYuy2);
  EXPECT_EQ(capture.width, 320);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(EngineTest, NoUsableDeviceFailsInit) {
  devices = std::make_unique<vd::DeviceEnumerator>();
  auto engine = MakeEngine();
  EXPECT_FALSE(engine->Init(&sink));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "Sorry, you have no video capture hardware");
}

TEST_F(EngineTest, DeviceWithoutPreviewPinPreviewsFromTheCapturePin) {
  MakeBox("lock_time_ms = 0\npreview_pin = no\n");
  auto engine = StartEngine();
  EXPECT_TRUE(engine->Preview().NoPreviewPin());
  EXPECT_TRUE(PumpUntil([&] { return sink.Frames() >= 3; }));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(EngineTest, TvModeTunesAndSetsTheCountrysStandard) {
  tuning.workMode = vd::WorkMode::kTv;
  tuning.country = 33;  // SECAM L
  auto engine = StartEngine();
  EXPECT_NE(engine->Tuner(), nullptr);
  EXPECT_TRUE(engine->Devices().WantPreview());
  uint32_t standard = 0;
  engine->VideoDevice()->TvFormat(&standard);
  EXPECT_EQ(standard, vd::standard::kSecamL);
  EXPECT_TRUE(engine->GetCapabilities().tuner);
  EXPECT_TRUE(engine->GetCapabilities().crossbar);
}

TEST_F(EngineTest, RadioModeKeepsTheVideoStopped) {
  tuning.workMode = vd::WorkMode::kRadio;
  auto engine = StartEngine();
  EXPECT_FALSE(engine->Devices().WantPreview());
  EXPECT_FALSE(engine->Lifecycle().IsPreviewing());
  EXPECT_NE(engine->Tuner(), nullptr);
}

// A device like the box that offers no tuner.
class NoTunerDevice : public vd::CaptureDevice {
 public:
  explicit NoTunerDevice(std::unique_ptr<vd::CaptureDevice> inner) : inner_(std::move(inner)) {}
  const vd::DeviceInfo& Info() const override { return inner_->Info(); }
  bool IsConnected() const override { return inner_->IsConnected(); }
  bool HasFacility(vd::DeviceFacility f) const override {
    return f != vd::DeviceFacility::kTvTuner && inner_->HasFacility(f);
  }
  std::vector<vd::PinInfo> Pins() const override { return inner_->Pins(); }
  vd::KsPropertySet* QueryPinPropertySet(size_t i) override {
    return inner_->QueryPinPropertySet(i);
  }
  vd::KsPropertySet* QueryPropertySet() override { return inner_->QueryPropertySet(); }
  vd::HResult CrossbarPinCounts(int32_t* o, int32_t* i) override {
    return inner_->CrossbarPinCounts(o, i);
  }
  vd::HResult CrossbarPinInfo(bool in, int32_t i, vd::CrossbarPin* p) override {
    return inner_->CrossbarPinInfo(in, i, p);
  }
  vd::HResult CanRoute(int32_t o, int32_t i) override { return inner_->CanRoute(o, i); }
  vd::HResult Route(int32_t o, int32_t i) override { return inner_->Route(o, i); }
  vd::HResult IsRoutedTo(int32_t o, int32_t* i) override { return inner_->IsRoutedTo(o, i); }
  vd::HResult AvailableTvFormats(uint32_t* m) override { return inner_->AvailableTvFormats(m); }
  vd::HResult SetTvFormat(uint32_t s) override { return inner_->SetTvFormat(s); }
  vd::HResult TvFormat(uint32_t* s) override { return inner_->TvFormat(s); }
  vd::HResult HorizontalLocked(bool* l) override { return inner_->HorizontalLocked(l); }
  vd::HResult GetAmpRange(vd::AmpProperty p, vd::AmpRange* r) override {
    return inner_->GetAmpRange(p, r);
  }
  vd::HResult GetAmp(vd::AmpProperty p, int32_t* v) override { return inner_->GetAmp(p, v); }
  vd::HResult SetAmp(vd::AmpProperty p, int32_t v) override { return inner_->SetAmp(p, v); }
  vd::HResult GetVideoFormat(vd::PinKind p, vd::VideoFormat* f) override {
    return inner_->GetVideoFormat(p, f);
  }
  vd::HResult SetVideoFormat(vd::PinKind p, const vd::VideoFormat& f) override {
    return inner_->SetVideoFormat(p, f);
  }
  vd::HResult VideoFormatCaps(vd::PinKind p, std::vector<vd::VideoFormat>* f) override {
    return inner_->VideoFormatCaps(p, f);
  }
  vd::HResult GetAudioFormat(vd::PinKind p, vd::AudioFormat* f) override {
    return inner_->GetAudioFormat(p, f);
  }
  vd::HResult SetAudioFormat(vd::PinKind p, const vd::AudioFormat& f) override {
    return inner_->SetAudioFormat(p, f);
  }
  vd::HResult MaxAvailableFrameInterval(vd::PinKind p, int32_t w, int32_t h, int64_t* i) override {
    return inner_->MaxAvailableFrameInterval(p, w, h, i);
  }
  vd::HResult GetVideoControlMode(uint32_t* m) override { return inner_->GetVideoControlMode(m); }
  vd::HResult SetVideoControlMode(uint32_t m) override { return inner_->SetVideoControlMode(m); }
  vd::HResult GetFrameCounts(vd::FrameCounts* c) override { return inner_->GetFrameCounts(c); }
  GstElement* CreateSourceBin(vd::PinKind p) override { return inner_->CreateSourceBin(p); }

 private:
  std::unique_ptr<vd::CaptureDevice> inner_;
};

class NoTunerBackend : public vd::DeviceBackend {
 public:
  explicit NoTunerBackend(std::shared_ptr<vd::VirtualTvBox> box) : inner_(std::move(box)) {}
  std::string Name() const override { return inner_.Name(); }
  std::vector<vd::DeviceInfo> Devices(vd::DeviceCategory c) override { return inner_.Devices(c); }
  std::unique_ptr<vd::CaptureDevice> Open(const vd::DeviceInfo& d) override {
    auto device = inner_.Open(d);
    if (device == nullptr || d.category != vd::DeviceCategory::kVideoInput) return device;
    return std::make_unique<NoTunerDevice>(std::move(device));
  }
  void SetChangeCallback(ChangeCallback callback) override {
    inner_.SetChangeCallback(std::move(callback));
  }

 private:
  vd::VirtualBoxBackend inner_;
};

// Another make of card beside the box: the virtual box's devices under names of their own
// and a back-end of their own.
class OtherCardBackend : public vd::DeviceBackend {
 public:
  explicit OtherCardBackend(std::shared_ptr<vd::VirtualTvBox> box) : inner_(std::move(box)) {}
  std::string Name() const override { return "card"; }
  std::vector<vd::DeviceInfo> Devices(vd::DeviceCategory c) override {
    std::vector<vd::DeviceInfo> devices = inner_.Devices(c);
    for (vd::DeviceInfo& d : devices) {
      d.friendlyName = "Other Card " + d.friendlyName;
      d.backend = "card";
    }
    return devices;
  }
  std::unique_ptr<vd::CaptureDevice> Open(const vd::DeviceInfo& d) override {
    for (const vd::DeviceInfo& inner : inner_.Devices(d.category)) {
      if (inner.path == d.path) return inner_.Open(inner);
    }
    return nullptr;
  }
  void SetChangeCallback(ChangeCallback callback) override {
    inner_.SetChangeCallback(std::move(callback));
  }

 private:
  vd::VirtualBoxBackend inner_;
};

// The sound that goes with the picture, in every mode: radio has no video but has sound,
// and a card beside the box plays its own sound, not the box's.
TEST_F(EngineTest, TheAudioPreviewPlaysTheSelectedCardsSoundInEveryMode) {
  {
    auto engine = StartEngine();
    ASSERT_NE(engine->Preview().AudioDevice(), nullptr);
    EXPECT_EQ(engine->Preview().AudioDevice()->friendlyName, vd::VirtualTvBox::kAudioName);
    ASSERT_TRUE(engine->ApplyWorkMode(vd::WorkMode::kRadio));
    EXPECT_FALSE(engine->Lifecycle().IsPreviewing());
    EXPECT_TRUE(engine->Preview().AudioRunning()) << "the radio is silent";
    ASSERT_TRUE(engine->ApplyWorkMode(vd::WorkMode::kComposite));
    EXPECT_TRUE(engine->Lifecycle().IsPreviewing());
    EXPECT_TRUE(engine->Preview().AudioRunning());
  }
  auto other = std::make_shared<vd::VirtualTvBox>(
      vd::VirtualBoxConfig::Parse("lock_time_ms = 0\n", "other"));
  devices = std::make_unique<vd::DeviceEnumerator>();
  devices->AddBackend(std::make_unique<vd::VirtualBoxBackend>(box));
  devices->AddBackend(std::make_unique<OtherCardBackend>(other));
  auto engine = StartEngine();
  ASSERT_EQ(engine->Devices().VideoDeviceName(),
            std::string("Other Card ") + vd::VirtualTvBox::kVideoName);
  ASSERT_NE(engine->Preview().AudioDevice(), nullptr);
  // The card's own sound (it carries it on its capture filter), not the box's.
  EXPECT_EQ(engine->Preview().AudioDevice()->backend, "card");
  EXPECT_EQ(engine->Preview().AudioDevice()->friendlyName.rfind("Other Card ", 0), 0u)
      << engine->Preview().AudioDevice()->friendlyName;
  EXPECT_TRUE(engine->Preview().AudioRunning());
  engine.reset();
  devices.reset();
}

TEST_F(EngineTest, DeviceWithoutTunerInTvOrRadioModeRunsInMode1) {
  for (vd::WorkMode mode : {vd::WorkMode::kTv, vd::WorkMode::kRadio}) {
    devices = std::make_unique<vd::DeviceEnumerator>();
    devices->AddBackend(std::make_unique<NoTunerBackend>(box));
    host.forcedMode.reset();
    tuning.workMode = mode;
    auto engine = StartEngine();
    EXPECT_EQ(engine->WorkMode(), vd::WorkMode::kComposite) << "mode " << vd::StoredNumber(mode);
    EXPECT_EQ(host.forcedMode, vd::WorkMode::kComposite);
    EXPECT_EQ(engine->Tuner(), nullptr);
    EXPECT_TRUE(engine->Lifecycle().IsPreviewing());
  }
}

TEST_F(EngineTest, UnplugStopsThePreviewAndPlugInOfTheSameDeviceRestartsIt) {
  auto engine = StartEngine();
  ASSERT_TRUE(PumpUntil([&] { return sink.Frames() >= 2; }));
  box->Unplug();
  ASSERT_TRUE(PumpUntil([&] { return engine->IsDeviceLost(); }));
  EXPECT_EQ(host.lost, 1);
  EXPECT_FALSE(engine->Lifecycle().IsPreviewing());
  EXPECT_EQ(engine->VideoDevice(), nullptr);

  box->Plug();
  ASSERT_TRUE(PumpUntil([&] { return !engine->IsDeviceLost(); }));
  EXPECT_TRUE(engine->Lifecycle().IsPreviewing());
  int before = sink.Frames();
  EXPECT_TRUE(PumpUntil([&] { return sink.Frames() >= before + 2; }));
  EXPECT_GE(host.refreshed, 2);
}

// Another maker's card while the settings take only the product's: the start asks about it
// before any message, naming it; no keeps what was there before and is remembered by the
// card's bus path, yes switches the setting off and opens the card.
TEST_F(EngineTest, ACardTheSettingRulesOutIsOfferedOnceAtTheStart) {
  vd::test::FakeV4l2Tree tree;
  auto kernel = std::make_shared<vd::test::FakeV4l2Kernel>();
  tree.AddPlatform("vivid.0", {"video0"});
  vd::test::FakeV4l2Card vivid;
  vivid.video = tree.DevPath("video0");
  vd::test::MakeVivid(vivid);
  kernel->Add(vivid);
  auto list = [&](bool withBox) {
    devices = std::make_unique<vd::DeviceEnumerator>();
    if (withBox) devices->AddBackend(std::make_unique<vd::VirtualBoxBackend>(box));
    devices->AddBackend(std::make_unique<vd::V4l2Backend>(tree.Options(kernel)));
  };
  std::vector<std::string> asked;
  bool take = false;
  host.answerCard = [&](const vd::CardOffer& card) {
    asked.push_back(card.name + "|" + card.driver + "|" + card.busPath +
                    (card.nothingElse ? "|alone" : "") +
                    (host.messages.empty() ? "" : "|after a message"));
    return take;
  };

  list(false);  // VIEWDECK_DEVICES=v4l2
  EXPECT_FALSE(MakeEngine()->Init(&sink));
  EXPECT_EQ(asked, std::vector<std::string>({"vivid|vivid|platform:vivid-000|alone"}));
  EXPECT_EQ(host.messages, std::vector<std::string>({"Sorry, you have no video capture hardware"}));
  host.messages.clear();

  list(true);  // the default list: the box as before, the card declined is not asked about
  {
    auto engine = StartEngine();
    EXPECT_EQ(engine->Devices().VideoDeviceName(), vd::VirtualTvBox::kVideoName);
  }
  EXPECT_EQ(asked.size(), 1u);

  // The same model at another place is another card.
  kernel->With(vivid.video, [](vd::test::FakeV4l2Card& c) { c.busInfo = "platform:vivid-001"; });
  take = true;
  {
    auto engine = StartEngine();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1], "vivid|vivid|platform:vivid-001");
    EXPECT_EQ(engine->Devices().VideoDeviceName(), "vivid");
    EXPECT_EQ(engine->Devices().VideoDeviceUsable(), std::vector<bool>({true, true}));
    EXPECT_TRUE(PumpUntil([&] { return sink.Frames() >= 2; }));
  }
  EXPECT_EQ(store->ReadBool(vd::kSection, vd::setting::kOnlyCorvalenDevices, 1), 0);
  EXPECT_EQ(store->ReadString(vd::kSection, vd::setting::kDeclinedCards, ""), "platform:vivid-000");
  // The setting is off now: nothing more to ask, and the card stays the choice.
  {
    auto engine = StartEngine();
    EXPECT_EQ(engine->Devices().VideoDeviceName(), "vivid");
  }
  EXPECT_EQ(asked.size(), 2u);
  devices.reset();
}

// vdtool asks nobody: it says why it has no device before it says it has none.
TEST_F(EngineTest, VdtoolSaysWhyTheCardIsRuledOutBeforeTheSorry) {
  if (vd::SettingsStore::Default().ReadBool(vd::kSection, vd::setting::kOnlyCorvalenDevices, 1) ==
      0)
    GTEST_SKIP() << "the user's settings take any card";
  vd::test::FakeV4l2Tree tree;
  auto kernel = std::make_shared<vd::test::FakeV4l2Kernel>();
  tree.AddPlatform("vivid.0", {"video0"});
  vd::test::FakeV4l2Card vivid;
  vivid.video = tree.DevPath("video0");
  vd::test::MakeVivid(vivid);
  kernel->Add(vivid);
  devices = std::make_unique<vd::DeviceEnumerator>();
  devices->AddBackend(std::make_unique<vd::V4l2Backend>(tree.Options(kernel)));
  vd::HeadlessSession session(vd::WorkMode::kComposite, 49);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(session.Start(nullptr, devices.get()));
  const std::string said = testing::internal::GetCapturedStderr();
  const size_t why = said.find(
      "vivid (driver vivid, platform:vivid-000) is not a device of the product, and the "
      "setting Only_Corvalen_Devices (1) allows no other");
  const size_t sorry = said.find("Sorry, you have no video capture hardware");
  ASSERT_NE(why, std::string::npos) << said;
  ASSERT_NE(sorry, std::string::npos) << said;
  EXPECT_LT(why, sorry) << said;
}

// Two cards of one model have one name: unplugging the card beside the one in use leaves
// the picture running; unplugging the card in use ends it.
TEST_F(EngineTest, OnlyTheRemovalOfTheCardInUseEndsThePicture) {
  vd::test::FakeV4l2Tree tree;
  auto kernel = std::make_shared<vd::test::FakeV4l2Kernel>();
  for (const auto& [node, port] : {std::pair{"video0", "1-1"}, std::pair{"video1", "1-2"}}) {
    tree.AddUsb({.video = node, .port = port});
    vd::test::FakeV4l2Card card;
    card.video = tree.DevPath(node);
    card.cardName = "Brevant TV USB";
    kernel->Add(card);
  }
  auto backend = std::make_unique<vd::V4l2Backend>(tree.Options(kernel));
  vd::V4l2Backend* cards = backend.get();
  devices = std::make_unique<vd::DeviceEnumerator>();
  devices->AddBackend(std::move(backend));
  auto unplug = [&](const std::string& node) {
    kernel->With(tree.DevPath(node), [](vd::test::FakeV4l2Card& c) { c.gone = true; });
    tree.RemoveNode(node);
    cards->Rescan();
    // The engine hears of it on the main loop: once a later idle call has run, it has.
    bool handled = false;
    g_idle_add(
        [](gpointer done) {
          *static_cast<bool*>(done) = true;
          return G_SOURCE_REMOVE;
        },
        &handled);
    ASSERT_TRUE(PumpUntil([&] { return handled; }));
  };

  auto engine = StartEngine();
  ASSERT_EQ(engine->Devices().VideoDeviceNames(),
            std::vector<std::string>({"Brevant TV USB (" + tree.DevPath("video0") + ")",
                                      "Brevant TV USB (" + tree.DevPath("video1") + ")"}));
  ASSERT_EQ(engine->Devices().VideoIndex(), 1);
  ASSERT_TRUE(PumpUntil([&] { return sink.Frames() >= 2; }));
  unplug("video0");
  EXPECT_FALSE(engine->IsDeviceLost());
  EXPECT_EQ(host.lost, 0);
  EXPECT_TRUE(engine->Lifecycle().IsPreviewing());
  const int before = sink.Frames();
  EXPECT_TRUE(PumpUntil([&] { return sink.Frames() >= before + 2; })) << "the picture stopped";

  unplug("video1");
  EXPECT_TRUE(engine->IsDeviceLost());
  EXPECT_EQ(host.lost, 1);
  EXPECT_FALSE(engine->Lifecycle().IsPreviewing());
  engine.reset();
  devices.reset();
}

// Two cards of one model: the user tells them apart by their bus paths, the viewer comes back
// to the one chosen last (not to the last listed), and the stream libraries read that card.
TEST_F(EngineTest, OfTwoCardsOfOneModelTheChosenOneStaysTheChoice) {
  SetDword(std::string(vd::setting::kOnlyCorvalenDevices), 0);
  vd::test::FakeV4l2Tree tree;
  auto kernel = std::make_shared<vd::test::FakeV4l2Kernel>();
  tree.AddPlatform("vivid.0", {"video0", "video4"});
  for (const auto& [node, bus] :
       {std::pair{"video0", "platform:vivid-000"}, std::pair{"video4", "platform:vivid-001"}}) {
    vd::test::FakeV4l2Card card;
    card.video = tree.DevPath(node);
    card.busInfo = bus;
    vd::test::MakeVivid(card);
    kernel->Add(card);
  }
  devices = std::make_unique<vd::DeviceEnumerator>();
  devices->AddBackend(std::make_unique<vd::VirtualBoxBackend>(box));
  devices->AddBackend(std::make_unique<vd::V4l2Backend>(tree.Options(kernel)));
  {
    auto engine = StartEngine();
    EXPECT_EQ(engine->Devices().VideoDeviceNames(),
              std::vector<std::string>({vd::VirtualTvBox::kVideoName, "vivid (platform:vivid-000)",
                                        "vivid (platform:vivid-001)"}));
    EXPECT_EQ(engine->Devices().VideoIndex(), 2);
    ASSERT_TRUE(engine->ChooseDevices(1, engine->Devices().AudioIndex(), true));
    EXPECT_EQ(devices->BulkSearchDevices().front().busPath, "platform:vivid-000");
  }
  EXPECT_EQ(store->ReadString(vd::kSection, vd::setting::kVideoCardBus, ""), "platform:vivid-000");
  devices->SetBulkCard({});
  auto engine = StartEngine();
  EXPECT_EQ(engine->Devices().VideoIndex(), 1);
  EXPECT_EQ(engine->Devices().VideoDeviceInfo().busPath, "platform:vivid-000");
  EXPECT_EQ(devices->BulkSearchDevices().front().busPath, "platform:vivid-000");
  engine.reset();
  devices.reset();
}

// The device page indexes the engine's list: after a re-plug names, usable flags and the
// ten-device cap must describe the list the engine opens from.
TEST_F(EngineTest, AReplugReadsTheWholeDeviceListAgainWithinTheCap) {
  std::vector<std::shared_ptr<vd::VirtualTvBox>> boxes;
  devices = std::make_unique<vd::DeviceEnumerator>();
  for (int i = 0; i < 11; ++i) {
    boxes.push_back(
        std::make_shared<vd::VirtualTvBox>(vd::VirtualBoxConfig::Parse("lock_time_ms = 0\n", "")));
    devices->AddBackend(std::make_unique<vd::VirtualBoxBackend>(boxes.back()));
  }
  auto engine = StartEngine();
  ASSERT_EQ(engine->Devices().VideoDeviceNames().size(), 10u);
  const int32_t chosen = engine->Devices().VideoIndex();
  ASSERT_GE(chosen, 0);
  boxes[static_cast<size_t>(chosen)]->Unplug();
  ASSERT_TRUE(PumpUntil([&] { return engine->IsDeviceLost(); }));
  boxes[static_cast<size_t>(chosen)]->Plug();
  ASSERT_TRUE(PumpUntil([&] { return !engine->IsDeviceLost(); }));
  EXPECT_TRUE(engine->Lifecycle().IsPreviewing());
  EXPECT_EQ(engine->Devices().VideoDeviceNames().size(), 10u);
  EXPECT_EQ(engine->Devices().VideoDeviceUsable().size(), 10u);
  EXPECT_FALSE(engine->ChooseDevices(10, engine->Devices().AudioIndex(), true))
      << "an index the device page cannot show opened a device";
  EXPECT_TRUE(engine->ChooseDevices(3, engine->Devices().AudioIndex(), true));
  EXPECT_TRUE(engine->Lifecycle().IsPreviewing());
  engine.reset();
  devices.reset();
}

TEST_F(EngineTest, ApplyWorkModeRoutesTheInputs) {
  auto engine = StartEngine();
  ASSERT_TRUE(engine->ApplyWorkMode(vd::WorkMode::kSVideo));
  int32_t input = -1;
  engine->VideoDevice()->IsRoutedTo(0, &input);
  vd::CrossbarPin pin;
  engine->VideoDevice()->CrossbarPinInfo(true, input, &pin);
  EXPECT_EQ(pin.physicalType, vd::physical::kVideoSVideo);
  engine->VideoDevice()->IsRoutedTo(1, &input);
  engine->VideoDevice()->CrossbarPinInfo(true, input, &pin);
  EXPECT_EQ(pin.physicalType, vd::physical::kAudioLine);
  EXPECT_TRUE(engine->Lifecycle().IsPreviewing());
}

}  // namespace
}  // namespace vdtest

namespace vdtest {
namespace {

TEST_F(EngineTest, TunerI2cRoundTripsThroughTheAccessObjects) {
  auto engine = StartEngine();
  const uint8_t write[] = {0x05, 0xAA, 0x55};
  ASSERT_TRUE(engine->Access().I2cWrite(write, 3));
  uint8_t read[2] = {0x05, 0x00};
  ASSERT_TRUE(engine->Access().I2cRead(read, 2));
  EXPECT_EQ(read[0], 0xAA);
  EXPECT_EQ(read[1], 0x55);
  EXPECT_TRUE(host.boxes.empty());
  // Without a device there is nothing to talk to.
  box->Unplug();
  ASSERT_TRUE(PumpUntil([&] { return engine->IsDeviceLost(); }));
  EXPECT_FALSE(engine->Access().I2cWrite(write, 3));
}

}  // namespace
}  // namespace vdtest

namespace vdtest {
namespace {

// The deinterlacers anywhere in `pipeline`, and whether each has carried a picture.
struct Deinterlacers {
  int count = 0;
  int carried = 0;
};
Deinterlacers FindDeinterlacers(GstElement* pipeline) {
  Deinterlacers found;
  if (pipeline == nullptr) return found;
  GstIterator* it = gst_bin_iterate_recurse(GST_BIN(pipeline));
  GValue item = G_VALUE_INIT;
  while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
    auto* element = GST_ELEMENT(g_value_get_object(&item));
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory != nullptr && std::string(GST_OBJECT_NAME(factory)) == "deinterlace") {
      ++found.count;
      GstPad* src = gst_element_get_static_pad(element, "src");
      GstCaps* caps = gst_pad_get_current_caps(src);
      if (caps != nullptr) ++found.carried;
      if (caps != nullptr) gst_caps_unref(caps);
      gst_object_unref(src);
    }
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(it);
  return found;
}

TEST_F(EngineTest, LiveDeinterlaceIsSwitchedInTheRunningPreviewAndKept) {
  auto engine = StartEngine();
  ASSERT_TRUE(engine->Lifecycle().IsPreviewing());
  EXPECT_FALSE(engine->GetCaptureOptions().deinterlaceLive);
  EXPECT_EQ(FindDeinterlacers(engine->Preview().Pipeline()).count, 0);
  GstElement* const pipeline = engine->Preview().Pipeline();
  auto picturesGoOn = [&] {
    const int before = sink.Frames();
    return PumpUntil([&] { return sink.Frames() >= before + 5; });
  };
  for (bool on : {true, true, false, true}) {
    SCOPED_TRACE(on ? "on" : "off");
    vd::CaptureOptions options = engine->GetCaptureOptions();
    options.deinterlaceLive = on;
    engine->SetCaptureOptions(options);
    ASSERT_TRUE(PumpUntil([&] { return FindDeinterlacers(pipeline).count == (on ? 1 : 0); }));
    EXPECT_EQ(engine->Preview().Pipeline(), pipeline) << "the preview was built anew";
    EXPECT_TRUE(engine->Lifecycle().IsPreviewing());
    ASSERT_TRUE(picturesGoOn());
    EXPECT_EQ(FindDeinterlacers(pipeline).carried, on ? 1 : 0);
  }
  EXPECT_TRUE(engine->GetCaptureOptions().deinterlaceLive);
  // The live picture built again after a recording has it from the start.
  Capture(*engine, 600ms);
  engine->ReturnToLive();
  ASSERT_TRUE(engine->Lifecycle().IsPreviewing());
  EXPECT_EQ(FindDeinterlacers(engine->Preview().Pipeline()).count, 1);
  // Stored, and the next start builds the preview with it.
  engine.reset();
  EXPECT_EQ(store->ReadBool(vd::kSection, vd::setting::kDeinterlaceLive, 0), 1);
  engine = StartEngine();
  ASSERT_TRUE(picturesGoOn());
  EXPECT_EQ(FindDeinterlacers(engine->Preview().Pipeline()).carried, 1);
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace vdtest

namespace vdtest {
namespace {

// A card as the kernel's test driver shows it, beside the box: no sound of its own, a bus
// path, and the machine's sound inputs (one loop-back card) listed after it.
class CardBesideTheBox {
 public:
  CardBesideTheBox(const std::filesystem::path& dir, const std::string& node) {
    tree.AddPlatform("vivid.0", {node});
    vd::test::FakeV4l2Card card;
    card.video = tree.DevPath(node);
    card.cardName = "vivid";
    card.busInfo = "platform:vivid-000";
    kernel->Add(card);
    asound = dir / "asound";
    std::filesystem::create_directories(asound / "card0" / "pcm0c");
    std::filesystem::create_directories(asound / "card1" / "pcm0p");
    std::ofstream(asound / "cards") << " 0 [Loopback       ]: Loopback - Loopback\n"
                                       "                      Loopback 1\n"
                                       " 1 [HDMI           ]: HDA-Intel - HDA Intel HDMI\n"
                                       "                      HDA Intel HDMI at 0xf7080000\n";
  }
  std::unique_ptr<vd::DeviceEnumerator> Devices(const std::shared_ptr<vd::VirtualTvBox>& box) {
    auto devices = std::make_unique<vd::DeviceEnumerator>();
    devices->AddBackend(std::make_unique<vd::VirtualBoxBackend>(box));
    devices->AddBackend(std::make_unique<vd::V4l2Backend>(tree.Options(kernel)));
    devices->AddBackend(std::make_unique<vd::SoundInputBackend>(
        vd::SoundInputOptions{asound.string(), "audiotestsrc is-live=true freq=440"}));
    return devices;
  }

  vd::test::FakeV4l2Tree tree;
  std::shared_ptr<vd::test::FakeV4l2Kernel> kernel = std::make_shared<vd::test::FakeV4l2Kernel>();
  std::filesystem::path asound;
};

int32_t IndexOf(const std::vector<std::string>& names, const std::string& name) {
  auto at = std::find(names.begin(), names.end(), name);
  return at == names.end() ? -1 : static_cast<int32_t>(at - names.begin());
}

const char kNoSoundNote[] =
    "vivid has no sound input; recording without sound — choose one on the Device page";

// With the default device list the box's invented sound went under the card's picture: the
// card now plays and records nothing rather than another device's sound, and says so once,
// in the status strip.
TEST_F(EngineTest, ACardWithoutSoundRecordsWithoutTheBoxsSoundAndSaysSo) {
  SetDword(std::string(vd::setting::kOnlyCorvalenDevices), 0);
  SetDword(std::string(vd::setting::kFrameRate), 400000);  // the PAL card's 25 a second
  CardBesideTheBox card(dir, "video0");
  devices = card.Devices(box);
  auto engine = StartEngine();
  ASSERT_EQ(engine->Devices().VideoDeviceName(), "vivid");
  EXPECT_EQ(engine->Devices().Audio(), nullptr);
  EXPECT_EQ(engine->Preview().AudioDevice(), nullptr) << "the live sound is another device's";
  EXPECT_FALSE(engine->GetCapabilities().audio);
  EXPECT_EQ(host.notes, std::vector<std::string>{kNoSoundNote});
  EXPECT_TRUE(host.messages.empty() && host.boxes.empty()) << "a box at every start";
  Capture(*engine, 1500ms);
  AviContents avi = ReadAvi(engine->File().Path());
  ASSERT_TRUE(avi.opened);
  EXPECT_GT(avi.videoFrames, 10);
  EXPECT_EQ(avi.audioBuffers, 0) << "the card's picture went with someone else's sound";
  engine.reset();
  devices.reset();
}

// The input chosen on the Device page is kept under the card's bus path: the card found again
// at another node takes it, the box's own choice stays, and the box's sound is never taken.
TEST_F(EngineTest, TheSoundInputChosenForACardIsKeptByItsBusPath) {
  SetDword(std::string(vd::setting::kOnlyCorvalenDevices), 0);
  SetDword(std::string(vd::setting::kFrameRate), 400000);  // the PAL card's 25 a second
  int32_t boxChoice = -1;
  {
    CardBesideTheBox card(dir, "video0");
    devices = card.Devices(box);
    auto engine = StartEngine();
    const auto& names = engine->Devices().AudioDeviceNames();
    boxChoice = engine->Devices().AudioIndex();
    ASSERT_EQ(names.at(static_cast<size_t>(boxChoice)), vd::VirtualTvBox::kAudioName);
    ASSERT_GE(IndexOf(names, "Loopback"), 0);
    EXPECT_EQ(IndexOf(names, "HDA Intel HDMI"), -1) << "a card that only plays is no input";
    EXPECT_FALSE(engine->ChooseCardSound(IndexOf(names, vd::VirtualTvBox::kAudioName), true));
    ASSERT_TRUE(engine->ChooseCardSound(IndexOf(names, "Loopback"), true));
    ASSERT_NE(engine->Devices().Audio(), nullptr);
    EXPECT_EQ(engine->Devices().Audio()->Info().friendlyName, "Loopback");
    EXPECT_EQ(engine->Devices().Sound().Index(), IndexOf(names, "Loopback"));
    ASSERT_TRUE(engine->Settings().Save(*store));
    engine.reset();
    devices.reset();
  }
  EXPECT_EQ(store->ReadString(vd::kCardSoundSection, "platform:vivid-000", ""), "Loopback");
  EXPECT_EQ(store->ReadDword(vd::kSection, vd::setting::kAudioDevice, -1), boxChoice);

  host.notes.clear();
  CardBesideTheBox moved(dir, "video4");
  devices = moved.Devices(box);
  auto engine = StartEngine();
  ASSERT_EQ(engine->Devices().VideoDeviceName(), "vivid");
  ASSERT_NE(engine->Devices().Audio(), nullptr);
  EXPECT_EQ(engine->Devices().Audio()->Info().friendlyName, "Loopback");
  ASSERT_NE(engine->Preview().AudioDevice(), nullptr);
  EXPECT_EQ(engine->Preview().AudioDevice()->friendlyName, "Loopback");
  EXPECT_TRUE(host.notes.empty());
  Capture(*engine, 1500ms);
  EXPECT_GT(ReadAvi(engine->File().Path()).audioBuffers, 0);
  engine.reset();
  devices.reset();
}

}  // namespace
}  // namespace vdtest
