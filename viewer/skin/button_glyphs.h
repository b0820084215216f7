// The symbols on the skin's keys, drawn as vector paths so that they stay crisp at the small
// sizes of the panel.
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace vd {

enum class Glyph {
  kNone,
  kText,  // the label, in bold capitals
  kArrowUp,
  kArrowDown,
  kGear,
  kSource,
  kSpeaker,
  kSpeakerMuted,
  kQuestion,
  kStereo,
  kMaximize,
  kMinimize,
  kPower,
  kKeypad,
  kPlay,
  kPause,
  kStop,
  kRecord,
  kEnter,
  kRecall,
};

class ButtonGlyphs {
 public:
  // Draws the glyph centred in `box`; `label` and `pixelSize` are used by kText.
  static void Draw(QPainter& p, Glyph glyph, const QRectF& box, const QColor& color,
                   const QString& label = QString(), int pixelSize = 8);
};

}  // namespace vd
