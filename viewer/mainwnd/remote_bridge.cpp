#include "remote_bridge.h"

#include "gated_post.h"
#include "viewer_dlg.h"

namespace vd {

namespace {

// A code that arrives while the window closes is simply lost; one that arrives inside a
// dialog is the dialog's key press, which the main window does not get either.
template <typename F>
void Queue(CViewerDlg& window, F&& work) {
  PostGated(&window, std::forward<F>(work), CommandGate::Origin::kKeyPress);
}

}  // namespace

void RemoteBridge::PostMainCommand(int command) {
  Queue(window_, [w = &window_, command] { w->OnCommand(command); });
}

void RemoteBridge::PostPanelCommand(int command) {
  Queue(window_, [w = &window_, command] { w->OnPanelCommand(command); });
}

void RemoteBridge::PostVideoSourceCycle() {
  Queue(window_, [w = &window_] { w->RemoteVideoSourceCycle(); });
}

void RemoteBridge::PostTvRadioFlip() {
  Queue(window_, [w = &window_] { w->RemoteTvRadioFlip(); });
}

void RemoteBridge::PostFineTune(int32_t deltaHz) {
  Queue(window_, [w = &window_, deltaHz] { w->RemoteFineTune(deltaHz); });
}

void RemoteBridge::PostMuteToggle() {
  Queue(window_, [w = &window_] { w->RemoteMuteToggle(); });
}

void RemoteBridge::PostFmMemoryToggle() {
  Queue(window_, [w = &window_] { w->RemoteFmMemoryToggle(); });
}

}  // namespace vd
