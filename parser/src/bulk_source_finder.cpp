#include "bulk_source_finder.h"

#include <cstring>
#include <vector>

#include "vd/device_enumerator.h"
#include "vd/device_props.h"

namespace vd {

namespace {

// The pin's category as its property set reports it.
bool IsBulkPin(CaptureDevice& device, size_t pin) {
  KsPropertySet* pins = device.QueryPinPropertySet(pin);
  if (pins == nullptr) return false;
  uint8_t category[16] = {};
  uint32_t returned = 0;
  const HResult hr = pins->Get(kPropSetPin, 0, nullptr, 0, category, sizeof category, &returned);
  pins->Release();
  const auto bulk = kPinCategoryBulk.Bytes();
  return Succeeded(hr) && returned == sizeof category &&
         std::memcmp(category, bulk.data(), sizeof category) == 0;
}

class DeviceBulkSources final : public BulkSourceFinder {
 public:
  HResult MakeBulkSource(BulkSource* source) override {
    DeviceEnumerator& devices = DeviceEnumerator::Default();
    bool opened = false;
    for (const DeviceInfo& info : devices.VideoInputDevices()) {
      std::unique_ptr<CaptureDevice> device = devices.Open(info);
      if (device == nullptr) continue;
      opened = true;
      const std::vector<PinInfo> pins = device->Pins();
      for (size_t i = 0; i < pins.size(); ++i) {
        if (pins[i].direction != PinDirection::kOutput || !IsBulkPin(*device, i)) continue;
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
