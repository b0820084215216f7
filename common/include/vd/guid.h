// 128-bit identifiers of property sets, pin categories and classes, written as
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" like the rest of the system's tables.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace vd {

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  std::array<uint8_t, 8> data4{};

  friend constexpr bool operator==(const Guid&, const Guid&) = default;

  // The 16 bytes in the little-endian memory layout the device reports for a pin category.
  std::array<uint8_t, 16> Bytes() const {
    std::array<uint8_t, 16> b{};
    for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(data1 >> (8 * i));
    for (int i = 0; i < 2; ++i) b[4 + i] = static_cast<uint8_t>(data2 >> (8 * i));
    for (int i = 0; i < 2; ++i) b[6 + i] = static_cast<uint8_t>(data3 >> (8 * i));
    for (int i = 0; i < 8; ++i) b[8 + i] = data4[i];
    return b;
  }

  std::string ToString() const {
    char s[40];
    std::snprintf(s, sizeof s, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1, data2,
                  data3, data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6],
                  data4[7]);
    return s;
  }
};

namespace detail {
constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace detail

// Parses "{8-4-4-4-12}" (braces optional); nullopt for anything else.
constexpr std::optional<Guid> ParseGuid(std::string_view s) {
  if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
  if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-')
    return std::nullopt;
  uint8_t bytes[16] = {};
  int n = 0;
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '-') {
      ++i;
      continue;
    }
    int hi = detail::HexDigit(s[i]), lo = detail::HexDigit(s[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes[n++] = static_cast<uint8_t>(hi * 16 + lo);
    i += 2;
  }
  Guid g;
  g.data1 = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
            bytes[3];
  g.data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
  g.data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) g.data4[i] = bytes[8 + i];
  return g;
}

// For constants in tables: a malformed literal fails to compile.
consteval Guid MakeGuid(std::string_view s) {
  auto g = ParseGuid(s);
  if (!g) throw "malformed GUID literal";
  return *g;
}

}  // namespace vd
