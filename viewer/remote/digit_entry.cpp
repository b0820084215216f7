#include "vd/remote/digit_entry.h"

#include <cstdio>

#include "country_table.h"
#include "vd/layout/work_modes.h"
#include "vd/tuning/tuning_context.h"

namespace vd {

namespace {

int32_t PowerOfTen(int32_t n) {
  int32_t p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

}  // namespace

bool DigitEntry::OnCommand(int command) {
  if (command < kCommandDigit0 || command > kCommandPoint) return false;
  host_.StopEntryTimer();
  const WorkMode mode = host_.WorkMode();
  if (IsExternalInput(mode)) {
    // A timer left over from the other mode must not end an entry typed later.
    Clear();
    return true;
  }
  const bool radio = mode == WorkMode::kRadio;
  if (command == kCommandEnter) {
    if (radio) {
      EndRadio();
    } else {
      EndTv();
    }
    Clear();
    return true;
  }
  host_.StartEntryTimer(EntryHost::kEntryTimeoutMs);
  if (command == kCommandPoint) {
    AddPoint(radio);
  } else {
    AddDigit(command - kCommandDigit0, radio);
  }
  host_.ShowText(Text(radio));
  return true;
}

void DigitEntry::Clear() {
  count_ = 0;
  value_ = 0;
  point_ = 0;
}

void DigitEntry::AddDigit(int digit, bool radio) {
  ++count_;
  const int32_t window = radio ? 6 : 4;
  if (count_ < window) {
    value_ = value_ * 10 + digit;
    return;
  }
  // Only the latest inputs count: the oldest digit drops off the left.
  value_ = (value_ % (radio ? 10000 : 100)) * 10 + digit;
  count_ = window - 1;
  if (radio && point_ > 0) --point_;
}

void DigitEntry::AddPoint(bool radio) {
  // A point means nothing in a channel number, and a second one would shift the first.
  if (!radio || point_ > 0) return;
  ++count_;
  point_ = count_;
}

std::string DigitEntry::Text(bool radio) const {
  char text[32];
  if (!radio || point_ == 0) {
    std::snprintf(text, sizeof text, "%d", value_);
    return text;
  }
  const int32_t decimals = count_ - point_;
  if (decimals <= 0) {
    std::snprintf(text, sizeof text, "%d.", value_);
    return text;
  }
  static constexpr const char* kFormats[] = {"%d.%d", "%d.%02d", "%d.%03d", "%d.%04d"};
  const int32_t scale = PowerOfTen(decimals);
  std::snprintf(text, sizeof text, kFormats[decimals > 4 ? 3 : decimals - 1], value_ / scale,
                value_ % scale);
  return text;
}

void DigitEntry::EndRadio() {
  const int32_t divisor = point_ > 0 ? PowerOfTen(count_ - point_) : 1;
  if (value_ == 0 || value_ / divisor > kMaxRadioMhz) {
    host_.Beep(kBeepQuestion);
    host_.RefreshDisplay(EntryHost::kShowRemembered);
    return;
  }
  const uint32_t hz = static_cast<uint32_t>(1000000 / divisor) * static_cast<uint32_t>(value_);
  uint32_t min = 0;
  uint32_t max = 0;
  if (tuner_.GetRadioLimits(&min, &max) && (hz < min || hz > max)) {
    host_.Beep(kBeepQuestion);
    host_.RefreshDisplay(EntryHost::kShowRemembered);
    return;
  }
  tuner_.SetFrequency(hz);
  stations_.AddByFrequency(hz);
  host_.RefreshDisplay(EntryHost::kShowRemembered);
}

void DigitEntry::EndTv() {
  const ChannelBand* band = tuner_.ActiveBand();
  uint32_t hz = 0;
  uint32_t min = 0;
  uint32_t max = 0;
  if (band != nullptr && value_ >= 0) hz = band->FrequencyOf(static_cast<uint32_t>(value_));
  if (hz == 0 || !tuner_.GetTvLimits(&min, &max) || hz < min || hz > max) {
    host_.Beep(kBeepQuestion);
    host_.RefreshDisplay(EntryHost::kShowRemembered);
    return;
  }
  if (stations_.Count() == 0) {
    tuner_.SetFrequency(hz);
    host_.RefreshDisplay(value_);
    return;
  }
  // Switching stations would cut into the recording.
  if (host_.IsCapturing()) {
    host_.RefreshDisplay(EntryHost::kShowRemembered);
    return;
  }
  const int32_t index = stations_.IndexOfFrequency(hz);
  if (index >= 0) {
    stations_.Select(index);
  } else {
    tuner_.SetFrequency(hz);
    stations_.AddByFrequency(hz);
    host_.Beep(kBeepDefault);
  }
  host_.RefreshDisplay(EntryHost::kShowRemembered);
}

}  // namespace vd
