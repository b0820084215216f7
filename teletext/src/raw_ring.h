// The byte ring between the bulk pin (one writer) and the worker (one reader). Each side's
// index travels with its lap flag in one atomic word, so the other side never sees an index
// from one lap paired with the flag of another.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace vd {

class RawRing {
 public:
  static constexpr uint32_t kSize = 20160;

  RawRing() = default;
  RawRing(const RawRing&) = delete;
  RawRing& operator=(const RawRing&) = delete;

  // Writer side. Stores all n bytes or nothing; false when they do not fit.
  bool Write(const uint8_t* data, size_t n);

  // Set by the writer when it had to drop a sample, cleared by the reader once it has caught
  // up; while set, the writer drops whole samples.
  bool Overflow() const { return overflow_.load(std::memory_order_acquire); }
  void SetOverflow() { overflow_.store(true, std::memory_order_release); }
  void ClearOverflow() { overflow_.store(false, std::memory_order_release); }

  // Reader side.
  uint32_t Unread() const;
  uint8_t Peek(uint32_t offset) const;
  void CopyOut(uint32_t offset, uint8_t* dst, uint32_t n) const;
  // Moves one byte on; false when nothing is left unread behind it.
  bool AdvanceOne();
  // Moves n bytes on; false (and no move) when fewer than n are unread.
  bool Advance(uint32_t n);
  void StepBack(uint32_t n);
  // Offset from the read pointer of the next 0x00 among the unread bytes.
  std::optional<uint32_t> FindZero() const;
  // Drops everything unread.
  void SkipToWrite();

  // For tests and tools; racy by nature when the other side is running.
  uint32_t ReadPointer() const { return read_.load(std::memory_order_acquire) & kIndexMask; }
  uint32_t WriteIndex() const { return write_.load(std::memory_order_acquire) & kIndexMask; }
  bool ReadLoop() const { return (read_.load(std::memory_order_acquire) & kLoopBit) != 0; }
  bool WriteLoop() const { return (write_.load(std::memory_order_acquire) & kLoopBit) != 0; }

 private:
  static constexpr uint32_t kLoopBit = 0x80000000u;
  static constexpr uint32_t kIndexMask = ~kLoopBit;

  static uint32_t UnreadBetween(uint32_t write, uint32_t read);
  void StoreRead(uint32_t index, bool loop);
  void ClearOverflowIfCaughtUp();

  std::atomic<uint32_t> write_{0};
  std::atomic<uint32_t> read_{0};
  std::atomic<bool> overflow_{false};
  uint8_t bytes_[kSize] = {};
};

}  // namespace vd
