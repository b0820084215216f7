#include "png_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vdtool {

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
              std::string* error) {
  if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * height * 4) {
    *error = "no picture to write";
    return false;
  }
  // A temporary file renamed over the target: a reader never sees half a picture.
  const std::string temporary = path + ".tmp";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    *error = std::strerror(errno);
    return false;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  const bool written = png_image_write_to_stdio(&image, file, 0, rgba.data(), 0, nullptr) != 0;
  if (!written) *error = image.message;
  png_image_free(&image);
  const bool flushed = std::fflush(file) == 0;
  if (written && !flushed) *error = std::strerror(errno);
  const bool closed = std::fclose(file) == 0;
  if (!written || !flushed || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
    if (written && flushed) *error = std::strerror(errno);
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace vdtool
