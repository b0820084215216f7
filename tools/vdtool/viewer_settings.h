// The viewer's settings as its start-up reads them, for the commands that act in its stead.
#pragma once

#include "main_settings.h"

namespace vdtool {

// The first-run rules applied ("Country" computed when none is stored, a code no record has
// replaced, "Path" relative to nothing replaced); nothing is written or made.
vd::LoadContext ViewersLoadContext();
vd::MainSettings ViewersSettings();

}  // namespace vdtool
