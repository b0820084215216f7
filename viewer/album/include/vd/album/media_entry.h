// One media file of an album as the list shows it: the name and its two detail texts.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "album_host.h"

namespace vd {

struct MediaEntry {
  std::string name;
  MediaKind kind = MediaKind::kFilm;
  std::string sizeText;
  std::string timeText;

  // Files ending in ".bmp", whatever the case, are pictures; every other media file a film.
  static MediaKind KindOfName(std::string_view name);
  // "%luKB" of (size >> 10) + 1: an empty file shows 1KB, 1024 bytes 2KB.
  static std::string SizeText(uint64_t bytes);
  // The local time as "%m/%d/%y %I:%M %p", with "AM"/"PM" whatever the locale says.
  static std::string TimeText(std::time_t when);
};

}  // namespace vd
