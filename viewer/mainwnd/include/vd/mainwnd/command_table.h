// The shape of the main window's command table: for every command of the window and of the
// panel, the view states it runs in and what it does when the window is in another one. The
// rows themselves are the window's (viewer_dlg_commands.cpp); keeping the states beside the
// handler is what lets a reader see at once what a key does while a recording runs.
#pragma once

#include <initializer_list>
#include <span>

#include "vd/view_modes.h"

namespace vd {

class ViewStateSet {
 public:
  constexpr ViewStateSet(std::initializer_list<ViewState> states) {
    for (const ViewState state : states) bits_ |= Bit(state);
  }
  static constexpr ViewStateSet All() {
    return {ViewState::kStartUp,  ViewState::kLive,       ViewState::kCapturing,
            ViewState::kClipOpen, ViewState::kStillShown, ViewState::kFinishing};
  }
  constexpr ViewStateSet Without(ViewState state) const {
    ViewStateSet rest = *this;
    rest.bits_ &= ~Bit(state);
    return rest;
  }
  constexpr bool Has(ViewState state) const { return (bits_ & Bit(state)) != 0; }

 private:
  static constexpr unsigned Bit(ViewState state) { return 1u << static_cast<unsigned>(state); }
  unsigned bits_ = 0;
};

// The main window's ids and the panel's ids are two number spaces: 1020 is the strip's
// gallery button for one and nothing for the other.
enum class CommandSource { kMain, kPanel };

// What a command does in a view state it is not allowed in: nothing, as a menu entry that is
// out of place, or the beep of a button that cannot act now.
enum class Refusal { kIgnore, kBeep };

template <typename Target>
struct CommandRow {
  CommandSource source;
  int first;  // one id, or the first of a range ...
  int last;   // ... and its last (the same id for one)
  ViewStateSet allowed;
  Refusal refusal;
  void (*run)(Target& target, int id);
};

template <typename Target>
constexpr const CommandRow<Target>* FindCommand(std::span<const CommandRow<Target>> rows,
                                                CommandSource source, int id) {
  for (const CommandRow<Target>& row : rows) {
    if (row.source == source && id >= row.first && id <= row.last) return &row;
  }
  return nullptr;
}

}  // namespace vd
