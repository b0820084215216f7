// The V4L2 back-end's source bins, with a test picture and tone standing in for the card's
// v4l2src and alsasrc (those need a real /dev/video node) and the scripted kernel behind
// the VBI and LIRC nodes.
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "bulk/remote_codes.h"
#include "bulk/stream_oracles.h"
#include "pipeline_probe.h"
#include "v4l2_fake_tree.h"
#include "vd/device_enumerator.h"
#include "vd/device_props.h"
#include "vd/gst_ptr.h"
#include "vd/ks_property_set.h"
#include "vd/teletext_coding.h"
#include "vd/v4l2_backend.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"

namespace vd {
namespace {

using test::FakeV4l2Card;
using test::FakeV4l2Kernel;
using test::FakeV4l2Tree;
using test::PipelineProbe;

size_t BufferBytes(GstSample* sample) {
  return sample == nullptr ? 0 : gst_buffer_get_size(gst_sample_get_buffer(sample));
}

class V4l2StreamTest : public ::testing::Test {
 protected:
  V4l2StreamTest() {
    tree_.AddUsb({.video = "video0", .vbi = "vbi0", .lirc = "lirc0", .alsaCard = 2});
    FakeV4l2Card c;
    c.video = tree_.DevPath("video0");
    c.vbi = tree_.DevPath("vbi0");
    c.lirc = tree_.DevPath("lirc0");
    c.slicedTeletext = true;
    c.teletextNeedsWss = true;  // as vivid, the one kernel driver the project can run
    c.rawVbiToo = true;
    card_ = &kernel_->Add(c);
    backend_ = std::make_unique<V4l2Backend>(tree_.Options(kernel_));
    device_ = backend_->Open(backend_->Devices(DeviceCategory::kVideoInput).at(0));
  }

