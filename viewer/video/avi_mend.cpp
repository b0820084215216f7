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

// The lists before the movie's index that the mending starts from.
struct TopLevel {
  uint64_t hdrl = 0;
  uint64_t movi = 0;  // the first part's movie list
};

TopLevel FindTopLevel(int fd, uint64_t fileSize) {
  TopLevel top;
  uint64_t at = 12;
  while (at + 12 <= fileSize && top.movi == 0) {
    uint8_t h[12];
    if (!ReadAt(fd, at, h, 12)) break;
    const uint32_t id = Le32(h);
    const uint32_t size = Le32(h + 4);
    if (id == Fourcc("LIST") && Le32(h + 8) == Fourcc("hdrl")) top.hdrl = at;
    if (id == Fourcc("LIST") && Le32(h + 8) == Fourcc("movi")) top.movi = at;
    if (id == Fourcc("idx1")) break;
    at += 8 + size + (size & 1);
  }
  return top;
}

// What the walk over the movie lists found.
struct Movie {
  std::vector<Chunk> chunks;
  std::vector<Part> parts;
  std::vector<StreamIndex> closedIndexes;
};

// Complete chunks of the movie lists. Past 1 GiB the muxer closes a part with its index
// chunks (and, after the first, the old-style index) and opens an "AVIX" part; a torn
// chunk or anything unknown ends the walk.
Movie WalkMovie(int fd, uint64_t fileSize, uint64_t movi,
                const std::map<int, uint32_t>& compressions) {
  Movie movie;
  movie.parts.push_back({0, movi, 0, 0});
  uint64_t at = movi + 12;
  while (at + 8 <= fileSize) {
    uint8_t h[24];
    if (!ReadAt(fd, at, h, 8)) break;
    const uint32_t id = Le32(h);
    const uint32_t size = Le32(h + 4);
    if (id == Fourcc("RIFF")) {
      if (at + 24 > fileSize || !ReadAt(fd, at, h, 24) || Le32(h + 8) != Fourcc("AVIX") ||
          Le32(h + 12) != Fourcc("LIST") || Le32(h + 20) != Fourcc("movi"))
        break;
      if (movie.parts.back().moviEnd == 0) movie.parts.back().moviEnd = at;
      movie.parts.back().riffEnd = at;
      movie.parts.push_back({at, at + 12, 0, 0});
      at += 24;
      continue;
    }
    const int stream = StreamOf(id);
    const int indexed = IndexedStreamOf(id);
    if (stream < 0 && indexed < 0 && id != Fourcc("JUNK") && id != Fourcc("idx1")) break;
    if (at + 8 + size > fileSize) break;
    const size_t part = movie.parts.size() - 1;
    if (stream >= 0) {
      bool key = true;
      auto compression = compressions.find(stream);
      if (compression != compressions.end() && IsH264(compression->second))
        key = IsH264KeyFrame(fd, at + 8, size);
      movie.chunks.push_back({id, at, size, part, key});
    } else if (indexed >= 0) {
      uint8_t ix[16];
      if (size >= 8 && ReadAt(fd, at + 8, ix, 8))
        movie.closedIndexes.push_back({part, at, size + 8, Le32(ix + 4)});
    } else if (id == Fourcc("idx1")) {
      movie.parts.back().moviEnd = at;
    }
    at += 8 + size + (size & 1);
  }
  return movie;
}

// Where a stream's header and its superindex are. The muxer leaves the superindex as a JUNK
// placeholder until the end; it lists one index chunk per part.
struct StreamHeader {
  uint64_t strh = 0;
  uint64_t indx = 0;  // the superindex chunk or its placeholder, 0 when there is none
  uint32_t indxSize = 0;
};

struct Headers {
  std::vector<StreamHeader> streams;
  uint64_t dmlh = 0;  // the extended header, 0 when there is none
};

// The stream list ("strl") of `size` bytes whose header is at `pos`.
StreamHeader ReadStreamList(int fd, uint64_t pos, uint32_t size) {
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
  return s;
}

Headers ReadHeaders(int fd, uint64_t hdrl, uint64_t hdrlEnd) {
  Headers headers;
  uint64_t pos = hdrl + 12;
  uint8_t h[12];
  while (pos + 12 <= hdrlEnd && ReadAt(fd, pos, h, 12)) {
    const uint32_t size = Le32(h + 4);
    if (Le32(h) == Fourcc("LIST") && Le32(h + 8) == Fourcc("strl")) {
      headers.streams.push_back(ReadStreamList(fd, pos, size));
    } else if (Le32(h) == Fourcc("LIST") && Le32(h + 8) == Fourcc("odml")) {
      uint8_t c[8];
      if (ReadAt(fd, pos + 12, c, 8) && Le32(c) == Fourcc("dmlh")) headers.dmlh = pos + 12;
    }
    pos += 8 + size + (size & 1);
  }
  return headers;
}

