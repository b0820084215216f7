#include "vd/tuning/channel_file.h"

#include <bitset>
#include <cstdio>

namespace vd {

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool U32(uint32_t* v) {
    if (bytes_.size() - pos_ < 4) return false;
    *v = 0;
    for (int i = 0; i < 4; ++i) *v |= static_cast<uint32_t>(bytes_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return true;
  }
  bool Bytes(size_t n, std::span<const uint8_t>* out) {
    if (bytes_.size() - pos_ < n) return false;
    *out = bytes_.subspan(pos_, n);
    pos_ += n;
    return true;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

std::string Damage(const char* what, size_t index) {
  char text[96];
  std::snprintf(text, sizeof text, "%s (station %zu)", what, index + 1);
  return text;
}

// A radio file's current station, checked against the stored count and the stations read.
void TakeCurrent(uint32_t current, uint32_t count, ChannelFileContents& result) {
  const auto cur = static_cast<int32_t>(current);
  if (cur < -1 || cur >= static_cast<int32_t>(count)) {
    if (!result.damage) result.damage = "the current station is out of range";
    result.current = -1;
  } else if (cur >= static_cast<int32_t>(result.stations.size())) {
    result.current = -1;  // it pointed at a station that was lost to the damage
  } else {
    result.current = cur;
  }
}

}  // namespace

std::vector<uint8_t> ChannelFile::Encode(std::span<const CChannel> stations, bool radio,
                                         int32_t current) {
  std::vector<uint8_t> out;
  out.reserve(8 + stations.size() * (16 + CChannel::kMaxNameBytes));
  PutU32(out, static_cast<uint32_t>(stations.size()));
  if (radio) PutU32(out, static_cast<uint32_t>(current));
  for (const CChannel& c : stations) {
    PutU32(out, c.id);
    PutU32(out, static_cast<uint32_t>(c.Name().size()));
    out.insert(out.end(), c.Name().begin(), c.Name().end());
    PutU32(out, c.frequency);
    PutU32(out, c.number);
  }
  return out;
}

ChannelFileContents ChannelFile::Decode(std::span<const uint8_t> bytes, bool radio) {
  ChannelFileContents result;
  Reader reader(bytes);
  uint32_t count = 0;
  if (!reader.U32(&count)) {
    result.damage = "the station count is missing";
    return result;
  }
  uint32_t current = static_cast<uint32_t>(-1);
  if (radio && !reader.U32(&current)) {
    result.damage = "the current station is missing";
    return result;
  }
  // A count above the capacity is damage, but the stations before the limit may be fine.
  if (count > kCapacity) result.damage = "more than 3000 stations";
  const uint32_t readable = count > kCapacity ? kCapacity : count;

  std::bitset<kCapacity> seen;
  for (uint32_t i = 0; i < readable; ++i) {
    uint32_t id = 0, length = 0, frequency = 0, number = 0;
    std::span<const uint8_t> name;
    if (!reader.U32(&id) || !reader.U32(&length)) {
      result.damage = Damage("the file ends early", i);
      break;
    }
    if (id >= kCapacity) {
      result.damage = Damage("a station slot beyond 2999", i);
      break;
    }
    if (seen.test(id)) {
      result.damage = Damage("a station slot used twice", i);
      break;
    }
    if (length > CChannel::kMaxNameBytes) {
      result.damage = Damage("a name longer than 31 bytes", i);
      break;
    }
    if (!reader.Bytes(length, &name) || !reader.U32(&frequency) || !reader.U32(&number)) {
      result.damage = Damage("the file ends early", i);
      break;
    }
    std::string text(name.begin(), name.end());
    // Names end at a line feed, as the reader of the original files did.
    if (size_t lf = text.find('\n'); lf != std::string::npos) text.resize(lf);
    seen.set(id);
    result.stations.emplace_back(id, text, frequency, number);
  }

  if (radio) TakeCurrent(current, count, result);
  return result;
}

}  // namespace vd
