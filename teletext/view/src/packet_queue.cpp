#include "vd/packet_queue.h"

#include <algorithm>

namespace vd {

namespace {
constexpr uint8_t kRecordMarker = 0x85;
constexpr uint8_t kTeletextHeader = 0x80 | 42;
constexpr size_t kPayloadAt = 4;
}  // namespace

bool TeletextPacketQueue::Push(const uint8_t* record) {
  if (record == nullptr || record[0] != kRecordMarker || record[1] != kTeletextHeader) return false;
  Packet packet;
  std::copy_n(record + kPayloadAt, packet.size(), packet.begin());
  std::lock_guard lock(mutex_);
  if (packets_.size() >= kCapacity) {
    packets_.pop_front();
    ++dropped_;
  }
  packets_.push_back(packet);
  return true;
}

std::vector<TeletextPacketQueue::Packet> TeletextPacketQueue::Take() {
  std::lock_guard lock(mutex_);
  std::vector<Packet> out(packets_.begin(), packets_.end());
  packets_.clear();
  dropped_ = 0;
  return out;
}

size_t TeletextPacketQueue::Dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

}  // namespace vd