// Sound that runs past the film's end goes from the index: the encoder holds pictures back
// while sound goes straight to the muxer, so a recording cut short holds up to half a
// second of sound after its last picture, which a player would play over a frozen frame.
// The chunks stay in the file, unindexed; what is kept ends within one chunk of the film.
void DropSoundPastFilm(int fd, const std::vector<StreamHeader>& streams,
                       std::vector<Chunk>* chunks) {
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
  for (const Chunk& c : *chunks)
    if (StreamOf(c.id) == 0) ++pictures;
  const bool timed = !timing.empty() && timing[0][0] == Fourcc("vids") && timing[0][1] > 0 &&
                     timing[0][2] > 0 && pictures > 0;
  if (!timed) return;
  // Film length in nanoseconds, each sound chunk's start in the same unit.
  const double filmEnd = 1e9 * static_cast<double>(pictures) * timing[0][1] / timing[0][2];
  std::map<int, uint64_t> soundBytes;
  std::erase_if(*chunks, [&](const Chunk& c) {
    const int stream = StreamOf(c.id);
    if (stream <= 0 || static_cast<size_t>(stream) >= timing.size()) return false;
    const auto& t = timing[static_cast<size_t>(stream)];
    if (t[0] != Fourcc("auds") || t[1] == 0 || t[2] == 0 || t[3] == 0) return false;
    const double start = 1e9 * static_cast<double>(soundBytes[stream] / t[3]) * t[1] / t[2];
    soundBytes[stream] += c.size;
    return start >= filmEnd;
  });
}

// How many parts the smallest superindex can list.
size_t RoomForParts(const std::vector<StreamHeader>& streams) {
  size_t room = SIZE_MAX;
  for (const StreamHeader& s : streams)
    room = std::min<size_t>(room, s.indx == 0 || s.indxSize < 24 ? 1 : (s.indxSize - 24) / 16);
  return room;
}

// The old-style index of a file of one part: every chunk, by its offset in the movie list.
std::vector<uint8_t> OldStyleIndex(const std::vector<Chunk>& chunks, uint64_t movi) {
  std::vector<uint8_t> index(8 + 16 * chunks.size());
  Put32(&index[0], Fourcc("idx1"));
  Put32(&index[4], static_cast<uint32_t>(16 * chunks.size()));
  for (size_t i = 0; i < chunks.size(); ++i) {
    uint8_t* e = &index[8 + 16 * i];
    Put32(e, chunks[i].id);
    Put32(e + 4, chunks[i].key ? 0x10u : 0u);
    Put32(e + 8, static_cast<uint32_t>(chunks[i].at - (movi + 8)));
    Put32(e + 12, chunks[i].size);
  }
  return index;
}

// One standard index chunk per stream for the chunks of the last part, to go inside its
// movie list from `end` on; *placed receives where each one lands.
std::vector<uint8_t> LastPartIndexes(const std::vector<Chunk>& chunks, size_t last,
                                     const Part& part, uint64_t end,
                                     std::vector<StreamIndex>* placed) {
  std::vector<uint8_t> index;
  size_t first = chunks.size();
  while (first > 0 && chunks[first - 1].part == last) --first;
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
    placed->push_back({last, end + start, static_cast<uint32_t>(32 + 8 * list.size()),
                       static_cast<uint32_t>(list.size())});
  }
  return index;
}

// Cuts the file at `end`, writes the last part's index there and the sizes of every part.
bool WriteIndexAndSizes(int fd, const std::vector<Part>& parts, size_t last, uint64_t end,
                        const std::vector<uint8_t>& index) {
  if (::ftruncate(fd, static_cast<off_t>(end)) != 0 ||
      !WriteAt(fd, end, index.data(), index.size()))
    return false;
  const Part& part = parts[last];
  const uint64_t fileEnd = end + index.size();
  const uint64_t moviEnd = last == 0 ? end : fileEnd;
  bool written = WriteLe32(fd, part.movi + 4, static_cast<uint32_t>(moviEnd - part.movi - 8)) &&
                 WriteLe32(fd, part.riff + 4, static_cast<uint32_t>(fileEnd - part.riff - 8));
  // The parts before it were closed by the muxer; only their sizes are left to write.
  for (size_t p = 0; written && p < last; ++p) {
    written = WriteLe32(fd, parts[p].movi + 4,
                        static_cast<uint32_t>(parts[p].moviEnd - parts[p].movi - 8)) &&
              WriteLe32(fd, parts[p].riff + 4,
                        static_cast<uint32_t>(parts[p].riffEnd - parts[p].riff - 8));
  }
  return written;
}

