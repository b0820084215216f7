// The ALSA back-end through the real simple-mixer API, over fake_alsa_card (an external
// control plugin) instead of hardware. The ALSA configuration is replaced for this process.
#include "vd/mixer/alsa_mixer_backend.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>

#include "fake_mixer_host.h"
#include "vd/mixer/mixer.h"
#include "vd/mixer/mixer_lines.h"

namespace {

using vd::AlsaMixerBackend;
using vd::MixerControlKind;
using Values = std::vector<int32_t>;

class AlsaEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    char dir[] = "/tmp/vd-alsa-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    const std::string conf = dir_ + "/asound.conf";
    std::ofstream out(conf);
    out << "ctl_type.vdfake { lib \"" << VD_FAKE_ALSA_CARD << "\" }\n"
        << "ctl.vdac97 { type vdfake layout \"ac97\" }\n"
        << "ctl.vdhda { type vdfake layout \"hda\" }\n"
        << "ctl.vdswitches { type vdfake layout \"switches\" }\n";
    out.close();
    setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
  }
  void TearDown() override {
    snd_config_update_free_global();
    std::remove((dir_ + "/asound.conf").c_str());
    rmdir(dir_.c_str());
  }

 private:
  std::string dir_;
};

// GoogleTest owns registered environments and deletes them at exit.
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new AlsaEnvironment);

// Waits (bounded) until one of the descriptors is readable.
bool WaitReadable(std::vector<pollfd> fds) {
  return !fds.empty() && poll(fds.data(), fds.size(), 2000) > 0;
}

struct Ids {
  vd::MixerControlId volume = 0;
  vd::MixerControlId mute = 0;
};

Ids IdsOf(AlsaMixerBackend& backend, const std::optional<vd::MixerLine>& line) {
  Ids ids;
  if (!line) return ids;
  if (auto c = backend.LineControl(line->id, MixerControlKind::kVolume)) ids.volume = c->id;
  if (auto c = backend.LineControl(line->id, MixerControlKind::kMute)) ids.mute = c->id;
  return ids;
}

class AlsaMixerBackendTest : public ::testing::Test {
 protected:
  // "Another program": a second handle on the same card.
  void OpenOutside(const std::string& ctl) {
    outside =
        std::make_unique<AlsaMixerBackend>(std::vector<AlsaMixerBackend::Device>{{ctl, "Outside"}});
    ASSERT_NE(outside->Open(0), 0u);
    lines = vd::FindMixerLines(*outside);
  }
  CMixer& MakeMixer(const std::string& ctl, int32_t controlMasterVolume) {
    mixer = std::make_unique<CMixer>(
        std::make_unique<AlsaMixerBackend>(std::vector<AlsaMixerBackend::Device>{
            {"nonexistent_device", "Broken"}, {ctl, "Onboard"}}),
        host, controlMasterVolume);
    return *mixer;
  }
  Values Outside(vd::MixerControlId id) { return outside->Values(id).value_or(Values{}); }
  // Lets the outside handle take in what the mixer did.
  void SyncOutside() {
    outside->HandleEvents([](vd::MixerHandle, vd::MixerControlId) {});
  }

  vd::testing::FakeMixerHost host;
  std::unique_ptr<AlsaMixerBackend> outside;
  vd::MixerLines lines;
  std::unique_ptr<CMixer> mixer;
};

TEST_F(AlsaMixerBackendTest, ElementsOfAnOlderCodecBecomeTheExpectedLines) {
  OpenOutside("vdac97");
  ASSERT_TRUE(lines.speakers && lines.wave && lines.line && lines.waveIn);
  EXPECT_EQ(lines.speakers->shortName, "Master");
  EXPECT_EQ(lines.wave->shortName, "PCM");
  EXPECT_EQ(lines.line->shortName, "Line");
  const auto volume = outside->LineControl(lines.line->id, MixerControlKind::kVolume);
  ASSERT_TRUE(volume);
  EXPECT_EQ(volume->maximum, 31);
  EXPECT_EQ(volume->channels, 2u);
  // The driver's capture-source enumeration shows as exclusive capture switches.
  const auto list = outside->LineControl(lines.waveIn->id, MixerControlKind::kSourceList);
  ASSERT_TRUE(list);
  const auto items = outside->ListItems(list->id);
  ASSERT_TRUE(items);
  EXPECT_EQ(*items, (std::vector<std::string>{"Line", "CD", "Mic", "Mix"}));
  EXPECT_EQ(Outside(list->id), (Values{0, 0, 1, 0}));  // the card starts on Mic
  // A mono element has one channel.
  const auto mic = outside->Source(0, 3);
  ASSERT_TRUE(mic);
  EXPECT_EQ(mic->shortName, "Mic");
  EXPECT_EQ(Outside(IdsOf(*outside, mic).volume).size(), 1u);
}

