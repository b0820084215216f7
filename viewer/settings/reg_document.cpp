#include "reg_document.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace vd {

namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
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

RegDocument RegDocument::Parse(std::string_view bytes) {
  std::string converted;
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF &&
      static_cast<uint8_t>(bytes[1]) == 0xFE) {
    converted = Utf16LeToUtf8(bytes.substr(2, std::min(bytes.size() - 2, kMaxFileBytes * 2)));
    bytes = converted;
  } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    bytes.remove_prefix(3);
  }
  if (bytes.size() > kMaxFileBytes) {
    // Only whole lines count: the cut one is as good as damaged.
    bytes = bytes.substr(0, kMaxFileBytes);
    size_t lastBreak = bytes.rfind('\n');
    bytes = lastBreak == std::string_view::npos ? std::string_view{} : bytes.substr(0, lastBreak);
  }

  RegDocument doc;
  RegKey* current = nullptr;
  bool skipKey = false;
  std::string joined;  // a hex value continued over several lines
  size_t pos = 0;
  while (pos < bytes.size() && doc.ValueCount() < kMaxValues) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = Trim(line);
    if (!joined.empty()) {
      joined += line;
      if (joined.size() > kMaxLineBytes) {
        joined.clear();
        ++doc.damagedLines_;
        continue;
      }
      if (!joined.empty() && joined.back() == '\\') {
        joined.pop_back();
        continue;
      }
      std::string whole = std::move(joined);
      joined.clear();
      doc.ParseLine(whole, current, skipKey);
      continue;
    }
    if (line.size() > kMaxLineBytes) {
      ++doc.damagedLines_;
      continue;
    }
    if (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string_view::npos) {
      joined.assign(line.substr(0, line.size() - 1));
      continue;
    }
    doc.ParseLine(line, current, skipKey);
  }
  // A value still waiting for its continuation was cut off.
  if (!joined.empty()) ++doc.damagedLines_;
  return doc;
}

void RegDocument::ParseLine(std::string_view line, RegKey*& current, bool& skipKey) {
  if (line.empty() || line.front() == ';') return;
  if (line == kHeader5 || line == kHeader4) return;
  if (line.find('\0') != std::string_view::npos) {
    ++damagedLines_;
    return;
  }
  if (line.front() == '[') {
    current = nullptr;
    skipKey = false;
    if (line.back() != ']') {
      ++damagedLines_;
      return;
    }
    std::string_view path = line.substr(1, line.size() - 2);
    bool remove = !path.empty() && path.front() == '-';
    if (remove) path.remove_prefix(1);
    if (!StartsWithNoCase(path, "HKEY_") || path.find('[') != std::string_view::npos) {
      ++damagedLines_;
      return;
    }
    if (remove) {
      std::erase_if(keys_, [&](const RegKey& k) { return EqualsNoCase(k.path, path); });
      skipKey = true;
      return;
    }
    current = FindKey(path);
    if (current == nullptr) {
      if (keys_.size() >= kMaxKeys) {
        ++damagedLines_;
        return;
      }
      keys_.push_back(RegKey{std::string(path), {}});
      current = &keys_.back();
    }
    return;
  }

  RegValue value;
  std::string_view rest;
  if (line.front() == '@') {
    rest = line.substr(1);
  } else {
    auto name = ReadQuoted(line, rest);
    if (!name) {
      ++damagedLines_;
      return;
    }
    value.name = std::move(*name);
  }
  rest = Trim(rest);
  if (rest.empty() || rest.front() != '=') {
    ++damagedLines_;
    return;
  }
  std::string_view data = Trim(rest.substr(1));
  if (skipKey) return;  // values of a key marked for removal
  if (current == nullptr) {
    ++damagedLines_;  // a value before any key belongs nowhere
    return;
  }
  if (data == "-") {
    Remove(current->path, value.name);
    return;
  }
  if (!data.empty() && data.front() == '"') {
    std::string_view after;
    auto text = ReadQuoted(data, after);
    if (!text || !Trim(after).empty()) {
      ++damagedLines_;
      return;
    }
    value.type = RegType::kString;
    value.text = std::move(*text);
  } else if (StartsWithNoCase(data, "dword:")) {
    auto dword = ParseDword(data.substr(6));
    if (!dword) {
      ++damagedLines_;
      return;
    }
    value.type = RegType::kDword;
    value.dword = *dword;
  } else if (IsHexData(data)) {
    value.type = RegType::kOther;
    value.text = std::string(data);
  } else {
    ++damagedLines_;
    return;
  }
  std::string path = current->path;
  Set(path, std::move(value));
  current = FindKey(path);
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
