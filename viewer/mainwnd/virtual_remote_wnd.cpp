#include "virtual_remote_wnd.h"

#include <QGridLayout>
#include <QPushButton>

#include "vd/remote/remote_code_table.h"
#include "vd/virtual_tv_box.h"

namespace rk = vd::remote_key;

CVirtualRemoteWnd::CVirtualRemoteWnd(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setWindowTitle("Virtual remote");
  setStyleSheet(
      "QWidget{background:#23262e;} QPushButton{color:#e8e8ec;background:#3a3f4b;"
      "border:1px solid #555b69;border-radius:9px;min-height:24px;padding:2px 6px;}"
      "QPushButton:pressed{background:#5b6478;}");
  auto* grid = new QGridLayout(this);
  grid->setSpacing(5);
  struct Key {
    uint8_t key;
    const char* label;
    int row;
    int column;
  };
  const Key keys[] = {
      {rk::kPower, "Power", 0, 0},
      {rk::kTvRadio, "TV/FM", 0, 1},
      {rk::kVideoSource, "Source", 0, 2},
      {1, "1", 1, 0},
      {2, "2", 1, 1},
      {3, "3", 1, 2},
      {4, "4", 2, 0},
      {5, "5", 2, 1},
      {6, "6", 2, 2},
      {7, "7", 3, 0},
      {8, "8", 3, 1},
      {9, "9", 3, 2},
      {rk::kRecall, "Recall", 4, 0},
      {0, "0", 4, 1},
      {rk::kEnter, "Enter", 4, 2},
      {rk::kChannelUp, "CH +", 5, 1},
      {rk::kVolumeDown, "VOL -", 6, 0},
      {rk::kMute, "Mute", 6, 1},
      {rk::kVolumeUp, "VOL +", 6, 2},
      {rk::kChannelDown, "CH -", 7, 1},
      {rk::kFineTuneDown, "Fine -", 8, 0},
      {rk::kSoundMode, "MTS", 8, 1},
      {rk::kFineTuneUp, "Fine +", 8, 2},
      {rk::kPanel, "Panel", 9, 0},
      {rk::kSnapshot, "Snap", 9, 1},
      {rk::kFullScreen, "Full", 9, 2},
      {rk::kFmMemory, "Memory", 10, 1},
  };
  for (const Key& key : keys) {
    auto* button = new QPushButton(key.label, this);
    button->setObjectName(QString("key%1").arg(key.key));
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QPushButton::clicked, this, [this, k = key.key] { Press(k); });
    grid->addWidget(button, key.row, key.column);
  }
  // Not the remote's: the box's own still button, which saves a numbered picture into the
  // album by itself.
  auto* still = new QPushButton("Box: still button", this);
  still->setObjectName("boxStillButton");
  still->setFocusPolicy(Qt::NoFocus);
  connect(still, &QPushButton::clicked, this, [] {
    if (auto box = vd::VirtualTvBox::Shared()) box->PressSnapshotButton();
  });
  grid->addWidget(still, 11, 0, 1, 3);
}

void CVirtualRemoteWnd::Press(uint8_t key) {
  for (const auto& entry : vd::RemoteCodeTable::Entries()) {
    if (entry.key != key) continue;
    // A real remote flips its toggle bit on every new press; the held-key rule needs that.
    bool& toggled = toggled_[key];
    const uint32_t code = toggled ? entry.toggled : entry.code;
    toggled = !toggled;
    if (auto box = vd::VirtualTvBox::Shared()) box->PressRemoteKey(code);
    return;
  }
}
