#include "vd/settings/locale_ids.h"

#include <cstdlib>
#include <string>
#include <utility>

namespace vd {

namespace {

struct Entry {
  std::string_view locale;  // "ll_TT" or, for a language's fallback, "ll"
  uint32_t codePage;
  uint32_t langId;
};

// Covers every language id the country rules name, plus the neighbours that would otherwise
// fall back to a language's primary territory and so pick the wrong country.
constexpr Entry kTable[] = {
    {"zh_TW", 950, 1028},   {"zh_HK", 950, 3076},   {"zh_MO", 950, 5124},   {"zh_CN", 936, 2052},
    {"zh_SG", 936, 4100},   {"zh", 950, 1028},      {"ja_JP", 932, 1041},   {"ja", 932, 1041},
    {"ko_KR", 949, 1042},   {"ko", 949, 1042},      {"th_TH", 874, 1054},   {"th", 874, 1054},
    {"de_DE", 1252, 1031},  {"de_AT", 1252, 3079},  {"de_CH", 1252, 2055},  {"de_LU", 1252, 4103},
    {"de", 1252, 1031},     {"en_US", 1252, 1033},  {"en_GB", 1252, 2057},  {"en_AU", 1252, 3081},
    {"en_CA", 1252, 4105},  {"en_NZ", 1252, 5129},  {"en_IE", 1252, 6153},  {"en_ZA", 1252, 7177},
    {"en_PH", 1252, 13321}, {"en_IN", 1252, 16393}, {"en_SG", 1252, 18441}, {"en", 1252, 1033},
    {"es_ES", 1252, 1034},  {"es_MX", 1252, 2058},  {"es_CO", 1252, 9226},  {"es_AR", 1252, 11274},
    {"es_CL", 1252, 13322}, {"es_US", 1252, 21514}, {"es", 1252, 1034},     {"pt_BR", 1252, 1046},
    {"pt_PT", 1252, 2070},  {"pt", 1252, 1046},     {"fr_FR", 1252, 1036},  {"fr_BE", 1252, 2060},
    {"fr_CA", 1252, 3084},  {"fr_CH", 1252, 4108},  {"fr", 1252, 1036},     {"it_IT", 1252, 1040},
    {"it_CH", 1252, 2064},  {"it", 1252, 1040},     {"nl_NL", 1252, 1043},  {"nl_BE", 1252, 2067},
    {"nl", 1252, 1043},     {"cs_CZ", 1250, 1029},  {"cs", 1250, 1029},     {"hu_HU", 1250, 1038},
    {"hu", 1250, 1038},     {"pl_PL", 1250, 1045},  {"pl", 1250, 1045},     {"fi_FI", 1252, 1035},
    {"fi", 1252, 1035},     {"is_IS", 1252, 1039},  {"is", 1252, 1039},     {"ur_IN", 1256, 2080},
    {"ur_PK", 1256, 1056},  {"ur", 1256, 1056},     {"hi_IN", 1252, 1081},  {"id_ID", 1252, 1057},
    {"id", 1252, 1057},     {"ms_MY", 1252, 1086},  {"ms", 1252, 1086},     {"nb_NO", 1252, 1044},
    {"no_NO", 1252, 1044},  {"nb", 1252, 1044},     {"no", 1252, 1044},     {"nn_NO", 1252, 2068},
    {"ru_RU", 1251, 1049},  {"ru", 1251, 1049},     {"sv_SE", 1252, 1053},  {"sv_FI", 1252, 2077},
    {"sv", 1252, 1053},     {"tr_TR", 1254, 1055},  {"tr", 1254, 1055},
};

const Entry* Lookup(std::string_view key) {
  for (const auto& e : kTable) {
    if (e.locale == key) return &e;
  }
  return nullptr;
}

}  // namespace

LocaleIds LocaleIdsFor(std::string_view name) {
  // language[_territory][.codeset][@modifier]
  name = name.substr(0, name.find_first_of(".@"));
  std::string_view language = name.substr(0, name.find('_'));
  const Entry* e = Lookup(name);
  if (e == nullptr) e = Lookup(language);
  if (e == nullptr) return {};
  return {e->codePage, e->langId};
}

namespace {

std::string_view SystemLocaleName() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v != nullptr && v[0] != '\0') return v;
  }
  return {};
}

}  // namespace

LocaleIds SystemLocaleIds() {
  const std::string_view name = SystemLocaleName();
  return name.empty() ? LocaleIds{} : LocaleIdsFor(name);
}

std::string_view InterfaceLanguageTag(std::string_view name) {
  name = name.substr(0, name.find_first_of(".@"));
  const std::string_view language = name.substr(0, name.find('_'));
  const std::string_view territory = name.find('_') == std::string_view::npos
                                         ? std::string_view()
                                         : name.substr(name.find('_') + 1);
  if (language == "zh") {
    const bool traditional = territory == "TW" || territory == "HK" || territory == "MO";
    return traditional ? "\u4e2d\u6587" : "Simplified Chinese";
  }
  static constexpr std::pair<std::string_view, std::string_view> kTags[] = {
      {"de", "Deutschland"}, {"fr", "France"},  {"es", "Spanish"},
      {"tr", "Turkish"},     {"it", "Italian"}, {"ja", "\u65e5\u672c"},
  };
  for (const auto& [code, tag] : kTags) {
    if (language == code) return tag;
  }
  return "English";
}

std::string_view SystemInterfaceLanguageTag() {
  return InterfaceLanguageTag(SystemLocaleName());
}

}  // namespace vd
