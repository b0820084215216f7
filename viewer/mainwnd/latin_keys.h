// The Latin meaning of a physical key. A layout of another script (Cyrillic, Greek, Hebrew,
// ...) types its own letters on the keys the viewer's shortcuts are named by; as desktop
// programs do, such a key then acts as the letter the US layout gives it.
#pragma once

#include <cstdint>

namespace vd {

class LatinKeys {
 public:
  // Whether a key press's Qt key is a letter or digit of a script other than Latin: only then
  // does its Latin meaning count.
  static bool IsOtherScript(int key);
  // The Qt key (Key_A ... Key_Z, Key_0 ... Key_9) the US layout gives the key with this native
  // scan code (the evdev code + 8, as X11 and Wayland report it); 0 for any other key, or when
  // the machine has no keyboard descriptions.
  static int KeyOf(uint32_t nativeScanCode);
};

}  // namespace vd
