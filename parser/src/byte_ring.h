// The ring between the sink's streaming thread (the only writer) and the parser's worker (the
// only reader). Each side publishes its own index with release after copying and observes the
// other side's index with acquire, so neither ever sees an index ahead of the bytes it covers.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace vd {

class ByteRing {
 public:
  // `counted` routes the buffer through the library's counting allocator.
  ByteRing(size_t capacity, bool counted);
  ~ByteRing();
  ByteRing(const ByteRing&) = delete;
  ByteRing& operator=(const ByteRing&) = delete;

  // Reader side. All of `length` or nothing: returns `length`, or 0 when fewer are buffered.
  size_t Read(uint8_t* destination, size_t length);
  // Writer side. Refuses (stores nothing) unless `length` is smaller than the free space, since
  // equal indices would read back as an empty ring.
  bool Write(const uint8_t* source, size_t length);
  // Either side; from the other side's view it may be stale by the time it is used, but only in
  // the safe direction (the reader sees at least this much, the writer at most this much used).
  size_t Used() const;
  size_t Capacity() const { return capacity_; }

  // Reader side, for scanning without copying: the readable bytes up to the buffer's end.
  const uint8_t* Peek(size_t* contiguous) const;
  // Reader side: drops `length` bytes the caller has looked at through Peek (at most Used()).
  void Skip(size_t length);

 private:
  struct BufferDeleter {
    bool counted;
    void operator()(uint8_t* p) const;
  };

  size_t capacity_;
  std::unique_ptr<uint8_t[], BufferDeleter> buffer_;
  // On separate cache lines: the two threads each hammer their own index. Padding rather than
  // alignas, so that the objects holding a ring need no over-aligned allocation.
  std::atomic<size_t> writeIndex_{0};
  [[maybe_unused]] char padding_[64] = {};
  std::atomic<size_t> readIndex_{0};
};

}  // namespace vd
