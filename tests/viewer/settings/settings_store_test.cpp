#include "vd/settings/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "registry_access.h"
#include "test_support.h"
#include "vd/settings/settings_table.h"

namespace vd {
namespace {

using test::ReadText;
using test::WriteText;

constexpr const char* kUserKey = "HKEY_CURRENT_USER\\Software\\Corvalen\\AviCap";

class SettingsStoreTest : public ::testing::Test {
 protected:
  std::filesystem::path UserFile() const { return dir.Path() / "cfg/Corvalen/viewdeck.reg"; }
  std::filesystem::path MachineFile(int n) const {
    return dir.Path() / ("m" + std::to_string(n)) / "Corvalen/viewdeck.reg";
  }

  test::TempDir dir;
  SettingsStore store{UserFile(), {MachineFile(1), MachineFile(2)}};
};

TEST_F(SettingsStoreTest, ReadBoolGivesOneForAnyNonZeroAndTheDefaultWhenMissing) {
  ASSERT_TRUE(store.WriteDword("AviCap", "A", 5));
  ASSERT_TRUE(store.WriteDword("AviCap", "B", 0));
  EXPECT_EQ(store.ReadBool("AviCap", "A", 0), 1);
  EXPECT_EQ(store.ReadBool("AviCap", "B", 1), 0);
  EXPECT_EQ(store.ReadBool("AviCap", "Missing", 7), 7);
  EXPECT_EQ(store.ReadDword("AviCap", "A", 0), 5);
  EXPECT_EQ(store.ReadBool("OtherSection", "A", 9), 9);
}

TEST_F(SettingsStoreTest, NegativeNumbersSurviveAsDwords) {
  ASSERT_TRUE(store.WriteDword("AviCap", "isMTS", -1));
  EXPECT_EQ(store.ReadDword("AviCap", "isMTS", 0), -1);
  EXPECT_NE(ReadText(UserFile()).find("\"isMTS\"=dword:ffffffff"), std::string::npos);
}

TEST_F(SettingsStoreTest, AValueOfTheOtherTypeCountsAsMissing) {
  ASSERT_TRUE(store.WriteString("AviCap", "Volume", "123"));
  ASSERT_TRUE(store.WriteDword("AviCap", "CaptureFile", 4));
  EXPECT_EQ(store.ReadDword("AviCap", "Volume", 32767), 32767);
  EXPECT_EQ(store.ReadBool("AviCap", "Volume", 1), 1);
  EXPECT_EQ(store.ReadString("AviCap", "CaptureFile", "Temporary.AVI"), "Temporary.AVI");
}

TEST_F(SettingsStoreTest, WriteBoolIfChangedWritesAMissingValueEvenWhenItIsTheDefault) {
  ASSERT_TRUE(store.WriteBoolIfChanged("AviCap", "DelChWarning", 0));
  const RegDocument doc = store.LoadUser();
  const RegValue* v = doc.Find(kUserKey, "DelChWarning");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->type, RegType::kDword);
  EXPECT_EQ(v->dword, 0u);
}

TEST_F(SettingsStoreTest, WriteBoolIfChangedLeavesAnEqualStoredValueAlone) {
  ASSERT_TRUE(store.WriteDword("AviCap", "Mute", 5));
  ASSERT_TRUE(store.WriteBoolIfChanged("AviCap", "Mute", 1));
  EXPECT_EQ(store.ReadDword("AviCap", "Mute", 0), 5);
  // Stored as text counts as missing, so it is replaced by a number.
  ASSERT_TRUE(store.WriteString("AviCap", "AutoScan", "0"));
  ASSERT_TRUE(store.WriteBoolIfChanged("AviCap", "AutoScan", 0));
  EXPECT_EQ(store.ReadDword("AviCap", "AutoScan", 9), 0);
}

TEST_F(SettingsStoreTest, ReadStringGivesTheStoredTextOrTheDefault) {
  EXPECT_EQ(store.ReadString("AviCap", "HWCaptureFile", "Image"), "Image");
  ASSERT_TRUE(store.WriteString("AviCap", "HWCaptureFile", "Holiday \"2026\" c:\\x"));
  EXPECT_EQ(store.ReadString("AviCap", "HWCaptureFile", "Image"), "Holiday \"2026\" c:\\x");
  // Text ends at its terminator.
  ASSERT_TRUE(store.WriteString("AviCap", "CaptureFile", std::string_view("a.avi\0junk", 10)));
  EXPECT_EQ(store.ReadString("AviCap", "CaptureFile", ""), "a.avi");
}

TEST_F(SettingsStoreTest, MachineValuesComeFromTheFirstFolderThatHasTheFile) {
  EXPECT_EQ(store.ReadMachineDword(kFmMachineKey, "FM_Disabled", 0), 0);
  EXPECT_EQ(store.ReadVfwDriverName(""), "");
  WriteText(MachineFile(2),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Ardmoor\\Brevant\\Video\\BRTVUSB]\n"
            "\"FM_Disabled\"=dword:00000001\n"
            "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KX2210.1]\n"
            "\"VfwDriverName\"=\"TV Box Capture\"\n");
  EXPECT_EQ(store.ReadMachineDword(kFmMachineKey, "FM_Disabled", 0), 1);
  EXPECT_EQ(store.ReadMachineDword("Software\\Ardmoor", "FM_Disabled", 3), 3);
  EXPECT_EQ(store.ReadVfwDriverName("none"), "TV Box Capture");
  WriteText(MachineFile(1),
            "[HKEY_LOCAL_MACHINE\\Software\\Ardmoor\\Brevant\\Video\\BRTVUSB]\n"
            "\"FM_Disabled\"=\"1\"\n");
  EXPECT_EQ(store.MachineFile(), MachineFile(1));
  EXPECT_EQ(store.ReadMachineDword(kFmMachineKey, "FM_Disabled", 0), 0);
  EXPECT_EQ(store.ReadVfwDriverName("none"), "none");
}

