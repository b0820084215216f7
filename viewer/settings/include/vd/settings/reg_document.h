// The settings file: the registry export text format, so the file stays readable and a
// value keeps its type (a number stored as text is not a number).
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Corvalen\AviCap]
//   "Volume"=dword:00007fff
//   "Path"="/home/ann/.local/share/lumatrope"
//
// Parsing never fails as a whole: a line that does not parse costs only the value on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vd {

enum class RegType {
  kDword,   // dword:XXXXXXXX
  kString,  // "text"
  kOther,   // hex:, hex(N):, ... kept verbatim so rewriting the file loses nothing
};

struct RegValue {
  std::string name;  // empty for the key's default value (@)
  RegType type = RegType::kDword;
  uint32_t dword = 0;
  std::string text;  // the string for kString, the data after '=' for kOther

  friend bool operator==(const RegValue&, const RegValue&) = default;
};

struct RegKey {
  std::string path;  // e.g. HKEY_CURRENT_USER\Software\Corvalen\AviCap
  std::vector<RegValue> values;

  friend bool operator==(const RegKey&, const RegKey&) = default;
};

class RegDocument {
 public:
  // Bounds that keep a damaged or hostile file from costing memory or time. The keys under the
  // reader's own root have budgets of their own, so whatever another program piled up before
  // them cannot push them out; past kMaxFileBytes only their lines are still read, up to
  // kMaxScanBytes. Everything else beyond the bounds is ignored and counted.
  static constexpr size_t kMaxFileBytes = size_t{4} << 20;
  static constexpr size_t kMaxScanBytes = size_t{64} << 20;
  static constexpr size_t kMaxLineBytes = size_t{64} << 10;
  static constexpr size_t kMaxValues = 4096;
  static constexpr size_t kMaxKeys = 256;

  // Reads a document in pieces, so a huge file never has to be held whole.
  class Reader {
   public:
    // ownRoot: the key path prefix of the reading program's own keys (empty: none).
    explicit Reader(std::string_view ownRoot = {});
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    void Feed(std::string_view bytes);
    // True once more bytes would be ignored unread.
    bool Full() const;
    // unreadBytes: what the caller did not feed at all.
    RegDocument Finish(uint64_t unreadBytes = 0);

   private:
    struct State;
    std::unique_ptr<State> s_;
  };

  static RegDocument Parse(std::string_view bytes, std::string_view ownRoot = {});
  std::string Serialize() const;

  // Key paths and value names compare without regard to ASCII case, as the registry does.
  const RegValue* Find(std::string_view keyPath, std::string_view name) const;
  // Replaces a value of the same name (keeping its place and spelling) or appends it; returns false
  // when the document already held exactly this value.
  bool Set(std::string_view keyPath, RegValue value);
  bool Remove(std::string_view keyPath, std::string_view name);

  const std::vector<RegKey>& Keys() const { return keys_; }
  // Lines that were skipped because they did not parse.
  size_t DamagedLines() const { return damagedLines_; }
  // Comment lines: read past, and not written back by Serialize.
  size_t CommentLines() const { return commentLines_; }
  // Lines beyond the bounds, and bytes past kMaxScanBytes: none of it was read.
  size_t IgnoredLines() const { return ignoredLines_; }
  uint64_t UnreadBytes() const { return unreadBytes_; }
  bool Incomplete() const { return ignoredLines_ != 0 || unreadBytes_ != 0; }
  size_t ValueCount() const;

  friend bool operator==(const RegDocument& a, const RegDocument& b) { return a.keys_ == b.keys_; }

 private:
  RegKey* FindKey(std::string_view keyPath);
  const RegKey* FindKey(std::string_view keyPath) const;

  std::vector<RegKey> keys_;
  size_t damagedLines_ = 0;
  size_t commentLines_ = 0;
  size_t ignoredLines_ = 0;
  uint64_t unreadBytes_ = 0;
};

bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace vd
