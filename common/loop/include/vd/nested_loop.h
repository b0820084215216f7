// Nested event loops on the UI thread, and the gate for posted work.
//
// A nested loop (a modal dialog's exec, a menu, the scan's event pump, the tuner's settle)
// dispatches queued events while the code that started it is still on the stack. A posted
// command that changes the work mode, closes the viewer or rebuilds the devices would free
// what that code is using. So every nested loop is marked with a NestedLoop, and every posted
// command goes through the CommandGate: it runs at once from the outer loop, and waits while
// a nested loop runs until the outermost one has ended.
//
// Work that stands for a key press (the remote's codes) is dropped instead while a modal loop
// runs: the remote then behaves as the keyboard does, whose keys the dialog takes, and a held
// key does not replay its repeats once the dialog closes. A settle wait is not modal: its
// key presses run when it ends.
//
// UI thread only. The deferred work is flushed from an idle source of the default GLib main
// context, which the UI thread's event loop dispatches.
#pragma once

#include <cstddef>
#include <functional>

namespace vd {

class NestedLoop {
 public:
  enum class Kind { kSettle, kModal };

  explicit NestedLoop(Kind kind);
  ~NestedLoop();
  NestedLoop(const NestedLoop&) = delete;
  NestedLoop& operator=(const NestedLoop&) = delete;

  static bool Active();
  static bool ModalActive();

 private:
  Kind kind_;
};

class CommandGate {
 public:
  enum class Origin { kInternal, kKeyPress };

  static void Submit(std::function<void()> work, Origin origin = Origin::kInternal);
  // Work kept for the end of the running nested loops.
  static size_t Pending();
  // Key presses dropped inside modal loops since start.
  static size_t Dropped();
};

}  // namespace vd
