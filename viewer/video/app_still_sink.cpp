#include "app_still_sink.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <chrono>
#include <cstring>

#include "vd/device_props.h"
#include "vd/gst_elements.h"

vd::HResult StillSink::NewStillCapture(vd::CaptureDevice* device, GstElement* pipeline,
                                       std::unique_ptr<StillSink>* out) {
  using namespace vd;
  bool found = false;
  for (const PinInfo& pin : device->Pins()) {
    if (pin.direction == PinDirection::kOutput && pin.category == kPinCategoryStill) {
      found = true;
      break;
    }
  }
  if (!found) return kENoInterface;
  auto sink = std::make_unique<vd::AppStillSink>(device, pipeline);
  HResult hr = sink->Connect();
  if (Failed(hr)) return hr;
  *out = std::move(sink);
  return kSOk;
}

namespace vd {

AppStillSink::AppStillSink(CaptureDevice* device, GstElement* pipeline)
    : device_(device), pipeline_(pipeline) {
  uint32_t mode = 0;
  videoControl_ = Succeeded(device_->GetVideoControlMode(&mode));
}

AppStillSink::~AppStillSink() {
  if (appsink_ != nullptr) {
    GstAppSinkCallbacks none = {};
    gst_app_sink_set_callbacks(GST_APP_SINK(appsink_.get()), &none, nullptr, nullptr);
  }
}

bool AppStillSink::AddSource() {
  source_ = device_->CreateSourceBin(PinKind::kStill);
  if (source_ == nullptr) return false;
  gst_bin_add(GST_BIN(pipeline_), source_);
  if (!gst_element_link(source_, appsink_.get())) {
    gst_bin_remove(GST_BIN(pipeline_), source_);
    source_ = nullptr;
    return false;
  }
  return true;
}

HResult AppStillSink::Connect() {
  GstElement* appsink = vd::MakeElement<"appsink">("still");
  if (appsink == nullptr) return kEFail;
  g_object_set(appsink, "sync", FALSE, "async", FALSE, "enable-last-sample", FALSE, nullptr);
  GstAppSinkCallbacks callbacks = {};
  callbacks.new_sample = [](GstAppSink* s, gpointer self) {
    return OnSample(GST_ELEMENT(s), self);
  };
  gst_app_sink_set_callbacks(GST_APP_SINK(appsink), &callbacks, this, nullptr);
  appsink_ = AdoptElement(appsink);
  gst_bin_add(GST_BIN(pipeline_), appsink);
  if (!AddSource()) {
    gst_bin_remove(GST_BIN(pipeline_), appsink);
    return kEFail;
  }
  return kSOk;
}

HResult AppStillSink::GetFormat(VideoFormat* format) {
  return device_->GetVideoFormat(PinKind::kStill, format);
}

HResult AppStillSink::SetFormat(const VideoFormat& format) {
  if (format.frameInterval == 0) return kEInvalidArg;
  HResult hr = device_->SetVideoFormat(PinKind::kStill, format);
  if (Failed(hr)) return hr;
  // The source took its caps when it was made: before the pipeline runs, make it anew.
  GstState state = GST_STATE_NULL;
  gst_element_get_state(pipeline_, &state, nullptr, 0);
  if (state == GST_STATE_NULL && source_ != nullptr) {
    gst_element_unlink(source_, appsink_.get());
    gst_bin_remove(GST_BIN(pipeline_), source_);
    source_ = nullptr;
    if (!AddSource()) return kEFail;
  }
  return kSOk;
}

void AppStillSink::SetBuffer(uint8_t* buffer, size_t size) {
  std::lock_guard lock(mutex_);
  buffer_ = buffer;
  size_ = buffer != nullptr ? size : 0;
}

int32_t AppStillSink::Snap() {
  std::unique_lock lock(mutex_);
  if (!videoControl_) return kEPointer;
  signalled_ = false;
  uint32_t mode = 0;
  device_->GetVideoControlMode(&mode);
  device_->SetVideoControlMode(mode | kVideoControlTrigger);
  if (callback_ && user_ == 0) return 0;
  bool got = arrived_.wait_for(lock, std::chrono::milliseconds(kSnapWaitMs),
                               [this] { return signalled_; });
  return got ? 0 : kWaitTimeout;
}

void AppStillSink::SetCallback(Callback callback, uintptr_t user) {
  std::lock_guard lock(mutex_);
  callback_ = std::move(callback);
  user_ = user;
  uint32_t mode = 0;
  if (Succeeded(device_->GetVideoControlMode(&mode))) {
    mode &= ~kVideoControlTrigger;
    if (user == 0) {
      mode |= kVideoControlExternalTriggerEnable;
    } else {
      mode &= ~kVideoControlExternalTriggerEnable;
    }
    device_->SetVideoControlMode(mode);
  }
}

GstFlowReturn AppStillSink::OnSample(GstElement* appsink, gpointer self) {
  const SamplePtr sample(gst_app_sink_pull_sample(GST_APP_SINK(appsink)));
  if (sample == nullptr) return GST_FLOW_EOS;
  static_cast<AppStillSink*>(self)->Deliver(sample.get());
  return GST_FLOW_OK;
}

void AppStillSink::Deliver(GstSample* sample) {
  GstVideoInfo info;
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  GstMapInfo map;
  if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) || buffer == nullptr ||
      !gst_buffer_map(buffer, &map, GST_MAP_READ))
    return;
  std::lock_guard lock(mutex_);
  if (buffer_ != nullptr) {
    size_t row =
        static_cast<size_t>(GST_VIDEO_INFO_WIDTH(&info)) * GST_VIDEO_INFO_COMP_PSTRIDE(&info, 0);
    size_t stride = static_cast<size_t>(GST_VIDEO_INFO_PLANE_STRIDE(&info, 0));
    size_t height = static_cast<size_t>(GST_VIDEO_INFO_HEIGHT(&info));
    // Bitmap rows run bottom to top, each padded to four bytes.
    size_t dibRow = (row + 3) & ~size_t{3};
    for (size_t y = 0; y < height; ++y) {
      size_t at = (height - 1 - y) * dibRow;
      if (at + row > size_ || y * stride + row > map.size) continue;
      std::memcpy(buffer_ + at, map.data + y * stride, row);
    }
  }
  gst_buffer_unmap(buffer, &map);
  signalled_ = true;
  arrived_.notify_all();
  // The routine runs under the lock: it reads the buffer this sink just filled.
  if (callback_) callback_();
}

}  // namespace vd
