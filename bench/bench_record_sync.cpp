// Long recordings in every codec from a poor virtual box (its sound clock 200 ppm fast, 1 %
// of the pictures lost) at 640 x 480, 30 frames/s with sound. For each codec it prints the
// frames captured, dropped and repeated, the video and audio lengths of the file and their
// difference (aim: within one frame period), MB per minute, CPU seconds per recorded second
// against a bare pipeline of the same encoder measured in the same run (the ratio), and the
// resident memory near the start and at the end (aim: flat).
//   bench_record_sync [--seconds S] [--no-faults] [CODEC...]   (default 600 s, every codec)
#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "vd/device_enumerator.h"
#include "vd/gst_elements.h"
#include "vd/gst_ptr.h"
#include "vd/video/capture_graph.h"
#include "vd/video/headless_session.h"
#include "vd/virtual_tv_box.h"

namespace {

using Clock = std::chrono::steady_clock;
using bench::CpuSeconds;

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

// The lengths an AVI's stream headers give: frames x period for the picture, blocks x
// block time for the sound; what every player goes by.
struct AviLengths {
  double video = -1;
  double audio = -1;
  long frames = 0;
};

uint32_t Le32(const std::string& d, size_t at) {
  return static_cast<uint8_t>(d[at]) | static_cast<uint8_t>(d[at + 1]) << 8 |
         static_cast<uint8_t>(d[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(d[at + 3])) << 24;
}

AviLengths ReadLengths(const std::string& path) {
  AviLengths lengths;
  std::ifstream in(path, std::ios::binary);
  std::string head(64 * 1024, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  for (size_t at = head.find("strh"); at != std::string::npos && at + 48 <= head.size();
       at = head.find("strh", at + 4)) {
    const std::string type = head.substr(at + 8, 4);
    const double scale = Le32(head, at + 28);
    const double rate = Le32(head, at + 32);
    const double length = Le32(head, at + 40);
    if (rate <= 0) continue;
    if (type == "vids") {
      lengths.video = length * scale / rate;
      lengths.frames = static_cast<long>(length);
    } else if (type == "auds") {
      lengths.audio = length * scale / rate;
    }
  }
  return lengths;
}

// The encoder alone on a live test picture of the same size and rate, written by avimux.
double BaselineCpu(vd::VideoCodec codec, int seconds) {
  vd::RecordingFormat format;
  format.codec = codec;
  std::string failure;
  const vd::PipelinePtr held(gst_pipeline_new(nullptr));
  GstElement* pipeline = held.get();
  GstElement* source = vd::MakeElement<"videotestsrc">();
  GstElement* caps = vd::MakeElement<"capsfilter">();
  GstElement* mux = vd::MakeElement<"avimux">();
  GstElement* sink = vd::MakeElement<"fakesink">();
  const vd::CapsPtr raw(
      gst_caps_from_string("video/x-raw,format=YUY2,width=640,height=480,framerate=30/1"));
  g_object_set(caps, "caps", raw.get(), nullptr);
  g_object_set(source, "is-live", TRUE, "num-buffers", seconds * 30, nullptr);
  gst_bin_add_many(GST_BIN(pipeline), source, caps, mux, sink, nullptr);
  GstElement* chain = format.CreateVideoChain(30, &failure);
  bool linked = false;
  if (chain != nullptr) {
    gst_bin_add(GST_BIN(pipeline), chain);
    linked = gst_element_link_many(source, caps, chain, mux, sink, nullptr);
  } else {
    linked = gst_element_link_many(source, caps, mux, sink, nullptr);
  }
  double cpu = -1;
  if (linked) {
    const double cpu0 = CpuSeconds();
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    const vd::BusPtr bus(gst_element_get_bus(pipeline));
    const vd::MessagePtr ended(gst_bus_timed_pop_filtered(
        bus.get(), (seconds + 30) * GST_SECOND,
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    cpu = CpuSeconds() - cpu0;
  }
  return cpu;
}

bool RecordOne(vd::VideoCodec codec, int seconds, bool faults) {
  const char* name = vd::RecordingFormat::NameOf(codec).data();
  // The bare encoder's cost per second settles within a minute; a longer baseline would only
  // double the run.
  const int baselineSeconds = std::min(seconds, 60);
  const double baseline = BaselineCpu(codec, baselineSeconds) / baselineSeconds * seconds;
  vd::VirtualBoxFaults f;
  if (faults) {
    f.clockDriftPpm = 200;
    f.dropEveryNth = 100;
  }
  vd::VirtualTvBox::Shared()->SetFaults(f);
  vd::StatisticsRecord stats{};
  double cpu = 0;
  long rssStart = 0;
  long rssEnd = 0;
  {
    vd::HeadlessSession session(vd::WorkMode::kComposite, 1);
    if (!session.Start()) return false;
    CaptureGraph& graph = session.Engine();
    graph.SetVideoStandard(0);
    graph.VideoDevice()->SetVideoFormat(vd::PinKind::kCapture,
                                        {640, 480, vd::kFourccYuy2, 16, 333333});
    vd::CaptureOptions options = graph.GetCaptureOptions();
    options.recording.codec = codec;
    graph.SetCaptureOptions(options);
    const double cpu0 = CpuSeconds();
    if (!graph.BeginCapture()) return false;
    const auto start = Clock::now();
    session.RunUntil([&] { return Clock::now() >= start + std::chrono::seconds(10); },
                     std::chrono::seconds(12));
    rssStart = ResidentKb();
    const auto end = start + std::chrono::seconds(seconds);
    session.RunUntil([&] { return Clock::now() >= end; }, std::chrono::seconds(seconds + 5));
    rssEnd = ResidentKb();
    graph.StopCapture();
    cpu = CpuSeconds() - cpu0;
    graph.GetStatistics(true, &stats);
    const AviLengths avi = ReadLengths(graph.File().Path());
    const double mb = static_cast<double>(std::filesystem::file_size(graph.File().Path())) / 1e6;
    std::printf(
        "%-8s captured %ld, dropped %ld (repeated in the file: %ld frames)\n"
        "         video %.3f s, audio %.3f s, difference %.1f ms (one frame: 33.3 ms)\n"
        "         %.1f MB per minute; CPU %.3f s per recorded second, bare encoder %.3f: "
        "ratio %.2f\n"
        "         resident memory %ld KB after 10 s, %ld KB at the end\n",
        name, static_cast<long>(stats.captured), static_cast<long>(stats.dropped),
        avi.frames - static_cast<long>(stats.captured), avi.video, avi.audio,
        (avi.audio - avi.video) * 1000, mb / (avi.video / 60), cpu / seconds, baseline / seconds,
        baseline > 0 ? cpu / baseline : 0.0, rssStart, rssEnd);
    std::fflush(stdout);
  }
  vd::VirtualTvBox::Shared()->SetFaults({});
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 600;
  bool faults = true;
  std::vector<vd::VideoCodec> codecs;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      seconds = std::max(12, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--no-faults") == 0) {
      faults = false;
    } else if (auto codec = vd::RecordingFormat::CodecOf(argv[i])) {
      codecs.push_back(*codec);
    } else {
      std::fprintf(stderr, "usage: bench_record_sync [--seconds S] [--no-faults] [CODEC...]\n");
      return 2;
    }
  }
  if (codecs.empty()) {
    for (const vd::CodecRow& row : vd::RecordingFormat::Codecs()) codecs.push_back(row.codec);
  }
  gst_init(&argc, &argv);
  setenv("VIEWDECK_AUDIO_SINK", "fake", 0);
  std::printf("recording %d s per codec at 640 x 480, 30 frames/s with sound, %s\n", seconds,
              faults ? "sound clock 200 ppm fast, 1 % of frames lost" : "no faults");
  for (vd::VideoCodec codec : codecs) {
    if (!RecordOne(codec, seconds, faults)) {
      std::printf("%s: the recording did not start\n", vd::RecordingFormat::NameOf(codec).data());
      return 1;
    }
  }
  return 0;
}
