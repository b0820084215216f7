#include "vd/tuning/channel_table.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "vd/tuning/channel_files.h"
#include "vd/tuning/tuner_control.h"
#include "vd/tuning/tuning_context.h"

namespace {

constexpr int32_t kPresetCount = 10;

constexpr const char* kAutoScanCaption = "Confirm automatic scan";
constexpr const char* kAutoScanText =
    " Your TV station  list is currently empty .\n\n Would you like an automatic scan performed "
    "? \n Please note that it takes a few minutes .";

}  // namespace

CChannelTable::CChannelTable(TunerControl& tuner, vd::TuningContext& context,
                             vd::ChannelFiles& files, bool radio)
    : tuner_(tuner), context_(context), files_(files), radio_(radio) {
  if (auto bytes = files_.ReadWorking()) {
    Load(std::move(*bytes), radio_ ? vd::ChannelFiles::kRadioName : vd::ChannelFiles::kTvName);
  } else {
    StartWithoutFile();
  }
  files_.HoldEmptyWorking();
}

CChannelTable::~CChannelTable() {
  if (!radio_) context_.WriteTvStations(current_, previous_);
  files_.StoreWorking(Encode());
}

void CChannelTable::Load(std::vector<uint8_t> bytes, const std::string& fileName) {
  vd::ChannelFileContents contents = vd::ChannelFile::Decode(bytes, radio_);
  items_ = std::move(contents.stations);
  for (const CChannel& c : items_) used_.set(c.id);
  if (radio_) {
    current_ = contents.current;
    // The radio list keeps no recall station across runs.
    previous_ = current_;
  } else {
    // The settings may belong to a list that has since changed; never point past the end.
    current_ = context_.TvStation();
    previous_ = context_.TvOldStation();
    if (current_ < 0 || current_ >= Count()) current_ = items_.empty() ? -1 : 0;
    if (previous_ < 0 || previous_ >= Count()) previous_ = current_;
  }
  if (contents.damage) {
    // Closing replaces the list with the stations that could be read; whatever follows the
    // damage stays in a copy the user can mend or send in.
    std::string error;
    const std::string kept = files_.KeepDamaged(radio_, bytes, &error);
    char text[1024];
    std::snprintf(
        text, sizeof text,
        "The station list in %s was damaged: %s.\n%d station(s) could be kept.\n%s%s",
        fileName.c_str(), contents.damage->c_str(), Count(),
        kept.empty() ? "The damaged file could not be kept: " : "The damaged file is kept as ",
        kept.empty() ? error.c_str() : kept.c_str());
    context_.ShowMessage("Channel list", text);
  }
  if (current_ != -1) Select(current_, true);
}

void CChannelTable::StartWithoutFile() {
  const vd::WorkMode mode = context_.WorkMode();
  if (context_.AutoScan()) {
    if (mode == vd::WorkMode::kTv && context_.AskYesNo(kAutoScanCaption, kAutoScanText)) {
      context_.RequestAutomaticScan();
    }
    context_.SwitchOffAutoScan();
  } else if (!radio_) {
    FillDefault();
    // The list starts on its second station; with a single channel, on the only one rather
    // than past the end.
    current_ = Count() > 1 ? 1 : Count() - 1;
    previous_ = current_;
    if (current_ >= 0) Select(current_, true);
    context_.RefreshChannelDisplay();
  }
}

bool CChannelTable::StoreNow() {
  return files_.StoreNow(radio_, Encode());
}

std::vector<uint8_t> CChannelTable::Encode() const {
  return vd::ChannelFile::Encode(items_, radio_, current_);
}

bool CChannelTable::IsUsed(int32_t id) const {
  return id >= 0 && id < kCapacity && used_.test(static_cast<size_t>(id));
}

int32_t CChannelTable::IndexOfId(int32_t id) const {
  if (!IsUsed(id)) return -1;
  for (int32_t i = 0; i < Count(); ++i) {
    if (items_[static_cast<size_t>(i)].id == static_cast<uint32_t>(id)) return i;
  }
  return -1;
}

bool CChannelTable::HasFrequency(uint32_t hz) const {
  return std::any_of(items_.begin(), items_.end(),
                     [hz](const CChannel& c) { return c.frequency == hz; });
}

