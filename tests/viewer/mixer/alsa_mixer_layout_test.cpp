#include "vd/mixer/alsa_mixer_layout.h"

#include <gtest/gtest.h>

#include <set>

#include "vd/mixer/mixer_backend.h"
#include "vd/mixer/mixer_names.h"

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
// An input the driver's "Capture Source" enumeration can choose, as the simple mixer shows it.
AlsaElementInfo Recordable(AlsaElementInfo info) {
  info.captureExclusive = true;
  return info;
}

// The elements of a common on-board codec, in the simple mixer's order.
std::vector<AlsaElementInfo> OnBoardCard() {
  return {
      Playback("Master", 87),      Playback("Headphone"),        Playback("PCM", 255, false),
      Playback("Front"),           Recordable(Playback("Line")), Recordable(Playback("CD")),
      Recordable(Playback("Mic")), CaptureOnly("Capture"),       Recordable(CaptureOnly("Mix"))};
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

TEST(AlsaMixerLayout, ExclusiveCaptureSwitchesFormTheRecordingList) {
  const AlsaMixerLayout layout(OnBoardCard());
  const auto waveIn = layout.LineOfComponent(MixerComponent::kWaveIn);
  ASSERT_TRUE(waveIn);
  EXPECT_EQ(waveIn->connections, 0u);
  EXPECT_EQ(layout.CaptureGroup(), (std::vector<size_t>{4, 5, 6, 8}));
  const auto list = layout.LineControl(waveIn->id, MixerControlKind::kSourceList);
  ASSERT_TRUE(list);
  const auto ref = layout.Resolve(list->id);
  ASSERT_TRUE(ref);
  EXPECT_EQ(ref->element, layout.Elements().size());
  EXPECT_FALSE(layout.LineControl(waveIn->id, MixerControlKind::kVolume));
}

TEST(AlsaMixerLayout, AnEnumeratedInputSourceWinsOverCaptureSwitches) {
  auto elements = OnBoardCard();
  elements.push_back(Enumerated("Input Source"));
  const AlsaMixerLayout layout(elements);
  const auto waveIn = layout.LineOfComponent(MixerComponent::kWaveIn);
  const auto list = layout.LineControl(waveIn->id, MixerControlKind::kSourceList);
  ASSERT_TRUE(list);
  EXPECT_EQ(layout.Resolve(list->id)->element, elements.size() - 1);
  EXPECT_TRUE(layout.CaptureGroup().empty());
}

TEST(AlsaMixerLayout, InputSourceServesWhenThereIsNoCaptureSource) {
  const AlsaMixerLayout layout({Playback("Master"), Playback("Aux"), Enumerated("Input Source")});
  const auto aux = layout.LineOfComponent(MixerComponent::kAuxiliary);
  ASSERT_TRUE(aux);
  EXPECT_EQ(aux->shortName, "Aux");
  EXPECT_FALSE(layout.LineOfComponent(MixerComponent::kLine));
  EXPECT_TRUE(layout.LineOfComponent(MixerComponent::kWaveIn));
}

TEST(AlsaMixerLayout, WithoutEnumerationOrCaptureSwitchesThereIsNoRecordingSide) {
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
  for (size_t e = 0; e <= layout.Elements().size(); ++e) {
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
  // Capture-only elements have no playback controls.
  EXPECT_FALSE(layout.Resolve(AlsaMixerLayout::ControlIdOf(7, MixerControlKind::kVolume)));
  EXPECT_FALSE(layout.Resolve(AlsaMixerLayout::ControlIdOf(8, MixerControlKind::kMute)));
  // The recording list sits one past the last element.
  EXPECT_TRUE(layout.Resolve(AlsaMixerLayout::ControlIdOf(9, MixerControlKind::kSourceList)));
  for (vd::MixerControlId placeholder : {1u, 4u, 8u, 11u}) {
    EXPECT_FALSE(layout.Resolve(placeholder));
  }
  EXPECT_FALSE(layout.Resolve(AlsaMixerLayout::ControlIdOf(9, MixerControlKind::kVolume)));
  EXPECT_FALSE(layout.Resolve(AlsaMixerLayout::ControlIdOf(10, MixerControlKind::kSourceList)));
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

}  // namespace
