#include "alsa_mixer_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "fake_mixer_host.h"
#include "mixer.h"
#include "mixer_backend.h"
#include "mixer_names.h"

namespace {

using vd::AlsaElementInfo;
using vd::AlsaMixerLayout;
using vd::MixerComponent;
using vd::MixerControlKind;

AlsaElementInfo Playback(std::string name, int32_t maximum = 31, bool withSwitch = true) {
  return {.name = std::move(name),
          .playbackVolume = true,
          .playbackSwitch = withSwitch,
          .maximum = maximum,
          .channels = 2};
}
AlsaElementInfo CaptureOnly(std::string name) {
  return {.name = std::move(name)};
}
AlsaElementInfo Enumerated(std::string name) {
  return {.name = std::move(name), .enumerated = true};
}

// The elements of a common on-board codec.
std::vector<AlsaElementInfo> OnBoardCard() {
  return {Playback("Master", 87), Playback("Headphone"),  Playback("PCM", 255, false),
          Playback("Front"),      Playback("Line"),       Playback("CD"),
          Playback("Mic"),        CaptureOnly("Capture"), Enumerated("Capture Source")};
}

std::vector<std::string> SourceNames(const AlsaMixerLayout& layout, unsigned destination) {
  std::vector<std::string> names;
  const auto line = layout.Destination(destination);
  for (unsigned i = 0; line && i < line->connections; ++i) {
    names.push_back(layout.Source(destination, i)->shortName);
  }
  return names;
}

TEST(AlsaMixerLayout, MasterIsThePlaybackDestinationWithEveryOtherPlaybackElementBelowIt) {
  const AlsaMixerLayout layout(OnBoardCard());
  ASSERT_EQ(layout.DestinationCount(), 2u);
  const auto speakers = layout.LineOfComponent(MixerComponent::kSpeakers);
  ASSERT_TRUE(speakers);
  EXPECT_EQ(speakers->shortName, "Master");
  EXPECT_EQ(speakers->id, layout.Destination(0)->id);
  const std::vector<std::string> want = {"Headphone", "PCM", "Front", "Line", "CD", "Mic"};
  EXPECT_EQ(SourceNames(layout, 0), want);

  const auto volume = layout.LineControl(speakers->id, MixerControlKind::kVolume);
  ASSERT_TRUE(volume);
  EXPECT_EQ(volume->maximum, 87);
  EXPECT_EQ(volume->channels, 2u);
  EXPECT_TRUE(layout.LineControl(speakers->id, MixerControlKind::kMute));
}

TEST(AlsaMixerLayout, PcmIsTheWaveSourceAndLineTheLineSource) {
  const AlsaMixerLayout layout(OnBoardCard());
  const auto wave = layout.LineOfComponent(MixerComponent::kWaveOut);
  ASSERT_TRUE(wave);
  EXPECT_EQ(wave->shortName, "PCM");
  EXPECT_EQ(layout.LineControl(wave->id, MixerControlKind::kVolume)->maximum, 255);
  // PCM has no switch on this codec: the wave set has no mute control.
  EXPECT_FALSE(wave->hasMute);
  EXPECT_FALSE(layout.LineControl(wave->id, MixerControlKind::kMute));
  const auto line = layout.LineOfComponent(MixerComponent::kLine);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->shortName, "Line");
  EXPECT_FALSE(layout.LineOfComponent(MixerComponent::kAuxiliary));
}

TEST(AlsaMixerLayout, CaptureSourceEnumerationIsTheRecordingList) {
  const AlsaMixerLayout layout(OnBoardCard());
  const auto waveIn = layout.LineOfComponent(MixerComponent::kWaveIn);
  ASSERT_TRUE(waveIn);
  EXPECT_EQ(waveIn->connections, 0u);
  const auto list = layout.LineControl(waveIn->id, MixerControlKind::kSourceList);
  ASSERT_TRUE(list);
  const auto ref = layout.Resolve(list->id);
  ASSERT_TRUE(ref);
  EXPECT_EQ(layout.Elements()[ref->element].name, "Capture Source");
  EXPECT_FALSE(layout.LineControl(waveIn->id, MixerControlKind::kVolume));
}

