#include "video_standards.h"

#include "vd/capture_types.h"

namespace vd {

int32_t VideoStandards::DetectFamily(int32_t country) {
  return CountryTable::VideoOf(country).family;
}

uint32_t VideoStandards::StandardOf(int32_t family, int32_t country) {
  return CountryTable::VideoOf(country).StandardOf(family);
}

void VideoStandards::StillSizeOf(uint32_t standard, int32_t* width, int32_t* height) {
  bool pal = (standard & standard::kPalMask) != 0;
  *width = pal ? 768 : 640;
  *height = pal ? 576 : 480;
}

double VideoStandards::MaxFramesPerSecond(uint32_t standard) {
  return 10000000.0 / static_cast<double>(standard::FrameIntervalOf(standard));
}

}  // namespace vd
