#include "avi_mend.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

namespace vd {

namespace {
struct Chunk {
  uint32_t id;
  uint64_t at;  // file offset of the chunk header
  uint32_t size;
};

bool ReadAt(int fd, uint64_t at, void* data, size_t size) {
  return ::pread(fd, data, size, static_cast<off_t>(at)) == static_cast<ssize_t>(size);
}
bool WriteAt(int fd, uint64_t at, const void* data, size_t size) {
  return ::pwrite(fd, data, size, static_cast<off_t>(at)) == static_cast<ssize_t>(size);
}
uint32_t Le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
constexpr uint32_t Fourcc(const char (&s)[5]) {
  return static_cast<uint32_t>(s[0]) | s[1] << 8 | s[2] << 16 | static_cast<uint32_t>(s[3]) << 24;
}
bool WriteLe32(int fd, uint64_t at, uint32_t v) {
  uint8_t b[4];
  Put32(b, v);
  return WriteAt(fd, at, b, 4);
}
// The stream number of a data chunk ("00dc" -> 0), -1 for anything else.
int StreamOf(uint32_t id) {
  int hi = static_cast<int>(id & 0xFF) - '0';
  int lo = static_cast<int>((id >> 8) & 0xFF) - '0';
  return hi >= 0 && hi <= 9 && lo >= 0 && lo <= 9 ? hi * 10 + lo : -1;
}
}  // namespace

bool AviMend::Mend(const std::string& path, std::string* why, uint32_t* frames) {
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    *why = "cannot open the file";
    return false;
  }
  struct stat st {};
  ::fstat(fd, &st);
  uint64_t fileSize = static_cast<uint64_t>(st.st_size);
  uint8_t head[12];
  if (!ReadAt(fd, 0, head, 12) || Le32(head) != Fourcc("RIFF") ||
      Le32(head + 8) != Fourcc("AVI ")) {
    ::close(fd);
    *why = "not an AVI file";
    return false;
  }
  // Top-level chunks up to the movie list.
  uint64_t at = 12;
  uint64_t hdrl = 0;
  uint64_t movi = 0;
  while (at + 12 <= fileSize && movi == 0) {
    uint8_t h[12];
    if (!ReadAt(fd, at, h, 12)) break;
    uint32_t id = Le32(h);
    uint32_t size = Le32(h + 4);
    if (id == Fourcc("LIST") && Le32(h + 8) == Fourcc("hdrl")) hdrl = at;
    if (id == Fourcc("LIST") && Le32(h + 8) == Fourcc("movi")) movi = at;
    if (id == Fourcc("idx1")) break;
    at += 8 + size + (size & 1);
  }
  if (movi == 0 || hdrl == 0) {
    ::close(fd);
    *why = "no movie list";
    return false;
  }
  // Complete chunks of the movie list; a torn one ends it.
  std::vector<Chunk> chunks;
  at = movi + 12;
  while (at + 8 <= fileSize) {
    uint8_t h[8];
    if (!ReadAt(fd, at, h, 8)) break;
    uint32_t id = Le32(h);
    uint32_t size = Le32(h + 4);
    if (id == Fourcc("idx1") || (StreamOf(id) < 0 && id != Fourcc("JUNK"))) break;
    if (at + 8 + size > fileSize) break;
    if (StreamOf(id) >= 0) chunks.push_back({id, at, size});
    at += 8 + size + (size & 1);
  }
  // Write the index after the last chunk; with no room, give up chunks from the end.
  bool written = false;
  while (!written) {
    uint64_t end = chunks.empty()
                       ? movi + 12
                       : chunks.back().at + 8 + chunks.back().size + (chunks.back().size & 1);
    std::vector<uint8_t> index(8 + 16 * chunks.size());
    Put32(&index[0], Fourcc("idx1"));
    Put32(&index[4], static_cast<uint32_t>(16 * chunks.size()));
    for (size_t i = 0; i < chunks.size(); ++i) {
      uint8_t* e = &index[8 + 16 * i];
      Put32(e, chunks[i].id);
      Put32(e + 4, 0x10);  // every raw picture and sound block stands alone
      Put32(e + 8, static_cast<uint32_t>(chunks[i].at - (movi + 8)));
      Put32(e + 12, chunks[i].size);
    }
    if (::ftruncate(fd, static_cast<off_t>(end)) == 0 &&
        WriteAt(fd, end, index.data(), index.size())) {
      written = WriteLe32(fd, movi + 4, static_cast<uint32_t>(end - movi - 8)) &&
                WriteLe32(fd, 4, static_cast<uint32_t>(end + index.size() - 8));
    }
    if (!written) {
      if (chunks.empty()) break;
      chunks.resize(chunks.size() > 8 ? chunks.size() - 8 : 0);
    }
  }
  if (!written) {
    ::close(fd);
    *why = "no room for the index";
    return false;
  }
  // Frame counts: the main header's total (the first stream's chunks) and each stream's length.
  std::map<int, uint32_t> perStream;
  for (const Chunk& c : chunks) ++perStream[StreamOf(c.id)];
  WriteLe32(fd, hdrl + 12 + 8 + 16, perStream[0]);  // avih dwTotalFrames
  if (frames != nullptr) *frames = perStream[0];
  uint64_t pos = hdrl + 12;
  uint8_t h[12];
  ReadAt(fd, hdrl, h, 8);
  uint64_t hdrlEnd = hdrl + 8 + Le32(h + 4);
  int stream = 0;
  while (pos + 12 <= hdrlEnd && ReadAt(fd, pos, h, 12)) {
    uint32_t size = Le32(h + 4);
    if (Le32(h) == Fourcc("LIST") && Le32(h + 8) == Fourcc("strl")) {
      uint8_t strh[8];
      if (ReadAt(fd, pos + 12, strh, 8) && Le32(strh) == Fourcc("strh")) {
        uint32_t count = perStream[stream];
        if (stream > 0) {
          // Sound: the length counts sample blocks; the chunks' bytes divided by the block size.
          uint8_t scale[4];
          ReadAt(fd, pos + 12 + 8 + 44, scale, 4);  // dwSampleSize
          uint32_t sampleSize = Le32(scale);
          if (sampleSize > 0) {
            uint64_t bytes = 0;
            for (const Chunk& c : chunks)
              if (StreamOf(c.id) == stream) bytes += c.size;
            count = static_cast<uint32_t>(bytes / sampleSize);
          }
        }
        WriteLe32(fd, pos + 12 + 8 + 32, count);  // dwLength
      }
      ++stream;
    }
    pos += 8 + size + (size & 1);
  }
  ::fsync(fd);
  ::close(fd);
  return true;
}

}  // namespace vd
