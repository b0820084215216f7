// The seam between the parser and the device layer: where the bulk bytes come from. The parser
// object builds its pipeline from whatever element the finder makes, so tests hand it a fake
// source and the object does not care which back-end serves the device.
#pragma once

#include <gst/gst.h>

#include <memory>

#include "vd/capture_device.h"
#include "vd/gst_ptr.h"
#include "vd/hresult.h"

namespace vd {

// A source element of a bulk output, and the device it came from (kept open while the element
// runs; null for sources that need no device object).
struct BulkSource {
  GstElement* element = nullptr;  // owned reference
  std::unique_ptr<CaptureDevice> device;
};

class BulkSourceFinder {
 public:
  virtual ~BulkSourceFinder() = default;

  // Makes the source of the bulk output of the first capture device that has one. kEFail when
  // no capture device could be opened, kENoInterface when none has a bulk output.
  virtual HResult MakeBulkSource(BulkSource* source) = 0;

  // The video capture devices of the device layer's default enumerator.
  static BulkSourceFinder& Devices();
};

// What the capture device's bulk output carries: raw bytes.
inline constexpr const char* kBulkCaps = "application/octet-stream";

// The bulk output of an element the client placed in its own pipeline, when not linked yet: a
// source pad named "bulk" (a capture filter with several outputs), or else a source pad named
// "src" whose caps are kBulkCaps (the device's bulk source on its own), or null.
PadPtr FindBulkPad(GstElement* filter);

}  // namespace vd
