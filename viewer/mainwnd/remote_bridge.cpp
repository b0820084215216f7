#include "vd/mainwnd/remote_bridge.h"

#include <QWidget>

#include "gated_post.h"

namespace vd {

RemoteBridge::RemoteBridge(Owner& window) : window_(window), context_(&window.Widget()) {}

// A code that arrives while the window closes is simply lost; one that arrives inside a
// dialog is the dialog's key press, which the main window does not get either.
template <typename F>
void RemoteBridge::Queue(F&& work) {
  PostGated(context_, std::forward<F>(work), CommandGate::Origin::kKeyPress);
}

void RemoteBridge::PostMainCommand(int command) {
  Queue([w = &window_, command] { w->OnCommand(command); });
}

void RemoteBridge::PostPanelCommand(int command) {
  Queue([w = &window_, command] { w->OnPanelCommand(command); });
}

void RemoteBridge::PostVideoSourceCycle() {
  Queue([w = &window_] { w->RemoteVideoSourceCycle(); });
}

void RemoteBridge::PostTvRadioFlip() {
  Queue([w = &window_] { w->RemoteTvRadioFlip(); });
}

void RemoteBridge::PostFineTune(int32_t deltaHz) {
  Queue([w = &window_, deltaHz] { w->RemoteFineTune(deltaHz); });
}

void RemoteBridge::PostMuteToggle() {
  Queue([w = &window_] { w->RemoteMuteToggle(); });
}

void RemoteBridge::PostFmMemoryToggle() {
  Queue([w = &window_] { w->RemoteFmMemoryToggle(); });
}

}  // namespace vd
