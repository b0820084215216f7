#include "latin_keys.h"

#include <xkbcommon/xkbcommon.h>

#include <QChar>
#include <Qt>
#include <memory>

namespace vd {

namespace {

struct ContextFree {
  void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct KeymapFree {
  void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};

// Compiled once, on first use (the UI thread's key handling).
xkb_keymap* UsKeymap() {
  static const std::unique_ptr<xkb_keymap, KeymapFree> keymap = [] {
    std::unique_ptr<xkb_context, ContextFree> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!context) return std::unique_ptr<xkb_keymap, KeymapFree>();
    const xkb_rule_names names{nullptr, nullptr, "us", nullptr, nullptr};
    return std::unique_ptr<xkb_keymap, KeymapFree>(
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
  }();
  return keymap.get();
}

}  // namespace

bool LatinKeys::IsOtherScript(int key) {
  // Qt names a character key by its (upper-case) code point; special keys lie far above.
  if (key <= 0xff || key > 0x10ffff) return false;
  const auto c = static_cast<char32_t>(key);
  if (!QChar::isLetterOrNumber(c)) return false;
  const QChar::Script script = QChar::script(c);
  return script != QChar::Script_Latin && script != QChar::Script_Common &&
         script != QChar::Script_Inherited;
}

int LatinKeys::KeyOf(uint32_t nativeScanCode) {
  xkb_keymap* keymap = UsKeymap();
  if (keymap == nullptr || nativeScanCode == 0) return 0;
  const xkb_keysym_t* syms = nullptr;
  // The first level of the first layout: the key's own letter, without Shift.
  if (xkb_keymap_key_get_syms_by_level(keymap, nativeScanCode, 0, 0, &syms) != 1) return 0;
  const xkb_keysym_t sym = syms[0];
  if (sym >= XKB_KEY_a && sym <= XKB_KEY_z) return Qt::Key_A + static_cast<int>(sym - XKB_KEY_a);
  if (sym >= XKB_KEY_0 && sym <= XKB_KEY_9) return Qt::Key_0 + static_cast<int>(sym - XKB_KEY_0);
  return 0;
}

}  // namespace vd
