#include "vd/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace vd {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t g_received = 0;
int g_pipe[2] = {-1, -1};
std::atomic<bool> g_installed{false};

extern "C" void OnStopSignal(int signal) {
  const int saved = errno;
  // The first one is the cause: a second (Ctrl+C, then a service manager's SIGTERM) only
  // repeats the request, and the run ends as the first asked. The handler masks the other
  // stop signals, so no two of them race here.
  if (g_received == 0) g_received = signal;
  const char byte = static_cast<char>(signal);
  // The pipe is non-blocking: when it is full a wake-up is already pending.
  [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

bool StopSignals::Install() {
  if (g_installed.exchange(true)) return g_pipe[0] >= 0;
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    g_pipe[0] = g_pipe[1] = -1;
    return false;
  }
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int s : kSignals) sigaddset(&action.sa_mask, s);
  action.sa_flags = SA_RESTART;
  for (int s : kSignals) {
    struct sigaction old {};
    // A signal the parent ignored (nohup, a background job) stays ignored.
    if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(s, &action, nullptr);
  }
  return true;
}

int StopSignals::ReadFd() {
  return g_pipe[0];
}

int StopSignals::Take() {
  if (g_pipe[0] >= 0) {
    char buffer[64];
    while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
    }
  }
  return g_received;
}

int StopSignals::Received() {
  return g_received;
}

}  // namespace vd
