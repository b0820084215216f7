// CaptureGraph: the preview pipeline, its bus, device changes and the video size.
#include <algorithm>

#include "audio_sink.h"
#include "frame_output.h"
#include "vd/gst_elements.h"
#include "vd/gst_state_wait.h"
#include "vd/trace.h"
#include "vd/tuning/tuner_control.h"
#include "vd/video/capture_graph.h"
#include "vd/video/capture_pipeline.h"
#include "vd/video/disk_budget.h"

VD_DEFINE_TRACE(TracePreview, "video")

namespace {
constexpr GstClockTime kStateTimeout = 5 * GST_SECOND;
}  // namespace

bool CaptureGraph::BuildPreviewGraph() {
  if (lifecycle_.HasPreviewGraph()) return true;
  if (lifecycle_.IsCapturing() || router_.Video() == nullptr) return false;
  if (lifecycle_.HasCaptureGraph()) TearDownGraph();

  // The capture pin runs at the computed rate; set it before any source takes its format.
  vd::VideoFormat capture;
  if (vd::Succeeded(router_.Video()->GetVideoFormat(vd::PinKind::kCapture, &capture))) {
    capture.frameInterval = router_.ComputeFrameInterval();
    if (vd::Failed(router_.Video()->SetVideoFormat(vd::PinKind::kCapture, capture)))
      Fail("Cannot set frame rate for capture");
  }

  preview_ = vd::AdoptElement(gst_pipeline_new("preview"));
  GstElement* pipeline = preview_.get();

  // The capture filter's own sound goes to the speakers only when the audio-preview
  // pipeline does not play it already.
  if (router_.AudioOnCaptureFilter() && audioPreview_ == nullptr) {
    GstElement* source = router_.Video()->CreateSourceBin(vd::PinKind::kAudioPreview);
    GstElement* convert = vd::MakeElement<"audioconvert">();
    GstElement* sink = vd::MakeAudioSink(vd::AudioSinkClock::kLive);
    bool made = source != nullptr && convert != nullptr && sink != nullptr;
    for (GstElement* e : {source, convert, sink}) {
      if (e != nullptr) gst_bin_add(GST_BIN(pipeline), e);
    }
    if (!made || !gst_element_link_many(source, convert, sink, nullptr))
      Fail("Cannot render audio capture stream");
  }

  noPreviewPin_ = !router_.Video()->HasPin(vd::PinKind::kPreview);
  GstElement* source = router_.Video()->CreateSourceBin(noPreviewPin_ ? vd::PinKind::kCapture
                                                                      : vd::PinKind::kPreview);
  if (source == nullptr) {
    Fail("This graph cannot preview");
    preview_.reset();
    return false;
  }
  gst_bin_add(GST_BIN(pipeline), source);
  GstElement* output =
      video_sink_ != nullptr ? vd::FrameOutput::Create(video_sink_) : vd::MakeElement<"fakesink">();
  if (output == nullptr) {
    Fail("This graph cannot preview properly");
  } else {
    gst_bin_add(GST_BIN(pipeline), output);
    if (!gst_element_link(source, output)) Fail("This graph cannot preview properly");
    previewSource_ = source;
    previewOutput_ = output;
    ApplyLiveDeinterlace();
  }

  stills_.Connect(router_.Video(), pipeline);
  WatchBus(pipeline, &previewWatch_);
  access_.Open(router_.Video(), [this](const std::string& caption, const std::string& text) {
    host_.ShowMessageBox(caption, text);
  });
  lifecycle_.MoveTo(vd::CaptureStage::kPreviewBuilt);
  return true;
}

