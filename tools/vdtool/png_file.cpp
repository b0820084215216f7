#include "png_file.h"

#include <png.h>

#include "vd/file_replace.h"

namespace vdtool {

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
              std::string* error) {
  if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * height * 4) {
    *error = "no picture to write";
    return false;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  // Encoded in memory first, then replaced in one step: a reader never sees half a picture.
  png_alloc_size_t size = 0;
  if (png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr) == 0) {
    *error = image.message;
    png_image_free(&image);
    return false;
  }
  std::vector<uint8_t> encoded(size);
  const bool encodedOk =
      png_image_write_to_memory(&image, encoded.data(), &size, 0, rgba.data(), 0, nullptr) != 0;
  if (!encodedOk) *error = image.message;
  png_image_free(&image);
  if (!encodedOk) return false;
  encoded.resize(size);
  vd::FileReplacement file;
  if (!file.Begin(path) || !file.Write(encoded) || !file.Commit()) {
    *error = file.Error();
    return false;
  }
  return true;
}

}  // namespace vdtool
