// A still saved onto a full disk: the save reports failure with a message, and neither a
// half-written picture nor a temporary file is left; a picture it was to replace survives.
// The full disk is a file-size limit on this process, with SIGXFSZ ignored so that writes
// fail with EFBIG instead of killing the test.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "album_test_support.h"
#include "vd/album/album_store.h"

namespace vd {
namespace {

namespace fs = std::filesystem;

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
  }
  bool Ok() const { return ok_; }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_ = SIG_DFL;
  bool ok_ = false;
};

std::vector<std::string> FolderNames(const fs::path& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

class FullDiskStill : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(store.OpenStore());
    header.width = 768;
    header.height = 576;
    header.sizeImage = 768 * 576 * 3;
  }
  fs::path Album() const { return dir.Path() / "Gallery" / "General"; }

  test::TempDir dir;
  test::FakeHost host;
  AlbumStore store{dir.Path(), host};
  BitmapInfoHeader header;
  const std::vector<uint8_t> pixels = std::vector<uint8_t>(768 * 576 * 3, 0x7F);
};

TEST_F(FullDiskStill, FailsWithAMessageAndLeavesNoFile) {
  host.savePath = Album() / "shot.bmp";
  {
    FileSizeLimit full(64 * 1024);
    ASSERT_TRUE(full.Ok());
    EXPECT_FALSE(store.SaveStill(header, pixels));
  }
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].icon, MessageIcon::kError);
  EXPECT_NE(host.messages[0].text.find("shot.bmp"), std::string::npos) << host.messages[0].text;
  EXPECT_TRUE(host.stills.empty());
  EXPECT_TRUE(FolderNames(Album()).empty());

  // With room again the same save goes through: nothing was left holding the name.
  EXPECT_TRUE(store.SaveStill(header, pixels));
  EXPECT_EQ(fs::file_size(Album() / "shot.bmp"), 54u + pixels.size());
}

TEST_F(FullDiskStill, APictureBeingReplacedSurvivesUnchanged) {
  test::WriteFile(Album() / "shot.bmp", "the earlier picture");
  host.savePath = Album() / "shot.bmp";
  {
    FileSizeLimit full(256 * 1024);
    ASSERT_TRUE(full.Ok());
    EXPECT_FALSE(store.SaveStill(header, pixels));
  }
  EXPECT_EQ(test::ReadFile(Album() / "shot.bmp"), "the earlier picture");
  EXPECT_EQ(FolderNames(Album()), std::vector<std::string>{"shot.bmp"});
  EXPECT_EQ(host.messages.size(), 1u);
}

}  // namespace
}  // namespace vd
