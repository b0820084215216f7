// The library's process-wide state: the capture device, the private pipeline (its bulk
// source bin ! appsink "In"), the sink object and the host's remote callback. The exported C
// functions are thin wrappers.
#pragma once

#include <gst/gst.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "teletext.h"
#include "vbi_sink.h"
#include "vd/capture_device.h"
#include "vd/gst_ptr.h"

namespace vd {

class TeletextLibrary {
 public:
  static TeletextLibrary& Instance();

  int32_t Control(int32_t type, int32_t a);
  int32_t ReadData(int32_t type, WstDataBlock* block, int32_t a, int32_t b);
  int32_t InitRemote(IrRemoteCallback callback);
  int32_t ExitRemote();

  // For tests: the running sink, or null.
  VbiSink* Sink() { return sink_.get(); }

 private:
  TeletextLibrary() = default;
  ~TeletextLibrary() { Dismantle(); }
  int32_t Init();
  int32_t Exit();
  void Dismantle();
  void DeliverRemote(int32_t units, int32_t code);

  std::atomic<IrRemoteCallback> callback_{nullptr};
  int initCalls_ = 0;
  vd::ElementPtr pipeline_;
  std::unique_ptr<VbiSink> sink_;
  // The capture device whose bulk pin feeds the graph; null for a test's source.
  std::unique_ptr<CaptureDevice> device_;
};

}  // namespace vd
