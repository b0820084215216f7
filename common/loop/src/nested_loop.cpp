#include "vd/nested_loop.h"

#include <glib.h>

#include <deque>
#include <utility>

namespace vd {

namespace {

struct GateState {
  int depth = 0;
  int modalDepth = 0;
  bool flushScheduled = false;
  size_t dropped = 0;
  std::deque<std::function<void()>> pending;
};

GateState& State() {
  static GateState state;
  return state;
}

gboolean Flush(gpointer) {
  GateState& s = State();
  s.flushScheduled = false;
  // One at a time: a command may itself open a dialog, and what is left then waits for it.
  while (s.depth == 0 && !s.pending.empty()) {
    std::function<void()> work = std::move(s.pending.front());
    s.pending.pop_front();
    work();
  }
  return G_SOURCE_REMOVE;
}

void ScheduleFlush() {
  GateState& s = State();
  if (s.flushScheduled || s.pending.empty()) return;
  s.flushScheduled = true;
  // Not run from the loop's end itself: the code that started the loop is still on the stack.
  g_idle_add_full(G_PRIORITY_DEFAULT, &Flush, nullptr, nullptr);
}

}  // namespace

NestedLoop::NestedLoop(Kind kind) : kind_(kind) {
  GateState& s = State();
  ++s.depth;
  if (kind_ == Kind::kModal) ++s.modalDepth;
}

NestedLoop::~NestedLoop() {
  GateState& s = State();
  --s.depth;
  if (kind_ == Kind::kModal) --s.modalDepth;
  if (s.depth == 0) ScheduleFlush();
}

bool NestedLoop::Active() {
  return State().depth > 0;
}

bool NestedLoop::ModalActive() {
  return State().modalDepth > 0;
}

void CommandGate::Submit(std::function<void()> work, Origin origin) {
  GateState& s = State();
  if (s.depth == 0 && s.pending.empty()) {
    work();
    return;
  }
  if (origin == Origin::kKeyPress && s.modalDepth > 0) {
    ++s.dropped;
    return;
  }
  // Behind what already waits, so that commands keep their order.
  s.pending.push_back(std::move(work));
  if (s.depth == 0) ScheduleFlush();
}

size_t CommandGate::Pending() {
  return State().pending.size();
}

size_t CommandGate::Dropped() {
  return State().dropped;
}

}  // namespace vd
