// Turns what a real card delivers beside the picture into the bulk byte stream the parser
// and teletext libraries read: sliced teletext lines become bulk records, LIRC pulse and
// space durations become infrared bursts, and both are laid out between zero filler.
#pragma once

#include "vd/device_export.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace vd {

// Sliced VBI lines (the kernel's 64-byte v4l2_sliced_vbi_data items) to teletext records.
class VD_DEVICE_EXPORT SlicedTeletextRecords {
 public:
  static constexpr size_t kSlicedItemBytes = 64;
  static constexpr size_t kRecordBytes = 4 + 42;

  // One record: 0x85, 0xAA (payload 42), a running odd-parity counter byte, 0x10, the
  // packet. `counter` moves on by one.
  static std::vector<uint8_t> Record(std::span<const uint8_t, 42> packet, uint8_t* counter);
  // The records of every teletext line in `read` (whole items only; other services and a
  // trailing partial item are ignored).
  static std::vector<std::vector<uint8_t>> FromRead(std::span<const uint8_t> read,
                                                    uint8_t* counter);
};

// LIRC mode2 values to remote codes. The remote sends a bi-phase code with a half-bit of
// 889 us; the bulk stream samples the receiver every 222.25 us (4500 samples a second), so
// one half-bit is exactly the 4-sample unit both decoders measure in.
class VD_DEVICE_EXPORT LircRemoteCodes {
 public:
  static constexpr uint32_t kUnitMicros = 889;
  static constexpr double kSampleRateHz = 4500.0;
  // A space this long ends a code (the code itself never idles longer than two units).
  static constexpr uint32_t kGapMicros = 4 * kUnitMicros;

  // Takes one 32-bit mode2 value (pulse, space, timeout; others are ignored).
  void Feed(uint32_t mode2Value);
  // Codes completed so far, in the parser's form (unit k at bit k, idle units as 1 bits);
  // codes no burst can carry are dropped.
  std::vector<uint32_t> TakeCodes();

 private:
  void Finish();

  std::vector<std::pair<bool, uint32_t>> runs_;  // (pulse, microseconds)
  std::vector<uint32_t> codes_;
};

// Lays out items (records, burst items) in fields of zero filler: every field opens with
// at least 16 zeros, every item follows at least 16 zeros, and every field ends with at
// least 68 zeros, so that both readers see every item within the field.
class VD_DEVICE_EXPORT BulkFieldWriter {
 public:
  static constexpr size_t kMinFiller = 16;
  static constexpr size_t kTailZeros = 68;
  static constexpr size_t kMaxQueuedItems = 4096;

  // Queues an item; when the queue is full the oldest items are dropped.
  void Queue(std::vector<uint8_t> item);
  // Writes one field of n bytes.
  void Fill(uint8_t* out, size_t n);
  size_t Queued() const { return items_.size(); }
  size_t Dropped() const { return dropped_; }

 private:
  std::deque<std::vector<uint8_t>> items_;
  size_t dropped_ = 0;
};

}  // namespace vd
