// The album's two row icons, drawn by the program: a strip of film and a framed picture,
// each at 16 and 32 pixels for the small and large views.
#pragma once

#include <QIcon>

class AlbumIcons {
 public:
  static QIcon Film();
  static QIcon Picture();
};
