// The remote procedure's requests, carried from the parser's worker thread to the main
// window: every call only queues a functor on the UI thread's event loop.
#pragma once

#include <cstdint>

#include "vd/remote/remote_actions.h"

class QObject;
class QWidget;

namespace vd {

class RemoteBridge : public RemoteActions {
 public:
  // What the requests become in the main window, on its thread.
  struct Owner {
    // The window whose event loop runs the requests; they die with it.
    virtual QWidget& Widget() = 0;
    virtual void OnCommand(int id) = 0;
    virtual void OnPanelCommand(int id) = 0;
    virtual void RemoteVideoSourceCycle() = 0;
    virtual void RemoteTvRadioFlip() = 0;
    virtual void RemoteFineTune(int32_t deltaHz) = 0;
    virtual void RemoteMuteToggle() = 0;
    virtual void RemoteFmMemoryToggle() = 0;

   protected:
    ~Owner() = default;
  };

  // Made on the UI thread.
  explicit RemoteBridge(Owner& window);

  void PostMainCommand(int command) override;
  void PostPanelCommand(int command) override;
  void PostVideoSourceCycle() override;
  void PostTvRadioFlip() override;
  void PostFineTune(int32_t deltaHz) override;
  void PostMuteToggle() override;
  void PostFmMemoryToggle() override;

 private:
  template <typename F>
  void Queue(F&& work);

  Owner& window_;
  QObject* context_;
};

}  // namespace vd
