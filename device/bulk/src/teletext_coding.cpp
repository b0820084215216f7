#include "vd/teletext_coding.h"

#include <bit>

namespace vd {

uint8_t TeletextCoding::Hamming84(uint8_t nibble) {
  const unsigned d1 = nibble & 1u;
  const unsigned d2 = (nibble >> 1) & 1u;
  const unsigned d3 = (nibble >> 2) & 1u;
  const unsigned d4 = (nibble >> 3) & 1u;
  const unsigned p1 = 1u ^ d1 ^ d3 ^ d4;
  const unsigned p2 = 1u ^ d1 ^ d2 ^ d4;
  const unsigned p3 = 1u ^ d1 ^ d2 ^ d3;
  // P4 makes the whole byte odd, so that a double error is seen as one.
  const unsigned p4 = 1u ^ p1 ^ d1 ^ p2 ^ d2 ^ p3 ^ d3 ^ d4;
  return static_cast<uint8_t>(p1 | d1 << 1 | p2 << 2 | d2 << 3 | p3 << 4 | d3 << 5 | p4 << 6 |
                              d4 << 7);
}

int TeletextCoding::DecodeHamming84(uint8_t byte) {
  // Small enough to search: the nearest code word wins, a tie means a double error.
  int best = -1;
  int bestDistance = 9;
  bool tie = false;
  for (uint8_t n = 0; n < 16; ++n) {
    const int distance = std::popcount(static_cast<unsigned>(Hamming84(n) ^ byte));
    if (distance < bestDistance) {
      best = n;
      bestDistance = distance;
      tie = false;
    } else if (distance == bestDistance) {
      tie = true;
    }
  }
  return (bestDistance <= 1 && !tie) ? best : -1;
}

uint8_t TeletextCoding::OddParity(uint8_t c) {
  c &= 0x7F;
  return (std::popcount(static_cast<unsigned>(c)) % 2 == 0) ? static_cast<uint8_t>(c | 0x80) : c;
}

void TeletextCoding::PutAddress(TeletextPacket& packet, uint8_t magazine, uint8_t row) {
  const uint8_t m = magazine & 7;  // magazine 8 travels as 0
  packet[0] = Hamming84(static_cast<uint8_t>(m | (row & 1) << 3));
  packet[1] = Hamming84(static_cast<uint8_t>(row >> 1));
}

void TeletextCoding::PutText(TeletextPacket& packet, size_t from, std::string_view text,
                             size_t to) {
  for (size_t i = from; i < to; ++i) {
    const size_t k = i - from;
    char c = k < text.size() ? text[k] : ' ';
    // A byte with bit 7 set would lose it to the parity bit. 0x7F stays: it is the solid
    // block, whole in text and in mosaics.
    if (static_cast<unsigned char>(c) > 0x7F) c = '?';
    packet[i] = OddParity(static_cast<uint8_t>(c));
  }
}

TeletextPacket TeletextCoding::PageHeader(uint16_t page, uint16_t subcode, uint16_t control,
                                          std::string_view text) {
  TeletextPacket packet{};
  PutAddress(packet, static_cast<uint8_t>(page >> 8), 0);
  auto bit = [control](int n) { return static_cast<uint8_t>((control >> (n - 4)) & 1u); };
  packet[2] = Hamming84(page & 0x0F);
  packet[3] = Hamming84((page >> 4) & 0x0F);
  packet[4] = Hamming84(subcode & 0x0F);
  packet[5] = Hamming84(static_cast<uint8_t>(((subcode >> 4) & 0x07) | bit(4) << 3));
  packet[6] = Hamming84((subcode >> 8) & 0x0F);
  packet[7] = Hamming84(static_cast<uint8_t>(((subcode >> 12) & 0x03) | bit(5) << 2 | bit(6) << 3));
  packet[8] = Hamming84(static_cast<uint8_t>(bit(7) | bit(8) << 1 | bit(9) << 2 | bit(10) << 3));
  packet[9] = Hamming84(static_cast<uint8_t>(bit(11) | bit(12) << 1 | bit(13) << 2 | bit(14) << 3));
  PutText(packet, 10, text);
  return packet;
}

TeletextPacket TeletextCoding::Row(uint8_t magazine, uint8_t row, std::string_view text) {
  TeletextPacket packet{};
  PutAddress(packet, magazine, row);
  PutText(packet, 2, text);
  return packet;
}

void TeletextCoding::PutPageAddress(TeletextPacket& packet, size_t at, uint8_t magazine,
                                    uint16_t page, uint16_t subcode) {
  const unsigned m = ((page >> 8) ^ magazine) & 7u;
  packet[at] = Hamming84(page & 0x0F);
  packet[at + 1] = Hamming84((page >> 4) & 0x0F);
  packet[at + 2] = Hamming84(subcode & 0x0F);
  packet[at + 3] = Hamming84(static_cast<uint8_t>(((subcode >> 4) & 0x07) | (m & 1u) << 3));
  packet[at + 4] = Hamming84((subcode >> 8) & 0x0F);
  packet[at + 5] = Hamming84(static_cast<uint8_t>(((subcode >> 12) & 0x03) | (m >> 1) << 2));
}

TeletextPacket TeletextCoding::Links(uint8_t magazine, std::span<const uint16_t, 6> pages,
                                     bool showRow24) {
  TeletextPacket packet{};
  PutAddress(packet, magazine, 27);
  packet[2] = Hamming84(0);  // designation 0: the editorial links
  for (size_t i = 0; i < pages.size(); ++i)
    PutPageAddress(packet, 3 + i * 6, magazine, pages[i], kAnySubcode);
  packet[39] = Hamming84(showRow24 ? 0x8 : 0x0);
  // No page CRC: sets that check it only use it to skip storing an unchanged page.
  packet[40] = 0;
  packet[41] = 0;
  return packet;
}

TeletextPacket TeletextCoding::BroadcastService(uint16_t initialPage, uint16_t cni, std::time_t utc,
                                                int offsetHalfHours, std::string_view status) {
  TeletextPacket packet{};
  PutAddress(packet, 8, 30);
  packet[2] = Hamming84(0);  // format 1
  PutPageAddress(packet, 3, 0, initialPage, kAnySubcode);
  // The identification code goes out most significant bit first.
  auto reverse = [](uint8_t b) {
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i) r = static_cast<uint8_t>(r | ((b >> i) & 1u) << (7 - i));
    return r;
  };
  packet[9] = reverse(static_cast<uint8_t>(cni >> 8));
  packet[10] = reverse(static_cast<uint8_t>(cni & 0xFF));
  // Offset in half hours in bits 1..5, west in bit 6, the reserved bits 0 and 7 set.
  const unsigned halfHours =
      static_cast<unsigned>(offsetHalfHours < 0 ? -offsetHalfHours : offsetHalfHours) & 0x1F;
  packet[11] = static_cast<uint8_t>(0x81 | halfHours << 1 | (offsetHalfHours < 0 ? 0x40 : 0));
  // Modified Julian Date and UTC as decimal digits, each sent one higher.
  const long long days = static_cast<long long>(utc) / 86400 - (utc < 0 && utc % 86400 ? 1 : 0);
  const long long mjd = days + 40587;
  const long long secondOfDay = static_cast<long long>(utc) - days * 86400;
  auto digit = [](long long value, int place) {
    for (int i = 0; i < place; ++i) value /= 10;
    return static_cast<uint8_t>(value % 10 + 1);
  };
  packet[12] = digit(mjd, 4);
  packet[13] = static_cast<uint8_t>(digit(mjd, 3) << 4 | digit(mjd, 2));
  packet[14] = static_cast<uint8_t>(digit(mjd, 1) << 4 | digit(mjd, 0));
  const long long hms[3] = {secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60};
  for (int i = 0; i < 3; ++i)
    packet[15 + static_cast<size_t>(i)] =
        static_cast<uint8_t>(digit(hms[i], 1) << 4 | digit(hms[i], 0));
  for (size_t i = 18; i < 22; ++i) packet[i] = OddParity(0x20);  // reserved
  PutText(packet, 22, status);
  return packet;
}

}  // namespace vd
