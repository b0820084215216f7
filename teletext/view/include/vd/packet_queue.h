// Teletext packets handed from the stream parser's worker to the thread that decodes them.
// Push takes a whole bulk record (0x85, header, two data bytes, payload) and keeps the
// payload of teletext records; Take empties the queue. Bounded: a reader that stalls loses
// the oldest packets, never memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace vd {

class TeletextPacketQueue {
 public:
  using Packet = std::array<uint8_t, 42>;
  // Eight seconds of the box's teletext.
  static constexpr size_t kCapacity = 800;

  // Any thread. False for a record that carries no teletext packet.
  bool Push(const uint8_t* record);
  // Any thread; the packets in arrival order.
  std::vector<Packet> Take();
  // Packets lost to a full queue since the last Take.
  size_t Dropped() const;

 private:
  mutable std::mutex mutex_;
  std::deque<Packet> packets_;
  size_t dropped_ = 0;
};

}  // namespace vd
