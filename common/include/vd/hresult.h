// Result codes shared by the device layer, the modules and the engine. They keep the 32-bit
// values the libraries' callers know: 0 success, 1 "false", negative failures.
#pragma once

#include <cstdint>

namespace vd {

using HResult = int32_t;

inline constexpr HResult kSOk = 0;
inline constexpr HResult kSFalse = 1;
inline constexpr HResult kENotImpl = static_cast<HResult>(0x80004001u);
inline constexpr HResult kENoInterface = static_cast<HResult>(0x80004002u);
inline constexpr HResult kEPointer = static_cast<HResult>(0x80004003u);
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057u);
inline constexpr HResult kEOutOfMemory = static_cast<HResult>(0x8007000Eu);
// A property set or property id the device does not know ("not supported").
inline constexpr HResult kEPropSetUnsupported = static_cast<HResult>(0x80070492u);
inline constexpr HResult kEPropIdUnsupported = static_cast<HResult>(0x80070490u);
// The device went away under the caller.
inline constexpr HResult kEDeviceGone = static_cast<HResult>(0x8007048Fu);

inline constexpr bool Succeeded(HResult hr) {
  return hr >= 0;
}
inline constexpr bool Failed(HResult hr) {
  return hr < 0;
}

}  // namespace vd
