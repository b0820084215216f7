// Listing an album of 10,000 files: the store's ListAlbum and the album page's list filled
// from it, next to a plain directory walk (readdir and stat of every entry) of the same
// folder in the same run. Prints milliseconds (best of several runs) and ratios to the walk.
#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "album_list_ctrl.h"
#include "album_page.h"
#include "vd/album/album_host.h"
#include "vd/album/album_store.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 10000;
constexpr int kRuns = 5;

class QuietHost : public vd::AlbumHost {
 public:
  bool AskYesNo(const std::string&, const std::string&, vd::MessageIcon,
                vd::DefaultButton) override {
    return false;
  }
  void ShowMessage(const std::string&, const std::string&, vd::MessageIcon) override {}
  std::optional<std::string> AskName(const std::string&) override { return std::nullopt; }
  std::optional<fs::path> AskSavePath(const vd::SaveDialogRequest&) override {
    return std::nullopt;
  }
  bool IsCapturing() const override { return false; }
  fs::path CurrentFile() const override { return {}; }
  void DropCurrentFile() override {}
  void OpenFile(const fs::path&, vd::MediaKind) override {}
  bool SaveCaptureAs(const fs::path&) override { return false; }
  void FilmSaved(const fs::path&) override {}
  void StillSaved(const fs::path&) override {}
  void ShowAlbumWindow() override {}
};

double BestMs(const std::function<size_t()>& run, size_t* count) {
  double best = 1e30;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = std::chrono::steady_clock::now();
    *count = run();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, ms);
  }
  return best;
}

size_t PlainWalk(const fs::path& folder) {
  size_t n = 0;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  while (const dirent* entry = ::readdir(dir)) {
    struct stat st {};
    const std::string path = folder.string() + "/" + entry->d_name;
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ++n;
  }
  ::closedir(dir);
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  std::string tmpl = (fs::temp_directory_path() / "bench_album_XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) {
    std::fprintf(stderr, "bench_album: cannot make a temporary folder\n");
    return 1;
  }
  const fs::path root = tmpl;
  const fs::path folder = root / "Gallery" / "Bench";
  fs::create_directories(folder);
  const char* extensions[] = {".avi", ".bmp", ".mpg", ".txt"};
  for (int i = 0; i < kFiles; ++i) {
    std::ofstream(folder / ("clip" + std::to_string(i) + extensions[i % 4])) << i;
  }

  QuietHost host;
  vd::AlbumStore store(root, host);
  store.OpenStore();
  size_t walked = 0, listed = 0, filled = 0;
  const double walkMs = BestMs([&] { return PlainWalk(folder); }, &walked);
  const double listMs = BestMs([&] { return store.ListAlbum("Bench").size(); }, &listed);

  CAlbumPage page("Bench", {}, AlbumListCtrl::kLargeIcons);
  page.show();
  const double fillMs = BestMs(
      [&] {
        page.RefreshList(store);
        QApplication::processEvents();  // the view lays the rows out
        return static_cast<size_t>(page.List()->RowCount());
      },
      &filled);

  std::printf("bench_album: %d files in the folder, %zu media files\n", kFiles, listed);
  std::printf("  plain directory walk   %8.2f ms  (%zu files)  1.00x\n", walkMs, walked);
  std::printf("  store ListAlbum        %8.2f ms  %5.2fx the walk  (aim: under 200 ms)\n", listMs,
              listMs / walkMs);
  std::printf("  list window filled     %8.2f ms  %5.2fx the walk  (aim: under 500 ms)\n", fillMs,
              fillMs / walkMs);
  std::error_code ec;
  fs::remove_all(root, ec);
  return listed == static_cast<size_t>(kFiles / 4 * 3) && filled == listed ? 0 : 1;
}
