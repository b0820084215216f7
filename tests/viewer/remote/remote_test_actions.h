// Records the requests of the remote procedure as short texts, in order.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "vd/remote/remote_actions.h"

namespace vd::test {

class RecordingActions : public RemoteActions {
 public:
  void PostMainCommand(int command) override { Add("main " + std::to_string(command)); }
  void PostPanelCommand(int command) override { Add("panel " + std::to_string(command)); }
  void PostVideoSourceCycle() override { Add("video source"); }
  void PostTvRadioFlip() override { Add("tv/radio"); }
  void PostFineTune(int32_t deltaHz) override { Add("fine " + std::to_string(deltaHz)); }
  void PostMuteToggle() override { Add("mute"); }
  void PostFmMemoryToggle() override { Add("fm memory"); }

  std::vector<std::string> Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(posted_, {});
  }

 private:
  void Add(std::string text) {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(text));
  }

  std::mutex mutex_;
  std::vector<std::string> posted_;
};

}  // namespace vd::test
