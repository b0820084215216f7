// The seam between CMixer and a sound system. Each back-end (ALSA, virtual) presents its
// cards in the destination/source/control model of mixer_types.h. One mixer is open at a
// time. All calls come from the UI thread.
#pragma once

#include <poll.h>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "mixer_types.h"

namespace vd {

// Control ids below this never name a control, so the placeholder ids CMixer starts with
// cannot reach a real control when a query fails.
inline constexpr MixerControlId kFirstMixerControlId = 0x1000;

class MixerBackend {
 public:
  using ChangeListener = std::function<void(MixerHandle, MixerControlId)>;

  virtual ~MixerBackend() = default;

  virtual unsigned DeviceCount() = 0;
  // The indexes that name a device, in order; a back-end whose numbering has gaps says so.
  virtual std::vector<unsigned> DeviceIndexes() {
    std::vector<unsigned> indexes(DeviceCount());
    for (unsigned i = 0; i < indexes.size(); ++i) indexes[i] = i;
    return indexes;
  }
  // The card's product name; nullopt when the index names no card.
  virtual std::optional<std::string> ProductName(unsigned index) = 0;
  // What tells this card from another one of the machine, kept across its going and coming
  // back; nullopt when the index names no card.
  virtual std::optional<std::string> DeviceKey(unsigned index) { return ProductName(index); }
  // Returns a non-zero handle, or 0 when the mixer cannot be opened.
  virtual MixerHandle Open(unsigned index) = 0;
  virtual bool Close() = 0;

  // The first line of the open mixer with this component type.
  virtual std::optional<MixerLine> LineOfComponent(MixerComponent component) = 0;
  virtual unsigned DestinationCount() = 0;
  virtual std::optional<MixerLine> Destination(unsigned index) = 0;
  virtual std::optional<MixerLine> Source(unsigned destination, unsigned index) = 0;

  virtual std::optional<MixerControl> LineControl(uint32_t lineId, MixerControlKind kind) = 0;
  virtual std::optional<MixerControl> Control(MixerControlId id) = 0;
  // One value per channel. Mute controls read 1 for muted.
  virtual std::optional<std::vector<int32_t>> Values(MixerControlId id) = 0;
  // One value per channel, or a single value for all channels.
  virtual bool SetValues(MixerControlId id, std::span<const int32_t> values) = 0;
  virtual std::optional<std::vector<std::string>> ListItems(MixerControlId id) = 0;
  // Selects one item of a source list, every other item off.
  virtual bool SelectListItem(MixerControlId id, size_t item) = 0;

  // Descriptors that become readable when a control may have changed. Every successful
  // SetValues and every outside change is reported exactly once through HandleEvents.
  virtual std::vector<pollfd> PollDescriptors() = 0;
  virtual void HandleEvents(const ChangeListener& listener) = 0;
  // The open mixer's card went away (unplugged, driver gone): its descriptors stay in error
  // and nothing but Close is of use.
  virtual bool CardLost() const { return false; }
};

}  // namespace vd
