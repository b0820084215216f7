#include "vd/settings/main_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "startup_helpers.h"
#include "test_support.h"
#include "vd/settings/settings_store.h"
#include "vd/settings/settings_table.h"

namespace vd {
namespace {

constexpr const char* kUserKey = "HKEY_CURRENT_USER\\Software\\Corvalen\\AviCap";

class MainSettingsTest : public ::testing::Test {
 protected:
  LoadContext Context(const char* locale, std::optional<std::string> hardwareKey = {}) {
    LoadContext c;
    c.firstRun.osKind = kOsKind2000;
    c.firstRun.locale = LocaleIdsFor(locale);
    c.firstRun.hardwareKey = std::move(hardwareKey);
    c.isKnownCountry = [this](int32_t code) { return known.count(code) != 0; };
    c.dataHome = dir.Path() / "data";
    return c;
  }
  MainSettings Loaded(const LoadContext& c) {
    MainSettings s;
    s.Load(store, c);
    return s;
  }

  test::TempDir dir;
  SettingsStore store{dir.Path() / "cfg/viewdeck.reg", {}};
  std::set<int32_t> known = {1, 7, 33, 44, 49, 55, 81, 86, 886};
};

TEST_F(MainSettingsTest, FreshTraditionalChineseProfile) {
  auto s = Loaded(Context("zh_TW.UTF-8"));
  EXPECT_EQ(s.country, 886);
  EXPECT_EQ(s.isMts, 1);
}

TEST_F(MainSettingsTest, FreshGermanProfileWithoutDevice) {
  auto s = Loaded(Context("de_DE.UTF-8"));
  EXPECT_EQ(s.country, 49);
  EXPECT_EQ(s.isMts, -1);
}

TEST_F(MainSettingsTest, AFoundDeviceOverridesTheLocale) {
  auto s = Loaded(Context("de_DE.UTF-8", "USB\\VID_7A3E&PID_1311"));
  EXPECT_EQ(s.country, 1);
  EXPECT_EQ(s.isMts, 1);
}

// The sound family the user chose with a country outlives the next start, whichever rule
// would give the default: a box's product id, or the locale when no box is found. Only a
// value that is missing or of the other type is worked out.
TEST_F(MainSettingsTest, AStoredSoundFamilyStands) {
  const std::string box = "USB\\VID_7A3E&PID_1311";  // MTS by its product id
  store.WriteDword("AviCap", "Country", 86);
  store.WriteDword("AviCap", "isMTS", 0);
  MainSettings s = Loaded(Context("zh_TW.UTF-8", box));
  EXPECT_EQ(s.isMts, 0);
  ASSERT_TRUE(s.Save(store));
  EXPECT_EQ(store.ReadDword("AviCap", "isMTS", 7), 0);
  EXPECT_EQ(Loaded(Context("zh_CN.UTF-8", box)).isMts, 0);

  store.WriteDword("AviCap", "isMTS", 1);
  EXPECT_EQ(Loaded(Context("zh_CN.UTF-8")).isMts, 1);  // the locale alone says PAL
  store.WriteDword("AviCap", "isMTS", -1);
  EXPECT_EQ(Loaded(Context("zh_TW.UTF-8", box)).isMts, -1);

  store.WriteString("AviCap", "isMTS", "0");
  EXPECT_EQ(Loaded(Context("zh_CN.UTF-8", box)).isMts, 1);
  EXPECT_EQ(Loaded(Context("zh_CN.UTF-8")).isMts, 0);
}

TEST_F(MainSettingsTest, FreshProfileDefaults) {
  auto s = Loaded(Context("en_US.UTF-8"));
  EXPECT_EQ(s.path, (dir.Path() / "data/lumatrope").string());
  EXPECT_TRUE(std::filesystem::is_directory(s.path));
  EXPECT_EQ(s.workMode, vd::WorkMode::kTv);
  EXPECT_EQ(s.autoScan, 1);
  EXPECT_EQ(s.volume, 32767);
  EXPECT_EQ(s.controlMasterVolume, 1);
  EXPECT_EQ(s.mute, 0);
  EXPECT_EQ(s.country, 1);
  EXPECT_EQ(s.fmDisabled, 0);
  EXPECT_EQ(s.alwaysOnTop, 0);
}

TEST_F(MainSettingsTest, AStoredFolderIsMadeOneLevelOnly) {
  store.WriteString("AviCap", "Path", (dir.Path() / "tv").string());
  EXPECT_TRUE(std::filesystem::is_directory(Loaded(Context("C")).path));
  store.WriteString("AviCap", "Path", (dir.Path() / "missing/tv").string());
  Loaded(Context("C"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "missing"));
  store.WriteString("AviCap", "Path", "c:\\program files\\lumatrope");
  EXPECT_EQ(Loaded(Context("C")).path, (dir.Path() / "data/lumatrope").string());
}

TEST_F(MainSettingsTest, StoredCountryBelowOneIsRecomputedAndUnknownCodesBecome886) {
  for (int32_t stored : {0, -5}) {
    store.WriteDword("AviCap", "Country", stored);
    EXPECT_EQ(Loaded(Context("de_DE")).country, 49) << stored;
  }
  store.WriteDword("AviCap", "Country", 999);
  EXPECT_EQ(Loaded(Context("de_DE")).country, 886);
  store.WriteDword("AviCap", "Country", 33);
  EXPECT_EQ(Loaded(Context("de_DE")).country, 33);
  // A computed code outside the table is replaced too.
  store.WriteDword("AviCap", "Country", 0);
  EXPECT_EQ(Loaded(Context("es_AR")).country, 886);
}

TEST_F(MainSettingsTest, ChannelDeleteWarningIsOffInEveryRun) {
  store.WriteDword("AviCap", "DelChWarning", 1);
  EXPECT_EQ(Loaded(Context("C")).delChWarning, 0);
}

TEST_F(MainSettingsTest, VolumeStoredAsTextIsIgnored) {
  store.WriteString("AviCap", "Volume", "100");
  EXPECT_EQ(Loaded(Context("C")).volume, 32767);
}

// A number outside what a setting can take runs as the default and is saved back as it; the
// ends of each range stand.
TEST_F(MainSettingsTest, OutOfRangeValuesRunAndSaveAsTheirDefaults) {
  store.Update([](SettingsStore::Batch& b) {
    b.WriteDword("AviCap", "WorkMode", 7);
    b.WriteDword("AviCap", "Volume", 70000);
    b.WriteDword("AviCap", "Source", -1);
    b.WriteDword("AviCap", "MTSmode", 3);
    b.WriteDword("AviCap", "MTS_PALmode", 2);
    b.WriteDword("AviCap", "isMTS", 5);
  });
  MainSettings s = Loaded(Context("zh_TW.UTF-8"));
  EXPECT_EQ(s.workMode, vd::WorkMode::kTv);
  EXPECT_EQ(s.volume, 0x7FFF);
  EXPECT_EQ(s.source, 0);
  EXPECT_EQ(s.mtsMode, 0);
  EXPECT_EQ(s.mtsPalMode, 0);
  EXPECT_EQ(s.isMts, 1) << "worked out from the locale";
  ASSERT_TRUE(s.Save(store));
  EXPECT_EQ(store.ReadDword("AviCap", "WorkMode", -9), 3);
  store.Update([](SettingsStore::Batch& b) {
    b.WriteDword("AviCap", "WorkMode", 0);
    b.WriteDword("AviCap", "Volume", 65535);
    b.WriteDword("AviCap", "Source", 1);
    b.WriteDword("AviCap", "MTSmode", 2);
    b.WriteDword("AviCap", "MTS_PALmode", 1);
  });
  s = Loaded(Context("C"));
  EXPECT_EQ(s.workMode, vd::WorkMode::kSVideo);
  EXPECT_EQ(s.volume, 65535);
  EXPECT_EQ(s.source, 1);
  EXPECT_EQ(s.mtsMode, 2);
  EXPECT_EQ(s.mtsPalMode, 1);
}

TEST_F(MainSettingsTest, StoredValuesAreRead) {
  store.Update([](SettingsStore::Batch& b) {
    b.WriteDword("AviCap", "Force ratio 4:3", 1);
    b.WriteDword("AviCap", "Always on top", 1);
    b.WriteDword("AviCap", "Video Border", 1);
    b.WriteDword("AviCap", "iToolPage_mode2", 4);
    b.WriteDword("AviCap", "isMTS", 1);
    b.WriteDword("AviCap", "Mute", 7);
    b.WriteDword("AviCap", "WorkMode", 1);
  });
  auto s = Loaded(Context("C"));
  EXPECT_EQ(s.forceRatio43, 1);
  EXPECT_EQ(s.alwaysOnTopStored, 1);
  EXPECT_EQ(s.alwaysOnTop, 0);
  EXPECT_EQ(s.videoBorder, 1);
  EXPECT_EQ(s.toolPage[2], 4);
  EXPECT_EQ(s.isMts, 1);
  EXPECT_EQ(s.mute, 1);
  EXPECT_EQ(s.workMode, vd::WorkMode::kComposite);
}

TEST_F(MainSettingsTest, ClosingInRadioModeStoresTv) {
  MainSettings s;
  s.workMode = vd::WorkMode::kRadio;
  ASSERT_TRUE(s.Save(store));
  EXPECT_EQ(store.ReadDword("AviCap", "WorkMode", 0), 3);
  s.workMode = vd::WorkMode::kComposite;
  ASSERT_TRUE(s.Save(store));
  EXPECT_EQ(store.ReadDword("AviCap", "WorkMode", 0), 1);
}

TEST_F(MainSettingsTest, SavingWritesEveryValueInItsOrder) {
  MainSettings s;
  s.alwaysOnTopStored = 1;
  s.alwaysOnTop = 0;
  s.isMts = -1;
  ASSERT_TRUE(s.Save(store));
  std::vector<std::string> names;
  const RegDocument doc = store.LoadUser();
  for (const auto& v : doc.Keys().at(0).values) names.push_back(v.name);
  const std::vector<std::string> expected = {"DelChWarning",
                                             "AlbumPageNum",
                                             "iToolPage_mode0",
                                             "iToolPage_mode1",
                                             "iToolPage_mode2",
                                             "iToolPage_mode3",
                                             "Mute",
                                             "Volume",
                                             "Country",
                                             "Source",
                                             "WorkMode",
                                             "AutoScan",
                                             "DisplayModeWarning",
                                             "WinHandle",
                                             "Force ratio 4:3",
                                             "Always on top",
                                             "Video Border",
                                             "TileMode",
                                             "keyPadOpen",
                                             "VCRPadOpen",
                                             "isMTS",
                                             "MTSmode",
                                             "MTS_PALmode",
                                             "RemoteFMmemory"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(store.ReadDword("AviCap", "Always on top", 9), 0);
  EXPECT_EQ(store.ReadDword("AviCap", "isMTS", 0), -1);
  EXPECT_EQ(store.ReadDword("AviCap", "WinHandle", 9), 0);
}

TEST_F(MainSettingsTest, SavingLeavesEqualSwitchesAsStored) {
  store.WriteDword("AviCap", "Mute", 5);
  MainSettings s;
  s.mute = 1;
  ASSERT_TRUE(s.Save(store));
  EXPECT_EQ(store.ReadDword("AviCap", "Mute", 0), 5);
}

TEST_F(MainSettingsTest, SnapshotHoldsThirteenValuesInOrder) {
  MainSettings s;
  s.workMode = vd::WorkMode::kRadio;
  s.delChWarning = 11;
  s.mute = 12;
  s.autoScan = 13;
  s.displayModeWarning = 14;
  s.albumPageNum = 15;
  s.volume = 16;
  s.country = 17;
  for (int i = 0; i < 4; ++i) s.toolPage[i] = 18 + i;
  s.source = 22;
  SettingsSnapshot snap = s.Snapshot();
  int32_t raw[13];
  std::memcpy(raw, &snap, sizeof raw);
  EXPECT_EQ(raw[0], 2);
  for (int i = 1; i < 13; ++i) EXPECT_EQ(raw[i], 10 + i) << i;
  s.FillSnapshot(nullptr);  // ignored
}

TEST_F(MainSettingsTest, ToolPageFollowsTheWorkMode) {
  MainSettings s;
  s.workMode = vd::WorkMode::kComposite;
  s.SetToolPage(3);
  EXPECT_EQ(s.toolPage[1], 3);
  s.workMode = vd::WorkMode::kSVideo;
  s.SetToolPage(5);
  EXPECT_EQ(s.toolPage[0], 5);
  EXPECT_EQ(s.toolPage[2] + s.toolPage[3], 0);
}

TEST(SettingsTableTest, EveryValueIsListedOnceWithItsDefault) {
  std::set<std::string> seen;
  for (const auto& s : SettingsTable()) EXPECT_TRUE(seen.insert(std::string(s.name)).second);
  EXPECT_EQ(seen.size(), 56u);
  // Recordings stay raw until the user chooses a compression; the picture keeps its shape
  // until the user lets it fill the window.
  EXPECT_EQ(FindSetting("CaptureCodec")->defaultText, "none");
  EXPECT_EQ(FindSetting("Keep picture aspect")->defaultNumber, 1);
  EXPECT_EQ(FindSetting("frameRate")->defaultNumber, 333333);
  EXPECT_EQ(FindSetting("MasterStream")->defaultNumber, -1);
  EXPECT_EQ(FindSetting("CaptureFile")->defaultText, "Temporary.AVI");
  EXPECT_EQ(FindSetting("Force ratio 4:3")->kind, SettingKind::kDword);
  EXPECT_EQ(FindSetting("FM_Disabled")->kind, SettingKind::kMachineDword);
  EXPECT_EQ(FindSetting("nothing"), nullptr);
}

}  // namespace
}  // namespace vd
