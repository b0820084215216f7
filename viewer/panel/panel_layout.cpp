#include "panel_layout.h"

#include <cmath>
#include <numbers>

#include "vd/layout/panel_ids.h"

namespace vd {

namespace pid = panel_id;

namespace {

constexpr int kPanelWidth = 384;

std::vector<PanelButtonEntry> MakeButtons() {
  std::vector<PanelButtonEntry> b = {
      {pid::kChannelUp, "CH_UP1", 249, 33, 22, 23, 1, false},
      {pid::kChannelDown, "CH_DOWN1", 249, 57, 22, 24, 2, false},
      {pid::kTools, "tools1", 277, 33, 21, 23, 5, false},
      {pid::kInput, "input1", 277, 57, 21, 24, 6, false},
      {pid::kMute, "Mute1", 231, 7, 12, 13, 4, false},
      {pid::kUnmute, "unMute1", 231, 7, 12, 13, 4, false},
      {pid::kAlbum, "album1", 2, 13, 39, 19, 3, false},
      {pid::kSnapshot, "snapshot1", 2, 35, 39, 19, 3, false},
      {pid::kCapture, "capture1", 2, 56, 39, 19, 3, false},
      {pid::kAbout, "About1", 210, 4, 14, 14, 9, false},
      {pid::kSoundMode, "MTS-1", 192, 6, 14, 14, 9, false},
      {pid::kMaximize, "Max1", 248, 2, 18, 18, 8, false},
      {pid::kRestore, "Max1", 248, 2, 18, 18, 8, false},
      {pid::kMinimize, "Min1", 270, 2, 18, 18, 8, false},
      {pid::kPower, "Power1", 294, 2, 20, 20, 7, false},
      {pid::kLogo, "Ardmoor1", 141, 4, 48, 14, 0, false},
      {pid::kKeypad, "KEYPAD1", 37, 73, 13, 12, 10, false},
      {pid::kPlay, "PLAY_1", 26, 78, 34, 18, 11, false},
      {pid::kPause, "PAUSE_1", 26, 78, 34, 18, 11, false},
      {pid::kStop, "STOP_1", 62, 78, 34, 18, 11, false},
      {pid::kRecord, "RECORD_1", 99, 78, 34, 18, 11, false},
      {pid::kLive, "LIVE_1", 99, 78, 34, 18, 11, false},
      {pid::kKey0, "KEY01", 25, 67, 0, 0, 13, true},
      {pid::kKeyEnter, "KEY_EN1", 45, 67, 0, 0, 13, true},
      {pid::kKeyRecall, "KEY_RCL1", 5, 67, 0, 0, 13, true},
      {pid::kFmKey0, "FM_KEY01", 175, 80, 0, 0, 12, false},
      {pid::kFmMemory, "FM_KEY_MEM1", 24, 80, 0, 0, 12, false},
  };
  static const char* const kKeyNames[] = {"KEY11", "KEY21", "KEY31", "KEY41", "KEY51",
                                          "KEY61", "KEY71", "KEY81", "KEY91"};
  static const char* const kFmNames[] = {"FM_KEY11", "FM_KEY21", "FM_KEY31", "FM_KEY41", "FM_KEY51",
                                         "FM_KEY61", "FM_KEY71", "FM_KEY81", "FM_KEY91"};
  for (int digit = 1; digit <= 9; ++digit) {
    const int column = (digit - 1) % 3;
    const int row = (digit - 1) / 3;
    b.push_back(
        {pid::kKey0 + digit, kKeyNames[digit - 1], 20 * column + 5, 13 + 18 * row, 0, 0, 13, true});
    // Presets 1..9 sit left to right from x 49, 14 pixels apart; preset 0 closes the row.
    b.push_back(
        {pid::kFmKey0 + digit, kFmNames[digit - 1], 14 * (digit - 1) + 49, 80, 0, 0, 12, false});
  }
  return b;
}

// A rounded rectangle as a point list: corners sampled every 15 degrees.
QPolygon RoundedPolygon(const QRect& r, int radius) {
  QPolygon polygon;
  const double x0 = r.left();
  const double y0 = r.top();
  const double x1 = r.left() + r.width();
  const double y1 = r.top() + r.height();
  struct Corner {
    double cx, cy, start;
  };
  const Corner corners[] = {{x1 - radius, y0 + radius, -90},
                            {x1 - radius, y1 - radius, 0},
                            {x0 + radius, y1 - radius, 90},
                            {x0 + radius, y0 + radius, 180}};
  for (const Corner& c : corners) {
    for (int step = 0; step <= 6; ++step) {
      const double a = (c.start + step * 15) * std::numbers::pi / 180;
      polygon << QPoint(static_cast<int>(std::lround(c.cx + radius * std::cos(a))),
                        static_cast<int>(std::lround(c.cy + radius * std::sin(a))));
    }
  }
  return polygon;
}

// The main body: the button area with a crown over the logo and top-row keys.
QPolygon MainBody(int height) {
  QPolygon body = RoundedPolygon(QRect(kPanelWidth - 320, 8, 320, height - 8), 12);
  return body;
}

QPolygon Crown() {
  return RoundedPolygon(QRect(PanelLayout::kKeypadAreaWidth + 134, 0, 186, 28), 10);
}

}  // namespace

const std::vector<PanelButtonEntry>& PanelLayout::Buttons() {
  static const std::vector<PanelButtonEntry> buttons = MakeButtons();
  return buttons;
}

const PanelButtonEntry* PanelLayout::Button(int id) {
  for (const PanelButtonEntry& entry : Buttons()) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

QPoint PanelLayout::PanelPosition(const PanelButtonEntry& entry) {
  return {entry.x + (entry.inKeypadArea ? 0 : kKeypadAreaWidth), entry.y};
}

QString PanelLayout::StateName(const QString& normalName, int state) {
  if (normalName.isEmpty()) return normalName;
  QString stem = normalName.left(normalName.size() - 1);
  if (state == 4 && stem.compare(QStringLiteral("MTS-"), Qt::CaseInsensitive) == 0) {
    return stem + QLatin1Char('d');
  }
  return stem + QString::number(state);
}

QString PanelLayout::KeypadSetName(const QString& normalName) {
  for (const char* name : {"album1", "snapshot1", "capture1"}) {
    if (normalName.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
      return QStringLiteral("K_") + normalName;
    }
  }
  return normalName;
}

QPoint PanelLayout::SliderPosition() {
  return {kKeypadAreaWidth + 229, 22};
}

QRect PanelLayout::StationDisplayRect() {
  return {kKeypadAreaWidth + 53, 44, 163, 17};
}

QRect PanelLayout::IndicatorRect(int id) {
  const int x = kKeypadAreaWidth;
  switch (id) {
    case pid::kIndicatorCapture:
      return {x + 55, 33, 28, 9};
    case pid::kIndicatorRecord:
      return {x + 82, 33, 28, 9};
    case pid::kIndicatorLive:
      return {x + 111, 33, 28, 9};
    case pid::kIndicatorSVideo:
      return {x + 140, 30, 19, 14};
    case pid::kIndicatorComposite:
      return {x + 160, 30, 20, 14};
    case pid::kIndicatorRadio:
      return {x + 180, 30, 18, 15};
    case pid::kIndicatorTv:
      return {x + 200, 30, 18, 15};
    default:
      break;
  }
  const int n = id - pid::kLevelFirst;
  if (n >= 0 && n < pid::kLevelCount) return {x + 62 + 6 * n, 63, 6, 9};
  return {};
}

QRect PanelLayout::DisplayWindowRect() {
  return {kKeypadAreaWidth + 49, 27, 173, 49};
}

QSize PanelLayout::LayoutSize(int layout) {
  switch (layout) {
    case 1:
      return {kPanelWidth, 106};
    case 2:
      return {kPanelWidth, 104};
    default:
      return {kPanelWidth, 94};
  }
}

QString PanelLayout::BackgroundName(int layout) {
  return QString::number(424 + layout);
}

std::vector<QPolygon> PanelLayout::Outline(int layout) {
  const int x = kKeypadAreaWidth;
  std::vector<QPolygon> out = {MainBody(94), Crown()};
  if (layout == 2) {
    // The VCR pad under the display.
    out.push_back(RoundedPolygon(QRect(x + 18, 70, 124, 34), 12));
  }
  return out;
}

QPolygon PanelLayout::KeypadPadOutline() {
  return RoundedPolygon(QRect(0, 6, 76, 84), 12);
}

QPolygon PanelLayout::FmPadOutline() {
  // Under the display: the memory key and presets 1..9, 0.
  return RoundedPolygon(QRect(kKeypadAreaWidth + 16, 70, 188, 36), 12);
}

QString PanelLayout::Tooltip(int id) {
  switch (id) {
    case pid::kChannelUp:
      return QStringLiteral("Channel Up");
    case pid::kChannelDown:
      return QStringLiteral("Channel Down");
    case pid::kMute:
      return QStringLiteral("Mute");
    case pid::kUnmute:
      return QStringLiteral("UnMute");
    case pid::kAlbum:
      return QStringLiteral("Gallery");
    case pid::kCapture:
      return QStringLiteral("Capture");
    case pid::kCaptureStop:
      return QStringLiteral("Stop");
    case pid::kCaptureLive:
      return QStringLiteral("LiveView");
    case pid::kSnapshot:
      return QStringLiteral("Snapshot");
    case pid::kTools:
      return QStringLiteral("Settings");
    case pid::kInput:
      return QStringLiteral("Source Input");
    case pid::kVolumeSlider:
      return QStringLiteral("Volume Control");
    case pid::kPower:
      return QStringLiteral("Exit");
    case pid::kMaximize:
      return QStringLiteral("Maximum");
    case pid::kRestore:
      return QStringLiteral("Restore");
    case pid::kMinimize:
      return QStringLiteral("Minimum");
    case pid::kAbout:
      return QStringLiteral("Help");
    case pid::kSoundMode:
      return QStringLiteral("MTS");
    case pid::kLogo:
      return QStringLiteral("About Ardmoor...");
    case pid::kKeypad:
      return QStringLiteral("KeyPad");
    case pid::kPlay:
      return QStringLiteral("Play");
    case pid::kPause:
      return QStringLiteral("Pause");
    case pid::kStop:
      return QStringLiteral("Stop");
    case pid::kRecord:
      return QStringLiteral("Capturing Video !");
    case pid::kLive:
      return QStringLiteral("Live View");
    default:
      return {};
  }
}

}  // namespace vd
