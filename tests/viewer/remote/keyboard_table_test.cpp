// The keyboard shortcuts and where each one is routed.
#include <gtest/gtest.h>

#include <Qt>

#include "vd/remote/keyboard_table.h"

namespace vd {
namespace {

struct Expect {
  int key;
  int modifiers;
  int command;
  KeyTarget target;
};

TEST(KeyboardTable, EveryShortcutAndItsTarget) {
  const auto main = KeyTarget::kMainWindow;
  const auto panel = KeyTarget::kPanel;
  const int pad = Qt::KeypadModifier;
  const int ctrl = Qt::ControlModifier;
  const Expect expected[] = {
      {Qt::Key_0, 0, 376, main},
      {Qt::Key_9, 0, 385, main},
      {Qt::Key_0, pad, 376, main},
      {Qt::Key_7, pad, 383, main},
      {Qt::Key_Return, 0, 386, main},
      {Qt::Key_Enter, pad, 386, main},
      {Qt::Key_Period, pad, 387, main},
      {Qt::Key_Delete, 0, 387, main},
      {Qt::Key_Delete, pad, 387, main},
      {Qt::Key_Up, 0, 1131, panel},
      {Qt::Key_Down, 0, 1133, panel},
      {Qt::Key_Left, 0, 1176, panel},
      {Qt::Key_Right, 0, 1177, panel},
      {Qt::Key_M, 0, 1135, panel},
      {Qt::Key_F, 0, 32824, main},
      {Qt::Key_Escape, 0, 158, main},
      {Qt::Key_C, ctrl, 162, main},
      {Qt::Key_O, ctrl, 32799, main},
      {Qt::Key_T, ctrl, 168, main},
      {Qt::Key_Up, pad, 1131, panel},
      // The decimal point from either block, in both forms; F1 opens the help.
      {Qt::Key_Period, 0, 387, main},
      {Qt::Key_Comma, 0, 387, main},
      {Qt::Key_Comma, pad, 387, main},
      {Qt::Key_F1, 0, 32764, main},
  };
  for (const Expect& e : expected) {
    const auto found = KeyboardTable::Translate(e.key, e.modifiers);
    ASSERT_TRUE(found) << std::hex << e.key << " " << e.modifiers;
    EXPECT_EQ(found->command, e.command) << std::hex << e.key;
    EXPECT_EQ(found->target, e.target) << std::hex << e.key;
  }
}

TEST(KeyboardTable, AllDigitsInBothBlocks) {
  for (int d = 0; d < 10; ++d) {
    for (int mods : {0, static_cast<int>(Qt::KeypadModifier)}) {
      const auto found = KeyboardTable::Translate(Qt::Key_0 + d, mods);
      ASSERT_TRUE(found);
      EXPECT_EQ(found->command, 376 + d);
    }
  }
}

// On AZERTY the top row types "&", "é", ... and the digits only with Shift, which Qt reports
// as Key_1 and so on with Shift held; its ";" key gives "." with Shift.
TEST(KeyboardTable, DigitsAndThePointAreTheTypedCharacterWhateverShiftTheyNeed) {
  const int shift = Qt::ShiftModifier;
  for (int d = 0; d < 10; ++d) {
    const auto found = KeyboardTable::Translate(Qt::Key_0 + d, shift, U'0' + d);
    ASSERT_TRUE(found) << d;
    EXPECT_EQ(found->command, 376 + d);
    EXPECT_EQ(found->target, KeyTarget::kMainWindow);
    // A press without text is known by its key alone.
    const auto bare = KeyboardTable::Translate(Qt::Key_0 + d, shift);
    ASSERT_TRUE(bare) << d;
    EXPECT_EQ(bare->command, 376 + d);
  }
  const auto point = KeyboardTable::Translate(Qt::Key_Period, shift, U'.');
  ASSERT_TRUE(point);
  EXPECT_EQ(point->command, 387);
  const auto comma = KeyboardTable::Translate(Qt::Key_Comma, 0, U',');
  ASSERT_TRUE(comma);
  EXPECT_EQ(comma->command, 387);
  // The character decides, not where the key lies: the pad's digits with their text.
  const auto pad = KeyboardTable::Translate(Qt::Key_4, Qt::KeypadModifier, U'4');
  ASSERT_TRUE(pad);
  EXPECT_EQ(pad->command, 380);
  // What the same keys type without Shift is no digit, and neither is QWERTY's Shift+1.
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_Ampersand, 0, U'&'));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_Eacute, 0, U'\u00e9'));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_Semicolon, 0, U';'));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_Exclam, shift, U'!'));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_1, shift, U'!'));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_Greater, shift, U'>'));
  // A command modifier still makes it no digit.
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_1, shift | Qt::ControlModifier, U'1'));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_1, shift | Qt::AltModifier, U'1'));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_Period, Qt::MetaModifier, U'.'));
}

