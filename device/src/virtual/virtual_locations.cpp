// The stations of each place the virtual box can stand in: a believable set of a country's
// own channels, on carriers that both its cable and its antenna plan scan.
#include "virtual_locations.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>

namespace vd {

namespace {

struct LocalStation {
  uint32_t kHz;
  const char* name;
  uint32_t toneHz;
};

struct Location {
  std::array<const char*, 4> countries;  // ISO 3166 codes that share the set
  const char* language;
  std::span<const LocalStation> stations;
  // A box is sold per region under its own product id; the one of the model sold here.
  uint32_t productId;
};

// VHF 2..13 of the Americas: the cable and antenna plans agree on them.
constexpr LocalStation kNorthAmerica[] = {
    {55'250, "Aurora One", 440},    {61'250, "Prairie Public", 494}, {77'250, "Harbour TV", 523},
    {83'250, "Channel Maple", 587}, {181'250, "Cityvision", 659},    {193'250, "Highland TV", 698},
    {199'250, "Metro Eleven", 784}, {211'250, "Lumen 24", 880}};
// Band I and III (E2..E12) and UHF, on both the cable and the antenna plan of the region.
constexpr LocalStation kGermanSpeaking[] = {
    {55'250, "Kanal Nord", 440},   {62'250, "Rheinwelle", 494},  {182'250, "Stadtfernsehen", 523},
    {196'250, "Bergland TV", 587}, {210'250, "Nordlicht", 659},  {224'250, "Orbit Eins", 698},
    {479'250, "Sportkanal", 784},  {527'250, "Kinderwelt", 880}, {567'250, "Kulturzeit TV", 932}};
// UHF only: the French VHF band has carriers of its own that the cable plan lacks.
constexpr LocalStation kFrance[] = {
    {487'250, "Meridian", 440},  {503'250, "Canal Sol", 494},     {527'250, "Tele Lumiere", 523},
    {551'250, "Azur TV", 587},   {583'250, "Provence Cinq", 659}, {615'250, "Ciel Info", 698},
    {663'250, "Vallee TV", 784}, {711'250, "Hexagone Sport", 880}};
constexpr LocalStation kBritain[] = {
    {487'250, "Channel Thames", 440}, {511'250, "Moorland One", 494}, {543'250, "Coastline 4", 523},
    {567'250, "Borough TV", 587},     {599'250, "Union News", 659},   {631'250, "Kestrel", 698},
    {679'250, "Albion Plus", 784}};

constexpr Location kLocations[] = {
    {{"US", "CA", "", ""}, "", kNorthAmerica, 0x1311},
    {{"DE", "AT", "CH", ""}, "de", kGermanSpeaking, 0x1312},
    {{"FR", "", "", ""}, "fr", kFrance, 0x131A},
    {{"GB", "", "", ""}, "", kBritain, 0x1314},
};

const Location* Find(std::string_view country) {
  for (const Location& l : kLocations) {
    for (const char* c : l.countries) {
      if (*c != '\0' && country == c) return &l;
    }
  }
  return nullptr;
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

std::optional<std::vector<Station>> VirtualLocations::TvStations(std::string_view country) {
  const Location* l = Find(Upper(country));
  if (l == nullptr) return std::nullopt;
  std::vector<Station> stations;
  for (const LocalStation& s : l->stations)
    stations.push_back({s.kHz * 1000, s.name, s.toneHz, l->language});
  return stations;
}

std::optional<uint32_t> VirtualLocations::ProductId(std::string_view country) {
  const Location* l = Find(Upper(country));
  if (l == nullptr) return std::nullopt;
  return l->productId;
}

std::vector<std::string> VirtualLocations::Countries() {
  std::vector<std::string> out;
  for (const Location& l : kLocations) {
    for (const char* c : l.countries) {
      if (*c != '\0') out.emplace_back(c);
    }
  }
  return out;
}

std::string VirtualLocations::FromLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    // language_TERRITORY.codeset@modifier
    const std::string_view locale(value);
    const size_t underscore = locale.find('_');
    if (underscore == std::string_view::npos || locale.size() < underscore + 3) return kDefault;
    const std::string country = Upper(locale.substr(underscore + 1, 2));
    return Find(country) != nullptr ? country : kDefault;
  }
  return kDefault;
}

}  // namespace vd
