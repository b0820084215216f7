// Turns the infrared sample bursts of the bulk stream into (unit count, code) pairs. The
// runs of a sequence are kept in a circular table, so a sequence may span any number of
// bursts until an idle run of 16 samples closes it.
#pragma once

#include <cstdint>
#include <functional>

namespace vd {

class RawRing;

class IrDecoder {
 public:
  static constexpr uint32_t kRunEntries = 400;
  static constexpr uint32_t kClosingIdleSamples = 16;

  using Callback = std::function<void(int32_t unitCount, int32_t code)>;

  explicit IrDecoder(Callback callback = {}) : callback_(std::move(callback)) {}

  // Takes the burst whose lead byte is at the ring's read pointer. False when the burst has
  // not fully arrived: the pointer then stays on the lead byte.
  bool HandleBurst(RawRing& ring);

  // The runs of one sample byte, most significant bit first; only the first four count.
  struct Runs {
    int firstLevel = 0;  // 0 active, 1 idle
    int count = 0;
    uint8_t length[4] = {};
  };
  static Runs Split(uint8_t sample);

  bool InSequence() const { return inSequence_; }
  uint32_t RunIndex() const { return runIndex_; }
  // Lets tests start a sequence near the end of the run table.
  void SetRunIndexForTest(uint32_t index) { runIndex_ = index % kRunEntries; }

 private:
  void EnterNextRun(uint8_t length);
  void StartSequence(const Runs& runs);
  // True when the byte closed the sequence.
  bool ExtendSequence(const Runs& runs);
  void Complete();

  Callback callback_;
  bool inSequence_ = false;
  int level_ = 0;
  uint32_t runIndex_ = 0;
  uint32_t sequenceStart_ = 0;
  uint8_t runs_[kRunEntries] = {};
};

}  // namespace vd
