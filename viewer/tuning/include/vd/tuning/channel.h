// One station of a channel table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CChannel {
 public:
  // Names are stored in a 32-byte field on the other platform's tools; longer names are never
  // written.
  static constexpr size_t kMaxNameBytes = 31;

  CChannel() = default;
  CChannel(uint32_t id, std::string_view name, uint32_t frequency, uint32_t number);

  // Cuts the name to kMaxNameBytes, never inside a UTF-8 sequence.
  void SetName(std::string_view name);
  const std::string& Name() const { return name_; }

  uint32_t id = 0;         // slot in the table's used-slot map, 0..2999
  uint32_t frequency = 0;  // Hz
  uint32_t number = 0;     // TV channel number in the active band

  bool operator==(const CChannel&) const = default;

  // The text of string 61280.
  static constexpr const char* kUnnamed = "Unnamed";
  // Pads TV names so that numbers line up: four spaces below 10, none above 99, else two.
  static const char* Filler(uint32_t number);
  // "%.2f%s" of the frequency in MHz and " ", e.g. "98.10 ".
  static std::string RadioName(uint32_t hz);

 private:
  std::string name_;
};
