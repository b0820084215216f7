// Where the library's graph gets the bulk stream from. The default finds the first video
// capture device with a bulk pin; tests install a factory of their own (an appsrc).
#pragma once

#include <gst/gst.h>

#include <functional>

namespace vd {

// Returns a new (floating) source element delivering the bulk pin's bytes, or null when no
// capture device has a bulk pin.
using BulkSourceFactory = std::function<GstElement*()>;

// The device lookup the library uses unless a factory was installed.
GstElement* MakeDeviceBulkSource();

// Replaces the lookup; an empty factory restores the device lookup. Host thread only.
void SetBulkSourceFactory(BulkSourceFactory factory);
GstElement* MakeBulkSource();

}  // namespace vd
