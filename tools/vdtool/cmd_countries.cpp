// vdtool countries: the country table with its codes and display names.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "command.h"
#include "country_names.h"
#include "country_table.h"

namespace {

using vd::CountryLanguage;
using vd::CountryNames;

const char kUsage[] =
    "Usage: vdtool countries [--lang TAG | --all]\n"
    "Lists the 57 countries in table order under a heading line starting with '#': index,\n"
    "dialling code and English name. Other commands take a country as its name,\n"
    "code:CODE or index:INDEX.\n"
    "\n"
    "  --lang TAG  add the name shown under the interface language TAG (France,\n"
    "              Deutschland, Spanish, Italian, Turkish, 中文, 日本,\n"
    "              \"Simplified Chinese\"; case is ignored; any other tag is English)\n"
    "  --all       one column per language, tab-separated, with a heading line\n";

void PrintAll() {
  std::cout << "#\tcode";
  for (int lang = 0; lang < CountryNames::kLanguageCount; ++lang) {
    std::cout << '\t' << CountryNames::LanguageLabel(static_cast<CountryLanguage>(lang));
  }
  std::cout << '\n';
  for (int i = 0; i < CountryTable::kCount; ++i) {
    std::cout << i << '\t' << CountryTable::Record(i).code;
    for (int lang = 0; lang < CountryNames::kLanguageCount; ++lang) {
      std::cout << '\t' << CountryNames::Name(i, static_cast<CountryLanguage>(lang));
    }
    std::cout << '\n';
  }
}

bool IsEnglishTag(const std::string& tag) {
  return tag.size() == 7 && std::equal(tag.begin(), tag.end(), "english", [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

int Run(const std::vector<std::string>& args) {
  bool all = false;
  bool haveTag = false;
  std::string tag;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--all") {
      all = true;
    } else if (a == "--lang") {
      if (i + 1 >= args.size()) return vdtool::UsageError("countries: --lang needs a TAG");
      tag = args[++i];
      haveTag = true;
    } else if (a.rfind("--lang=", 0) == 0) {
      tag = a.substr(7);
      haveTag = true;
    } else {
      return vdtool::UsageError("countries: unexpected argument '" + a + "' (see --help)");
    }
  }
  if (all && haveTag) return vdtool::UsageError("countries: use either --lang or --all");
  if (all) {
    PrintAll();
    return 0;
  }

  const CountryLanguage language = CountryNames::LanguageOfTag(tag);
  if (haveTag && language == CountryLanguage::kEnglish && !IsEnglishTag(tag)) {
    std::cerr << "vdtool: language tag '" << tag
              << "' selects no translation; the English names apply\n";
  }
  if (haveTag) {
    std::printf("%-5s %4s  %-14s  %s\n", "#idx", "code", "name", "shown as");
  } else {
    std::printf("%-5s %4s  %s\n", "#idx", "code", "name");
  }
  for (int i = 0; i < CountryTable::kCount; ++i) {
    const char* english = CountryTable::EnglishName(i);
    if (haveTag) {
      std::printf("%4d  %4u  %-14s  %s\n", i, CountryTable::Record(i).code, english,
                  CountryNames::Name(i, language).c_str());
    } else {
      std::printf("%4d  %4u  %s\n", i, CountryTable::Record(i).code, english);
    }
  }
  return 0;
}

const vdtool::Registrar kCountries({"countries", "list the countries, their codes and names",
                                    kUsage, Run});

}  // namespace
