// The sound card's mixer through ALSA's simple mixer API. Mixer index N is card hw:N; the
// element layout is AlsaMixerLayout's. Change notifications come through the mixer's poll
// descriptors; HandleEvents compares each element with what was last seen, so only real
// changes are reported, and reports every own write once, whether or not the driver sends
// an event for it.
#pragma once

#include <memory>
#include <set>

#include "alsa_mixer_layout.h"
#include "mixer_backend.h"

struct _snd_mixer;
struct _snd_mixer_elem;

namespace vd {

class AlsaMixerBackend : public MixerBackend {
 public:
  // A control device named in the ALSA configuration, standing in for the machine's cards.
  struct Device {
    std::string ctlName;
    std::string productName;
  };

  // The machine's cards: mixer index N is hw:N.
  AlsaMixerBackend();
  explicit AlsaMixerBackend(std::vector<Device> devices);
  ~AlsaMixerBackend() override;
  AlsaMixerBackend(const AlsaMixerBackend&) = delete;
  AlsaMixerBackend& operator=(const AlsaMixerBackend&) = delete;

  // The layout of the open card, for listing.
  const AlsaMixerLayout& Layout() const { return layout_; }
  std::optional<std::vector<std::string>> EnumItems(size_t element) const;

  unsigned DeviceCount() override;
  // The machine's card numbers: a card unplugged or never loaded leaves its number unused.
  std::vector<unsigned> DeviceIndexes() override;
  std::optional<std::string> ProductName(unsigned index) override;
  // The card's id (unique on the machine, and a replugged card gets its own back) and name.
  std::optional<std::string> DeviceKey(unsigned index) override;
  MixerHandle Open(unsigned index) override;
  bool Close() override;
  std::optional<MixerLine> LineOfComponent(MixerComponent component) override;
  unsigned DestinationCount() override;
  std::optional<MixerLine> Destination(unsigned index) override;
  std::optional<MixerLine> Source(unsigned destination, unsigned index) override;
  std::optional<MixerControl> LineControl(uint32_t lineId, MixerControlKind kind) override;
  std::optional<MixerControl> Control(MixerControlId id) override;
  std::optional<std::vector<int32_t>> Values(MixerControlId id) override;
  bool SetValues(MixerControlId id, std::span<const int32_t> values) override;
  std::optional<std::vector<std::string>> ListItems(MixerControlId id) override;
  bool SelectListItem(MixerControlId id, size_t item) override;
  std::vector<pollfd> PollDescriptors() override;
  void HandleEvents(const ChangeListener& listener) override;
  bool CardLost() const override { return mixer_ != nullptr && gone_; }

 private:
  struct Seen {
    std::optional<std::vector<int32_t>> volume;
    std::optional<std::vector<int32_t>> mute;
    std::optional<std::vector<int32_t>> list;
  };

  static int OnElementEvent(_snd_mixer_elem* elem, unsigned int mask);
  _snd_mixer_elem* Element(MixerControlId id, MixerControlKind* kind) const;
  std::optional<std::vector<int32_t>> Read(size_t element, MixerControlKind kind) const;
  Seen ReadAll(size_t element) const;
  void Remember(size_t element);
  bool IsGroupList(MixerControlId id) const;
  std::optional<std::vector<int32_t>> ReadGroup() const;

  std::optional<std::vector<Device>> devices_;
  _snd_mixer* mixer_ = nullptr;
  std::vector<_snd_mixer_elem*> elements_;
  std::vector<Seen> seen_;
  std::optional<std::vector<int32_t>> seenGroup_;
  AlsaMixerLayout layout_;
  MixerHandle handle_ = 0;
  MixerHandle nextHandle_ = 1;
  bool gone_ = false;
  std::vector<MixerControlId> ownWrites_;
};

}  // namespace vd
