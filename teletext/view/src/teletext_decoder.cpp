#include "vd/teletext_decoder.h"

#include <libzvbi.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <string_view>
#include <vector>

#include "vd/text.h"

namespace vd {

namespace {

constexpr int kServiceRow = 30;
constexpr int kHeaderTextFrom = 10;  // after address, page, subcode and control bytes
constexpr int kClockColumns = 8;

// The decoder only keeps teletext pages while someone listens for them.
void IgnoreEvent(vbi_event*, void*) {}

// Printable 7-bit text of a parity-coded span; damaged bytes become spaces.
std::string ParityText(const uint8_t* bytes, size_t n) {
  std::string text;
  for (size_t i = 0; i < n; ++i) {
    const int c = vbi_unpar8(bytes[i]);
    text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : ' ';
  }
  return text;
}

bool HasDigit(const std::string& word) {
  return std::any_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Weekdays and months as headers write them in plain letters, whole or cut short, in the
// languages most sets are sold for.
bool IsCalendarWord(std::string word) {
  static constexpr std::string_view kWords[] = {
      // English
      "mon", "tue", "tues", "wed", "thu", "thur", "thurs", "fri", "sat", "sun", "monday", "tuesday",
      "wednesday", "thursday", "friday", "saturday", "sunday", "jan", "feb", "mar", "apr", "may",
      "jun", "jul", "aug", "sep", "sept", "oct", "nov", "dec", "january", "february", "march",
      "april", "june", "july", "august", "september", "october", "november", "december",
      // German
      "mo", "di", "mi", "do", "fr", "sa", "so", "montag", "dienstag", "mittwoch", "donnerstag",
      "freitag", "samstag", "sonnabend", "sonntag", "mrz", "mai", "okt", "dez", "januar", "februar",
      "maerz", "juni", "juli", "oktober", "dezember",
      // French
      "lun", "mer", "jeu", "ven", "sam", "dim", "lundi", "mardi", "mercredi", "jeudi", "vendredi",
      "samedi", "dimanche", "janv", "fev", "fevr", "avr", "juin", "juil", "aou", "janvier",
      "fevrier", "mars", "avril", "juillet", "aout", "septembre", "octobre", "novembre", "decembre",
      // Dutch, Italian, Spanish, Swedish and Danish, where they differ from the above
      "ma", "wo", "vr", "za", "zo", "gio", "sab", "dom", "gen", "mag", "giu", "lug", "ago", "set",
      "ott", "dic", "lu", "mie", "jue", "vie", "ene", "abr", "man", "tis", "tir", "ons", "tor",
      "fre", "maj"};
  while (!word.empty() && (word.back() == '.' || word.back() == ',')) word.pop_back();
  std::transform(word.begin(), word.end(), word.begin(),
                 [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

// What a header shows besides the page number, the date and the clock. The date is the run of
// weekday, month and number words at the end, before the clock; of the rest, words with
// digits are page numbers. A weekday word within the name, before the date, is kept.
std::string NameInHeader(const std::string& header) {
  const std::string body = header.size() > kClockColumns
                               ? header.substr(0, header.size() - kClockColumns)
                               : std::string();
  std::vector<std::string> words;
  for (size_t at = 0; at < body.size();) {
    const size_t from = body.find_first_not_of(' ', at);
    if (from == std::string::npos) break;
    size_t to = body.find(' ', from);
    if (to == std::string::npos) to = body.size();
    words.push_back(body.substr(from, to - from));
    at = to;
  }
  size_t end = words.size();
  while (end > 0 && (HasDigit(words[end - 1]) || IsCalendarWord(words[end - 1]))) --end;
  std::string name;
  for (size_t i = 0; i < end; ++i) {
    if (HasDigit(words[i])) continue;
    if (!name.empty()) name += ' ';
    name += words[i];
  }
  return name;
}

// UTF-8 of one code point.
void AppendUtf8(std::string& out, unsigned c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

struct TeletextDecoder::State {
  vbi_decoder* vbi = nullptr;
  double timestamp = 0;
  std::map<int, std::set<int>> subpages;
  std::string serviceName;
  std::string headerName;
  std::optional<unsigned> cni;

  State() { Open(); }
  ~State() { Close(); }

  void Open() {
    vbi = vbi_decoder_new();
    if (vbi != nullptr) vbi_event_handler_register(vbi, VBI_EVENT_TTX_PAGE, IgnoreEvent, nullptr);
  }
  void Close() {
    if (vbi != nullptr) vbi_decoder_delete(vbi);
    vbi = nullptr;
  }

  void Note(const uint8_t* p) {
    const int address = vbi_unham16p(p);
    if (address < 0) return;
    const int magazine = (address & 7) == 0 ? 8 : address & 7;
    const int row = address >> 3;
    if (row == 0) {
      const int units = vbi_unham8(p[2]);
      const int tens = vbi_unham8(p[3]);
      const int s1 = vbi_unham8(p[4]), s2 = vbi_unham8(p[5]), s3 = vbi_unham8(p[6]),
                s4 = vbi_unham8(p[7]);
      if (units < 0 || tens < 0 || s1 < 0 || s2 < 0 || s3 < 0 || s4 < 0) return;
      if (units > 9 || tens > 9) return;  // time filling and other pages nobody asks for
      const int page = magazine << 8 | tens << 4 | units;
      const int subcode = (s4 & 3) << 12 | s3 << 8 | (s2 & 7) << 4 | s1;
      subpages[page].insert(subcode);
      if (std::string name = NameInHeader(ParityText(p + kHeaderTextFrom, 32)); !name.empty())
        headerName = name;
    } else if (row == kServiceRow && magazine == 8) {
      const int designation = vbi_unham8(p[2]);
      if (designation != 0 && designation != 1) return;  // format 2 carries no status text
      unsigned code = 0;
      if (vbi_decode_teletext_8301_cni(&code, p) && code != 0) cni = code;
      if (std::string status(Trim(ParityText(p + 22, 20), " ")); !status.empty())
        serviceName = status;
    }
  }
};

TeletextDecoder::TeletextDecoder() : state_(std::make_unique<State>()) {}
TeletextDecoder::~TeletextDecoder() = default;

void TeletextDecoder::Feed(const uint8_t packet[42]) {
  state_->Note(packet);
  if (state_->vbi == nullptr) return;
  vbi_sliced line{};
  line.id = VBI_SLICED_TELETEXT_B;
  line.line = 7;
  std::memcpy(line.data, packet, 42);
  // One packet per frame: the decoder takes a frame interval far from 40 ms for dropped
  // frames and then resets its page cache.
  state_->timestamp += 0.04;
  vbi_decode(state_->vbi, &line, 1, state_->timestamp);
}

void TeletextDecoder::Reset() {
  state_->Close();
  state_->Open();
  state_->timestamp = 0;
  state_->subpages.clear();
  state_->serviceName.clear();
  state_->headerName.clear();
  state_->cni.reset();
}

std::optional<TeletextPageImage> TeletextDecoder::Render(int page, int subpage,
                                                         bool transparent) const {
  if (state_->vbi == nullptr) return std::nullopt;
  vbi_page pg;
  if (!vbi_fetch_vt_page(state_->vbi, &pg, page, subpage == 0 ? VBI_ANY_SUBNO : subpage,
                         VBI_WST_LEVEL_1p5, kRows, TRUE)) {
    return std::nullopt;
  }
  TeletextPageImage image;
  image.page = pg.pgno;
  image.subpage = pg.subno == VBI_ANY_SUBNO ? 0 : pg.subno;
  const int columns = std::min(pg.columns, kColumns);
  image.width = columns * kCellWidth;
  image.height = pg.rows * kCellHeight;
  // libzvbi draws every column it keeps; the 41st is its own and is cut off below.
  std::vector<uint8_t> canvas(static_cast<size_t>(pg.columns * kCellWidth) * image.height * 4);
  vbi_draw_vt_page_region(&pg, VBI_PIXFMT_RGBA32_LE, canvas.data(), pg.columns * kCellWidth * 4, 0,
                          0, pg.columns, pg.rows, FALSE, TRUE);
  image.rgba.resize(static_cast<size_t>(image.width) * image.height * 4);
  for (int y = 0; y < image.height; ++y) {
    std::memcpy(image.rgba.data() + static_cast<size_t>(y) * image.width * 4,
                canvas.data() + static_cast<size_t>(y) * pg.columns * kCellWidth * 4,
                static_cast<size_t>(image.width) * 4);
  }
  for (int row = 0; row < pg.rows; ++row) {
    std::string text;
    for (int col = 0; col < columns; ++col) {
      const vbi_char& c = pg.text[row * pg.columns + col];
      if (transparent && c.background == VBI_BLACK) {
        for (int y = row * kCellHeight; y < (row + 1) * kCellHeight; ++y) {
          uint8_t* px =
              image.rgba.data() + (static_cast<size_t>(y) * image.width + col * kCellWidth) * 4;
          const vbi_rgba bg = pg.color_map[c.background];
          for (int x = 0; x < kCellWidth; ++x, px += 4) {
            // vbi_rgba keeps red in the low byte, as the canvas lays the bytes out.
            if (px[0] == (bg & 0xFF) && px[1] == ((bg >> 8) & 0xFF) && px[2] == ((bg >> 16) & 0xFF))
              px[3] = 0;
          }
        }
      }
      // Mosaics and the decoder's private symbols have no text form.
      AppendUtf8(text, vbi_is_print(c.unicode) && !vbi_is_gfx(c.unicode) && c.unicode >= 0x20
                           ? c.unicode
                           : ' ');
    }
    image.rows.push_back(std::move(text));
  }
  for (int i = 0; i < 4; ++i) {
    const int link = pg.nav_link[i].pgno;
    image.links[static_cast<size_t>(i)] = (link >= 0x100 && link <= 0x8FF) ? link : 0;
  }
  const int index = pg.nav_link[5].pgno;
  image.indexLink = (index >= 0x100 && index <= 0x8FF) ? index : 0;
  vbi_unref_page(&pg);
  return image;
}

std::vector<int> TeletextDecoder::Subpages(int page) const {
  auto it = state_->subpages.find(page);
  if (it == state_->subpages.end()) return {};
  std::vector<int> out(it->second.begin(), it->second.end());
  // A page without subpages sends subcode 0; it has nothing to step through.
  if (out.size() == 1 && out[0] == 0) return {};
  out.erase(std::remove(out.begin(), out.end(), 0), out.end());
  return out;
}

bool TeletextDecoder::Received(int page) const {
  if (state_->vbi == nullptr) return false;
  vbi_page pg;
  if (!vbi_fetch_vt_page(state_->vbi, &pg, page, VBI_ANY_SUBNO, VBI_WST_LEVEL_1, 1, FALSE))
    return false;
  vbi_unref_page(&pg);
  return true;
}

std::string TeletextDecoder::NetworkName() const {
  return !state_->serviceName.empty() ? state_->serviceName : state_->headerName;
}

bool TeletextDecoder::HasServiceName() const {
  return !state_->serviceName.empty();
}

std::optional<unsigned> TeletextDecoder::NetworkCode() const {
  return state_->cni;
}

}  // namespace vd
