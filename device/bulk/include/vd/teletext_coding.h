// Bit-level coding of 42-byte teletext packets as a receiver slices them off a VBI line:
// two Hamming 8/4 address bytes, then 40 bytes of Hamming-coded control data or text with
// odd parity.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <span>
#include <string_view>

namespace vd {

using TeletextPacket = std::array<uint8_t, 42>;

class TeletextCoding {
 public:
  // Control bits C4..C14 of a page header, as bit (n - 4) of PageHeader's `control`.
  static constexpr uint16_t kErasePage = 1u << 0;       // C4
  static constexpr uint16_t kSubtitle = 1u << 2;        // C6
  static constexpr uint16_t kSuppressHeader = 1u << 3;  // C7
  static constexpr uint16_t kMagazineSerial = 1u << 7;  // C11
  // The national option C12..C14 as decoders number it (0 English, 1 German, 4 French...).
  static constexpr uint16_t NationalOption(uint8_t option) {
    return static_cast<uint16_t>(((option >> 2) & 1u) << 8 | ((option >> 1) & 1u) << 9 |
                                 (option & 1u) << 10);
  }
  // A link to no particular subpage.
  static constexpr uint16_t kAnySubcode = 0x3F7F;

  // Hamming 8/4 code of the low four bits of `nibble` (bit 0 of the byte is sent first).
  static uint8_t Hamming84(uint8_t nibble);
  // The 4 data bits of a Hamming 8/4 byte with at most one bit in error corrected; -1 when
  // two or more bits are wrong.
  static int DecodeHamming84(uint8_t byte);
  // The 7-bit character with bit 7 set so that the byte has an odd number of one bits.
  static uint8_t OddParity(uint8_t c);

  // Packet 0 of page `page` (0x100..0x8FF, magazine 8 sent as 0; tens and units are hex
  // digits as in the page numbers people type). `text` fills columns 8..39: shorter text is
  // padded with spaces, longer text is cut.
  static TeletextPacket PageHeader(uint16_t page, uint16_t subcode, uint16_t control,
                                   std::string_view text);
  // Packet `row` (1..23) of magazine `magazine` (1..8) with up to 40 characters of text.
  static TeletextPacket Row(uint8_t magazine, uint8_t row, std::string_view text);
  // Packet X/27/0 of a page in `magazine`: the four coloured links, the fifth (unused by
  // most sets) and the index link, and whether row 24 is shown under the page.
  static TeletextPacket Links(uint8_t magazine, std::span<const uint16_t, 6> pages, bool showRow24);
  // Packet 8/30 format 1: the page a set opens with, the network's identification code, the
  // time (UTC with the local offset in half hours, east positive) and 20 characters of
  // status text, by custom the network's name.
  static TeletextPacket BroadcastService(uint16_t initialPage, uint16_t cni, std::time_t utc,
                                         int offsetHalfHours, std::string_view status);

 private:
  static void PutAddress(TeletextPacket& packet, uint8_t magazine, uint8_t row);
  static void PutText(TeletextPacket& packet, size_t from, std::string_view text, size_t to = 42);
  // A page address as links carry it: six Hamming bytes, magazine relative to `magazine`.
  static void PutPageAddress(TeletextPacket& packet, size_t at, uint8_t magazine, uint16_t page,
                             uint16_t subcode);
};

}  // namespace vd
