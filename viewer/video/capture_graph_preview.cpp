// CaptureGraph: the preview pipeline, its bus, device changes and the video size.
#include <algorithm>

#include "vd/trace.h"
#include "vd/tuning/tuner_control.h"
#include "vd/video/capture_graph.h"
#include "vd/video/capture_pipeline.h"
#include "vd/video/disk_budget.h"

VD_DEFINE_TRACE(TracePreview, "video")

bool CaptureGraph::BuildPreviewGraph() {
  if (lifecycle_.HasPreviewGraph()) return true;
  if (lifecycle_.IsCapturing() || router_.Video() == nullptr) return false;
  if (lifecycle_.HasCaptureGraph()) TearDownGraph();
  if (!preview_.Build(video_sink_)) return false;

  GstElement* pipeline = preview_.Pipeline();
  stills_.Connect(router_.Video(), pipeline);
  WatchBus(pipeline, &previewWatch_);
  access_.Open(router_.Video(), [this](const std::string& caption, const std::string& text) {
    host_.ShowMessageBox(caption, text);
  });
  lifecycle_.MoveTo(vd::CaptureStage::kPreviewBuilt);
  return true;
}

bool CaptureGraph::StartPreview() {
  if (lifecycle_.IsPreviewing()) return true;
  if (!lifecycle_.HasPreviewGraph() || preview_.Pipeline() == nullptr) return false;
  const bool ok = preview_.Run();
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
  if (!preview_.Stop()) {
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
  preview_.Release();
  // No picture can arrive any more: the still buffer can go.
  stills_.Release();
  lifecycle_.MoveTo(vd::CaptureStage::kIdle);
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
