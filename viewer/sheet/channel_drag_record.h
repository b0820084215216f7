// The record a dragged station carries under the MIME type application/x-avicap: a
// length-prefixed text (empty for a station, a file path from the album) and a signed 32-bit
// value (the station's list index, -1 for an album file).
//
// Text length prefix: one byte when below 255; else 0xFF and a u16 when below 65534; else
// 0xFF, 0xFFFF and a u32. The value follows as a little-endian u32.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QMimeData;

namespace vd {

struct ChannelDragRecord {
  static constexpr const char* kMimeType = "application/x-avicap";
  static constexpr int32_t kFileValue = -1;

  std::string text;
  int32_t value = 0;

  QByteArray Encode() const;
  // Nothing unless `bytes` is exactly one record.
  static std::optional<ChannelDragRecord> Decode(const QByteArray& bytes);

  // Drag data for the station at `index` (QDrag takes it over).
  static std::unique_ptr<QMimeData> StationMimeData(int32_t index);
  // The list index a drop carries when it is a station: nothing for an album file, a foreign
  // format or a damaged record. The main window selects the station it names.
  static std::optional<int32_t> StationIndex(const QMimeData* data);
};

}  // namespace vd
