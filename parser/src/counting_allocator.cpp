#include "counting_allocator.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "vd/trace.h"

VD_DEFINE_TRACE(AllocTrace, "vidparse")

namespace vd {

CountingAllocator::CountingAllocator(RawAllocate allocate, RawFree free, TraceProc trace)
    : allocate_(allocate), free_(free), trace_(trace) {}

CountingAllocator& CountingAllocator::Process() {
  static CountingAllocator allocator(&std::malloc, &std::free, &AllocTrace);
  return allocator;
}

void* CountingAllocator::Allocate(size_t size) {
  auto* raw = static_cast<uint8_t*>(allocate_(size + kHeaderSize));
  if (raw == nullptr) throw std::bad_alloc();
  const uint32_t guard = kGuard;
  const uint64_t size64 = size;
  std::memcpy(raw, &guard, sizeof guard);
  std::memcpy(raw + 8, &size64, sizeof size64);
  const int64_t total = total_.fetch_add(static_cast<int64_t>(size)) + static_cast<int64_t>(size);
  if (trace_ != nullptr)
    trace_("mem_count +%d %d \n", static_cast<int>(size), static_cast<int>(total));
  return raw + kHeaderSize;
}

void CountingAllocator::Free(void* block) {
  if (block == nullptr) return;
  uint8_t* raw = static_cast<uint8_t*>(block) - kHeaderSize;
  uint32_t guard = 0;
  std::memcpy(&guard, raw, sizeof guard);
  if (guard != kGuard) {
    free_(block);
    return;
  }
  uint64_t size64 = 0;
  std::memcpy(&size64, raw + 8, sizeof size64);
  const auto size = static_cast<int64_t>(size64);
  // A freed block must not pass for a live one if it is ever handed back again.
  const uint32_t cleared = 0;
  std::memcpy(raw, &cleared, sizeof cleared);
  const int64_t total = total_.fetch_sub(size) - size;
  if (trace_ != nullptr)
    trace_("mem_count -%d %d\n", static_cast<int>(size), static_cast<int>(total));
  free_(raw);
}

void* CountedObject::operator new(size_t size) {
  return CountingAllocator::Process().Allocate(size);
}

void CountedObject::operator delete(void* block) {
  CountingAllocator::Process().Free(block);
}

}  // namespace vd
