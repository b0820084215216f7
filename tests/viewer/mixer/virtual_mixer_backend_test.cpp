#include "vd/mixer/virtual_mixer_backend.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using vd::MixerControlKind;
using vd::VirtualMixerBackend;

bool Readable(VirtualMixerBackend& backend) {
  auto fds = backend.PollDescriptors();
  return !fds.empty() && poll(fds.data(), fds.size(), 0) > 0 && (fds[0].revents & POLLIN) != 0;
}

std::vector<vd::MixerControlId> Drain(VirtualMixerBackend& backend, vd::MixerHandle expect) {
  std::vector<vd::MixerControlId> ids;
  backend.HandleEvents([&](vd::MixerHandle handle, vd::MixerControlId id) {
    EXPECT_EQ(handle, expect);
    ids.push_back(id);
  });
  return ids;
}

TEST(VirtualMixerBackend, ChangesWakeThePollDescriptorOnlyForTheOpenCard) {
  VirtualMixerBackend backend;
  backend.AddCard(VirtualMixerBackend::TypicalCard("A"));
  backend.AddCard(VirtualMixerBackend::TypicalCard("B"));
  const vd::MixerHandle handle = backend.Open(1);
  ASSERT_NE(handle, 0u);
  EXPECT_FALSE(Readable(backend));

  backend.ChangeFromOutside(0, "Wave", MixerControlKind::kVolume, {1, 1});
  EXPECT_FALSE(Readable(backend));
  backend.ChangeFromOutside(1, "Wave", MixerControlKind::kVolume, {1, 1});
  EXPECT_TRUE(Readable(backend));
  const auto id = backend.ControlIdOf(1, "Wave", MixerControlKind::kVolume);
  EXPECT_EQ(Drain(backend, handle), std::vector<vd::MixerControlId>{*id});
  EXPECT_FALSE(Readable(backend));
  EXPECT_TRUE(Drain(backend, handle).empty());
}

TEST(VirtualMixerBackend, EveryWriteIsReportedOnceEvenWithoutAChange) {
  VirtualMixerBackend backend;
  backend.AddCard(VirtualMixerBackend::TypicalCard("A"));
  const vd::MixerHandle handle = backend.Open(0);
  const auto id = *backend.ControlIdOf(0, "Wave", MixerControlKind::kMute);
  const std::array<int32_t, 1> off = {0};
  ASSERT_TRUE(backend.SetValues(id, off));
  ASSERT_TRUE(backend.SetValues(id, off));
  EXPECT_EQ(Drain(backend, handle), (std::vector<vd::MixerControlId>{id, id}));
}

TEST(VirtualMixerBackend, WritesOutsideTheRangeOrOfTheWrongWidthAreRefused) {
  VirtualMixerBackend backend;
  auto card = VirtualMixerBackend::TypicalCard("A");
  card.destinations[0].sources[0].maximum = 100;
  backend.AddCard(card);
  backend.Open(0);
  const auto id = *backend.ControlIdOf(0, "Wave", MixerControlKind::kVolume);
  const std::array<int32_t, 1> tooLoud = {101};
  const std::array<int32_t, 3> threeChannels = {1, 2, 3};
  const std::array<int32_t, 2> both = {30, 40};
  EXPECT_FALSE(backend.SetValues(id, tooLoud));
  EXPECT_FALSE(backend.SetValues(id, threeChannels));
  EXPECT_TRUE(backend.SetValues(id, both));
  EXPECT_EQ(backend.Values(id), (std::vector<int32_t>{30, 40}));
  EXPECT_FALSE(backend.SetValues(1, both));
}

TEST(VirtualMixerBackend, ControlsOfAClosedOrOtherCardAreOutOfReach) {
  VirtualMixerBackend backend;
  backend.AddCard(VirtualMixerBackend::TypicalCard("A"));
  backend.AddCard(VirtualMixerBackend::TypicalCard("B"));
  const auto other = *backend.ControlIdOf(0, "Wave", MixerControlKind::kVolume);
  EXPECT_FALSE(backend.Values(other));
  backend.Open(1);
  EXPECT_FALSE(backend.Values(other));
  EXPECT_FALSE(backend.Control(other));
  EXPECT_EQ(backend.Open(0), 0u);  // one mixer at a time
}

}  // namespace
