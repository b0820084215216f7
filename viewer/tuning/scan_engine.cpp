#include "vd/tuning/scan_engine.h"

#include <algorithm>
#include <cstdio>

#include "vd/tuning/channel_table.h"
#include "vd/tuning/tuner_control.h"
#include "vd/tuning/tuning_context.h"

namespace vd {

namespace {

// The only state that lives across seek calls. UI thread only.
int32_t gScanStart = -1;
bool gRunning = false;

// Marks a scan as running for as long as it is in scope.
class RunningScope {
 public:
  RunningScope() { gRunning = true; }
  ~RunningScope() { gRunning = false; }
  RunningScope(const RunningScope&) = delete;
  RunningScope& operator=(const RunningScope&) = delete;
};

constexpr uint32_t kUnknownChannelOffset = 201;
// Fine tuning moves a station 50 kHz a press; a station this close to its slot's step is
// still the one the scan found there.
constexpr uint32_t kFineTuneReach = 1000000;
// A tuner picks a TV carrier up over a window around it (about 2 MHz wide on the cards seen);
// neighbouring steps closer than this, both with a signal, see the same carrier. Carriers
// are 6 MHz apart or more.
constexpr uint32_t kCarrierWindow = 2000000;
// An FM station is heard a step or two either side of its frequency; stations in one place
// are 200 kHz apart or more.
constexpr uint32_t kFmWindow = 200000;
constexpr const char* kFoundText = "Found";        // string 61282
constexpr const char* kChannelsText = "Channels";  // string 61439

// The step of the table's current station; -1 when none is current.
int32_t CurrentStationStep(CChannelTable& table) {
  int32_t current = -1;
  return table.GetCurrent(&current) ? static_cast<int32_t>(table.Get(current)->id) : -1;
}

}  // namespace

int32_t ScanEngine::ScanStart() {
  return gScanStart;
}

bool ScanEngine::Running() {
  return gRunning;
}

void ScanEngine::ResetScanStart() {
  gScanStart = -1;
}

std::string ScanEngine::PercentText(int32_t position, int32_t first, int32_t last) {
  int64_t percent = 100;
  if (last > first) {
    percent = (static_cast<int64_t>(position) - first) * 100 / (static_cast<int64_t>(last) - first);
  }
  if (percent != 100) percent %= 100;
  char text[24];
  std::snprintf(text, sizeof text, "%d%c", static_cast<int>(percent), '%');
  return text;
}

std::string ScanEngine::FoundText(int32_t count) {
  char text[64];
  std::snprintf(text, sizeof text, "%s %d %s", kFoundText, count, kChannelsText);
  return text;
}

bool ScanEngine::Interrupted(ScanProgress* progress, ScanCancelSource* cancel, int32_t pos,
                             bool wrapping) {
  bool stop = false;
  if (progress != nullptr) {
    if (progress->Cancelled()) {
      stop = true;
    } else if ((pos == 0 && !wrapping) || pos > progress->Position()) {
      // During the wrap pass the bar stays where the forward pass left it.
      progress->SetPosition(pos);
    }
  }
  if (!stop && cancel != nullptr && cancel->TakeCancel()) stop = true;
  if (stop) {
    CChannelTable* table = tuner_.Table();
    table->Select(table->Current(), true);
    gScanStart = -1;
  }
  return stop;
}

bool ScanEngine::StepTaken(int32_t step) {
  CChannelTable* table = tuner_.Table();
  const int32_t index = table->Slots().IndexOfId(step);
  if (index < 0) return false;
  const uint32_t held = table->Get(index)->frequency;
  const uint32_t hz = tuner_.FrequencyOfStep(step);
  // A step that does not tune has no station to find.
  if (hz == 0) return true;
  return (held > hz ? held - hz : hz - held) <= kFineTuneReach;
}

ScanEngine::Reading ScanEngine::Read(int32_t step) {
  if (auto it = readings_.find(step); it != readings_.end()) return it->second;
  Reading reading;
  reading.strength = tuner_.Probe(step, &reading.hz);
  if (reading.strength == 0) reading.hz = 0;
  readings_[step] = reading;
  return reading;
}

bool ScanEngine::SameCarrier(int32_t step, int32_t other) {
  const Reading here = Read(step);
  if (here.strength == 0 || other < first_ || other > last_) return false;
  const uint32_t window = tv_ ? kCarrierWindow : kFmWindow;
  auto apart = [&](uint32_t at) { return at > here.hz ? at - here.hz : here.hz - at; };
  // Tuning costs nothing next to a probe's settling: a step too far away is not probed.
  if (readings_.count(other) == 0 && apart(tuner_.FrequencyOfStep(other)) >= window) return false;
  // Many TV drivers say only locked or not, and lock over the carrier's whole window: full
  // strength at two steps a megahertz apart is still one carrier.
  const Reading there = Read(other);
  if (there.strength == 0 || apart(there.hz) >= window) return false;
  if (tv_) return true;
  // Two FM stations 100 kHz apart are both heard at the step between them: where the
  // readings fall and rise again, the rise is the next station.
  const int32_t low = std::min(step, other), high = std::max(step, other);
  if (low - 1 < first_) return true;
  const uint32_t valley = Read(low).strength;
  return !(valley < Read(low - 1).strength && valley < Read(high).strength);
}

bool ScanEngine::Better(int32_t step, int32_t than) {
  const Reading a = Read(step), b = Read(than);
  if (a.strength != b.strength) return a.strength > b.strength;
  if (!tv_) return false;
  const ChannelBand* band = tuner_.ActiveBand();
  return band != nullptr && band->ChannelOf(a.hz) && !band->ChannelOf(b.hz);
}

bool ScanEngine::FindsNewStation(int32_t* step, uint32_t* hz) {
  CChannelTable* table = tuner_.Table();
  const int32_t start = *step;
  auto known = [&](int32_t s) { return s == table->LastDeleted() || StepTaken(s); };
  if (known(start)) return false;
  const Reading here = Read(start);
  if (here.strength == 0) return false;
  int32_t best = start;
  // Within a station's window it was met at its first step already.
  if (SameCarrier(start, start - 1)) return false;
  for (int32_t next = start + 1; SameCarrier(next - 1, next); ++next) {
    if (known(next)) return false;
    if (Better(next, best)) best = next;
  }
  // Looking at the neighbours moved the tuner, and a reading taken earlier in the scan did
  // not tune at all: the station found is where it stays.
  int32_t now = -1;
  if (!tuner_.GetCurrentStep(&now) || now != best) tuner_.TuneStep(best);
  *step = best;
  *hz = Read(best).hz;
  // Typed in or imported under another slot: the list has this station already.
  return !table->Slots().HasFrequency(*hz);
}

bool ScanEngine::AppendStation(int32_t step, uint32_t hz, uint32_t kind) {
  std::string name;
  uint32_t number = 0;
  if (kind == TunerControl::kTvKind) {
    const ChannelBand* band = tuner_.ActiveBand();
    auto known = band != nullptr ? band->ChannelOf(hz) : std::nullopt;
    number = known ? *known : static_cast<uint32_t>(step) + kUnknownChannelOffset;
    char text[32];
    std::snprintf(text, sizeof text, "%3d%s", static_cast<int>(number), CChannel::Filler(number));
    name = text;
  } else {
    name = CChannel::RadioName(hz);
  }
  CChannelTable* table = tuner_.Table();
  return table->Slots().FreeSlot(step) && table->Slots().AppendFound(step, name, hz, number);
}

ScanEngine::Sweep ScanEngine::SweepForward(int32_t pos, ScanProgress* progress,
                                           ScanCancelSource* cancel, Found* found) {
  while (pos <= last_) {
    found->step = pos;
    const bool hit = FindsNewStation(&found->step, &found->hz);
    if (!hit) {
      ++pos;
      if (gScanStart != -1 && pos == gScanStart) return Sweep::kBackAtStart;
    }
    if (Interrupted(progress, cancel, pos, false)) return Sweep::kInterrupted;
    if (hit) return Sweep::kFound;
  }
  return Sweep::kExhausted;
}

ScanEngine::Sweep ScanEngine::SweepWrapped(int32_t end, ScanProgress* progress,
                                           ScanCancelSource* cancel, Found* found) {
  for (int32_t pos = first_; pos < end;) {
    // Tested before the probe as well, so the step the scan began at is never probed twice.
    if (gScanStart != -1 && pos == gScanStart) return Sweep::kBackAtStart;
    found->step = pos;
    const bool hit = FindsNewStation(&found->step, &found->hz);
    if (!hit) ++pos;
    if (Interrupted(progress, cancel, pos, true)) return Sweep::kInterrupted;
    if (hit) return Sweep::kFound;
  }
  return Sweep::kExhausted;
}

bool ScanEngine::SeekNext(ScanProgress* progress, bool restart, bool wrap,
                          ScanCancelSource* cancel) {
  auto range = tuner_.GetRange();
  CChannelTable* table = tuner_.Table();
  if (!range || table == nullptr) return false;
  if (table->IsFull()) {
    tuner_.Context().Beep(kBeepDefault);
    gScanStart = -1;
    return false;
  }
  first_ = range->first;
  // Steps beyond the used-slot map could never be stored.
  last_ = std::min(range->last, CChannelTable::kCapacity - 1);
  tv_ = range->kind == TunerControl::kTvKind;
  if (restart) readings_.clear();

  const int32_t currentId = CurrentStationStep(*table);
  const int32_t pos =
      table->Count() > 0 && !(wrap && restart) && currentId >= 0 ? currentId + 1 : first_;

  int32_t saved = 0;
  const bool haveSaved = tuner_.GetCurrentStep(&saved);
  // Every call that finds nothing ends the scan, so the start must not outlive it: a stale
  // start would stop a later single seek on the spot.
  auto nothingFound = [&] {
    gScanStart = -1;
    if (haveSaved) tuner_.TuneStep(saved);
    return false;
  };

  if (restart) {
    gScanStart = pos;
  } else if (gScanStart != -1 && pos == gScanStart) {
    return nothingFound();
  }

  Found found;
  Sweep sweep = SweepForward(pos, progress, cancel, &found);
  if (sweep == Sweep::kExhausted && table->Count() > 0) {
    sweep = SweepWrapped(currentId, progress, cancel, &found);
  }
  if (sweep == Sweep::kInterrupted) return false;
  if (sweep == Sweep::kFound && AppendStation(found.step, found.hz, range->kind)) return true;
  return nothingFound();
}

int ScanEngine::FullScan(ScanView& view, ScanProgress& progress, Origin origin) {
  TuningContext& context = tuner_.Context();
  CChannelTable* table = tuner_.Table();
  auto range = tuner_.GetRange();
  if (!range || table == nullptr) return 0;

  RunningScope running;
  view.BeginScan();
  context.BeginWaitCursor();
  progress.Open(range->first, range->last);
  int found = 0;
  bool restart = true;
  while (SeekNext(&progress, restart, true, nullptr)) {
    restart = false;
    ++found;
    view.StationFound();
    progress.SetText(FoundText(table->Current() + 1));
    if (progress.Cancelled()) {
      gScanStart = -1;
      break;
    }
  }
  progress.Close();
  view.EndScan();
  context.EndWaitCursor();

  // With fewer than two stations there is no second one; the current station stays.
  if (origin == Origin::kSearchPage && table->Count() > 1) table->Select(1, true);
  return found;
}

bool ScanEngine::SingleSeek(ScanView& view, ScanCancelSource& cancel) {
  TuningContext& context = tuner_.Context();
  if (tuner_.Table() == nullptr) return false;
  readings_.clear();  // the antenna may have moved since the last seek
  RunningScope running;
  view.BeginScan();
  context.BeginWaitCursor();
  const bool found = SeekNext(nullptr, false, false, &cancel);
  if (found) view.StationFound();
  view.EndScan();
  context.EndWaitCursor();
  return found;
}

}  // namespace vd
