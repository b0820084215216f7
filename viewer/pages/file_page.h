// The file options page: the still folder, the size the capture file is set up with before
// a recording, the free room of its volume, and the prefix of the still file names.
#pragma once

#include <QWidget>

#include "vd/pages/pages_engine.h"
#include "vd/sheet/sheet_page.h"

class QCheckBox;
class QLabel;
class QLineEdit;

class CFilePage : public QWidget, public vd::SheetPage {
  Q_OBJECT

 public:
  static constexpr int kTemplate = 145;
  static constexpr int kMaxPrefix = 100;
  static constexpr int32_t kMaxSizeMb = 1000;
  static constexpr const char* kNoSpace = "Not enough space , sorry!";

  explicit CFilePage(vd::FileOptionsPort& engine, QWidget* parent = nullptr);

  // Applies the prefix, then the capture file's size when the volume has room for it.
  void OnOk() override;

  // The installation folder joined with the album path (an absolute album path stands alone).
  static std::string StillFolder(const std::string& installFolder, const std::string& album);

  QLineEdit* Folder() const { return folder_; }
  QLineEdit* SizeMb() const { return sizeMb_; }
  QCheckBox* Allocate() const { return allocate_; }
  QLabel* FreeSpace() const { return freeSpace_; }
  QLineEdit* Prefix() const { return prefix_; }

 private:
  void Load();
  // A changed prefix (numbering from the start) with the still folder of the current album.
  void ApplyPrefix();

  vd::FileOptionsPort& engine_;
  vd::FileOptions shown_;
  int64_t freeMb_ = 0;
  QLineEdit* folder_;
  QLineEdit* sizeMb_;
  QCheckBox* allocate_;
  QLabel* freeSpace_;
  QLineEdit* prefix_;
};
