#include "engine_fixture.h"

#include <gst/gst.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "vd/virtual_box_backend.h"
#include "vd/virtual_box_config.h"

namespace vdtest {

namespace {
struct AviCount {
  GstElement* pipeline;
  AviContents* contents;
};

void Extend(GstBuffer* buffer, GstClockTime* start, GstClockTime* end) {
  GstClockTime pts = GST_BUFFER_PTS(buffer);
  if (!GST_CLOCK_TIME_IS_VALID(pts)) return;
  if (!GST_CLOCK_TIME_IS_VALID(*start) || pts < *start) *start = pts;
  GstClockTime duration = GST_BUFFER_DURATION(buffer);
  *end = std::max(*end, pts + (GST_CLOCK_TIME_IS_VALID(duration) ? duration : 0));
}

GstPadProbeReturn CountVideo(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* contents = static_cast<AviContents*>(data);
  ++contents->videoFrames;
  contents->videoBytes +=
      static_cast<int64_t>(gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info)));
  Extend(GST_PAD_PROBE_INFO_BUFFER(info), &contents->videoStart, &contents->videoEnd);
  return GST_PAD_PROBE_OK;
}
GstPadProbeReturn CountAudio(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* contents = static_cast<AviContents*>(data);
  ++contents->audioBuffers;
  Extend(GST_PAD_PROBE_INFO_BUFFER(info), &contents->audioStart, &contents->audioEnd);
  return GST_PAD_PROBE_OK;
}

void OnDemuxPad(GstElement*, GstPad* pad, gpointer data) {
  auto* count = static_cast<AviCount*>(data);
  GstElement* sink = gst_element_factory_make("fakesink", nullptr);
  g_object_set(sink, "sync", FALSE, nullptr);
  gst_bin_add(GST_BIN(count->pipeline), sink);
  gst_element_sync_state_with_parent(sink);
  GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
  gst_pad_link(pad, sinkPad);
  bool video = g_str_has_prefix(GST_PAD_NAME(pad), "video");
  if (GstCaps* caps = gst_pad_get_current_caps(pad); caps != nullptr) {
    if (video) count->contents->videoCaps = gst_structure_get_name(gst_caps_get_structure(caps, 0));
    gst_caps_unref(caps);
  }
  gst_pad_add_probe(sinkPad, GST_PAD_PROBE_TYPE_BUFFER, video ? CountVideo : CountAudio,
                    count->contents, nullptr);
  gst_object_unref(sinkPad);
}
}  // namespace

AviContents ReadAvi(const std::string& path, GstClockTime timeout) {
  AviContents contents;
  GstElement* pipeline = gst_pipeline_new(nullptr);
  GstElement* source = gst_element_factory_make("filesrc", nullptr);
  GstElement* demux = gst_element_factory_make("avidemux", nullptr);
  g_object_set(source, "location", path.c_str(), nullptr);
  gst_bin_add_many(GST_BIN(pipeline), source, demux, nullptr);
  gst_element_link(source, demux);
  AviCount count{pipeline, &contents};
  g_signal_connect(demux, "pad-added", G_CALLBACK(OnDemuxPad), &count);
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* message = gst_bus_timed_pop_filtered(
      bus, timeout, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  contents.opened = message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
  if (message != nullptr) gst_message_unref(message);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  if (contents.videoFrames > 0) contents.videoSpan = contents.videoEnd - contents.videoStart;
  if (contents.audioBuffers > 0) contents.audioSpan = contents.audioEnd - contents.audioStart;
  return contents;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void PumpFor(std::chrono::milliseconds time) {
  auto end = std::chrono::steady_clock::now() + time;
  PumpUntil([&] { return std::chrono::steady_clock::now() >= end; }, time * 2);
}

void EngineTest::SetUp() {
  setenv("VIEWDECK_AUDIO_SINK", "fake", 1);
  std::string tmpl = (std::filesystem::temp_directory_path() / "vdvideo-XXXXXX").string();
  ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
  dir = tmpl;
  std::filesystem::create_directories(dir / "data");
  tuning.folder = (dir / "data").string();
  store = std::make_unique<vd::SettingsStore>(
      dir / "user.reg", std::vector<std::filesystem::path>{dir / "machine.reg"});
  MakeBox();
}

void EngineTest::TearDown() {
  devices.reset();
  box.reset();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

void EngineTest::MakeBox(const std::string& config) {
  devices.reset();
  box = std::make_shared<vd::VirtualTvBox>(vd::VirtualBoxConfig::Parse(config, "test"));
  devices = std::make_unique<vd::DeviceEnumerator>();
  devices->AddBackend(std::make_unique<vd::VirtualBoxBackend>(box));
}

void EngineTest::SetDword(const std::string& name, int32_t value) {
  store->WriteDword("AviCap", name, value);
}

std::unique_ptr<CaptureGraph> EngineTest::MakeEngine() {
  return std::make_unique<CaptureGraph>(*devices, *store, tuning, host);
}

std::unique_ptr<CaptureGraph> EngineTest::StartEngine() {
  auto engine = MakeEngine();
  EXPECT_TRUE(engine->Init(&sink));
  return engine;
}

void EngineTest::Capture(CaptureGraph& engine, std::chrono::milliseconds time) {
  ASSERT_TRUE(engine.BeginCapture()) << (host.messages.empty() ? "" : host.messages.back());
  auto end = std::chrono::steady_clock::now() + time;
  PumpUntil([&] {
    engine.OnTimer(CaptureGraph::kCaptureTimer);
    return std::chrono::steady_clock::now() >= end;
  });
  ASSERT_TRUE(engine.StopCapture());
}

void EngineTest::RecordAndSave(const std::filesystem::path& album,
                               const std::filesystem::path& snapshot,
                               std::filesystem::path* capture) {
  auto engine = StartEngine();
  engine->Stills().SetFolder(album.string());
  *capture = engine->File().Path();
  ASSERT_TRUE(engine->BeginCapture());
  PumpFor(std::chrono::milliseconds(700));
  for (const auto& entry : std::filesystem::directory_iterator(capture->parent_path()))
    if (entry.is_regular_file())
      std::filesystem::copy_file(entry.path(), snapshot / entry.path().filename());
  ASSERT_TRUE(engine->StopCapture());
  ASSERT_TRUE(engine->SaveCaptureAs((dir / "saved.avi").string()));
}

void EngineTest::PutBack(const std::filesystem::path& snapshot, const std::filesystem::path& data) {
  for (const auto& entry : std::filesystem::directory_iterator(snapshot))
    std::filesystem::copy_file(entry.path(), data / entry.path().filename(),
                               std::filesystem::copy_options::overwrite_existing);
}

}  // namespace vdtest
