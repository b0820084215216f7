// SIGKILL at random moments while settings and channel files are saved: after every kill the
// files must read cleanly and hold either the last completed save or the one in progress.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>

#include "kill_harness.h"
#include "vd/settings/reg_document.h"
#include "vd/settings/settings_store.h"
#include "vd/tuning/channel_file.h"
#include "vd/tuning/channel_files.h"

namespace {

constexpr int kKillsPerStore = 100;
const std::string kKey = "HKEY_CURRENT_USER\\Software\\Corvalen\\AviCap";

class KillDuringSave : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vd-kill-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::filesystem::path dir_;
  std::mt19937 random_{20261208};
};

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(KillDuringSave, SettingsFileHoldsOldOrNewValues) {
  const std::filesystem::path file = dir_ / "viewdeck.reg";
  // Every generation writes three values in one transaction and two more one by one, so a
  // kill can fall inside a transaction and between two of them.
  auto write = [&](int64_t g) {
    vd::SettingsStore store(file, {});
    const auto v = static_cast<int32_t>(g);
    bool ok = store.Update([&](vd::SettingsStore::Batch& batch) {
      batch.WriteDword("AviCap", "Volume", v);
      batch.WriteDword("AviCap", "Country", v);
      batch.WriteString("AviCap", "Path", "/data/" + std::to_string(v));
    });
    ok = store.WriteDword("AviCap", "First", v) && ok;
    ok = store.WriteDword("AviCap", "Second", v) && ok;
    return ok;
  };
  int64_t generation = 1;
  int killed = 0;
  std::map<std::string, int64_t> onDisk;  // each key's value after the previous kill
  for (int kill = 0; kill < kKillsPerStore; ++kill) {
    const vd::test::KillResult r = vd::test::KillDuringWrites(generation, write, random_);
    killed += r.killed ? 1 : 0;
    const vd::RegDocument doc = vd::RegDocument::Parse(ReadAll(file));
    ASSERT_EQ(doc.DamagedLines(), 0u) << "after kill " << kill;
    auto dword = [&](const char* name) -> int64_t {
      const vd::RegValue* value = doc.Find(kKey, name);
      return value == nullptr ? 0 : static_cast<int32_t>(value->dword);
    };
    // The transaction's three values always travel together.
    const int64_t volume = dword("Volume");
    EXPECT_EQ(dword("Country"), volume) << "after kill " << kill;
    const vd::RegValue* path = doc.Find(kKey, "Path");
    if (volume != 0) {
      ASSERT_NE(path, nullptr);
      EXPECT_EQ(path->text, "/data/" + std::to_string(volume));
    }
    const bool saved = r.lastDone >= generation;
    for (const char* name : {"Volume", "First", "Second"}) {
      const int64_t old = saved ? r.lastDone : onDisk[name];
      const int64_t next = saved ? r.lastDone + 1 : generation;
      const int64_t seen = dword(name);
      EXPECT_TRUE(seen == old || seen == next)
          << name << "=" << seen << ", expected " << old << " or " << next << " at kill " << kill;
      onDisk[name] = seen;
    }
    // A later value is only there once the earlier one of the same generation is.
    EXPECT_GE(dword("First"), dword("Second"));
    EXPECT_GE(volume, dword("First"));
    generation = (saved ? r.lastDone + 1 : generation) + 1;
  }
  // A kill that came after the child had failed on its own would prove nothing.
  EXPECT_EQ(killed, kKillsPerStore);
  EXPECT_GT(onDisk["Second"], 0);
}

// Station lists whose length and contents both follow the generation, so a list torn between
// two saves cannot pass for either.
std::vector<CChannel> Generation(int64_t g) {
  std::vector<CChannel> stations;
  const int count = 1 + static_cast<int>(g % 7) * 40;
  for (int i = 0; i < count; ++i) {
    stations.emplace_back(static_cast<uint32_t>(i), "S" + std::to_string(g),
                          static_cast<uint32_t>(48250000 + g), static_cast<uint32_t>(i));
  }
  return stations;
}

TEST_F(KillDuringSave, ChannelFilesHoldOldOrNewList) {
  vd::ChannelFiles files(dir_.string());
  int killed = 0;
  int64_t generation = 1;
  int64_t onDisk[2] = {0, 0};  // generation in each saved file; 0 while there is none
  for (int kill = 0; kill < kKillsPerStore; ++kill) {
    // Half the kills on the TV file, half on the radio file with its current station.
    const bool radio = kill % 2 == 1;
    const int32_t current = radio ? 0 : -1;
    auto write = [&](int64_t g) {
      vd::ChannelFiles own(dir_.string());
      if (!own.BeginMode(radio) || !own.HoldEmptyWorking()) return false;
      return own.StoreWorking(vd::ChannelFile::Encode(Generation(g), radio, current)) &&
             own.EndMode(radio);
    };
    const vd::test::KillResult r = vd::test::KillDuringWrites(generation, write, random_);
    killed += r.killed ? 1 : 0;
    const bool saved = r.lastDone >= generation;
    const int64_t old = saved ? r.lastDone : onDisk[radio];
    const int64_t next = saved ? r.lastDone + 1 : generation;
    const auto bytes =
        vd::ChannelFiles::ReadFile(files.SavedPath(radio), vd::ChannelFile::kMaxBytes);
    if (!bytes) {
      EXPECT_EQ(old, 0) << "a saved list vanished at kill " << kill;
    } else {
      const vd::ChannelFileContents read = vd::ChannelFile::Decode(*bytes, radio);
      ASSERT_FALSE(read.damage) << *read.damage << " at kill " << kill;
      ASSERT_FALSE(read.stations.empty()) << "at kill " << kill;
      const int64_t g = static_cast<int64_t>(read.stations[0].frequency) - 48250000;
      EXPECT_TRUE(g == old || g == next)
          << "generation " << g << ", expected " << old << " or " << next << " at kill " << kill;
      EXPECT_EQ(read.stations, Generation(g)) << "a torn list at kill " << kill;
      if (radio) {
        EXPECT_EQ(read.current, current);
      }
      onDisk[radio] = g;
    }
    generation = next + 1;
  }
  EXPECT_EQ(killed, kKillsPerStore);
  EXPECT_GT(onDisk[0], 0);
  EXPECT_GT(onDisk[1], 0);
}

}  // namespace
