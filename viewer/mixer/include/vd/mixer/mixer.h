// The viewer's one mixer object: finds the sound card's master, wave and line-in (or
// auxiliary) controls, selects the line input for recording, and applies the panel's volume
// slider and mute button to one of the three control sets. UI thread only.
#pragma once

#include <poll.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "mixer_backend.h"
#include "mixer_host.h"
#include "mixer_types.h"

class CMixer {
 public:
  enum class ControlSet { kMaster, kWave, kLine };

  // controlMasterVolume is the process-wide setting of that name, read once here.
  CMixer(std::unique_ptr<vd::MixerBackend> backend, vd::MixerHost& host,
         int32_t controlMasterVolume);
  ~CMixer();
  CMixer(const CMixer&) = delete;
  CMixer& operator=(const CMixer&) = delete;

  // Returns the handle of the opened mixer, or 0.
  vd::MixerHandle Open(unsigned mixerIndex);
  // soundOverUsb: the TV box delivers its sound over USB (played through the wave output)
  // rather than by cable into the line input.
  void SelectControls(int32_t argument, const vd::SoundSettings& stored, bool soundOverUsb);
  bool SetVolume(int32_t value);
  bool SetMute(bool on);
  // Reads the active controls; without an open mixer (or when a read fails) the outputs are
  // the last known values. Returns whether both were read from the mixer.
  bool ReadState(int32_t& mute, int32_t& volume);
  // True when the panel must show the new state.
  bool OnControlChange(vd::MixerHandle mixer, vd::MixerControlId control);
  void Close();
  // The card went away: let go of it without touching its controls. Open then opens that card
  // alone, once it is back, and no other one meanwhile.
  void Forget();
  bool CardLost() const { return handle_ != 0 && backend_->CardLost(); }

  // The UI loop watches these and calls HandleEvents when one is readable.
  std::vector<pollfd> PollDescriptors() { return backend_->PollDescriptors(); }
  void HandleEvents();

  bool IsOpen() const { return handle_ != 0; }
  vd::MixerHandle Handle() const { return handle_; }
  int32_t Volume() const { return volume_; }
  bool Mute() const { return mute_; }
  int32_t Minimum() const { return active_.minimum; }
  int32_t Maximum() const { return active_.maximum; }
  ControlSet ActiveSet() const { return activeSet_; }

 private:
  struct ControlIds {
    vd::MixerControlId volumeId = 0;
    vd::MixerControlId muteId = 0;
    int32_t minimum = 0;
    int32_t maximum = 0x8000;
  };

  void Beep() { host_.Beep(vd::BeepKind::kDefault); }
  void TakeControls(const std::optional<vd::MixerLine>& line, ControlIds& set);
  void SwitchLineMuteOff();
  std::vector<int32_t> CheckActiveVolume();
  void SelectRecordingSource(const std::optional<vd::MixerLine>& waveIn,
                             const std::optional<vd::MixerLine>& line);
  void StartWave(const std::vector<int32_t>& lineVolume);
  void Activate(ControlSet set);
  bool WriteMute(vd::MixerControlId id, bool on);
  std::optional<int32_t> ReadVolume();
  std::optional<bool> ReadMute(vd::MixerControlId id);

  std::unique_ptr<vd::MixerBackend> backend_;
  vd::MixerHost& host_;
  const int32_t controlMasterVolume_;

  vd::MixerHandle handle_ = 0;
  bool ownChange_ = false;
  bool toldNoDevices_ = false;
  std::optional<std::string> openKey_;
  std::optional<std::string> awaitedKey_;  // the card lost while open
  std::optional<bool> lineMuteAtOpen_;
  // The master switch as it was when a set without a switch of its own first borrowed it:
  // the desktop's master is put back at Close, as the line's is.
  std::optional<bool> masterMuteAtBorrow_;
  // The last state the viewer wrote to the master switch. Close puts the borrowed switch back
  // only while it still holds this: a change made since in the desktop's mixer is the user's.
  std::optional<bool> masterMuteWritten_;

  // Placeholder ids name no control (see kFirstMixerControlId): a set whose query failed
  // makes its calls fail and beep instead of touching an unrelated control.
  static constexpr ControlIds kInitialMaster{4, 11, 0, 0x8000};
  static constexpr ControlIds kInitialWave{0, 0, 0, 0x8000};
  static constexpr ControlIds kInitialLine{1, 8, 0, 0x8000};
  ControlIds master_ = kInitialMaster;
  ControlIds wave_ = kInitialWave;
  ControlIds line_ = kInitialLine;
  ControlIds active_ = line_;
  ControlSet activeSet_ = ControlSet::kLine;

  int32_t volume_ = 0;
  bool mute_ = false;
  int32_t rememberedVolume_ = 0;
  bool rememberedMute_ = false;
  int32_t selection_ = 0;
};
