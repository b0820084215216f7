// The one table between the analogue-standard bits of vd::standard and the kernel's
// V4L2_STD_* bits. Unmapped bits on either side are dropped.
#pragma once

#include "vd/device_export.h"

#include <cstdint>

namespace vd {

class VD_DEVICE_EXPORT V4l2Standards {
 public:
  // The kernel bits of a mask of vd::standard bits.
  static uint64_t ToV4l2(uint32_t standards);
  // The vd::standard bits a kernel mask covers.
  static uint32_t FromV4l2(uint64_t v4l2Standards);
};

}  // namespace vd
