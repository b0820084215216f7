// The analogue standard the engine sets for a country and family, and the sizes and rates
// that follow from a standard.
#pragma once

#include <cstdint>

#include "country_table.h"

namespace vd {

class VideoStandards {
 public:
  // The family a country (dialling code) broadcasts in, as the country table says.
  static int32_t DetectFamily(int32_t country);
  // The one standard bit for a family in a country.
  static uint32_t StandardOf(int32_t family, int32_t country);
  // Still pictures: 768 x 576 when a PAL bit is set, else 640 x 480.
  static void StillSizeOf(uint32_t standard, int32_t* width, int32_t* height);
  // The highest frame rate of a standard: 10000000 / 333333 for NTSC, else 25.
  static double MaxFramesPerSecond(uint32_t standard);
};

}  // namespace vd
