// vdtool reads a country, an input and an output path the same way in every command, and
// refuses what it cannot read before it opens a device.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "arguments.h"
#include "country_table.h"
#include "run_command.h"

namespace {

constexpr int kGermany = 15;
constexpr int kTaiwan = 49;

using Result = vdtest::CommandResult;

Result RunTool(const std::string& arguments) {
  return vdtest::RunCommand(std::string(VD_VDTOOL) + " " + arguments);
}

TEST(VdtoolArguments, CountryIsANameACodeOrAnIndexSaidExplicitly) {
  std::string error;
  ASSERT_STREQ(CountryTable::EnglishName(kGermany), "Germany");
  EXPECT_EQ(vdtool::ParseCountry("Germany", &error), kGermany);
  EXPECT_EQ(vdtool::ParseCountry("gERMANY", &error), kGermany);
  EXPECT_EQ(vdtool::ParseCountry("code:49", &error), kGermany);
  EXPECT_EQ(vdtool::ParseCountry("CODE:49", &error), kGermany);
  EXPECT_EQ(vdtool::ParseCountry("index:49", &error), kTaiwan);
  EXPECT_EQ(vdtool::ParseCountry("index:0", &error), 0);
  EXPECT_EQ(vdtool::ParseCountry("index:56", &error), 56);
  EXPECT_EQ(vdtool::ParseCountry("New Zealand", &error), CountryTable::FirstIndexOfCode(64));
  // A code several rows share gives the tuner's row.
  EXPECT_EQ(vdtool::ParseCountry("code:1", &error), CountryTable::FirstIndexOfCode(1));

  // A bare number is the ambiguity the explicit forms exist for; the message names both.
  EXPECT_EQ(vdtool::ParseCountry("49", &error), -1);
  EXPECT_NE(error.find("code:49 (Germany)"), std::string::npos) << error;
  EXPECT_NE(error.find("index:49 (Taiwan)"), std::string::npos) << error;
  for (const char* bad : {"code:999", "code:", "code:4x", "code:-1", "index:57",
                          "index:", "index:1.5", "Atlantis", "", "Germany "}) {
    error.clear();
    EXPECT_EQ(vdtool::ParseCountry(bad, &error), -1) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }

  int32_t code = 0;
  ASSERT_TRUE(vdtool::ParseCountryCode("index:15", &code, &error));
  EXPECT_EQ(code, 49);
  EXPECT_FALSE(vdtool::ParseCountryCode("Germany2", &code, &error));
  EXPECT_EQ(code, 49);  // untouched
}

TEST(VdtoolArguments, InputsNumbersAndOutputPaths) {
  std::string error;
  EXPECT_EQ(vdtool::ParseVideoInput("tv", &error), vd::WorkMode::kTv);
  EXPECT_EQ(vdtool::ParseVideoInput("Composite", &error), vd::WorkMode::kComposite);
  EXPECT_EQ(vdtool::ParseVideoInput("svideo", &error), vd::WorkMode::kSVideo);
  EXPECT_EQ(vdtool::ParseVideoInput("radio", &error), std::nullopt);
  EXPECT_NE(error.find("no picture"), std::string::npos) << error;
  EXPECT_EQ(vdtool::ParseVideoInput("dvd", &error), std::nullopt);

  double v = -1;
  EXPECT_TRUE(vdtool::ParseNumber("98.1", &v));
  EXPECT_DOUBLE_EQ(v, 98.1);
  for (const char* bad : {"", "12x", " 5", "nan", "inf", "1e999", "--seconds"}) {
    v = -1;
    EXPECT_FALSE(vdtool::ParseNumber(bad, &v)) << bad;
    EXPECT_EQ(v, -1) << bad;
  }

  const std::filesystem::path dir =
      ::testing::TempDir() + "vdtool_args_" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  EXPECT_TRUE(vdtool::OutputPathUsable((dir / "new.avi").string(), &error)) << error;
  EXPECT_FALSE(vdtool::OutputPathUsable((dir / "missing" / "new.avi").string(), &error));
  EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
  EXPECT_FALSE(vdtool::OutputPathUsable(dir.string(), &error));
  EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
  const std::string fifo = (dir / "fifo.avi").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(vdtool::OutputPathUsable(fifo, &error));
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
  // Links: a loop and a link into a missing folder are refused now, not after the work; a
  // dangling link into a folder that exists is written through.
  std::filesystem::create_symlink("loop2.avi", dir / "loop1.avi");
  std::filesystem::create_symlink("loop1.avi", dir / "loop2.avi");
  EXPECT_FALSE(vdtool::OutputPathUsable((dir / "loop1.avi").string(), &error));
  std::filesystem::create_symlink("gone/x.avi", dir / "dangling.avi");
  EXPECT_FALSE(vdtool::OutputPathUsable((dir / "dangling.avi").string(), &error));
  EXPECT_NE(error.find("whose folder does not exist"), std::string::npos) << error;
  std::filesystem::create_symlink("later.avi", dir / "ahead.avi");
  EXPECT_TRUE(vdtool::OutputPathUsable((dir / "ahead.avi").string(), &error)) << error;
  std::filesystem::remove_all(dir);
}

// The commands as a script meets them: usage errors (status 2) before anything runs, a bad
// output path (status 1) before the device opens, and readable output.
TEST(VdtoolArguments, CommandsReadCountriesAlikeAndRefuseEarly) {
  Result r = RunTool("plan 49 antenna");
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("code:49 (Germany)"), std::string::npos) << r.out;
  r = RunTool("plan code:49 antenna");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.rfind("# Germany (code 49), antenna", 0), 0u) << r.out;
  r = RunTool("plan index:49 cable");
  EXPECT_EQ(r.out.rfind("# Taiwan (code 886), cable", 0), 0u) << r.out;

  for (const char* line :
       {"record --country 49 --seconds 1 x.avi", "record --country Germania --seconds 1 x.avi",
        "snapshot --country 49 x.bmp", "scan 49 cable --data /nonexistent",
        "record --input radio --seconds 1 x.avi", "record --seconds 1s x.avi",
        "record --channel two --seconds 1 x.avi", "record --seconds 1 --country"}) {
    r = RunTool(line);
    EXPECT_EQ(r.status, 2) << line << "\n" << r.out;
    EXPECT_EQ(r.out.rfind("vdtool: ", 0), 0u) << line << "\n" << r.out;
  }
  r = RunTool("record --input radio --seconds 1 x.avi");
  EXPECT_NE(r.out.find("radio input has no picture"), std::string::npos) << r.out;

  r = RunTool("record --country Germany --seconds 1 /nonexistent/folder/x.avi");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("cannot write /nonexistent/folder/x.avi"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("captured"), std::string::npos) << r.out;  // nothing was recorded
  r = RunTool("snapshot /");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("is a folder"), std::string::npos) << r.out;
  // No scratch folder can be made: said, with the folder and the reason, not a silent 1.
  const std::string out = (std::filesystem::temp_directory_path() / "vd-args-x").string();
  for (const std::string& command : {"record --country Germany --seconds 1 " + out + ".avi",
                                     "snapshot --country Germany " + out + ".bmp"}) {
    r = vdtest::RunCommand("TMPDIR=/nonexistent/tmp " + std::string(VD_VDTOOL) + " " + command);
    EXPECT_EQ(r.status, 1) << command << "\n" << r.out;
    EXPECT_NE(r.out.find("cannot make a scratch folder in /nonexistent/tmp (TMPDIR)"),
              std::string::npos)
        << command << "\n"
        << r.out;
  }

  r = RunTool("countries");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("#idx  code  name\n", 0), 0u) << r.out.substr(0, 80);
  EXPECT_NE(r.out.find("\n  15    49  Germany\n"), std::string::npos);
}