namespace {
// A change of the live deinterlacer, carried to the moment the source's pad is idle.
// No reference to the pipeline: that would keep it alive through its own pad. The engine
// stops the pipeline, which waits for its streaming thread, before it lets it go.
struct DeinterlaceChange {
  GstElement* pipeline;
  GstElement* source;
  GstElement* output;
  bool on;
};

// Runs between two pictures (at once when the preview is not running), on whichever thread
// the pad is idle in; touches only the pipeline, never the engine. Changes asked for in a row
// run in their order, each one bringing the pipeline to its own state.
GstPadProbeReturn ChangeDeinterlacer(GstPad*, GstPadProbeInfo*, gpointer data) {
  auto* change = static_cast<DeinterlaceChange*>(data);
  GstBin* bin = GST_BIN(change->pipeline);
  const vd::ElementPtr present(gst_bin_get_by_name(bin, vd::FrameOutput::kDeinterlacerName));
  if ((present != nullptr) == change->on) return GST_PAD_PROBE_REMOVE;
  if (present != nullptr) {
    gst_element_unlink_many(change->source, present.get(), change->output, nullptr);
    gst_element_set_state(present.get(), GST_STATE_NULL);
    gst_bin_remove(bin, present.get());
    if (!gst_element_link(change->source, change->output))
      TracePreview("cannot link the preview again without its deinterlacer\n");
    return GST_PAD_PROBE_REMOVE;
  }
  GstElement* deinterlace = vd::FrameOutput::CreateDeinterlacer();
  if (deinterlace == nullptr) {
    TracePreview("no deinterlacer: the live picture stays as it comes\n");
    return GST_PAD_PROBE_REMOVE;
  }
  gst_bin_add(bin, deinterlace);
  gst_element_unlink(change->source, change->output);
  if (!gst_element_link_many(change->source, deinterlace, change->output, nullptr)) {
    // Back to the picture as it was rather than none.
    gst_element_unlink_many(change->source, deinterlace, change->output, nullptr);
    gst_bin_remove(bin, deinterlace);
    gst_element_link(change->source, change->output);
    TracePreview("cannot link the live deinterlacer\n");
    return GST_PAD_PROBE_REMOVE;
  }
  gst_element_sync_state_with_parent(deinterlace);
  return GST_PAD_PROBE_REMOVE;
}
}  // namespace

void CaptureGraph::SetLiveDeinterlace(bool on) {
  settings_.deinterlaceLive = on;
  ApplyLiveDeinterlace();
}

void CaptureGraph::ApplyLiveDeinterlace() {
  if (preview_ == nullptr || previewSource_ == nullptr || previewOutput_ == nullptr) return;
  const vd::PadPtr pad(gst_element_get_static_pad(previewSource_, "src"));
  if (pad == nullptr) return;
  auto* change = new DeinterlaceChange{preview_.get(), previewSource_, previewOutput_,
                                       settings_.deinterlaceLive};
  gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_IDLE, &ChangeDeinterlacer, change,
                    [](gpointer data) { delete static_cast<DeinterlaceChange*>(data); });
}

bool CaptureGraph::RunPipeline(GstElement* pipeline) {
  if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) return false;
  GstState state = GST_STATE_NULL;
  GstStateChangeReturn ret = vd::WaitForState(pipeline, &state, kStateTimeout);
  return ret != GST_STATE_CHANGE_FAILURE && state == GST_STATE_PLAYING;
}

bool CaptureGraph::StartPreview() {
  if (lifecycle_.IsPreviewing()) return true;
  if (!lifecycle_.HasPreviewGraph() || preview_ == nullptr) return false;
  bool ok = RunPipeline(preview_.get());
  if (!ok) gst_element_set_state(preview_.get(), GST_STATE_NULL);
  if (router_.Tuner() != nullptr) router_.Tuner()->RetuneCurrent();
  if (!ok) {
    Fail("Error: Cannot run preview graph");
    return false;
  }
  lifecycle_.MoveTo(vd::CaptureStage::kPreviewing);
  return true;
}

bool CaptureGraph::StopPreview(bool quiet) {
  if (!lifecycle_.IsPreviewing()) return false;
  if (preview_ == nullptr ||
      gst_element_set_state(preview_.get(), GST_STATE_NULL) == GST_STATE_CHANGE_FAILURE) {
    if (!quiet) Fail("Error: Cannot stop preview graph");
    return false;
  }
  lifecycle_.MoveTo(vd::CaptureStage::kPreviewBuilt);
  return true;
}

void CaptureGraph::TearDownGraph() {
  if (lifecycle_.IsCapturing()) EndRecording();
  if (captureWatch_ != 0) g_source_remove(captureWatch_);
  captureWatch_ = 0;
  recorder_.Release();
  if (previewWatch_ != 0) g_source_remove(previewWatch_);
  previewWatch_ = 0;
  if (preview_ != nullptr) gst_element_set_state(preview_.get(), GST_STATE_NULL);
  preview_.reset();
  previewSource_ = nullptr;
  previewOutput_ = nullptr;
  // No picture can arrive any more: the still buffer can go.
  stills_.Release();
  lifecycle_.MoveTo(vd::CaptureStage::kIdle);
  noPreviewPin_ = false;
}

