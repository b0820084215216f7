// What the library's IR decoder makes of the virtual TV box's remote: the box's generator
// produces a key press's bytes, the library's conversion pass reads them.
#pragma once

#include <cstdint>
#include <ctime>
#include <utility>
#include <vector>

#include "vbi_converter.h"
#include "vd/bulk_stream.h"

namespace vdtest {

using IrPair = std::pair<int32_t, int32_t>;  // (unit count, code)

// The (unit count, code) pairs the library's decoder reports for one press of `code`, read
// from the generator's stream field by field as the device hands it over.
inline std::vector<IrPair> DecodePress(uint32_t code, int fields = 6) {
  std::vector<IrPair> pairs;
  vd::VbiConverter converter([&pairs](int32_t units, int32_t c) { pairs.emplace_back(units, c); });
  vd::BulkStreamGenerator generator(7);
  generator.PressKey(code);
  std::vector<uint8_t> field(vd::BulkStreamGenerator::kFieldBytes);
  for (int i = 0; i < fields; ++i) {
    generator.Generate(field.data(), field.size(), std::time_t{1765195200});
    if (!converter.Ring().Write(field.data(), field.size())) return {};
    converter.ConvertPass();
  }
  return pairs;
}

// The stream parser's form of a code: unit k at bit k, the first unit at bit 1, the final
// pulse not included. The library reports the same units, the first one most significant.
inline uint32_t ParserForm(int32_t units, int32_t code) {
  uint32_t result = 0;
  for (int i = 1; i <= units; ++i) {
    const uint32_t level = (static_cast<uint32_t>(code) >> (units - i)) & 1;
    result |= level << i;
  }
  return result;
}

}  // namespace vdtest
