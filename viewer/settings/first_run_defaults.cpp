#include "first_run_defaults.h"

#include <initializer_list>

#include "country_table.h"
#include "settings_table.h"
#include "startup_helpers.h"

namespace vd {

namespace {

struct LangRule {
  uint32_t langId;
  int32_t country;
};

constexpr LangRule kLocaleLanguageRules[] = {
    {11274, 54}, {3081, 61}, {3079, 43},  {1046, 55},  {9226, 57},  {13322, 56}, {1029, 420},
    {1035, 358}, {1036, 33}, {1031, 49},  {3076, 852}, {5124, 852}, {1038, 36},  {1039, 354},
    {2080, 91},  {1057, 62}, {6153, 353}, {1040, 39},  {1086, 60},  {2058, 52},  {5129, 64},
    {1043, 31},  {1044, 47}, {13321, 63}, {1045, 48},  {2070, 351}, {1049, 7},   {4100, 65},
    {7177, 27},  {1034, 34}, {1053, 46},  {2055, 41},  {1055, 90},  {2057, 44},
};

constexpr LangRule kRule1310Languages[] = {
    {9226, 57}, {13322, 56}, {2058, 52}, {11274, 54}, {13321, 63},
};

constexpr LangRule kRule1312Languages[] = {
    {3079, 43}, {3081, 61}, {5129, 64}, {1043, 31}, {1035, 358}, {1039, 354},
    {1057, 62}, {1040, 39}, {2080, 91}, {1086, 60}, {1044, 47},  {2070, 351},
    {4100, 65}, {1034, 34}, {1053, 46}, {2055, 41}, {1055, 90},
};

template <size_t N>
std::optional<int32_t> ByLanguage(const LangRule (&rules)[N], uint32_t langId) {
  for (const auto& r : rules) {
    if (r.langId == langId) return r.country;
  }
  return std::nullopt;
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
  return ByLanguage(kLocaleLanguageRules, l.langId).value_or(1);
}

int32_t CountryFromProduct(const std::string& key, LocaleIds l) {
  const bool hongKong = l.langId == 3076 || l.langId == 5124;
  if (HasAny(key, {"1310", "1311"})) {
    if (Is(l, 950, 1028)) return 886;
    if (Is(l, 949, 1042)) return 82;
    return ByLanguage(kRule1310Languages, l.langId).value_or(1);
  }
  if (HasAny(key, {"1312", "1313"})) {
    if (Is(l, 874, 1054)) return 66;
    return ByLanguage(kRule1312Languages, l.langId).value_or(49);
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
