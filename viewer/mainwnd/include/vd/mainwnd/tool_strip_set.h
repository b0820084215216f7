// Which of the main window's tool strips are shown, what the toggle commands do to them, and
// how the shown bars stack at the bottom of the client area. The stack's height is the
// video rectangle's bottom reserve. No widgets here.
#pragma once

#include <map>
#include <vector>

namespace vd {

class ToolStripSet {
 public:
  static constexpr int kPicture = 164;        // brightness, contrast, colour
  static constexpr int kCaptureStrip = 165;   // record, stop, snapshot, time limit
  static constexpr int kInput = 166;          // TV, radio, composite, S-Video
  static constexpr int kStatus = 180;         // work mode, channel, frequency, sound
  static constexpr int kStatusLine = 0xE800;  // the one-line status text

  // One bar docked at the bottom: a strip, or another bar (statistics, playback) with an id
  // of its own.
  struct Bar {
    int id = 0;
    int height = 0;
  };
  struct Slot {
    int id = 0;
    int y = 0;
    int height = 0;
  };

  // The strips in their docking order, top to bottom.
  static const std::vector<int>& Strips();
  static bool IsToggleCommand(int command);

  // A toggle command flips its strip (180 takes the status line along); false for any
  // other command.
  bool Toggle(int command);
  bool Visible(int strip) const;
  void SetVisible(int strip, bool visible);

  // Places `bars` (top to bottom) so that the last one ends at the client's bottom edge;
  // returns their total height, the bottom reserve.
  static int Stack(const std::vector<Bar>& bars, int clientHeight, std::vector<Slot>* placed);

 private:
  std::map<int, bool> visible_;
};

}  // namespace vd
