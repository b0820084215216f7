#include "vd/teletext_pages.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "vd/teletext_charset.h"

namespace vd {

namespace {

constexpr std::array<uint16_t, 8> kCycle = {0x100, 0x110, 0x101, 0x120, 0x102, 0x110, 0x150, 0x120};
constexpr uint8_t kLastRow = 24;
constexpr uint16_t kNoPage = 0x8FF;

// Spacing attributes; they take a column each, as on a real set.
constexpr char kRed = '\x01';
constexpr char kGreen = '\x02';
constexpr char kYellow = '\x03';
constexpr char kBlue = '\x04';
constexpr char kCyan = '\x06';
constexpr char kWhite = '\x07';
constexpr char kDoubleHeight = '\x0D';
constexpr char kNewBackground = '\x1D';

struct Texts {
  const char* welcome;
  const char* index;
  const char* programmesToday;
  const char* news;
  const char* weather;
  const char* testCard;
  std::array<std::array<const char*, 4>, 3> stories;
  std::array<const char*, 2> weatherDays;
  const char* degrees;  // printf format of a temperature
  std::array<const char*, 8> programmes;
  // Row 24's labels: nine columns at most, so that each stands over its key whole.
  struct {
    const char* news;
    const char* weather;
    const char* programmes;
    const char* index;
    const char* testCard;
    const char* frontPage;
  } keys;
};

const Texts kEnglish = {
    "Welcome to the teletext service of",
    "Index",
    "Programmes today",
    "News",
    "Weather",
    "Test card",
    {{{"Harbour bridge opens to traffic", "The new bridge over the estuary",
       "carries its first cars this morning,", "two months ahead of plan."},
      {"Rail fares stay the same next year", "The operators agreed to keep the",
       "season tickets at this year's prices", "for commuters and students."},
      {"Library keeps its doors open late", "From Monday the central library",
       "is open until ten in the evening", "on every weekday."}}},
    {"Today", "Tomorrow"},
    "%3d C",
    {"News and weather", "Morning magazine", "Nature: the river", "Film: Night train",
     "Sport today", "Quiz hour", "Documentary", "Late news"},
    {"News", "Weather", "TV guide", "Index", "Test card", "Home"}};

const Texts kGerman = {
    "Willkommen im Videotext von",
    "Übersicht",
    "Programm heute",
    "Nachrichten",
    "Wetter",
    "Testbild",
    {{{"Neue Brücke für den Verkehr frei", "Über die Förde rollen seit heute",
       "früh die ersten Autos, zwei Monate", "früher als geplant."},
      {"Fahrpreise bleiben gleich", "Die Verkehrsbetriebe halten die",
       "Preise für Schüler und Pendler", "auch im nächsten Jahr stabil."},
      {"Bücherei öffnet länger", "Ab Montag schließt die Stadtbücherei",
       "werktags erst um zweiundzwanzig Uhr.", "Große Nachfrage der Leser."}}},
    {"Heute", "Morgen"},
    "%3d°C",
    {"Nachrichten, Wetter", "Morgenmagazin", "Natur: Der Fluss", "Film: Nachtzug", "Sport aktuell",
     "Quizstunde", "Dokumentation", "Spätnachrichten"},
    {"Aktuell", "Wetter", "Programm", "Übersicht", "Testbild", "Start"}};

const Texts kFrench = {
    "Bienvenue sur le télétexte de",
    "Sommaire",
    "Programmes du jour",
    "Actualités",
    "Météo",
    "Mire",
    {{{"Le nouveau pont est ouvert", "Les premières voitures ont franchi",
       "l'estuaire ce matin, deux mois", "plus tôt que prévu."},
      {"Les tarifs du train ne changent pas", "Les abonnements des élèves et des",
       "salariés gardent leur prix", "l'année prochaine."},
      {"La bibliothèque ferme plus tard", "Dès lundi, elle reste ouverte",
       "jusqu'à vingt-deux heures", "en semaine. Très attendu."}}},
    {"Aujourd'hui", "Demain"},
    "%3d C",
    {"Journal et météo", "Magazine du matin", "Nature : la rivière", "Film : Train de nuit",
     "Sport", "Jeu", "Documentaire", "Dernier journal"},
    {"Infos", "Météo", "Programme", "Sommaire", "Mire", "Accueil"}};

const Texts& TextsFor(uint8_t option) {
  switch (option) {
    case TeletextCharset::kGerman:
      return kGerman;
    case TeletextCharset::kFrench:
      return kFrench;
    default:
      return kEnglish;
  }
}

constexpr std::array<const char*, 6> kRegions = {"North", "East",  "Coast",
                                                 "Hills", "South", "Capital"};

std::tm LocalTime(std::time_t now) {
  std::tm t{};
  localtime_r(&now, &t);
  return t;
}

std::string Printf(const char* format, auto... args) {
  char line[128];
  const int n = std::snprintf(line, sizeof line, format, args...);
  return std::string(line, n < 0 ? 0 : std::min<size_t>(static_cast<size_t>(n), sizeof line - 1));
}

// A band across the top of a page: white title on a coloured background.
std::string Band(char colour, const std::string& title) {
  return std::string{colour, kNewBackground, kWhite, ' '} + title;
}

// Row 24: the four coloured keys' labels, ten columns each (the colour code and nine
// characters), so that each stands over its key; a longer label is cut rather than pushing
// the next one along.
std::string KeyRow(const std::array<const char*, 4>& labels) {
  constexpr std::array<char, 4> kColours = {kRed, kGreen, kYellow, kCyan};
  constexpr size_t kWidth = 9;
  std::string row;
  for (size_t i = 0; i < labels.size(); ++i) {
    row += kColours[i];
    size_t columns = 0;
    for (const char* c = labels[i]; *c != '\0'; ++c) {
      // A column is a character, not a byte: UTF-8 continuation bytes take none.
      const bool starts = (static_cast<unsigned char>(*c) & 0xC0) != 0x80;
      if (starts && columns == kWidth) break;
      columns += starts ? 1 : 0;
      row += *c;
    }
    row.append(kWidth - columns, ' ');
  }
  return row;
}

struct Layout {
  std::array<std::string, kLastRow + 1> rows;
  std::array<uint16_t, 6> links{kNoPage, kNoPage, kNoPage, kNoPage, kNoPage, 0x100};
  bool mosaic = false;  // rows 3..22 are graphics codes, sent as they are
};

// Six columns by three rows of sextant cells: bit b of the code is cell b, bit 5 sits at 0x40.
char Sextant(unsigned cells) {
  return static_cast<char>(0x20 | (cells & 0x1F) | (cells & 0x20) << 1);
}

void TestCard(Layout& l, const Texts& x) {
  l.mosaic = true;
  l.rows[1] = Band(kBlue, x.testCard);
  // Colour bars: a graphics colour code, then solid blocks.
  constexpr std::array<char, 7> kBars = {0x17, 0x13, 0x16, 0x12, 0x15, 0x11, 0x14};
  for (uint8_t row = 3; row <= 8; ++row) {
    std::string line;
    for (char bar : kBars) line += bar + std::string(4, '\x7F');
    l.rows[row] = line + "\x17\x7F\x7F\x7F\x7F";
  }
  // A ring in sextants, two by three pixels a cell, drawn white on blue.
  for (uint8_t row = 10; row <= 21; ++row) {
    std::string line = "\x04\x1D\x17";
    for (int col = 3; col < 40; ++col) {
      unsigned cells = 0;
      for (int bit = 0; bit < 6; ++bit) {
        const double px = (col - 3) * 2 + (bit % 2) + 0.5;
        const double py = (row - 10) * 3 + (bit / 2) + 0.5;
        const double r = std::hypot((px - 37.0) / 1.0, (py - 18.0) * 1.15);
        if (r > 13.0 && r < 17.5) cells |= 1u << bit;
      }
      line += Sextant(cells);
    }
    l.rows[row] = line;
  }
  l.rows[23] = std::string{kCyan} + "LEVEL 1 MOSAICS";
}

Layout Build(uint16_t page, const TeletextService& s, uint8_t option, const std::tm& t,
             int subpage) {
  const Texts& x = TextsFor(option);
  const std::string name = s.name.substr(0, 34);
  Layout l;
  auto entry = [](const char* number, const char* title) {
    return Printf(" %c%s%c %s", kYellow, number, kWhite, title);
  };
  switch (page) {
    case 0x100: {
      char date[40];
      std::strftime(date, sizeof date, "%d.%m.%Y", &t);
      l.rows[2] = std::string{' ', kDoubleHeight, kYellow} + name;
      l.rows[5] = Printf(" %c%s", kWhite, x.welcome);
      l.rows[6] = Printf(" %c%s.", kWhite, name.c_str());
      l.rows[8] = Printf(" %c%s", kCyan, date);
      l.rows[11] = entry("101", x.index);
      l.rows[12] = entry("102", x.programmesToday);
      l.rows[13] = entry("110", x.news);
      l.rows[14] = entry("120", x.weather);
      l.rows[15] = entry("150", x.testCard);
      l.rows[24] = KeyRow({x.keys.news, x.keys.weather, x.keys.programmes, x.keys.index});
      l.links = {0x110, 0x120, 0x102, 0x101, kNoPage, 0x100};
      break;
    }
    case 0x101:
      l.rows[2] = Printf(" %c%s", kYellow, "INDEX");
      l.rows[4] = entry("100", name.c_str());
      l.rows[5] = entry("101", x.index);
      l.rows[6] = entry("102", x.programmesToday);
      l.rows[7] = entry("110", x.news);
      l.rows[8] = entry("120", x.weather);
      l.rows[9] = entry("150", x.testCard);
      l.rows[23] = Printf("%c%s", kCyan, name.c_str());
      l.rows[24] = KeyRow({x.keys.news, x.keys.weather, x.keys.programmes, x.keys.testCard});
      l.links = {0x110, 0x120, 0x102, 0x150, kNoPage, 0x100};
      break;
    case 0x110: {
      const auto& story = x.stories[static_cast<size_t>(subpage) % x.stories.size()];
      l.rows[1] = Band(kRed, x.news);
      l.rows[2] = Printf("%38d/%d", subpage + 1, static_cast<int>(x.stories.size()));
      l.rows[4] = std::string{' ', kDoubleHeight, kYellow} + story[0];
      for (size_t i = 1; i < story.size(); ++i) l.rows[6 + i] = std::string{' ', kWhite} + story[i];
      l.rows[24] = KeyRow({x.keys.weather, x.keys.programmes, x.keys.testCard, x.keys.frontPage});
      l.links = {0x120, 0x102, 0x150, 0x100, kNoPage, 0x100};
      break;
    }
    case 0x120: {
      l.rows[1] = Band(kBlue, x.weather);
      l.rows[2] = Printf("%38d/2", subpage + 1);
      l.rows[4] = std::string{' ', kYellow} + x.weatherDays[static_cast<size_t>(subpage) % 2];
      for (size_t i = 0; i < kRegions.size(); ++i) {
        const int temperature = 8 + static_cast<int>((i * 7 + static_cast<size_t>(subpage) * 3 +
                                                      static_cast<size_t>(t.tm_yday)) %
                                                     15);
        l.rows[6 + i * 2] =
            Printf(" %c%-12s%c", kCyan, kRegions[i], kWhite) + Printf(x.degrees, temperature);
      }
      l.rows[24] = KeyRow({x.keys.news, x.keys.programmes, x.keys.testCard, x.keys.frontPage});
      l.links = {0x110, 0x102, 0x150, 0x100, kNoPage, 0x100};
      break;
    }
    case 0x150:
      TestCard(l, x);
      l.rows[24] = KeyRow({x.keys.news, x.keys.weather, x.keys.index, x.keys.frontPage});
      l.links = {0x110, 0x120, 0x101, 0x100, kNoPage, 0x100};
      break;
    default: {
      l.rows[2] = std::string{' ', kYellow} + x.programmesToday;
      for (int i = 0; i < 8; ++i) {
        const int hour = (t.tm_hour + 1 + i * 2) % 24;
        l.rows[static_cast<size_t>(4 + i * 2)] =
            Printf(" %c%02d:00%c %s", kCyan, hour, kWhite,
                   x.programmes[static_cast<size_t>((hour / 2) % 8)]);
      }
      l.rows[24] = KeyRow({x.keys.news, x.keys.weather, x.keys.index, x.keys.frontPage});
      l.links = {0x110, 0x120, 0x101, 0x100, kNoPage, 0x100};
      break;
    }
  }
  return l;
}

}  // namespace

std::span<const uint16_t> TeletextPages::Cycle() {
  return kCycle;
}

int TeletextPages::SubpageCount(uint16_t page) {
  switch (page) {
    case 0x110:
      return 3;
    case 0x120:
      return 2;
    default:
      return 1;
  }
}

uint16_t TeletextPages::Cni(const TeletextService& service) {
  if (service.cni != 0) return service.cni;
  // FNV-1a of the name, folded into a range that no table of real networks lists.
  uint32_t h = 2166136261u;
  for (unsigned char c : service.name) h = (h ^ c) * 16777619u;
  return static_cast<uint16_t>(0xFA00 | (h & 0x1FF));
}

std::string TeletextPages::HeaderText(uint16_t page, std::string_view station, std::time_t now) {
  const std::tm t = LocalTime(now);
  char date[16];
  std::strftime(date, sizeof date, "%d.%m.", &t);
  const std::string name(station.substr(0, 11));
  return Printf(" %3X %-11s %6.6s %02d:%02d:%02d", page, name.c_str(), date, t.tm_hour, t.tm_min,
                t.tm_sec);
}

std::vector<TeletextPacket> TeletextPages::Page(uint16_t page, const TeletextService& service,
                                                std::time_t now, int subpage) {
  const uint8_t option = TeletextCharset::ForLanguage(service.language);
  const int count = SubpageCount(page);
  subpage = ((subpage % count) + count) % count;
  // Pages with subpages count them from 1; the others send subcode 0.
  const auto subcode = static_cast<uint16_t>(count > 1 ? subpage + 1 : 0);
  const auto magazine = static_cast<uint8_t>(page >> 8);
  const Layout layout = Build(page, service, option, LocalTime(now), subpage);

  std::vector<TeletextPacket> packets;
  packets.reserve(kLastRow + 2);
  const uint16_t control = TeletextCoding::kErasePage | TeletextCoding::kMagazineSerial |
                           TeletextCoding::NationalOption(option);
  packets.push_back(TeletextCoding::PageHeader(
      page, subcode, control,
      TeletextCharset::Encode(HeaderText(page, service.name, now), option)));
  packets.push_back(TeletextCoding::Links(magazine, layout.links, true));
  for (uint8_t row = 1; row <= kLastRow; ++row) {
    const std::string& text = layout.rows[row];
    if (text.empty()) continue;  // the erase bit already blanked it
    const bool raw = layout.mosaic && row >= 3 && row <= 22;
    packets.push_back(
        TeletextCoding::Row(magazine, row, raw ? text : TeletextCharset::Encode(text, option)));
  }
  return packets;
}

TeletextPacket TeletextPages::ServicePacket(const TeletextService& service, std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  const int halfHours = static_cast<int>(local.tm_gmtoff / 1800);
  const uint8_t option = TeletextCharset::ForLanguage(service.language);
  return TeletextCoding::BroadcastService(
      0x100, Cni(service), now, halfHours,
      TeletextCharset::Encode(service.name.substr(0, 20), option));
}

}  // namespace vd
