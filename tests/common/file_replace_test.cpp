// Replacing and reading files under the faults users meet: a second writer, a full disk, a
// FIFO or a folder where a file should be.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "vd/file_read.h"
#include "vd/file_replace.h"

namespace fs = std::filesystem;

namespace {

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "vd-fileio-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  static std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Names in the folder other than `keep`: anything a writer left behind.
  std::vector<std::string> Leftovers(const std::string& keep) const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_))
      if (e.path().filename() != keep) out.push_back(e.path().filename().string());
    return out;
  }
  fs::path dir_;
};

TEST_F(FileIoTest, ReplacementKeepsPermissionsAndTwoWritersNeverMix) {
  const fs::path target = dir_ / "TV.CFG";
  const mode_t oldMask = ::umask(022);
  ASSERT_TRUE(vd::ReplaceFile(target, std::string_view("first")));
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u) << "a new file takes the user's usual permissions";
  ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
  ASSERT_TRUE(vd::ReplaceFile(target, std::string_view("second")));
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "a replaced file keeps the permissions it had";
  EXPECT_EQ(Slurp(target), "second");
  ::umask(oldMask);

  // Two processes each replace the file with their own whole list, over and over; a reader
  // in between must only ever see one of the two lists complete.
  const std::string a(200000, 'a');
  const std::string b(150000, 'b');
  pid_t writers[2];
  for (int w = 0; w < 2; ++w) {
    writers[w] = ::fork();
    ASSERT_GE(writers[w], 0);
    if (writers[w] == 0) {
      for (int i = 0; i < 150; ++i)
        if (!vd::ReplaceFile(target, std::string_view(w == 0 ? a : b))) ::_exit(1);
      ::_exit(0);
    }
  }
  int torn = 0;
  for (int i = 0; i < 300; ++i) {
    auto bytes = vd::ReadRegularFile(target, 1 << 20);
    ASSERT_TRUE(bytes.has_value());
    const std::string seen(bytes->begin(), bytes->end());
    if (seen != a && seen != b && seen != "second") ++torn;
  }
  for (pid_t pid : writers) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer reported failure";
  }
  EXPECT_EQ(torn, 0) << "a reader saw a mix of two writers' files";
  const std::string last = Slurp(target);
  EXPECT_TRUE(last == a || last == b);
  EXPECT_TRUE(Leftovers("TV.CFG").empty());
}

