// The remote-control handler the viewer registers with the stream parser. It runs on the
// parser's worker thread: it filters and maps codes, applies the held-key rule and turns each
// key into a request for the UI thread. The held-key state is locked, so a second parser
// object delivering on its own worker cannot tear it.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "remote_actions.h"
#include "remote_code_table.h"
#include "remote_state.h"

namespace vd {

class RemoteProcedure {
 public:
  static constexpr int32_t kActed = 1;
  static constexpr int32_t kIgnored = -1;
  static constexpr uint32_t kRepeatMs = 400;
  static constexpr int32_t kFineTuneStepHz = 50000;

  // Milliseconds of a monotonic clock; wraps like the system tick count.
  using Clock = std::function<uint32_t()>;

  // state and actions outlive the procedure. Without a clock the steady clock is used.
  RemoteProcedure(const RemoteState& state, RemoteActions& actions, Clock clock = {});

  // kActed when the code led to a request; kIgnored when it was filtered out, unknown, a
  // held key that does not repeat yet, or refused by its key's condition.
  int32_t OnCode(uint32_t code);

  // The parser's callback shape: context is the RemoteProcedure.
  static int32_t Callback(void* context, uint32_t code);

 private:
  bool Dispatch(RemoteKey key);
  // The keys that mean the same whatever the panel shows.
  bool PostFixedKey(RemoteKey key);
  // The keys whose meaning depends on the panel's input, the country or full screen.
  bool PostKeyOfInput(RemoteKey key);

  const RemoteState& state_;
  RemoteActions& actions_;
  Clock clock_;
  std::mutex repeatLock_;
  uint32_t lastCode_ = 0;
  uint32_t lastTick_ = 0;
};

}  // namespace vd
