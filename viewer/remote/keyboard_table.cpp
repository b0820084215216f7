#include "keyboard_table.h"

#include <Qt>
#include <array>

#include "panel_ids.h"

namespace vd {

namespace {

namespace pid = panel_id;

constexpr int kNone = Qt::NoModifier;
constexpr int kPad = Qt::KeypadModifier;
constexpr int kCtrl = Qt::ControlModifier;
constexpr KeyTarget kMain = KeyTarget::kMainWindow;
constexpr KeyTarget kPanel = KeyTarget::kPanel;

constexpr std::array<Accelerator, 39> kEntries{{
    {Qt::Key_0, kNone, 376, kMain},
    {Qt::Key_1, kNone, 377, kMain},
    {Qt::Key_2, kNone, 378, kMain},
    {Qt::Key_3, kNone, 379, kMain},
    {Qt::Key_4, kNone, 380, kMain},
    {Qt::Key_5, kNone, 381, kMain},
    {Qt::Key_6, kNone, 382, kMain},
    {Qt::Key_7, kNone, 383, kMain},
    {Qt::Key_8, kNone, 384, kMain},
    {Qt::Key_9, kNone, 385, kMain},
    {Qt::Key_0, kPad, 376, kMain},
    {Qt::Key_1, kPad, 377, kMain},
    {Qt::Key_2, kPad, 378, kMain},
    {Qt::Key_3, kPad, 379, kMain},
    {Qt::Key_4, kPad, 380, kMain},
    {Qt::Key_5, kPad, 381, kMain},
    {Qt::Key_6, kPad, 382, kMain},
    {Qt::Key_7, kPad, 383, kMain},
    {Qt::Key_8, kPad, 384, kMain},
    {Qt::Key_9, kPad, 385, kMain},
    {Qt::Key_Return, kNone, 386, kMain},
    {Qt::Key_Enter, kNone, 386, kMain},
    // The decimal point: "." or "," from the main keys or the pad (whose key gives either,
    // by layout, or Delete with Num Lock off).
    {Qt::Key_Period, kNone, 387, kMain},
    {Qt::Key_Comma, kNone, 387, kMain},
    {Qt::Key_Period, kPad, 387, kMain},
    {Qt::Key_Comma, kPad, 387, kMain},
    {Qt::Key_Delete, kPad, 387, kMain},
    {Qt::Key_Delete, kNone, 387, kMain},
    {Qt::Key_Up, kNone, pid::kChannelUp, kPanel},
    {Qt::Key_Down, kNone, pid::kChannelDown, kPanel},
    {Qt::Key_Left, kNone, pid::kVolumeDown, kPanel},
    {Qt::Key_Right, kNone, pid::kVolumeUp, kPanel},
    {Qt::Key_M, kNone, pid::kMute, kPanel},
    {Qt::Key_F, kNone, 32824, kMain},
    {Qt::Key_F1, kNone, 32764, kMain},
    {Qt::Key_Escape, kNone, 158, kMain},
    {Qt::Key_C, kCtrl, 162, kMain},
    {Qt::Key_O, kCtrl, 32799, kMain},
    {Qt::Key_T, kCtrl, 168, kMain},
}};

std::optional<Accelerator> Find(int key, int modifiers) {
  for (const Accelerator& a : kEntries) {
    if (a.key == key && a.modifiers == modifiers) return a;
  }
  return std::nullopt;
}

}  // namespace

std::span<const Accelerator> KeyboardTable::Entries() {
  return kEntries;
}

std::optional<Accelerator> KeyboardTable::Translate(int key, int modifiers) {
  // Shift, Alt and Meta stay part of the match, so Shift+M or Alt+F are no shortcuts.
  const int held =
      modifiers & (kCtrl | kPad | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
  if (auto found = Find(key, held)) return found;
  if ((held & kPad) != 0) return Find(key, held & ~kPad);
  return std::nullopt;
}

}  // namespace vd
