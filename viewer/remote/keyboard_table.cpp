#include "vd/remote/keyboard_table.h"
#include "vd/layout/command_ids.h"

#include <Qt>
#include <array>

#include "vd/layout/panel_ids.h"

namespace cid = vd::command_id;

namespace vd {

namespace {

namespace pid = panel_id;

constexpr int kNone = Qt::NoModifier;
constexpr int kPad = Qt::KeypadModifier;
constexpr int kCtrl = Qt::ControlModifier;
constexpr KeyTarget kMain = KeyTarget::kMainWindow;
constexpr KeyTarget kPanel = KeyTarget::kPanel;

constexpr std::array<Accelerator, 39> kEntries{{
    {Qt::Key_0, kNone, cid::kDigit0 + 0, kMain},
    {Qt::Key_1, kNone, cid::kDigit0 + 1, kMain},
    {Qt::Key_2, kNone, cid::kDigit0 + 2, kMain},
    {Qt::Key_3, kNone, cid::kDigit0 + 3, kMain},
    {Qt::Key_4, kNone, cid::kDigit0 + 4, kMain},
    {Qt::Key_5, kNone, cid::kDigit0 + 5, kMain},
    {Qt::Key_6, kNone, cid::kDigit0 + 6, kMain},
    {Qt::Key_7, kNone, cid::kDigit0 + 7, kMain},
    {Qt::Key_8, kNone, cid::kDigit0 + 8, kMain},
    {Qt::Key_9, kNone, cid::kDigit0 + 9, kMain},
    {Qt::Key_0, kPad, cid::kDigit0 + 0, kMain},
    {Qt::Key_1, kPad, cid::kDigit0 + 1, kMain},
    {Qt::Key_2, kPad, cid::kDigit0 + 2, kMain},
    {Qt::Key_3, kPad, cid::kDigit0 + 3, kMain},
    {Qt::Key_4, kPad, cid::kDigit0 + 4, kMain},
    {Qt::Key_5, kPad, cid::kDigit0 + 5, kMain},
    {Qt::Key_6, kPad, cid::kDigit0 + 6, kMain},
    {Qt::Key_7, kPad, cid::kDigit0 + 7, kMain},
    {Qt::Key_8, kPad, cid::kDigit0 + 8, kMain},
    {Qt::Key_9, kPad, cid::kDigit0 + 9, kMain},
    {Qt::Key_Return, kNone, cid::kEnter, kMain},
    {Qt::Key_Enter, kNone, cid::kEnter, kMain},
    // The decimal point: "." or "," from the main keys or the pad (whose key gives either,
    // by layout, or Delete with Num Lock off).
    {Qt::Key_Period, kNone, cid::kPoint, kMain},
    {Qt::Key_Comma, kNone, cid::kPoint, kMain},
    {Qt::Key_Period, kPad, cid::kPoint, kMain},
    {Qt::Key_Comma, kPad, cid::kPoint, kMain},
    {Qt::Key_Delete, kPad, cid::kPoint, kMain},
    {Qt::Key_Delete, kNone, cid::kPoint, kMain},
    {Qt::Key_Up, kNone, pid::kChannelUp, kPanel},
    {Qt::Key_Down, kNone, pid::kChannelDown, kPanel},
    {Qt::Key_Left, kNone, pid::kVolumeDown, kPanel},
    {Qt::Key_Right, kNone, pid::kVolumeUp, kPanel},
    {Qt::Key_M, kNone, pid::kMute, kPanel},
    {Qt::Key_F, kNone, cid::kFullScreenKey, kMain},
    {Qt::Key_F1, kNone, cid::kHelp, kMain},
    {Qt::Key_Escape, kNone, cid::kEscape, kMain},
    {Qt::Key_C, kCtrl, cid::kCapturePad, kMain},
    {Qt::Key_O, kCtrl, cid::kSettings, kMain},
    {Qt::Key_T, kCtrl, cid::kPanel, kMain},
}};

std::optional<Accelerator> Find(int key, int modifiers) {
  for (const Accelerator& a : kEntries) {
    if (a.key == key && a.modifiers == modifiers) return a;
  }
  return std::nullopt;
}

// Qt's codes of the printable ASCII keys are their characters, so a press that carries no
// text still names its character by its key.
std::optional<Accelerator> FindCharacter(int key, char32_t typed) {
  const char32_t c = typed != 0 ? typed : (key > 0x20 && key < 0x7f ? char32_t(key) : 0);
  if (c >= U'0' && c <= U'9') return Find(Qt::Key_0 + static_cast<int>(c - U'0'), kNone);
  if (c == U'.' || c == U',') return Find(Qt::Key_Period, kNone);
  return std::nullopt;
}

}  // namespace

std::span<const Accelerator> KeyboardTable::Entries() {
  return kEntries;
}

std::optional<Accelerator> KeyboardTable::Translate(int key, int modifiers, char32_t typed,
                                                    int latinKey) {
  // Shift, Alt and Meta stay part of the match, so Shift+M or Alt+F are no shortcuts.
  const int held =
      modifiers & (kCtrl | kPad | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
  // A layout may put the digits or the point under Shift (AZERTY's top row, its ";" key):
  // for them only the character counts.
  if ((held & (kCtrl | Qt::AltModifier | Qt::MetaModifier)) == 0) {
    if (auto found = FindCharacter(key, typed)) return found;
  }
  if (auto found = Find(key, held)) return found;
  if ((held & kPad) != 0) {
    if (auto found = Find(key, held & ~kPad)) return found;
  }
  const bool latin = (latinKey >= Qt::Key_A && latinKey <= Qt::Key_Z) ||
                     (latinKey >= Qt::Key_0 && latinKey <= Qt::Key_9);
  if (latin && latinKey != key) return Find(latinKey, held);
  return std::nullopt;
}

}  // namespace vd
