#include "vd/settings/settings_table.h"

#include "vd/settings/reg_document.h"

namespace vd {

namespace {

using namespace setting;
using K = SettingKind;

constexpr SettingInfo kTable[] = {
    {kPath, K::kString, 0, "", "computed: $XDG_DATA_HOME/lumatrope"},
    {kDelChWarning, K::kBool, 0, "", ""},
    {kAlbumPageNum, K::kDword, 0, "", ""},
    {kToolPageMode[0], K::kDword, 0, "", ""},
    {kToolPageMode[1], K::kDword, 0, "", ""},
    {kToolPageMode[2], K::kDword, 0, "", ""},
    {kToolPageMode[3], K::kDword, 0, "", ""},
    {kMute, K::kBool, 0, "", ""},
    {kVolume, K::kDword, kDefaultVolume, "", ""},
    {kCountry, K::kDword, 0, "", "computed from the locale and the device"},
    {kSource, K::kDword, 0, "", ""},
    {kWorkMode, K::kDword, kDefaultWorkMode, "", ""},
    {kAutoScan, K::kBool, kDefaultAutoScan, "", ""},
    {kDisplayModeWarning, K::kBool, 0, "", ""},
    {kWinHandle, K::kWrittenOnly, 0, "", ""},
    {kForceRatio43, K::kDword, 0, "", ""},
    {kAlwaysOnTop, K::kDword, 0, "", ""},
    {kVideoBorder, K::kDword, 0, "", ""},
    {kTileMode, K::kDword, 0, "", ""},
    {kKeyPadOpen, K::kDword, 0, "", ""},
    {kVcrPadOpen, K::kDword, 0, "", ""},
    {kIsMts, K::kDword, kDefaultIsMts, "", "computed from the locale and the device"},
    {kMtsMode, K::kDword, 0, "", ""},
    {kMtsPalMode, K::kDword, 0, "", ""},
    {kRemoteFmMemory, K::kDword, 0, "", ""},
    {kControlMasterVolume, K::kDword, kDefaultControlMasterVolume, "", ""},
    {kNotShowAgain, K::kBool, 0, "", ""},
    {kTvStation, K::kDword, 0, "", ""},
    {kTvOldStation, K::kDword, 0, "", ""},
    {kCountry1, K::kDword, 0, "", ""},
    {kCaptureFile, K::kString, 0, kDefaultCaptureFile, ""},
    {kNumStillImages, K::kDword, 0, "", ""},
    {kHwCaptureFile, K::kString, 0, kDefaultHwCaptureFile, ""},
    {kAllocMem, K::kBool, 0, "", ""},
    {kPreAllocSizeKb, K::kDword, kDefaultPreAllocSizeKb, "", ""},
    {kCaptureAudio, K::kBool, kDefaultCaptureAudio, "", ""},
    {kWantPreview, K::kBool, kDefaultWantPreview, "", ""},
    {kMasterStream, K::kDword, kDefaultMasterStream, "", ""},
    {kUseTimeLimit, K::kBool, 0, "", ""},
    {kTimeLimit, K::kDword, kDefaultTimeLimit, "", ""},
    {kUseFrameRate, K::kBool, kDefaultUseFrameRate, "", ""},
    {kFrameRate, K::kDword, kDefaultFrameRate, "", ""},
    {kOnlyCorvalenDevices, K::kBool, kDefaultOnlyCorvalenDevices, "", ""},
    {kDeclinedCards, K::kString, 0, "", ""},
    {kVideoCardBus, K::kString, 0, "", ""},
    {kAudioDevice, K::kDword, kDefaultAudioDevice, "", "until the capture engine picks the device"},
    {kVideoStandard0, K::kDword, 0, "", "until the capture engine reports its standard"},
    {kVideoStandard1, K::kDword, 0, "", "until the capture engine reports its standard"},
    {kCaptureCodec, K::kString, 0, kDefaultCaptureCodec, ""},
    {kMjpegQuality, K::kDword, kDefaultMjpegQuality, "", ""},
    {kH264BitRate, K::kDword, kDefaultH264BitRate, "", ""},
    {kDeinterlaceCapture, K::kBool, 0, "", ""},
    {kDeinterlaceLive, K::kBool, 0, "", ""},
    {kKeepPictureAspect, K::kBool, kDefaultKeepPictureAspect, "", ""},
    {kFmDisabled, K::kMachineDword, 0, "", ""},
    {kVfwDriverName, K::kDriverString, 0, "", ""},
};

}  // namespace

std::span<const SettingInfo> SettingsTable() {
  return kTable;
}

const SettingInfo* FindSetting(std::string_view name) {
  for (const auto& s : kTable) {
    if (EqualsNoCase(s.name, name)) return &s;
  }
  return nullptr;
}

}  // namespace vd
