#include "vd/teletext_pages.h"

#include <array>
#include <cstdio>

namespace vd {

namespace {

constexpr std::array<uint16_t, 3> kCycle = {0x100, 0x101, 0x102};
constexpr uint8_t kRows = 23;

// Spacing attributes; they take a column each, as on a real set.
constexpr char kYellow = '\x03';
constexpr char kCyan = '\x06';
constexpr char kWhite = '\x07';

constexpr std::array<const char*, 8> kProgrammes = {
    "News and weather", "Morning magazine", "Nature: the river", "Film: Night train",
    "Sport today",      "Quiz hour",        "Documentary",       "Late news"};

std::tm LocalTime(std::time_t now) {
  std::tm t{};
  localtime_r(&now, &t);
  return t;
}

std::string Printf(const char* format, auto... args) {
  char line[96];
  const int n = std::snprintf(line, sizeof line, format, args...);
  return std::string(line, n < 0 ? 0 : std::min<size_t>(static_cast<size_t>(n), sizeof line - 1));
}

}  // namespace

std::span<const uint16_t> TeletextPages::Cycle() {
  return kCycle;
}

std::string TeletextPages::HeaderText(uint16_t page, std::string_view station, std::time_t now) {
  const std::tm t = LocalTime(now);
  char date[16];
  std::strftime(date, sizeof date, "%d %b", &t);
  const std::string name(station.substr(0, 11));
  return Printf(" %3X %-11s %6.6s %02d:%02d:%02d", page, name.c_str(), date, t.tm_hour, t.tm_min,
                t.tm_sec);
}

std::vector<std::string> TeletextPages::Rows(uint16_t page, std::string_view station,
                                             const std::tm& t) {
  const std::string name(station.substr(0, 34));
  std::vector<std::string> rows(kRows + 1);
  switch (page) {
    case 0x100: {
      char date[40];
      std::strftime(date, sizeof date, "%A %d %B %Y", &t);
      rows[2] = Printf(" %c%s", kYellow, name.c_str());
      rows[3] = Printf(" %c%s", kYellow, std::string(name.size(), '=').c_str());
      rows[5] = Printf(" %cWelcome to the teletext service of", kWhite);
      rows[6] = Printf(" %c%s.", kWhite, name.c_str());
      rows[8] = Printf(" %c%s", kCyan, date);
      rows[11] = Printf(" %c101%c Index", kYellow, kWhite);
      rows[12] = Printf(" %c102%c Programmes today", kYellow, kWhite);
      rows[23] = Printf("%cIndex 101  Programmes 102", kCyan);
      break;
    }
    case 0x101:
      rows[2] = Printf(" %cINDEX", kYellow);
      rows[4] = Printf(" %c100%c %s", kYellow, kWhite, name.c_str());
      rows[5] = Printf(" %c101%c Index", kYellow, kWhite);
      rows[6] = Printf(" %c102%c Programmes today", kYellow, kWhite);
      rows[23] = Printf("%c%s", kCyan, name.c_str());
      break;
    default: {
      rows[2] = Printf(" %cTODAY ON %s", kYellow, name.c_str());
      for (int i = 0; i < 8; ++i) {
        const int hour = (t.tm_hour + 1 + i * 2) % 24;
        rows[static_cast<size_t>(4 + i * 2)] =
            Printf(" %c%02d:00%c %s", kCyan, hour, kWhite,
                   kProgrammes[static_cast<size_t>((hour / 2) % 8)]);
      }
      rows[23] = Printf("%cFront page 100  Index 101", kCyan);
      break;
    }
  }
  return rows;
}

std::vector<TeletextPacket> TeletextPages::Page(uint16_t page, std::string_view station,
                                                std::time_t now) {
  std::vector<TeletextPacket> packets;
  packets.reserve(kRows + 1);
  packets.push_back(TeletextCoding::PageHeader(page, 0, TeletextCoding::kErasePage,
                                               HeaderText(page, station, now)));
  const std::vector<std::string> rows = Rows(page, station, LocalTime(now));
  const auto magazine = static_cast<uint8_t>(page >> 8);
  for (uint8_t row = 1; row <= kRows; ++row) {
    packets.push_back(TeletextCoding::Row(magazine, row, rows[row]));
  }
  return packets;
}

}  // namespace vd
