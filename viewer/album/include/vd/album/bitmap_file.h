// Still pictures on disk: a 14-byte file header ("BM", file size, two reserved words, pixel
// offset), an information header of at least 40 bytes, then the pixel rows.
//
// Stride rule, shared by reader and writer: 24-bit rows padded to a multiple of 4 bytes, as
// every other bitmap reader expects. The still pin's widths (640, 768) make packed and
// padded rows the same, so the writer takes the pin's bytes as they come; packed rows of
// another width are padded on the way out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vd {

struct BitmapInfoHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;  // negative: rows stored top row first
  uint16_t planes = 1;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};

// A picture read from a file: rows top first, each RowStride(width) bytes of B, G, R.
struct BitmapImage {
  BitmapInfoHeader header;
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;
};

class BitmapFile {
 public:
  static constexpr size_t kFileHeaderSize = 14;
  static constexpr size_t kInfoHeaderSize = 40;
  static constexpr size_t kPixelOffset = kFileHeaderSize + kInfoHeaderSize;
  static constexpr int32_t kMaxSide = 16384;

  static size_t RowStride(int32_t width);

  // Parses a whole file's bytes. On failure `*out` is left as it was and `*error` says why.
  static bool Parse(std::span<const uint8_t> bytes, BitmapImage* out, std::string* error);
  // Reads a file, checking its headers against its real size before reading the pixels.
  static bool Read(const std::filesystem::path& path, BitmapImage* out, std::string* error);

  // The file's bytes for a 24-bit picture whose pixels are bottom row first (or top first for
  // a negative height), in padded or packed rows.
  static bool Encode(const BitmapInfoHeader& header, std::span<const uint8_t> pixels,
                     std::vector<uint8_t>* out, std::string* error);
  // Encodes, writes a temporary file beside `path` and renames it over `path`.
  static bool Write(const std::filesystem::path& path, const BitmapInfoHeader& header,
                    std::span<const uint8_t> pixels, std::string* error);
  // Writes the picture as a new file in `folder`, named nameOf(n) for the first n from
  // `first` on that no file has, and puts n in *used. Never replaces a file, whoever wrote
  // it; a file another writer makes under the same name at the same moment is skipped too.
  static bool WriteNumbered(const std::filesystem::path& folder,
                            const std::function<std::string(int32_t)>& nameOf, int32_t first,
                            const BitmapInfoHeader& header, std::span<const uint8_t> pixels,
                            int32_t* used, std::filesystem::path* written, std::string* error);
};

}  // namespace vd