TEST(AlsaMixerLayout, InputSourceServesWhenThereIsNoCaptureSource) {
  const AlsaMixerLayout layout({Playback("Master"), Playback("Aux"), Enumerated("Input Source")});
  const auto aux = layout.LineOfComponent(MixerComponent::kAuxiliary);
  ASSERT_TRUE(aux);
  EXPECT_EQ(aux->shortName, "Aux");
  EXPECT_FALSE(layout.LineOfComponent(MixerComponent::kLine));
  EXPECT_TRUE(layout.LineOfComponent(MixerComponent::kWaveIn));
}

TEST(AlsaMixerLayout, ACaptureSourceThatIsNotAnEnumerationGivesNoRecordingSide) {
  const AlsaMixerLayout layout({Playback("Master"), CaptureOnly("Capture Source")});
  EXPECT_EQ(layout.DestinationCount(), 1u);
  EXPECT_FALSE(layout.LineOfComponent(MixerComponent::kWaveIn));
}

TEST(AlsaMixerLayout, OtherSpellingsAreLeftToTheShortNameSearch) {
  const AlsaMixerLayout layout({Playback("Master"), Playback("Line In"), Playback("AUXILLIARY")});
  EXPECT_FALSE(layout.LineOfComponent(MixerComponent::kLine));
  EXPECT_FALSE(layout.LineOfComponent(MixerComponent::kAuxiliary));
  const auto sources = SourceNames(layout, 0);
  EXPECT_EQ(vd::mixer_names::FindByName(sources, vd::mixer_names::kLineNames), 0u);
  EXPECT_EQ(vd::mixer_names::FindByName(sources, vd::mixer_names::kAuxNames), 1u);
}

TEST(AlsaMixerLayout, OnlyTheFirstElementOfAKindGetsItsType) {
  const AlsaMixerLayout layout({Playback("Master"), Playback("PCM"), Playback("pcm")});
  const auto first = layout.Source(0, 0);
  const auto second = layout.Source(0, 1);
  EXPECT_EQ(first->component, MixerComponent::kWaveOut);
  EXPECT_EQ(second->component, MixerComponent::kOther);
  EXPECT_EQ(layout.LineOfComponent(MixerComponent::kWaveOut)->id, first->id);
}

TEST(AlsaMixerLayout, CardWithoutMasterHasAPlaybackDestinationWithoutControls) {
  const AlsaMixerLayout layout({Playback("PCM"), Playback("Speaker")});
  const auto speakers = layout.LineOfComponent(MixerComponent::kSpeakers);
  ASSERT_TRUE(speakers);
  EXPECT_EQ(speakers->shortName, "Playback");
  EXPECT_FALSE(layout.LineControl(speakers->id, MixerControlKind::kVolume));
  EXPECT_EQ(SourceNames(layout, 0), (std::vector<std::string>{"PCM", "Speaker"}));
}

TEST(AlsaMixerLayout, ControlIdsAreDistinctResolveBackAndNeverSmall) {
  const AlsaMixerLayout layout(OnBoardCard());
  std::set<vd::MixerControlId> seen;
  for (size_t e = 0; e < layout.Elements().size(); ++e) {
    for (auto kind :
         {MixerControlKind::kVolume, MixerControlKind::kMute, MixerControlKind::kSourceList}) {
      const auto id = AlsaMixerLayout::ControlIdOf(e, kind);
      EXPECT_GE(id, vd::kFirstMixerControlId);
      EXPECT_TRUE(seen.insert(id).second);
      const auto ref = layout.Resolve(id);
      if (!ref) continue;
      EXPECT_EQ(ref->element, e);
      EXPECT_EQ(ref->kind, kind);
    }
  }
  // The capture-only element and the enumeration have no playback controls.
  EXPECT_FALSE(layout.Resolve(AlsaMixerLayout::ControlIdOf(7, MixerControlKind::kVolume)));
  EXPECT_FALSE(layout.Resolve(AlsaMixerLayout::ControlIdOf(8, MixerControlKind::kMute)));
  for (vd::MixerControlId placeholder : {1u, 4u, 8u, 11u}) {
    EXPECT_FALSE(layout.Resolve(placeholder));
  }
  EXPECT_FALSE(layout.Resolve(AlsaMixerLayout::ControlIdOf(99, MixerControlKind::kVolume)));
}

