// The library's two trace classes: operation traces and the worker's progress markers.
// Both are silent unless VIEWDECK_TRACE=1.
#pragma once

#include <vd/trace.h>

namespace vd {
VD_DEFINE_TRACE(TeletextTrace, "teletext")
VD_DEFINE_TRACE(TeletextMarker, "teletext worker")
}  // namespace vd
