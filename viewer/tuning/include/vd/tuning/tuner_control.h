// The viewer's tuner control: the tuner module's object seen as a range of steps (TV channel
// indices or radio frequency steps), the owner of the mode's channel table and the one that
// moves the mode's channel file in and out.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "channel_files.h"
#include "country_table.h"
#include "kxtuner.h"
#include "tuner_control_module.h"
#include "tuning_context.h"
#include "vd/ks_property_set.h"

class CChannelTable;

namespace vd {

// Stands in for the module's factory (tests hand one in instead of a module).
using TunerFactory = std::function<int32_t(KsPropertySet* props, KXTuner** tuner)>;

struct StepRange {
  int32_t first = 0;
  int32_t last = 0;
  uint32_t kind = 0;  // 1: TV channel numbering
};

}  // namespace vd

class TunerControl {
 public:
  static constexpr uint32_t kTvKind = 1;

  // Writes the channel file, then releases the property set, destroys the tuner object and
  // closes the module, in that order.
  virtual ~TunerControl();
  // Ends the mode's list: the table is stored in the mode's saved file. False (and the user
  // told) when it could not be; the saved file then keeps the list of the mode's start.
  // Destroying the control does the same for a list still open.
  bool CloseList();
  // Stores the mode's list at once, in the working and the saved file, so that a crash keeps
  // it. False (and the user told) when it could not be.
  bool StoreList();
  TunerControl(const TunerControl&) = delete;
  TunerControl& operator=(const TunerControl&) = delete;

  // Virtual operations in the order of their slots.
  virtual bool Activate() = 0;
  virtual uint32_t FrequencyOfStep(int32_t step) = 0;  // 0 when the step does not tune
  virtual int32_t TuneStep(int32_t step) = 0;          // status, 0 = ok
  virtual bool GetCurrentStep(int32_t* step) = 0;
  // The signal strength on the tuned step, 1 to 65535; 0 when no station is received.
  virtual uint32_t SignalAt(int32_t step) = 0;
  virtual uint32_t StepFrequency(int32_t step) = 0;

  // Nothing when there is no tuner object.
  std::optional<vd::StepRange> GetRange() const;
  bool SetFrequency(uint32_t hz);  // always reports success
  uint32_t GetFrequency();
  bool GetTvLimits(uint32_t* min, uint32_t* max);
  bool GetRadioLimits(uint32_t* min, uint32_t* max);
  // Tunes to the step and returns the signal strength there (0: no station; a failing call
  // counts as none). The step's frequency goes to *frequency when one was found.
  uint32_t Probe(int32_t step, uint32_t* frequency = nullptr);
  void RetuneCurrent();

  bool HasTuner() const { return tuner_ != nullptr; }
  CChannelTable* Table() { return table_.get(); }
  vd::TuningContext& Context() { return context_; }
  vd::ChannelFiles& Files() { return files_; }
  uint32_t StepWidth() const { return stepWidth_; }

  // The frequency plan used to name TV stations; the capture engine hands over a new one
  // only while the tuner numbers channels (kind 1).
  const ChannelBand* ActiveBand() const { return band_; }
  bool SetActiveBand(const ChannelBand* band);

 protected:
  // Loads the tuner module and creates the tuner object; failures leave no tuner object.
  TunerControl(vd::KsPropertySet* props, vd::TuningContext& context);
  // The same with a factory in place of the module.
  TunerControl(vd::KsPropertySet* props, vd::TuningContext& context, vd::TunerFactory factory);

  // Moves the saved file into the working file and creates the table from it.
  void CreateTable(bool radio);

  KXTuner* tuner_ = nullptr;
  int32_t first_ = 0;
  int32_t last_ = 0;
  uint32_t kind_ = 0;
  uint32_t stepWidth_ = 0;
  const ChannelBand* band_ = nullptr;

 private:
  void CreateTuner(const vd::TunerFactory& factory);
  // In the log each time; in a message once per data folder and run.
  void TellStoreFailure(const std::string& text);

  vd::TuningContext& context_;
  vd::KsPropertySetPtr props_;  // the reference the constructor took over
  std::unique_ptr<vd::TunerModule> module_;
  vd::ChannelFiles files_;
  std::unique_ptr<CChannelTable> table_;
  bool radio_ = false;
};