TEST_F(AlsaMixerBackendTest, OpenOnAnOlderCodecPreparesLineAndWave) {
  MakeMixer("vdac97", 0);
  EXPECT_EQ(mixer->Open(0), 0u);  // a device that cannot be attached
  ASSERT_NE(mixer->Open(1), 0u);
  EXPECT_TRUE(host.beeps.empty());
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(mixer->Volume(), 12);

  OpenOutside("vdac97");
  const Ids line = IdsOf(*outside, lines.line);
  const Ids wave = IdsOf(*outside, lines.wave);
  EXPECT_EQ(Outside(line.mute), Values{0});
  EXPECT_EQ(Outside(wave.mute), Values{0});
  EXPECT_EQ(Outside(wave.volume), (Values{15, 15}));
  const auto list = outside->LineControl(lines.waveIn->id, MixerControlKind::kSourceList);
  EXPECT_EQ(Outside(list->id), (Values{1, 0, 0, 0}));

  mixer->Close();
  SyncOutside();
  EXPECT_EQ(Outside(line.mute), Values{1});  // as it was found
  EXPECT_TRUE(host.beeps.empty());
}

TEST_F(AlsaMixerBackendTest, OutsideChangesArriveThroughThePollDescriptorsWithoutOwnEchoes) {
  MakeMixer("vdac97", 0);
  ASSERT_NE(mixer->Open(1), 0u);
  mixer->SelectControls(0, {.mute = 0, .volume = 10}, false);
  ASSERT_TRUE(WaitReadable(mixer->PollDescriptors()));
  mixer->HandleEvents();
  OpenOutside("vdac97");
  const Ids line = IdsOf(*outside, lines.line);

  ASSERT_TRUE(mixer->SetVolume(10));
  const int afterOwn = host.refreshes;
  ASSERT_TRUE(WaitReadable(mixer->PollDescriptors()));
  mixer->HandleEvents();
  EXPECT_EQ(host.refreshes, afterOwn);
  SyncOutside();
  EXPECT_EQ(Outside(line.volume), (Values{10, 10}));

  const std::array<int32_t, 2> outsideVolume = {9, 5};
  ASSERT_TRUE(outside->SetValues(line.volume, outsideVolume));
  ASSERT_TRUE(WaitReadable(mixer->PollDescriptors()));
  mixer->HandleEvents();
  EXPECT_EQ(host.refreshes, afterOwn + 1);
  EXPECT_EQ(mixer->Volume(), 9);  // the larger channel

  // Writing the value the card already has sends no event; its echo must still be the one
  // that is swallowed, not the next outside change.
  const std::array<int32_t, 1> nine = {9};
  ASSERT_TRUE(outside->SetValues(line.volume, nine));
  ASSERT_TRUE(WaitReadable(mixer->PollDescriptors()));
  mixer->HandleEvents();
  ASSERT_TRUE(mixer->SetVolume(9));
  const int beforeOutside = host.refreshes;
  // ALSA's simple mixer writes a whole element at a time, so the other program must have
  // caught up with the card first or it would write back its stale volume as well.
  SyncOutside();
  const std::array<int32_t, 1> muted = {1};
  ASSERT_TRUE(outside->SetValues(line.mute, muted));
  ASSERT_TRUE(WaitReadable(mixer->PollDescriptors()));
  mixer->HandleEvents();
  EXPECT_EQ(host.refreshes, beforeOutside + 1);
  EXPECT_TRUE(mixer->Mute());
  EXPECT_TRUE(host.beeps.empty());
}

