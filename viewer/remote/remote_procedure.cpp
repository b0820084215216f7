#include "vd/remote/remote_procedure.h"
#include "vd/layout/command_ids.h"

#include <chrono>

#include "country_table.h"
#include "vd/layout/panel_ids.h"
#include "vd/layout/work_modes.h"
#include "vd/trace.h"

VD_DEFINE_TRACE(RemoteTrace, "remote")

namespace vd {

namespace {

namespace rk = remote_key;
namespace pid = panel_id;

constexpr int kCommandDigit0 = command_id::kDigit0;
constexpr int kCommandEnter = command_id::kEnter;
constexpr int kCommandPanel = command_id::kPanel;
constexpr int kCommandSnapshot = command_id::kSnapshot;
constexpr int kCommandFullScreen = command_id::kFullScreen;

constexpr int kInputTv = static_cast<int>(PanelInput::kTv);
constexpr int kInputRadio = static_cast<int>(PanelInput::kRadio);

uint32_t SteadyTicks() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// While a capture is written or a clip plays, only keys that cannot disturb it pass.
bool PassesWhileBusy(RemoteKey key) {
  return key == rk::kPower || key == rk::kMute || key == rk::kVolumeUp || key == rk::kVolumeDown;
}

bool Repeats(RemoteKey key) {
  return key == rk::kVolumeUp || key == rk::kVolumeDown || key == rk::kChannelUp ||
         key == rk::kChannelDown;
}

}  // namespace

RemoteProcedure::RemoteProcedure(const RemoteState& state, RemoteActions& actions, Clock clock)
    : state_(state), actions_(actions), clock_(clock ? std::move(clock) : Clock(SteadyTicks)) {}

int32_t RemoteProcedure::Callback(void* context, uint32_t code) {
  return static_cast<RemoteProcedure*>(context)->OnCode(code);
}

int32_t RemoteProcedure::OnCode(uint32_t code) {
  RemoteTrace("\n REMOTE: 0x%X\n", code);
  RemoteKey key = RemoteCodeTable::KeyOf(code);
  // With FM radio switched off the radio keys do not exist: they do not even count as the
  // last key pressed.
  if ((key == rk::kTvRadio || key == rk::kFmMemory) && state_.FmDisabled()) key = rk::kNone;
  if (key == rk::kNone) return kIgnored;
  if (state_.Busy() && !PassesWhileBusy(key)) return kIgnored;
  {
    std::lock_guard lock(repeatLock_);
    const uint32_t now = clock_();
    if (code != lastCode_) {
      lastCode_ = code;
      lastTick_ = now;
    } else {
      // Unsigned difference, so the tick count may wrap between two repeats.
      if (!Repeats(key) || now - lastTick_ < kRepeatMs) return kIgnored;
      lastTick_ = now;
    }
  }
  return Dispatch(key) ? kActed : kIgnored;
}

bool RemoteProcedure::Dispatch(RemoteKey key) {
  if (key <= 9) {
    actions_.PostMainCommand(kCommandDigit0 + key);
    return true;
  }
  return PostFixedKey(key) || PostKeyOfInput(key);
}

bool RemoteProcedure::PostFixedKey(RemoteKey key) {
  switch (key) {
    case rk::kEnter:
      actions_.PostMainCommand(kCommandEnter);
      return true;
    case rk::kPower:
      actions_.PostPanelCommand(pid::kPower);
      return true;
    case rk::kVideoSource:
      actions_.PostVideoSourceCycle();
      return true;
    case rk::kVolumeUp:
      actions_.PostPanelCommand(pid::kVolumeUp);
      return true;
    case rk::kVolumeDown:
      actions_.PostPanelCommand(pid::kVolumeDown);
      return true;
    case rk::kRecall:
      actions_.PostPanelCommand(pid::kKeyRecall);
      return true;
    case rk::kPanel:
      actions_.PostMainCommand(kCommandPanel);
      return true;
    case rk::kMute:
      actions_.PostMuteToggle();
      return true;
    case rk::kTvRadio:
      actions_.PostTvRadioFlip();
      return true;
    default:
      return false;
  }
}

bool RemoteProcedure::PostKeyOfInput(RemoteKey key) {
  const int input = state_.PanelInput();
  const bool tvOrRadio = input == kInputTv || input == kInputRadio;
  switch (key) {
    case rk::kSoundMode: {
      // Only some countries' sets switch between sound modes from the remote.
      const CountryRecord* country = CountryTable::RecordOfCode(state_.Country());
      if (input != kInputTv || country == nullptr || !country->remoteSoundKey) return false;
      actions_.PostPanelCommand(pid::kSoundMode);
      return true;
    }
    case rk::kFineTuneDown:
    case rk::kFineTuneUp:
      if (!tvOrRadio) return false;
      actions_.PostFineTune(key == rk::kFineTuneUp ? kFineTuneStepHz : -kFineTuneStepHz);
      return true;
    case rk::kChannelUp:
    case rk::kChannelDown:
      if (!tvOrRadio) return false;
      actions_.PostPanelCommand(key == rk::kChannelUp ? pid::kChannelUp : pid::kChannelDown);
      return true;
    case rk::kSnapshot:
      if (input == kInputRadio || state_.FullScreen()) return false;
      actions_.PostMainCommand(kCommandSnapshot);
      return true;
    case rk::kFullScreen:
      if (input == kInputRadio) return false;
      actions_.PostMainCommand(kCommandFullScreen);
      return true;
    case rk::kFmMemory:
      // The key has nothing to do on a TV station but open its teletext.
      if (input == kInputTv) {
        actions_.PostMainCommand(command_id::kTeletext);
        return true;
      }
      if (input != kInputRadio) return false;
      actions_.PostFmMemoryToggle();
      return true;
    default:
      return false;
  }
}

int NextVideoSource(int panelInput) {
  switch (panelInput) {
    case kInputTv:
      return static_cast<int>(PanelInput::kComposite);
    case static_cast<int>(PanelInput::kComposite):
      return static_cast<int>(PanelInput::kSVideo);
    case static_cast<int>(PanelInput::kSVideo):
      return kInputTv;
    default:
      return panelInput;
  }
}

int TvRadioFlip(int panelInput) {
  return panelInput == kInputRadio ? kInputTv : kInputRadio;
}

const char* FmMemoryText(bool on) {
  return on ? "Memory ON" : "Memory OFF";
}

}  // namespace vd
