#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"
#include "vd/settings/settings_store.h"

namespace vd {
namespace {

// Writers on their own store objects, as separate components of one process would be, and
// a reader that must never see a half-written file.
TEST(SettingsThreadsTest, ConcurrentWritersLoseNothing) {
  test::TempDir dir;
  const auto file = dir.Path() / "Corvalen/viewdeck.reg";
  constexpr int kThreads = 3;
  constexpr int kPerThread = 40;
  std::atomic<bool> writing{true};
  std::atomic<int> damagedSeen{0};
  std::thread reader([&] {
    SettingsStore store(file, {});
    while (writing.load()) {
      if (store.LoadUser().DamagedLines() != 0) damagedSeen.fetch_add(1);
    }
  });
  std::vector<std::thread> writers;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&, t] {
      SettingsStore store(file, {});
      for (int i = 0; i < kPerThread; ++i) {
        if (!store.WriteDword("AviCap", "t" + std::to_string(t) + "_" + std::to_string(i), i)) {
          failures.fetch_add(1);
        }
      }
    });
  }
  for (auto& w : writers) w.join();
  writing.store(false);
  reader.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(damagedSeen.load(), 0);
  SettingsStore store(file, {});
  auto doc = store.LoadUser();
  EXPECT_EQ(doc.ValueCount(), static_cast<size_t>(kThreads * kPerThread));
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kPerThread; ++i) {
      EXPECT_EQ(store.ReadDword("AviCap", "t" + std::to_string(t) + "_" + std::to_string(i), -1),
                i);
    }
  }
}

}  // namespace
}  // namespace vd
