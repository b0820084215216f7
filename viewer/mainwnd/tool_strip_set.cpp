#include "vd/mainwnd/tool_strip_set.h"

#include <algorithm>

namespace vd {

const std::vector<int>& ToolStripSet::Strips() {
  static const std::vector<int> kOrder = {kPicture, kCaptureStrip, kInput, kStatus, kStatusLine};
  return kOrder;
}

bool ToolStripSet::IsToggleCommand(int command) {
  return command == kPicture || command == kCaptureStrip || command == kInput || command == kStatus;
}

bool ToolStripSet::Toggle(int command) {
  if (!IsToggleCommand(command)) return false;
  const bool shown = !Visible(command);
  SetVisible(command, shown);
  // The status strip and the status line come and go together, so that one command never
  // leaves the two out of step.
  if (command == kStatus) SetVisible(kStatusLine, shown);
  return true;
}

bool ToolStripSet::Visible(int strip) const {
  const auto it = visible_.find(strip);
  return it != visible_.end() && it->second;
}

void ToolStripSet::SetVisible(int strip, bool visible) {
  if (std::find(Strips().begin(), Strips().end(), strip) == Strips().end()) return;
  visible_[strip] = visible;
}

int ToolStripSet::Stack(const std::vector<Bar>& bars, int clientHeight, std::vector<Slot>* placed) {
  int total = 0;
  for (const Bar& bar : bars) total += std::max(bar.height, 0);
  if (placed != nullptr) {
    placed->clear();
    int y = clientHeight - total;
    for (const Bar& bar : bars) {
      const int height = std::max(bar.height, 0);
      placed->push_back({bar.id, y, height});
      y += height;
    }
  }
  return total;
}

}  // namespace vd