  FakeV4l2Tree tree_;
  std::shared_ptr<FakeV4l2Kernel> kernel_ = std::make_shared<FakeV4l2Kernel>();
  FakeV4l2Card* card_;
  std::unique_ptr<V4l2Backend> backend_;
  std::unique_ptr<CaptureDevice> device_;
};

TEST_F(V4l2StreamTest, PreviewAndCaptureShareOneSourceInTheirOwnFormats) {
  ASSERT_EQ(device_->SetVideoFormat(PinKind::kCapture, {320, 240, kFourccYuy2, 16, 400000}), kSOk);
  ASSERT_EQ(device_->SetVideoFormat(PinKind::kPreview, {160, 120, kFourccRgb, 24, 400000}), kSOk);
  PipelineProbe capture(device_->CreateSourceBin(PinKind::kCapture));
  PipelineProbe preview(device_->CreateSourceBin(PinKind::kPreview));
  ASSERT_TRUE(capture.Linked());
  ASSERT_TRUE(preview.Linked());
  for (int i = 0; i < 3; ++i) {
    GstSample* a = capture.Pull();
    GstSample* b = preview.Pull();
    EXPECT_EQ(BufferBytes(a), 320u * 240 * 2);
    EXPECT_EQ(BufferBytes(b), 160u * 120 * 3);
    if (a != nullptr) gst_sample_unref(a);
    if (b != nullptr) gst_sample_unref(b);
  }
  FrameCounts counts;
  ASSERT_EQ(device_->GetFrameCounts(&counts), kSOk);
  EXPECT_GE(counts.notDropped, 3);
}

// A recording holds the card with the kernel's record priority from its first picture until
// its bin goes: another program (its own handles on the card) may neither retune nor switch
// it, and can tell why; the recording's own program still can, and a preview holds nothing.
TEST_F(V4l2StreamTest, ARecordingHoldsTheCardAgainstOtherProgramsUntilItEnds) {
  V4l2Backend other(tree_.Options(kernel_));
  std::unique_ptr<CaptureDevice> theirs =
      other.Open(other.Devices(DeviceCategory::kVideoInput).at(0));
  ASSERT_NE(theirs, nullptr);
  auto tune = [](CaptureDevice& device, uint32_t hz) {
    KsPropertySetPtr props(device.QueryPropertySet());
    return props->Set(kPropSetTuner, kTunerPropFrequency, nullptr, 0, &hz, 4);
  };
  {
    PipelineProbe preview(device_->CreateSourceBin(PinKind::kPreview));
    ASSERT_FALSE(preview.PullBytes().empty());
    EXPECT_FALSE(HeldByAnotherRecording(*theirs)) << "a preview holds the card";
    EXPECT_EQ(tune(*theirs, 175250000), kSOk);
  }
  {
    PipelineProbe capture(device_->CreateSourceBin(PinKind::kCapture));
    ASSERT_FALSE(capture.PullBytes().empty());
    EXPECT_TRUE(HeldByAnotherRecording(*theirs));
    EXPECT_FALSE(HeldByAnotherRecording(*device_)) << "the recording's own program";
    EXPECT_EQ(tune(*theirs, 55250000), kEDeviceBusy);
    EXPECT_EQ(theirs->SetTvFormat(standard::kNtscM), kEDeviceBusy);
    EXPECT_EQ(card_->tvFrequency, 175250000u / 62500) << "moved under the recording";
    EXPECT_EQ(tune(*device_, 55250000), kSOk);
  }
  EXPECT_FALSE(HeldByAnotherRecording(*theirs)) << "still held after the recording ended";
  EXPECT_EQ(tune(*theirs, 175250000), kSOk);
  EXPECT_EQ(theirs->SetTvFormat(standard::kNtscM), kSOk);
}

TEST_F(V4l2StreamTest, StillPinSendsOnePicturePerTrigger) {
  ASSERT_EQ(device_->SetVideoFormat(PinKind::kStill, {640, 480, kFourccRgb, 24, 400000}), kSOk);
  PipelineProbe still(device_->CreateSourceBin(PinKind::kStill));
  ASSERT_TRUE(still.Linked());
  ASSERT_TRUE(still.WaitPlaying());
  EXPECT_EQ(still.Pull(std::chrono::milliseconds(300)), nullptr) << "nothing before a trigger";
  ASSERT_EQ(device_->SetVideoControlMode(kVideoControlTrigger), kSOk);
  GstSample* picture = still.Pull();
  EXPECT_EQ(BufferBytes(picture), 640u * 480 * 3);
  if (picture != nullptr) gst_sample_unref(picture);
  uint32_t mode = 99;
  ASSERT_EQ(device_->GetVideoControlMode(&mode), kSOk);
  EXPECT_EQ(mode, 0u) << "the trigger bit clears itself";
  EXPECT_EQ(still.Pull(std::chrono::milliseconds(300)), nullptr) << "one trigger, one picture";
}

// The audio preview, a recording and a second program each open the card's sound; the
// kernel's hw device takes only one. Needs a real ALSA capture card (the kernel tests load
// snd-aloop and name it in VD_TEST_ALSA_CARD); elsewhere it is skipped.
TEST(V4l2SharedSoundTest, TwoStreamsOfOneCardsSoundBothRun) {
  const char* alsa = std::getenv("VD_TEST_ALSA_CARD");
  if (alsa == nullptr) GTEST_SKIP() << "VD_TEST_ALSA_CARD names no ALSA capture card";
  FakeV4l2Tree tree;
  tree.AddUsb({.video = "video0", .alsaCard = std::atoi(alsa)});
  auto kernel = std::make_shared<FakeV4l2Kernel>();
  FakeV4l2Card c;
  c.video = tree.DevPath("video0");
  kernel->Add(c);
  auto options = tree.Options(kernel);
  options.audioSource = V4l2BackendOptions{}.audioSource;  // the real default
  V4l2Backend backend(options);
  auto audio = backend.Devices(DeviceCategory::kAudioInput);
  ASSERT_EQ(audio.size(), 1u);
  auto first = backend.Open(audio[0]);
  auto second = backend.Open(audio[0]);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  PipelineProbe preview(first->CreateSourceBin(PinKind::kAudioPreview));
  ASSERT_TRUE(preview.WaitPlaying());
  ASSERT_GT(preview.PullBytes().size(), 0u) << "the first stream delivers sound";
  PipelineProbe capture(second->CreateSourceBin(PinKind::kAudioCapture));
  EXPECT_TRUE(capture.WaitPlaying()) << "the second opener is not refused (EBUSY)";
  EXPECT_GT(capture.PullBytes().size(), 0u) << "the second stream delivers sound";
  EXPECT_GT(preview.PullBytes().size(), 0u) << "and the first goes on";
}

TEST_F(V4l2StreamTest, VanishingCardEndsEveryRunningBin) {
  PipelineProbe video(device_->CreateSourceBin(PinKind::kCapture));
  PipelineProbe sound(device_->CreateSourceBin(PinKind::kAudioCapture));
  PipelineProbe bulk(device_->CreateSourceBin(PinKind::kBulk));
  ASSERT_FALSE(video.PullBytes().empty());
  ASSERT_FALSE(sound.PullBytes().empty());
  ASSERT_FALSE(bulk.PullBytes().empty());
  kernel_->With(card_->video, [](FakeV4l2Card& c) { c.gone = true; });
  bool locked = false;
  EXPECT_EQ(device_->HorizontalLocked(&locked), kEDeviceGone);
  for (PipelineProbe* probe : {&video, &sound, &bulk}) {
    std::string text;
    EXPECT_EQ(probe->WaitForEnd(std::chrono::seconds(5), &text), GST_MESSAGE_ERROR);
    EXPECT_EQ(text, "The capture device was unplugged.");
  }
  EXPECT_EQ(device_->CreateSourceBin(PinKind::kCapture), nullptr);
}

// A test picture source that counts its live instances: the card's stream source is the one
// element that holds the card's picture node, so every one made must also go away.
std::atomic<int> gCountedSources{0};
GObjectClass* gCountedParent = nullptr;

void CountedFinalize(GObject* object) {
  --gCountedSources;
  gCountedParent->finalize(object);
}

void RegisterCountedSource() {
  static std::once_flag once;
  std::call_once(once, [] {
    gst_init(nullptr, nullptr);
    const GstPtr<GstPluginFeature> factory(
        GST_PLUGIN_FEATURE(gst_element_factory_find("videotestsrc")));
    ASSERT_NE(factory, nullptr);
    const GstPtr<GstPluginFeature> loaded(gst_plugin_feature_load(factory.get()));
    GType parent = gst_element_factory_get_element_type(GST_ELEMENT_FACTORY(loaded.get()));
    GTypeQuery query;
    g_type_query(parent, &query);
    GTypeInfo info{};
    info.class_size = static_cast<guint16>(query.class_size);
    info.instance_size = static_cast<guint16>(query.instance_size);
    info.class_init = [](gpointer klass, gpointer) {
      gCountedParent = G_OBJECT_CLASS(g_type_class_peek_parent(klass));
      G_OBJECT_CLASS(klass)->finalize = &CountedFinalize;
    };
    info.instance_init = [](GTypeInstance*, gpointer) { ++gCountedSources; };
    GType type = g_type_register_static(parent, "VdCountedTestSrc", &info, GTypeFlags{});
    ASSERT_TRUE(gst_element_register(nullptr, "vdcountedsrc", GST_RANK_NONE, type));
  });
}

template <typename Condition>
bool Within(std::chrono::milliseconds limit, Condition done) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!done() && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return done();
}

bool SourcesGoneWithin(std::chrono::milliseconds limit) {
  return Within(limit, [] { return gCountedSources.load() == 0; });
}

// A bin whose every reference but the hub's goes while the hub hands it a frame, so that it
// ends on the stream's own thread. Its output is left unlinked: the hub's appsrc fills up and
// says so ("enough-data") from inside the hub's push, and that is where the bin is let go.
struct BinEndingOnTheStreamThread {
  std::mutex mutex;
  PipelinePtr pipeline;
  ElementPtr appsrc;
  std::atomic<bool> ended{false};

