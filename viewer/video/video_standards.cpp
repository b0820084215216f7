#include "video_standards.h"

#include <algorithm>
#include <initializer_list>

#include "vd/capture_types.h"

namespace vd {

namespace {
bool IsOneOf(int32_t code, std::initializer_list<int32_t> codes) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}
}  // namespace

int32_t VideoStandards::DetectFamily(int32_t country) {
  if (IsOneOf(country, {1, 52, 53, 56, 57, 63, 81, 82, 886})) return kFamilyNtsc;
  if (IsOneOf(country, {7, 33, 36, 420})) return kFamilySecam;
  return kFamilyPal;
}

uint32_t VideoStandards::StandardOf(int32_t family, int32_t country) {
  switch (family) {
    case kFamilyNtsc:
      return country == 81 ? standard::kNtscMJapan : standard::kNtscM;
    case kFamilyPal:
      if (IsOneOf(country, {86, 48})) return standard::kPalD;
      if (IsOneOf(country, {353, 852, 27})) return standard::kPalI;
      if (country == 55) return standard::kPalM;
      if (IsOneOf(country, {54, 598, 595})) return standard::kPalN;
      return standard::kPalB;
    case kFamilySecam:
      if (IsOneOf(country, {420, 36, 7})) return standard::kSecamD;
      if (IsOneOf(country, {33, 377})) return standard::kSecamL;
      return standard::kSecamB;
    default:
      return 0;
  }
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
