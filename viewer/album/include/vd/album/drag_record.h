// The record a dragged album file or channel-list station carries under the MIME type
// application/x-avicap: a length-prefixed text and a signed 32-bit value. Stations carry an
// empty text and their list index; album files their full path and -1.
//
// Text length prefix: one byte when below 255; else 0xFF and a u16 when below 65534; else
// 0xFF, 0xFFFF and a u32. The value follows as a little-endian u32.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vd {

struct DragRecord {
  static constexpr const char* kMimeType = "application/x-avicap";
  static constexpr int32_t kFileValue = -1;

  std::string text;
  int32_t value = 0;

  std::vector<uint8_t> Encode() const;
  // Nothing unless `bytes` is exactly one record. The u16 length 0xFFFE (a wide-text marker
  // in the archive format) is not ours and refused.
  static std::optional<DragRecord> Decode(std::span<const uint8_t> bytes);
};

}  // namespace vd