  static void OnFull(GstElement*, gpointer self) {
    auto* bin = static_cast<std::shared_ptr<BinEndingOnTheStreamThread>*>(self)->get();
    std::lock_guard lock(bin->mutex);
    if (bin->pipeline == nullptr) return;
    bin->pipeline.reset();
    bin->appsrc.reset();
    bin->ended = true;
  }

  static std::shared_ptr<BinEndingOnTheStreamThread> Start(GstElement* sourceBin) {
    auto bin = std::make_shared<BinEndingOnTheStreamThread>();
    bin->pipeline.reset(gst_pipeline_new(nullptr));
    gst_bin_add(GST_BIN(bin->pipeline.get()), sourceBin);
    bin->appsrc.reset(gst_bin_get_by_name(GST_BIN(sourceBin), "hubsrc"));
    if (bin->appsrc == nullptr) return nullptr;
    g_signal_connect_data(
        bin->appsrc.get(), "enough-data", G_CALLBACK(&OnFull),
        new std::shared_ptr<BinEndingOnTheStreamThread>(bin),
        [](gpointer p, GClosure*) {
          delete static_cast<std::shared_ptr<BinEndingOnTheStreamThread>*>(p);
        },
        GConnectFlags{});
    gst_element_set_state(bin->pipeline.get(), GST_STATE_PLAYING);
    return bin;
  }