// The part that ends the mended file and the index chunks written into it.
struct LastPart {
  size_t part = 0;
  std::vector<StreamIndex> indexes;
};

// Writes the index of the last part after its last chunk; with no room, gives up chunks
// from the end. A part left without chunks goes, and the one before is closed again.
// False when there is no room even with no chunk left.
bool WriteLastIndex(int fd, uint64_t movi, const std::vector<Part>& parts,
                    std::vector<Chunk>* chunks, LastPart* last) {
  for (;;) {
    last->part = chunks->empty() ? 0 : chunks->back().part;
    const Part& part = parts[last->part];
    const uint64_t end =
        chunks->empty() ? part.movi + 12
                        : chunks->back().at + 8 + chunks->back().size + (chunks->back().size & 1);
    last->indexes.clear();
    const std::vector<uint8_t> index =
        last->part == 0 ? OldStyleIndex(*chunks, movi)
                        : LastPartIndexes(*chunks, last->part, part, end, &last->indexes);
    if (WriteIndexAndSizes(fd, parts, last->part, end, index)) return true;
    if (chunks->empty()) return false;
    chunks->resize(chunks->size() > 8 ? chunks->size() - 8 : 0);
  }
}

// Frame counts: the main header's total (the first part's pictures) and, in a file of
// several parts, the extended header's total of all pictures. Returns each stream's chunks.
std::map<int, uint32_t> WriteFrameTotals(int fd, uint64_t hdrl, uint64_t dmlh,
                                         const std::vector<Chunk>& chunks, uint32_t* frames) {
  std::map<int, uint32_t> perStream;
  uint32_t firstPartFrames = 0;
  for (const Chunk& c : chunks) {
    ++perStream[StreamOf(c.id)];
    if (StreamOf(c.id) == 0 && c.part == 0) ++firstPartFrames;
  }
  WriteLe32(fd, hdrl + 12 + 8 + 16, firstPartFrames);  // avih dwTotalFrames
  if (frames != nullptr) *frames = perStream[0];
  if (dmlh != 0) WriteLe32(fd, dmlh + 8, perStream[0]);
  return perStream;
}

// The main header's AVIF_HASINDEX: the muxer sets it only as it finishes, so a file it left
// unfinished says it has no index even once it has one, and a player that believes it walks
// the whole film for its frames.
void MarkIndexed(int fd, uint64_t hdrl) {
  constexpr uint32_t kAvifHasIndex = 0x10;
  const uint64_t flags = hdrl + 12 + 8 + 12;  // avih dwFlags
  uint8_t bytes[4] = {};
  if (ReadAt(fd, flags, bytes, 4)) WriteLe32(fd, flags, Le32(bytes) | kAvifHasIndex);
}

// The block size of a sound stream's samples (its dwSampleSize).
uint32_t SampleSizeOf(int fd, const StreamHeader& s) {
  uint8_t scale[4] = {};
  ReadAt(fd, s.strh + 8 + 44, scale, 4);
  return Le32(scale);
}

constexpr size_t kEveryPart = SIZE_MAX;

uint64_t BytesOf(const std::vector<Chunk>& chunks, int stream, size_t part = kEveryPart) {
  uint64_t bytes = 0;
  for (const Chunk& c : chunks)
    if (StreamOf(c.id) == stream && (part == kEveryPart || c.part == part)) bytes += c.size;
  return bytes;
}

// A stream's length: pictures count chunks; sound counts sample blocks, the chunks' bytes
// divided by the block size.
void WriteStreamLength(int fd, const StreamHeader& s, int stream, uint32_t chunkCount,
                       const std::vector<Chunk>& chunks) {
  uint32_t count = chunkCount;
  if (stream > 0) {
    const uint32_t sampleSize = SampleSizeOf(fd, s);
    if (sampleSize > 0) count = static_cast<uint32_t>(BytesOf(chunks, stream) / sampleSize);
  }
  WriteLe32(fd, s.strh + 8 + 32, count);  // dwLength
}

