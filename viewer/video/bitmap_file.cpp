#include "bitmap_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace vd {

namespace {
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}
}  // namespace

std::vector<uint8_t> BitmapFile::InfoHeader(int32_t width, int32_t height, uint16_t bitCount) {
  std::vector<uint8_t> h(kInfoHeaderSize, 0);
  Put32(&h[0], kInfoHeaderSize);
  Put32(&h[4], static_cast<uint32_t>(width));
  Put32(&h[8], static_cast<uint32_t>(height));
  Put16(&h[12], 1);
  Put16(&h[14], bitCount);
  Put32(&h[20], static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * bitCount / 8);
  return h;
}

bool BitmapFile::Write(const std::string& path, const uint8_t* infoHeader, const uint8_t* pixels,
                       uint32_t imageSize) {
  uint8_t head[kFileHeaderSize] = {};
  Put16(&head[0], 0x4D42);
  Put32(&head[2], imageSize + kFileHeaderSize + kInfoHeaderSize);
  Put32(&head[10], kFileHeaderSize + kInfoHeaderSize);
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  ::fchmod(fd, 0644);
  bool ok = WriteAll(fd, head, sizeof head) && WriteAll(fd, infoHeader, kInfoHeaderSize) &&
            WriteAll(fd, pixels, imageSize) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

}  // namespace vd
