// The panel's three backgrounds (resources 424, 425, 426), drawn in the skin's style and
// following the panel's outlines and button positions.
#pragma once

#include <QImage>

namespace vd {

class Skin;

class PanelArtwork {
 public:
  // Adds the backgrounds to the skin unless it has them already.
  static void InstallInto(Skin& skin);
  static QImage DrawBackground(int layout);
};

}  // namespace vd
