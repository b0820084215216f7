#include "vd/v4l2_standards.h"

#include <linux/videodev2.h>

#include <utility>

#include "vd/capture_types.h"

namespace vd {

namespace {
// PAL-N is the Paraguay/Uruguay variant; the combination N of Argentina is the kernel's Nc.
constexpr std::pair<uint32_t, v4l2_std_id> kTable[] = {
    {standard::kNtscM, V4L2_STD_NTSC_M},     {standard::kNtscMJapan, V4L2_STD_NTSC_M_JP},
    {standard::kNtsc433, V4L2_STD_NTSC_443}, {standard::kPalB, V4L2_STD_PAL_B},
    {standard::kPalD, V4L2_STD_PAL_D},       {standard::kPalG, V4L2_STD_PAL_G},
    {standard::kPalH, V4L2_STD_PAL_H},       {standard::kPalI, V4L2_STD_PAL_I},
    {standard::kPalM, V4L2_STD_PAL_M},       {standard::kPalN, V4L2_STD_PAL_N},
    {standard::kPal60, V4L2_STD_PAL_60},     {standard::kSecamB, V4L2_STD_SECAM_B},
    {standard::kSecamD, V4L2_STD_SECAM_D},   {standard::kSecamG, V4L2_STD_SECAM_G},
    {standard::kSecamH, V4L2_STD_SECAM_H},   {standard::kSecamK, V4L2_STD_SECAM_K},
    {standard::kSecamK1, V4L2_STD_SECAM_K1}, {standard::kSecamL, V4L2_STD_SECAM_L},
    {standard::kSecamL1, V4L2_STD_SECAM_LC}, {standard::kPalNCombo, V4L2_STD_PAL_Nc},
};
}  // namespace

uint64_t V4l2Standards::ToV4l2(uint32_t standards) {
  uint64_t out = 0;
  for (auto [ours, theirs] : kTable) {
    if ((standards & ours) != 0) out |= theirs;
  }
  return out;
}

uint32_t V4l2Standards::FromV4l2(uint64_t v4l2Standards) {
  uint32_t out = 0;
  for (auto [ours, theirs] : kTable) {
    if ((v4l2Standards & theirs) != 0) out |= ours;
  }
  return out;
}

}  // namespace vd