void CaptureGraph::WatchBus(GstElement* pipeline, guint* watchId) {
  const vd::BusPtr bus(gst_element_get_bus(pipeline));
  *watchId = gst_bus_add_watch(bus.get(), &CaptureGraph::OnBusMessage, this);
}

gboolean CaptureGraph::OnBusMessage(GstBus*, GstMessage* message, gpointer self) {
  static_cast<CaptureGraph*>(self)->OnGraphEvent(message);
  return G_SOURCE_CONTINUE;
}

void CaptureGraph::OnDeviceChange(int32_t event) {
  if (event == kDeviceNodesChanged) {
    // The recording's source may have said so first: the host hears of one loss once.
    if (!deviceLost_) host_.OnDeviceLost();
    deviceLost_ = true;
    // A recording in progress is finished properly before the device objects go.
    const bool recording = lifecycle_.IsCapturing();
    if (recording) EndRecording();
    // A preview that would not stop goes with the teardown all the same.
    StopPreview(true);
    TearDownGraph();
    FreeCapFilters();
    // Ended without the user's Stop: the window leaves its capture state, and the recording
    // waits in the capture file as one nobody saved.
    if (recording) host_.OnCaptureAborted();
  } else if (event == kDeviceArrival) {
    if (!deviceLost_) return;
    if (router_.WantPreview()) StopPreview(true);
    TearDownGraph();
    FreeCapFilters();
    if (!router_.FindLostDevice()) {
      host_.RefreshControls();
      return;
    }
    if (InitCapFilters()) StartLive();
    deviceLost_ = false;
  } else {
    return;
  }
  host_.RefreshControls();
}

void CaptureGraph::ResizeVideo(bool fullScreen, int32_t width, int32_t height) {
  if (fullScreen || width != 0 || height != 0) {
    storedWidth_ = width;
    storedHeight_ = height;
  } else {
    width = storedWidth_;
    height = storedHeight_;
  }
  if (fullScreen) return;
  vd::VideoFormat format;
  if (player_ != nullptr && player_->IsActive()) {
    player_->GetVideoSize(&width, &height);
  } else if (router_.Video() == nullptr) {
    return;
  } else if (vd::Succeeded(router_.Video()->GetVideoFormat(vd::PinKind::kCapture, &format))) {
    width = format.width;
    height = std::abs(format.height);
  }
  host_.ResizeVideoArea(width, height);
}

void CaptureGraph::OnGraphEvent(GstMessage* message) {
  GstObject* from = GST_MESSAGE_SRC(message);
  bool fromCapture = recorder_.Pipeline() != nullptr && recorder_.Pipeline()->Owns(from);
  switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
      GError* error = nullptr;
      gst_message_parse_error(message, &error, nullptr);
      TracePreview("graph error: %s\n", error != nullptr ? error->message : "?");
      if (fromCapture && lifecycle_.IsCapturing()) {
        bool removed = error != nullptr && error->domain == GST_RESOURCE_ERROR &&
                       error->code == GST_RESOURCE_ERROR_NOT_FOUND;
        g_clear_error(&error);
        EndRecording(recorder_.Pipeline()->IsWriter(from) && !recorder_.Pipeline()->DiskFull());
        // The device's removal can reach the recording before the enumerator reports it,
        // and a command-line recording ends right here: the host must learn why now.
        if (removed && !deviceLost_) {
          deviceLost_ = true;
          host_.OnDeviceLost();
        }
        if (!removed) {
          // Read before the preview, which lets the recording's pipeline go.
          const bool margin =
              recorder_.Pipeline() != nullptr && recorder_.Pipeline()->MarginReached();
          const bool largest =
              recorder_.Pipeline() != nullptr && recorder_.Pipeline()->LargestFileReached();
          if (router_.WantPreview() && BuildPreviewGraph()) StartPreview();
          if (largest) {
            Fail("The recording was ended at " +
                 vd::DiskBudget::TextOfSize(recorder_.File().LargestCaptureFile()) +
                 ", the most one AVI file can hold. What was recorded is kept; for longer "
                 "recordings choose a compression on the Capture page.");
          } else if (margin) {
            Fail("The recording was ended because the disk is nearly full (" +
                 std::to_string(vd::DiskBudget::kMarginBytes / (1024 * 1024)) +
                 " MB are kept free). What was recorded is kept.");
          } else {
            Fail("ERROR during capture - disk possibly full ");
          }
        }
        host_.OnCaptureAborted();
        return;
      }
      g_clear_error(&error);
      break;
    }
    default:
      break;
  }
}