TEST_F(SettingsStoreTest, MachineValuesInTheUserFileAreNotConsulted) {
  WriteText(UserFile(),
            "[HKEY_LOCAL_MACHINE\\Software\\Ardmoor\\Brevant\\Video\\BRTVUSB]\n"
            "\"FM_Disabled\"=dword:00000001\n");
  EXPECT_EQ(store.ReadMachineDword(kFmMachineKey, "FM_Disabled", 0), 0);
}

TEST_F(SettingsStoreTest, FoldersComeFromTheEnvironment) {
  test::ScopedEnv home("XDG_CONFIG_HOME", (dir.Path() / "home").string());
  test::ScopedEnv dirs("XDG_CONFIG_DIRS", "relative/ignored::" + (dir.Path() / "a").string() + ":" +
                                              (dir.Path() / "b").string());
  WriteText(dir.Path() / "b/Corvalen/viewdeck.reg", "");
  auto env = SettingsStore::FromEnvironment();
  EXPECT_EQ(env->UserFile(), dir.Path() / "home/Corvalen/viewdeck.reg");
  EXPECT_EQ(env->MachineFile(), dir.Path() / "b/Corvalen/viewdeck.reg");
  WriteText(dir.Path() / "a/Corvalen/viewdeck.reg", "");
  EXPECT_EQ(env->MachineFile(), dir.Path() / "a/Corvalen/viewdeck.reg");

  test::ScopedEnv noHome("XDG_CONFIG_HOME", std::nullopt);
  test::ScopedEnv user("HOME", (dir.Path() / "u").string());
  test::ScopedEnv noDirs("XDG_CONFIG_DIRS", std::nullopt);
  auto fallback = SettingsStore::FromEnvironment();
  EXPECT_EQ(fallback->UserFile(), dir.Path() / "u/.config/Corvalen/viewdeck.reg");
}

TEST_F(SettingsStoreTest, WritesKeepEverythingElseAndLeaveNoTemporaryFiles) {
  WriteText(UserFile(),
            std::string("[") + kUserKey +
                "]\n\"Blob\"=hex:01,02\n\"Keep\"=\"me\"\n"
                "[HKEY_CURRENT_USER\\Software\\Corvalen\\Other]\n\"X\"=dword:00000002\n");
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(store.WriteDword("AviCap", "N", i));
  auto doc = store.LoadUser();
  EXPECT_EQ(doc.Find(kUserKey, "Blob")->text, "hex:01,02");
  EXPECT_EQ(doc.Find(kUserKey, "Keep")->text, "me");
  EXPECT_EQ(doc.Find("HKEY_CURRENT_USER\\Software\\Corvalen\\Other", "X")->dword, 2u);
  EXPECT_EQ(doc.Find(kUserKey, "N")->dword, 19u);
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(UserFile().parent_path())) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"viewdeck.reg", "viewdeck.reg.lock"}));
}

