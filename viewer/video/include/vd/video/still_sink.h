// The viewer's sink on the capture device's still pin. Two users: the device's own snapshot
// trigger (pictures written as numbered bitmaps by the callback) and the Snapshot command
// (one picture into a caller's buffer). Pictures arrive on the still source's streaming
// thread; SetBuffer, SetCallback and Snap take the sink's lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "vd/capture_device.h"
#include "vd/hresult.h"

typedef struct _GstElement GstElement;

class StillSink {
 public:
  // Called on the streaming thread after a picture was copied into the buffer.
  using Callback = std::function<void()>;

  // Joins the device's still pin to a new sink inside `pipeline`. kENoInterface when the
  // device has no still pin; any failure leaves the pipeline as it was.
  static vd::HResult NewStillCapture(vd::CaptureDevice* device, GstElement* pipeline,
                                     std::unique_ptr<StillSink>* out);
  virtual ~StillSink() = default;

  virtual vd::HResult GetFormat(vd::VideoFormat* format) = 0;
  // kEInvalidArg for a frame interval of 0.
  virtual vd::HResult SetFormat(const vd::VideoFormat& format) = 0;
  // Destination of the next pictures (image-size bytes), or null for none.
  virtual void SetBuffer(uint8_t* buffer, size_t size) = 0;
  // Triggers one picture. With a callback and user value 0 returns at once; otherwise waits
  // up to 5000 ms and returns 0 when the picture arrived, non-zero otherwise.
  virtual int32_t Snap() = 0;
  // Stored under the lock; user value 0 enables the device's external trigger, any other
  // value disables it.
  virtual void SetCallback(Callback callback, uintptr_t user) = 0;
};
