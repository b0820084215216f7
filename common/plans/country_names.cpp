#include "country_names.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace vd {

namespace {

using NameRow = std::array<const char*, CountryNames::kLanguageCount>;

// One row per country in table order; columns as in CountryLanguage. The translations are
// kept exactly as the product shipped them, odd spellings and trailing spaces included
// ("Germania ", "Hawaï "), since users and channel lists already know them that way.
// clang-format off
constexpr NameRow kNames[] = {
    /*  0 */ {"Argentina", "Argentine", "Argentinien", "Argentina", "Argentina", "Arjantin", "阿根廷", "アルゼンチン", "阿根廷"},
    /*  1 */ {"Australia", "Australie", "Australien", "Australia", "Australia", "Avustralya", "澳洲", "オーストラリア", "澳大利亚"},
    /*  2 */ {"Austria", "Autriche", "Österreich", "Austria", "Austria", "Avusturya", "奧地利", "オーストリア", "奥地利"},
    /*  3 */ {"Bahamas", "Bahamas", "Bahamas", "Bahamas", "Bahamas", "Bahamalar", "巴哈馬", "バハマ", "巴哈马群岛"},
    /*  4 */ {"Brazil", "Brésil", "Brasilien", "Brasil", "Brasile", "Brezilya", "巴西", "ブラジル", "巴西"},
    /*  5 */ {"Canada", "Canada", "Kanada", "Canada", "Canada", "Kanada", "加拿大", "カナダ", "加拿大"},
    /*  6 */ {"Chile", "Chili", "Chile", "Chile", "Cile", "Sili", "智利", "チリ", "智利"},
    /*  7 */ {"China", "Chine", "China", "China", "Cina", "Çin", "中國大陸", "中国", "中国"},
    /*  8 */ {"Colombia", "Colombie", "Kolumbien", "Colombia", "Colombia", "Kolombiya", "哥倫比亞", "コロンビア", "哥伦比亚"},
    /*  9 */ {"Cuba", "Cuba", "Kuba", "Cuba", "Cuba", "Küba", "古巴", "キューバ", "古巴"},
    /* 10 */ {"Czech", "Tchèque", "Tschechei", "Republica Checa", "Cecoslovacchia", "Çek Cumhuriyeti", "捷克", "チェコ", "捷克"},
    /* 11 */ {"Denmark", "Danemark", "Dänemark", "Dinamarca", "Danimarca", "Danimarka", "丹麥", "デンマーク", "丹麦"},
    /* 12 */ {"Egypt", "Egypte", "Ägypten", "Egipto", "Egitto", "Misir", "埃及", "エジプト", "埃及"},
    /* 13 */ {"Finland", "Finlande", "Finnland", "Finlandia", "Finlandia", "Finlandiya", "芬蘭", "フィンランド", "芬兰"},
    /* 14 */ {"France", "France", "Frankreich", "Francia", "Francia", "Fransa", "法國", "フランス", "法国"},
    /* 15 */ {"Germany", "Allemagne", "Deutschland", "Alemania", "Germania ", "Almanya", "德國", "ドイツ", "德国"},
    /* 16 */ {"Greece", "Grèce", "Griechenland", "Grecia", "Grecia", "Yunanistan", "希臘", "ギリシア", "希腊"},
    /* 17 */ {"Hawaii", "Hawaï ", "Hawai", "Hawai", "Hawaii", "Havaî ", "夏威夷", "ハワイ", "夏威夷"},
    /* 18 */ {"Hong Kong", "Hong Kong", "Hong Kong", "Hong Kong", "Hong Kong", "Hong Kong", "香港", "香港", "香港"},
    /* 19 */ {"Hungary", "Hungary", "Ungarn", "Hungria", "Ungeria", "Macaristan", "匈牙利", "ハンガリー", "匈牙利"},
    /* 20 */ {"Iceland", "Islande", "Island", "Islandia", "Islanda", "Izlanda", "冰島", "アイスランド", "冰岛"},
    /* 21 */ {"India", "Inde", "Indien", "India", "India", "Hindistan", "印度", "インド", "印度"},
    /* 22 */ {"Indonesia", "Indonésie", "Indonesien", "Indonesia", "Indonesia", "Endonezya", "印尼", "インドネシア", "印度尼西亚"},
    /* 23 */ {"Iran", "Iran", "Iran", "Iran", "Iran", "Iran", "伊朗", "イラン", "伊朗"},
    /* 24 */ {"Iraq", "Irak", "Irak", "Irak", "Iraq", "Irak", "伊拉克", "イラク", "伊拉克"},
    /* 25 */ {"Ireland", "Irlande", "Irland", "Irland", "Irlanda", "Irlanda", "愛爾蘭", "アイルランド", "爱尔兰"},
    /* 26 */ {"Israle", "Israel", "Israel", "Israel", "Israele", "Israil", "以色列", "イスラエル", "以色列"},
    /* 27 */ {"Italy", "Italie", "Italien", "Italia", "Italia", "Italya", "義大利", "イタリア", "意大利"},
    /* 28 */ {"Japan", "Japon", "Japan", "Japon", "Giappone", "Japonya", "日本", "日本", "日本"},
    /* 29 */ {"Korea", "Corée du Sud", "Südkorea", "Corea del Sur", "Corea del Sud", "Kore, Güney", "南韓", "韓国", "韩国"},
    /* 30 */ {"Liberia", "Libéria", "Liberien", "Liberia", "Liberia", "Liberya", "賴比瑞亞", "リベリア", "利比里亚"},
    /* 31 */ {"Malaysia", "Malaisie", "Malaysien", "Macao", "Malasia", "Malezya", "馬來西亞", "マレーシア", "马来西亚"},
    /* 32 */ {"Mexico", "Mexique", "Mexiko", "Mejico", "Messico", "Meksika", "墨西哥", "メキシコ", "墨西哥"},
    /* 33 */ {"Monaco", "Monaco", "Monako", "Monako", "Monaco", "Monako", "摩納哥", "モナコ", "摩洛哥"},
    /* 34 */ {"Netherlands", "Pays Bas", "Niederlande", "Holanda", "Olanda", "Netherlands", "荷蘭", "オランダ", "荷兰"},
    /* 35 */ {"New Zealand", "Nouvelle-Zélande", "Neu Seeland", "Nueva Zelanda", "Nuova Zelanda", "Yeni Zelanda", "紐西蘭", "ニュージーランド", "新西兰"},
    /* 36 */ {"Norway", "Norvège", "Norwegen", "Noruega", "Normandia", "Norveç ", "挪威", "ノルウェー", "挪威"},
    /* 37 */ {"Pakistan", "Pakistan", "Pakistan", "Pakistan", "Pakistan", "Pakistan", "巴基斯坦", "パキスタン", "巴基斯坦"},
    /* 38 */ {"Paraguay", "Paraguay", "Paraguay", "Paraguay", "Paraguay", "Paraguay", "巴拉圭", "パラグアイ", "巴拉圭"},
    /* 39 */ {"Philippines", "Philippines", "Philippinen", "Filipinas", "Filippine", "Filipinler", "菲律賓", "フィリピン", "菲律宾"},
    /* 40 */ {"Poland", "Pologne", "Polen", "Polonia", "Polonia", "Polonya", "波蘭", "ポーランド", "波兰"},
    /* 41 */ {"Portugal", "Portugal", "Portugal", "Portugal", "Portogallo", "Portekiz", "葡萄牙", "ポルトガル", "葡萄牙"},
    /* 42 */ {"Russia", "Russie", "Russland", "Rusia", "Russia", "Rusya", "俄羅斯", "ロシア", "俄罗斯"},
    /* 43 */ {"Singapore", "Singapour", "Singapur", "Singapur", "Singapore", "Singapur", "新加坡", "シンガポール", "新加坡"},
    /* 44 */ {"South Africa", "Afrique du Sud", "Südafrika", "Sudafrica", "Sud Africa", "Güney Afrika", "南非", "南アフリカ", "南非"},
    /* 45 */ {"Spain", "Espagne", "Spanien", "España", "Spagna", "Ispanya", "西班牙", "スペイン", "西班牙"},
    /* 46 */ {"Swaziland", "Souaziland", "Swaziland", "Swaziland", "Swaziland", "Swaziland", "史瓦濟蘭", "スワジランド", "斯威士兰"},
    /* 47 */ {"Sweden", "Suède", "Schweden", "Suecia", "Svezia", "Isveç ", "瑞典", "スウェーデン", "瑞典"},
    /* 48 */ {"Switzerland", "Suisse", "Schweiz", "Suiza", "Svizzera", "Isviçre", "瑞士", "スイス", "瑞士"},
    /* 49 */ {"Taiwan", "Taiwan", "Taiwan", "Taiwan", "Taiwan", "Tayvan", "臺灣", "台湾", "台湾"},
    /* 50 */ {"Thailand", "Thaïlande", "Thailand", "Tailandia", "Tailandia", "Tayland", "泰國", "タイ", "泰国"},
    /* 51 */ {"Turkey", "Turquie", "Türkei", "Turkia", "Turchia", "Türkiye", "土耳其", "トルコ", "土耳其"},
    /* 52 */ {"U.K.", "Royaume-Uni", "Großbritannien", "Reino Unido", "Regno Unito", "Ingiltere", "英國", "英国", "英国"},
    /* 53 */ {"Uruguay", "Uruguay", "Uruguay", "Uruguay", "Uruguay", "Uruguay", "烏拉圭", "ウルグアイ", "乌拉圭"},
    /* 54 */ {"U.S.A. (HRC)", "USA (HRC)", "U.S.A. (HRC)", "U.S.A. (HRC)", "Stati Uniti (HRC)", "Amerika (HRC)", "美國 (HRC)", "アメリカ合衆国 HRC", "美国 (HRC)"},
    /* 55 */ {"U.S.A. (IRC)", "USA (IRC)", "U.S.A. (IRC)", "U.S.A. (IRC)", "Stati Uniti (IRC)", "Amerika (IRC)", "美國 (IRC)", "アメリカ合衆国 IRC", "美国 (IRC)"},
    /* 56 */ {"U.S.A.", "Etats-Unis d'Amérique", "U.S.A.", "U.S.A.", "Stati Uniti", "Amerika", "美國", "アメリカ合衆国", "美国"},
};
// clang-format on
// A row short would leave its names null; a row over would name a country that is not there.
static_assert(std::size(kNames) == CountryNames::kCountryCount);

constexpr std::array<std::string_view, CountryNames::kLanguageCount> kLabels = {
    "English",
    "French",
    "German",
    "Spanish",
    "Italian",
    "Turkish",
    "Traditional Chinese",
    "Japanese",
    "Simplified Chinese"};

// Interface language tags in the order they are tried; the first match wins.
struct TagColumn {
  std::string_view tag;
  CountryLanguage language;
};
constexpr TagColumn kTags[] = {
    {"中文", CountryLanguage::kTraditionalChinese},
    {"日本", CountryLanguage::kJapanese},
    {"France", CountryLanguage::kFrench},
    {"Deutschland", CountryLanguage::kGerman},
    {"Spanish", CountryLanguage::kSpanish},
    {"Turkish", CountryLanguage::kTurkish},
    {"Italian", CountryLanguage::kItalian},
    {"Simplified Chinese", CountryLanguage::kSimplifiedChinese},
};

// The tags differ only in ASCII letters' case; CJK bytes compare as they are.
bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

using NameTable =
    std::array<std::array<std::string, CountryNames::kCountryCount>, CountryNames::kLanguageCount>;

const NameTable& Table() {
  static const NameTable table = [] {
    NameTable t;
    for (int lang = 0; lang < CountryNames::kLanguageCount; ++lang) {
      for (int i = 0; i < CountryNames::kCountryCount; ++i) t[lang][i] = kNames[i][lang];
    }
    return t;
  }();
  return table;
}

}  // namespace

CountryLanguage CountryNames::LanguageOfTag(std::string_view tag) {
  for (const TagColumn& entry : kTags) {
    if (EqualsIgnoringCase(tag, entry.tag)) return entry.language;
  }
  return CountryLanguage::kEnglish;
}

const std::string& CountryNames::Name(int index, CountryLanguage language) {
  const int lang = static_cast<int>(language);
  if (index < 0 || index >= kCountryCount || lang < 0 || lang >= kLanguageCount) {
    throw std::out_of_range("no country name " + std::to_string(index));
  }
  return Table()[lang][index];
}

std::string_view CountryNames::LanguageLabel(CountryLanguage language) {
  const int lang = static_cast<int>(language);
  return lang >= 0 && lang < kLanguageCount ? kLabels[lang] : std::string_view();
}

}  // namespace vd
