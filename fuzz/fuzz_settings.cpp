// The settings file parser over arbitrary bytes. Beyond not crashing, what it writes must
// read back as the same settings, or every rewrite of a damaged file would change values.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "vd/settings/reg_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The program's own keys have budgets of their own, beside those of everything else.
  constexpr std::string_view kOwnRoot = "HKEY_CURRENT_USER\\Software\\Corvalen\\";
  const vd::RegDocument doc = vd::RegDocument::Parse(bytes, kOwnRoot);
  if (doc.ValueCount() > 2 * vd::RegDocument::kMaxValues ||
      doc.Keys().size() > 2 * vd::RegDocument::kMaxKeys) {
    __builtin_trap();
  }
  const vd::RegDocument again = vd::RegDocument::Parse(doc.Serialize(), kOwnRoot);
  if (!(again == doc) || again.DamagedLines() != 0) __builtin_trap();
  return 0;
}
