#include "teletext_library.h"

#include <gst/app/gstappsink.h>

#include <limits>

#include "bulk_source.h"
#include "teletext_trace.h"
#include "vd/gst_elements.h"
#include "vd/gst_ptr.h"

namespace vd {

namespace {

// The block is the host's memory: write it byte by byte in its little-endian layout.
void PutWord(WstDataBlock* block, int offset, int32_t value) {
  auto* bytes = reinterpret_cast<uint8_t*>(block) + offset;
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutWords(WstDataBlock* block, int32_t w0, int32_t w1, int32_t w2, int32_t w3) {
  PutWord(block, 0, w0);
  PutWord(block, 4, w1);
  PutWord(block, 8, w2);
  PutWord(block, 12, w3);
}

GstFlowReturn OnSample(GstAppSink* appsink, gpointer user) {
  auto* sink = static_cast<VbiSink*>(user);
  const vd::SamplePtr sample(gst_app_sink_pull_sample(appsink));
  if (sample == nullptr) return GST_FLOW_EOS;
  if (GstBuffer* buffer = gst_sample_get_buffer(sample.get())) {
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
      sink->Receive(map.data, map.size);
      gst_buffer_unmap(buffer, &map);
    }
  }
  return GST_FLOW_OK;
}

}  // namespace

TeletextLibrary& TeletextLibrary::Instance() {
  static TeletextLibrary library;
  return library;
}

int32_t TeletextLibrary::InitRemote(IrRemoteCallback callback) {
  // A null callback forgets the one given before (a host about to unload its code).
  if (callback == nullptr) {
    callback_.store(nullptr, std::memory_order_release);
    return 0;
  }
  callback_.store(callback, std::memory_order_release);
  return Control(WST_INIT, 0);
}

void TeletextLibrary::DeliverRemote(int32_t units, int32_t code) {
  if (IrRemoteCallback cb = callback_.load(std::memory_order_acquire)) cb(units, code);
}

int32_t TeletextLibrary::Control(int32_t type, int32_t a) {
  switch (type) {
    case WST_INIT:
      return Init();
    case WST_EXIT:
      return Exit();
    case WST_OPEN:
      TeletextTrace("WST_OPEN\n");
      return 1;
    case WST_CLOSE:
      TeletextTrace("WST_CLOSE\n");
      return 1;
    case WST_START:
      TeletextTrace("WST_START\n");
      return 1;
    case WST_STOP:
      TeletextTrace("WST_STOP\n");
      return 1;
    case WST_CHANNEL:
      if (a == WST_CHANNEL_CHANGING) {
        TeletextTrace("WST_CHANNEL_CHANGING\n");
        return 1;
      }
      if (a == WST_CHANNEL_CHANGED) {
        TeletextTrace("WST_CHANNEL_CHANGED\n");
        return 1;
      }
      return -1;
    default:
      TeletextTrace("default: WST_Control-> return 0\n");
      return 0;
  }
}

int32_t TeletextLibrary::Init() {
  TeletextTrace("WST_INIT - %d\n", initCalls_);
  ++initCalls_;
  // One instance per process: a second graph on the same device would only fight the first.
  if (sink_) {
    TeletextTrace("WST_INIT EXIT\n");
    return 1;
  }
  vd::ErrorPtr error;
  if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, vd::ErrorOut(error))) {
    TeletextTrace("PrtHresult-> %s\n", error != nullptr ? error->message : "gst_init failed");
    return 0;
  }
  BulkSource bulk = MakeBulkSource();
  if (bulk.element == nullptr) return 0;
  // Held until the pipeline has them, so that a failure below drops both.
  const vd::ElementPtr source = vd::AdoptElement(bulk.element);
  device_ = std::move(bulk.device);
  pipeline_ = vd::AdoptElement(gst_pipeline_new(nullptr));
  const vd::ElementPtr appsink = vd::AdoptElement(vd::MakeElement<"appsink">("In"));
  if (pipeline_ == nullptr || appsink == nullptr) {
    Dismantle();
    return 0;
  }
  sink_ = std::make_unique<VbiSink>(
      [this](int32_t units, int32_t code) { DeliverRemote(units, code); });
  g_object_set(appsink.get(), "sync", FALSE, "max-buffers", 64u, nullptr);
  GstAppSinkCallbacks callbacks{};
  callbacks.new_sample = OnSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(appsink.get()), &callbacks, sink_.get(), nullptr);
  gst_bin_add_many(GST_BIN(pipeline_.get()), source.get(), appsink.get(), nullptr);
  if (!gst_element_link(source.get(), appsink.get())) {
    TeletextTrace("PrtHresult-> %s\n", "cannot connect the bulk pin to In");
    Dismantle();
    return 0;
  }
  if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    TeletextTrace("PrtHresult-> %s\n", "cannot run the graph");
    Dismantle();
    return 0;
  }
  TeletextTrace("WST_INIT EXIT\n");
  return sink_ ? 1 : 0;
}

