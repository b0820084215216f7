// Turns a remote key's 32-bit code into the infrared receiver samples the TV box sends,
// split into bulk-stream burst items (a lead byte 0x70 | n and n sample bytes).
//
// The code is the waveform in units of 4 samples, unit k at bit k: a 0 bit is an active
// unit, a 1 bit an idle one; the last pulse follows the highest 1 bit. Each sample byte holds
// 8 samples, most significant bit first, 1 = idle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vd {

class IrBurstEncoder {
 public:
  // Idle bytes in front of the waveform. Receivers start a burst only after more than 10;
  // a receiver that a damaged burst left inside a burst needs up to 11 more to end it and 5
  // to finish its code before it counts those 10.
  static constexpr size_t kMinLeadIdleBytes = 11 + 11 + 5;
  // Receivers end a burst after 14 sample bytes at the latest; the pulses stay inside.
  static constexpr size_t kWaveBytes = 14;
  // Sample offset of the first pulse inside the first waveform byte. Half a unit off the
  // byte grid, a gap of two idle units never fills a whole byte, so no all-idle byte can end
  // the burst early, and the longest codes (27 units) still fit the 14-byte window.
  static constexpr size_t kWaveOffset = 2;
  static constexpr size_t kMaxBurstBytes = 15;
  // All-idle burst items after the one that closes the code. A receiver that decodes only
  // once more than 30 bytes are queued needs two full items behind the five idle bytes that
  // complete its code.
  static constexpr size_t kTailBursts = 3;
  // Items of a single idle byte in front of a press. A sequence that a damaged burst left
  // open closes on one of them, whatever its state, and so at the end of an item: the
  // waveform then starts from a clean reader.
  static constexpr size_t kCloserBursts = 2;

  // True when the code is a waveform the samples can carry: bits 0 and 1 clear (the first
  // unit is a pulse), no bit above 26, no three idle units in a row, not 0.
  static bool Encodable(uint32_t code);
  // The sample bytes of one press, closers included; empty for a code that is not encodable.
  static std::vector<uint8_t> Samples(uint32_t code);
  // The same samples as burst items. Every item has an odd number of samples (so the lead
  // byte has bit 0 set too), and the item that holds the second all-idle byte after the last
  // pulse ends with it: a reader that closes the sequence there leaves nothing of the item
  // unread.
  static std::vector<std::vector<uint8_t>> Bursts(uint32_t code);

 private:
  static size_t LeadIdleBytes(uint32_t code);
  // Index of the second all-idle byte after the byte in which the last pulse ends.
  static size_t ClosingByte(uint32_t code, size_t leadIdleBytes);
};

}  // namespace vd
