#include "vd/video/live_preview.h"

#include <utility>

#include "audio_sink.h"
#include "frame_output.h"
#include "vd/gst_elements.h"
#include "vd/gst_state_wait.h"
#include "vd/trace.h"
#include "vd/video/device_router.h"

VD_DEFINE_TRACE(TraceLive, "video")

namespace vd {
namespace {

constexpr GstClockTime kStateTimeout = 5 * GST_SECOND;

// A change of the live deinterlacer, carried to the moment the source's pad is idle.
// No reference to the pipeline: that would keep it alive through its own pad. Release()
// stops the pipeline, which waits for its streaming thread, before it lets it go.
struct DeinterlaceChange {
  GstElement* pipeline;
  GstElement* source;
  GstElement* output;
  bool on;
};

// Runs between two pictures (at once when the preview is not running), on whichever thread
// the pad is idle in; touches only the pipeline, never the preview object. Changes asked for in a
// row run in their order, each one bringing the pipeline to its own state.
GstPadProbeReturn ChangeDeinterlacer(GstPad*, GstPadProbeInfo*, gpointer data) {
  auto* change = static_cast<DeinterlaceChange*>(data);
  GstBin* bin = GST_BIN(change->pipeline);
  const ElementPtr present(gst_bin_get_by_name(bin, FrameOutput::kDeinterlacerName));
  if ((present != nullptr) == change->on) return GST_PAD_PROBE_REMOVE;
  if (present != nullptr) {
    gst_element_unlink_many(change->source, present.get(), change->output, nullptr);
    gst_element_set_state(present.get(), GST_STATE_NULL);
    gst_bin_remove(bin, present.get());
    if (!gst_element_link(change->source, change->output))
      TraceLive("cannot link the preview again without its deinterlacer\n");
    return GST_PAD_PROBE_REMOVE;
  }
  GstElement* deinterlace = FrameOutput::CreateDeinterlacer();
  if (deinterlace == nullptr) {
    TraceLive("no deinterlacer: the live picture stays as it comes\n");
    return GST_PAD_PROBE_REMOVE;
  }
  gst_bin_add(bin, deinterlace);
  gst_element_unlink(change->source, change->output);
  if (!gst_element_link_many(change->source, deinterlace, change->output, nullptr)) {
    // Back to the picture as it was rather than none.
    gst_element_unlink_many(change->source, deinterlace, change->output, nullptr);
    gst_bin_remove(bin, deinterlace);
    gst_element_link(change->source, change->output);
    TraceLive("cannot link the live deinterlacer\n");
    return GST_PAD_PROBE_REMOVE;
  }
  gst_element_sync_state_with_parent(deinterlace);
  return GST_PAD_PROBE_REMOVE;
}

}  // namespace

LivePreview::LivePreview(CaptureSettings& settings, DeviceRouter& router,
                         std::function<void(const std::string&)> fail)
    : settings_(settings), router_(router), fail_(std::move(fail)) {}

LivePreview::~LivePreview() = default;

bool LivePreview::Build(VideoFrameSink* sink) {
  CaptureDevice* video = router_.Video();
  // The capture pin runs at the computed rate; set it before any source takes its format.
  VideoFormat capture;
  if (Succeeded(video->GetVideoFormat(PinKind::kCapture, &capture))) {
    capture.frameInterval = router_.ComputeFrameInterval();
    if (Failed(video->SetVideoFormat(PinKind::kCapture, capture)))
      fail_("Cannot set frame rate for capture");
  }

  pipeline_ = AdoptElement(gst_pipeline_new("preview"));
  // The capture filter's own sound goes to the speakers only when the audio-preview
  // pipeline does not play it already.
  if (router_.AudioOnCaptureFilter() && audio_ == nullptr) AddCardSound();

  noPreviewPin_ = !video->HasPin(PinKind::kPreview);
  GstElement* source =
      video->CreateSourceBin(noPreviewPin_ ? PinKind::kCapture : PinKind::kPreview);
  if (source == nullptr) {
    fail_("This graph cannot preview");
    pipeline_.reset();
    return false;
  }
  gst_bin_add(GST_BIN(pipeline_.get()), source);
  GstElement* output = sink != nullptr ? FrameOutput::Create(sink) : MakeElement<"fakesink">();
  if (output == nullptr) {
    fail_("This graph cannot preview properly");
    return true;
  }
  gst_bin_add(GST_BIN(pipeline_.get()), output);
  if (!gst_element_link(source, output)) fail_("This graph cannot preview properly");
  source_ = source;
  output_ = output;
  ApplyDeinterlace();
  return true;
}

void LivePreview::AddCardSound() {
  GstElement* source = router_.Video()->CreateSourceBin(PinKind::kAudioPreview);
  GstElement* convert = MakeElement<"audioconvert">();
  GstElement* sink = MakeAudioSink(AudioSinkClock::kLive);
  const bool made = source != nullptr && convert != nullptr && sink != nullptr;
  for (GstElement* e : {source, convert, sink}) {
    if (e != nullptr) gst_bin_add(GST_BIN(pipeline_.get()), e);
  }
  if (!made || !gst_element_link_many(source, convert, sink, nullptr))
    fail_("Cannot render audio capture stream");
}

bool LivePreview::Run() {
  GstElement* pipeline = pipeline_.get();
  if (pipeline == nullptr) return false;
  bool ok = gst_element_set_state(pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
  if (ok) {
    GstState state = GST_STATE_NULL;
    const GstStateChangeReturn ret = WaitForState(pipeline, &state, kStateTimeout);
    ok = ret != GST_STATE_CHANGE_FAILURE && state == GST_STATE_PLAYING;
  }
  if (!ok) gst_element_set_state(pipeline, GST_STATE_NULL);
  return ok;
}

bool LivePreview::Stop() {
  return pipeline_ != nullptr &&
         gst_element_set_state(pipeline_.get(), GST_STATE_NULL) != GST_STATE_CHANGE_FAILURE;
}

void LivePreview::Release() {
  if (pipeline_ != nullptr) gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
  pipeline_.reset();
  source_ = nullptr;
  output_ = nullptr;
  noPreviewPin_ = false;
}

void LivePreview::SetDeinterlace(bool on) {
  settings_.deinterlaceLive = on;
  ApplyDeinterlace();
}

void LivePreview::ApplyDeinterlace() {
  if (pipeline_ == nullptr || source_ == nullptr || output_ == nullptr) return;
  const PadPtr pad(gst_element_get_static_pad(source_, "src"));
  if (pad == nullptr) return;
  auto* change =
      new DeinterlaceChange{pipeline_.get(), source_, output_, settings_.deinterlaceLive};
  gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_IDLE, &ChangeDeinterlacer, change,
                    [](gpointer data) { delete static_cast<DeinterlaceChange*>(data); });
}

void LivePreview::BuildAudio() {
  bool failed = false;
  audio_ = router_.CreateAudioPreview(&failed);
  if (failed) fail_("Cannot Initialize audio preview filtergraph");
}

void LivePreview::StartAudio() {
  if (audio_ != nullptr && !audio_->IsRunning()) audio_->Start();
}

void LivePreview::StopAudio() {
  if (audio_ != nullptr) audio_->Stop();
}

}  // namespace vd
