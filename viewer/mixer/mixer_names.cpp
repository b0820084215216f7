#include "vd/mixer/mixer_names.h"

#include <algorithm>

namespace vd::mixer_names {

namespace {

constexpr std::array<std::string_view, 1> kMasterElements = {"MASTER"};
constexpr std::array<std::string_view, 2> kCaptureSourceElements = {"CAPTURE SOURCE",
                                                                    "INPUT SOURCE"};
constexpr std::array<std::string_view, 1> kPcmElements = {"PCM"};
constexpr std::array<std::string_view, 1> kLineElements = {"LINE"};
constexpr std::array<std::string_view, 1> kAuxElements = {"AUX"};

constexpr std::array<ComponentNames, 5> kTable = {{
    {MixerComponent::kSpeakers, kMasterElements, {}},
    {MixerComponent::kWaveIn, kCaptureSourceElements, {}},
    {MixerComponent::kWaveOut, kPcmElements, kWaveNames},
    {MixerComponent::kLine, kLineElements, kLineNames},
    {MixerComponent::kAuxiliary, kAuxElements, kAuxNames},
}};

const ComponentNames* Row(MixerComponent component) {
  for (const auto& row : kTable) {
    if (row.component == component) return &row;
  }
  return nullptr;
}

}  // namespace

std::span<const ComponentNames> ComponentTable() {
  return kTable;
}

// ASCII only: the names are the kernel's and the cards', and the user's locale must not
// change them (a Turkish one upper-cases "i" to a dotted capital I).
std::string ToUpper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  });
  return upper;
}

bool NameIsOneOf(std::string_view name, std::span<const std::string_view> wanted) {
  const std::string upper = ToUpper(name);
  return std::find(wanted.begin(), wanted.end(), upper) != wanted.end();
}

std::optional<size_t> FindByName(std::span<const std::string> names,
                                 std::span<const std::string_view> wanted) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (NameIsOneOf(names[i], wanted)) return i;
  }
  return std::nullopt;
}

std::optional<size_t> FindRecordingItem(std::span<const std::string> items,
                                        std::string_view controlledInput) {
  if (!controlledInput.empty()) {
    const std::string upper = ToUpper(controlledInput);
    const std::array<std::string_view, 1> controlled = {upper};
    if (auto found = FindByName(items, controlled)) return found;
  }
  return FindByName(items, kRecordingNames);
}

size_t PickDestination(std::span<const std::string> names) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (ToUpper(names[i]).starts_with(kVolumeDestinationPrefix)) return i;
  }
  return 0;
}

std::optional<size_t> FindAlsaElement(MixerComponent component,
                                      std::span<const std::string> elementNames) {
  const ComponentNames* row = Row(component);
  if (row == nullptr) return std::nullopt;
  return FindByName(elementNames, row->alsaElements);
}

std::span<const std::string_view> ShortNames(MixerComponent component) {
  const ComponentNames* row = Row(component);
  return row == nullptr ? std::span<const std::string_view>{} : row->shortNames;
}

}  // namespace vd::mixer_names
