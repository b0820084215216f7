// The worker's view of the bulk stream: filler, 0x85 records and infrared bursts, cut out of the
// ring while more bytes are buffered than the largest record. Pure logic over a ByteRing: the
// parser object's worker drives it after each wake, the tools and tests drive it directly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "byte_ring.h"
#include "remote_decoder.h"

namespace vd {

class BulkParser {
 public:
  enum class Mode {
    kFull,     // bursts after more than 15 fillers, lead & 0x70 == 0x70, decoded
    kCompact,  // bursts after more than 10 fillers, lead bit 0 set, dropped
  };

  // What the parser delivers. The worker answers the Wants* questions from the callback pointers
  // as they are at that moment.
  class Handler {
   public:
    virtual bool WantsRecords() = 0;
    virtual bool WantsCodes() = 0;
    // `record` is the 4-byte header and its payload, valid only during the call.
    virtual void OnRecord(const uint8_t* record, size_t length) = 0;
    virtual void OnCode(uint32_t code) = 0;
    // True once the owner is being deleted: the scan ends before the next item.
    virtual bool Stopping() { return false; }

   protected:
    ~Handler() = default;
  };

  // The largest record; fewer buffered bytes than one more than this are left for later.
  static constexpr size_t kMaxRecord = 67;
  static constexpr uint8_t kRecordLead = 0x85;
  // The decoder runs once the queue holds more than this many samples.
  static constexpr size_t kDecodeThreshold = 30;

  explicit BulkParser(Mode mode) : mode_(mode) {}

  // Scans until no more than kMaxRecord bytes are left in the ring.
  void Scan(ByteRing& ring, Handler& handler);

  // True when bytes 1-3 of a record (the header behind 0x85) pass the bit and parity tests.
  static bool ValidHeader(const uint8_t* header);

  Mode GetMode() const { return mode_; }
  size_t QueuedSamples() const { return queue_.size(); }

 private:
  // Consumes filler and skipped bytes from `data` (n bytes), stopping before an item's lead
  // byte; returns how many were consumed.
  size_t SkipPlain(const uint8_t* data, size_t n);
  size_t SkipPlainBytewise(const uint8_t* data, size_t n);
  bool IsLead(uint8_t x) const;
  void HandleLead(uint8_t lead, ByteRing& ring, Handler& handler);

  Mode mode_;
  // Fillers since the last item. Kept across wakes: a filler run that straddles two samples
  // must still admit the burst behind it, whatever the thread timing was.
  uint32_t zeroRun_ = 0;
  RemoteDecoder decoder_;
  RemoteDecoder::SampleQueue queue_;
};

}  // namespace vd