  // Lets the bin go here if the stream never filled it.
  void End() {
    std::lock_guard lock(mutex);
    pipeline.reset();
    appsrc.reset();
  }
};

// The hub's private stream goes for good, its source with it, once no bin takes its frames:
// after the last bin ends, also when it ends on the stream's own thread, and after the card
// vanished under a running stream. A source kept
// alive keeps the card's node open, and a returning card then comes back under a new name.
TEST_F(V4l2StreamTest, TheCardsStreamSourceIsFreedWhenItsLastBinEnds) {
  RegisterCountedSource();
  V4l2BackendOptions options = tree_.Options(kernel_);
  options.videoSource =
      "vdcountedsrc is-live=true ! video/x-raw,format=YUY2,width=320,height=240,framerate=25/1";
  V4l2Backend backend(options);
  std::unique_ptr<CaptureDevice> device =
      backend.Open(backend.Devices(DeviceCategory::kVideoInput).at(0));
  ASSERT_NE(device, nullptr);
  {
    PipelineProbe preview(device->CreateSourceBin(PinKind::kPreview));
    PipelineProbe capture(device->CreateSourceBin(PinKind::kCapture));
    ASSERT_FALSE(preview.PullBytes().empty());
    ASSERT_FALSE(capture.PullBytes().empty());
    EXPECT_EQ(gCountedSources.load(), 1) << "one stream for both bins";
  }
  EXPECT_TRUE(SourcesGoneWithin(std::chrono::seconds(3)))
      << gCountedSources.load() << " source(s) left after the bins ended";
  {
    auto bin = BinEndingOnTheStreamThread::Start(device->CreateSourceBin(PinKind::kPreview));
    ASSERT_NE(bin, nullptr);
    const bool ended = Within(std::chrono::seconds(5), [&] { return bin->ended.load(); });
    bin->End();
    ASSERT_TRUE(ended) << "the stream never filled the bin";
  }
  EXPECT_TRUE(SourcesGoneWithin(std::chrono::seconds(3)))
      << gCountedSources.load() << " source(s) left after the bin ended on the stream's thread";
  {
    PipelineProbe preview(device->CreateSourceBin(PinKind::kPreview));
    ASSERT_FALSE(preview.PullBytes().empty());
    kernel_->With(card_->video, [](FakeV4l2Card& c) { c.gone = true; });
    bool locked = false;
    EXPECT_EQ(device->HorizontalLocked(&locked), kEDeviceGone);
    std::string text;
    EXPECT_EQ(preview.WaitForEnd(std::chrono::seconds(5), &text), GST_MESSAGE_ERROR);
  }
  EXPECT_TRUE(SourcesGoneWithin(std::chrono::seconds(3)))
      << gCountedSources.load() << " source(s) left after the card vanished";
}

TEST_F(V4l2StreamTest, BulkPinCarriesTeletextAndRemoteKeys) {
  std::vector<uint8_t> sliced(64, 0);
  sliced[0] = 1;  // teletext B
  TeletextPacket packet = TeletextCoding::Row(1, 5, "HELLO");
  std::memcpy(sliced.data() + 16, packet.data(), packet.size());
  std::vector<uint8_t> twoLines(2 * sliced.size());
  std::memcpy(twoLines.data(), sliced.data(), sliced.size());
  std::memcpy(twoLines.data() + sliced.size(), sliced.data(), sliced.size());
  const uint32_t key = test::kRemoteKeyCodes[5];
  std::vector<uint32_t> mode2 = {0x00000000 | 30000};  // idle, then the key
  const unsigned units = static_cast<unsigned>(std::bit_width(key));
  for (unsigned unit = 1; unit <= units; ++unit) {
    bool pulse = !(unit < units && ((key >> unit) & 1u) != 0);
    uint32_t kind = pulse ? 0x01000000 : 0;
    if (unit > 1 && (mode2.back() & 0xFF000000) == kind) {
      mode2.back() += 889;
    } else {
      mode2.push_back(kind | 889);
    }
  }
  mode2.push_back(0x03000000 | 20000);  // timeout
  std::vector<uint8_t> lircBytes(mode2.size() * 4);
  std::memcpy(lircBytes.data(), mode2.data(), lircBytes.size());
  kernel_->With(card_->video, [&](FakeV4l2Card& c) {
    c.vbiReads.push_back(twoLines);
    c.lircReads.push_back(lircBytes);
  });

  PipelineProbe bulk(device_->CreateSourceBin(PinKind::kBulk));
  test::ParserOracle parser;
  for (int i = 0; i < 60 && (parser.records.size() < 2 || parser.codes.empty()); ++i)
    parser.Feed(bulk.PullBytes());
  EXPECT_NE(card_->vbiServices & 1u, 0u) << "the bin asks the card for teletext";
  ASSERT_EQ(parser.records.size(), 2u);
  EXPECT_TRUE(std::equal(packet.begin(), packet.end(), parser.records[0].begin() + 4));
  EXPECT_EQ(parser.codes, std::vector<uint32_t>{key});
}

// The box is listed before the card so the engine's "latest device" rule picks the card; the
// libraries' bulk search must pick the card as well, or the remote and teletext of a
// plugged-in card never reach the viewer that shows its picture.
TEST_F(V4l2StreamTest, TheBulkSearchFindsThePluggedInCardBeforeTheBox) {
  DeviceEnumerator enumerator;
  enumerator.AddBackend(std::make_unique<VirtualBoxBackend>(std::make_shared<VirtualTvBox>()));
  enumerator.AddBackend(std::make_unique<V4l2Backend>(tree_.Options(kernel_)));
  const std::vector<DeviceInfo> listed = enumerator.VideoInputDevices();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed.front().backend, "virtual");
  const std::vector<DeviceInfo> searched = enumerator.BulkSearchDevices();
  ASSERT_EQ(searched.size(), 2u);
  EXPECT_EQ(searched.front(), listed.back());
  EXPECT_EQ(searched.back(), listed.front());
  // Both have a bulk pin, so the order alone decides which one the libraries read.
  for (const DeviceInfo& info : searched) {
    std::unique_ptr<CaptureDevice> device = enumerator.Open(info);
    ASSERT_NE(device, nullptr) << info.friendlyName;
    const std::vector<PinInfo> pins = device->Pins();
    bool bulk = false;
    for (size_t i = 0; i < pins.size(); ++i) bulk = bulk || device->IsBulkPin(i);
    EXPECT_TRUE(bulk) << info.friendlyName;
  }
}

}  // namespace
}  // namespace vd
