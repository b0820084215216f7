// CPU cost of the virtual TV box's picture (768 x 576 YUY2, 25 frames/s, on a station, with
// its caption and clock) against a plain live test source of the same caps, each run for N
// seconds (after one second of warm-up) into a fakesink; the baseline runs before and after. Prints
// both process CPU times and their ratio (aim: at most 1.3).
//   bench_virtual_video [SECONDS]   (default 5)
#include <gst/gst.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "vd/device_enumerator.h"
#include "vd/device_props.h"
#include "vd/gst_ptr.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"

namespace {

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

guint64 RenderedFrames(GstElement* sink) {
  GstStructure* stats = nullptr;
  guint64 frames = 0;
  g_object_get(sink, "stats", &stats, nullptr);
  if (stats != nullptr) {
    gst_structure_get_uint64(stats, "rendered", &frames);
    gst_structure_free(stats);
  }
  return frames;
}

// Runs `source` ! fakesink for `seconds` of wall-clock time; returns the CPU seconds used
// and the frames that reached the sink.
double Measure(GstElement* source, int seconds, guint64* frames) {
  const vd::PipelinePtr held(gst_pipeline_new(nullptr));
  GstElement* pipeline = held.get();
  GstElement* sink = gst_element_factory_make("fakesink", nullptr);
  g_object_set(sink, "sync", TRUE, nullptr);
  gst_bin_add_many(GST_BIN(pipeline), source, sink, nullptr);
  if (!gst_element_link(source, sink)) {
    std::fprintf(stderr, "bench_virtual_video: cannot link the pipeline\n");
    std::exit(1);
  }
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  const vd::BusPtr bus(gst_element_get_bus(pipeline));
  const auto stopping = static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS);
  // A second of warm-up keeps one-time costs (plugin and font loading) out of the figure.
  vd::MessagePtr msg(gst_bus_timed_pop_filtered(bus.get(), GST_SECOND, stopping));
  guint64 warmFrames = RenderedFrames(sink);
  double start = ProcessCpuSeconds();
  if (msg == nullptr) {
    msg.reset(gst_bus_timed_pop_filtered(bus.get(), static_cast<GstClockTime>(seconds) * GST_SECOND,
                                         stopping));
  }
  if (msg != nullptr) {
    std::fprintf(stderr, "bench_virtual_video: the pipeline stopped early\n");
    std::exit(1);
  }
  double used = ProcessCpuSeconds() - start;
  *frames = RenderedFrames(sink) - warmFrames;
  return used;
}

// videotestsrc ! capsfilter in a bin with a "src" pad, like the box's own source bin.
GstElement* Baseline() {
  GstElement* bin = gst_bin_new(nullptr);
  GstElement* src = gst_element_factory_make("videotestsrc", nullptr);
  GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
  const vd::CapsPtr caps(gst_caps_from_string(
      "video/x-raw,format=YUY2,width=768,height=576,framerate=25/1,pixel-aspect-ratio=1/1"));
  g_object_set(src, "is-live", TRUE, nullptr);
  g_object_set(filter, "caps", caps.get(), nullptr);
  gst_bin_add_many(GST_BIN(bin), src, filter, nullptr);
  gst_element_link(src, filter);
  const vd::PadPtr pad(gst_element_get_static_pad(filter, "src"));
  gst_element_add_pad(bin, gst_ghost_pad_new("src", pad.get()));
  return bin;
}

}  // namespace

int main(int argc, char** argv) {
  gst_init(&argc, &argv);
  int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
  if (seconds < 1) seconds = 5;

  auto box = std::make_shared<vd::VirtualTvBox>(vd::VirtualBoxConfig{});
  box->SetLockTime(std::chrono::milliseconds(0));
  vd::DeviceEnumerator enumerator;
  enumerator.AddBackend(std::make_unique<vd::VirtualBoxBackend>(box));
  auto device = enumerator.OpenVideoInput(0);
  uint32_t hz = 471250000;
  vd::KsPropertySetPtr(device->QueryPropertySet())
      ->Set(vd::kPropSetTuner, vd::kTunerPropFrequency, nullptr, 0, &hz, 4);
  device->SetTvFormat(vd::standard::kPalB);
  device->SetVideoFormat(vd::PinKind::kCapture, {768, 576, vd::kFourccYuy2, 16, 400000});

  // Baseline before and after, so a machine that gets busier or quieter during the run
  // does not favour either side.
  guint64 baseFrames = 0, laterFrames = 0, boxFrames = 0;
  double before = Measure(Baseline(), seconds, &baseFrames);
  double boxCpu = Measure(device->CreateSourceBin(vd::PinKind::kCapture), seconds, &boxFrames);
  double after = Measure(Baseline(), seconds, &laterFrames);
  double base = (before + after) / 2;
  baseFrames = (baseFrames + laterFrames) / 2;
  std::printf("videotestsrc 768x576 YUY2 25/s: %.3f s CPU for %llu frames in %d s\n", base,
              static_cast<unsigned long long>(baseFrames), seconds);
  std::printf("virtual box  768x576 YUY2 25/s: %.3f s CPU for %llu frames in %d s\n", boxCpu,
              static_cast<unsigned long long>(boxFrames), seconds);
  std::printf("ratio virtual box / videotestsrc: %.2f (aim: at most 1.30)\n",
              base > 0 ? boxCpu / base : 0.0);
  return 0;
}
