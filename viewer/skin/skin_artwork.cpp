#include "vd/skin/skin_artwork.h"

#include <QPainter>
#include <vector>

#include "button_glyphs.h"
#include "vd/skin/button_shape.h"
#include "vd/skin/skin.h"
#include "vd/skin/skin_painter.h"

namespace vd {

namespace {

struct KeyArt {
  QString stem;  // the name without its state character
  int width;
  int height;
  int shape;
  Glyph glyph;
  QString label;
  int pixelSize;
  QColor base;
  QColor ink;
};

const QColor kKeypadBlue(0x2b, 0x47, 0x6b);
const QColor kRadioTeal(0x1d, 0x5a, 0x60);
const QColor kPowerRed(0x9a, 0x1f, 0x1f);
const QColor kSilver(0x9a, 0xa1, 0xab);

std::vector<KeyArt> KeyTable() {
  const QColor g = SkinPainter::Graphite();
  const QColor w = Qt::white;
  std::vector<KeyArt> keys = {
      {"CH_UP", 22, 23, 1, Glyph::kArrowUp, {}, 0, g, w},
      {"CH_DOWN", 22, 24, 2, Glyph::kArrowDown, {}, 0, g, w},
      {"tools", 21, 23, 5, Glyph::kGear, {}, 0, g, w},
      {"input", 21, 24, 6, Glyph::kSource, {}, 0, g, w},
      {"Mute", 12, 13, 4, Glyph::kSpeaker, {}, 0, g, w},
      {"unMute", 12, 13, 4, Glyph::kSpeakerMuted, {}, 0, g, w},
      {"album", 39, 19, 3, Glyph::kText, "ALBUM", 8, g, w},
      {"snapshot", 39, 19, 3, Glyph::kText, "PHOTO", 8, g, w},
      {"capture", 39, 19, 3, Glyph::kText, "VCR", 8, g, w},
      // The same three while the keypad is open: they take the keypad's colour.
      {"K_album", 39, 19, 3, Glyph::kText, "ALBUM", 8, kKeypadBlue, w},
      {"K_snapshot", 39, 19, 3, Glyph::kText, "PHOTO", 8, kKeypadBlue, w},
      {"K_capture", 39, 19, 3, Glyph::kText, "VCR", 8, kKeypadBlue, w},
      {"About", 14, 14, 9, Glyph::kQuestion, {}, 0, g, w},
      {"MTS-", 14, 14, 9, Glyph::kStereo, {}, 0, g, w},
      {"Max", 18, 18, 8, Glyph::kMaximize, {}, 0, g, w},
      {"Min", 18, 18, 8, Glyph::kMinimize, {}, 0, g, w},
      {"Power", 20, 20, 7, Glyph::kPower, {}, 0, kPowerRed, w},
      {"Ardmoor", 48, 14, 0, Glyph::kText, "Ardmoor", 9, kSilver, QColor(0x1c, 0x22, 0x2c)},
      {"KEYPAD", 13, 12, 10, Glyph::kKeypad, {}, 0, kKeypadBlue, w},
      {"PLAY_", 34, 18, 11, Glyph::kPlay, {}, 0, g, w},
      {"PAUSE_", 34, 18, 11, Glyph::kPause, {}, 0, g, w},
      {"STOP_", 34, 18, 11, Glyph::kStop, {}, 0, g, w},
      {"RECORD_", 34, 18, 11, Glyph::kRecord, {}, 0, g, w},
      {"LIVE_", 34, 18, 11, Glyph::kText, "LIVE", 8, g, w},
      {"KEY_EN", 18, 17, 13, Glyph::kEnter, {}, 0, kKeypadBlue, w},
      {"KEY_RCL", 18, 17, 13, Glyph::kRecall, {}, 0, kKeypadBlue, w},
      {"FM_KEY_MEM", 18, 18, 12, Glyph::kText, "M", 9, kRadioTeal, QColor(0xff, 0xd0, 0x60)},
  };
  for (int digit = 0; digit <= 9; ++digit) {
    QString d = QString::number(digit);
    keys.push_back({"KEY" + d, 18, 17, 13, Glyph::kText, d, 10, kKeypadBlue, w});
    keys.push_back({"FM_KEY" + d, 18, 18, 12, Glyph::kText, d, 10, kRadioTeal, w});
  }
  return keys;
}

QImage DrawKey(const KeyArt& key, ButtonLook look) {
  QImage image = SkinPainter::NewImage(key.width, key.height);
  QPainter p(&image);
  QPainterPath frame;
  frame.addRect(0, 0, key.width, key.height);
  // The shape may be larger than the bitmap (the window clips the click area the same way).
  QPainterPath outline = ButtonShape::Path(key.shape)->intersected(frame);
  // Keep the rim inside the pixels the click area covers.
  QTransform inset;
  inset.translate(0.5, 0.5);
  inset.scale((key.width - 1.0) / key.width, (key.height - 1.0) / key.height);
  outline = inset.map(outline);
  SkinPainter::PaintBody(p, outline, key.base, look);
  QRectF box(0, 0, key.width, key.height);
  if (look == ButtonLook::kPressed) box.translate(0.5, 1.0);
  QColor ink = SkinPainter::GlyphColor(look, key.ink);
  // The record dot stays red in every look that can be pressed.
  if (key.glyph == Glyph::kRecord && look != ButtonLook::kDisabled) {
    ink = look == ButtonLook::kPressed ? QColor(0xd0, 0x20, 0x18) : QColor(0xff, 0x3b, 0x30);
  }
  ButtonGlyphs::Draw(p, key.glyph, box, ink, key.label, key.pixelSize);
  return image;
}

QImage DrawSliderBackground() {
  constexpr int kWidth = 16;
  constexpr int kHeight = 58;
  QImage image = SkinPainter::NewImage(kWidth, kHeight);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath plate;
  plate.addRoundedRect(QRectF(0.5, 0.5, kWidth - 1, kHeight - 1), 4, 4);
  SkinPainter::PaintBrushedMetal(p, plate, SkinPainter::Graphite().darker(115), 7);
  SkinPainter::PaintRecess(p, QRectF(6, 4, 4, kHeight - 8), 2, QColor(0x08, 0x0a, 0x0c));
  // Ticks at both sides of the slot: louder towards the top.
  for (int i = 0; i <= 8; ++i) {
    double y = 7 + i * (kHeight - 14) / 8.0;
    int length = 4 - i / 3;
    p.setPen(QPen(QColor(0xc8, 0xcc, 0xd2, 150), 1.0));
    p.drawLine(QPointF(1.5, y), QPointF(1.5 + length, y));
    p.drawLine(QPointF(kWidth - 1.5 - length, y), QPointF(kWidth - 1.5, y));
  }
  p.setPen(QPen(QColor(0, 0, 0, 200), 1.0));
  p.setBrush(Qt::NoBrush);
  p.drawPath(plate);
  return image;
}

QImage DrawThumb(ButtonLook look) {
  QImage image = SkinPainter::NewImage(15, 11);
  QPainter p(&image);
  QPainterPath knob;
  knob.addRoundedRect(QRectF(0.5, 0.5, 14, 10), 3, 3);
  QColor base = look == ButtonLook::kPressed ? SkinPainter::Accent().darker(220) : kSilver;
  SkinPainter::PaintBody(p, knob, base, look == ButtonLook::kPressed ? ButtonLook::kNormal : look);
  p.setRenderHint(QPainter::Antialiasing);
  QColor grip = look == ButtonLook::kNormal ? QColor(0x20, 0x24, 0x2a) : SkinPainter::Accent();
  p.setPen(QPen(grip, 1.2));
  p.drawLine(QPointF(3, 5.5), QPointF(12, 5.5));
  return image;
}

QImage DrawLamp(int width, int height, const QColor& color, const QString& label, int px) {
  QImage image = SkinPainter::NewImage(width, height);
  QPainter p(&image);
  SkinPainter::PaintLamp(p, QRectF(0, 0, width, height), color, true, label, px);
  return image;
}

}  // namespace

void SkinArtwork::DrawInto(Skin& skin) {
  constexpr ButtonLook kLooks[] = {ButtonLook::kNormal, ButtonLook::kFocused, ButtonLook::kPressed,
                                   ButtonLook::kDisabled};
  for (const KeyArt& key : KeyTable()) {
    for (int state = 1; state <= 4; ++state) {
      QString name = key.stem + QString::number(state);
      // The sound-mode key calls its disabled look "MTS-d".
      if (state == 4 && key.stem == "MTS-") name = key.stem + "d";
      skin.Add(name, DrawKey(key, kLooks[state - 1]));
    }
  }

  skin.Add("VOL_BG", DrawSliderBackground());
  skin.Add("IDB_SLIDER1", DrawThumb(ButtonLook::kNormal));
  skin.Add("IDB_SLIDER2", DrawThumb(ButtonLook::kFocused));
  skin.Add("IDB_SLIDER3", DrawThumb(ButtonLook::kPressed));

  const QColor cyan = SkinPainter::Accent();
  skin.Add(kInputLampTv, DrawLamp(18, 15, cyan, "TV", 8));
  skin.Add(kInputLampRadio, DrawLamp(18, 15, cyan, "FM", 8));
  skin.Add(kInputLampComposite, DrawLamp(20, 14, cyan, "AV", 8));
  skin.Add(kInputLampSVideo, DrawLamp(19, 14, cyan, "SV", 8));
  skin.Add(kLampCapture, DrawLamp(28, 9, QColor(0xff, 0xb0, 0x30), "CAP", 7));
  skin.Add(kLampRecord, DrawLamp(28, 9, QColor(0xff, 0x40, 0x38), "REC", 7));
  skin.Add(kLampLive, DrawLamp(28, 9, QColor(0x50, 0xf0, 0x70), "LIVE", 7));
  skin.Add(kLevelOn, DrawLamp(6, 9, QColor(0x50, 0xf0, 0x70), {}, 0));
  QImage off = SkinPainter::NewImage(6, 9);
  {
    QPainter p(&off);
    SkinPainter::PaintLamp(p, QRectF(0, 0, 6, 9), QColor(0x50, 0xf0, 0x70), false, {}, 0);
  }
  skin.Add(kLevelOff, off);
}

}  // namespace vd