TEST_F(AlsaMixerBackendTest, NewerCodecWithoutLineInControlsAux) {
  MakeMixer("vdhda", 0);
  ASSERT_NE(mixer->Open(1), 0u);
  // PCM has no switch on this card; that is no failure.
  EXPECT_TRUE(host.beeps.empty());
  mixer->SelectControls(0, {.mute = 0, .volume = 32767}, false);
  EXPECT_EQ(mixer->Volume(), 15);  // half of Aux's maximum 31
  ASSERT_TRUE(mixer->SetVolume(20));

  OpenOutside("vdhda");
  EXPECT_EQ(lines.line->shortName, "Aux");
  EXPECT_EQ(Outside(IdsOf(*outside, lines.line).volume), (Values{20, 20}));
  EXPECT_EQ(Outside(IdsOf(*outside, lines.speakers).volume), (Values{60, 60}));
  EXPECT_EQ(Outside(IdsOf(*outside, lines.wave).volume), (Values{127, 127}));
  // "Input Source" is the recording list: the input the panel controls is recorded from.
  const auto list = outside->LineControl(lines.waveIn->id, MixerControlKind::kSourceList);
  ASSERT_TRUE(list);
  EXPECT_EQ(outside->ListItems(list->id), (std::vector<std::string>{"Mic", "Aux", "Internal Mic"}));
  EXPECT_EQ(Outside(list->id), (Values{0, 1, 0}));
}

TEST_F(AlsaMixerBackendTest, SoundOverUsbWithoutAPcmSwitchMutesTheMaster) {
  MakeMixer("vdhda", 1);
  ASSERT_NE(mixer->Open(1), 0u);
  mixer->SelectControls(0, {.mute = 0, .volume = 100}, true);
  ASSERT_EQ(mixer->ActiveSet(), CMixer::ControlSet::kWave);
  OpenOutside("vdhda");
  const Ids master = IdsOf(*outside, lines.speakers);
  const Ids wave = IdsOf(*outside, lines.wave);
  ASSERT_EQ(wave.mute, 0u);  // the layout this is about: PCM has no switch

  EXPECT_TRUE(mixer->SetMute(true));
  SyncOutside();
  EXPECT_EQ(Outside(master.mute), Values{1});
  EXPECT_EQ(Outside(wave.volume), (Values{127, 127}));  // silenced, not turned down
  EXPECT_TRUE(mixer->SetMute(false));
  SyncOutside();
  EXPECT_EQ(Outside(master.mute), Values{0});
  EXPECT_TRUE(host.beeps.empty());

  // The panel follows the switch it mutes with when another program turns it.
  ASSERT_TRUE(WaitReadable(mixer->PollDescriptors()));
  mixer->HandleEvents();
  const std::array<int32_t, 1> muted = {1};
  ASSERT_TRUE(outside->SetValues(master.mute, muted));
  ASSERT_TRUE(WaitReadable(mixer->PollDescriptors()));
  mixer->HandleEvents();
  EXPECT_TRUE(mixer->Mute());

  // The desktop's master switch is put back only from a state the viewer wrote: this mute
  // came from another program, the user's, and stays.
  mixer->Close();
  SyncOutside();
  EXPECT_EQ(Outside(master.mute), Values{1}) << "the user's own mute undone";
  EXPECT_TRUE(host.beeps.empty());
}

TEST_F(AlsaMixerBackendTest, InputsWithCaptureSwitchesOfTheirOwnRecordFromTheLineAlone) {
  MakeMixer("vdswitches", 0);
  ASSERT_NE(mixer->Open(1), 0u);
  OpenOutside("vdswitches");
  ASSERT_TRUE(lines.waveIn);
  const auto list = outside->LineControl(lines.waveIn->id, MixerControlKind::kSourceList);
  ASSERT_TRUE(list);
  // "Capture" switches all recording: it is no input, so it stays on.
  EXPECT_EQ(outside->ListItems(list->id), (std::vector<std::string>{"Line", "CD", "Mic"}));
  EXPECT_EQ(Outside(list->id), (Values{1, 0, 0}));
  EXPECT_TRUE(host.beeps.empty());
}

