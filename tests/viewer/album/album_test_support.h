// A temporary folder per test and a scripted album host that records what the store asks.
#pragma once

#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "vd/album/album_host.h"
#include "vd/album/album_view.h"

namespace vd::test {

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vd_album_XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Message {
  std::string text;
  std::string caption;
  MessageIcon icon;
};

struct Question {
  std::string text;
  std::string caption;
  MessageIcon icon;
  DefaultButton defaultButton;
};

class FakeHost : public AlbumHost {
 public:
  bool AskYesNo(const std::string& text, const std::string& caption, MessageIcon icon,
                DefaultButton defaultButton) override {
    questions.push_back({text, caption, icon, defaultButton});
    if (answers.empty()) return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  }
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
    messages.push_back({text, caption, icon});
  }
  std::optional<std::string> AskName(const std::string& current) override {
    nameRequests.push_back(current);
    if (names.empty()) return std::nullopt;
    auto name = names.front();
    names.pop_front();
    return name;
  }
  std::optional<std::filesystem::path> AskSavePath(const SaveDialogRequest& request) override {
    saveRequests.push_back(request);
    return savePath;
  }
  bool IsCapturing() const override { return capturing; }
  std::filesystem::path CurrentFile() const override { return currentFile; }
  void DropCurrentFile() override {
    dropped.push_back(currentFile);
    currentFile.clear();
  }
  void OpenFile(const std::filesystem::path& path, MediaKind kind) override {
    opened.emplace_back(path, kind);
  }
  bool SaveCaptureAs(const std::filesystem::path& path) override {
    savedCaptures.push_back(path);
    return captureSaves;
  }
  void FilmSaved(const std::filesystem::path& path) override { films.push_back(path); }
  void StillSaved(const std::filesystem::path& path) override { stills.push_back(path); }
  void ShowAlbumWindow() override { ++showWindow; }

  // Script
  std::deque<bool> answers;
  std::deque<std::optional<std::string>> names;
  std::optional<std::filesystem::path> savePath;
  bool capturing = false;
  bool captureSaves = true;
  std::filesystem::path currentFile;

  // Record
  std::vector<Question> questions;
  std::vector<Message> messages;
  std::vector<std::string> nameRequests;
  std::vector<SaveDialogRequest> saveRequests;
  std::vector<std::filesystem::path> dropped;
  std::vector<std::pair<std::filesystem::path, MediaKind>> opened;
  std::vector<std::filesystem::path> savedCaptures;
  std::vector<std::filesystem::path> films;
  std::vector<std::filesystem::path> stills;
  int showWindow = 0;
};

// Records the store's announcements as short strings: "added 3", "current 1", ...
class RecordingView : public AlbumView {
 public:
  void AlbumAdded(size_t i) override { events.push_back("added " + std::to_string(i)); }
  void AlbumRenamed(size_t i) override { events.push_back("renamed " + std::to_string(i)); }
  void AlbumRemoved(size_t i) override { events.push_back("removed " + std::to_string(i)); }
  void CurrentAlbumChanged(size_t i) override { events.push_back("current " + std::to_string(i)); }
  void AlbumContentChanged(size_t i) override { events.push_back("content " + std::to_string(i)); }
  std::vector<std::string> events;
};

}  // namespace vd::test
