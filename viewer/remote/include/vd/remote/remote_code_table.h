// Codes of the infrared remote control as the stream parser delivers them, and the key each
// one stands for. Every key has two codes: the remote flips a toggle bit on each new press,
// so a held key repeats one code while two presses in a row give two different codes.
#pragma once

#include <cstdint>
#include <span>

namespace vd {

using RemoteKey = uint8_t;

namespace remote_key {
// Digits 0..9 are keys 0..9.
inline constexpr RemoteKey kEnter = 10;
inline constexpr RemoteKey kPower = 12;
inline constexpr RemoteKey kVideoSource = 14;
inline constexpr RemoteKey kVolumeUp = 16;
inline constexpr RemoteKey kVolumeDown = 17;
inline constexpr RemoteKey kSoundMode = 18;
inline constexpr RemoteKey kFineTuneDown = 20;
inline constexpr RemoteKey kRecall = 22;
inline constexpr RemoteKey kFineTuneUp = 28;
inline constexpr RemoteKey kPanel = 30;
inline constexpr RemoteKey kChannelUp = 32;
inline constexpr RemoteKey kChannelDown = 33;
inline constexpr RemoteKey kSnapshot = 34;
inline constexpr RemoteKey kMute = 36;
inline constexpr RemoteKey kFullScreen = 46;
inline constexpr RemoteKey kTvRadio = 56;
inline constexpr RemoteKey kFmMemory = 62;
inline constexpr RemoteKey kNone = 255;
}  // namespace remote_key

class RemoteCodeTable {
 public:
  struct Entry {
    uint32_t code;     // toggle bit in one state
    uint32_t toggled;  // the same key with the toggle bit in the other state
    RemoteKey key;
  };

  // The key of a code in either toggle form; remote_key::kNone for any other code.
  static RemoteKey KeyOf(uint32_t code);
  static std::span<const Entry> Entries();
};

}  // namespace vd
