// Writes pictures as PNG files through libpng, for commands whose output scripts read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vdtool {

// Writes width x height pixels of four bytes (R, G, B, A) to `path`; false with the reason
// in `error` when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
              std::string* error);

}  // namespace vdtool
