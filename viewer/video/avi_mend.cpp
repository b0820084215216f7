#include "avi_mend.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "vd/unique_fd.h"

namespace vd {

namespace {
struct Chunk {
  uint32_t id;
  uint64_t at;  // file offset of the chunk header
  uint32_t size;
  size_t part;  // which RIFF part of the file holds it
  bool key;
};

// One RIFF list of the file: the first ("AVI ") or an extension ("AVIX") past 1 GiB.
struct Part {
  uint64_t riff = 0;
  uint64_t movi = 0;
  uint64_t moviEnd = 0;  // where the movie list ends (its index chunks included)
  uint64_t riffEnd = 0;  // where the next part begins
};

// A per-stream index chunk ("ix00") the muxer wrote when it closed a part.
struct StreamIndex {
  size_t part;
  uint64_t at;
  uint32_t size;     // with its header
  uint32_t entries;  // chunks it indexes
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
void Put64(uint8_t* p, uint64_t v) {
  Put32(p, static_cast<uint32_t>(v));
  Put32(p + 4, static_cast<uint32_t>(v >> 32));
}
constexpr uint32_t Fourcc(const char (&s)[5]) {
  return static_cast<uint32_t>(s[0]) | s[1] << 8 | s[2] << 16 | static_cast<uint32_t>(s[3]) << 24;
}
bool WriteLe32(int fd, uint64_t at, uint32_t v) {
  uint8_t b[4];
  Put32(b, v);
  return WriteAt(fd, at, b, 4);
}
int Digits(uint32_t id) {
  int hi = static_cast<int>(id & 0xFF) - '0';
  int lo = static_cast<int>((id >> 8) & 0xFF) - '0';
  return hi >= 0 && hi <= 9 && lo >= 0 && lo <= 9 ? hi * 10 + lo : -1;
}
// The stream number of a data chunk ("00dc" -> 0), -1 for anything else.
int StreamOf(uint32_t id) {
  return (id & 0xFFFF) == (Fourcc("ix00") & 0xFFFF) ? -1 : Digits(id);
}
// The stream an index chunk ("ix01" -> 1) belongs to, -1 for anything else.
int IndexedStreamOf(uint32_t id) {
  if ((id & 0xFFFF) != (Fourcc("ix00") & 0xFFFF)) return -1;
  return Digits(id >> 16);
}
uint32_t IndexChunkId(int stream) {
  return Fourcc("ix00") + (static_cast<uint32_t>(stream / 10) << 16) +
         (static_cast<uint32_t>(stream % 10) << 24);
}

bool IsH264(uint32_t fourcc) {
  for (const uint32_t name : {Fourcc("H264"), Fourcc("h264"), Fourcc("X264"), Fourcc("x264"),
                              Fourcc("AVC1"), Fourcc("avc1")})
    if (fourcc == name) return true;
  return false;
}

// Whether an H.264 access unit (Annex B byte stream, as the muxer stores it) can be decoded
// on its own: its first picture slice is an IDR slice. Parameter sets, delimiters and SEI
// before it are skipped; an access unit without a slice counts as one that cannot.
bool IsH264KeyFrame(int fd, uint64_t data, uint32_t size) {
  constexpr size_t kBlock = 64 * 1024;
  std::vector<uint8_t> buffer;
  uint64_t done = 0;
  int zeros = 0;
  while (done < size) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kBlock, size - done));
    buffer.resize(n);
    if (!ReadAt(fd, data + done, buffer.data(), n)) return false;
    for (size_t i = 0; i < n; ++i) {
      const uint8_t b = buffer[i];
      if (zeros >= 2 && b == 1) {
        // The start code's last byte: the NAL unit header follows.
        uint8_t header = 0;
        if (i + 1 < n) {
          header = buffer[i + 1];
        } else if (done + n >= size || !ReadAt(fd, data + done + n, &header, 1)) {
          return false;
        }
        const int type = header & 0x1F;
        if (type >= 1 && type <= 5) return type == 5;
        zeros = 0;
        continue;
      }
      zeros = b == 0 ? zeros + 1 : 0;
    }
    done += n;
  }
  return false;
}

