// vdtool plan: a country's cable or antenna frequency plan, one channel per line.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "arguments.h"
#include "command.h"
#include "country_table.h"
#include "frequency_plans.h"

namespace {

const char kUsage[] =
    "Usage: vdtool plan COUNTRY cable|antenna\n"
    "Prints every channel of the country's band with its picture-carrier frequency in MHz,\n"
    "or \"none\" where the plan has no such channel.\n"
    "\n"
    "  COUNTRY  a name as 'vdtool countries' lists it (case is ignored; quote names with\n"
    "           spaces, e.g. \"New Zealand\"), code:N for a dialling code or index:N for a\n"
    "           row of the table, e.g. Germany, code:49 or index:15\n";

int Run(const std::vector<std::string>& args) {
  if (args.size() != 2) return vdtool::UsageError("plan: expected COUNTRY and cable|antenna");
  std::string error;
  const int index = vdtool::ParseCountry(args[0], &error);
  if (index < 0) return vdtool::UsageError("plan: " + error);
  const std::string bandName = vdtool::Lower(args[1]);
  if (bandName != "cable" && bandName != "antenna") {
    return vdtool::UsageError("plan: unknown band '" + args[1] + "' (cable or antenna)");
  }
  const CountryRecord& record = CountryTable::Record(index);
  const ChannelBand& band = record.Band(bandName == "antenna" ? 1 : 0);
  const auto letter = vd::FrequencyPlans::LetterOf(band);
  std::printf("# %s (code %u), %s: plan %c, channels %u-%u\n", CountryTable::EnglishName(index),
              record.code, bandName.c_str(), letter.value_or('?'), band.first, band.last);
  for (uint32_t n = band.first; n <= band.last; ++n) {
    const uint32_t hz = band.FrequencyOf(n);
    if (hz == 0) {
      std::printf("%3u  none\n", n);
    } else {
      std::printf("%3u  %.2f\n", n, hz / 1e6);
    }
  }
  return 0;
}

const vdtool::Registrar kPlan({"plan", "show a country's cable or antenna frequency plan", kUsage,
                               Run});

}  // namespace
