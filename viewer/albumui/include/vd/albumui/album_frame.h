// The album window: a small floating tool window beside the main window, holding the album
// sheet at its top-left corner and sized to fit it. The main window makes it once, shows and
// hides it (command 1020), and reaches the store through it for stills and films.
#pragma once

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>

#include <span>

#include "vd/album/album_host.h"
#include "vd/album/bitmap_file.h"

class CAlbumPropSheet;

class CAlbumFrame : public QWidget {
 public:
  CAlbumFrame(vd::AlbumHost& host, const std::filesystem::path& installPath, int32_t albumPageNum,
              std::function<void(int32_t)> keepPageNum, QWidget* parent = nullptr);

  CAlbumPropSheet* Sheet() const { return sheet_; }

  // Snapshot and capture end (commands 1024 and 1022).
  bool SaveStill(const vd::BitmapInfoHeader& header, std::span<const uint8_t> pixels);
  bool SaveFilm();
  // The folder hardware stills go to: the current album's.
  std::filesystem::path StillFolder() const;
  // WM_USER+111 and timer 214: refresh when marked.
  void MarkForRefresh();
  bool RefreshIfMarked();

 protected:
  bool event(QEvent* event) override;

 private:
  CAlbumPropSheet* sheet_;
};
