#include "vd/album/media_entry.h"

#include <strings.h>
#include <cstdio>

namespace vd {

MediaKind MediaEntry::KindOfName(std::string_view name) {
  constexpr std::string_view kPicture = ".bmp";
  if (name.size() >= kPicture.size() && ::strncasecmp(name.data() + name.size() - kPicture.size(),
                                                      kPicture.data(), kPicture.size()) == 0) {
    return MediaKind::kPicture;
  }
  return MediaKind::kFilm;
}

std::string MediaEntry::SizeText(uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%luKB", static_cast<unsigned long>((bytes >> 10) + 1));
  return text;
}

std::string MediaEntry::TimeText(std::time_t when) {
  // Formatted by hand: strftime's %p follows LC_TIME, which Qt sets from the environment,
  // and some locales have no AM/PM at all.
  std::tm local{};
  if (::localtime_r(&when, &local) == nullptr) return {};
  int hour12 = local.tm_hour % 12;
  if (hour12 == 0) hour12 = 12;
  char text[48];
  std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d %s", local.tm_mon + 1, local.tm_mday,
                local.tm_year % 100, hour12, local.tm_min, local.tm_hour < 12 ? "AM" : "PM");
  return text;
}

}  // namespace vd
