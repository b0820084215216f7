#include "vd/bulk_stream.h"

#include <algorithm>
#include <array>
#include <deque>
#include <random>
#include <vector>

#include "vd/ir_burst_encoder.h"
#include "vd/teletext_coding.h"
#include "vd/teletext_pages.h"
#include "vd/trace.h"

VD_DEFINE_TRACE(BulkTrace, "bulkgen")

namespace vd {

namespace {

constexpr uint8_t kRecordMarker = 0x85;
constexpr uint8_t kTeletextHeader = 0x80 | 42;  // bits 7-6 = 10, payload length 42
// Byte B of a record must have its low four bits clear for the teletext reader as well.
constexpr uint8_t kDataByteB = 0x10;
// Both readers resynchronise on a run of 16 zeros; a little jitter keeps the stream honest.
constexpr size_t kMinFiller = 16;
constexpr uint32_t kFillerJitter = 8;
constexpr size_t kFieldTailZeros = 68;

}  // namespace

struct BulkStreamGenerator::State {
  explicit State(uint32_t seed) : rng(seed) {}

  std::mt19937 rng;
  std::optional<TeletextService> station;
  Faults faults;
  std::deque<std::vector<std::vector<uint8_t>>> presses;
  std::vector<uint8_t> field;
  size_t fieldPos = 0;
  // The page on the air and where in it we are.
  std::vector<TeletextPacket> page;
  size_t pageIndex = 0;
  size_t packetIndex = 0;
  // Transmissions so far of each page with subpages: the next one sends the next subpage.
  std::array<unsigned, 0x800> sent{};
  unsigned sinceServicePacket = 0;
  uint8_t recordCount = 0;
  // Zeros a cut burst owes: the readers take them as its missing samples.
  size_t owedZeros = 0;

  uint32_t Random(uint32_t below) {
    return std::uniform_int_distribution<uint32_t>(0, below - 1)(rng);
  }

  void AppendFiller() {
    field.insert(field.end(), kMinFiller + Random(kFillerJitter) + owedZeros, 0);
    owedZeros = 0;
  }

  TeletextPacket NextPacket(std::time_t now) {
    if (++sinceServicePacket >= kServicePacketInterval) {
      sinceServicePacket = 0;
      return TeletextPages::ServicePacket(*station, now);
    }
    if (packetIndex >= page.size()) {
      const auto cycle = TeletextPages::Cycle();
      const uint16_t number = cycle[pageIndex % cycle.size()];
      const auto subpage = static_cast<int>(sent[number & 0x7FF]++);
      // The clock is read when the header goes out, so a slow cycle still shows the time.
      page = TeletextPages::Page(number, *station, now, subpage);
      pageIndex = (pageIndex + 1) % cycle.size();
      packetIndex = 0;
    }
    return page[packetIndex++];
  }

  void AppendRecord(std::time_t now) {
    const TeletextPacket packet = NextPacket(now);
    std::array<uint8_t, 4> header = {kRecordMarker, kTeletextHeader,
                                     TeletextCoding::OddParity(recordCount++ & 0x7F), kDataByteB};
    std::array<uint8_t, 42> payload = packet;
    if (faults.corruptRecords && Random(16) == 0) {
      switch (Random(4)) {
        case 0:
          header[1] ^= 0x40;  // bits 7-6 become 11
          break;
        case 1:
          header[2] ^= 0x01;  // even parity
          break;
        case 2:
          header[3] ^= 0x02;  // even parity and a low bit set
          break;
        default:
          payload[Random(42)] ^= static_cast<uint8_t>(1u << Random(8));
          break;
      }
    }
    AppendFiller();
    field.insert(field.end(), header.begin(), header.end());
    field.insert(field.end(), payload.begin(), payload.end());
  }

  void AppendBurst(const std::vector<uint8_t>& burst) {
    AppendFiller();
    size_t keep = burst.size();
    if (faults.cutBursts && Random(8) == 0) {
      keep = 1 + Random(static_cast<uint32_t>(burst.size() - 1));  // the lead byte stays
      owedZeros = burst.size() - keep;
    }
    field.insert(field.end(), burst.begin(), burst.begin() + static_cast<ptrdiff_t>(keep));
  }

  void BuildField(std::time_t now) {
    field.clear();
    fieldPos = 0;
    if (!presses.empty()) {
      for (const auto& burst : presses.front()) AppendBurst(burst);
      presses.pop_front();
    }
    if (station) {
      for (size_t i = 0; i < kRecordsPerField; ++i) AppendRecord(now);
    }
    // The tail: a cut burst still gets its zeros, and a reader that leaves up to 67 bytes
    // for the next sample leaves only filler.
    field.resize(std::max(kFieldBytes, field.size() + kFieldTailZeros + owedZeros), 0);
    owedZeros = 0;
  }
};

BulkStreamGenerator::BulkStreamGenerator(uint32_t seed) : state_(std::make_unique<State>(seed)) {}

BulkStreamGenerator::~BulkStreamGenerator() = default;

void BulkStreamGenerator::SetService(std::optional<TeletextService> service) {
  if (service == state_->station) return;
  state_->station = std::move(service);
  // A new station starts its magazine from the front page.
  state_->page.clear();
  state_->packetIndex = 0;
  state_->pageIndex = 0;
  state_->sent.fill(0);
  state_->sinceServicePacket = 0;
}

void BulkStreamGenerator::SetStation(std::optional<std::string> name) {
  if (!name) return SetService(std::nullopt);
  SetService(TeletextService{std::move(*name), 0, {}});
}

void BulkStreamGenerator::PressKey(uint32_t code) {
  auto bursts = IrBurstEncoder::Bursts(code);
  if (bursts.empty()) {
    BulkTrace("no infrared waveform for code 0x%X\n", code);
    return;
  }
  state_->presses.push_back(std::move(bursts));
}

void BulkStreamGenerator::SetFaults(const Faults& faults) {
  state_->faults = faults;
}

void BulkStreamGenerator::Generate(uint8_t* out, size_t n, std::time_t now) {
  while (n > 0) {
    if (state_->fieldPos >= state_->field.size()) state_->BuildField(now);
    const size_t take = std::min(n, state_->field.size() - state_->fieldPos);
    std::copy_n(state_->field.begin() + static_cast<ptrdiff_t>(state_->fieldPos), take, out);
    state_->fieldPos += take;
    out += take;
    n -= take;
  }
}

}  // namespace vd