// A stream's index chunks: the muxer's of the closed parts, then the new one.
std::vector<StreamIndex> IndexesOf(int fd, int stream, const std::vector<StreamIndex>& closed,
                                   const LastPart& last) {
  std::vector<StreamIndex> entries;
  for (const StreamIndex& ix : closed) {
    uint8_t id[4];
    if (ix.part < last.part && ReadAt(fd, ix.at, id, 4) && IndexedStreamOf(Le32(id)) == stream)
      entries.push_back(ix);
  }
  for (const StreamIndex& ix : last.indexes) {
    uint8_t id[4];
    if (ReadAt(fd, ix.at, id, 4) && IndexedStreamOf(Le32(id)) == stream) entries.push_back(ix);
  }
  return entries;
}

void WriteSuperindex(int fd, const StreamHeader& s, int stream, const std::vector<Chunk>& chunks,
                     const std::vector<StreamIndex>& entries) {
  std::vector<uint8_t> indx(8 + s.indxSize, 0);
  Put32(&indx[0], Fourcc("indx"));
  Put32(&indx[4], s.indxSize);
  indx[8] = 4;   // longs per entry
  indx[11] = 0;  // an index of indexes
  Put32(&indx[12], static_cast<uint32_t>(entries.size()));
  uint32_t chunkId = 0;
  for (const Chunk& c : chunks)
    if (StreamOf(c.id) == stream) {
      chunkId = c.id;
      break;
    }
  Put32(&indx[16], chunkId);
  const uint32_t sampleSize = stream > 0 ? SampleSizeOf(fd, s) : 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    uint8_t* e = &indx[32 + 16 * i];
    Put64(e, entries[i].at);
    Put32(e + 8, entries[i].size);
    // Pictures: chunks indexed; sound: sample blocks, as the stream's length counts them.
    uint32_t duration = entries[i].entries;
    if (sampleSize > 0)
      duration = static_cast<uint32_t>(BytesOf(chunks, stream, entries[i].part) / sampleSize);
    Put32(e + 12, duration);
  }
  WriteAt(fd, s.indx, indx.data(), indx.size());
}
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
  const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
  uint8_t head[12];
  if (!ReadAt(fd, 0, head, 12) || Le32(head) != Fourcc("RIFF") ||
      Le32(head + 8) != Fourcc("AVI ")) {
    *why = "not an AVI file";
    return false;
  }
  const TopLevel top = FindTopLevel(fd, fileSize);
  if (top.movi == 0 || top.hdrl == 0) {
    *why = "no movie list";
    return false;
  }
  uint8_t hdrlHead[8];
  ReadAt(fd, top.hdrl, hdrlHead, 8);
  const uint64_t hdrlEnd = top.hdrl + 8 + Le32(hdrlHead + 4);
  Movie movie = WalkMovie(fd, fileSize, top.movi, PictureCompressions(fd, top.hdrl, hdrlEnd));
  const Headers headers = ReadHeaders(fd, top.hdrl, hdrlEnd);
  DropSoundPastFilm(fd, headers.streams, &movie.chunks);
  // The index of the last part goes after its last chunk: with more parts than the index
  // holds, that would be written over the parts past it. The file is left whole instead.
  const size_t roomForParts = RoomForParts(headers.streams);
  if (movie.parts.size() > 1 && roomForParts < movie.parts.size()) {
    *why = "it has " + std::to_string(movie.parts.size()) + " parts, more than its index holds (" +
           std::to_string(roomForParts) + ")";
    return false;
  }
  LastPart last;
  if (!WriteLastIndex(fd, top.movi, movie.parts, &movie.chunks, &last)) {
    *why = "no room for the index";
    return false;
  }
  MarkIndexed(fd, top.hdrl);
  std::map<int, uint32_t> perStream =
      WriteFrameTotals(fd, top.hdrl, headers.dmlh, movie.chunks, frames);
  for (size_t i = 0; i < headers.streams.size(); ++i) {
    const StreamHeader& s = headers.streams[i];
    const int stream = static_cast<int>(i);
    if (s.strh == 0) continue;
    WriteStreamLength(fd, s, stream, perStream[stream], movie.chunks);
    if (last.part == 0 || s.indx == 0) continue;
    WriteSuperindex(fd, s, stream, movie.chunks, IndexesOf(fd, stream, movie.closedIndexes, last));
  }
  ::fsync(fd);
  return true;
}

}  // namespace vd
