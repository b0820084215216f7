// The capture device that vdtool's tuning commands drive.
#pragma once

#include <string>

#include "vd/ks_property_set.h"

namespace vdtool {

// The property set of the device the viewer would tune with no stored name: the last video
// device with a tuner, a card of any make (only the viewer's device choice checks the
// product, through its setting). Null with `*why` saying what is missing.
vd::KsPropertySet* OpenTunerDevice(std::string* name, std::string* why);

}  // namespace vdtool
