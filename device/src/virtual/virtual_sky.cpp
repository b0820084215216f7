#include "vd/virtual_sky.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace vd {

namespace {
constexpr uint32_t kGridHz = 250000;
constexpr uint32_t kHashDensity = 8;  // one carrier in eight sends
constexpr uint32_t kTvMinHz = 44000000;
constexpr uint32_t kTvMaxHz = 870000000;

constexpr std::array<const char*, 16> kNames = {
    "Aurora One", "Kanal Nord",    "Cityvision", "Rivera TV",  "Telesur Tres", "Meridian",
    "Orbit Eins", "Lumen 24",      "Harbour TV", "Vista Plus", "Canal Sol",    "Nordlicht",
    "Panorama 7", "Channel Maple", "Onda Azul",  "Highland TV"};

uint32_t Mix(uint32_t x) {
  uint32_t h = x * 0x9E3779B1u;
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  h *= 0xC2B2AE35u;
  h ^= h >> 16;
  return h;
}

Station HashStation(uint32_t hz) {
  uint32_t h = Mix(hz / kGridHz ^ 0x5A5A5A5Au);
  return {hz, kNames[h % kNames.size()], 300 + (h >> 8) % 900};
}

uint32_t Distance(uint32_t a, uint32_t b) {
  return a > b ? a - b : b - a;
}

std::optional<Station> Nearest(const std::vector<Station>& list, uint32_t hz, uint32_t tolerance) {
  for (const auto& s : list) {
    if (Distance(s.frequencyHz, hz) <= tolerance) return s;
  }
  return std::nullopt;
}
}  // namespace

VirtualSky::VirtualSky(std::vector<Station> tv, std::vector<Station> fm, bool hashRule)
    : tv_(std::move(tv)), fm_(std::move(fm)), hashRule_(hashRule) {}

VirtualSky VirtualSky::BuiltIn() {
  VirtualSky sky;
  sky.hashRule_ = true;
  // Carriers that most plans share (VHF 2 and 7 of the Americas, Band I and III of Europe,
  // UHF 21), so every plan finds a station where users look first.
  sky.tv_ = {{55250000, "Aurora One", 440},
             {175250000, "Kanal Nord", 523, "de"},
             {471250000, "Cityvision", 587},
             {217250000, "Rivera TV", 659},
             {48250000, "Meridian", 698, "fr"}};
  sky.fm_ = {{88100000, "Radio Harbour", 330},  {94900000, "Classic 94.9", 392},
             {98100000, "Radio Meridian", 494}, {101700000, "Onda FM", 554},
             {104300000, "Nordwelle", 622},     {106500000, "City Beat", 740}};
  return sky;
}

std::optional<Station> VirtualSky::TvStationAt(uint32_t hz) const {
  if (auto s = Nearest(tv_, hz, kTvToleranceHz)) return s;
  if (!hashRule_ || hz < kTvMinHz - kTvToleranceHz || hz > kTvMaxHz + kTvToleranceHz)
    return std::nullopt;
  // The nearest grid carrier; the tolerance is smaller than half the grid, so at most one.
  uint32_t carrier = (hz + kGridHz / 2) / kGridHz * kGridHz;
  if (Distance(carrier, hz) > kTvToleranceHz) return std::nullopt;
  if (carrier < kTvMinHz || carrier > kTvMaxHz) return std::nullopt;
  if (Mix(carrier / kGridHz) % kHashDensity != 0) return std::nullopt;
  return HashStation(carrier);
}

std::optional<Station> VirtualSky::FmStationAt(uint32_t hz) const {
  return Nearest(fm_, hz, kFmToleranceHz);
}

}  // namespace vd
