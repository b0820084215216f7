// How much of the disk a recording may fill and how long that lasts, apart from where the
// figures come from, so that the rules are tested on their own.
//
// A recording leaves kMarginBytes free: a disk filled to the last block breaks whatever else
// writes to it (the settings, the album's pictures, other programs), and the recording ends
// while there is still room for its index. Space the capture file holds already (a
// pre-allocation) is the recording's own and counts in full.
#pragma once

#include <cstdint>
#include <string>

#include "recording_format.h"

namespace vd {

struct DiskBudget {
  static constexpr int64_t kMarginBytes = int64_t{64} * 1024 * 1024;
  // The most one recording may write. An AVI's index has room for 32 parts of up to 1 GiB,
  // each of which may end a chunk short; what a muxer writes past the last part is in no
  // index, and players stop where the index does. 31 GiB fits 32 parts of any picture a
  // card delivers.
  static constexpr int64_t kAviFileBytes = int64_t{31} * 1024 * 1024 * 1024;

  // How large the capture file may grow: what it holds plus the free space beyond the margin.
  static int64_t FileCapacity(int64_t heldBytes, int64_t freeBytes,
                              int64_t marginBytes = kMarginBytes);
  // Seconds until a file of `fileBytes` reaches `capacityBytes` at `bytesPerSecond`; negative
  // when it cannot be told (no rate).
  static double SecondsLeft(int64_t capacityBytes, int64_t fileBytes, double bytesPerSecond);
  // "2 h 05 min", "12 min", "45 sec", "0 sec"; above 99 hours "> 99 h"; empty when unknown.
  static std::string TextOf(double seconds);
  // "31 GB" from a gigabyte on (whole ones, rounded down), "12 MB" below it.
  static std::string TextOfSize(int64_t bytes);
  // What a recording in `format` writes a second at this picture size and rate, with sound of
  // `audioBytesPerSecond` (0: none). Exact for the raw stream; for the compressions what a
  // noisy picture needs, above what a clean one does, so that the time left is not promised
  // too long before the recording has a rate of its own.
  static double ExpectedBytesPerSecond(const RecordingFormat& format, int32_t width, int32_t height,
                                       double framesPerSecond, int64_t audioBytesPerSecond);
};

}  // namespace vd
