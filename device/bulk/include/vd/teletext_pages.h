// The pages the TV box's teletext carries while a station is received: a front page with
// the station's name, an index and a programme list. Every page header shows the clock.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vd/teletext_coding.h"

namespace vd {

class TeletextPages {
 public:
  // The pages in the order they are broadcast, round and round.
  static std::span<const uint16_t> Cycle();

  // The 24 packets of `page` (header first, then rows 1..23) at local time `now`.
  static std::vector<TeletextPacket> Page(uint16_t page, std::string_view station, std::time_t now);
  // The 32 characters of a header: page number, station, date, and the clock in the last 8.
  static std::string HeaderText(uint16_t page, std::string_view station, std::time_t now);

 private:
  static std::vector<std::string> Rows(uint16_t page, std::string_view station, const std::tm& t);
};

}  // namespace vd
