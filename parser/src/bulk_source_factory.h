// The seam between the parser and the device layer: where the bulk bytes come from. The parser
// object builds its pipeline from whatever element the factory makes, so tests hand it a fake
// source and the device layer plugs in without the object changing.
#pragma once

#include <gst/gst.h>

#include "vd/hresult.h"

namespace vd {

class BulkSourceFactory {
 public:
  virtual ~BulkSourceFactory() = default;

  // Makes the source element of the bulk output of the first capture device that has one; the
  // caller owns the returned reference. kEFail when no capture device could be opened,
  // kENoInterface when none has a bulk output.
  virtual HResult MakeBulkSource(GstElement** source) = 0;

  // The capture devices of the device layer.
  static BulkSourceFactory& Devices();
};

// What the capture device's bulk output carries: raw bytes.
inline constexpr const char* kBulkCaps = "application/octet-stream";

// The bulk output of an element the client placed in its own pipeline, when not linked yet: a
// source pad named "bulk" (a capture filter with several outputs), or else a source pad named
// "src" whose caps are kBulkCaps (the device's bulk source on its own). A new reference, or
// null.
GstPad* FindBulkPad(GstElement* filter);

}  // namespace vd
