// The GStreamer side of a parser object: the sink "In" fed from the bulk output, either in a
// private pipeline the object runs itself or inside a pipeline the client owns.
#pragma once

#include <gst/gst.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "parser_build.h"
#include "vd/gst_ptr.h"
#include "vd/hresult.h"

typedef struct _GstAppSink GstAppSink;

namespace vd {

class BulkPipeline : public ParserHeapObject {
 public:
  // Called on the streaming thread for every sample. A failure drops the sample; the pipeline
  // keeps running either way.
  class Receiver {
   public:
    virtual HResult Receive(const uint8_t* data, size_t length) = 0;

   protected:
    ~Receiver() = default;
  };

  // `source ! In` in a pipeline of its own.
  static HResult CreatePrivate(ElementPtr source, Receiver& receiver,
                               std::unique_ptr<BulkPipeline>* out);
  // Adds "In" to the bin holding `filter` and links `bulkPad` (of `filter`) to it.
  // kEInvalidArg when `filter` is in no bin.
  static HResult CreateOnFilter(GstElement* filter, GstPad* bulkPad, Receiver& receiver,
                                std::unique_ptr<BulkPipeline>* out);

  ~BulkPipeline();
  BulkPipeline(const BulkPipeline&) = delete;
  BulkPipeline& operator=(const BulkPipeline&) = delete;

  // Only for a private pipeline (the caller checks OwnsPipeline).
  HResult Run();
  HResult Stop();
  bool OwnsPipeline() const { return pipeline_ != nullptr; }

 private:
  explicit BulkPipeline(Receiver& receiver);
  GstElement* MakeSink();
  // Unlinks the client's bulk output from our sink; what it pushes while unlinked is dropped,
  // so the client's stream goes on undisturbed.
  void DetachFromClient();
  static GstFlowReturn NewSample(GstAppSink* sink, gpointer self);
  void Deliver(const uint8_t* data, size_t size);

  Receiver& receiver_;
  ElementPtr pipeline_;         // null when joined to the client's bin
  ElementPtr bin_;              // the bin "In" lives in
  ElementPtr filter_;           // the client's filter, when joined
  PadPtr bulkPad_;              // when joined
  GstElement* sink_ = nullptr;  // "In", owned by bin_
  bool refusing_ = false;       // the streaming thread's own: the last sample was refused
};

}  // namespace vd
