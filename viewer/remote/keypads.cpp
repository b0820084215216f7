#include "vd/remote/keypads.h"
#include "vd/layout/command_ids.h"

#include "vd/layout/panel_ids.h"
#include "vd/tuning/radio_tuner_control.h"

namespace vd {

namespace {

namespace pid = panel_id;
using Kind = KeypadAction::Kind;

constexpr int kCommandDigit0 = command_id::kDigit0;
constexpr int kCommandEnter = command_id::kEnter;

}  // namespace

KeypadAction TvKeypadPress(int button, bool engineBusy) {
  if (button >= pid::kKey0 && button <= pid::kKey0 + 9) {
    return {Kind::kMainCommand, kCommandDigit0 + (button - pid::kKey0)};
  }
  if (button == pid::kKeyEnter) return {Kind::kMainCommand, kCommandEnter};
  if (button == pid::kKeyRecall && !engineBusy) return {Kind::kRecall, 0};
  return {};
}

KeypadAction FmKeypad::Press(int button) {
  if (button == pid::kFmMemory) {
    memory_ = !memory_;
    return {Kind::kMemoryMode, memory_ ? 1 : 0};
  }
  if (button < pid::kFmKey0 || button > pid::kFmKey0 + 9) return {};
  const int preset = button - pid::kFmKey0;
  if (!memory_) return {Kind::kSelectPreset, preset};
  memory_ = false;
  return {Kind::kStorePreset, preset};
}

void FmKeypad::Apply(const KeypadAction& action, RadioTunerControl& radio) {
  const bool store = action.kind == Kind::kStorePreset;
  if (!store && action.kind != Kind::kSelectPreset) return;
  if (radio.IsStoring() != store) radio.ToggleMemory();
  radio.StationKey(action.value);
}

}  // namespace vd
