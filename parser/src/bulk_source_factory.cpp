#include "bulk_source_factory.h"

namespace vd {

namespace {

// TODO(device layer): enumerate the device layer's capture filters and make the bulk source of
// the first one with a bulk pin. Until that layer is linked here no capture device can be
// opened, and the factory says so instead of pretending to find one.
class DeviceBulkSources final : public BulkSourceFactory {
 public:
  HResult MakeBulkSource(GstElement** source) override {
    *source = nullptr;
    return kEFail;
  }
};

}  // namespace

BulkSourceFactory& BulkSourceFactory::Devices() {
  static DeviceBulkSources devices;
  return devices;
}

namespace {

bool IsBulkCaps(const GstCaps* caps) {
  return caps != nullptr && !gst_caps_is_any(caps) && !gst_caps_is_empty(caps) &&
         gst_structure_has_name(gst_caps_get_structure(caps, 0), kBulkCaps);
}

// The caps an element promises through its "caps" property (appsrc, capsfilter), or null.
GstCaps* PropertyCaps(GstElement* element) {
  GParamSpec* spec = g_object_class_find_property(G_OBJECT_GET_CLASS(element), "caps");
  if (spec == nullptr || spec->value_type != GST_TYPE_CAPS) return nullptr;
  GstCaps* caps = nullptr;
  g_object_get(element, "caps", &caps, nullptr);
  return caps;
}

// Before it runs, a source often answers "anything" to a caps query although it will only ever
// send what its "caps" property says; look through ghost pads for that promise.
bool CarriesBulkBytes(GstPad* pad) {
  gst_object_ref(pad);
  bool bulk = false;
  for (int depth = 0; pad != nullptr && depth < 8; ++depth) {
    GstCaps* caps = gst_pad_query_caps(pad, nullptr);
    const bool any = caps == nullptr || gst_caps_is_any(caps);
    bulk = IsBulkCaps(caps);
    if (caps != nullptr) gst_caps_unref(caps);
    if (!any) break;
    if (GstElement* owner = gst_pad_get_parent_element(pad)) {
      GstCaps* promised = PropertyCaps(owner);
      gst_object_unref(owner);
      if (promised != nullptr) {
        bulk = IsBulkCaps(promised);
        gst_caps_unref(promised);
        break;
      }
    }
    GstPad* next = GST_IS_GHOST_PAD(pad) ? gst_ghost_pad_get_target(GST_GHOST_PAD(pad)) : nullptr;
    gst_object_unref(pad);
    pad = next;
  }
  if (pad != nullptr) gst_object_unref(pad);
  return bulk;
}

GstPad* UnlinkedSourcePad(GstElement* element, const char* name) {
  GstPad* pad = gst_element_get_static_pad(element, name);
  if (pad == nullptr) return nullptr;
  if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC || gst_pad_is_linked(pad)) {
    gst_object_unref(pad);
    return nullptr;
  }
  return pad;
}

}  // namespace

GstPad* FindBulkPad(GstElement* filter) {
  if (GstPad* pad = UnlinkedSourcePad(filter, "bulk")) return pad;
  GstPad* pad = UnlinkedSourcePad(filter, "src");
  if (pad != nullptr && !CarriesBulkBytes(pad)) {
    gst_object_unref(pad);
    pad = nullptr;
  }
  return pad;
}

}  // namespace vd