// The compression of each stream's pictures (its strf biCompression), 0 for sound.
std::map<int, uint32_t> PictureCompressions(int fd, uint64_t hdrl, uint64_t hdrlEnd) {
  std::map<int, uint32_t> result;
  uint64_t pos = hdrl + 12;
  int stream = 0;
  uint8_t h[12];
  while (pos + 12 <= hdrlEnd && ReadAt(fd, pos, h, 12)) {
    const uint32_t size = Le32(h + 4);
    if (Le32(h) == Fourcc("LIST") && Le32(h + 8) == Fourcc("strl")) {
      uint8_t strh[16];
      uint8_t strf[28];
      if (ReadAt(fd, pos + 12, strh, 16) && Le32(strh) == Fourcc("strh") &&
          Le32(strh + 8) == Fourcc("vids")) {
        const uint64_t strfAt = pos + 12 + 8 + Le32(strh + 4) + (Le32(strh + 4) & 1);
        if (ReadAt(fd, strfAt, strf, 28) && Le32(strf) == Fourcc("strf"))
          result[stream] = Le32(strf + 8 + 16);  // BITMAPINFOHEADER biCompression
      }
      ++stream;
    }
    pos += 8 + size + (size & 1);
  }
  return result;
}
}  // namespace

namespace {
// Room for 4094 parts of 1 GiB; the muxer's own has room for 32.
constexpr uint32_t kLargestSuperindex = 64 * 1024;
}  // namespace

bool AviMend::IsWhole(const std::string& path) {
  const UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file) return false;
  const int fd = file.Get();
  struct stat st {};
  const uint64_t fileSize = ::fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  bool indexed = false;
  uint64_t at = 0;
  // The muxer writes each part's size last, once the part is complete: the sizes lead from
  // part to part and end exactly at the file's end only when nothing was cut off.
  while (at + 12 <= fileSize) {
    uint8_t h[12];
    if (!ReadAt(fd, at, h, 12) || Le32(h) != Fourcc("RIFF") ||
        Le32(h + 8) != (at == 0 ? Fourcc("AVI ") : Fourcc("AVIX")))
      break;
    const uint64_t end = at + 8 + Le32(h + 4);
    if (end > fileSize) break;
    for (uint64_t c = at + 12; at == 0 && c + 8 <= end;) {
      uint8_t ch[8];
      if (!ReadAt(fd, c, ch, 8)) break;
      const uint32_t size = Le32(ch + 4);
      if (Le32(ch) == Fourcc("idx1")) indexed = c + 8 + size <= end;
      c += 8 + size + (size & 1);
    }
    at = end;
  }
  return indexed && at == fileSize;
}

