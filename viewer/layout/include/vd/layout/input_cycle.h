// The panel's Input button: TV -> Radio -> composite -> S-Video -> TV.
#pragma once

namespace vd {

class InputCycle {
 public:
  struct Step {
    int input;   // the panel input after the press
    bool apply;  // whether the new input is to be switched to
  };

  explicit InputCycle(int input = 0, bool fmDisabled = false);

  // One press of the Input button. With FM radio disabled the press that reaches Radio
  // leaves the mode as it is; the input rests on Radio until the next press.
  Step Press();

  // The viewer started in radio mode: the next press applies the current input without
  // moving on.
  void ApplyStoredOnNextPress() { applyStored_ = true; }

  // The mode switch was refused (a channel scan runs): go back to the last applied input.
  int Revert();

  // Sets the input from outside (remote keys, start-up) and counts it as applied.
  void SetInput(int input);

  int input() const { return input_; }
  int confirmedInput() const { return confirmed_; }
  bool fmDisabled() const { return fmDisabled_; }
  void SetFmDisabled(bool disabled) { fmDisabled_ = disabled; }

 private:
  int input_;
  int confirmed_;
  bool fmDisabled_;
  bool applyStored_ = false;
};

}  // namespace vd
