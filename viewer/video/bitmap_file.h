// Still pictures as bitmap files: the 14-byte file header, the 40-byte bitmap header and the
// pixel bytes, written through a temporary file that is renamed over the target.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vd {

class BitmapFile {
 public:
  static constexpr uint32_t kFileHeaderSize = 14;
  static constexpr uint32_t kInfoHeaderSize = 40;

  // The 40-byte header of an uncompressed picture: planes 1, no compression, resolutions
  // and colour counts 0, image size = width x height x bits / 8.
  static std::vector<uint8_t> InfoHeader(int32_t width, int32_t height, uint16_t bitCount);
  // "BM", file size = imageSize + 54, two reserved words 0, pixel offset 54, the info header,
  // then imageSize bytes of pixels. False when the file cannot be written.
  static bool Write(const std::string& path, const uint8_t* infoHeader, const uint8_t* pixels,
                    uint32_t imageSize);
};

}  // namespace vd
