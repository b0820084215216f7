#include "vd/tuning/channel.h"

#include <charconv>

CChannel::CChannel(uint32_t id, std::string_view name, uint32_t frequency, uint32_t number)
    : id(id), frequency(frequency), number(number) {
  SetName(name);
}

void CChannel::SetName(std::string_view name) {
  if (name.size() > kMaxNameBytes) {
    size_t cut = kMaxNameBytes;
    // Back up over continuation bytes so the name stays valid UTF-8.
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name = name.substr(0, cut);
  }
  name_.assign(name);
}

const char* CChannel::Filler(uint32_t number) {
  if (number < 10) return "    ";
  if (number > 99) return "";
  return "  ";
}

std::string CChannel::RadioName(uint32_t hz) {
  // The name is stored in the lists: always with a point, whatever the locale (which the
  // viewer's toolkit sets from the environment and vdtool does not).
  char text[32];
  const auto [end, ec] =
      std::to_chars(text, text + sizeof text - 1, hz / 1000000.0, std::chars_format::fixed, 2);
  *end = ' ';
  return std::string(text, end + 1);
}