TEST_F(SettingsStoreTest, ADamagedFileKeepsItsGoodValuesThroughARewrite) {
  WriteText(UserFile(), std::string("[") + kUserKey + "]\n\"Volume\"=dword:00001000\n" +
                            std::string("\x01\x02\0\xFF garbage\n", 14) +
                            "\"Country\"=dword:0000003\n\"Source\"=dword:00000001\n");
  EXPECT_EQ(store.ReadDword("AviCap", "Volume", 0), 0x1000);
  EXPECT_EQ(store.ReadDword("AviCap", "Country", 886), 886);
  ASSERT_TRUE(store.WriteDword("AviCap", "Mute", 1));
  auto doc = RegDocument::Parse(ReadText(UserFile()));
  EXPECT_EQ(doc.DamagedLines(), 0u);
  EXPECT_EQ(doc.Find(kUserKey, "Volume")->dword, 0x1000u);
  EXPECT_EQ(doc.Find(kUserKey, "Source")->dword, 1u);
  EXPECT_EQ(doc.Find(kUserKey, "Mute")->dword, 1u);
}

TEST_F(SettingsStoreTest, AWriteThatCannotBeMadeIsDroppedQuietly) {
  WriteText(dir.Path() / "blocker", "a file where a folder should be");
  SettingsStore blocked(dir.Path() / "blocker/Corvalen/viewdeck.reg", {});
  EXPECT_FALSE(blocked.WriteDword("AviCap", "Volume", 1));
  EXPECT_EQ(blocked.ReadDword("AviCap", "Volume", 32767), 32767);
}

TEST_F(SettingsStoreTest, AFolderInPlaceOfTheFileReadsAsEmpty) {
  std::filesystem::create_directories(UserFile());
  EXPECT_EQ(store.ReadDword("AviCap", "Volume", 42), 42);
  EXPECT_EQ(store.LoadUser().ValueCount(), 0u);
}

TEST_F(SettingsStoreTest, TheGlobalAccessorsUseTheProcessWideStore) {
  SettingsStore::ResetDefault(std::make_unique<SettingsStore>(
      UserFile(), std::vector<std::filesystem::path>{MachineFile(1)}));
  WriteDword("AviCap", "Volume", 1234);
  WriteString("AviCap", "Path", "/srv/tv");
  WriteBoolIfChanged("AviCap", "Mute", 0);
  EXPECT_EQ(ReadDword("AviCap", "Volume", 0), 1234);
  EXPECT_EQ(ReadBool("AviCap", "Volume", 0), 1);
  EXPECT_EQ(ReadString("AviCap", "Path", ""), "/srv/tv");
  EXPECT_EQ(ReadDword("AviCap", "Mute", 9), 0);
  EXPECT_EQ(ReadMachineDword(kFmMachineKey, "FM_Disabled", 5), 5);
  EXPECT_EQ(ReadVfwDriverName("x"), "x");
  EXPECT_EQ(store.ReadDword("AviCap", "Volume", 0), 1234);
  SettingsStore::ResetDefault();
}

TEST_F(SettingsStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kPerProcess = 60;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      SettingsStore own(UserFile(), {});
      bool ok = true;
      for (int i = 0; i < kPerProcess; ++i) {
        ok = own.WriteDword("AviCap", "p" + std::to_string(c) + "_" + std::to_string(i), i) && ok;
      }
      _exit(ok ? 0 : 1);
    }
  }
  // While they write, every look at the file must find a whole, clean file.
  int status[2] = {};
  bool exited[2] = {};
  int reads = 0;
  while (!(exited[0] && exited[1])) {
    for (int c = 0; c < 2; ++c) {
      if (!exited[c] && waitpid(children[c], &status[c], WNOHANG) == children[c]) exited[c] = true;
    }
    EXPECT_EQ(RegDocument::Parse(ReadText(UserFile())).DamagedLines(), 0u);
    ++reads;
  }
  EXPECT_GT(reads, 0);
  for (int c = 0; c < 2; ++c) {
    EXPECT_TRUE(WIFEXITED(status[c]) && WEXITSTATUS(status[c]) == 0);
  }
  auto doc = store.LoadUser();
  EXPECT_EQ(doc.DamagedLines(), 0u);
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < kPerProcess; ++i) {
      const RegValue* v = doc.Find(kUserKey, "p" + std::to_string(c) + "_" + std::to_string(i));
      ASSERT_NE(v, nullptr) << c << " " << i;
      EXPECT_EQ(v->dword, static_cast<uint32_t>(i));
    }
  }
}

