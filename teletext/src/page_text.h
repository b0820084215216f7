// Renders a teletext page from 42-byte packets as text, through libzvbi. For tools and tests
// only: the library itself hands packets out undecoded.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vd {

class PageText {
 public:
  PageText();
  ~PageText();
  PageText(const PageText&) = delete;
  PageText& operator=(const PageText&) = delete;

  // Magazine (1-8) and row (0-31) from a packet's Hamming 8/4 address; false when the
  // address bytes are beyond repair.
  static bool PacketAddress(const uint8_t packet[42], int& magazine, int& row);

  // Feeds one packet as a sliced teletext line; packets must come in transmission order.
  void Feed(const uint8_t packet[42]);
  // The page (hexadecimal page number, e.g. 0x100) as 25 lines of 40 characters, once a
  // complete transmission of it has been seen.
  std::optional<std::vector<std::string>> Page(int pageNumber) const;

 private:
  struct Decoder;
  std::unique_ptr<Decoder> decoder_;
  double timestamp_ = 0;
};

}  // namespace vd
