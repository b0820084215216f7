// The engine's GStreamer holders are the shared ones.
#pragma once

#include "vd/gst_ptr.h"
