// The pages the TV box's teletext carries while a station is received: a front page that is
// also the index, an index, the day's programmes, news and weather with subpages that rotate,
// and a test card of mosaic graphics. Every page has its four coloured links, and every
// header shows the clock. Pages are written in the station's language with its national
// characters.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vd/teletext_coding.h"

namespace vd {

// What a station's teletext says about itself.
struct TeletextService {
  std::string name;
  // Network identification code sent in packet 8/30; 0 derives a stable one from the name.
  uint16_t cni = 0;
  std::string language;  // ISO 639-1 code; "de" and "fr" have their own characters

  bool operator==(const TeletextService&) const = default;
};

class TeletextPages {
 public:
  // The pages in the order they are broadcast, round and round; a page with subpages
  // appears more than once, with the next subpage each time.
  static std::span<const uint16_t> Cycle();
  // How many subpages `page` has; 1 for a page without any.
  static int SubpageCount(uint16_t page);
  // The identification code packet 8/30 carries for `service`.
  static uint16_t Cni(const TeletextService& service);

  // The packets of subpage `subpage` (0-based) of `page` at time `now`: header first, then
  // the links, then the rows that hold text.
  static std::vector<TeletextPacket> Page(uint16_t page, const TeletextService& service,
                                          std::time_t now, int subpage = 0);
  // Packet 8/30 format 1 for `service` at `now`.
  static TeletextPacket ServicePacket(const TeletextService& service, std::time_t now);
  // The 32 characters of a header: page number, station, date, and the clock in the last 8.
  static std::string HeaderText(uint16_t page, std::string_view station, std::time_t now);
};

}  // namespace vd
