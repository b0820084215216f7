// Where the library's graph gets the bulk stream from. The default finds the first video
// capture device with a bulk pin; tests install a factory of their own (an appsrc).
#pragma once

#include <gst/gst.h>

#include <functional>
#include <memory>

#include "vd/capture_device.h"

namespace vd {

// The graph's source: the element that delivers the bulk pin's bytes and, when it came from
// a capture device, that device, which stays open for as long as the graph runs.
struct BulkSource {
  std::unique_ptr<CaptureDevice> device;
  GstElement* element = nullptr;  // floating until the graph takes it
};

// Returns a new (floating) source element delivering bulk bytes, or null.
using BulkSourceFactory = std::function<GstElement*()>;

// The first video input device (in the default enumerator's order) with an output pin whose
// category reads as the bulk category, and that pin's source bin. An empty BulkSource when
// no device has such a pin.
BulkSource MakeDeviceBulkSource();

// Replaces the lookup; an empty factory restores the device lookup. Host thread only.
void SetBulkSourceFactory(BulkSourceFactory factory);
BulkSource MakeBulkSource();

}  // namespace vd