TEST_F(FileIoTest, FailedReplacementKeepsOldFileAndLeavesNothing) {
  const fs::path target = dir_ / "settings.reg";
  ASSERT_TRUE(vd::ReplaceFile(target, std::string_view("old")));

  // A full disk: the file size limit makes writes fail as ENOSPC would, past 64 KiB.
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {
      65536, 65536
    };
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::string error;
    const bool ok = vd::ReplaceFile(target, std::string(200000, 'x'), &error);
    ::_exit(!ok && error == std::strerror(EFBIG) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "a full disk was not reported as a failure with its reason";
  EXPECT_EQ(Slurp(target), "old");

  // A folder where the file should be: nothing is renamed over it, and no temporary stays.
  const fs::path folder = dir_ / "FM.CFG";
  fs::create_directory(folder);
  std::string error;
  EXPECT_FALSE(vd::ReplaceFile(folder, std::string_view("list"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(fs::is_directory(folder));

  // An abandoned replacement (a crash between writing and renaming) leaves no trace.
  {
    vd::FileReplacement pending;
    ASSERT_TRUE(pending.Begin(target));
    ASSERT_TRUE(pending.Write(std::string_view("half")));
  }
  EXPECT_EQ(Slurp(target), "old");
  auto left = Leftovers("settings.reg");
  left.erase(std::remove(left.begin(), left.end(), "FM.CFG"), left.end());
  EXPECT_TRUE(left.empty()) << left.front();

  // A copy of a missing source is refused before the target is touched.
  EXPECT_FALSE(vd::ReplaceWithCopy(dir_ / "none.avi", target, &error));
  EXPECT_EQ(Slurp(target), "old");
}

TEST_F(FileIoTest, MoveReplacesInOneStepOnAndAcrossFileSystems) {
  const fs::path source = dir_ / "capture.avi";
  const fs::path target = dir_ / "film.avi";
  {
    std::ofstream(source) << "new film";
    std::ofstream(target) << "old film";
  }
  ASSERT_TRUE(vd::MoveReplacing(source, target));
  EXPECT_EQ(Slurp(target), "new film");
  EXPECT_FALSE(fs::exists(source));

  // A failed move keeps both files: neither the recording nor the film it was to replace
  // is lost.
  std::ofstream(source) << "another";
  std::string error;
  EXPECT_FALSE(vd::MoveReplacing(source, dir_ / "missing" / "film.avi", &error));
  EXPECT_EQ(Slurp(source), "another");

  // Across file systems the move is a copy, replaced in one step, then the source's removal.
  struct stat here {
  }, shm{};
  if (::stat(dir_.c_str(), &here) == 0 && ::stat("/dev/shm", &shm) == 0 &&
      here.st_dev != shm.st_dev && ::access("/dev/shm", W_OK) == 0) {
    const fs::path other = fs::path("/dev/shm") / ("vd-fileio-" + std::to_string(::getpid()));
    ASSERT_TRUE(vd::MoveReplacing(source, other, &error)) << error;
    EXPECT_EQ(Slurp(other), "another");
    EXPECT_FALSE(fs::exists(source));
    fs::remove(other);
  }
}

// A recording copied on a worker thread: the window stops it mid-way, or watches it end.
TEST_F(FileIoTest, ACancelledCopyKeepsBothFilesAndAWholeOneIsCounted) {
  const fs::path source = dir_ / "capture.avi";
  const fs::path target = dir_ / "film.avi";
  const off_t size = off_t{20} << 20;  // three pieces
  {
    std::ofstream(target) << "old film";
    std::ofstream out(source, std::ios::binary);
    out << "RIFF";
    out.seekp(size - 4);
    out << "tail";
  }
  vd::CopyControl stop;
  int pieces = 0;
  stop.afterPiece = [&](int64_t) {
    ++pieces;
    stop.cancel = true;
  };
  std::string error;
  EXPECT_FALSE(vd::ReplaceWithCopy(source, target, &error, &stop));
  EXPECT_EQ(error, std::strerror(ECANCELED));
  EXPECT_EQ(pieces, 1) << "the copy went on after the cancel";
  EXPECT_EQ(Slurp(target), "old film");
  EXPECT_EQ(fs::file_size(source), static_cast<uintmax_t>(size));
  auto left = Leftovers("film.avi");
  left.erase(std::remove(left.begin(), left.end(), "capture.avi"), left.end());
  EXPECT_TRUE(left.empty()) << left.front();

  vd::CopyControl watch;
  ASSERT_TRUE(vd::ReplaceWithCopy(source, target, &error, &watch)) << error;
  EXPECT_EQ(watch.total.load(), size);
  EXPECT_EQ(watch.done.load(), size);
  EXPECT_TRUE(Slurp(target) == Slurp(source));
}

TEST_F(FileIoTest, ReadingRefusesWhatIsNotARegularFileWithoutBlocking) {
  const fs::path fifo = dir_ / "ChList.CFG";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::string error;
  // A blocking open would hang here for ever: no one writes to the FIFO.
  EXPECT_FALSE(vd::ReadRegularFile(fifo, 100, &error).has_value());
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(error, "not a regular file");
  EXPECT_FALSE(vd::ReadRegularFile(dir_, 100, &error).has_value());
  EXPECT_FALSE(vd::ReadRegularFile(dir_ / "none", 100, &error).has_value());
  EXPECT_EQ(errno, ENOENT);

  const fs::path file = dir_ / "TV.CFG";
  std::ofstream(file) << "0123456789";
  auto head = vd::ReadRegularFile(file, 4);
  ASSERT_TRUE(head.has_value());
  EXPECT_EQ(std::string(head->begin(), head->end()), "0123");
  // The descriptor is blocking again once the file is known to be regular.
  vd::UniqueFd fd = vd::OpenRegularFile(file);
  ASSERT_TRUE(fd.Valid());
  EXPECT_EQ(::fcntl(fd.Get(), F_GETFL) & O_NONBLOCK, 0);
}

// A settings file or list kept elsewhere and linked in stays linked: the file the links lead
// to is replaced in its own folder. A FIFO (directly or behind a link) or a folder in the
// target's place is refused with the reason and left as it was, and nothing hangs.
TEST_F(FileIoTest, WritersFollowLinksAndRefuseWhatIsNotAFile) {
  fs::create_directory(dir_ / "kept");
  const fs::path real = dir_ / "kept" / "viewdeck.reg";
  std::ofstream(real) << "old";
  const fs::path link = dir_ / "viewdeck.reg";
  const fs::path chain = dir_ / "again.reg";
  fs::create_symlink("kept/viewdeck.reg", link);
  fs::create_symlink(link, chain);
  std::string error;
  ASSERT_TRUE(vd::ReplaceFile(chain, std::string_view("new"), &error)) << error;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(fs::is_symlink(chain));
  EXPECT_EQ(Slurp(real), "new");
  const fs::path source = dir_ / "capture.avi";
  std::ofstream(source) << "film";
  ASSERT_TRUE(vd::MoveReplacing(source, link, &error)) << error;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Slurp(real), "film");
  EXPECT_EQ(Leftovers("kept").size(), 2u) << "the links only, no new version left";
  // A link to nothing yet makes the file it names.
  fs::create_symlink("kept/new.reg", dir_ / "fresh.reg");
  ASSERT_TRUE(vd::ReplaceFile(dir_ / "fresh.reg", std::string_view("x"), &error)) << error;
  EXPECT_EQ(Slurp(dir_ / "kept" / "new.reg"), "x");

  const fs::path fifo = dir_ / "fifo.avi";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink(fifo, dir_ / "to-fifo.avi");
  std::ofstream(source) << "film";
  for (const fs::path& target : {fifo, dir_ / "to-fifo.avi"}) {
    error.clear();
    EXPECT_FALSE(vd::ReplaceFile(target, std::string_view("x"), &error));
    EXPECT_NE(error.find("a FIFO"), std::string::npos) << error;
    EXPECT_FALSE(vd::MoveReplacing(source, target, &error));
    EXPECT_NE(error.find("a FIFO"), std::string::npos) << error;
    EXPECT_FALSE(vd::ReplaceWithCopy(source, target, &error));
    EXPECT_EQ(Slurp(source), "film");
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_TRUE(fs::is_symlink(dir_ / "to-fifo.avi"));
  EXPECT_FALSE(vd::ReplaceFile(dir_ / "kept", std::string_view("x"), &error));
  EXPECT_NE(error.find("a folder"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(dir_ / "kept"));
}

}  // namespace
