#include "vd/mixer/alsa_mixer_layout.h"

#include "vd/mixer/mixer_backend.h"
#include "vd/mixer/mixer_names.h"

namespace vd {

namespace {

constexpr uint32_t kLineIdShift = 16;
constexpr MixerControlId kControlsPerElement = 4;

constexpr MixerComponent kSourceComponents[] = {MixerComponent::kWaveOut, MixerComponent::kLine,
                                                MixerComponent::kAuxiliary};

unsigned KindSlot(MixerControlKind kind) {
  switch (kind) {
    case MixerControlKind::kVolume:
      return 0;
    case MixerControlKind::kMute:
      return 1;
    case MixerControlKind::kSourceList:
      return 2;
  }
  return 3;
}

}  // namespace

AlsaMixerLayout::AlsaMixerLayout(std::vector<AlsaElementInfo> elements)
    : elements_(std::move(elements)) {
  std::vector<std::string> names;
  for (const auto& e : elements_) names.push_back(e.name);

  AddPlayback(names);
  AddRecording(names);
  NumberLines();
}

void AlsaMixerLayout::AddPlayback(const std::vector<std::string>& names) {
  DestinationLines playback;
  playback.line.element = mixer_names::FindAlsaElement(MixerComponent::kSpeakers, names);
  playback.line.info.component = MixerComponent::kSpeakers;
  playback.line.info.shortName =
      playback.line.element ? elements_[*playback.line.element].name : "Playback";
  if (playback.line.element) {
    playback.line.info.hasMute = elements_[*playback.line.element].playbackSwitch;
  }
  for (size_t i = 0; i < elements_.size(); ++i) {
    const auto& e = elements_[i];
    if (i == playback.line.element || e.enumerated) continue;
    if (!e.playbackVolume && !e.playbackSwitch) continue;
    Line source;
    source.element = i;
    source.info.shortName = e.name;
    source.info.hasMute = e.playbackSwitch;
    playback.sources.push_back(source);
  }
  // Only the first element standing for a component type is of that type.
  for (MixerComponent component : kSourceComponents) {
    std::vector<std::string> sourceNames;
    for (const auto& s : playback.sources) sourceNames.push_back(s.info.shortName);
    const auto found = mixer_names::FindAlsaElement(component, sourceNames);
    if (found) playback.sources[*found].info.component = component;
  }
  playback.line.info.connections = static_cast<unsigned>(playback.sources.size());
  destinations_.push_back(std::move(playback));
}

void AlsaMixerLayout::AddRecording(const std::vector<std::string>& names) {
  auto captureSource = mixer_names::FindAlsaElement(MixerComponent::kWaveIn, names);
  if (captureSource && !elements_[*captureSource].enumerated) captureSource.reset();
  if (!captureSource) {
    for (size_t i = 0; i < elements_.size(); ++i) {
      if (elements_[i].captureExclusive) captureGroup_.push_back(i);
    }
    // Older cards give each input a capture switch of its own, a multiple choice. "Capture"
    // switches recording as a whole: it is no input, and turning it off would record nothing.
    if (captureGroup_.empty()) {
      for (size_t i = 0; i < elements_.size(); ++i) {
        if (elements_[i].captureSwitch && mixer_names::ToUpper(elements_[i].name) != "CAPTURE") {
          captureGroup_.push_back(i);
        }
      }
      captureGroupExclusive_ = false;
    }
    if (!captureGroup_.empty()) captureSource = elements_.size();
  }
  if (captureSource) {
    DestinationLines recording;
    recording.line.element = captureSource;
    recording.line.info.component = MixerComponent::kWaveIn;
    recording.line.info.shortName = "Capture";
    destinations_.push_back(std::move(recording));
  }
}

void AlsaMixerLayout::NumberLines() {
  for (size_t d = 0; d < destinations_.size(); ++d) {
    destinations_[d].line.info.id = static_cast<uint32_t>(d + 1) << kLineIdShift;
    for (size_t s = 0; s < destinations_[d].sources.size(); ++s) {
      destinations_[d].sources[s].info.id = destinations_[d].line.info.id | (s + 1);
    }
  }
}

std::optional<MixerLine> AlsaMixerLayout::Destination(unsigned index) const {
  if (index >= destinations_.size()) return std::nullopt;
  return destinations_[index].line.info;
}

std::optional<MixerLine> AlsaMixerLayout::Source(unsigned destination, unsigned index) const {
  if (destination >= destinations_.size()) return std::nullopt;
  const auto& sources = destinations_[destination].sources;
  if (index >= sources.size()) return std::nullopt;
  return sources[index].info;
}

std::optional<MixerLine> AlsaMixerLayout::LineOfComponent(MixerComponent component) const {
  if (component == MixerComponent::kOther) return std::nullopt;
  for (const auto& d : destinations_) {
    if (d.line.info.component == component) return d.line.info;
    for (const auto& s : d.sources) {
      if (s.info.component == component) return s.info;
    }
  }
  return std::nullopt;
}

const AlsaMixerLayout::Line* AlsaMixerLayout::FindLine(uint32_t lineId) const {
  for (const auto& d : destinations_) {
    if (d.line.info.id == lineId) return &d.line;
    for (const auto& s : d.sources) {
      if (s.info.id == lineId) return &s;
    }
  }
  return nullptr;
}

MixerControlId AlsaMixerLayout::ControlIdOf(size_t element, MixerControlKind kind) {
  return kFirstMixerControlId + static_cast<MixerControlId>(element) * kControlsPerElement +
         KindSlot(kind);
}

std::optional<MixerControl> AlsaMixerLayout::MakeControl(size_t element,
                                                         MixerControlKind kind) const {
  if (element == elements_.size()) {
    if (captureGroup_.empty() || kind != MixerControlKind::kSourceList) return std::nullopt;
    return MixerControl{.id = ControlIdOf(element, kind), .kind = kind, .maximum = 1};
  }
  const auto& e = elements_[element];
  MixerControl control;
  control.id = ControlIdOf(element, kind);
  control.kind = kind;
  control.disabled = !e.active;
  switch (kind) {
    case MixerControlKind::kVolume:
      if (!e.playbackVolume || e.minimum > e.maximum) return std::nullopt;
      control.minimum = e.minimum;
      control.maximum = e.maximum;
      control.channels = e.channels;
      return control;
    case MixerControlKind::kMute:
      if (!e.playbackSwitch) return std::nullopt;
      control.maximum = 1;
      return control;
    case MixerControlKind::kSourceList:
      if (!e.enumerated) return std::nullopt;
      control.maximum = 1;
      return control;
  }
  return std::nullopt;
}

std::optional<MixerControl> AlsaMixerLayout::LineControl(uint32_t lineId,
                                                         MixerControlKind kind) const {
  const Line* line = FindLine(lineId);
  if (line == nullptr || !line->element) return std::nullopt;
  return MakeControl(*line->element, kind);
}

std::optional<AlsaMixerLayout::ControlRef> AlsaMixerLayout::Resolve(MixerControlId id) const {
  if (id < kFirstMixerControlId) return std::nullopt;
  const MixerControlId offset = id - kFirstMixerControlId;
  const size_t element = offset / kControlsPerElement;
  if (element > elements_.size()) return std::nullopt;
  static constexpr MixerControlKind kKinds[] = {MixerControlKind::kVolume, MixerControlKind::kMute,
                                                MixerControlKind::kSourceList};
  const MixerControlId slot = offset % kControlsPerElement;
  if (slot >= std::size(kKinds)) return std::nullopt;
  if (!MakeControl(element, kKinds[slot])) return std::nullopt;
  return ControlRef{element, kKinds[slot]};
}

std::optional<MixerControl> AlsaMixerLayout::Control(MixerControlId id) const {
  const auto ref = Resolve(id);
  if (!ref) return std::nullopt;
  return MakeControl(ref->element, ref->kind);
}

}  // namespace vd
