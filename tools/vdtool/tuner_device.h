// The capture device that vdtool's tuning commands drive.
#pragma once

#include <string>

#include "vd/device_info.h"
#include "vd/ks_property_set.h"

namespace vd {
class HeadlessSession;
}

namespace vdtool {

// The property set of the card --device chose, else of the device the viewer would tune with
// no stored name: the last video device with a tuner, a card of any make (only the viewer's
// device choice checks the product, through its setting). Null with `*why` saying what is
// missing.
vd::KsPropertySet* OpenTunerDevice(std::string* name, std::string* why);

// The card named with --device: an index of 'vdtool device list' or a /dev/video node. Set
// once, before the command runs; empty: each command's own default.
void SetDeviceChoice(std::string word);
bool DeviceChosen();
// The card --device named, found among the video devices; false with `*why` when it names
// none. The stream parser and teletext libraries read that card's bulk data from then on.
bool ChosenDevice(vd::DeviceInfo* card, std::string* why);
// ChosenDevice, saying why on stderr ("vdtool: <command>: why") when --device names none.
bool ChosenDeviceOrSay(const std::string& command, vd::DeviceInfo* card);
// Starts the session on the card --device chose, else as it would; false (said) when it
// cannot.
bool StartSession(vd::HeadlessSession& session);

}  // namespace vdtool
