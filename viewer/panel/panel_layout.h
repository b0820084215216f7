// Fixed layout data of the control panel: where each button and control sits, which bitmaps
// and click shape it has, the window outline of each of the three layouts, and the tooltips.
// Coordinates are panel pixels unless a field says otherwise.
#pragma once

#include <QPolygon>
#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

namespace vd {

struct PanelButtonEntry {
  int id;
  const char* bitmap;  // resource name of the normal look (ends in "1")
  int x;               // relative to the button area, or to the keypad area when `inKeypadArea`
  int y;
  int width;  // 0: the size of the normal bitmap
  int height;
  int shape;
  bool inKeypadArea;
};

class PanelLayout {
 public:
  // The keypads live in a strip of this width left of the button area.
  static constexpr int kKeypadAreaWidth = 64;
  static constexpr int kLayoutCount = 3;

  static const std::vector<PanelButtonEntry>& Buttons();
  static const PanelButtonEntry* Button(int id);
  // Top-left of a button in panel pixels.
  static QPoint PanelPosition(const PanelButtonEntry& entry);

  // Name of the bitmap for state 1 normal, 2 focused, 3 pressed, 4 disabled, from the name of
  // the normal look. The sound-mode key's disabled look is "MTS-d".
  static QString StateName(const QString& normalName, int state);
  // The normal name of the K_ set used while the keypad is open ("album1" -> "K_album1"), or
  // the name itself for buttons without such a set.
  static QString KeypadSetName(const QString& normalName);

  // Controls that are not buttons, in panel pixels.
  static QPoint SliderPosition();
  static QRect StationDisplayRect();
  static QRect IndicatorRect(int id);
  // The display window behind the station text and the lamps.
  static QRect DisplayWindowRect();

  static QSize LayoutSize(int layout);
  static QString BackgroundName(int layout);  // "424", "425", "426"
  // The window outline of a layout: one or more polygons, united.
  static std::vector<QPolygon> Outline(int layout);
  // The keypad area's outline, added while the TV keypad is open.
  static QPolygon KeypadPadOutline();
  // The preset strip under the radio panel, added while the FM keypad is open.
  static QPolygon FmPadOutline();

  // Tooltip text for a control id, empty when it has none.
  static QString Tooltip(int id);
};

}  // namespace vd
