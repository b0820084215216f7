// Polls a condition the library's threads will make true, with a generous deadline instead
// of a fixed sleep.
#pragma once

#include <chrono>
#include <thread>

namespace vdtest {

template <typename Predicate>
bool WaitFor(Predicate done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace vdtest
