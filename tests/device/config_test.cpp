// The virtual box's configuration file and its sky.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "../common/comma_locale.h"
#include "vd/virtual_box_config.h"
#include "vd/virtual_sky.h"

namespace vd {
namespace {

TEST(VirtualBoxConfigTest, EmptyTextGivesTheBuiltInBox) {
  ::setenv("VIEWDECK_VIRTUAL_BOX_TEST_CARRIERS", "yes", 1);
  auto c = VirtualBoxConfig::Parse("", "x");
  EXPECT_TRUE(c.errors.empty());
  EXPECT_EQ(c.productId, 0x1311u);
  EXPECT_EQ(c.lockTimeMs, 30u);
  EXPECT_TRUE(c.sky.UsesHashRule());
  EXPECT_TRUE(c.previewPin && c.stillPin && c.bulkPin);
}

TEST(VirtualBoxConfigTest, TheBoxStandsWhereTheFileOrTheLocaleSays) {
  struct Env {
    const char* name;
    std::string saved;
    bool had;
    explicit Env(const char* n) : name(n), had(std::getenv(n) != nullptr) {
      if (had) saved = std::getenv(n);
    }
    ~Env() { had ? ::setenv(name, saved.c_str(), 1) : ::unsetenv(name); }
  };
  Env carriers("VIEWDECK_VIRTUAL_BOX_TEST_CARRIERS"), all("LC_ALL"), messages("LC_MESSAGES"),
      lang("LANG");
  ::unsetenv("VIEWDECK_VIRTUAL_BOX_TEST_CARRIERS");
  ::unsetenv("LC_ALL");
  ::unsetenv("LC_MESSAGES");
  auto firstName = [](const VirtualBoxConfig& c) {
    return c.sky.ExplicitTvStations().empty() ? std::string() : c.sky.ExplicitTvStations()[0].name;
  };
  // The locale's country, else the U.S.A.
  ::setenv("LANG", "de_AT.UTF-8", 1);
  auto c = VirtualBoxConfig::Parse("", "x");
  EXPECT_FALSE(c.sky.UsesHashRule());
  EXPECT_EQ(firstName(c), "Kanal Nord");
  EXPECT_EQ(c.sky.ExplicitTvStations()[0].language, "de");
  // The model sold where it stands, unless the file names another.
  EXPECT_EQ(c.location, "AT");
  EXPECT_EQ(c.productId, 0x1312u);
  EXPECT_EQ(VirtualBoxConfig::Parse("product_id = 0x1318\n", "x").productId, 0x1318u);
  ::setenv("LANG", "C.UTF-8", 1);
  EXPECT_EQ(firstName(VirtualBoxConfig::Parse("", "x")), "Aurora One");
  ::setenv("LANG", "ja_JP.UTF-8", 1);
  EXPECT_EQ(firstName(VirtualBoxConfig::Parse("", "x")), "Aurora One") << "no stations of its own";
  ::setenv("LC_ALL", "fr_FR.UTF-8", 1);
  EXPECT_EQ(firstName(VirtualBoxConfig::Parse("", "x")), "Meridian") << "LC_ALL first";
  // The file wins over the locale, in any case of letters; FM stays as built in.
  c = VirtualBoxConfig::Parse("location = gb\n", "x");
  EXPECT_TRUE(c.errors.empty());
  EXPECT_EQ(firstName(c), "Channel Thames");
  EXPECT_EQ(c.location, "GB");
  EXPECT_EQ(c.productId, 0x1314u);
  EXPECT_TRUE(c.sky.FmStationAt(98100000).has_value());
  EXPECT_EQ(c.sky.ExplicitTvStations()[0].language, "");
  // Only FM stations listed: the location's TV stations stay.
  c = VirtualBoxConfig::Parse("location = FR\nfm_station = 99.5 Test FM\n", "x");
  EXPECT_EQ(firstName(c), "Meridian");
  EXPECT_FALSE(c.sky.FmStationAt(98100000).has_value());
  // The shared test carriers, by the file or by the environment the test suites set.
  c = VirtualBoxConfig::Parse("location = FR\ntest_carriers = yes\n", "x");
  EXPECT_TRUE(c.sky.UsesHashRule());
  EXPECT_EQ(c.location, "FR");
  EXPECT_EQ(c.productId, 0x131Au);
  // The locale places no box with the shared carriers: they are every country's.
  ::setenv("VIEWDECK_VIRTUAL_BOX_TEST_CARRIERS", "yes", 1);
  c = VirtualBoxConfig::Parse("", "x");
  EXPECT_TRUE(c.sky.UsesHashRule());
  EXPECT_EQ(c.location, "");
  EXPECT_EQ(c.productId, VirtualBoxConfig::kDefaultProductId);
  EXPECT_FALSE(VirtualBoxConfig::Parse("test_carriers = no", "x").sky.UsesHashRule());
  // What it cannot use is named, and the rest of the file still applies.
  c = VirtualBoxConfig::Parse("location = Narnia\ntest_carriers = maybe\nlock_time_ms = 5\n",
                              "box");
  ASSERT_EQ(c.errors.size(), 2u);
  EXPECT_EQ(c.errors[0], "box:1: location must be one of US, CA, DE, AT, CH, FR, GB");
  EXPECT_EQ(c.errors[1], "box:2: test_carriers must be yes or no");
  EXPECT_EQ(c.lockTimeMs, 5u);
}

TEST(VirtualBoxConfigTest, GoodLinesApply) {
  auto c = VirtualBoxConfig::Parse(
      "# my box\n"
      "product_id = 0x1318   # the other model\n"
      "  lock_time_ms=0\n"
      "\n"
      "tv_station = 503.25 Test One\n"
      "fm_station = 99.5 Test FM\n"
      "still_pin = no\n"
      "bulk_replay = /tmp/rec.bin\n"
      "dropped_frames_percent = 1\n"
      "clock_drift_ppm = -200\n",
      "box.conf");
  EXPECT_TRUE(c.errors.empty()) << c.errors.front();
  EXPECT_EQ(c.faults.dropEveryNth, 100u);
  EXPECT_EQ(c.faults.clockDriftPpm, -200);
  EXPECT_EQ(c.productId, 0x1318u);
  EXPECT_EQ(c.lockTimeMs, 0u);
  EXPECT_FALSE(c.stillPin);
  ASSERT_TRUE(c.bulkReplayFile.has_value());
  EXPECT_EQ(*c.bulkReplayFile, "/tmp/rec.bin");
  // The listed stations replace the built-in sky.
  EXPECT_FALSE(c.sky.UsesHashRule());
  auto tv = c.sky.TvStationAt(503250000);
  ASSERT_TRUE(tv.has_value());
  EXPECT_EQ(tv->name, "Test One");
  EXPECT_FALSE(c.sky.TvStationAt(471250000).has_value());
  ASSERT_TRUE(c.sky.FmStationAt(99500000).has_value());
  EXPECT_FALSE(c.sky.FmStationAt(98100000).has_value());

  // The file reads alike in a locale that writes decimals with a comma.
  vdtest::CommaLocale comma;
  ASSERT_TRUE(comma.Active()) << "localedef could not build a test locale";
  c = VirtualBoxConfig::Parse("tv_station = 471.25 Eins\ndropped_frames_percent = 0.5\n", "x");
  EXPECT_TRUE(c.errors.empty()) << c.errors.front();
  ASSERT_TRUE(c.sky.TvStationAt(471250000).has_value());
  EXPECT_EQ(c.sky.TvStationAt(471250000)->name, "Eins");
  EXPECT_EQ(c.faults.dropEveryNth, 200u);
}

TEST(VirtualBoxConfigTest, BadLinesAreNamedAndTheBuiltInSkyStays) {
  auto c = VirtualBoxConfig::Parse(
      "tv_station = 503.25 Fine\n"
      "product_id = 0x10000\n"
      "lock_time_ms = soon\n"
      "tv_station = 950 Too High\n"
      "colour = red\n"
      "just words\n"
      "fm_station = 99.5\n"
      "preview_pin = maybe\n"
      "dropped_frames_percent = 60\n"
      "clock_drift_ppm = 1.5\n",
      "box.conf");
  ASSERT_EQ(c.errors.size(), 9u);
  EXPECT_EQ(c.errors[7].rfind("box.conf:9: dropped_frames_percent", 0), 0u) << c.errors[7];
  EXPECT_EQ(c.errors[8].rfind("box.conf:10: clock_drift_ppm", 0), 0u) << c.errors[8];
  EXPECT_EQ(c.faults.dropEveryNth, 0u);
  EXPECT_EQ(c.faults.clockDriftPpm, 0);
  EXPECT_EQ(c.errors[0].rfind("box.conf:2: ", 0), 0u) << c.errors[0];
  EXPECT_EQ(c.errors[1].rfind("box.conf:3: ", 0), 0u) << c.errors[1];
  EXPECT_EQ(c.errors[2].rfind("box.conf:4: ", 0), 0u) << c.errors[2];
  EXPECT_NE(c.errors[3].find("unknown key 'colour'"), std::string::npos) << c.errors[3];
  EXPECT_EQ(c.errors[4].rfind("box.conf:6: ", 0), 0u) << c.errors[4];
  EXPECT_EQ(c.errors[5].rfind("box.conf:7: ", 0), 0u) << c.errors[5];
  EXPECT_EQ(c.errors[6].rfind("box.conf:8: ", 0), 0u) << c.errors[6];
  // Bad values keep the defaults; a bad station line keeps the whole built-in sky.
  EXPECT_EQ(c.productId, 0x1311u);
  EXPECT_EQ(c.lockTimeMs, 30u);
  EXPECT_TRUE(c.previewPin);
  EXPECT_TRUE(c.sky.UsesHashRule());
  EXPECT_FALSE(c.sky.TvStationAt(503250000).has_value() &&
               c.sky.TvStationAt(503250000)->name == "Fine");
  EXPECT_TRUE(c.sky.TvStationAt(471250000).has_value());
}

TEST(VirtualBoxConfigTest, OnlyFmStationsKeepTheBuiltInTvSky) {
  auto c = VirtualBoxConfig::Parse("fm_station = 90.0 Solo\n", "x");
  EXPECT_TRUE(c.errors.empty());
  EXPECT_TRUE(c.sky.UsesHashRule());
  EXPECT_TRUE(c.sky.TvStationAt(55250000).has_value());
  EXPECT_EQ(c.sky.FmStations().size(), 1u);
}

TEST(VirtualBoxConfigTest, LoadReadsTheFileNamedByTheEnvironment) {
  auto path = std::filesystem::temp_directory_path() / "vd_virtualbox_test.conf";
  std::filesystem::remove(path);  // a FIFO left by a run killed here would block the write
  {
    std::ofstream out(path);
    out << "product_id = 4880\n";
  }
  setenv("VIEWDECK_VIRTUAL_BOX_CONFIG", path.c_str(), 1);
  EXPECT_EQ(VirtualBoxConfig::DefaultPath(), path.string());
  auto c = VirtualBoxConfig::Load();
  EXPECT_EQ(c.productId, 4880u);
  std::filesystem::remove(path);
  auto missing = VirtualBoxConfig::Load();  // no file: built-in defaults, no errors
  EXPECT_EQ(missing.productId, 0x1311u);
  EXPECT_TRUE(missing.errors.empty());
  // What is no file of lines is not read: a FIFO without a writer would hang the program, a
  // device that never ends or a huge file would take its memory. Each keeps the defaults.
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(VirtualBoxConfig::Load().productId, 0x1311u);
  std::filesystem::remove(path);
  {
    std::ofstream out(path);
    out << "product_id = 4880\n" << std::string(VirtualBoxConfig::kMaxFileBytes, '#') << "\n";
  }
  EXPECT_EQ(VirtualBoxConfig::Load().productId, 0x1311u);
  std::filesystem::remove(path);
  setenv("VIEWDECK_VIRTUAL_BOX_CONFIG", "/dev/zero", 1);
  EXPECT_EQ(VirtualBoxConfig::Load().productId, 0x1311u);
  unsetenv("VIEWDECK_VIRTUAL_BOX_CONFIG");
  setenv("XDG_CONFIG_HOME", "/nonexistent-cfg", 1);
  EXPECT_EQ(VirtualBoxConfig::DefaultPath(), "/nonexistent-cfg/Corvalen/virtualbox.conf");
  unsetenv("XDG_CONFIG_HOME");
}

TEST(VirtualSkyTest, BuiltInFmStationsAreOnTheirSteps) {
  auto sky = VirtualSky::BuiltIn();
  ASSERT_GE(sky.FmStations().size(), 6u);
  for (const auto& s : sky.FmStations()) {
    EXPECT_GE(s.frequencyHz, 87500000u);
    EXPECT_LE(s.frequencyHz, 108000000u);
    EXPECT_EQ(s.frequencyHz % 50000, 0u);
    EXPECT_TRUE(sky.FmStationAt(s.frequencyHz).has_value());
    EXPECT_FALSE(sky.FmStationAt(s.frequencyHz + 50000).has_value());
  }
}

TEST(VirtualSkyTest, HashStationsAreStableAndNamed) {
  auto a = VirtualSky::BuiltIn(), b = VirtualSky::BuiltIn();
  int found = 0;
  for (uint32_t hz = 44000000; hz <= 870000000; hz += 250000) {
    auto s = a.TvStationAt(hz);
    auto t = b.TvStationAt(hz);
    ASSERT_EQ(s.has_value(), t.has_value());
    if (!s) continue;
    ++found;
    EXPECT_EQ(s->name, t->name);
    EXPECT_FALSE(s->name.empty());
    EXPECT_GT(s->toneHz, 0u);
  }
  // Roughly one carrier in eight sends.
  EXPECT_GT(found, 3313 / 12);
  EXPECT_LT(found, 3313 / 5);
  EXPECT_FALSE(a.TvStationAt(30000000).has_value());
  EXPECT_FALSE(a.TvStationAt(900000000).has_value());
}

}  // namespace
}  // namespace vd
