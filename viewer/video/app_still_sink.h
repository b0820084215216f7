// The still sink on GStreamer: the device's still source feeding an appsink inside the
// preview pipeline. Pictures are copied bottom row first, as bitmap files keep them.
#pragma once

#include <condition_variable>
#include <mutex>

#include "vd/gst_ptr.h"
#include "vd/video/still_sink.h"

namespace vd {

class AppStillSink final : public StillSink {
 public:
  AppStillSink(CaptureDevice* device, GstElement* pipeline);
  ~AppStillSink() override;

  // Adds the device's still source and the appsink to the pipeline.
  HResult Connect();

  HResult GetFormat(VideoFormat* format) override;
  HResult SetFormat(const VideoFormat& format) override;
  void SetBuffer(uint8_t* buffer, size_t size) override;
  int32_t Snap() override;
  void SetCallback(Callback callback, uintptr_t user) override;

  static constexpr int32_t kWaitTimeout = 0x102;
  static constexpr int kSnapWaitMs = 5000;

 private:
  static GstFlowReturn OnSample(GstElement* appsink, gpointer self);
  void Deliver(GstSample* sample);
  bool AddSource();

  CaptureDevice* device_;
  GstElement* pipeline_;
  GstPtr<GstElement> appsink_;
  GstElement* source_ = nullptr;  // owned by the pipeline
  bool videoControl_ = false;

  std::mutex mutex_;
  std::condition_variable arrived_;
  bool signalled_ = false;
  uint8_t* buffer_ = nullptr;
  size_t size_ = 0;
  Callback callback_;
  uintptr_t user_ = 0;
};

}  // namespace vd
