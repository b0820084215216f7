#include "bulk_source_finder.h"

#include <vector>

#include "vd/device_enumerator.h"

namespace vd {

namespace {

class DeviceBulkSources final : public BulkSourceFinder {
 public:
  HResult MakeBulkSource(BulkSource* source) override {
    DeviceEnumerator& devices = DeviceEnumerator::Default();
    bool opened = false;
    for (const DeviceInfo& info : devices.BulkSearchDevices()) {
      std::unique_ptr<CaptureDevice> device = devices.Open(info);
      if (device == nullptr) continue;
      opened = true;
      const std::vector<PinInfo> pins = device->Pins();
      for (size_t i = 0; i < pins.size(); ++i) {
        if (pins[i].direction != PinDirection::kOutput || !device->IsBulkPin(i)) continue;
        GstElement* element = device->CreateSourceBin(pins[i].kind);
        // The first bulk pin ends the search, whether or not its source could be made.
        if (element == nullptr) return kEFail;
        source->element = GST_ELEMENT(gst_object_ref_sink(element));
        source->device = std::move(device);
        return kSOk;
      }
    }
    return opened ? kENoInterface : kEFail;
  }
};

}  // namespace

BulkSourceFinder& BulkSourceFinder::Devices() {
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
bool CarriesBulkBytes(GstPad* start) {
  PadPtr pad = RefObject(start);
  bool bulk = false;
  for (int depth = 0; pad != nullptr && depth < 8; ++depth) {
    const CapsPtr caps(gst_pad_query_caps(pad.get(), nullptr));
    const bool any = caps == nullptr || gst_caps_is_any(caps.get());
    bulk = IsBulkCaps(caps.get());
    if (!any) break;
    if (const ElementPtr owner{gst_pad_get_parent_element(pad.get())}) {
      const CapsPtr promised(PropertyCaps(owner.get()));
      if (promised != nullptr) {
        bulk = IsBulkCaps(promised.get());
        break;
      }
    }
    pad.reset(GST_IS_GHOST_PAD(pad.get()) ? gst_ghost_pad_get_target(GST_GHOST_PAD(pad.get()))
                                          : nullptr);
  }
  return bulk;
}

PadPtr UnlinkedSourcePad(GstElement* element, const char* name) {
  PadPtr pad(gst_element_get_static_pad(element, name));
  if (pad == nullptr) return nullptr;
  if (GST_PAD_DIRECTION(pad.get()) != GST_PAD_SRC || gst_pad_is_linked(pad.get())) return nullptr;
  return pad;
}

}  // namespace

PadPtr FindBulkPad(GstElement* filter) {
  if (PadPtr pad = UnlinkedSourcePad(filter, "bulk")) return pad;
  PadPtr pad = UnlinkedSourcePad(filter, "src");
  if (pad != nullptr && !CarriesBulkBytes(pad.get())) return nullptr;
  return pad;
}

}  // namespace vd
