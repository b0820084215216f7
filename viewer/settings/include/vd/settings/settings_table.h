// Names and defaults of every stored setting, so that each component reads its values
// through one spelling, and the listing tool can show them all.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "vd/view_modes.h"

namespace vd {

inline constexpr std::string_view kSection = "AviCap";
// The sound input the user chose for each card without sound of its own: one value per card,
// named by the card's bus path (which stays when the node numbers change), holding the
// input's name as the device list shows it.
inline constexpr std::string_view kCardSoundSection = "CardSound";
// Machine key of FM_Disabled, below HKEY_LOCAL_MACHINE.
inline constexpr std::string_view kFmMachineKey = "Software\\Ardmoor\\Brevant\\Video\\BRTVUSB";

namespace setting {
// Main settings, in the order they are loaded.
inline constexpr std::string_view kPath = "Path";
inline constexpr std::string_view kDelChWarning = "DelChWarning";
inline constexpr std::string_view kAlbumPageNum = "AlbumPageNum";
inline constexpr std::string_view kToolPageMode[4] = {"iToolPage_mode0", "iToolPage_mode1",
                                                      "iToolPage_mode2", "iToolPage_mode3"};
inline constexpr std::string_view kMute = "Mute";
inline constexpr std::string_view kVolume = "Volume";
inline constexpr std::string_view kCountry = "Country";
inline constexpr std::string_view kSource = "Source";
inline constexpr std::string_view kWorkMode = "WorkMode";
inline constexpr std::string_view kAutoScan = "AutoScan";
inline constexpr std::string_view kDisplayModeWarning = "DisplayModeWarning";
inline constexpr std::string_view kWinHandle = "WinHandle";
inline constexpr std::string_view kForceRatio43 = "Force ratio 4:3";
inline constexpr std::string_view kAlwaysOnTop = "Always on top";
inline constexpr std::string_view kVideoBorder = "Video Border";
inline constexpr std::string_view kTileMode = "TileMode";
inline constexpr std::string_view kKeyPadOpen = "keyPadOpen";
inline constexpr std::string_view kVcrPadOpen = "VCRPadOpen";
inline constexpr std::string_view kIsMts = "isMTS";
inline constexpr std::string_view kMtsMode = "MTSmode";
inline constexpr std::string_view kMtsPalMode = "MTS_PALmode";
inline constexpr std::string_view kRemoteFmMemory = "RemoteFMmemory";
inline constexpr std::string_view kControlMasterVolume = "ControlMasterVolume";
// Owned by other components.
inline constexpr std::string_view kNotShowAgain = "bNotShowAgain";
inline constexpr std::string_view kTvStation = "TV_Station";
inline constexpr std::string_view kTvOldStation = "TV_OldStation";
inline constexpr std::string_view kCountry1 = "Country1";
// Capture settings.
inline constexpr std::string_view kCaptureFile = "CaptureFile";
inline constexpr std::string_view kNumStillImages = "NumStillImages";
inline constexpr std::string_view kHwCaptureFile = "HWCaptureFile";
inline constexpr std::string_view kAllocMem = "AllocMem";
inline constexpr std::string_view kPreAllocSizeKb = "PreAllocSizeKB";
inline constexpr std::string_view kCaptureAudio = "CaptureAudio";
inline constexpr std::string_view kWantPreview = "WantPreview";
inline constexpr std::string_view kMasterStream = "MasterStream";
inline constexpr std::string_view kUseTimeLimit = "UseTimeLimit";
inline constexpr std::string_view kTimeLimit = "TimeLimit";
inline constexpr std::string_view kUseFrameRate = "UseFrameRate";
inline constexpr std::string_view kFrameRate = "FrameRate";
inline constexpr std::string_view kOnlyCorvalenDevices = "Only_Corvalen_Devices";
// The bus paths of the cards the user would not use while Only_Corvalen_Devices rules them
// out, one per line: the start asks about each such card once.
inline constexpr std::string_view kDeclinedCards = "Declined_Cards";
// The bus path of the card the viewer used last: two cards of one model have one name.
inline constexpr std::string_view kVideoCardBus = "Video_Card_Bus";
inline constexpr std::string_view kAudioDevice = "AudioDevice";
inline constexpr std::string_view kVideoStandard0 = "VideoStandard0";
inline constexpr std::string_view kVideoStandard1 = "VideoStandard1";
// How recordings are compressed and deinterlaced, and whether the live picture is.
inline constexpr std::string_view kCaptureCodec = "CaptureCodec";
inline constexpr std::string_view kMjpegQuality = "MjpegQuality";
inline constexpr std::string_view kH264BitRate = "H264BitRate";
inline constexpr std::string_view kDeinterlaceCapture = "DeinterlaceCapture";
inline constexpr std::string_view kDeinterlaceLive = "DeinterlaceLive";
// Whether the picture keeps its shape in a video area of another one (bars beside it).
inline constexpr std::string_view kKeepPictureAspect = "Keep picture aspect";
// Machine values.
inline constexpr std::string_view kFmDisabled = "FM_Disabled";
inline constexpr std::string_view kVfwDriverName = "VfwDriverName";

inline constexpr int32_t kDefaultVolume = 0x7FFF;
inline constexpr int32_t kDefaultWorkMode = StoredNumber(WorkMode::kTv);
inline constexpr int32_t kDefaultAutoScan = 1;
inline constexpr int32_t kDefaultIsMts = -1;
inline constexpr int32_t kDefaultControlMasterVolume = 1;
inline constexpr std::string_view kDefaultCaptureFile = "Temporary.AVI";
inline constexpr std::string_view kDefaultHwCaptureFile = "Image";
inline constexpr int32_t kDefaultPreAllocSizeKb = 10240;
inline constexpr int32_t kDefaultCaptureAudio = 1;
inline constexpr int32_t kDefaultWantPreview = 1;
inline constexpr int32_t kDefaultMasterStream = -1;
inline constexpr int32_t kDefaultTimeLimit = 10;
inline constexpr int32_t kDefaultUseFrameRate = 1;
inline constexpr int32_t kDefaultFrameRate = 333333;
// A stored FrameRate of 0 stands for one frame a second.
inline constexpr int32_t kFrameRateForZero = 10000000;
inline constexpr int32_t kDefaultOnlyCorvalenDevices = 1;
inline constexpr std::string_view kDefaultCaptureCodec = "none";
inline constexpr int32_t kDefaultMjpegQuality = 85;
inline constexpr int32_t kDefaultH264BitRate = 3000;
inline constexpr int32_t kDefaultKeepPictureAspect = 1;
// The audio device index before the capture engine has found the product's device.
inline constexpr int32_t kDefaultAudioDevice = 1;
}  // namespace setting

enum class SettingKind {
  kBool,          // ReadBool
  kDword,         // ReadDword
  kString,        // ReadString
  kMachineDword,  // ReadMachineDword under kFmMachineKey
  kDriverString,  // ReadVfwDriverName
  kWrittenOnly,   // WinHandle: written, never read
};

struct SettingInfo {
  std::string_view name;
  SettingKind kind;
  int32_t defaultNumber;
  std::string_view defaultText;
  // Non-empty when the default is worked out at run time rather than fixed: how.
  std::string_view computedDefault;
};

// Every stored value with its default, in the order of the settings table.
std::span<const SettingInfo> SettingsTable();
const SettingInfo* FindSetting(std::string_view name);

}  // namespace vd
