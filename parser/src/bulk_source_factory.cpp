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

GstPad* FindBulkPad(GstElement* filter) {
  GstPad* pad = gst_element_get_static_pad(filter, "bulk");
  if (pad == nullptr) return nullptr;
  if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC || gst_pad_is_linked(pad)) {
    gst_object_unref(pad);
    return nullptr;
  }
  return pad;
}

}  // namespace vd
