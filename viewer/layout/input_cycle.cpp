#include "vd/layout/input_cycle.h"

#include "vd/layout/work_modes.h"

namespace vd {

namespace {

int Clamp(int input) {
  return input < 0 || input > 3 ? 0 : input;
}

}  // namespace

InputCycle::InputCycle(int input, bool fmDisabled)
    : input_(Clamp(input)), confirmed_(input_), fmDisabled_(fmDisabled) {}

InputCycle::Step InputCycle::Press() {
  if (applyStored_) {
    applyStored_ = false;
  } else {
    input_ = (input_ + 1) % 4;
  }
  if (input_ == static_cast<int>(PanelInput::kRadio) && fmDisabled_) return {input_, false};
  confirmed_ = input_;
  return {input_, true};
}

int InputCycle::Revert() {
  input_ = confirmed_;
  return input_;
}

void InputCycle::SetInput(int input) {
  input_ = Clamp(input);
  confirmed_ = input_;
}

}  // namespace vd
