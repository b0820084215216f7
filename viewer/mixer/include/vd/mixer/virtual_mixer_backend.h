// Sound cards in memory with the semantics of a real mixer: named destination and source
// lines, volume ranges, mute switches and a recording-source list. Serves the tests and
// machines without a sound card. It can change controls "from outside", as another
// program would, and make chosen calls fail.
#pragma once

#include <map>
#include <set>
#include <string_view>

#include "mixer_backend.h"

namespace vd {

class VirtualMixerBackend : public MixerBackend {
 public:
  struct LineSpec {
    std::string shortName;
    MixerComponent component = MixerComponent::kOther;
    bool hasVolume = true;
    int32_t minimum = 0;
    int32_t maximum = 0xFFFF;
    unsigned channels = 2;
    int32_t volume = 0xC000;  // every channel
    bool volumeDisabled = false;
    bool hasMute = true;
    bool muted = false;
  };
  struct DestinationSpec {
    LineSpec line;
    std::vector<LineSpec> sources;
    std::vector<std::string> recordingItems;  // a source list control when not empty
    size_t selectedItem = 0;
  };
  struct CardSpec {
    std::string productName;
    std::vector<DestinationSpec> destinations;
  };

  // The calls that can be made to fail.
  enum class Call {
    kProductName,
    kOpen,
    kClose,
    kLineOfComponent,
    kLineControl,
    kControl,
    kValues,
    kSetValues,
    kListItems,
    kSelectListItem
  };

  // A card as most machines have it: a "Volume Control" speakers destination with wave,
  // line-in, CD and microphone sources, and a "Recording Control" with its source list.
  static CardSpec TypicalCard(std::string productName);

  VirtualMixerBackend();
  ~VirtualMixerBackend() override;

  unsigned AddCard(CardSpec card);

  void FailCalls(Call call, bool fail = true);
  // Values and SetValues of this one control fail.
  void FailControl(MixerControlId id, bool fail = true);

  // Sets a control as another program would; the open mixer is told.
  bool ChangeFromOutside(unsigned card, std::string_view lineName, MixerControlKind kind,
                         std::vector<int32_t> values);
  // Looks at a control without going through the mixer (and without failing).
  std::optional<std::vector<int32_t>> Peek(unsigned card, std::string_view lineName,
                                           MixerControlKind kind) const;
  std::optional<MixerControlId> ControlIdOf(unsigned card, std::string_view lineName,
                                            MixerControlKind kind) const;
  std::optional<std::string> SelectedRecordingItem(unsigned card) const;
  std::optional<unsigned> OpenCard() const { return openCard_; }
  // The card goes away as an unplugged one does (its descriptor stays readable, its controls
  // fail, it cannot be opened), or comes back.
  void RemoveCard(unsigned card, bool removed = true);

  unsigned DeviceCount() override;
  std::optional<std::string> ProductName(unsigned index) override;
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
  bool CardLost() const override { return openCard_ && removed_.contains(*openCard_); }

 private:
  struct ControlState {
    MixerControl info;
    unsigned card = 0;
    std::vector<int32_t> values;
    std::vector<std::string> items;
  };
  struct LineState {
    MixerLine info;
    std::map<MixerControlKind, MixerControlId> controls;
  };
  struct DestinationState {
    LineState line;
    std::vector<LineState> sources;
  };
  struct CardState {
    std::string productName;
    std::vector<DestinationState> destinations;
  };

  bool Fails(Call call) const { return failing_.contains(call); }
  CardState* Current();
  const LineState* FindLine(const CardState& card, uint32_t lineId) const;
  const LineState* FindLineByName(const CardState& card, std::string_view name) const;
  LineState MakeLine(unsigned card, const LineSpec& spec, const std::vector<std::string>& items,
                     size_t selectedItem);
  MixerControlId AddControl(unsigned card, MixerControl info, std::vector<int32_t> values,
                            std::vector<std::string> items = {});
  void Notify(unsigned card, MixerControlId id);

  std::vector<CardState> cards_;
  std::map<MixerControlId, ControlState> controls_;
  MixerControlId nextControlId_ = kFirstMixerControlId;
  uint32_t nextLineId_ = 1;
  std::optional<unsigned> openCard_;
  MixerHandle handle_ = 0;
  MixerHandle nextHandle_ = 0x100;
  std::set<Call> failing_;
  std::set<unsigned> removed_;
  std::set<MixerControlId> failingControls_;
  std::vector<std::pair<MixerHandle, MixerControlId>> pending_;
  int eventFd_ = -1;
};

}  // namespace vd
