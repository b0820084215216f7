// Digit entry, fine tuning and the keypads of the running mode, on the tuner control the
// capture engine holds at the moment (it changes with the work mode).
#pragma once

#include <cstdint>
#include <memory>

#include "vd/remote/entry_host.h"
#include "vd/remote/keypads.h"

class CControlPanel;
class TunerControl;

namespace vd {

class DigitEntry;
class FineTune;
class TuningPorts;

class ViewerEntry : public EntryHost {
 public:
  // What the entry asks of the main window.
  struct Owner {
    // The tuner of the running mode, while the engine has one.
    virtual TunerControl* CurrentTuner() = 0;
    virtual CControlPanel* Panel() = 0;
    virtual vd::ViewState ViewState() const = 0;
    virtual vd::WorkMode WorkModeValue() const = 0;
    virtual void OnCommand(int id) = 0;
    virtual void Beep() = 0;
    virtual void RefreshChannelDisplay() = 0;
    virtual void RefreshChannelList() = 0;
    virtual void SetTimer(uint32_t id, uint32_t milliseconds) = 0;
    virtual void KillTimer(uint32_t id) = 0;

   protected:
    ~Owner() = default;
  };

  explicit ViewerEntry(Owner& window);
  ~ViewerEntry() override;

  // The engine has freed or replaced the tuner (a mode change, the box removed): the entry and
  // fine tune let go of it, even if a new one should take the same address.
  void Unbind();
  // Commands 376..387; false when there is no tuner to enter into.
  bool OnDigitCommand(int command);
  void OnEntryTimer();
  bool FineTuneStep(int32_t deltaHz);
  // Panel keypad buttons 550..561 and 570..580.
  void OnKeypad(int button);

  // EntryHost
  vd::WorkMode WorkMode() const override;
  bool IsCapturing() const override;
  void StartEntryTimer(uint32_t milliseconds) override;
  void StopEntryTimer() override;
  void ShowText(const std::string& text) override;
  void RefreshDisplay(int n) override;
  void RefreshScanWindow() override;
  void Beep(uint32_t kind) override;

 private:
  // Rebuilds the parts on a new tuner control; false without one.
  bool Bind();

  Owner& window_;
  TunerControl* bound_ = nullptr;
  std::unique_ptr<TuningPorts> ports_;
  std::unique_ptr<DigitEntry> entry_;
  std::unique_ptr<FineTune> fineTune_;
  FmKeypad fmKeypad_;
};

}  // namespace vd
