#include "vd/album/drag_record.h"

#include "byte_reader.h"

namespace vd {
namespace {

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

std::vector<uint8_t> DragRecord::Encode() const {
  std::vector<uint8_t> out;
  out.reserve(text.size() + 11);
  const size_t n = text.size();
  if (n < 0xFF) {
    out.push_back(static_cast<uint8_t>(n));
  } else if (n < 0xFFFE) {
    out.push_back(0xFF);
    Put16(out, static_cast<uint16_t>(n));
  } else {
    out.push_back(0xFF);
    Put16(out, 0xFFFF);
    Put32(out, static_cast<uint32_t>(n));
  }
  out.insert(out.end(), text.begin(), text.end());
  Put32(out, static_cast<uint32_t>(value));
  return out;
}

std::optional<DragRecord> DragRecord::Decode(std::span<const uint8_t> bytes) {
  ByteReader in(bytes);
  uint64_t n = in.U8();
  if (n == 0xFF) {
    n = in.U16();
    if (n == 0xFFFE) return std::nullopt;
    if (n == 0xFFFF) n = in.U32();
  }
  if (!in.Ok() || n > in.Remaining()) return std::nullopt;
  const auto text = in.Bytes(static_cast<size_t>(n));
  DragRecord record;
  record.text.assign(text.begin(), text.end());
  record.value = in.I32();
  if (!in.Ok() || in.Remaining() != 0) return std::nullopt;
  return record;
}

}  // namespace vd
