// The bitmap reader over arbitrary bytes. Beyond not crashing or reading past the input: a
// picture it accepts must be as large as its header says, and writing it out again (top row
// first) must read back as the same picture.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "vd/album/bitmap_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vd::BitmapImage image;
  std::string error;
  if (!vd::BitmapFile::Parse(std::span<const uint8_t>(data, size), &image, &error)) {
    if (error.empty() || !image.pixels.empty()) __builtin_trap();
    return 0;
  }
  if (image.width <= 0 || image.height <= 0 || image.width > vd::BitmapFile::kMaxSide ||
      image.height > vd::BitmapFile::kMaxSide ||
      image.pixels.size() !=
          vd::BitmapFile::RowStride(image.width) * static_cast<size_t>(image.height) ||
      image.pixels.size() > size) {
    __builtin_trap();
  }
  vd::BitmapInfoHeader header = image.header;
  header.height = -image.height;
  std::vector<uint8_t> bytes;
  if (!vd::BitmapFile::Encode(header, image.pixels, &bytes, &error)) __builtin_trap();
  vd::BitmapImage again;
  if (!vd::BitmapFile::Parse(bytes, &again, &error) || again.pixels != image.pixels ||
      again.width != image.width || again.height != image.height) {
    __builtin_trap();
  }
  return 0;
}
