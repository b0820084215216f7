// The virtual TV box's remote control: a small window with the remote's keys. A press sends
// the key's code through the box's infrared burst, so it reaches the viewer by the bulk
// stream and the stream parser exactly as a real remote's would.
#pragma once

#include <QWidget>
#include <cstdint>
#include <map>

class CVirtualRemoteWnd : public QWidget {
 public:
  explicit CVirtualRemoteWnd(QWidget* parent = nullptr);

  // Presses a key (remote_key number): the code alternates its two toggle forms.
  void Press(uint8_t key);

 private:
  std::map<uint8_t, bool> toggled_;
};
