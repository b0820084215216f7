// The procedure on the parser's worker thread while the UI thread changes what it reads and
// drains the requests it posts.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "remote_test_actions.h"
#include "vd/remote/remote_procedure.h"

namespace vd::test {
namespace {

TEST(RemoteThreads, CodesFromTheWorkerWhileTheUiChangesState) {
  RemoteState state;
  RecordingActions actions;
  std::atomic<uint32_t> ticks{0};
  RemoteProcedure procedure(state, actions, [&] { return ticks.fetch_add(50); });

  constexpr int kPresses = 20000;
  const uint32_t channelUp[] = {0x2A9AAA4, 0x2A9AA94};
  const uint32_t mute[] = {0x269AAA4, 0x269AA94};
  std::atomic<bool> done{false};
  int acted = 0;
  std::thread worker([&] {
    for (int i = 0; i < kPresses; ++i) {
      const uint32_t code = (i % 3 == 0) ? mute[i % 2] : channelUp[i % 2];
      if (procedure.OnCode(code) == RemoteProcedure::kActed) ++acted;
    }
    done.store(true);
  });

  std::vector<std::string> posted;
  for (int round = 0; !done.load(); ++round) {
    state.SetBusy(round % 3 == 0);
    state.SetPanelInput(round % 4);
    state.SetFullScreen(round % 2 == 0);
    state.SetCountry(round % 2 == 0 ? 886 : 49);
    for (auto& p : actions.Take()) posted.push_back(std::move(p));
  }
  worker.join();
  for (auto& p : actions.Take()) posted.push_back(std::move(p));

  // Every acted code posted exactly one request, and only the two keys sent.
  EXPECT_EQ(static_cast<int>(posted.size()), acted);
  int mutes = 0;
  for (const auto& p : posted) {
    if (p == "mute") {
      ++mutes;
    } else {
      EXPECT_EQ(p, "panel 1131");
    }
  }
  // Mute passes every state the UI thread sets, so every mute press got through.
  EXPECT_EQ(mutes, (kPresses + 2) / 3);

  // Settled state: channel up acts again. (Power first: the worker's last accepted code may
  // be either form of either key.)
  state.SetBusy(false);
  state.SetPanelInput(0);
  EXPECT_EQ(procedure.OnCode(0x25AAAA4), RemoteProcedure::kActed);
  EXPECT_EQ(procedure.OnCode(channelUp[0]), RemoteProcedure::kActed);
}

}  // namespace
}  // namespace vd::test