// On a Russian layout the M key types "ь" and Qt names it by "Ь" (U+042C); the caller gives the
// key's Latin letter as well.
TEST(KeyboardTable, AKeyOfAnotherScriptActsAsItsLatinLetterWithTheSameModifiers) {
  const int ctrl = Qt::ControlModifier;
  const auto mute = KeyboardTable::Translate(0x042C, 0, U'\u044C', Qt::Key_M);
  ASSERT_TRUE(mute);
  EXPECT_EQ(mute->command, 1135);
  EXPECT_EQ(mute->target, KeyTarget::kPanel);
  const auto panel = KeyboardTable::Translate(0x0415, ctrl, U'\x05', Qt::Key_T);
  ASSERT_TRUE(panel);
  EXPECT_EQ(panel->command, 168);
  const auto digit = KeyboardTable::Translate(0x0661, 0, U'\u0661', Qt::Key_1);
  ASSERT_TRUE(digit);
  EXPECT_EQ(digit->command, 377);
  // The modifiers still have to match, and only a Latin letter or digit stands in.
  EXPECT_FALSE(KeyboardTable::Translate(0x042C, Qt::ShiftModifier, U'\u042C', Qt::Key_M));
  EXPECT_FALSE(KeyboardTable::Translate(0x042C, Qt::AltModifier, 0, Qt::Key_M));
  EXPECT_FALSE(KeyboardTable::Translate(0x042E, 0, U'\u044E', Qt::Key_Period));
  EXPECT_FALSE(KeyboardTable::Translate(0x042C, 0, U'\u044C'));
}

TEST(KeyboardTable, ModifiersMustMatch) {
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_C, 0));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_T, 0));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_M, Qt::ControlModifier));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_M, Qt::ShiftModifier));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_M, Qt::ShiftModifier, U'M'));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_F, Qt::AltModifier));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_F, Qt::AltModifier, U'f'));
  // Control keys keep their shortcut with the control character they type.
  const auto ctrlC = KeyboardTable::Translate(Qt::Key_C, Qt::ControlModifier, U'\x03');
  ASSERT_TRUE(ctrlC);
  EXPECT_EQ(ctrlC->command, 162);
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_1, Qt::ControlModifier));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_Period, Qt::ControlModifier));
  EXPECT_FALSE(KeyboardTable::Translate(Qt::Key_A, 0));
}

TEST(KeyboardTable, OnlyArrowsAndMGoToThePanel) {
  int panelKeys = 0;
  for (const Accelerator& a : KeyboardTable::Entries()) {
    if (a.target != KeyTarget::kPanel) continue;
    ++panelKeys;
    EXPECT_TRUE(a.key == Qt::Key_Up || a.key == Qt::Key_Down || a.key == Qt::Key_Left ||
                a.key == Qt::Key_Right || a.key == Qt::Key_M)
        << std::hex << a.key;
  }
  EXPECT_EQ(panelKeys, 5);
}

}  // namespace
}  // namespace vd
