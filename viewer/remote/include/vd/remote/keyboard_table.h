// The viewer's keyboard shortcuts (accelerator table 336) as data, in Qt key codes so that the
// main window can build its shortcuts from them directly. Channel, volume and mute live on the
// control panel, so those keys are routed there; all others go to the main window.
#pragma once

#include <optional>
#include <span>

namespace vd {

enum class KeyTarget { kPanel, kMainWindow };

struct Accelerator {
  int key;        // Qt::Key
  int modifiers;  // Qt::KeyboardModifier bits that must be held (Control, Keypad)
  int command;
  KeyTarget target;
};

class KeyboardTable {
 public:
  static std::span<const Accelerator> Entries();
  // The accelerator of a key press; the held modifiers must match exactly. A key from
  // the numeric pad that has no entry of its own acts as the same key of the main block
  // (pad arrows with Num Lock off, the pad's Enter).
  //
  // Digits and the decimal point are characters, not keys: `typed` is the character the
  // press produced (0 when it produced none), and a digit or a "." or "," counts whatever
  // Shift the layout needed for it, as long as no Control, Alt or Meta is held.
  //
  // `latinKey` is the Latin letter or digit of the same physical key, given when the layout
  // types a letter of another script there (0 otherwise): a key that means nothing by itself
  // then acts as that letter or digit, with the same modifiers.
  static std::optional<Accelerator> Translate(int key, int modifiers, char32_t typed = 0,
                                              int latinKey = 0);
};

}  // namespace vd
