#include "stream_oracles.h"

#include <bit>

namespace vd::test {

namespace {

bool OddParity(uint8_t b) {
  return std::popcount(static_cast<unsigned>(b)) % 2 == 1;
}

}  // namespace

void ParserOracle::Feed(std::span<const uint8_t> bytes) {
  ring_.insert(ring_.end(), bytes.begin(), bytes.end());
  int zeroRun = 0;
  auto take = [this] {
    const uint8_t b = ring_.front();
    ring_.pop_front();
    return b;
  };
  while (ring_.size() > 67) {
    const uint8_t x = take();
    if (x == 0x85) {
      zeroRun = 0;
      std::vector<uint8_t> record = {x, take(), take(), take()};
      const bool valid = (record[1] >> 6) == 2 && OddParity(record[2]) && OddParity(record[3]);
      if (!valid) {
        ++rejectedHeaders;
        continue;
      }
      for (int i = 0; i < (record[1] & 0x3F); ++i) record.push_back(take());
      records.push_back(std::move(record));
    } else if ((x & 0x70) == 0x70 && zeroRun > 15) {
      zeroRun = 0;
      for (int i = 0; i < (x & 0x0F); ++i) queue_.push_back(take());
      queuedSamples += x & 0x0F;
      if (queue_.size() > 30) {
        if (const uint32_t code = Decode()) codes.push_back(code);
      }
    } else if (x == 0) {
      ++zeroRun;
    }
  }
}

uint32_t ParserOracle::Decode() {
  for (;;) {
    if (queue_.empty()) return 0;
    if (needByte_) {
      byte_ = queue_.front();
      queue_.pop_front();
      needByte_ = false;
    }
    if (byte_ == 0xFF && state_ != 1) {
      ++idleBytes_;
      needByte_ = true;
      if (state_ == 2 && idleBytes_ >= 5) {
        idleBytes_ = 0;
        run_ = 2;
        bitPos_ = 0;
        state_ = 0;
        countingActive_ = true;
        const uint32_t code = code_;
        code_ = 0;
        return code;
      }
      continue;
    }
    if (idleBytes_ <= 10) {
      needByte_ = true;
      idleBytes_ = 0;
      continue;
    }
    if ((burstBytes_ > 10 && byte_ == 0xFF) || burstBytes_ > 13) {
      state_ = 2;
      burstBytes_ = 0;
      idleBytes_ = 0;
      continue;
    }
    if (state_ != 1) {
      state_ = 1;
      while (bit_ >= 0 && ((byte_ >> bit_) & 1) == 1) --bit_;
    }
    const int level = countingActive_ ? 0 : 1;
    while (bit_ >= 0 && ((byte_ >> bit_) & 1) == level) {
      --bit_;
      ++run_;
    }
    if (bit_ < 0) {
      bit_ = 7;
      needByte_ = true;
      ++burstBytes_;
      continue;
    }
    run_ /= 4;
    if (countingActive_) {
      bitPos_ += run_;
      countingActive_ = false;
    } else {
      for (uint32_t i = 0; i < run_; ++i) {
        ++bitPos_;
        code_ |= 1u << (bitPos_ % 32);
      }
      countingActive_ = true;
    }
    run_ = 2;
  }
}

void TeletextOracle::Feed(std::span<const uint8_t> bytes) {
  buf_.insert(buf_.end(), bytes.begin(), bytes.end());
  while (pos_ < buf_.size()) {
    if (resync_) {
      while (pos_ < buf_.size() && buf_[pos_] != 0) ++pos_;
      if (buf_.size() - pos_ < 16) break;
      size_t run = 0;
      while (pos_ < buf_.size() && buf_[pos_] == 0) {
        ++pos_;
        ++run;
      }
      if (run < 16) continue;
      resync_ = false;
    }
    if (pos_ >= buf_.size()) break;
    const uint8_t b = buf_[pos_];
    if ((b & 0x70) == 0x70) {
      const size_t n = b & 0x0F;
      if (buf_.size() - pos_ - 1 < n) break;
      consumedOfLastBurst = Burst(std::span<const uint8_t>(buf_).subspan(pos_ + 1, n));
      pos_ += 1 + consumedOfLastBurst;
      continue;
    }
    if (b != 0x85) {
      resync_ = true;
      continue;
    }
    if (buf_.size() - pos_ <= 4) break;
    const uint8_t* h = &buf_[pos_];
    const size_t len = h[1] & 0x3F;
    if (buf_.size() - pos_ - 4 < len) break;
    const bool accepted =
        (h[0] & 0x80) != 0 && (h[3] & 0x0F) == 0 && OddParity(h[2]) && OddParity(h[3]);
    if (len > 0 && accepted) packets.emplace_back(h + 4, h + 4 + len);
    pos_ += 4 + len;
  }
}

void TeletextOracle::Enter() {
  index_ = (index_ + 1) % 400;
  runs_[index_] = 0;
}

size_t TeletextOracle::Burst(std::span<const uint8_t> samples) {
  auto split = [](uint8_t b) {
    std::vector<uint8_t> runs;
    int level = b >> 7;
    uint8_t len = 0;
    for (int bit = 7; bit >= 0; --bit) {
      if (((b >> bit) & 1) == level) {
        ++len;
      } else {
        runs.push_back(len);
        len = 1;
        level ^= 1;
      }
    }
    runs.push_back(len);
    if (runs.size() > 4) runs.resize(4);
    return runs;
  };
  size_t i = 0;
  while (!inSequence_ && i < samples.size()) {
    const uint8_t b = samples[i++];
    if (b == 0xFF) continue;
    const auto runs = split(b);
    const size_t first = (b & 0x80) ? 1 : 0;
    inSequence_ = true;
    level_ = 0;
    runs_[index_] = runs[first];
    start_ = index_;
    for (size_t k = first + 1; k < runs.size(); ++k) {
      Enter();
      level_ ^= 1;
      runs_[index_] = runs[k];
    }
  }
  while (inSequence_ && i < samples.size()) {
    const uint8_t b = samples[i++];
    const auto runs = split(b);
    size_t k = 0;
    if ((b >> 7) == level_) {
      runs_[index_] = static_cast<uint8_t>(runs_[index_] + runs[0]);
      if (level_ == 1 && runs_[index_] >= 16) {
        Complete();
        return i;
      }
      k = 1;
    }
    for (; k < runs.size(); ++k) {
      Enter();
      level_ ^= 1;
      runs_[index_] = runs[k];
    }
  }
  return i;
}

void TeletextOracle::Complete() {
  uint32_t count = 0;
  uint32_t code = 0;
  uint32_t level = 0;
  for (size_t e = start_; e != index_; e = (e + 1) % 400) {
    for (int u = 0; u < (runs_[e] + 2) / 4; ++u) {
      ++count;
      code = code * 2 + level;
    }
    level ^= 1;
  }
  codes.emplace_back(count, code);
  inSequence_ = false;
  Enter();
}

std::pair<uint32_t, uint32_t> TeletextFormOf(uint32_t parserCode) {
  const auto units = static_cast<uint32_t>(std::bit_width(parserCode));
  uint32_t code = 0;
  for (uint32_t u = 1; u <= units; ++u) code = code * 2 + ((parserCode >> u) & 1u);
  return {units, code};
}

}  // namespace vd::test
