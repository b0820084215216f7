// The mixer on kernel sound cards, through the machine's own ALSA configuration: the kernel
// test machine loads snd-dummy and snd-aloop and names their card numbers in
// VD_TEST_DUMMY_CARD and VD_TEST_LOOP_CARD; elsewhere these tests are skipped.
#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "fake_mixer_host.h"
#include "vd/mixer/alsa_mixer_backend.h"
#include "vd/mixer/mixer.h"
#include "vd/mixer/mixer_lines.h"

namespace {

using vd::AlsaMixerBackend;
using vd::MixerControlKind;
using Values = std::vector<int32_t>;

std::optional<unsigned> CardFrom(const char* variable) {
  const char* value = std::getenv(variable);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return static_cast<unsigned>(std::atoi(value));
}

bool WaitReadable(std::vector<pollfd> fds) {
  return !fds.empty() && poll(fds.data(), fds.size(), 2000) > 0;
}

// A second program on the same card, looking at elements by name.
class Outside {
 public:
  explicit Outside(unsigned card)
      : backend_(std::vector<AlsaMixerBackend::Device>{{"hw:" + std::to_string(card), "Outside"}}) {
    opened_ = backend_.Open(0) != 0;
  }
  bool Opened() const { return opened_; }
  void Sync() {
    backend_.HandleEvents([](vd::MixerHandle, vd::MixerControlId) {});
  }
  std::optional<size_t> Element(const std::string& name) const {
    const auto& elements = backend_.Layout().Elements();
    for (size_t i = 0; i < elements.size(); ++i) {
      if (elements[i].name == name) return i;
    }
    return std::nullopt;
  }
  Values Read(const std::string& name, MixerControlKind kind) {
    const auto element = Element(name);
    if (!element) return {};
    return backend_.Values(vd::AlsaMixerLayout::ControlIdOf(*element, kind)).value_or(Values{});
  }
  bool Write(const std::string& name, MixerControlKind kind, int32_t value) {
    const auto element = Element(name);
    const std::array<int32_t, 1> one = {value};
    return element && backend_.SetValues(vd::AlsaMixerLayout::ControlIdOf(*element, kind), one);
  }
  Values RecordingList() {
    const auto lines = vd::FindMixerLines(backend_);
    if (!lines.waveIn) return {};
    const auto list = backend_.LineControl(lines.waveIn->id, MixerControlKind::kSourceList);
    return list ? backend_.Values(list->id).value_or(Values{}) : Values{};
  }
  std::vector<std::string> RecordingItems() {
    const auto lines = vd::FindMixerLines(backend_);
    if (!lines.waveIn) return {};
    const auto list = backend_.LineControl(lines.waveIn->id, MixerControlKind::kSourceList);
    return list ? backend_.ListItems(list->id).value_or(std::vector<std::string>{})
                : std::vector<std::string>{};
  }

