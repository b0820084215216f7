#include "channel.h"

#include <cstdio>

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
  char text[32];
  std::snprintf(text, sizeof text, "%.2f%s", hz / 1000000.0, " ");
  return text;
}
