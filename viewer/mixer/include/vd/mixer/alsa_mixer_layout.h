// How an ALSA card's simple-mixer elements appear as mixer lines, worked out from the element
// names and capabilities alone so that it can be checked without a sound card.
//
// Destination 0 is the playback side: its own controls are those of "Master", its sources
// every other element with a playback volume or switch. Destination 1 is the recording side,
// present when the card has a way to choose what to record from: an enumerated "Capture
// Source" / "Input Source" element, or else the group of elements with exclusive capture
// switches (ALSA's simple mixer turns a driver's "Capture Source" enumeration into such a
// group, one switch per input), or else the capture switches each input has of its own.
// Element names stand for component types as mixer_names.h lists them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mixer_types.h"

namespace vd {

struct AlsaElementInfo {
  std::string name;
  bool playbackVolume = false;
  bool playbackSwitch = false;
  bool enumerated = false;
  bool captureExclusive = false;  // one of a group of capture switches of which one is on
  bool captureSwitch = false;
  bool active = true;
  int32_t minimum = 0;
  int32_t maximum = 0;
  unsigned channels = 1;
};

class AlsaMixerLayout {
 public:
  struct ControlRef {
    size_t element;
    MixerControlKind kind;
  };

  AlsaMixerLayout() = default;
  explicit AlsaMixerLayout(std::vector<AlsaElementInfo> elements);

  unsigned DestinationCount() const { return static_cast<unsigned>(destinations_.size()); }
  std::optional<MixerLine> Destination(unsigned index) const;
  std::optional<MixerLine> Source(unsigned destination, unsigned index) const;
  std::optional<MixerLine> LineOfComponent(MixerComponent component) const;
  std::optional<MixerControl> LineControl(uint32_t lineId, MixerControlKind kind) const;
  std::optional<MixerControl> Control(MixerControlId id) const;
  std::optional<ControlRef> Resolve(MixerControlId id) const;

  static MixerControlId ControlIdOf(size_t element, MixerControlKind kind);
  const std::vector<AlsaElementInfo>& Elements() const { return elements_; }
  // The elements whose capture switches form the recording list, when that list is a group
  // rather than one enumerated element; its list control resolves to element Elements().size().
  const std::vector<size_t>& CaptureGroup() const { return captureGroup_; }
  // Whether the card keeps one switch of the group on by itself; otherwise selecting an item
  // has to turn the others off.
  bool CaptureGroupExclusive() const { return captureGroupExclusive_; }

 private:
  struct Line {
    MixerLine info;
    std::optional<size_t> element;
  };
  struct DestinationLines {
    Line line;
    std::vector<Line> sources;
  };

  // The constructor's steps, in this order; `names` are the elements' names.
  void AddPlayback(const std::vector<std::string>& names);
  // A recording destination only where the card has a capture source or group.
  void AddRecording(const std::vector<std::string>& names);
  // Each destination's id, and its sources' ids under it.
  void NumberLines();
  const Line* FindLine(uint32_t lineId) const;
  std::optional<MixerControl> MakeControl(size_t element, MixerControlKind kind) const;

  std::vector<AlsaElementInfo> elements_;
  std::vector<DestinationLines> destinations_;
  std::vector<size_t> captureGroup_;
  bool captureGroupExclusive_ = true;
};

}  // namespace vd