 private:
  AlsaMixerBackend backend_;
  bool opened_ = false;
};

// snd-dummy's own controls: volumes without playback switches ("Master Volume", "Line
// Volume", ...) and a capture switch per input.
TEST(AlsaKernelCard, DummyCardMovesAndRecordsFromItsLineAndHasNothingToMute) {
  const auto card = CardFrom("VD_TEST_DUMMY_CARD");
  if (!card) GTEST_SKIP() << "VD_TEST_DUMMY_CARD names no snd-dummy card";
  vd::testing::FakeMixerHost host;
  CMixer mixer(std::make_unique<AlsaMixerBackend>(), host, 0);
  ASSERT_NE(mixer.Open(*card), 0u);
  EXPECT_TRUE(host.messages.empty());
  mixer.SelectControls(0, {.mute = 0, .volume = 20}, false);
  ASSERT_EQ(mixer.ActiveSet(), CMixer::ControlSet::kLine);
  EXPECT_TRUE(mixer.SetVolume(20));
  Outside outside(*card);
  ASSERT_TRUE(outside.Opened());
  EXPECT_EQ(outside.Read("Line", MixerControlKind::kVolume), (Values{20, 20}));
  // Recording is from the line alone, its capture switch on and every other input's off.
  const auto items = outside.RecordingItems();
  const auto line = std::find(items.begin(), items.end(), "Line");
  ASSERT_NE(line, items.end()) << "no recording list with a Line item";
  Values onlyLine(items.size(), 0);
  onlyLine[static_cast<size_t>(line - items.begin())] = 1;
  EXPECT_EQ(outside.RecordingList(), onlyLine);

  // Neither the line nor the master has a playback switch: the button is heard to fail.
  host.beeps.clear();
  EXPECT_FALSE(mixer.SetMute(true));
  EXPECT_EQ(host.beeps, std::vector<vd::BeepKind>{vd::BeepKind::kDefault});
  mixer.Close();
}

// Adds the controls of a newer codec to a card as user controls: an auxiliary input in place
// of a line-in, a PCM volume without a switch and an "Input Source" list.
bool AddNewerCodecControls(unsigned card) {
  snd_ctl_t* ctl = nullptr;
  if (snd_ctl_open(&ctl, ("hw:" + std::to_string(card)).c_str(), 0) < 0) return false;
  snd_ctl_elem_id_t* id = nullptr;
  snd_ctl_elem_id_alloca(&id);
  snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
  snd_ctl_elem_value_t* value = nullptr;
  snd_ctl_elem_value_alloca(&value);
  bool ok = true;
  auto add = [&](const char* name, auto&& create, std::array<long, 2> start) {
    snd_ctl_elem_id_set_name(id, name);
    if (create() < 0) {
      ok = false;
      return;
    }
    snd_ctl_elem_value_set_id(value, id);
    snd_ctl_elem_value_set_integer(value, 0, start[0]);
    snd_ctl_elem_value_set_integer(value, 1, start[1]);
    if (snd_ctl_elem_write(ctl, value) < 0) ok = false;
  };
  add("Master Playback Volume", [&] { return snd_ctl_elem_add_integer(ctl, id, 2, 0, 87, 1); },
      {60, 60});
  add("Master Playback Switch", [&] { return snd_ctl_elem_add_boolean(ctl, id, 2); }, {1, 1});
  add("PCM Playback Volume", [&] { return snd_ctl_elem_add_integer(ctl, id, 2, 0, 255, 1); },
      {255, 255});
  add("Aux Playback Volume", [&] { return snd_ctl_elem_add_integer(ctl, id, 2, 0, 31, 1); },
      {4, 4});
  add("Aux Playback Switch", [&] { return snd_ctl_elem_add_boolean(ctl, id, 2); }, {0, 0});
  static const char* const kInputs[] = {"Mic", "Aux", "Internal Mic"};
  snd_ctl_elem_id_set_name(id, "Input Source");
  if (snd_ctl_elem_add_enumerated(ctl, id, 1, 3, kInputs) < 0) ok = false;
  snd_ctl_close(ctl);
  return ok;
}

TEST(AlsaKernelCard, NewerCodecLayoutRecordsFromAuxAndMutesWithTheMaster) {
  const auto card = CardFrom("VD_TEST_LOOP_CARD");
  if (!card) GTEST_SKIP() << "VD_TEST_LOOP_CARD names no card to add controls to";
  ASSERT_TRUE(AddNewerCodecControls(*card));
  vd::testing::FakeMixerHost host;
  CMixer mixer(std::make_unique<AlsaMixerBackend>(), host, 1);
  ASSERT_NE(mixer.Open(*card), 0u);
  EXPECT_TRUE(host.beeps.empty());
  Outside outside(*card);
  ASSERT_TRUE(outside.Opened());
  EXPECT_EQ(outside.Read("Aux", MixerControlKind::kMute), Values{0});  // unmuted at open
  EXPECT_EQ(outside.RecordingItems(), (std::vector<std::string>{"Mic", "Aux", "Internal Mic"}));
  EXPECT_EQ(outside.RecordingList(), (Values{0, 1, 0}));
  EXPECT_EQ(outside.Read("PCM", MixerControlKind::kVolume), (Values{127, 127}));

  // Sound over USB: the slider moves PCM, which has no switch; the master mutes.
  mixer.SelectControls(0, {.mute = 0, .volume = 100}, true);
  ASSERT_EQ(mixer.ActiveSet(), CMixer::ControlSet::kWave);
  EXPECT_TRUE(mixer.SetVolume(100));
  EXPECT_TRUE(mixer.SetMute(true));
  outside.Sync();
  EXPECT_EQ(outside.Read("PCM", MixerControlKind::kVolume), (Values{100, 100}));
  EXPECT_EQ(outside.Read("Master", MixerControlKind::kMute), Values{1});
  EXPECT_TRUE(host.beeps.empty());

  // The kernel tells the mixer of another program's change, and only of that one.
  ASSERT_TRUE(WaitReadable(mixer.PollDescriptors()));
  mixer.HandleEvents();
  const int refreshes = host.refreshes;
  ASSERT_TRUE(outside.Write("Master", MixerControlKind::kMute, 0));
  ASSERT_TRUE(WaitReadable(mixer.PollDescriptors()));
  mixer.HandleEvents();
  EXPECT_FALSE(mixer.Mute());
  EXPECT_EQ(host.refreshes, refreshes + 1);

  mixer.Close();
  outside.Sync();
  EXPECT_EQ(outside.Read("Aux", MixerControlKind::kMute), Values{1});  // as it was found
}

}  // namespace
