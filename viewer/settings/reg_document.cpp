#include "vd/settings/reg_document.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "vd/text.h"

namespace vd {

namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Exports written by the system's own editor are UTF-16LE; narrow them to UTF-8 so one
// parser serves both.
std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  size_t i = 0;
  auto unit = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
           (static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8);
  };
  while (i + 1 < bytes.size()) {
    uint32_t cp = unit(i);
    i += 2;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < bytes.size()) {
      uint32_t low = unit(i);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;  // a lone surrogate
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

// Reads a quoted string starting at s[0] == '"'; sets `rest` to what follows the closing
// quote. nullopt when unterminated or when an escape is unknown.
std::optional<std::string> ReadQuoted(std::string_view s, std::string_view& rest) {
  if (s.empty() || s.front() != '"') return std::nullopt;
  std::string out;
  for (size_t i = 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '"') {
      rest = s.substr(i + 1);
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= s.size()) return std::nullopt;
    switch (s[i]) {
      case '\\':
        out += '\\';
        break;
      case '"':
        out += '"';
        break;
      // Line breaks cannot stand raw in a line-based file.
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

void AppendQuoted(std::string& out, std::string_view s) {
  out += '"';
  for (char c : s) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  out += '"';
}

std::optional<uint32_t> ParseDword(std::string_view digits) {
  if (digits.size() != 8) return std::nullopt;
  uint32_t v = 0;
  for (char c : digits) {
    int h = HexValue(c);
    if (h < 0) return std::nullopt;
    v = (v << 4) | static_cast<uint32_t>(h);
  }
  return v;
}

// hex:01,02 or hex(7):41,00,... with the continuation backslashes already removed.
bool IsHexData(std::string_view data) {
  size_t colon = data.find(':');
  if (colon == std::string_view::npos) return false;
  std::string_view kind = data.substr(0, colon);
  if (!EqualsNoCase(kind, "hex")) {
    if (kind.size() < 6 || !StartsWithNoCase(kind, "hex(") || kind.back() != ')') return false;
    for (char c : kind.substr(4, kind.size() - 5)) {
      if (HexValue(c) < 0) return false;
    }
  }
  for (char c : data.substr(colon + 1)) {
    if (HexValue(c) < 0 && c != ',' && c != ' ' && c != '\t') return false;
  }
  return true;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

struct RegDocument::Reader::State {
  explicit State(std::string_view root) : ownRoot(root) {}

  void Lines(std::string_view bytes);
  void Line(std::string_view line, uint64_t start);
  void Statement(std::string_view line, bool past);
  // A "[key]" line, and a line naming a value of the current key.
  void KeyLine(std::string_view line, bool past);
  void ValueLine(std::string_view line);
  bool IsOwn(std::string_view path) const {
    return !ownRoot.empty() && StartsWithNoCase(path, ownRoot);
  }
  size_t CountValues(bool own) const {
    size_t n = 0;
    for (const auto& k : doc.keys_) {
      if (IsOwn(k.path) == own) n += k.values.size();
    }
    return n;
  }
  size_t CountKeys(bool own) const {
    size_t n = 0;
    for (const auto& k : doc.keys_) n += IsOwn(k.path) == own ? 1 : 0;
    return n;
  }
  // A line the bounds leave unread; blank lines and comments do not count.
  void Ignore(std::string_view line) {
    if (!line.empty() && line.front() != ';') ++doc.ignoredLines_;
  }

  std::string ownRoot;
  RegDocument doc;
  bool started = false;
  bool utf16 = false;
  std::string head;        // the first bytes, until the byte order mark is known
  std::string utf16Bytes;  // a UTF-16 file is narrowed whole at the end
  std::string pending;     // the unfinished last line
  bool pendingTooLong = false;
  uint64_t offset = 0;  // bytes of UTF-8 text seen so far
  uint64_t pendingStart = 0;

  RegKey* current = nullptr;
  bool currentOwn = false;
  bool skipKey = false;   // values of a key marked for removal, or of one beyond the bounds
  bool ignoring = false;  // skipKey because of the bounds: the values count as ignored
  std::string joined;     // a hex value continued over several lines
  bool valuesFull[2] = {false, false};  // foreign, own
};

RegDocument::Reader::Reader(std::string_view ownRoot) : s_(std::make_unique<State>(ownRoot)) {}
RegDocument::Reader::~Reader() = default;

bool RegDocument::Reader::Full() const {
  return s_->utf16 ? s_->utf16Bytes.size() >= kMaxFileBytes * 2 : s_->offset >= kMaxScanBytes;
}

void RegDocument::Reader::Feed(std::string_view bytes) {
  State& s = *s_;
  if (!s.started) {
    // The byte order mark may arrive split over pieces.
    s.head.append(bytes);
    if (s.head.size() < 3) return;
    s.started = true;
    std::string head = std::move(s.head);
    std::string_view h = head;
    if (static_cast<uint8_t>(h[0]) == 0xFF && static_cast<uint8_t>(h[1]) == 0xFE) {
      s.utf16 = true;
      h.remove_prefix(2);
    } else if (h.substr(0, 3) == "\xEF\xBB\xBF") {
      h.remove_prefix(3);
    }
    Feed(h);
    return;
  }
  if (s.utf16) {
    const size_t room = kMaxFileBytes * 2 - std::min(s.utf16Bytes.size(), kMaxFileBytes * 2);
    s.utf16Bytes.append(bytes.substr(0, room));
    if (bytes.size() > room) s.doc.unreadBytes_ += bytes.size() - room;
    return;
  }
  s.Lines(bytes);
}

void RegDocument::Reader::State::Lines(std::string_view bytes) {
  if (offset >= kMaxScanBytes) {
    doc.unreadBytes_ += bytes.size();
    return;
  }
  if (bytes.size() > kMaxScanBytes - offset) {
    doc.unreadBytes_ += bytes.size() - (kMaxScanBytes - offset);
    bytes = bytes.substr(0, kMaxScanBytes - offset);
  }
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, end);
    if (!pendingTooLong) {
      if (pending.size() + piece.size() > kMaxLineBytes + 1) {
        pending.clear();
        pendingTooLong = true;
      } else if (end == std::string_view::npos || !pending.empty()) {
        pending.append(piece);
      }
    }
    offset += piece.size();
    if (end == std::string_view::npos) return;
    ++offset;
    bytes.remove_prefix(end + 1);
    const uint64_t start = pendingStart;
    pendingStart = offset;
    if (pendingTooLong) {
      pendingTooLong = false;
      if (start >= kMaxFileBytes && !currentOwn) {
        ++doc.ignoredLines_;
      } else {
        ++doc.damagedLines_;
      }
      continue;
    }
    if (pending.empty()) {
      Line(piece, start);
    } else {
      std::string line = std::move(pending);
      pending.clear();
      Line(line, start);
    }
  }
}

RegDocument RegDocument::Reader::Finish(uint64_t unreadBytes) {
  State& s = *s_;
  if (!s.started) {
    s.started = true;
    std::string head = std::move(s.head);
    if (head.size() >= 2 && static_cast<uint8_t>(head[0]) == 0xFF &&
        static_cast<uint8_t>(head[1]) == 0xFE) {
      head.erase(0, 2);
      s.utf16 = true;
    }
    if (s.utf16) {
      s.utf16Bytes = std::move(head);
    } else {
      s.Lines(head);
    }
  }
  if (s.utf16) {
    s.utf16 = false;
    s.Lines(Utf16LeToUtf8(s.utf16Bytes));
  }
  // The last line needs no line break.
  if (!s.pending.empty() || s.pendingTooLong) s.Lines("\n");
  // A value still waiting for its continuation was cut off.
  if (!s.joined.empty()) ++s.doc.damagedLines_;
  s.doc.unreadBytes_ += unreadBytes;
  return std::move(s.doc);
}

RegDocument RegDocument::Parse(std::string_view bytes, std::string_view ownRoot) {
  Reader reader(ownRoot);
  reader.Feed(bytes);
  return reader.Finish();
}

void RegDocument::Reader::State::Line(std::string_view line, uint64_t start) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  line = Trim(line);
  const bool past = start >= kMaxFileBytes;
  if (!joined.empty()) {
    joined += line;
    if (joined.size() > kMaxLineBytes) {
      joined.clear();
      ++doc.damagedLines_;
      return;
    }
    if (!joined.empty() && joined.back() == '\\') {
      joined.pop_back();
      return;
    }
    std::string whole = std::move(joined);
    joined.clear();
    Statement(whole, past);
    return;
  }
  if (line.size() > kMaxLineBytes) {
    ++doc.damagedLines_;
    return;
  }
  if (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string_view::npos) {
    if (past && !currentOwn) {
      Ignore(line);
      skipKey = ignoring = true;  // and the rest of the key
      current = nullptr;
      return;
    }
    joined.assign(line.substr(0, line.size() - 1));
    return;
  }
  Statement(line, past);
}

namespace {

// The data after a value's '=': a string, a dword or hex bytes. False when it is none of them.
bool ReadData(std::string_view data, RegValue& value) {
  if (!data.empty() && data.front() == '"') {
    std::string_view after;
    auto text = ReadQuoted(data, after);
    if (!text || !Trim(after).empty()) return false;
    value.type = RegType::kString;
    value.text = std::move(*text);
  } else if (StartsWithNoCase(data, "dword:")) {
    auto dword = ParseDword(data.substr(6));
    if (!dword) return false;
    value.type = RegType::kDword;
    value.dword = *dword;
  } else if (IsHexData(data)) {
    value.type = RegType::kOther;
    value.text = std::string(data);
  } else {
    return false;
  }
  return true;
}

}  // namespace

void RegDocument::Reader::State::Statement(std::string_view line, bool past) {
  if (line.empty()) return;
  if (line.front() == ';') {
    ++doc.commentLines_;
    return;
  }
  if (line == kHeader5 || line == kHeader4) return;
  // Past the bounds only the program's own keys are read; skipping the rest costs no parsing.
  if (past && line.front() != '[' && !currentOwn) {
    Ignore(line);
    return;
  }
  if (line.find('\0') != std::string_view::npos) {
    ++doc.damagedLines_;
    return;
  }
  if (line.front() == '[') {
    KeyLine(line, past);
  } else {
    ValueLine(line);
  }
}

void RegDocument::Reader::State::KeyLine(std::string_view line, bool past) {
  current = nullptr;
  currentOwn = false;
  skipKey = ignoring = false;
  if (line.back() != ']') {
    ++doc.damagedLines_;
    return;
  }
  std::string_view path = line.substr(1, line.size() - 2);
  bool remove = !path.empty() && path.front() == '-';
  if (remove) path.remove_prefix(1);
  if (!StartsWithNoCase(path, "HKEY_") || path.find('[') != std::string_view::npos) {
    ++doc.damagedLines_;
    return;
  }
  const bool own = IsOwn(path);
  if (past && !own) {
    Ignore(line);
    skipKey = ignoring = true;
    return;
  }
  if (remove) {
    std::erase_if(doc.keys_, [&](const RegKey& k) { return EqualsNoCase(k.path, path); });
    skipKey = true;
    return;
  }
  current = doc.FindKey(path);
  if (current == nullptr) {
    if (CountKeys(own) >= kMaxKeys) {
      Ignore(line);
      skipKey = ignoring = true;
      return;
    }
    doc.keys_.push_back(RegKey{std::string(path), {}});
    current = &doc.keys_.back();
  }
  currentOwn = own;
}

void RegDocument::Reader::State::ValueLine(std::string_view line) {
  if (current != nullptr && !skipKey && valuesFull[currentOwn ? 1 : 0] && line.back() != '-') {
    Ignore(line);
    return;
  }
  RegValue value;
  std::string_view rest;
  if (line.front() == '@') {
    rest = line.substr(1);
  } else {
    auto name = ReadQuoted(line, rest);
    if (!name) {
      ++doc.damagedLines_;
      return;
    }
    value.name = std::move(*name);
  }
  rest = Trim(rest);
  if (rest.empty() || rest.front() != '=') {
    ++doc.damagedLines_;
    return;
  }
  std::string_view data = Trim(rest.substr(1));
  if (skipKey) {
    if (ignoring) Ignore(line);
    return;
  }
  if (current == nullptr) {
    ++doc.damagedLines_;  // a value before any key belongs nowhere
    return;
  }
  if (data == "-") {
    doc.Remove(current->path, value.name);
    return;
  }
  if (!ReadData(data, value)) {
    ++doc.damagedLines_;
    return;
  }
  std::string path = current->path;
  if (doc.Find(path, value.name) == nullptr && CountValues(currentOwn) >= kMaxValues) {
    valuesFull[currentOwn ? 1 : 0] = true;
    Ignore(line);
    return;
  }
  doc.Set(path, std::move(value));
  current = doc.FindKey(path);
}

std::string RegDocument::Serialize() const {
  std::string out;
  out += kHeader5;
  out += "\n\n";
  for (const auto& key : keys_) {
    out += '[';
    out += key.path;
    out += "]\n";
    for (const auto& v : key.values) {
      if (v.name.empty()) {
        out += '@';
      } else {
        AppendQuoted(out, v.name);
      }
      out += '=';
      switch (v.type) {
        case RegType::kDword: {
          char digits[16];
          std::snprintf(digits, sizeof digits, "dword:%08x", v.dword);
          out += digits;
          break;
        }
        case RegType::kString:
          AppendQuoted(out, v.text);
          break;
        case RegType::kOther:
          out += v.text;
          break;
      }
      out += '\n';
    }
    out += '\n';
  }
  return out;
}

RegKey* RegDocument::FindKey(std::string_view keyPath) {
  for (auto& k : keys_) {
    if (EqualsNoCase(k.path, keyPath)) return &k;
  }
  return nullptr;
}

const RegKey* RegDocument::FindKey(std::string_view keyPath) const {
  return const_cast<RegDocument*>(this)->FindKey(keyPath);
}

const RegValue* RegDocument::Find(std::string_view keyPath, std::string_view name) const {
  const RegKey* key = FindKey(keyPath);
  if (key == nullptr) return nullptr;
  for (const auto& v : key->values) {
    if (EqualsNoCase(v.name, name)) return &v;
  }
  return nullptr;
}

bool RegDocument::Set(std::string_view keyPath, RegValue value) {
  RegKey* key = FindKey(keyPath);
  if (key == nullptr) {
    keys_.push_back(RegKey{std::string(keyPath), {}});
    key = &keys_.back();
  }
  for (auto& v : key->values) {
    if (!EqualsNoCase(v.name, value.name)) continue;
    value.name = v.name;  // the registry keeps the spelling a value was created with
    if (v == value) return false;
    v = std::move(value);
    return true;
  }
  key->values.push_back(std::move(value));
  return true;
}

bool RegDocument::Remove(std::string_view keyPath, std::string_view name) {
  RegKey* key = FindKey(keyPath);
  if (key == nullptr) return false;
  return std::erase_if(key->values, [&](const RegValue& v) { return EqualsNoCase(v.name, name); }) >
         0;
}

size_t RegDocument::ValueCount() const {
  size_t n = 0;
  for (const auto& k : keys_) n += k.values.size();
  return n;
}

}  // namespace vd
