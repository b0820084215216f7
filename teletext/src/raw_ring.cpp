#include "raw_ring.h"

#include <cstring>

namespace vd {

uint32_t RawRing::UnreadBetween(uint32_t write, uint32_t read) {
  const uint32_t w = write & kIndexMask;
  const uint32_t r = read & kIndexMask;
  if (w == r) return (write & kLoopBit) == (read & kLoopBit) ? 0 : kSize;
  return w > r ? w - r : w + kSize - r;
}

bool RawRing::Write(const uint8_t* data, size_t n) {
  const uint32_t packed = write_.load(std::memory_order_relaxed);
  const uint32_t readPacked = read_.load(std::memory_order_acquire);
  const uint64_t w = packed & kIndexMask;
  const uint64_t r = readPacked & kIndexMask;
  const bool loop = (packed & kLoopBit) != 0;
  const bool readLoop = (readPacked & kLoopBit) != 0;
  if (n == 0) return true;
  if (w < r && r < w + n) return false;
  if (w == r && loop != readLoop) return false;
  uint64_t next = 0;
  bool nextLoop = loop;
  if (w + n > kSize) {
    const uint64_t head = kSize - w;
    const uint64_t rest = n - head;
    if (rest > r) return false;
    std::memcpy(bytes_ + w, data, head);
    std::memcpy(bytes_, data + head, rest);
    next = rest;
    nextLoop = !loop;
  } else {
    std::memcpy(bytes_ + w, data, n);
    next = w + n;
    if (next == kSize) {
      next = 0;
      nextLoop = !loop;
    }
  }
  write_.store(static_cast<uint32_t>(next) | (nextLoop ? kLoopBit : 0), std::memory_order_release);
  return true;
}

uint32_t RawRing::Unread() const {
  return UnreadBetween(write_.load(std::memory_order_acquire),
                       read_.load(std::memory_order_relaxed));
}

uint8_t RawRing::Peek(uint32_t offset) const {
  uint32_t i = (read_.load(std::memory_order_relaxed) & kIndexMask) + offset;
  if (i >= kSize) i -= kSize;
  return bytes_[i];
}

void RawRing::CopyOut(uint32_t offset, uint8_t* dst, uint32_t n) const {
  uint32_t i = (read_.load(std::memory_order_relaxed) & kIndexMask) + offset;
  if (i >= kSize) i -= kSize;
  const uint32_t head = n < kSize - i ? n : kSize - i;
  std::memcpy(dst, bytes_ + i, head);
  std::memcpy(dst + head, bytes_, n - head);
}

void RawRing::StoreRead(uint32_t index, bool loop) {
  read_.store(index | (loop ? kLoopBit : 0), std::memory_order_release);
}

void RawRing::ClearOverflowIfCaughtUp() {
  if (Unread() == 0) ClearOverflow();
}

bool RawRing::AdvanceOne() {
  if (Unread() == 0) return false;
  return Advance(1) && Unread() > 0;
}

bool RawRing::Advance(uint32_t n) {
  if (Unread() < n) {
    ClearOverflow();
    return false;
  }
  const uint32_t packed = read_.load(std::memory_order_relaxed);
  uint32_t index = (packed & kIndexMask) + n;
  bool loop = (packed & kLoopBit) != 0;
  if (index >= kSize) {
    index -= kSize;
    loop = !loop;
  }
  StoreRead(index, loop);
  ClearOverflowIfCaughtUp();
  return true;
}

void RawRing::StepBack(uint32_t n) {
  const uint32_t packed = read_.load(std::memory_order_relaxed);
  uint32_t index = packed & kIndexMask;
  bool loop = (packed & kLoopBit) != 0;
  if (n > index) {
    index += kSize;
    loop = !loop;
  }
  StoreRead(index - n, loop);
}

std::optional<uint32_t> RawRing::FindZero() const {
  const uint32_t unread = Unread();
  const uint32_t r = read_.load(std::memory_order_relaxed) & kIndexMask;
  const uint32_t head = unread < kSize - r ? unread : kSize - r;
  if (const void* p = std::memchr(bytes_ + r, 0, head)) {
    return static_cast<uint32_t>(static_cast<const uint8_t*>(p) - (bytes_ + r));
  }
  if (const void* p = std::memchr(bytes_, 0, unread - head)) {
    return head + static_cast<uint32_t>(static_cast<const uint8_t*>(p) - bytes_);
  }
  return std::nullopt;
}

void RawRing::SkipToWrite() {
  const uint32_t w = write_.load(std::memory_order_acquire);
  read_.store(w, std::memory_order_release);
}

}  // namespace vd
