#include "bulk_source.h"

#include "teletext_trace.h"

namespace vd {

namespace {
BulkSourceFactory& Factory() {
  static BulkSourceFactory factory;
  return factory;
}
}  // namespace

GstElement* MakeDeviceBulkSource() {
  // DEVICE SEAM, not yet connected: the device layer (target vd_device) is not in this tree
  // yet. Once it is, this enumerates the video capture devices (the default enumerator),
  // takes the first whose capture filter has a pin of the bulk category
  // {6E238DA7-C1B9-11D2-922A-00A024AAAD37} and returns that pin's source bin (the device's
  // CreateSourceBin for the bulk pin). Until then there is no device, and WST_INIT reports
  // failure (0).
  TeletextTrace("WST_INIT: no capture device with a bulk pin\n");
  return nullptr;
}

void SetBulkSourceFactory(BulkSourceFactory factory) {
  Factory() = std::move(factory);
}

GstElement* MakeBulkSource() {
  if (Factory()) return Factory()();
  return MakeDeviceBulkSource();
}

}  // namespace vd
