#include "byte_ring.h"

#include <cstring>
#include <new>

#include "counting_allocator.h"

namespace vd {

void ByteRing::BufferDeleter::operator()(uint8_t* p) const {
  if (counted) {
    CountingAllocator::Process().Free(p);
  } else {
    ::operator delete(p);
  }
}

namespace {
uint8_t* AllocateBuffer(size_t capacity, bool counted) {
  void* p = counted ? CountingAllocator::Process().Allocate(capacity) : ::operator new(capacity);
  return static_cast<uint8_t*>(p);
}
}  // namespace

ByteRing::ByteRing(size_t capacity, bool counted)
    : capacity_(capacity), buffer_(AllocateBuffer(capacity, counted), BufferDeleter{counted}) {}

ByteRing::~ByteRing() = default;

size_t ByteRing::Used() const {
  const size_t w = writeIndex_.load(std::memory_order_acquire);
  const size_t r = readIndex_.load(std::memory_order_acquire);
  return w >= r ? w - r : w + capacity_ - r;
}

bool ByteRing::Write(const uint8_t* source, size_t length) {
  const size_t w = writeIndex_.load(std::memory_order_relaxed);
  const size_t r = readIndex_.load(std::memory_order_acquire);
  const size_t used = w >= r ? w - r : w + capacity_ - r;
  if (length >= capacity_ - used) return false;
  if (length == 0) return true;
  const size_t first = std::min(length, capacity_ - w);
  std::memcpy(buffer_.get() + w, source, first);
  std::memcpy(buffer_.get(), source + first, length - first);
  writeIndex_.store((w + length) % capacity_, std::memory_order_release);
  return true;
}

size_t ByteRing::Read(uint8_t* destination, size_t length) {
  const size_t r = readIndex_.load(std::memory_order_relaxed);
  const size_t w = writeIndex_.load(std::memory_order_acquire);
  const size_t used = w >= r ? w - r : w + capacity_ - r;
  if (used < length || length == 0) return 0;
  const size_t first = std::min(length, capacity_ - r);
  std::memcpy(destination, buffer_.get() + r, first);
  std::memcpy(destination + first, buffer_.get(), length - first);
  readIndex_.store((r + length) % capacity_, std::memory_order_release);
  return length;
}

const uint8_t* ByteRing::Peek(size_t* contiguous) const {
  const size_t r = readIndex_.load(std::memory_order_relaxed);
  const size_t w = writeIndex_.load(std::memory_order_acquire);
  *contiguous = w >= r ? w - r : capacity_ - r;
  return buffer_.get() + r;
}

void ByteRing::Skip(size_t length) {
  const size_t r = readIndex_.load(std::memory_order_relaxed);
  readIndex_.store((r + length) % capacity_, std::memory_order_release);
}

}  // namespace vd
