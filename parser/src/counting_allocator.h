// The full build's allocation accounting: every block carries a guard word and its size in
// front of it, and a counter shows how many bytes the library holds. Only the library's own
// classes use it (class-scoped operator new/delete); the process's global allocator is never
// replaced from inside a shared library.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace vd {

class CountingAllocator {
 public:
  using RawAllocate = void* (*)(size_t);
  using RawFree = void (*)(void*);
  // Trace lines are "mem_count +%d %d \n" and "mem_count -%d %d\n".
  using TraceProc = void (*)(const char* format, ...);

  static constexpr uint32_t kGuard = 0x12345678;
  // Guard word and size; 16 bytes rather than 8 so blocks keep operator new's alignment.
  static constexpr size_t kHeaderSize = 16;

  CountingAllocator(RawAllocate allocate, RawFree free, TraceProc trace);

  // The allocator the library's classes share (malloc/free, traces of the "vidparse" component).
  static CountingAllocator& Process();

  // Throws std::bad_alloc when the raw allocator fails.
  void* Allocate(size_t size);
  // A block whose guard is missing was not made here: it is handed to the raw free unchanged and
  // the counter stays as it is. Null is ignored.
  void Free(void* block);
  int64_t Total() const { return total_.load(std::memory_order_relaxed); }

 private:
  RawAllocate allocate_;
  RawFree free_;
  TraceProc trace_;
  std::atomic<int64_t> total_{0};
};

// Base of the full build's heap objects: their new and delete go through the counting allocator.
struct CountedObject {
  static void* operator new(size_t size);
  static void operator delete(void* block);
};

// Base of the compact build's heap objects: the ordinary allocator.
struct PlainObject {};

}  // namespace vd