void TeletextLibrary::Dismantle() {
  if (pipeline_ != nullptr) {
    gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
    // NULL waits for the streaming thread, so no Receive can reach the sink afterwards.
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    pipeline_.reset();
  }
  sink_.reset();
  // Last, so the device outlives every sample its source bin delivered.
  device_.reset();
}

int32_t TeletextLibrary::Exit() {
  TeletextTrace("WST_EXIT\n");
  // From the remote callback this would wait for the very thread that is asking.
  if (sink_ && sink_->OnWorkerThread()) return -1;
  Dismantle();
  return 1;
}

int32_t TeletextLibrary::ExitRemote() {
  const int32_t result = Control(WST_EXIT, 0);
  // The worker is gone, so nothing calls the callback any more: a later WST_INIT must not
  // call a host's code it may have unloaded since.
  if (result != -1) callback_.store(nullptr, std::memory_order_release);
  return result;
}

int32_t TeletextLibrary::ReadData(int32_t type, WstDataBlock* block, int32_t a, int32_t b) {
  int32_t result = -1;
  switch (type) {
    case SRC_FORMAT:
      TeletextTrace("SRC_FORMAT\n");
      if (block == nullptr) break;
      PutWord(block, 0, 8);
      PutWord(block, 4, 16);
      result = b > 0 ? b - b % 42 : 0;
      break;
    case SRC_PACKETS: {
      TeletextTrace("SRC_PACKETS\n");
      // From the remote callback the worker itself would wait for the pass it is running.
      if (block == nullptr || !sink_ || sink_->OnWorkerThread()) {
        TeletextTrace("WST_ReadData-> return -1\n");
        return -1;
      }
      PutWords(block, 0, 0, 0, 0);
      const size_t room = a > 0 ? static_cast<size_t>(a) : 0;
      const uint32_t copied = sink_->CopyPacketsToApp(WST_PACKET_DATA(block), room);
      if (copied == 0) TeletextTrace("GetTeletextPackets() return with FALSE\n");
      PutWord(block, 12, static_cast<int32_t>(copied));
      result = static_cast<int32_t>(copied * VbiConverter::kPacketSize);
      break;
    }
    case SRC_VERSION:
      TeletextTrace("SRC_VERSION\n");
      result = (b == 0 || b == 1) ? 1 : 0;
      break;
    case SRC_STATUS:
      TeletextTrace("SRC_STATUS\n");
      if (block == nullptr) break;
      PutWords(block, 0, 0, sink_ ? static_cast<int32_t>(sink_->PacketsWaiting()) : 0, 0);
      result = 16;
      break;
    case SRC_ERROR:
      TeletextTrace("SRC_ERROR\n");
      result = 0;
      break;
    default:
      TeletextTrace("WST_ReadData-> return -1\n");
      return -1;
  }
  TeletextTrace("WST_ReadData: return %d\n", result);
  return result;
}

}  // namespace vd

extern "C" {

TELETEXT_API int32_t WST_Control(int32_t type, int32_t a, int32_t b) {
  return vd::TeletextLibrary::Instance().Control(type, a);
}

TELETEXT_API int32_t WST_ReadData(int32_t type, WstDataBlock* block, int32_t a, int32_t b) {
  return vd::TeletextLibrary::Instance().ReadData(type, block, a, b);
}

TELETEXT_API int32_t IR_Init(IrRemoteCallback callback) {
  return vd::TeletextLibrary::Instance().InitRemote(callback);
}

TELETEXT_API int32_t IR_Exit(void) {
  return vd::TeletextLibrary::Instance().ExitRemote();
}

}  // extern "C"
