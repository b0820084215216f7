// The remote procedure's requests, carried from the parser's worker thread to the main
// window: every call only queues a functor on the UI thread's event loop.
#pragma once

#include "remote_actions.h"

class CViewerDlg;

namespace vd {

class RemoteBridge : public RemoteActions {
 public:
  explicit RemoteBridge(CViewerDlg& window) : window_(window) {}

  void PostMainCommand(int command) override;
  void PostPanelCommand(int command) override;
  void PostVideoSourceCycle() override;
  void PostTvRadioFlip() override;
  void PostFineTune(int32_t deltaHz) override;
  void PostMuteToggle() override;
  void PostFmMemoryToggle() override;

 private:
  CViewerDlg& window_;
};

}  // namespace vd
