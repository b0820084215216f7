// A station's teletext as a set keeps it: 42-byte packets go in in broadcast order, pages
// come out drawn in colour (libzvbi's level 1.5 rendering, 12 x 10 pixels a character) or as
// text, with their coloured links. The decoder also keeps which subpages of each page were
// seen and what the station calls itself. One thread at a time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vd {

struct TeletextPageImage {
  int page = 0;     // hexadecimal as typed: 0x100 is page 100
  int subpage = 0;  // the subcode on the air, 0 for a page without subpages
  int width = 0;
  int height = 0;
  // width x height pixels, each four bytes R, G, B, A in that order.
  std::vector<uint8_t> rgba;
  // The 25 rows (header, 23 rows, the links' row) as UTF-8.
  std::vector<std::string> rows;
  // Red, green, yellow, cyan and the index page; 0 where the page gives none.
  std::array<int, 4> links{};
  int indexLink = 0;
};

class TeletextDecoder {
 public:
  static constexpr int kCellWidth = 12;
  static constexpr int kCellHeight = 10;
  static constexpr int kColumns = 40;
  static constexpr int kRows = 25;

  TeletextDecoder();
  ~TeletextDecoder();
  TeletextDecoder(const TeletextDecoder&) = delete;
  TeletextDecoder& operator=(const TeletextDecoder&) = delete;

  void Feed(const uint8_t packet[42]);
  // Forgets every page, subpage and the name: the next packets are another station's.
  void Reset();

  // The page drawn, `subpage` 0 for the one last received. Transparent leaves the black
  // background clear (alpha 0) so the page can lie over the picture.
  std::optional<TeletextPageImage> Render(int page, int subpage = 0,
                                          bool transparent = false) const;
  // The subcodes of `page` seen since the last reset, in order.
  std::vector<int> Subpages(int page) const;
  bool Received(int page) const;

  // The network's name: the status text of packet 8/30 format 1, else what the page
  // headers show besides page number, date and clock. Empty until either arrived.
  std::string NetworkName() const;
  // True once packet 8/30 format 1 brought a status text.
  bool HasServiceName() const;
  // The network identification code of packet 8/30 format 1, once received.
  std::optional<unsigned> NetworkCode() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vd
