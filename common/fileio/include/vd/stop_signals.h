// SIGTERM, SIGINT and SIGHUP (logout, shutdown, a closed or interrupted terminal) turned
// into a readable descriptor, so that the program's event loop ends it the normal way:
// recordings finished, settings saved. Nothing but a flag and one byte happens in the
// handler itself.
#pragma once

namespace vd {

class StopSignals {
 public:
  // Installs the handlers (once per process; later calls do nothing). False when the pipe
  // could not be made, and the signals then keep their default action.
  static bool Install();
  // Becomes readable when a stop signal has arrived; -1 before Install.
  static int ReadFd();
  // Empties the descriptor and returns the first signal received (0: none).
  static int Take();
  // The first signal received, without touching the descriptor (0: none).
  static int Received();
};

}  // namespace vd
