// Owning holders for GStreamer objects: one reference, dropped when the holder goes.
#pragma once

#include <gst/gst.h>

#include <memory>

namespace vd {

struct GstObjectUnref {
  void operator()(void* object) const {
    if (object != nullptr) gst_object_unref(object);
  }
};

template <typename T>
using GstPtr = std::unique_ptr<T, GstObjectUnref>;

// Takes a possibly floating new element into a holder.
inline GstPtr<GstElement> AdoptElement(GstElement* element) {
  if (element != nullptr) gst_object_ref_sink(element);
  return GstPtr<GstElement>(element);
}

}  // namespace vd
