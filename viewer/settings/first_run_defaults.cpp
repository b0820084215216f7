#include "vd/settings/first_run_defaults.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>

#include "country_table.h"
#include "startup_helpers.h"
#include "vd/settings/settings_table.h"

namespace vd {

namespace {

// The system languages each regional product places in their own country; any other language
// gets the region's default. The countries themselves are the country table's.
constexpr uint32_t kRegion1310Languages[] = {9226, 13322, 2058, 11274, 13321};
constexpr uint32_t kRegion1312Languages[] = {3079, 3081, 5129, 1043, 1035, 1039, 1057, 1040, 2080,
                                             1086, 1044, 2070, 4100, 1034, 1053, 2055, 1055};

std::optional<int32_t> ByLanguage(uint32_t langId) {
  const CountryRecord* record = CountryTable::RecordOfLanguage(langId);
  if (record == nullptr) return std::nullopt;
  return static_cast<int32_t>(record->code);
}

template <size_t N>
std::optional<int32_t> ByLanguage(const uint32_t (&region)[N], uint32_t langId) {
  if (std::find(std::begin(region), std::end(region), langId) == std::end(region)) {
    return std::nullopt;
  }
  return ByLanguage(langId);
}

bool Is(LocaleIds l, uint32_t codePage, uint32_t langId) {
  return l.codePage == codePage && l.langId == langId;
}

bool HasAny(const std::string& key, std::initializer_list<const char*> ids) {
  for (const char* id : ids) {
    if (ContainsNoCase(key, id)) return true;
  }
  return false;
}

}  // namespace

std::optional<int32_t> CountryFromLocation(std::string_view isoCode) {
  if (isoCode.size() != 2) return std::nullopt;
  for (int i = 0; i < CountryTable::kCount; ++i) {
    const CountryRecord& r = CountryTable::Record(i);
    if (!r.iso.empty() && ContainsNoCase(r.iso, isoCode) != 0) return static_cast<int32_t>(r.code);
  }
  return std::nullopt;
}

int32_t CountryFromLocale(LocaleIds l) {
  if (Is(l, 950, 1028)) return 886;
  if (Is(l, 936, 2052)) return 86;
  if (Is(l, 932, 1041)) return 81;
  if (Is(l, 949, 1042)) return 82;
  if (Is(l, 874, 1054)) return 66;
  return ByLanguage(l.langId).value_or(1);
}

int32_t CountryFromProduct(const std::string& key, LocaleIds l) {
  const bool hongKong = l.langId == 3076 || l.langId == 5124;
  if (HasAny(key, {"1310", "1311"})) {
    if (Is(l, 950, 1028)) return 886;
    if (Is(l, 949, 1042)) return 82;
    return ByLanguage(kRegion1310Languages, l.langId).value_or(1);
  }
  if (HasAny(key, {"1312", "1313"})) {
    if (Is(l, 874, 1054)) return 66;
    return ByLanguage(kRegion1312Languages, l.langId).value_or(49);
  }
  if (HasAny(key, {"1314", "1315"})) {
    if ((l.codePage == 950 || l.codePage == 936) && hongKong) return 852;
    if (l.langId == 6153) return 353;
    if (l.langId == 7177) return 27;
    return 44;
  }
  if (HasAny(key, {"1316", "1317"})) return 86;
  if (HasAny(key, {"1318"})) return hongKong ? 852 : 86;
  if (HasAny(key, {"1319"})) return 55;
  if (HasAny(key, {"131A", "131B"})) return 33;
  if (HasAny(key, {"131C", "131D"})) {
    if (l.langId == 1029) return 420;
    if (l.langId == 1045) return 48;
    if (l.langId == 1038) return 36;
    return 7;
  }
  if (HasAny(key, {"131E"})) return 81;
  return kFallbackCountry;
}

int32_t DefaultCountry(const FirstRunInputs& in) {
  if (auto placed = CountryFromLocation(in.deviceLocation)) return *placed;
  if (in.hardwareKey) return CountryFromProduct(*in.hardwareKey, in.locale);
  return CountryFromLocale(in.locale);
}

int32_t DefaultIsMts(const FirstRunInputs& in) {
  if (in.hardwareKey) {
    if (ContainsNoCase(*in.hardwareKey, "1311")) return 1;
    if (ContainsNoCase(*in.hardwareKey, "1318")) return 0;
    return -1;
  }
  if (in.osKind == kOsKind98) return -1;
  if (in.osKind == kOsKind2000) {
    if (Is(in.locale, 950, 1028)) return 1;
    if (Is(in.locale, 936, 2052)) return 0;
    return -1;
  }
  return setting::kDefaultIsMts;
}

}  // namespace vd