TEST(AlsaMixerLayout, InactiveElementsGiveDisabledControls) {
  auto elements = OnBoardCard();
  elements[4].active = false;  // Line
  const AlsaMixerLayout layout(elements);
  const auto line = layout.LineOfComponent(MixerComponent::kLine);
  EXPECT_TRUE(layout.LineControl(line->id, MixerControlKind::kVolume)->disabled);
  const auto master = layout.LineOfComponent(MixerComponent::kSpeakers);
  EXPECT_FALSE(layout.LineControl(master->id, MixerControlKind::kVolume)->disabled);
}

// The layout with in-memory element values, so that CMixer runs over an ALSA card's element
// table exactly as it would over the card.
class LayoutBackend : public vd::MixerBackend {
 public:
  LayoutBackend(std::vector<AlsaElementInfo> elements, std::vector<std::string> captureItems)
      : layout_(std::move(elements)), captureItems_(std::move(captureItems)) {
    for (size_t e = 0; e < layout_.Elements().size(); ++e) {
      const auto& info = layout_.Elements()[e];
      values_[AlsaMixerLayout::ControlIdOf(e, MixerControlKind::kVolume)] =
          std::vector<int32_t>(info.channels, info.minimum);
      values_[AlsaMixerLayout::ControlIdOf(e, MixerControlKind::kMute)] = {1};
      values_[AlsaMixerLayout::ControlIdOf(e, MixerControlKind::kSourceList)] =
          std::vector<int32_t>(captureItems_.size(), 0);
    }
  }
  std::vector<int32_t> ValuesOf(const std::string& element, MixerControlKind kind) const {
    for (size_t e = 0; e < layout_.Elements().size(); ++e) {
      if (layout_.Elements()[e].name == element) {
        return values_.at(AlsaMixerLayout::ControlIdOf(e, kind));
      }
    }
    return {};
  }

  unsigned DeviceCount() override { return 1; }
  std::optional<std::string> ProductName(unsigned index) override {
    return index == 0 ? std::optional<std::string>("HDA Intel PCH") : std::nullopt;
  }
  vd::MixerHandle Open(unsigned index) override { return index == 0 ? 7 : 0; }
  bool Close() override { return true; }
  std::optional<vd::MixerLine> LineOfComponent(MixerComponent c) override {
    return layout_.LineOfComponent(c);
  }
  unsigned DestinationCount() override { return layout_.DestinationCount(); }
  std::optional<vd::MixerLine> Destination(unsigned i) override { return layout_.Destination(i); }
  std::optional<vd::MixerLine> Source(unsigned d, unsigned i) override {
    return layout_.Source(d, i);
  }
  std::optional<vd::MixerControl> LineControl(uint32_t line, MixerControlKind kind) override {
    return layout_.LineControl(line, kind);
  }
  std::optional<vd::MixerControl> Control(vd::MixerControlId id) override {
    return layout_.Control(id);
  }
  std::optional<std::vector<int32_t>> Values(vd::MixerControlId id) override {
    if (!layout_.Resolve(id)) return std::nullopt;
    return values_.at(id);
  }
  bool SetValues(vd::MixerControlId id, std::span<const int32_t> values) override {
    const auto control = layout_.Control(id);
    if (!control || control->kind == MixerControlKind::kSourceList) return false;
    auto& stored = values_.at(id);
    for (size_t i = 0; i < stored.size(); ++i) stored[i] = values[values.size() == 1 ? 0 : i];
    return true;
  }
  std::optional<std::vector<std::string>> ListItems(vd::MixerControlId id) override {
    const auto ref = layout_.Resolve(id);
    if (!ref || ref->kind != MixerControlKind::kSourceList) return std::nullopt;
    return captureItems_;
  }
  bool SelectListItem(vd::MixerControlId id, size_t item) override {
    auto& flags = values_.at(id);
    std::fill(flags.begin(), flags.end(), 0);
    flags.at(item) = 1;
    return true;
  }
  std::vector<pollfd> PollDescriptors() override { return {}; }
  void HandleEvents(const ChangeListener&) override {}