bool CChannelTable::FreeSlot(int32_t id) {
  const int32_t index = IndexOfId(id);
  if (index < 0) return true;
  auto range = tuner_.GetRange();
  const int64_t beyond = range ? static_cast<int64_t>(range->last) + 1 : 0;
  const uint32_t wanted =
      beyond > 0 && beyond < kCapacity ? static_cast<uint32_t>(beyond) : uint32_t{0};
  const uint32_t free = FreeIdFrom(wanted);
  if (free >= vd::ChannelFile::kCapacity) return false;
  CChannel& holder = items_[static_cast<size_t>(index)];
  used_.reset(holder.id);
  holder.id = free;
  used_.set(free);
  return true;
}

bool CChannelTable::Select(int32_t index, bool resetDeleted) {
  if (index < 0 || index >= Count()) return false;
  const bool wasMuted = context_.IsMuted();
  context_.SetMuted(true);
  tuner_.SetFrequency(items_[static_cast<size_t>(index)].frequency);
  context_.Wait(kSelectSettleMs);
  context_.SetMuted(wasMuted);
  // Tuning the station again (after a scan, a country change) is not a change of station:
  // recall must still lead to the one watched before.
  if (index != current_) previous_ = current_;
  current_ = index;
  if (resetDeleted || lastDeleted_ == Count()) lastDeleted_ = -1;
  return true;
}

void CChannelTable::SelectNext() {
  if (items_.empty()) return;
  const bool presets = context_.WorkMode() == vd::WorkMode::kRadio && context_.RemoteFmMemory();
  if (presets && current_ > kPresetCount - 2) {
    Select(0, false);
    return;
  }
  int32_t next = current_ + 1;
  if (next >= Count()) next = 0;
  Select(next, false);
}

void CChannelTable::SelectPrevious() {
  if (items_.empty()) return;
  const bool presets = context_.WorkMode() == vd::WorkMode::kRadio && context_.RemoteFmMemory();
  if (presets && Count() > kPresetCount - 1 && current_ == 0) {
    Select(kPresetCount - 1, false);
    return;
  }
  Select(current_ < 1 ? Count() - 1 : current_ - 1, false);
}

void CChannelTable::SelectPreviousStation() {
  Select(previous_, false);
}

bool CChannelTable::GetCurrent(int32_t* index) const {
  if (current_ == -1) return false;
  *index = current_;
  return true;
}

const CChannel* CChannelTable::Get(int32_t index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &items_[static_cast<size_t>(index)];
}

uint32_t CChannelTable::FreeIdFrom(uint32_t wanted) const {
  // Ids found by the scan are tuner steps, so the count may already be taken; two stations
  // sharing a slot would corrupt the used-slot map and the file.
  for (uint32_t i = 0; i < vd::ChannelFile::kCapacity; ++i) {
    uint32_t id = (wanted + i) % vd::ChannelFile::kCapacity;
    if (!used_.test(id)) return id;
  }
  return vd::ChannelFile::kCapacity;
}

void CChannelTable::Append(CChannel channel) {
  used_.set(channel.id);
  items_.push_back(std::move(channel));
  current_ = Count() - 1;
  lastDeleted_ = -1;
}

bool CChannelTable::AddByFrequency(uint32_t hz) {
  // The caller has tuned hz already; recall must lead back to the station watched before it.
  const int32_t watched = current_;
  for (int32_t i = 0; i < Count(); ++i) {
    if (items_[static_cast<size_t>(i)].frequency == hz) {
      if (i != watched) {
        previous_ = watched;
        current_ = i;
      }
      return true;
    }
  }
  if (IsFull()) {
    context_.Beep(vd::kBeepDefault);
    return false;
  }
  uint32_t number = 0;
  std::string name;
  if (context_.WorkMode() == vd::WorkMode::kTv) {
    if (const ChannelBand* band = tuner_.ActiveBand()) {
      number = band->ChannelOf(hz).value_or(band->last);
    }
    char text[32];
    std::snprintf(text, sizeof text, "%3d%s", static_cast<int>(number), " ");
    name = text;
  } else {
    name = CChannel::RadioName(hz);
  }
  Append(CChannel(FreeIdFrom(static_cast<uint32_t>(Count())), name, hz, number));
  previous_ = watched >= 0 ? watched : current_;
  if (context_.WorkMode() == vd::WorkMode::kTv) Sort();
  return true;
}

bool CChannelTable::AppendFound(int32_t step, std::string_view name, uint32_t hz, uint32_t number) {
  if (IsFull() || step < 0 || step >= kCapacity || IsUsed(step)) return false;
  Append(CChannel(static_cast<uint32_t>(step), name, hz, number));
  return true;
}

