#include "vd/v4l2_bulk_items.h"

#include <linux/lirc.h>
#include <linux/videodev2.h>

#include <algorithm>
#include <cstring>

#include "vd/ir_burst_encoder.h"
#include "vd/teletext_coding.h"

namespace vd {

namespace {
constexpr uint8_t kRecordMarker = 0x85;
constexpr uint8_t kTeletextHeader = 0x80 | 42;
// The teletext reader wants the low nibble of the second data byte clear.
constexpr uint8_t kDataByteB = 0x10;

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
}  // namespace

static_assert(SlicedTeletextRecords::kSlicedItemBytes == sizeof(v4l2_sliced_vbi_data));

std::vector<uint8_t> SlicedTeletextRecords::Record(std::span<const uint8_t, 42> packet,
                                                   uint8_t* counter) {
  std::vector<uint8_t> record = {kRecordMarker, kTeletextHeader,
                                 TeletextCoding::OddParity(*counter & 0x7F), kDataByteB};
  *counter = static_cast<uint8_t>(*counter + 1);
  record.insert(record.end(), packet.begin(), packet.end());
  return record;
}

std::vector<std::vector<uint8_t>> SlicedTeletextRecords::FromRead(std::span<const uint8_t> read,
                                                                  uint8_t* counter) {
  std::vector<std::vector<uint8_t>> records;
  for (size_t at = 0; at + kSlicedItemBytes <= read.size(); at += kSlicedItemBytes) {
    const uint8_t* item = read.data() + at;
    // A zero id is a line the decoder found nothing on.
    if (ReadU32(item + offsetof(v4l2_sliced_vbi_data, id)) != V4L2_SLICED_TELETEXT_B) continue;
    records.push_back(Record(
        std::span<const uint8_t, 42>(item + offsetof(v4l2_sliced_vbi_data, data), 42), counter));
  }
  return records;
}

void LircRemoteCodes::Feed(uint32_t value) {
  const uint32_t micros = value & LIRC_VALUE_MASK;
  switch (LIRC_MODE2(value)) {
    case LIRC_MODE2_PULSE:
      if (!runs_.empty() && runs_.back().first) {
        runs_.back().second += micros;
      } else {
        runs_.emplace_back(true, micros);
      }
      return;
    case LIRC_MODE2_SPACE:
    case LIRC_MODE2_TIMEOUT:
      if (runs_.empty()) return;  // idle before the first pulse is no part of a code
      if (LIRC_MODE2(value) == LIRC_MODE2_TIMEOUT || micros >= kGapMicros) {
        Finish();
      } else {
        runs_.emplace_back(false, micros);
      }
      return;
    default:
      return;
  }
}

void LircRemoteCodes::Finish() {
  // The same reading the parser's decoder makes of the samples: pulses move the position,
  // every idle unit sets the bit after it.
  uint32_t code = 0;
  uint32_t position = 0;
  bool overflow = false;
  for (auto [pulse, micros] : runs_) {
    uint32_t units = (micros + kUnitMicros / 2) / kUnitMicros;
    if (pulse) {
      position += units;
    } else {
      for (uint32_t u = 0; u < units; ++u) {
        ++position;
        if (position >= 32) overflow = true;
        code |= 1u << (position % 32);
      }
    }
  }
  runs_.clear();
  if (!overflow && IrBurstEncoder::Encodable(code)) codes_.push_back(code);
}

std::vector<uint32_t> LircRemoteCodes::TakeCodes() {
  std::vector<uint32_t> codes;
  codes.swap(codes_);
  return codes;
}

void BulkFieldWriter::Queue(std::vector<uint8_t> item) {
  if (item.empty()) return;
  items_.push_back(std::move(item));
  while (items_.size() > kMaxQueuedItems) {
    items_.pop_front();
    ++dropped_;
  }
}

void BulkFieldWriter::Fill(uint8_t* out, size_t n) {
  std::memset(out, 0, n);
  size_t at = 0;
  while (!items_.empty()) {
    const std::vector<uint8_t>& item = items_.front();
    if (kMinFiller + item.size() + kTailZeros > n) {  // would never fit: do not stall on it
      items_.pop_front();
      ++dropped_;
      continue;
    }
    size_t start = at + kMinFiller;
    if (start + item.size() + kTailZeros > n) break;
    std::memcpy(out + start, item.data(), item.size());
    at = start + item.size();
    items_.pop_front();
  }
}

}  // namespace vd
