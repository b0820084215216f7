#include "vd/mixer/virtual_mixer_backend.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

namespace vd {

VirtualMixerBackend::CardSpec VirtualMixerBackend::TypicalCard(std::string productName) {
  CardSpec card;
  card.productName = std::move(productName);
  DestinationSpec speakers;
  speakers.line = {.shortName = "Volume Control", .component = MixerComponent::kSpeakers};
  speakers.sources = {
      {.shortName = "Wave", .component = MixerComponent::kWaveOut},
      {.shortName = "Line In", .component = MixerComponent::kLine, .muted = true},
      {.shortName = "CD Audio", .component = MixerComponent::kOther},
      {.shortName = "Microphone", .component = MixerComponent::kOther, .muted = true},
  };
  DestinationSpec recording;
  recording.line = {.shortName = "Recording Control", .component = MixerComponent::kWaveIn};
  recording.recordingItems = {"Microphone", "CD Audio", "Line In", "Stereo Mix"};
  recording.selectedItem = 0;
  card.destinations = {speakers, recording};
  return card;
}

VirtualMixerBackend::VirtualMixerBackend() : eventFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

VirtualMixerBackend::~VirtualMixerBackend() {
  if (eventFd_ >= 0) close(eventFd_);
}

MixerControlId VirtualMixerBackend::AddControl(unsigned card, MixerControl info,
                                               std::vector<int32_t> values,
                                               std::vector<std::string> items) {
  info.id = nextControlId_++;
  controls_[info.id] = ControlState{info, card, std::move(values), std::move(items)};
  return info.id;
}

VirtualMixerBackend::LineState VirtualMixerBackend::MakeLine(unsigned card, const LineSpec& spec,
                                                             const std::vector<std::string>& items,
                                                             size_t selectedItem) {
  LineState line;
  line.info.id = nextLineId_++;
  line.info.shortName = spec.shortName;
  line.info.component = spec.component;
  line.info.hasMute = spec.hasMute;
  if (spec.hasVolume) {
    MixerControl volume{.kind = MixerControlKind::kVolume,
                        .minimum = spec.minimum,
                        .maximum = spec.maximum,
                        .channels = spec.channels,
                        .disabled = spec.volumeDisabled};
    line.controls[MixerControlKind::kVolume] =
        AddControl(card, volume, std::vector<int32_t>(spec.channels, spec.volume));
  }
  if (spec.hasMute) {
    MixerControl mute{.kind = MixerControlKind::kMute, .minimum = 0, .maximum = 1};
    line.controls[MixerControlKind::kMute] = AddControl(card, mute, {spec.muted ? 1 : 0});
  }
  if (!items.empty()) {
    MixerControl list{.kind = MixerControlKind::kSourceList, .minimum = 0, .maximum = 1};
    std::vector<int32_t> selected(items.size(), 0);
    if (selectedItem < items.size()) selected[selectedItem] = 1;
    line.controls[MixerControlKind::kSourceList] = AddControl(card, list, selected, items);
  }
  return line;
}

unsigned VirtualMixerBackend::AddCard(CardSpec spec) {
  const auto index = static_cast<unsigned>(cards_.size());
  CardState card;
  card.productName = spec.productName;
  for (const auto& d : spec.destinations) {
    DestinationState destination;
    destination.line = MakeLine(index, d.line, d.recordingItems, d.selectedItem);
    for (const auto& s : d.sources) destination.sources.push_back(MakeLine(index, s, {}, 0));
    destination.line.info.connections = static_cast<unsigned>(destination.sources.size());
    card.destinations.push_back(std::move(destination));
  }
  cards_.push_back(std::move(card));
  return index;
}

void VirtualMixerBackend::FailCalls(Call call, bool fail) {
  if (fail) {
    failing_.insert(call);
  } else {
    failing_.erase(call);
  }
}

void VirtualMixerBackend::FailControl(MixerControlId id, bool fail) {
  if (fail) {
    failingControls_.insert(id);
  } else {
    failingControls_.erase(id);
  }
}

VirtualMixerBackend::CardState* VirtualMixerBackend::Current() {
  return openCard_ ? &cards_[*openCard_] : nullptr;
}

const VirtualMixerBackend::LineState* VirtualMixerBackend::FindLine(const CardState& card,
                                                                    uint32_t lineId) const {
  for (const auto& d : card.destinations) {
    if (d.line.info.id == lineId) return &d.line;
    for (const auto& s : d.sources) {
      if (s.info.id == lineId) return &s;
    }
  }
  return nullptr;
}

const VirtualMixerBackend::LineState* VirtualMixerBackend::FindLineByName(
    const CardState& card, std::string_view name) const {
  for (const auto& d : card.destinations) {
    if (d.line.info.shortName == name) return &d.line;
    for (const auto& s : d.sources) {
      if (s.info.shortName == name) return &s;
    }
  }
  return nullptr;
}

std::optional<MixerControlId> VirtualMixerBackend::ControlIdOf(unsigned card,
                                                               std::string_view lineName,
                                                               MixerControlKind kind) const {
  if (card >= cards_.size()) return std::nullopt;
  const LineState* line = FindLineByName(cards_[card], lineName);
  if (line == nullptr) return std::nullopt;
  const auto it = line->controls.find(kind);
  if (it == line->controls.end()) return std::nullopt;
  return it->second;
}

bool VirtualMixerBackend::ChangeFromOutside(unsigned card, std::string_view lineName,
                                            MixerControlKind kind, std::vector<int32_t> values) {
  const auto id = ControlIdOf(card, lineName, kind);
  if (!id) return false;
  ControlState& control = controls_[*id];
  if (values.size() != control.values.size()) return false;
  control.values = std::move(values);
  Notify(card, *id);
  return true;
}

std::optional<std::vector<int32_t>> VirtualMixerBackend::Peek(unsigned card,
                                                              std::string_view lineName,
                                                              MixerControlKind kind) const {
  const auto id = ControlIdOf(card, lineName, kind);
  if (!id) return std::nullopt;
  return controls_.at(*id).values;
}

std::optional<std::string> VirtualMixerBackend::SelectedRecordingItem(unsigned card) const {
  if (card >= cards_.size()) return std::nullopt;
  for (const auto& d : cards_[card].destinations) {
    const auto it = d.line.controls.find(MixerControlKind::kSourceList);
    if (it == d.line.controls.end()) continue;
    const ControlState& list = controls_.at(it->second);
    for (size_t i = 0; i < list.values.size(); ++i) {
      if (list.values[i] != 0) return list.items[i];
    }
  }
  return std::nullopt;
}

void VirtualMixerBackend::Notify(unsigned card, MixerControlId id) {
  if (!openCard_ || *openCard_ != card) return;
  pending_.emplace_back(handle_, id);
  if (eventFd_ >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(eventFd_, &one, sizeof one);
  }
}

unsigned VirtualMixerBackend::DeviceCount() {
  return static_cast<unsigned>(cards_.size());
}

std::optional<std::string> VirtualMixerBackend::ProductName(unsigned index) {
  if (Fails(Call::kProductName) || index >= cards_.size()) return std::nullopt;
  return cards_[index].productName;
}

void VirtualMixerBackend::RemoveCard(unsigned card, bool removed) {
  if (removed) {
    removed_.insert(card);
  } else {
    removed_.erase(card);
  }
  if (removed && openCard_ == card && eventFd_ >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t put = write(eventFd_, &one, sizeof one);
  }
}

MixerHandle VirtualMixerBackend::Open(unsigned index) {
  if (Fails(Call::kOpen) || index >= cards_.size() || openCard_ || removed_.contains(index))
    return 0;
  openCard_ = index;
  handle_ = nextHandle_++;
  return handle_;
}

bool VirtualMixerBackend::Close() {
  if (!openCard_) return false;
  // Even a failing close lets go of the card, as a driver that refuses to close would
  // still not deliver further notifications to a handle the caller has given up.
  openCard_.reset();
  handle_ = 0;
  pending_.clear();
  return !Fails(Call::kClose);
}

std::optional<MixerLine> VirtualMixerBackend::LineOfComponent(MixerComponent component) {
  CardState* card = Current();
  if (card == nullptr || Fails(Call::kLineOfComponent)) return std::nullopt;
  for (const auto& d : card->destinations) {
    if (d.line.info.component == component) return d.line.info;
  }
  for (const auto& d : card->destinations) {
    for (const auto& s : d.sources) {
      if (s.info.component == component) return s.info;
    }
  }
  return std::nullopt;
}

unsigned VirtualMixerBackend::DestinationCount() {
  CardState* card = Current();
  return card == nullptr ? 0 : static_cast<unsigned>(card->destinations.size());
}

std::optional<MixerLine> VirtualMixerBackend::Destination(unsigned index) {
  CardState* card = Current();
  if (card == nullptr || index >= card->destinations.size()) return std::nullopt;
  return card->destinations[index].line.info;
}

std::optional<MixerLine> VirtualMixerBackend::Source(unsigned destination, unsigned index) {
  CardState* card = Current();
  if (card == nullptr || destination >= card->destinations.size()) return std::nullopt;
  const auto& sources = card->destinations[destination].sources;
  if (index >= sources.size()) return std::nullopt;
  return sources[index].info;
}

std::optional<MixerControl> VirtualMixerBackend::LineControl(uint32_t lineId,
                                                             MixerControlKind kind) {
  CardState* card = Current();
  if (card == nullptr || Fails(Call::kLineControl)) return std::nullopt;
  const LineState* line = FindLine(*card, lineId);
  if (line == nullptr) return std::nullopt;
  const auto it = line->controls.find(kind);
  if (it == line->controls.end()) return std::nullopt;
  return controls_.at(it->second).info;
}

std::optional<MixerControl> VirtualMixerBackend::Control(MixerControlId id) {
  const auto it = controls_.find(id);
  if (!openCard_ || Fails(Call::kControl) || it == controls_.end() ||
      it->second.card != *openCard_) {
    return std::nullopt;
  }
  return it->second.info;
}

std::optional<std::vector<int32_t>> VirtualMixerBackend::Values(MixerControlId id) {
  const auto it = controls_.find(id);
  if (!openCard_ || CardLost() || Fails(Call::kValues) || failingControls_.contains(id) ||
      it == controls_.end() || it->second.card != *openCard_) {
    return std::nullopt;
  }
  return it->second.values;
}

bool VirtualMixerBackend::SetValues(MixerControlId id, std::span<const int32_t> values) {
  const auto it = controls_.find(id);
  if (!openCard_ || CardLost() || Fails(Call::kSetValues) || failingControls_.contains(id) ||
      it == controls_.end() || it->second.card != *openCard_) {
    return false;
  }
  ControlState& control = it->second;
  if (control.info.kind == MixerControlKind::kSourceList) return false;
  if (values.size() != 1 && values.size() != control.values.size()) return false;
  for (int32_t v : values) {
    if (v < control.info.minimum || v > control.info.maximum) return false;
  }
  for (size_t i = 0; i < control.values.size(); ++i) {
    control.values[i] = values.size() == 1 ? values[0] : values[i];
  }
  Notify(control.card, id);
  return true;
}

std::optional<std::vector<std::string>> VirtualMixerBackend::ListItems(MixerControlId id) {
  const auto it = controls_.find(id);
  if (!openCard_ || Fails(Call::kListItems) || it == controls_.end() ||
      it->second.card != *openCard_ || it->second.info.kind != MixerControlKind::kSourceList) {
    return std::nullopt;
  }
  return it->second.items;
}

bool VirtualMixerBackend::SelectListItem(MixerControlId id, size_t item) {
  const auto it = controls_.find(id);
  if (!openCard_ || Fails(Call::kSelectListItem) || it == controls_.end() ||
      it->second.card != *openCard_ || it->second.info.kind != MixerControlKind::kSourceList ||
      item >= it->second.items.size()) {
    return false;
  }
  auto& values = it->second.values;
  std::fill(values.begin(), values.end(), 0);
  values[item] = 1;
  Notify(it->second.card, id);
  return true;
}

std::vector<pollfd> VirtualMixerBackend::PollDescriptors() {
  if (eventFd_ < 0) return {};
  return {pollfd{eventFd_, POLLIN, 0}};
}

void VirtualMixerBackend::HandleEvents(const ChangeListener& listener) {
  // A lost card's descriptor stays readable, as a device in error does.
  if (CardLost()) return;
  if (eventFd_ >= 0) {
    uint64_t count = 0;
    [[maybe_unused]] ssize_t got = read(eventFd_, &count, sizeof count);
  }
  // Changes a listener makes are queued for the next round, as a real driver would.
  auto batch = std::move(pending_);
  pending_.clear();
  for (const auto& [handle, id] : batch) listener(handle, id);
}

}  // namespace vd
