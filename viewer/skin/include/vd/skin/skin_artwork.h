// Draws the project's artwork for every bitmap the panel uses, under the system's resource
// names: the four states of each key (names ending in 1 normal, 2 focused, 3 pressed,
// 4 disabled), the slider, and the lamps. Key outlines come from the shape table, so the
// artwork and the click areas match.
#pragma once

#include <QImage>
#include <QString>

namespace vd {

class Skin;

class SkinArtwork {
 public:
  static void DrawInto(Skin& skin);

  // Names of the lamps (not in the key table; the panel shows them as pictures).
  static constexpr const char* kInputLampTv = "IND_TV";
  static constexpr const char* kInputLampRadio = "IND_FM";
  static constexpr const char* kInputLampComposite = "IND_AV";
  static constexpr const char* kInputLampSVideo = "IND_SV";
  static constexpr const char* kLampCapture = "LAMP_CAP";
  static constexpr const char* kLampRecord = "LAMP_REC";
  static constexpr const char* kLampLive = "LAMP_LIVE";
  static constexpr const char* kLevelOn = "LED_ON";
  static constexpr const char* kLevelOff = "LED_OFF";
};

}  // namespace vd
