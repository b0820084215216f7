// The channel scan: stepping the tuner control through its range, probing each step for a
// signal and appending what it finds to the table. Runs on the UI thread.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "scan_progress.h"

class TunerControl;

namespace vd {

class ScanEngine {
 public:
  // Who runs a full scan: the station-search page selects the second station afterwards,
  // the automatic scan dialog leaves the last one found current.
  enum class Origin { kSearchPage, kAutoScanDialog };

  explicit ScanEngine(TunerControl& tuner) : tuner_(tuner) {}

  // Seeks the next station after the current one and appends it. True when one was found.
  bool SeekNext(ScanProgress* progress, bool restart, bool wrap, ScanCancelSource* cancel);
  // Repeats SeekNext until the range is exhausted or the progress window is cancelled.
  // Returns the number of stations found.
  int FullScan(ScanView& view, ScanProgress& progress, Origin origin);
  // One SeekNext without a progress window. True when a station was found.
  bool SingleSeek(ScanView& view, ScanCancelSource& cancel);

  // True while a full scan or a single seek runs (the main window refuses to close then).
  static bool Running();

  // The step at which the running scan began, -1 when none; one value for the whole process.
  static int32_t ScanStart();
  static void ResetScanStart();

  // "%d%c" of the position's share of first..last; values other than 100 modulo 100.
  static std::string PercentText(int32_t position, int32_t first, int32_t last);
  // "%s %d %s" of "Found", the count and "Channels".
  static std::string FoundText(int32_t count);

 private:
  // One probe of the passes; returns true when the scan must stop without a station.
  bool Interrupted(ScanProgress* progress, ScanCancelSource* cancel, int32_t pos, bool wrapping);
  // A step's frequency and signal strength, as probed once in this scan.
  struct Reading {
    uint32_t hz = 0;        // 0 without a signal
    uint32_t strength = 0;  // 0: no station
  };
  // Probes the step unless the list has it already; true for a station new to the list.
  // A station is picked up on the neighbouring steps of its window too: the station is the
  // best of them, which goes to *step.
  bool FindsNewStation(int32_t* step, uint32_t* hz);
  Reading Read(int32_t step);
  // Whether `other`, a neighbour of `step`, has a signal close enough to the one at `step`
  // to be the same station.
  bool SameCarrier(int32_t step, int32_t other);
  // Of two steps of one carrier: the stronger, then the one on the plan's channel.
  bool Better(int32_t step, int32_t than);
  // Whether the station holding the step's slot is the one found there. A station added by
  // frequency holds a slot by count, which may be any step.
  bool StepTaken(int32_t step);
  bool AppendStation(int32_t step, uint32_t hz, uint32_t kind);

  // How one pass of a seek ended.
  enum class Sweep { kFound, kExhausted, kBackAtStart, kInterrupted };
  struct Found {
    int32_t step = 0;
    uint32_t hz = 0;
  };
  // The pass from `pos` up to the last step; it ends where the scan began.
  Sweep SweepForward(int32_t pos, ScanProgress* progress, ScanCancelSource* cancel, Found* found);
  // The pass from the first step up to (not including) `end`, after the forward pass wrapped.
  Sweep SweepWrapped(int32_t end, ScanProgress* progress, ScanCancelSource* cancel, Found* found);

  TunerControl& tuner_;
  std::map<int32_t, Reading> readings_;  // of the running scan
  int32_t first_ = 0;                    // the steps the running scan may store
  int32_t last_ = -1;
  bool tv_ = true;  // else radio
};

}  // namespace vd
