// The whole-viewer fixture: a started main window with its stream parser, plus the remote's
// keys through the box's bulk stream and a watch for modal windows.
#pragma once

#include <QWidget>
#include <functional>
#include <map>

#include "vd/remote/remote_code_table.h"
#include "viewer_fixture.h"

namespace vdtest {

class WholeViewerTest : public ViewerTest {
 protected:
  // One press of a remote key: a new press flips the toggle bit, so two presses in a row
  // are two presses. `held` repeats the previous code instead.
  void PressRemote(vd::RemoteKey key, bool held = false);
  // Runs `inside` from the next event loop pass, which is the nested loop `outer` starts.
  static void RunInside(const std::function<void()>& outer, std::function<void()> inside);
  // Closes the modal window on top (a sheet, a message box); false when there is none.
  static bool CloseTopModal();
  bool Closed() const { return Stored("WinHandle", -1) == 0; }
  // A new run starts its presses afresh, as a replay of it in a new process does.
  void ForgetRemoteToggles() { toggled_.clear(); }

 private:
  std::map<vd::RemoteKey, bool> toggled_;
};

}  // namespace vdtest
