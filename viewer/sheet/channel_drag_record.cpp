#include "channel_drag_record.h"

#include <QMimeData>

namespace vd {

namespace {

constexpr uint8_t kLongLength = 0xFF;
constexpr uint16_t kU32Length = 0xFFFF;
// A u16 length of 0xFFFE marks wide text in the archive format; our records never carry it.
constexpr uint16_t kWideMarker = 0xFFFE;

void PutLe(QByteArray& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint32_t GetLe(const QByteArray& in, qsizetype at, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) {
    value |= static_cast<uint32_t>(static_cast<uint8_t>(in[at + i])) << (8 * i);
  }
  return value;
}

}  // namespace

QByteArray ChannelDragRecord::Encode() const {
  QByteArray out;
  const size_t length = text.size();
  if (length < kLongLength) {
    PutLe(out, static_cast<uint32_t>(length), 1);
  } else if (length < kWideMarker) {
    PutLe(out, kLongLength, 1);
    PutLe(out, static_cast<uint32_t>(length), 2);
  } else {
    PutLe(out, kLongLength, 1);
    PutLe(out, kU32Length, 2);
    PutLe(out, static_cast<uint32_t>(length), 4);
  }
  out.append(text.data(), static_cast<qsizetype>(length));
  PutLe(out, static_cast<uint32_t>(value), 4);
  return out;
}

std::optional<ChannelDragRecord> ChannelDragRecord::Decode(const QByteArray& bytes) {
  const qsizetype size = bytes.size();
  qsizetype at = 0;
  if (size < 1) return std::nullopt;
  uint64_t length = GetLe(bytes, at, 1);
  at += 1;
  if (length == kLongLength) {
    if (size - at < 2) return std::nullopt;
    length = GetLe(bytes, at, 2);
    at += 2;
    if (length == kWideMarker) return std::nullopt;
    if (length == kU32Length) {
      if (size - at < 4) return std::nullopt;
      length = GetLe(bytes, at, 4);
      at += 4;
    }
  }
  // Compared as 64-bit so that a huge length cannot wrap past the buffer's end.
  if (static_cast<uint64_t>(size - at) != length + 4) return std::nullopt;
  ChannelDragRecord record;
  record.text.assign(bytes.constData() + at, static_cast<size_t>(length));
  at += static_cast<qsizetype>(length);
  record.value = static_cast<int32_t>(GetLe(bytes, at, 4));
  return record;
}

std::unique_ptr<QMimeData> ChannelDragRecord::StationMimeData(int32_t index) {
  auto data = std::make_unique<QMimeData>();
  data->setData(QString::fromLatin1(kMimeType), ChannelDragRecord{{}, index}.Encode());
  return data;
}

std::optional<int32_t> ChannelDragRecord::StationIndex(const QMimeData* data) {
  if (data == nullptr || !data->hasFormat(QString::fromLatin1(kMimeType))) return std::nullopt;
  auto record = Decode(data->data(QString::fromLatin1(kMimeType)));
  if (!record || record->value < 0 || !record->text.empty()) return std::nullopt;
  return record->value;
}

}  // namespace vd
