#include "vd/mixer/mixer.h"

#include <algorithm>
#include <array>
#include <string>

#include "vd/mixer/mixer_lines.h"
#include "vd/mixer/mixer_names.h"

namespace {

constexpr char kNoMixerDevices[] =
    "There are no mixer devices installed. Sound control is useless!";
constexpr char kVolumeDisabled[] = "This volume control is disabled !";

std::optional<int32_t> Larger(const std::optional<std::vector<int32_t>>& values) {
  if (!values || values->empty()) return std::nullopt;
  return *std::max_element(values->begin(), values->end());
}

}  // namespace

using vd::MixerControlKind;
namespace names = vd::mixer_names;

CMixer::CMixer(std::unique_ptr<vd::MixerBackend> backend, vd::MixerHost& host,
               int32_t controlMasterVolume)
    : backend_(std::move(backend)), host_(host), controlMasterVolume_(controlMasterVolume) {}

CMixer::~CMixer() {
  Close();
}

vd::MixerHandle CMixer::Open(unsigned mixerIndex) {
  if (handle_ != 0) return 0;
  if (backend_->DeviceCount() == 0) {
    // The panel tries two mixers, and the window retries while a lost card is away; one
    // message is enough. Told before it is shown: the box's own event loop runs the retry.
    if (!toldNoDevices_) {
      toldNoDevices_ = true;
      host_.ShowMessage(kNoMixerDevices);
    }
    return 0;
  }
  const std::optional<std::string> product = backend_->ProductName(mixerIndex);
  if (!product || *product == names::kTvBoxAudio) return 0;
  // The user was told the lost card's controls come back with it. Another card would have
  // its line unmuted, its recording source and wave volume changed, unasked.
  const std::optional<std::string> key = backend_->DeviceKey(mixerIndex);
  if (awaitedKey_ && key != awaitedKey_) return 0;
  const vd::MixerHandle handle = backend_->Open(mixerIndex);
  if (handle == 0) return 0;
  handle_ = handle;
  openKey_ = key;
  awaitedKey_.reset();
  ownChange_ = false;
  lineMuteAtOpen_.reset();
  masterMuteAtBorrow_.reset();
  masterMuteWritten_.reset();

  // Nothing found on a card opened earlier may stand for a control of this one.
  master_ = kInitialMaster;
  wave_ = kInitialWave;
  line_ = kInitialLine;
  const vd::MixerLines lines = vd::FindMixerLines(*backend_);
  TakeControls(lines.speakers, master_);
  TakeControls(lines.wave, wave_);
  TakeControls(lines.line, line_);
  Activate(ControlSet::kLine);
  SwitchLineMuteOff();
  const std::vector<int32_t> lineVolume = CheckActiveVolume();
  SelectRecordingSource(lines.waveIn, lines.line);
  StartWave(lineVolume);
  return handle_;
}

void CMixer::TakeControls(const std::optional<vd::MixerLine>& line, ControlIds& set) {
  if (!line) {
    Beep();
    return;
  }
  const auto volume = backend_->LineControl(line->id, MixerControlKind::kVolume);
  if (volume && volume->minimum <= volume->maximum) {
    set.volumeId = volume->id;
    set.minimum = volume->minimum;
    set.maximum = volume->maximum;
  } else {
    Beep();
  }
  if (!line->hasMute) {
    set.muteId = 0;
    return;
  }
  const auto mute = backend_->LineControl(line->id, MixerControlKind::kMute);
  if (mute) {
    set.muteId = mute->id;
  } else {
    Beep();
  }
}

void CMixer::SwitchLineMuteOff() {
  if (line_.muteId == 0) return;  // a line without a switch has nothing to restore
  lineMuteAtOpen_ = ReadMute(line_.muteId);
  if (!lineMuteAtOpen_) Beep();
  if (!WriteMute(line_.muteId, false)) Beep();
}

