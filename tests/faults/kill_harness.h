// Runs a writer in a child process and kills it with SIGKILL after a random delay. The child
// reports each completed write's generation through a pipe, so the parent knows the last
// generation that is certainly on disk and the one that may be half done.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <thread>

namespace vd::test {

struct KillResult {
  int64_t lastDone = 0;  // highest generation the child reported as written
  bool killed = false;   // the child died of SIGKILL (not of its own accord)
};

// writeGeneration(g) writes generation g and returns whether it succeeded. The child starts
// at generation start and never returns.
inline KillResult KillDuringWrites(int64_t start,
                                   const std::function<bool(int64_t)>& writeGeneration,
                                   std::mt19937& random) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    for (int64_t g = start;; ++g) {
      if (!writeGeneration(g)) ::_exit(3);
      if (::write(fds[1], &g, sizeof g) != sizeof g) ::_exit(4);
    }
  }
  ::close(fds[1]);
  KillResult result;
  result.lastDone = start - 1;
  if (pid < 0) {
    ::close(fds[0]);
    return result;
  }
  // The first write done proves the child writes at all, however slow the machine; the kill
  // then falls anywhere in a later one.
  pollfd first{fds[0], POLLIN, 0};
  int64_t done = 0;
  if (::poll(&first, 1, 10000) == 1 && ::read(fds[0], &done, sizeof done) == sizeof done)
    result.lastDone = done;
  // Up to 30 ms: long enough for several writes, short enough to land anywhere in one.
  std::uniform_int_distribution<int> delayUs(0, 30000);
  std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  int64_t g = 0;
  while (::read(fds[0], &g, sizeof g) == sizeof g) result.lastDone = g;
  ::close(fds[0]);
  return result;
}

}  // namespace vd::test