bool AviMend::Mend(const std::string& path, std::string* why, uint32_t* frames) {
  const UniqueFd file(::open(path.c_str(), O_RDWR | O_CLOEXEC));
  if (!file) {
    *why = "cannot open the file";
    return false;
  }
  const int fd = file.Get();
  struct stat st {};
  ::fstat(fd, &st);
  uint64_t fileSize = static_cast<uint64_t>(st.st_size);
  uint8_t head[12];
  if (!ReadAt(fd, 0, head, 12) || Le32(head) != Fourcc("RIFF") ||
      Le32(head + 8) != Fourcc("AVI ")) {
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
    *why = "no movie list";
    return false;
  }
  uint8_t hdrlHead[8];
  ReadAt(fd, hdrl, hdrlHead, 8);
  const uint64_t hdrlEnd = hdrl + 8 + Le32(hdrlHead + 4);
  const std::map<int, uint32_t> compressions = PictureCompressions(fd, hdrl, hdrlEnd);

  // Complete chunks of the movie lists. Past 1 GiB the muxer closes a part with its index
  // chunks (and, after the first, the old-style index) and opens an "AVIX" part; a torn
  // chunk or anything unknown ends the walk.
  std::vector<Chunk> chunks;
  std::vector<Part> parts{{0, movi, 0, 0}};
  std::vector<StreamIndex> closedIndexes;
  at = movi + 12;
  while (at + 8 <= fileSize) {
    uint8_t h[24];
    if (!ReadAt(fd, at, h, 8)) break;
    uint32_t id = Le32(h);
    uint32_t size = Le32(h + 4);
    if (id == Fourcc("RIFF")) {
      if (at + 24 > fileSize || !ReadAt(fd, at, h, 24) || Le32(h + 8) != Fourcc("AVIX") ||
          Le32(h + 12) != Fourcc("LIST") || Le32(h + 20) != Fourcc("movi"))
        break;
      if (parts.back().moviEnd == 0) parts.back().moviEnd = at;
      parts.back().riffEnd = at;
      parts.push_back({at, at + 12, 0, 0});
      at += 24;
      continue;
    }
    const int stream = StreamOf(id);
    const int indexed = IndexedStreamOf(id);
    if (stream < 0 && indexed < 0 && id != Fourcc("JUNK") && id != Fourcc("idx1")) break;
    if (at + 8 + size > fileSize) break;
    if (stream >= 0) {
      bool key = true;
      auto compression = compressions.find(stream);
      if (compression != compressions.end() && IsH264(compression->second))
        key = IsH264KeyFrame(fd, at + 8, size);
      chunks.push_back({id, at, size, parts.size() - 1, key});
    } else if (indexed >= 0) {
      uint8_t ix[16];
      if (size >= 8 && ReadAt(fd, at + 8, ix, 8))
        closedIndexes.push_back({parts.size() - 1, at, size + 8, Le32(ix + 4)});
    } else if (id == Fourcc("idx1")) {
      parts.back().moviEnd = at;
    }
    at += 8 + size + (size & 1);
  }

  // The superindex of each stream (the muxer leaves it as a JUNK placeholder until the end)
  // lists one index chunk per part.
  struct StreamHeader {
    uint64_t strh = 0;
    uint64_t indx = 0;  // the superindex chunk or its placeholder, 0 when there is none
    uint32_t indxSize = 0;
  };
  std::vector<StreamHeader> streams;
  uint64_t dmlh = 0;
  {
    uint64_t pos = hdrl + 12;
    uint8_t h[12];
    while (pos + 12 <= hdrlEnd && ReadAt(fd, pos, h, 12)) {
      uint32_t size = Le32(h + 4);
      if (Le32(h) == Fourcc("LIST") && Le32(h + 8) == Fourcc("strl")) {
        StreamHeader s;
        uint64_t inner = pos + 12;
        uint8_t c[8];
        while (inner + 8 <= pos + 8 + size && ReadAt(fd, inner, c, 8)) {
          if (Le32(c) == Fourcc("strh")) s.strh = inner;
          // A placeholder that leaves its stream's header, or one larger than any index of
          // indexes needs, is damage: what is written there would land on the film.
          const uint64_t chunkEnd = inner + 8 + Le32(c + 4);
          if ((Le32(c) == Fourcc("indx") || Le32(c) == Fourcc("JUNK")) && s.indx == 0 &&
              chunkEnd <= pos + 8 + size && Le32(c + 4) <= kLargestSuperindex) {
            s.indx = inner;
            s.indxSize = Le32(c + 4);
          }
          inner += 8 + Le32(c + 4) + (Le32(c + 4) & 1);
        }
        streams.push_back(s);
      } else if (Le32(h) == Fourcc("LIST") && Le32(h + 8) == Fourcc("odml")) {
        uint8_t c[8];
        if (ReadAt(fd, pos + 12, c, 8) && Le32(c) == Fourcc("dmlh")) dmlh = pos + 12;
      }
      pos += 8 + size + (size & 1);
    }
  }
  // Sound that runs past the film's end goes from the index: the encoder holds pictures back
  // while sound goes straight to the muxer, so a recording cut short holds up to half a
  // second of sound after its last picture, which a player would play over a frozen frame.
  // The chunks stay in the file, unindexed; what is kept ends within one chunk of the film.
  {
    std::vector<std::array<uint32_t, 4>> timing;  // per stream: type, scale, rate, sample size
    for (const StreamHeader& s : streams) {
      uint8_t h[48] = {};
      if (s.strh == 0 || !ReadAt(fd, s.strh + 8, h, sizeof h)) {
        timing.push_back({0, 0, 0, 0});
        continue;
      }
      timing.push_back({Le32(h), Le32(h + 20), Le32(h + 24), Le32(h + 44)});
    }
    uint64_t pictures = 0;
    for (const Chunk& c : chunks)
      if (StreamOf(c.id) == 0) ++pictures;
    const bool timed = !timing.empty() && timing[0][0] == Fourcc("vids") && timing[0][1] > 0 &&
                       timing[0][2] > 0 && pictures > 0;
    if (timed) {
      // Film length in nanoseconds, each sound chunk's start in the same unit.
      const double filmEnd = 1e9 * static_cast<double>(pictures) * timing[0][1] / timing[0][2];
      std::map<int, uint64_t> soundBytes;
      std::erase_if(chunks, [&](const Chunk& c) {
        const int stream = StreamOf(c.id);
        if (stream <= 0 || static_cast<size_t>(stream) >= timing.size()) return false;
        const auto& t = timing[static_cast<size_t>(stream)];
        if (t[0] != Fourcc("auds") || t[1] == 0 || t[2] == 0 || t[3] == 0) return false;
        const double start = 1e9 * static_cast<double>(soundBytes[stream] / t[3]) * t[1] / t[2];
        soundBytes[stream] += c.size;
        return start >= filmEnd;
      });
    }
  }
  size_t roomForParts = SIZE_MAX;
  for (const StreamHeader& s : streams)
    roomForParts =
        std::min<size_t>(roomForParts, s.indx == 0 || s.indxSize < 24 ? 1 : (s.indxSize - 24) / 16);
  // The index of the last part goes after its last chunk: with more parts than the index
  // holds, that would be written over the parts past it. The file is left whole instead.
  if (parts.size() > 1 && roomForParts < parts.size()) {
    *why = "it has " + std::to_string(parts.size()) + " parts, more than its index holds (" +
           std::to_string(roomForParts) + ")";
    return false;
  }

  // Write the index of the last part after its last chunk; with no room, give up chunks
  // from the end. A part left without chunks goes, and the one before is closed again.
  bool written = false;
  size_t last = 0;
  std::vector<StreamIndex> lastIndexes;
  while (!written) {
    last = chunks.empty() ? 0 : chunks.back().part;
    const Part& part = parts[last];
    uint64_t end = chunks.empty()
                       ? part.movi + 12
                       : chunks.back().at + 8 + chunks.back().size + (chunks.back().size & 1);
    std::vector<uint8_t> index;
    lastIndexes.clear();
    size_t first = chunks.size();
    while (first > 0 && chunks[first - 1].part == last) --first;
    auto flagsOf = [](const Chunk& c) { return c.key ? 0x10u : 0u; };
    if (last == 0) {
      index.resize(8 + 16 * chunks.size());
      Put32(&index[0], Fourcc("idx1"));
      Put32(&index[4], static_cast<uint32_t>(16 * chunks.size()));
      for (size_t i = 0; i < chunks.size(); ++i) {
        uint8_t* e = &index[8 + 16 * i];
        Put32(e, chunks[i].id);
        Put32(e + 4, flagsOf(chunks[i]));
        Put32(e + 8, static_cast<uint32_t>(chunks[i].at - (movi + 8)));
        Put32(e + 12, chunks[i].size);
      }
    } else {
      // One standard index chunk per stream, inside the movie list.
      std::map<int, std::vector<const Chunk*>> byStream;
      for (size_t i = first; i < chunks.size(); ++i)
        byStream[StreamOf(chunks[i].id)].push_back(&chunks[i]);
      for (const auto& [stream, list] : byStream) {
        const size_t start = index.size();
        index.resize(start + 32 + 8 * list.size());
        uint8_t* ix = &index[start];
        Put32(ix, IndexChunkId(stream));
        Put32(ix + 4, static_cast<uint32_t>(24 + 8 * list.size()));
        ix[8] = 2;  // longs per entry
        ix[9] = 0;
        ix[10] = 0;
        ix[11] = 1;  // an index of chunks
        Put32(ix + 12, static_cast<uint32_t>(list.size()));
        Put32(ix + 16, list.front()->id);
        Put64(ix + 20, part.riff);
        Put32(ix + 28, 0);
        for (size_t i = 0; i < list.size(); ++i) {
          Put32(ix + 32 + 8 * i, static_cast<uint32_t>(list[i]->at + 8 - part.riff));
          // The top bit marks a picture that cannot be decoded on its own.
          Put32(ix + 36 + 8 * i, list[i]->size | (list[i]->key ? 0 : 0x80000000u));
        }
        lastIndexes.push_back({last, end + start, static_cast<uint32_t>(32 + 8 * list.size()),
                               static_cast<uint32_t>(list.size())});
      }
    }
    if (::ftruncate(fd, static_cast<off_t>(end)) == 0 &&
        WriteAt(fd, end, index.data(), index.size())) {
      const uint64_t fileEnd = end + index.size();
      const uint64_t moviEnd = last == 0 ? end : fileEnd;
      written = WriteLe32(fd, part.movi + 4, static_cast<uint32_t>(moviEnd - part.movi - 8)) &&
                WriteLe32(fd, part.riff + 4, static_cast<uint32_t>(fileEnd - part.riff - 8));
      // The parts before it were closed by the muxer; only their sizes are left to write.
      for (size_t p = 0; written && p < last; ++p) {
        written = WriteLe32(fd, parts[p].movi + 4,
                            static_cast<uint32_t>(parts[p].moviEnd - parts[p].movi - 8)) &&
                  WriteLe32(fd, parts[p].riff + 4,
                            static_cast<uint32_t>(parts[p].riffEnd - parts[p].riff - 8));
      }
    }
    if (!written) {
      if (chunks.empty()) break;
      chunks.resize(chunks.size() > 8 ? chunks.size() - 8 : 0);
    }
  }
  if (!written) {
    *why = "no room for the index";
    return false;
  }
  // Frame counts: the main header's total (the first part's pictures), each stream's
  // length and, in a file of several parts, the extended header's total of all pictures.
  std::map<int, uint32_t> perStream;
  uint32_t firstPartFrames = 0;
  for (const Chunk& c : chunks) {
    ++perStream[StreamOf(c.id)];
    if (StreamOf(c.id) == 0 && c.part == 0) ++firstPartFrames;
  }
  WriteLe32(fd, hdrl + 12 + 8 + 16, firstPartFrames);  // avih dwTotalFrames
  if (frames != nullptr) *frames = perStream[0];
  if (dmlh != 0) WriteLe32(fd, dmlh + 8, perStream[0]);
  for (size_t stream = 0; stream < streams.size(); ++stream) {
    const StreamHeader& s = streams[stream];
    if (s.strh == 0) continue;
    uint32_t count = perStream[static_cast<int>(stream)];
    if (stream > 0) {
      // Sound: the length counts sample blocks; the chunks' bytes divided by the block size.
      uint8_t scale[4];
      ReadAt(fd, s.strh + 8 + 44, scale, 4);  // dwSampleSize
      uint32_t sampleSize = Le32(scale);
      if (sampleSize > 0) {
        uint64_t bytes = 0;
        for (const Chunk& c : chunks)
          if (StreamOf(c.id) == static_cast<int>(stream)) bytes += c.size;
        count = static_cast<uint32_t>(bytes / sampleSize);
      }
    }
    WriteLe32(fd, s.strh + 8 + 32, count);  // dwLength
    if (last == 0 || s.indx == 0) continue;
    // The superindex: the muxer's index chunks of the closed parts, then the new one.
    std::vector<StreamIndex> entries;
    for (const StreamIndex& ix : closedIndexes) {
      uint8_t id[4];
      if (ix.part < last && ReadAt(fd, ix.at, id, 4) &&
          IndexedStreamOf(Le32(id)) == static_cast<int>(stream))
        entries.push_back(ix);
    }
    for (const StreamIndex& ix : lastIndexes) {
      uint8_t id[4];
      if (ReadAt(fd, ix.at, id, 4) && IndexedStreamOf(Le32(id)) == static_cast<int>(stream))
        entries.push_back(ix);
    }
    std::vector<uint8_t> indx(8 + s.indxSize, 0);
    Put32(&indx[0], Fourcc("indx"));
    Put32(&indx[4], s.indxSize);
    indx[8] = 4;   // longs per entry
    indx[11] = 0;  // an index of indexes
    Put32(&indx[12], static_cast<uint32_t>(entries.size()));
    uint32_t chunkId = 0;
    for (const Chunk& c : chunks)
      if (StreamOf(c.id) == static_cast<int>(stream)) {
        chunkId = c.id;
        break;
      }
    Put32(&indx[16], chunkId);
    for (size_t i = 0; i < entries.size(); ++i) {
      uint8_t* e = &indx[32 + 16 * i];
      Put64(e, entries[i].at);
      Put32(e + 8, entries[i].size);
      // Pictures: chunks indexed; sound: sample blocks, as the stream's length counts them.
      uint32_t duration = entries[i].entries;
      if (stream > 0) {
        uint8_t scale[4];
        ReadAt(fd, s.strh + 8 + 44, scale, 4);
        const uint32_t sampleSize = Le32(scale);
        if (sampleSize > 0) {
          uint64_t bytes = 0;
          for (const Chunk& c : chunks)
            if (StreamOf(c.id) == static_cast<int>(stream) && c.part == entries[i].part)
              bytes += c.size;
          duration = static_cast<uint32_t>(bytes / sampleSize);
        }
      }
      Put32(e + 12, duration);
    }
    WriteAt(fd, s.indx, indx.data(), indx.size());
  }
  ::fsync(fd);
  return true;
}

}  // namespace vd
