// Owning holders for GStreamer references: each holder owns exactly one reference and drops it
// with the type's own unref function when it goes, so no caller counts references by hand.
// A type without a row below does not compile into a holder, rather than being dropped with
// the wrong function (a GstCaps through gst_object_unref corrupts the heap without a word).
#pragma once

#include <gst/gst.h>

#include <memory>

namespace vd {

template <typename T>
struct GstUnref;  // one row per type this program holds

#define VD_GST_HOLDER_ROW(Type, unref)                    \
  template <>                                             \
  struct GstUnref<Type> {                                 \
    void operator()(Type* p) const noexcept { unref(p); } \
  };

// GstObject and the subclasses held today; a new subclass gets its row here.
VD_GST_HOLDER_ROW(GstObject, gst_object_unref)
VD_GST_HOLDER_ROW(GstElement, gst_object_unref)
VD_GST_HOLDER_ROW(GstBin, gst_object_unref)
VD_GST_HOLDER_ROW(GstPipeline, gst_object_unref)
VD_GST_HOLDER_ROW(GstPad, gst_object_unref)
VD_GST_HOLDER_ROW(GstBus, gst_object_unref)
VD_GST_HOLDER_ROW(GstClock, gst_object_unref)
VD_GST_HOLDER_ROW(GstPluginFeature, gst_object_unref)
// Mini objects and GLib's error, each with its own function.
VD_GST_HOLDER_ROW(GstCaps, gst_caps_unref)
VD_GST_HOLDER_ROW(GstSample, gst_sample_unref)
VD_GST_HOLDER_ROW(GstMessage, gst_message_unref)
VD_GST_HOLDER_ROW(GstBuffer, gst_buffer_unref)
VD_GST_HOLDER_ROW(GstQuery, gst_query_unref)
VD_GST_HOLDER_ROW(GstEvent, gst_event_unref)
VD_GST_HOLDER_ROW(GError, g_error_free)

#undef VD_GST_HOLDER_ROW

template <typename T>
using GstPtr = std::unique_ptr<T, GstUnref<T>>;

using ElementPtr = GstPtr<GstElement>;
using PadPtr = GstPtr<GstPad>;
using BusPtr = GstPtr<GstBus>;
using CapsPtr = GstPtr<GstCaps>;
using SamplePtr = GstPtr<GstSample>;
using MessagePtr = GstPtr<GstMessage>;
using BufferPtr = GstPtr<GstBuffer>;
using ErrorPtr = GstPtr<GError>;

// Takes a possibly floating new element into a holder: a floating reference is sunk, so the
// holder owns a real one whether or not something else later takes the element.
inline ElementPtr AdoptElement(GstElement* element) {
  if (element != nullptr) gst_object_ref_sink(element);
  return ElementPtr(element);
}

// A pipeline that may be running when it goes: GStreamer finalises only a stopped element, so
// it is set to NULL before its reference is dropped.
struct GstStopAndUnref {
  void operator()(GstElement* pipeline) const noexcept {
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
  }
};
using PipelinePtr = std::unique_ptr<GstElement, GstStopAndUnref>;

// A new element on its way, floating, to whoever takes it (a bin, or the caller of a factory
// function): release() hands it on still floating; an element nobody took by the time the
// holder goes (an error path) is dropped; one a bin took is the bin's, and the holder leaves
// it alone.
struct GstDropUnclaimed {
  void operator()(GstElement* element) const noexcept {
    if (g_object_is_floating(element)) gst_object_unref(gst_object_ref_sink(element));
  }
};
using NewElementPtr = std::unique_ptr<GstElement, GstDropUnclaimed>;

// A new reference to an object already owned elsewhere (a pipeline's child, a pad's peer).
template <typename T>
GstPtr<T> RefObject(T* object) {
  if (object != nullptr) gst_object_ref(object);
  return GstPtr<T>(object);
}

// Fills a GError out-parameter straight into a holder: `f(..., ErrorOut(err));` (the holder is
// filled when the temporary goes, at the end of the statement).
class ErrorOut {
 public:
  explicit ErrorOut(ErrorPtr& holder) : holder_(holder) {}
  ErrorOut(const ErrorOut&) = delete;
  ErrorOut& operator=(const ErrorOut&) = delete;
  ~ErrorOut() { holder_.reset(raw_); }
  operator GError**() { return &raw_; }

 private:
  ErrorPtr& holder_;
  GError* raw_ = nullptr;
};

}  // namespace vd
