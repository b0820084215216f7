// The settings file parser over arbitrary bytes. Beyond not crashing, what it writes must
// read back as the same settings, or every rewrite of a damaged file would change values.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "reg_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const vd::RegDocument doc = vd::RegDocument::Parse(bytes);
  if (doc.ValueCount() > vd::RegDocument::kMaxValues ||
      doc.Keys().size() > vd::RegDocument::kMaxKeys) {
    __builtin_trap();
  }
  const vd::RegDocument again = vd::RegDocument::Parse(doc.Serialize());
  if (!(again == doc) || again.DamagedLines() != 0) __builtin_trap();
  return 0;
}
