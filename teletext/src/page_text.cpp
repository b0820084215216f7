#include "page_text.h"

#include <libzvbi.h>

#include <cstring>

namespace vd {

namespace {
void IgnoreEvent(vbi_event*, void*) {}
}  // namespace

struct PageText::Decoder {
  Decoder() {
    // The decoder only caches teletext pages while someone listens for them.
    if (handle != nullptr)
      vbi_event_handler_register(handle, VBI_EVENT_TTX_PAGE, IgnoreEvent, nullptr);
  }
  vbi_decoder* handle = vbi_decoder_new();
  ~Decoder() {
    if (handle != nullptr) vbi_decoder_delete(handle);
  }
};

PageText::PageText() : decoder_(std::make_unique<Decoder>()) {}
PageText::~PageText() = default;

bool PageText::PacketAddress(const uint8_t packet[42], int& magazine, int& row) {
  const int address = vbi_unham16p(packet);
  if (address < 0) return false;
  magazine = (address & 7) == 0 ? 8 : address & 7;
  row = address >> 3;
  return true;
}

void PageText::Feed(const uint8_t packet[42]) {
  if (decoder_->handle == nullptr) return;
  vbi_sliced line{};
  line.id = VBI_SLICED_TELETEXT_B;
  line.line = 7;
  std::memcpy(line.data, packet, 42);
  // One packet per frame: the decoder takes a frame interval far from 40 ms for dropped
  // frames and then resets its page cache.
  timestamp_ += 0.04;
  vbi_decode(decoder_->handle, &line, 1, timestamp_);
}

std::optional<std::vector<std::string>> PageText::Page(int pageNumber) const {
  if (decoder_->handle == nullptr) return std::nullopt;
  vbi_page page;
  if (!vbi_fetch_vt_page(decoder_->handle, &page, pageNumber, VBI_ANY_SUBNO, VBI_WST_LEVEL_1p5, 25,
                         FALSE)) {
    return std::nullopt;
  }
  std::vector<std::string> rows;
  for (int row = 0; row < page.rows; ++row) {
    std::string text;
    // The decoder keeps a 41st column for its own use; pages have 40.
    for (int col = 0; col < page.columns && col < 40; ++col) {
      const unsigned c = page.text[row * page.columns + col].unicode;
      text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : ' ';
    }
    rows.push_back(std::move(text));
  }
  vbi_unref_page(&page);
  return rows;
}

}  // namespace vd