// What the fake card does on a test's word: a control goes, or the whole card.
template <typename Function>
Function* FakeCardFunction(const char* name) {
  static void* const library = dlopen(VD_FAKE_ALSA_CARD, RTLD_NOW);
  return library != nullptr ? reinterpret_cast<Function*>(dlsym(library, name)) : nullptr;
}
// The layout as the configuration names it: "hda", "ac97", "switches".
bool RemoveControl(const char* layout, const char* name) {
  auto* remove = FakeCardFunction<bool(const char*, const char*)>("vdfake_remove_control");
  return remove != nullptr && remove(layout, name);
}
bool Unplug(const char* layout) {
  auto* unplug = FakeCardFunction<bool(const char*)>("vdfake_unplug");
  return unplug != nullptr && unplug(layout);
}

// A control deleted while the card stays is not the card unplugged: the mixer keeps the card
// and its other controls, and only the calls on what went fail (and beep).
TEST_F(AlsaMixerBackendTest, ARemovedControlIsDroppedAloneAndOnlyAnUnpluggedCardIsLost) {
  MakeMixer("vdhda", 0);
  ASSERT_NE(mixer->Open(1), 0u);
  mixer->SelectControls(0, {.mute = 0, .volume = 10}, false);
  ASSERT_EQ(mixer->ActiveSet(), CMixer::ControlSet::kLine);  // Aux on this card
  OpenOutside("vdhda");
  const Ids aux = IdsOf(*outside, lines.line);
  ASSERT_TRUE(WaitReadable(mixer->PollDescriptors()));
  mixer->HandleEvents();

  // PCM has a volume alone: its simple element goes with it.
  ASSERT_TRUE(RemoveControl("hda", "PCM Playback Volume"));
  ASSERT_TRUE(WaitReadable(mixer->PollDescriptors()));
  mixer->HandleEvents();
  EXPECT_FALSE(mixer->CardLost()) << "one removed control taken for the card gone";
  EXPECT_FALSE(mixer->PollDescriptors().empty());
  EXPECT_TRUE(mixer->SetVolume(20));
  SyncOutside();
  EXPECT_EQ(Outside(aux.volume), (Values{20, 20}));
  const std::array<int32_t, 1> muted = {1};
  ASSERT_TRUE(outside->SetValues(aux.mute, muted));
  ASSERT_TRUE(WaitReadable(mixer->PollDescriptors()));
  mixer->HandleEvents();
  EXPECT_TRUE(mixer->Mute()) << "another program's change no longer arrives";
  EXPECT_TRUE(host.beeps.empty());

  // The controlled input itself goes: its calls fail, the card still stays.
  ASSERT_TRUE(RemoveControl("hda", "Aux Playback Volume"));
  ASSERT_TRUE(RemoveControl("hda", "Aux Playback Switch"));
  ASSERT_TRUE(WaitReadable(mixer->PollDescriptors()));
  mixer->HandleEvents();
  EXPECT_FALSE(mixer->CardLost());
  EXPECT_FALSE(mixer->SetVolume(5));
  EXPECT_EQ(host.beeps.size(), 1u);

  ASSERT_TRUE(Unplug("hda"));
  ASSERT_TRUE(WaitReadable(mixer->PollDescriptors()));
  mixer->HandleEvents();
  EXPECT_TRUE(mixer->CardLost());
  mixer->Forget();
}

TEST_F(AlsaMixerBackendTest, WritesOutsideTheRangeAreRefused) {
  OpenOutside("vdhda");
  const Ids aux = IdsOf(*outside, lines.line);
  const std::array<int32_t, 1> tooLoud = {32};
  EXPECT_FALSE(outside->SetValues(aux.volume, tooLoud));
  EXPECT_FALSE(outside->SetValues(vd::kFirstMixerControlId - 1, tooLoud));
  EXPECT_FALSE(outside->Values(4));
}

}  // namespace