// The running viewer holds its settings in memory: the list says so, so that a "default" or
// an old stored value is not taken for what the viewer uses.
TEST(VdtoolSettings, SaysWhenTheRunningViewerHoldsNewerValues) {
  std::string folder = (std::filesystem::temp_directory_path() / "vd-settings-XXXXXX").string();
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  const std::string env = "XDG_RUNTIME_DIR=" + folder + " XDG_CONFIG_HOME=" + folder +
                          "/config XDG_DATA_HOME=" + folder + "/data " + std::string(VD_VDTOOL) +
                          " settings Country";
  Result idle = vdtest::RunCommand(env);
  EXPECT_EQ(idle.status, 0) << idle.out;
  EXPECT_EQ(idle.out.find("viewer is running"), std::string::npos) << idle.out;
  EXPECT_NE(idle.out.find("Country"), std::string::npos) << idle.out;

  // The lock a running viewer holds.
  const int lock = ::open((folder + "/CORVALEN_AVICAP.lock").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
  Result running = vdtest::RunCommand(env);
  ::close(lock);
  EXPECT_EQ(running.status, 0) << running.out;
  EXPECT_NE(running.out.find("the viewer is running and holds newer values"), std::string::npos)
      << running.out;
  EXPECT_NE(running.out.find("Country"), std::string::npos) << running.out;
  std::filesystem::remove_all(folder);
}

// A private home for one run of vdtool: its settings file holds `values` (lines of a
// registry file); no device is found, and the system speaks German.
class ViewerHome {
 public:
  explicit ViewerHome(const std::string& values) {
    folder_ = (std::filesystem::temp_directory_path() / "vd-home-XXXXXX").string();
    if (::mkdtemp(folder_.data()) == nullptr) std::abort();
    std::filesystem::create_directories(folder_ + "/config/Corvalen");
    std::ofstream(folder_ + "/config/Corvalen/viewdeck.reg")
        << "Windows Registry Editor Version 5.00\n\n"
           "[HKEY_CURRENT_USER\\Software\\Corvalen\\AviCap]\n"
        << values;
  }
  ~ViewerHome() { std::filesystem::remove_all(folder_); }
  const std::string& Folder() const { return folder_; }
  Result Run(const std::string& arguments) const {
    return vdtest::RunCommand("env -u LANGUAGE LC_ALL=de_DE.UTF-8 VIEWDECK_SYSFS_ROOT=" + folder_ +
                              "/sys VIEWDECK_VIRTUAL_BOX_CONFIG=" + folder_ +
                              "/virtualbox.conf XDG_RUNTIME_DIR=" + folder_ +
                              " XDG_CONFIG_HOME=" + folder_ + "/config XDG_DATA_HOME=" + folder_ +
                              "/data " + std::string(VD_VDTOOL) + " " + arguments);
  }

 private:
  std::string folder_;
};

std::string LineOf(const std::string& out, const std::string& setting) {
  const size_t at = out.find("\n" + setting + " ");
  return at == std::string::npos ? std::string()
                                 : out.substr(at + 1, out.find('\n', at + 1) - at - 1);
}

// A stored value the viewer does not run with is shown with the value it uses and why, as
// its own loading works them out.
TEST(VdtoolSettings, ShowsWhatTheViewerUsesBesideTheStoredValue) {
  ViewerHome odd(
      "\"Country\"=dword:000003e7\n\"Path\"=\"c:\\\\program files\\\\lumatrope\"\n"
      "\"DelChWarning\"=dword:00000001\n\"Volume\"=dword:00001000\n");
  Result r = odd.Run("settings Country Path DelChWarning Volume");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(LineOf(r.out, "Country").find("999"), std::string::npos) << r.out;
  EXPECT_NE(LineOf(r.out, "Country").find("stored (the viewer uses 886: no country"),
            std::string::npos)
      << r.out;
  EXPECT_NE(LineOf(r.out, "Path").find("\"c:\\program files\\lumatrope\""), std::string::npos)
      << r.out;
  EXPECT_NE(LineOf(r.out, "Path")
                .find("(the viewer uses \"" + odd.Folder() +
                      "/data/lumatrope\": not an absolute folder)"),
            std::string::npos)
      << r.out;
  EXPECT_NE(LineOf(r.out, "DelChWarning").find("stored (the viewer uses 0: "), std::string::npos)
      << r.out;
  EXPECT_EQ(LineOf(r.out, "Volume").find("viewer uses"), std::string::npos) << r.out;

  // The box stands in Canada: no product or language rule gives Canada, its place does.
  ViewerHome unset("\"Country\"=dword:00000000\n");
  std::ofstream(unset.Folder() + "/virtualbox.conf") << "location = CA\n";
  r = unset.Run("settings Country");
  EXPECT_NE(LineOf(r.out, "Country")
                .find("stored (the viewer uses 2: below 1, so the place the TV box stands in "
                      "decides)"),
            std::string::npos)
      << r.out;
}

// Without a stored country, record takes the one the viewer would start with (German here:
// PAL at 25 pictures a second), not the dialling code 1.
TEST(VdtoolSettings, RecordTakesTheViewersCountry) {
  ViewerHome home("");
  std::ofstream(home.Folder() + "/virtualbox.conf") << "location = DE\n";
  const std::string film = home.Folder() + "/film.avi";
  Result r = home.Run("record --seconds 1 " + film);
  ASSERT_EQ(r.status, 0) << r.out;
  std::ifstream in(film, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  const size_t avih = bytes.find("avih");
  ASSERT_NE(avih, std::string::npos);
  uint32_t microsecondsPerFrame = 0;
  for (int i = 3; i >= 0; --i) {
    microsecondsPerFrame = microsecondsPerFrame << 8 | static_cast<uint8_t>(bytes[avih + 8 + i]);
  }
  EXPECT_EQ(microsecondsPerFrame, 40000u);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// An import replaces the list only when every row can be stored: one bad row, or a CSV
// without stations, leaves the file as it was. A spreadsheet's CSV with ';' between the
// fields and a decimal comma is read.
TEST(VdtoolChannels, ImportIsAllOrNothingAndReadsSemicolonCsv) {
  ViewerHome home("");
  const std::string dir = home.Folder() + "/";
  const std::string target = dir + "TV.CFG";
  std::ofstream(dir + "good.csv") << "name,mhz,number,id\n\"One\",55.25,2,\n\"Two\",61.25,3,\n"
                                     "\"Three\",67.25,4,\n";
  Result r = home.Run("channels import " + dir + "good.csv " + target);
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string three = ReadAll(target);

  std::ofstream(dir + "bad.csv") << "name,mhz,number,id\n\"One\",55.25,2,\n\"Two\",61.2x,3,\n";
  std::ofstream(dir + "empty.csv") << "name,mhz,number,id\n";
  for (const char* csv : {"bad.csv", "empty.csv"}) {
    r = home.Run("channels import " + dir + csv + " " + target);
    EXPECT_EQ(r.status, 1) << csv << "\n" << r.out;
    EXPECT_NE(r.out.find("nothing was written to " + target), std::string::npos) << r.out;
    EXPECT_EQ(ReadAll(target), three) << csv;
  }
  EXPECT_NE(home.Run("channels import " + dir + "bad.csv " + target).out.find("bad.csv:3: refused"),
            std::string::npos);

  std::ofstream(dir + "de.csv") << "\xEF\xBB\xBFname;mhz;number;id\r\n\"Das Erste\";55,25;2;\r\n"
                                   "ZDF;175.25;5;7\r\n";
  r = home.Run("channels import " + dir + "de.csv " + target);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("wrote 2 station(s) to " + target + " (it held 3)"), std::string::npos)
      << r.out;
  r = home.Run("channels export " + target);
  EXPECT_EQ(r.out, "name,mhz,number,id\n\"Das Erste\",55.25,2,0\n\"ZDF\",175.25,5,7\n");
}

// While the viewer runs it holds its own channel files and writes them back: an import
// there is refused, as a scan is; a file elsewhere is not.
TEST(VdtoolChannels, ImportRefusesTheRunningViewersOwnFolder) {
  ViewerHome home("");
  const std::string csv = home.Folder() + "/list.csv";
  std::ofstream(csv) << "name,mhz,number,id\n\"One\",55.25,2,\n";
  const std::string viewers = home.Folder() + "/data/lumatrope/TV.CFG";
  std::filesystem::create_directories(home.Folder() + "/data/lumatrope");
  const int lock =
      ::open((home.Folder() + "/CORVALEN_AVICAP.lock").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
  Result r = home.Run("channels import " + csv + " " + viewers);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("the viewer is running; close it first"), std::string::npos) << r.out;
  EXPECT_FALSE(std::filesystem::exists(viewers));
  // A scan into the viewer's folder given as --data would be undone the same way.
  r = home.Run("scan --lock-ms 0 --data " + home.Folder() + "/data/lumatrope");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("the viewer is running; close it first"), std::string::npos) << r.out;
  EXPECT_FALSE(std::filesystem::exists(viewers));
  // A vdtool command holding the lock names itself, so nobody looks for a viewer.
  ASSERT_EQ(::pwrite(lock, "vdtool scan\n", 12, 0), 12);
  r = home.Run("channels import " + csv + " " + viewers);
  EXPECT_NE(r.out.find("'vdtool scan' is running; close it first"), std::string::npos) << r.out;
  r = home.Run("channels import " + csv + " " + home.Folder() + "/TV.CFG");
  EXPECT_EQ(r.status, 0) << r.out;
  ::close(lock);
  r = home.Run("channels import " + csv + " " + viewers);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(std::filesystem::exists(viewers));
}

// 'vdtool record' holds the device as it holds the viewer's lock: tuning or a still beside it
// is refused, said why, as a second recording is.
TEST(VdtoolDevice, TuneAndSnapshotAreRefusedWhileARecordingRuns) {
  ViewerHome home("");
  const int lock =
      ::open((home.Folder() + "/CORVALEN_AVICAP.lock").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
  ASSERT_EQ(::pwrite(lock, "vdtool record\n", 14, 0), 14);
  for (const std::string& command :
       {std::string("device tune 175.25"), "snapshot " + home.Folder() + "/a.bmp"}) {
    SCOPED_TRACE(command);
    const Result r = home.Run(command);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("'vdtool record' is running and records from the capture device; wait "
                         "for it to end and try again"),
              std::string::npos)
        << r.out;
  }
  EXPECT_FALSE(std::filesystem::exists(home.Folder() + "/a.bmp"));
  ::close(lock);
}

// The box pulled out in the middle of a search, a bulk recording or a teletext reading: each
// says so, keeps what came before and ends with status 1, never as if it had finished.
TEST(VdtoolDevice, AnUnplugMidCommandIsSaidAndWhatCameBeforeIsKept) {
  ViewerHome home("");
  const std::string said = "The capture device was unplugged";
  ::setenv("VIEWDECK_VIRTUAL_BOX_TEST_CARRIERS", "yes", 1);
  ::setenv("VIEWDECK_VIRTUAL_BOX_UNPLUG_AFTER_MS", "1500", 1);
  Result r = home.Run("scan --lock-ms 100 --data " + home.Folder() + "/scan Germany antenna");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find(said + "; the stations found before it are stored"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("  station 1: "), std::string::npos) << "nothing found before: " << r.out;
  EXPECT_GT(std::filesystem::file_size(home.Folder() + "/scan/TV.CFG"), 0u) << r.out;

  const std::string bulk = home.Folder() + "/bulk.bin";
  r = home.Run("bulk record " + bulk + " 8");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find(said + "; what arrived before it is kept"), std::string::npos) << r.out;
  ASSERT_TRUE(std::filesystem::exists(bulk)) << r.out;
  EXPECT_GT(std::filesystem::file_size(bulk), 0u);

  r = home.Run("teletext --device --seconds 8");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find(said + "; what arrived before it is shown"), std::string::npos) << r.out;
  ::unsetenv("VIEWDECK_VIRTUAL_BOX_UNPLUG_AFTER_MS");
  ::unsetenv("VIEWDECK_VIRTUAL_BOX_TEST_CARRIERS");
}