 private:
  AlsaMixerLayout layout_;
  std::vector<std::string> captureItems_;
  std::map<vd::MixerControlId, std::vector<int32_t>> values_;
};

TEST(AlsaMixerLayout, MixerOpenedOnAnOnBoardCardControlsLineAndRecordsFromIt) {
  auto owned = std::make_unique<LayoutBackend>(
      OnBoardCard(), std::vector<std::string>{"Mic", "CD", "Video", "Aux", "Line", "Mix"});
  LayoutBackend& card = *owned;
  vd::testing::FakeMixerHost host;
  CMixer mixer(std::move(owned), host, 0);
  ASSERT_NE(mixer.Open(0), 0u);
  EXPECT_EQ(card.ValuesOf("Line", MixerControlKind::kMute), std::vector<int32_t>{0});
  EXPECT_EQ(card.ValuesOf("Capture Source", MixerControlKind::kSourceList),
            (std::vector<int32_t>{0, 0, 0, 0, 1, 0}));
  EXPECT_EQ(card.ValuesOf("PCM", MixerControlKind::kVolume), (std::vector<int32_t>{127, 127}));
  // PCM has no switch here, which is normal and no reason to beep.
  EXPECT_TRUE(host.beeps.empty());

  mixer.SelectControls(0, {.mute = 0, .volume = 20}, false);
  EXPECT_EQ(mixer.ActiveSet(), CMixer::ControlSet::kLine);
  EXPECT_EQ(mixer.Maximum(), 31);
  EXPECT_TRUE(mixer.SetVolume(20));
  EXPECT_EQ(card.ValuesOf("Line", MixerControlKind::kVolume), (std::vector<int32_t>{20, 20}));
  EXPECT_EQ(card.ValuesOf("Master", MixerControlKind::kVolume), (std::vector<int32_t>{0, 0}));
}

TEST(AlsaMixerLayout, MixerFindsASpelledOutLineInByItsShortName) {
  auto owned = std::make_unique<LayoutBackend>(
      std::vector<AlsaElementInfo>{Playback("Master"), Playback("PCM"), Playback("Line In", 15),
                                   Enumerated("Input Source")},
      std::vector<std::string>{"Mic", "Line In"});
  LayoutBackend& card = *owned;
  vd::testing::FakeMixerHost host;
  CMixer mixer(std::move(owned), host, 0);
  ASSERT_NE(mixer.Open(0), 0u);
  EXPECT_TRUE(host.beeps.empty());
  mixer.SelectControls(0, {.mute = 0, .volume = 9}, false);
  EXPECT_EQ(mixer.Maximum(), 15);
  EXPECT_TRUE(mixer.SetVolume(9));
  EXPECT_EQ(card.ValuesOf("Line In", MixerControlKind::kVolume), (std::vector<int32_t>{9, 9}));
  EXPECT_EQ(card.ValuesOf("Input Source", MixerControlKind::kSourceList),
            (std::vector<int32_t>{0, 1}));
}

}  // namespace