// Another program's junk piled up before our key, by count and by size: our values stay
// readable, what was ignored is said once, the first save keeps the file as it was, and the
// file is parsed again only when it changed.
TEST_F(SettingsStoreTest, JunkPastTheBoundsCostsNoneOfOurValuesAndIsParsedOncePerChange) {
  std::string byCount = "[HKEY_CURRENT_USER\\Software\\Junk]\n";
  for (size_t i = 0; i < RegDocument::kMaxValues + 100; ++i) {
    byCount += "\"j" + std::to_string(i) + "\"=dword:00000001\n";
  }
  std::string bySize = "[HKEY_CURRENT_USER\\Software\\Junk]\n";
  const std::string filler(2000, 'x');
  for (int i = 0; bySize.size() < RegDocument::kMaxFileBytes + (size_t{3} << 20); ++i) {
    bySize += "\"j" + std::to_string(i) + "\"=\"" + filler + "\"\n";
  }
  for (const std::string* junk : {&byCount, &bySize}) {
    std::filesystem::remove(UserFile().string() + ".bak");
    const std::string original =
        *junk + "[" + kUserKey + "]\n\"Volume\"=dword:00001234\n\"Path\"=\"/srv/tv\"\n";
    WriteText(UserFile(), original);
    SettingsStore reader(UserFile(), {});
    testing::internal::CaptureStderr();
    EXPECT_EQ(reader.ReadDword("AviCap", "Volume", 0), 0x1234);
    EXPECT_EQ(reader.ReadString("AviCap", "Path", ""), "/srv/tv");
    for (int i = 0; i < 50; ++i) reader.ReadDword("AviCap", "Volume", 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(reader.Parses(), 1u);
    const RegDocument before = reader.LoadUser();
    EXPECT_GT(before.IgnoredLines(), junk == &byCount ? 99u : 1000u);
    EXPECT_EQ(before.DamagedLines(), 0u);
    EXPECT_NE(said.find(UserFile().string()), std::string::npos) << said;
    EXPECT_NE(said.find(std::to_string(before.IgnoredLines()) + " line(s)"), std::string::npos)
        << said;
    EXPECT_EQ(said.find(UserFile().string()), said.rfind(UserFile().string())) << said;

    // Another program (a second store) saves: the change is seen, the whole file kept.
    ASSERT_TRUE(store.WriteDword("AviCap", "Mute", 1));
    EXPECT_EQ(reader.ReadDword("AviCap", "Mute", 0), 1);
    EXPECT_EQ(reader.ReadDword("AviCap", "Volume", 0), 0x1234);
    EXPECT_EQ(reader.Parses(), 2u);
    EXPECT_EQ(ReadText(UserFile().string() + ".bak"), original);
    ASSERT_TRUE(store.WriteDword("AviCap", "Mute", 0));
    EXPECT_EQ(ReadText(UserFile().string() + ".bak"), original) << "an earlier copy replaced";
  }
}

// A file edited by hand: its comments and a line that does not parse cannot be written back,
// so the first save keeps the file as it was and says where, once.
TEST_F(SettingsStoreTest, AHandEditedFileIsKeptAtTheFirstSaveAndSaidOnce) {
  const std::string original = std::string("Windows Registry Editor Version 5.00\n\n") +
                               "; tuned for the attic aerial\n[" + kUserKey +
                               "]\n\"Volume\"=dword:00001234\n\"Broken\"=dword:zz\n";
  WriteText(UserFile(), original);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(store.WriteDword("AviCap", "Mute", 1));
  ASSERT_TRUE(store.WriteDword("AviCap", "Mute", 0));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ReadText(UserFile().string() + ".bak"), original);
  EXPECT_EQ(store.ReadDword("AviCap", "Volume", 0), 0x1234);
  EXPECT_NE(said.find(UserFile().string() + ".bak"), std::string::npos) << said;
  EXPECT_NE(said.find("1 comment and 1 unreadable"), std::string::npos) << said;
  EXPECT_EQ(said.find("does not keep"), said.rfind("does not keep")) << said;
}

// Settings kept elsewhere and linked in stay linked; a FIFO in the file's place is neither
// read (nothing hangs) nor replaced, and the failed save is said.
TEST_F(SettingsStoreTest, ALinkedFileStaysLinkedAndAFifoIsRefused) {
  std::filesystem::create_directories(UserFile().parent_path());
  const auto kept = dir.Path() / "dotfiles.reg";
  std::filesystem::create_symlink(kept, UserFile());
  ASSERT_TRUE(store.WriteDword("AviCap", "Volume", 7));
  EXPECT_TRUE(std::filesystem::is_symlink(UserFile()));
  EXPECT_NE(ReadText(kept).find("\"Volume\"=dword:00000007"), std::string::npos);
  EXPECT_EQ(store.ReadDword("AviCap", "Volume", 0), 7);

  std::filesystem::remove(UserFile());
  ASSERT_EQ(::mkfifo(UserFile().c_str(), 0600), 0);
  testing::internal::CaptureStderr();
  EXPECT_EQ(store.ReadDword("AviCap", "Volume", 1), 1);
  EXPECT_FALSE(store.WriteDword("AviCap", "Volume", 8));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("is a FIFO"), std::string::npos) << said;
  EXPECT_TRUE(std::filesystem::is_fifo(UserFile()));
}

}  // namespace
}  // namespace vd
