#include "vd/album/bitmap_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "byte_reader.h"
#include "vd/file_read.h"
#include "vd/file_replace.h"

namespace vd {
namespace {

constexpr uint16_t kMagic = 0x4D42;  // "BM"

// Where the pixels are and how they are laid out, once the headers passed every check.
struct Layout {
  BitmapInfoHeader header;
  uint32_t pixelOffset = 0;
  int32_t width = 0;
  int32_t height = 0;  // rows, positive
  bool topDown = false;
  size_t stride = 0;
};

std::string Printf(const char* format, unsigned long long a, unsigned long long b = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

BitmapInfoHeader ReadInfoHeader(ByteReader& in) {
  BitmapInfoHeader h;
  h.size = in.U32();
  h.width = in.I32();
  h.height = in.I32();
  h.planes = in.U16();
  h.bitCount = in.U16();
  h.compression = in.U32();
  h.sizeImage = in.U32();
  h.xPelsPerMeter = in.I32();
  h.yPelsPerMeter = in.I32();
  h.clrUsed = in.U32();
  h.clrImportant = in.U32();
  return h;
}

// Only uncompressed 24-bit pixels can be shown.
bool CheckPixelFormat(const BitmapInfoHeader& h, std::string* error) {
  if (h.bitCount != 24) {
    *error = Printf("The bitmap has %llu bits per pixel; only 24-bit pictures can be shown.",
                    h.bitCount);
    return false;
  }
  if (h.compression != 0) {
    *error = "The bitmap is compressed; only uncompressed pictures can be shown.";
    return false;
  }
  return true;
}

// Checks the headers at the start of a file of `fileSize` bytes. `head` holds at least the
// first 54 bytes of the file when the file has them.
bool CheckHeaders(std::span<const uint8_t> head, uint64_t fileSize, Layout* out,
                  std::string* error) {
  if (fileSize < BitmapFile::kPixelOffset || head.size() < BitmapFile::kPixelOffset) {
    *error = "The file is too short to be a bitmap.";
    return false;
  }
  ByteReader in(head);
  const uint16_t magic = in.U16();
  // The header's file size is not trusted either way: many writers put 0 there, or count
  // what they appended. Every offset and length below is checked against the real size.
  in.U32();
  in.U32();  // two reserved words
  const uint32_t offset = in.U32();
  const BitmapInfoHeader h = ReadInfoHeader(in);
  if (!in.Ok()) {
    *error = "The file is too short to be a bitmap.";
    return false;
  }
  if (magic != kMagic) {
    *error = "The file is not a bitmap.";
    return false;
  }
  if (offset < BitmapFile::kPixelOffset || offset > fileSize) {
    *error = Printf("The bitmap header puts the pixels at byte %llu, outside the file.", offset);
    return false;
  }
  if (h.size < BitmapFile::kInfoHeaderSize || h.size > offset - BitmapFile::kFileHeaderSize) {
    *error = Printf("The bitmap information header has an unknown size of %llu bytes.", h.size);
    return false;
  }
  if (!CheckPixelFormat(h, error)) return false;
  const int64_t rows = h.height < 0 ? -static_cast<int64_t>(h.height) : h.height;
  if (h.width <= 0 || rows == 0) {
    *error = "The bitmap has no pixels: its width or height is zero or negative.";
    return false;
  }
  if (h.width > BitmapFile::kMaxSide || rows > BitmapFile::kMaxSide) {
    *error = Printf("The bitmap is larger than %llu x %llu pixels.", BitmapFile::kMaxSide,
                    BitmapFile::kMaxSide);
    return false;
  }
  const size_t stride = BitmapFile::RowStride(h.width);
  if (stride * static_cast<uint64_t>(rows) > fileSize - offset) {
    *error = "The bitmap's pixels run past the end of the file.";
    return false;
  }
  out->header = h;
  out->pixelOffset = offset;
  out->width = h.width;
  out->height = static_cast<int32_t>(rows);
  out->topDown = h.height < 0;
  out->stride = stride;
  return true;
}

// Copies the rows into top-first order.
std::vector<uint8_t> TopFirst(std::span<const uint8_t> rows, const Layout& layout) {
  std::vector<uint8_t> pixels(layout.stride * static_cast<size_t>(layout.height));
  for (int32_t y = 0; y < layout.height; ++y) {
    const int32_t from = layout.topDown ? y : layout.height - 1 - y;
    std::memcpy(pixels.data() + layout.stride * static_cast<size_t>(y),
                rows.data() + layout.stride * static_cast<size_t>(from), layout.stride);
  }
  return pixels;
}

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

bool ReadAt(int fd, uint64_t offset, uint8_t* to, size_t n) {
  while (n > 0) {
    const ssize_t got = ::pread(fd, to, n, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    to += got;
    n -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
  return true;
}

}  // namespace

size_t BitmapFile::RowStride(int32_t width) {
  return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
}

bool BitmapFile::Parse(std::span<const uint8_t> bytes, BitmapImage* out, std::string* error) {
  Layout layout;
  if (!CheckHeaders(bytes.first(std::min(bytes.size(), kPixelOffset)), bytes.size(), &layout,
                    error)) {
    return false;
  }
  out->pixels = TopFirst(bytes.subspan(layout.pixelOffset), layout);
  out->header = layout.header;
  out->width = layout.width;
  out->height = layout.height;
  return true;
}

bool BitmapFile::Read(const std::filesystem::path& path, BitmapImage* out, std::string* error) {
  // A FIFO under a picture's name must not hang the album on its open: only a regular file
  // is opened, without waiting.
  std::string why;
  UniqueFd owned = OpenRegularFile(path, &why);
  if (!owned) {
    *error = errno == EINVAL ? "Cannot read " + path.string() + ": not a plain file."
                             : "Cannot open " + path.string() + ": " + why;
    return false;
  }
  const int fd = owned.Get();
  struct stat st {};
  uint8_t head[kPixelOffset] = {};
  Layout layout;
  bool ok = ::fstat(fd, &st) == 0;
  if (!ok) {
    *error = "Cannot read " + path.string() + ": " + std::strerror(errno);
  } else {
    const size_t headSize = std::min<uint64_t>(static_cast<uint64_t>(st.st_size), kPixelOffset);
    ok = ReadAt(fd, 0, head, headSize);
    if (!ok) *error = "Cannot read " + path.string() + ": " + std::strerror(errno);
    ok = ok && CheckHeaders({head, headSize}, static_cast<uint64_t>(st.st_size), &layout, error);
  }
  std::vector<uint8_t> rows;
  if (ok) {
    // Only now, with the sizes checked against the real file, is memory taken for them.
    rows.resize(layout.stride * static_cast<size_t>(layout.height));
    ok = ReadAt(fd, layout.pixelOffset, rows.data(), rows.size());
    if (!ok) *error = "Cannot read the pixels of " + path.string() + ".";
  }
  owned.Reset();
  if (!ok) return false;
  out->pixels = TopFirst(rows, layout);
  out->header = layout.header;
  out->width = layout.width;
  out->height = layout.height;
  return true;
}

bool BitmapFile::Encode(const BitmapInfoHeader& header, std::span<const uint8_t> pixels,
                        std::vector<uint8_t>* out, std::string* error) {
  const int64_t rows = header.height < 0 ? -static_cast<int64_t>(header.height) : header.height;
  if (header.bitCount != 24 || header.compression != 0 || header.width <= 0 || rows == 0 ||
      header.width > kMaxSide || rows > kMaxSide) {
    *error = "Only uncompressed 24-bit pictures up to 16384 x 16384 pixels can be saved.";
    return false;
  }
  const size_t stride = RowStride(header.width);
  const size_t packed = static_cast<size_t>(header.width) * 3;
  const size_t imageSize = stride * static_cast<size_t>(rows);
  if (pixels.size() != imageSize && pixels.size() != packed * static_cast<size_t>(rows)) {
    *error = "The picture's pixels do not match its size.";
    return false;
  }
  std::vector<uint8_t> bytes;
  bytes.reserve(kPixelOffset + imageSize);
  Put16(bytes, kMagic);
  Put32(bytes, static_cast<uint32_t>(imageSize + kPixelOffset));
  Put32(bytes, 0);
  Put32(bytes, static_cast<uint32_t>(kPixelOffset));
  Put32(bytes, static_cast<uint32_t>(kInfoHeaderSize));
  Put32(bytes, static_cast<uint32_t>(header.width));
  Put32(bytes, static_cast<uint32_t>(header.height));
  Put16(bytes, 1);
  Put16(bytes, 24);
  Put32(bytes, 0);
  Put32(bytes, static_cast<uint32_t>(imageSize));
  Put32(bytes, static_cast<uint32_t>(header.xPelsPerMeter));
  Put32(bytes, static_cast<uint32_t>(header.yPelsPerMeter));
  Put32(bytes, header.clrUsed);
  Put32(bytes, header.clrImportant);
  if (pixels.size() == imageSize) {
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
  } else {
    for (int64_t y = 0; y < rows; ++y) {
      const auto row = pixels.subspan(static_cast<size_t>(y) * packed, packed);
      bytes.insert(bytes.end(), row.begin(), row.end());
      bytes.insert(bytes.end(), stride - packed, 0);
    }
  }
  *out = std::move(bytes);
  return true;
}

bool BitmapFile::Write(const std::filesystem::path& path, const BitmapInfoHeader& header,
                       std::span<const uint8_t> pixels, std::string* error) {
  std::vector<uint8_t> bytes;
  return Encode(header, pixels, &bytes, error) && ReplaceFile(path, bytes, error);
}

bool BitmapFile::WriteNumbered(const std::filesystem::path& folder,
                               const std::function<std::string(int32_t)>& nameOf, int32_t first,
                               const BitmapInfoHeader& header, std::span<const uint8_t> pixels,
                               int32_t* used, std::filesystem::path* written, std::string* error) {
  std::vector<uint8_t> bytes;
  if (!Encode(header, pixels, &bytes, error)) return false;
  first = std::max(first, 1);
  FileReplacement file;
  if (!file.Begin(folder / nameOf(first)) || !file.Write(bytes)) {
    *error = file.Error();
    return false;
  }
  // Bounded: a folder crowded with numbered pictures ends in a message, not a long stall.
  constexpr int64_t kMaxTries = 100000;
  const int64_t last = std::min<int64_t>(INT32_MAX, int64_t{first} + kMaxTries - 1);
  for (int64_t n = first; n <= last; ++n) {
    const std::filesystem::path path = folder / nameOf(static_cast<int32_t>(n));
    if (file.CommitNew(path)) {
      *used = static_cast<int32_t>(n);
      *written = path;
      return true;
    }
    if (errno != EEXIST) {
      *error = file.Error();
      return false;
    }
  }
  *error = "No free file name is left for the picture.";
  return false;
}

}  // namespace vd
