// Shows the control panel in one of its looks on a plain backdrop, for screenshots under a
// virtual X server:  panel_showcase <tv|radio|vcr|keypad-tv|keypad-radio|playing|keys> [ms]
// "keys" shows a sheet of keys in their four looks (normal, focused, pressed, disabled).
#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "vd/panel/control_panel.h"
#include "vd/skin/skin.h"

namespace {

class Backdrop : public QWidget {
 public:
  bool keySheet = false;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(0x6f, 0x83, 0x9c));
    g.setColorAt(1, QColor(0x2e, 0x3a, 0x4a));
    p.fillRect(rect(), g);
    if (!keySheet) return;
    const char* const stems[] = {"CH_UP", "CH_DOWN", "tools", "input",   "album", "K_album",
                                 "Power", "Max",     "PLAY_", "RECORD_", "KEY5",  "FM_KEY7"};
    int x = 10;
    for (const char* stem : stems) {
      int width = 0;
      for (int state = 1; state <= 4; ++state) {
        QImage key = vd::Skin::Shared().Find(QString::fromLatin1(stem) + QString::number(state));
        p.drawImage(x, 10 + (state - 1) * 30, key);
        width = std::max(width, key.width());
      }
      x += width + 6;
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const char* look = argc > 1 ? argv[1] : "tv";
  const int ms = argc > 2 ? std::atoi(argv[2]) : 3000;

  Backdrop backdrop;
  backdrop.setWindowFlags(Qt::FramelessWindowHint);
  backdrop.setGeometry(0, 0, 440, 150);
  if (std::strcmp(look, "keys") == 0) {
    backdrop.keySheet = true;
    backdrop.show();
    QTimer::singleShot(ms, &app, &QApplication::quit);
    return app.exec();
  }
  backdrop.show();

  CControlPanel panel(vd::Skin::Shared());
  if (!panel.isComplete()) {
    std::fprintf(stderr, "panel incomplete\n");
    return 1;
  }
  panel.SetViewState(vd::ViewState::kLive);
  panel.SetSoundMode({1, 0, 0});
  panel.Volume().SetRange(0, 65535);
  panel.Volume().SetPosition(20000);
  if (std::strcmp(look, "radio") == 0 || std::strcmp(look, "keypad-radio") == 0) {
    panel.SetInput(1);
    panel.SetWorkMode(vd::WorkMode::kRadio);
    panel.Display().SetStation(vd::PanelStation{"Klassik", 98100000, 2});
  } else {
    panel.SetInput(0);
    panel.SetWorkMode(vd::WorkMode::kTv);
    panel.Display().SetStation(vd::PanelStation{"Channel Nine", 471250000, 8});
  }
  if (std::strncmp(look, "keypad", 6) == 0) panel.SetKeypadOpen(true);
  if (std::strcmp(look, "vcr") == 0) panel.SetVcrPadOpen(true);
  if (std::strcmp(look, "playing") == 0) {
    panel.SetViewState(vd::ViewState::kClipOpen);
    panel.SetPlaying(true);
  }
  panel.Display().Refresh(-1);
  panel.move(28, 22);
  panel.show();
  QTimer::singleShot(ms, &app, &QApplication::quit);
  return app.exec();
}
