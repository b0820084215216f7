// Little-endian reads over a byte span. A read past the end yields zero and marks the reader
// failed, so a parser checks once at the end instead of before every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vd {

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  uint8_t U8() { return Take(1) ? bytes_[at_ - 1] : 0; }
  uint16_t U16() {
    if (!Take(2)) return 0;
    return static_cast<uint16_t>(bytes_[at_ - 2] | (bytes_[at_ - 1] << 8));
  }
  uint32_t U32() {
    if (!Take(4)) return 0;
    return static_cast<uint32_t>(bytes_[at_ - 4]) | (static_cast<uint32_t>(bytes_[at_ - 3]) << 8) |
           (static_cast<uint32_t>(bytes_[at_ - 2]) << 16) |
           (static_cast<uint32_t>(bytes_[at_ - 1]) << 24);
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  // The next `n` bytes, or an empty span (and failure) when fewer remain.
  std::span<const uint8_t> Bytes(size_t n) {
    if (!Take(n)) return {};
    return bytes_.subspan(at_ - n, n);
  }

  bool Ok() const { return ok_; }
  size_t Position() const { return at_; }
  size_t Remaining() const { return bytes_.size() - at_; }

 private:
  bool Take(size_t n) {
    if (!ok_ || n > bytes_.size() - at_) {
      ok_ = false;
      return false;
    }
    at_ += n;
    return true;
  }

  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

}  // namespace vd