std::vector<int32_t> CMixer::CheckActiveVolume() {
  const auto control = backend_->Control(active_.volumeId);
  if (!control) {
    Beep();
  } else if (control->disabled) {
    host_.ShowMessage(kVolumeDisabled);
  }
  auto values = backend_->Values(active_.volumeId);
  if (!values || values->empty()) {
    Beep();
    return {};
  }
  return *values;
}

void CMixer::SelectRecordingSource(const std::optional<vd::MixerLine>& waveIn,
                                   const std::optional<vd::MixerLine>& line) {
  const auto list =
      waveIn ? backend_->LineControl(waveIn->id, MixerControlKind::kSourceList) : std::nullopt;
  const auto items = list ? backend_->ListItems(list->id) : std::nullopt;
  if (!items) {
    Beep();
    return;
  }
  // Without a line or auxiliary item the recording source stays as the user had it: turning
  // every item off would leave nothing to record from.
  const auto found = names::FindRecordingItem(*items, line ? line->shortName : std::string());
  if (found && !backend_->SelectListItem(list->id, *found)) Beep();
}

void CMixer::StartWave(const std::vector<int32_t>& lineVolume) {
  if (!lineVolume.empty()) {
    int64_t sum = 0;
    for (int32_t v : lineVolume) sum += v;
    volume_ = static_cast<int32_t>(sum / static_cast<int64_t>(lineVolume.size()));
  }
  if (wave_.muteId != 0 && !WriteMute(wave_.muteId, false)) Beep();
  const int32_t middle =
      static_cast<int32_t>((static_cast<int64_t>(wave_.minimum) + wave_.maximum) / 2);
  const std::array<int32_t, 1> both = {middle};
  if (!backend_->SetValues(wave_.volumeId, both)) Beep();
}

void CMixer::Activate(ControlSet set) {
  activeSet_ = set;
  active_ = set == ControlSet::kMaster ? master_ : set == ControlSet::kWave ? wave_ : line_;
  // Many cards give their wave and line inputs a volume but no switch; the master switch
  // silences them as well, and a mute button that only beeps helps nobody.
  if (active_.muteId == 0 && master_.muteId != 0) {
    active_.muteId = master_.muteId;
    if (!masterMuteAtBorrow_ && handle_ != 0) masterMuteAtBorrow_ = ReadMute(master_.muteId);
  }
}

void CMixer::SelectControls(int32_t argument, const vd::SoundSettings& stored, bool soundOverUsb) {
  selection_ = argument;
  if (argument != 0) {
    if (handle_ != 0 && active_.muteId == line_.muteId && !soundOverUsb) {
      if (!WriteMute(line_.muteId, false)) Beep();
    }
    Activate(controlMasterVolume_ != 0 ? ControlSet::kMaster : ControlSet::kWave);
    if (soundOverUsb) {
      volume_ = rememberedVolume_;
      mute_ = rememberedMute_;
    } else {
      int32_t mute = 0, volume = 0;
      ReadState(mute, volume);
    }
  } else {
    if (soundOverUsb) {
      Activate(ControlSet::kWave);
    } else {
      Activate(controlMasterVolume_ != 0 ? ControlSet::kMaster : ControlSet::kLine);
    }
    mute_ = stored.mute != 0;
    volume_ = stored.volume;
  }
  if (volume_ < active_.minimum || volume_ > active_.maximum) {
    volume_ = active_.maximum / 2;
    // Only a control whose range starts above zero can miss its own half maximum.
    if (volume_ < active_.minimum) {
      volume_ = static_cast<int32_t>((int64_t{active_.minimum} + active_.maximum) / 2);
    }
  }
}

bool CMixer::SetVolume(int32_t value) {
  // Clamped to the active control's own range: on this platform the master, wave and line
  // controls of one card rarely share a range.
  const int32_t volume = std::clamp(value, active_.minimum, active_.maximum);
  if (handle_ == 0) {
    volume_ = volume;
    return false;
  }
  const std::array<int32_t, 1> both = {volume};
  if (!backend_->SetValues(active_.volumeId, both)) {
    Beep();
    // What the card has now, as for a refused mute; a control that has gone keeps the last.
    if (const auto now = ReadVolume()) volume_ = *now;
    return false;
  }
  volume_ = volume;
  ownChange_ = true;
  host_.RefreshPanel();
  return true;
}