bool CChannelTable::Rename(int32_t index, std::string_view name) {
  if (index < 0 || index >= Count() || name.empty()) return false;
  items_[static_cast<size_t>(index)].SetName(name);
  return true;
}

bool CChannelTable::SetFrequency(int32_t index, uint32_t hz) {
  if (index < 0 || index >= Count()) return false;
  items_[static_cast<size_t>(index)].frequency = hz;
  return true;
}

void CChannelTable::Remove(int32_t index) {
  if (index < 0 || index >= Count()) return;
  const uint32_t id = items_[static_cast<size_t>(index)].id;
  lastDeleted_ = static_cast<int32_t>(id);
  used_.reset(id);
  items_.erase(items_.begin() + index);
  // Recall keeps to the station it named; with that station gone it has nowhere else to go
  // than the current one.
  int32_t previous = previous_ > index ? previous_ - 1 : previous_;
  if (previous_ == index) previous = -1;
  if (index == current_) {
    SelectPrevious();
  } else if (index < current_) {
    --current_;
  }
  if (items_.empty()) current_ = -1;
  previous_ = previous >= 0 ? previous : current_;
}

void CChannelTable::Clear() {
  items_.clear();
  used_.reset();
  current_ = -1;
  previous_ = -1;
  lastDeleted_ = -1;
}

void CChannelTable::Move(int32_t from, int32_t to) {
  if (from < 0 || to < 0 || from >= Count() || to >= Count() || from == to) return;
  CChannel moved = std::move(items_[static_cast<size_t>(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(moved));
  // The current and the recall station stay the stations they were.
  auto follow = [&](int32_t& index) {
    if (index == from) {
      index = to;
    } else if (from < index && index <= to) {
      --index;
    } else if (to <= index && index < from) {
      ++index;
    }
  };
  follow(current_);
  follow(previous_);
}

void CChannelTable::Swap(int32_t a, int32_t b) {
  if (a < 0 || b < 0 || a >= Count() || b >= Count()) return;
  std::swap(items_[static_cast<size_t>(a)], items_[static_cast<size_t>(b)]);
  for (int32_t* index : {&current_, &previous_}) {
    if (*index == a) {
      *index = b;
    } else if (*index == b) {
      *index = a;
    }
  }
}

void CChannelTable::Sort() {
  auto range = tuner_.GetRange();
  const bool byName = range && range->kind == TunerControl::kTvKind;
  auto less = [&](size_t a, size_t b) {
    const CChannel& x = items_[a];
    const CChannel& y = items_[b];
    return byName ? x.Name() < y.Name() : x.frequency < y.frequency;
  };
  // A selection sort that takes the earliest smallest station and moves it into place is a
  // stable sort; this gives the same order without its quadratic cost, which a full table
  // paid each time the channel list was filled.
  std::vector<size_t> order(items_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), less);
  std::vector<CChannel> sorted;
  sorted.reserve(items_.size());
  int32_t current = current_;
  int32_t previous = previous_;
  for (size_t i = 0; i < order.size(); ++i) {
    if (static_cast<int32_t>(order[i]) == current_) current = static_cast<int32_t>(i);
    if (static_cast<int32_t>(order[i]) == previous_) previous = static_cast<int32_t>(i);
    sorted.push_back(std::move(items_[order[i]]));
  }
  items_ = std::move(sorted);
  current_ = current;
  previous_ = previous;
}

void CChannelTable::FillDefault() {
  auto range = tuner_.GetRange();
  if (!range) return;
  context_.BeginWaitCursor();
  const ChannelBand* band = tuner_.ActiveBand();
  for (int32_t i = range->first; i <= range->last && i < kCapacity; ++i) {
    if (i < 0 || IsUsed(i) || IsFull()) continue;
    const uint32_t hz = tuner_.FrequencyOfStep(i);
    if (hz == 0) continue;
    uint32_t number = 0;
    std::string name = CChannel::kUnnamed;
    if (range->kind == TunerControl::kTvKind) {
      auto found = band != nullptr ? band->ChannelOf(hz) : std::nullopt;
      if (!found) continue;
      number = *found;
      char text[40];
      std::snprintf(text, sizeof text, "%2d%s %s", static_cast<int>(number),
                    CChannel::Filler(number), CChannel::kUnnamed);
      name = text;
    }
    Append(CChannel(static_cast<uint32_t>(i), name, hz, number));
    if (Count() >= range->last) break;
  }
  context_.EndWaitCursor();
}
