// Qt dialogs for the question and dialog half of vd::AlbumHost, for the main window's
// implementation of it.
#pragma once

#include <QString>
#include <filesystem>
#include <optional>
#include <string>

#include "vd/album/album_host.h"

class QWidget;

class AlbumDialogs {
 public:
  static bool AskYesNo(QWidget* parent, const std::string& text, const std::string& caption,
                       vd::MessageIcon icon, vd::DefaultButton defaultButton);
  static void ShowMessage(QWidget* parent, const std::string& text, const std::string& caption,
                          vd::MessageIcon icon);
  static std::optional<std::string> AskName(QWidget* parent, const std::string& current);
  static std::optional<std::filesystem::path> AskSavePath(QWidget* parent,
                                                          const vd::SaveDialogRequest& request);
  // "BitMap (*.bmp)|*.bmp||" as Qt writes it: "BitMap (*.bmp)", one filter a line.
  static QString QtFilter(const std::string& filter);
};