bool CMixer::SetMute(bool on) {
  if (handle_ != 0 && !WriteMute(active_.muteId, on)) {
    Beep();
    // What the card has now, for a panel that must not show a state the write never made.
    if (const auto now = ReadMute(active_.muteId)) mute_ = *now;
    return false;
  }
  mute_ = on;
  if (selection_ != 0) rememberedMute_ = on;
  if (handle_ == 0) return false;
  ownChange_ = true;
  host_.RefreshPanel();
  return true;
}

bool CMixer::ReadState(int32_t& mute, int32_t& volume) {
  bool complete = false;
  if (handle_ != 0) {
    const auto readMute = ReadMute(active_.muteId);
    const auto readVolume = ReadVolume();
    if (readMute) mute_ = *readMute;
    if (readVolume) volume_ = *readVolume;
    complete = readMute && readVolume;
    if (!complete) Beep();
  }
  rememberedMute_ = mute_;
  rememberedVolume_ = volume_;
  mute = mute_ ? 1 : 0;
  volume = volume_;
  return complete;
}

bool CMixer::OnControlChange(vd::MixerHandle mixer, vd::MixerControlId control) {
  if (handle_ == 0 || mixer != handle_) return false;
  if (ownChange_) {
    ownChange_ = false;
    return false;
  }
  if (control == active_.volumeId) {
    const auto volume = ReadVolume();
    if (!volume) {
      Beep();
      return false;
    }
    volume_ = *volume;
    return true;
  }
  if (control == active_.muteId) {
    const auto mute = ReadMute(active_.muteId);
    if (!mute) {
      Beep();
      return false;
    }
    mute_ = *mute;
    return true;
  }
  return false;
}

void CMixer::Close() {
  if (handle_ == 0) return;
  if (selection_ != 0) SetMute(true);
  if (lineMuteAtOpen_) {
    const auto now = ReadMute(line_.muteId);
    if (!now) {
      Beep();
    } else if (*now != *lineMuteAtOpen_ && !WriteMute(line_.muteId, *lineMuteAtOpen_)) {
      Beep();
    }
  }
  if (masterMuteAtBorrow_) {
    const auto now = ReadMute(master_.muteId);
    if (now && now == masterMuteWritten_ && *now != *masterMuteAtBorrow_ &&
        !WriteMute(master_.muteId, *masterMuteAtBorrow_))
      Beep();
    masterMuteAtBorrow_.reset();
    masterMuteWritten_.reset();
  }
  if (!backend_->Close()) host_.Beep(vd::BeepKind::kSimple);
  handle_ = 0;
  ownChange_ = false;
}

void CMixer::Forget() {
  if (handle_ == 0) return;
  awaitedKey_ = openKey_;
  backend_->Close();
  handle_ = 0;
  ownChange_ = false;
}

void CMixer::HandleEvents() {
  backend_->HandleEvents([this](vd::MixerHandle mixer, vd::MixerControlId control) {
    if (OnControlChange(mixer, control)) host_.RefreshPanel();
  });
}

bool CMixer::WriteMute(vd::MixerControlId id, bool on) {
  const std::array<int32_t, 1> value = {on ? 1 : 0};
  if (!backend_->SetValues(id, value)) return false;
  if (id == master_.muteId) masterMuteWritten_ = on;
  return true;
}

std::optional<int32_t> CMixer::ReadVolume() {
  return Larger(backend_->Values(active_.volumeId));
}

std::optional<bool> CMixer::ReadMute(vd::MixerControlId id) {
  const auto values = backend_->Values(id);
  if (!values || values->empty()) return std::nullopt;
  return (*values)[0] != 0;
}
