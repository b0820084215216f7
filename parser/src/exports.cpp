// The libraries' only exported symbols.
#include "stromsift.h"

#include "bulk_source_finder.h"
#include "stromsift_object.h"

STROMSIFT_API HRESULT CreateStromsift(IStromsift** out) {
  return CStromsift::Create(vd::BulkSourceFinder::Devices(), out);
}

#ifndef STROMSIFT_COMPACT
STROMSIFT_API HRESULT CreateStromsiftOnFilter(GstElement* filter, IStromsift** out) {
  return CStromsift::CreateOnFilter(filter, out);
}
#endif
