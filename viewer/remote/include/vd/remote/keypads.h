// The control panel's two keypads as decisions: what a press of each button asks for. The
// panel draws the keys (and the memory key's pressed look); the main window carries out the
// answer.
#pragma once

class RadioTunerControl;

namespace vd {

struct KeypadAction {
  enum class Kind {
    kNone,          // the button means nothing now
    kMainCommand,   // post `value` to the main window (digit entry)
    kRecall,        // go back to the previous station
    kMemoryMode,    // memory mode switched; `value` is the new mode (0/1)
    kSelectPreset,  // make FM list entry `value` current
    kStorePreset,   // store the current station as preset `value` (memory mode has ended)
  };
  Kind kind = Kind::kNone;
  int value = 0;
  bool operator==(const KeypadAction&) const = default;
};

// TV keypad: buttons 550..559 are digits, 560 Enter, 561 recall (refused while the capture
// engine is busy, so a recording keeps its station).
KeypadAction TvKeypadPress(int button, bool engineBusy);

// FM keypad: buttons 570..579 are presets 0..9, 580 the memory key.
class FmKeypad {
 public:
  KeypadAction Press(int button);
  bool MemoryMode() const { return memory_; }
  void SetMemoryMode(bool on) { memory_ = on; }

  // Carries out a preset decision through the radio control's own preset operations, with its
  // store state brought in line with the decision first.
  static void Apply(const KeypadAction& action, RadioTunerControl& radio);

 private:
  bool memory_ = false;
};

}  // namespace vd
