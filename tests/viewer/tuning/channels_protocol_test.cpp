// Moving a mode's list through the working file: the saved file keeps the list of the mode's
// start while the mode runs, and a crash at any step of the protocol leaves one complete list.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "channels_fakes.h"
#include "vd/trace.h"
#include "vd/tuning/channel_file.h"
#include "vd/tuning/channel_table.h"

namespace vd::test {
namespace {

std::vector<uint32_t> Frequencies(const std::vector<uint8_t>& bytes, bool radio) {
  ChannelFileContents c = ChannelFile::Decode(bytes, radio);
  EXPECT_FALSE(c.damage);
  std::vector<uint32_t> hz;
  for (const CChannel& ch : c.stations) hz.push_back(ch.frequency);
  return hz;
}

TEST(ChannelProtocol, SavedFileHoldsTheStartListUntilTheModeEnds) {
  for (bool radio : {false, true}) {
    Rig rig(radio, TunerSetup{});
    rig.Table().AddByFrequency(90000000);
    rig.Restart();  // the list is now saved
    const std::string saved = rig.folder.File(radio ? "FM.CFG" : "TV.CFG");
    const std::vector<uint8_t> atStart = ReadBytes(saved);
    rig.Table().AddByFrequency(95000000);
    EXPECT_EQ(ReadBytes(saved), atStart);
    EXPECT_TRUE(ReadBytes(rig.folder.File("ChList.CFG")).empty());
    EXPECT_TRUE(FileExists(rig.folder.File("ChList.CFG")));
    rig.control.reset();
    EXPECT_EQ(Frequencies(ReadBytes(saved), radio), (std::vector<uint32_t>{90000000, 95000000}));
    EXPECT_FALSE(FileExists(rig.folder.File("ChList.CFG")));
    EXPECT_FALSE(FileExists(rig.folder.File(radio ? "TV.CFG" : "FM.CFG")));
    // count 2, then for radio the current index 1, then the first record's id
    const std::vector<uint8_t> after = ReadBytes(saved);
    const std::vector<uint8_t> head =
        radio ? std::vector<uint8_t>{2, 0, 0, 0, 1, 0, 0, 0} : std::vector<uint8_t>{2, 0, 0, 0};
    ASSERT_GT(after.size(), head.size());
    EXPECT_TRUE(std::equal(head.begin(), head.end(), after.begin()));
    EXPECT_EQ(after.size(), head.size() + 2 * (16 + (radio ? 6u : 4u)));
  }
}

// Runs one mode that adds a station, letting only `allowed` disk-changing steps happen (the
// process dies at the next one), then starts again as the next run of the program would.
std::vector<uint32_t> RunAndCrashAfter(int allowed, bool radio, int* stepsSeen, bool* toldOfLoss) {
  Rig rig(radio, TunerSetup{});
  rig.Table().AddByFrequency(90000000);
  int steps = 0;
  rig.stepHook = [&](std::string_view) { return ++steps <= allowed; };
  rig.Restart();
  rig.Table().AddByFrequency(95000000);
  rig.control.reset();
  *stepsSeen = steps;
  *toldOfLoss = !rig.context.messages.empty();
  rig.context.messages.clear();
  rig.stepHook = nullptr;
  rig.Restart();
  std::vector<uint32_t> hz;
  for (int32_t i = 0; i < rig.Table().Count(); ++i) hz.push_back(rig.Table().Get(i)->frequency);
  EXPECT_TRUE(rig.context.messages.empty());  // the next run finds nothing damaged
  return hz;
}

TEST(ChannelProtocol, CrashAtAnyStepLeavesACompleteList) {
  for (bool radio : {false, true}) {
    int total = 0;
    bool told = true;
    const auto complete = RunAndCrashAfter(1000, radio, &total, &told);
    EXPECT_FALSE(told);
    EXPECT_EQ(complete, (std::vector<uint32_t>{90000000, 95000000}));
    ASSERT_GE(total, 8);
    const std::vector<uint32_t> old = {90000000};
    for (int allowed = 0; allowed < total; ++allowed) {
      int seen = 0;
      const auto got = RunAndCrashAfter(allowed, radio, &seen, &told);
      EXPECT_TRUE(got == old || got == complete) << "radio " << radio << " cut after " << allowed;
      // The user hears of the loss exactly when this session's list did not reach the disk.
      EXPECT_EQ(told, got == old) << "radio " << radio << " cut after " << allowed;
    }
  }
}

// A list stored while the mode runs (a finished scan, the settings sheet closing) is in the
// working and the saved file at once, and a crash right after it keeps it.
TEST(ChannelProtocol, AListStoredWhileTheModeRunsSurvivesACrash) {
  for (bool radio : {false, true}) {
    Rig rig(radio, TunerSetup{});
    rig.Table().AddByFrequency(90000000);
    rig.Table().AddByFrequency(95000000);
    ASSERT_TRUE(rig.control->StoreList());
    const std::string saved = rig.folder.File(radio ? "FM.CFG" : "TV.CFG");
    const std::vector<uint32_t> both = {90000000, 95000000};
    EXPECT_EQ(Frequencies(ReadBytes(saved), radio), both) << "radio " << radio;
    EXPECT_EQ(ReadBytes(rig.folder.File("ChList.CFG")), ReadBytes(saved));

    // The process dies before the mode's end writes anything.
    rig.control->Files().SetStepHook([](std::string_view) { return false; });
    rig.Table().AddByFrequency(99000000);
    rig.control.reset();
    rig.Restart();
    std::vector<uint32_t> hz;
    for (int32_t i = 0; i < rig.Table().Count(); ++i) hz.push_back(rig.Table().Get(i)->frequency);
    EXPECT_EQ(hz, both) << "radio " << radio;
  }
}

std::vector<std::string> gLogLines;

void KeepLogLine(const char*, LogLevel, const char* text) {
  gLogLines.emplace_back(text);
}

// What stands in the data folder must neither hide a readable list nor hang the start: a
// working copy that cannot be made (a folder at its name here; a read-only data folder does
// the same), and a FIFO where the saved list should be. A list that did not change is not
// written, so such a folder costs nothing; a change that cannot be stored is told once per
// folder, and logged each time.
TEST(ChannelProtocol, TheSavedListIsNeverHiddenOrBlockedByTheFolder) {
  SetLogSink(&KeepLogLine);
  for (bool radio : {false, true}) {
    Rig rig(radio, TunerSetup{});
    rig.Table().AddByFrequency(90000000);
    rig.control.reset();
    const std::string saved = rig.folder.File(radio ? "FM.CFG" : "TV.CFG");
    const std::vector<uint8_t> stored = ReadBytes(saved);
    ASSERT_EQ(Frequencies(stored, radio), std::vector<uint32_t>{90000000});

    ASSERT_TRUE(std::filesystem::create_directory(rig.folder.File("ChList.CFG")));
    rig.context.messages.clear();
    gLogLines.clear();
    for (int input = 0; input < 3; ++input) {
      rig.Restart();
      ASSERT_EQ(rig.Table().Count(), 1) << "radio " << radio;
      EXPECT_EQ(rig.Table().Get(0)->frequency, 90000000u);
      EXPECT_TRUE(rig.control->StoreList());
    }
    rig.control.reset();
    EXPECT_TRUE(rig.context.messages.empty()) << "radio " << radio;
    EXPECT_TRUE(gLogLines.empty()) << "radio " << radio;
    for (uint32_t hz : {95000000u, 96000000u}) {
      rig.Restart();
      rig.Table().AddByFrequency(hz);
      rig.control.reset();
    }
    // Nothing could be stored, and the user is told; the saved list is the one from before.
    EXPECT_EQ(rig.context.messages.size(), 1u) << "radio " << radio;
    EXPECT_EQ(gLogLines.size(), 2u) << "radio " << radio;
    EXPECT_EQ(ReadBytes(saved), stored);
    std::filesystem::remove(rig.folder.File("ChList.CFG"));

    ASSERT_TRUE(std::filesystem::remove(saved));
    ASSERT_EQ(::mkfifo(saved.c_str(), 0644), 0);
    rig.context.messages.clear();
    rig.Restart();  // a blocking open would wait here for a writer that never comes
    EXPECT_TRUE(std::filesystem::is_fifo(saved));
    rig.control.reset();
    std::filesystem::remove(saved);
  }
  SetLogSink(nullptr);
}

}  // namespace
}  // namespace vd::test