// FM.CFG says by its name that it has the radio layout (the current station after the count).
TEST(VdtoolArguments, ChannelFileNamedFmCfgIsReadAsRadio) {
  const std::filesystem::path dir = ::testing::TempDir() + "vdtool_fm_" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "fm.csv") << "name,mhz,number,id\n\"Radio One\",98.1,0,4\n";
  const std::string fm = (dir / "FM.CFG").string();
  Result r = RunTool("channels import " + (dir / "fm.csv").string() + " " + fm + " --radio");
  ASSERT_EQ(r.status, 0) << r.out;
  r = RunTool("channels show " + fm);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Radio One"), std::string::npos) << r.out;
  // The same bytes under another name are read as a TV file unless told.
  std::filesystem::copy_file(fm, dir / "stations.cfg");
  EXPECT_EQ(RunTool("channels show " + (dir / "stations.cfg").string()).status, 1);
  r = RunTool("channels show " + (dir / "stations.cfg").string() + " --radio");
  EXPECT_NE(r.out.find("Radio One"), std::string::npos) << r.out;
  r = RunTool("channels show " + fm + " --radio --tv");
  EXPECT_EQ(r.status, 2) << r.out;
  std::filesystem::remove_all(dir);
}

}  // namespace

namespace {

// --device names a card by its index in 'device list' or by its node, for every command that
// opens one; a word that names neither is refused before anything opens.
TEST(VdtoolArguments, DeviceNamesACardByIndexOrNode) {
  const std::string tool = "VIEWDECK_DEVICES=virtual VIEWDECK_AUDIO_SINK=fake ";
  Result listed = vdtest::RunCommand(tool + VD_VDTOOL + " device list");
  ASSERT_EQ(listed.status, 0) << listed.out;
  EXPECT_NE(listed.out.find("   bus path: -"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("   node: "), std::string::npos) << listed.out;

  Result picked = vdtest::RunCommand(tool + VD_VDTOOL + " device picture --device 0");
  EXPECT_EQ(picked.status, 0) << picked.out;
  EXPECT_NE(picked.out.find("brightness:"), std::string::npos) << picked.out;

  Result missing = vdtest::RunCommand(tool + VD_VDTOOL + " device tune 100 --device 3");
  EXPECT_EQ(missing.status, 1) << missing.out;
  EXPECT_NE(missing.out.find("--device 3 names no video capture device"), std::string::npos)
      << missing.out;
  missing = vdtest::RunCommand(tool + VD_VDTOOL + " bulk record --device /dev/video99 x.bin 1");
  EXPECT_NE(missing.out.find("--device /dev/video99 names no video capture device"),
            std::string::npos)
      << missing.out;

  Result bad = vdtest::RunCommand(tool + VD_VDTOOL + " scan Germany antenna --device sideways");
  EXPECT_EQ(bad.status, 2) << bad.out;
  EXPECT_NE(bad.out.find("--device wants an index"), std::string::npos) << bad.out;
}

}  // namespace
