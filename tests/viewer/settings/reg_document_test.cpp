#include "vd/settings/reg_document.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace vd {
namespace {

constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\Corvalen\\AviCap";

TEST(RegDocumentTest, ReadsNumbersAndTextsOfTheExportFormat) {
  auto doc = RegDocument::Parse(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Corvalen\\AviCap]\r\n"
      "\"Volume\"=dword:0000001f\r\n"
      "\"isMTS\"=dword:ffffffff\r\n"
      "\"Path\"=\"c:\\\\program files\\\\\\\"lumatrope\\\"\"\r\n");
  ASSERT_NE(doc.Find(kKey, "Volume"), nullptr);
  EXPECT_EQ(doc.Find(kKey, "Volume")->type, RegType::kDword);
  EXPECT_EQ(doc.Find(kKey, "Volume")->dword, 0x1Fu);
  EXPECT_EQ(doc.Find(kKey, "isMTS")->dword, 0xFFFFFFFFu);
  ASSERT_NE(doc.Find(kKey, "Path"), nullptr);
  EXPECT_EQ(doc.Find(kKey, "Path")->type, RegType::kString);
  EXPECT_EQ(doc.Find(kKey, "Path")->text, "c:\\program files\\\"lumatrope\"");
  EXPECT_EQ(doc.DamagedLines(), 0u);
}

TEST(RegDocumentTest, TextThatLooksLikeANumberStaysText) {
  auto doc = RegDocument::Parse(std::string("[") + kKey + "]\n\"Volume\"=\"dword:00000001\"\n");
  ASSERT_NE(doc.Find(kKey, "Volume"), nullptr);
  EXPECT_EQ(doc.Find(kKey, "Volume")->type, RegType::kString);
}

TEST(RegDocumentTest, NamesWithSpacesAndEscapesRoundTrip) {
  RegDocument doc;
  doc.Set(kKey, {"Force ratio 4:3", RegType::kDword, 1, {}});
  doc.Set(kKey, {"Always on top", RegType::kDword, 0, {}});
  doc.Set(kKey, {"Video Border", RegType::kDword, 0xDEADBEEF, {}});
  doc.Set(kKey, {"odd \"name\" \\ here", RegType::kString, 0, "a\\b\"c\"\nline two\r"});
  doc.Set(kKey, {"", RegType::kString, 0, "default value"});
  doc.Set(kKey, {"Path", RegType::kString, 0, "c:\\program files\\lumatrope"});
  const std::string text = doc.Serialize();
  EXPECT_NE(text.find("\"Force ratio 4:3\"=dword:00000001\n"), std::string::npos);
  EXPECT_NE(text.find("\"Video Border\"=dword:deadbeef\n"), std::string::npos);
  EXPECT_NE(text.find("\"Path\"=\"c:\\\\program files\\\\lumatrope\"\n"), std::string::npos);
  EXPECT_NE(text.find("@=\"default value\"\n"), std::string::npos);
  auto back = RegDocument::Parse(text);
  EXPECT_EQ(back, doc);
  EXPECT_EQ(back.DamagedLines(), 0u);
}

TEST(RegDocumentTest, LookupIgnoresCaseAndTheLastDuplicateWins) {
  auto doc = RegDocument::Parse(
      "[HKEY_CURRENT_USER\\SOFTWARE\\corvalen\\AVICAP]\n"
      "\"Mute\"=dword:00000001\n"
      "\"MUTE\"=dword:00000000\n");
  ASSERT_NE(doc.Find(kKey, "mute"), nullptr);
  EXPECT_EQ(doc.Find(kKey, "mute")->dword, 0u);
  EXPECT_EQ(doc.ValueCount(), 1u);
}

TEST(RegDocumentTest, DamagedLinesCostOnlyTheirOwnValue) {
  std::string text = std::string("Windows Registry Editor Version 5.00\n[") + kKey + "]\n" +
                     "\"A\"=dword:00000001\n"
                     "this is not a settings line\n"
                     "\"B\"=dword:0000\n"              // too few digits
                     "\"C\"=dword:0000000g\n"          // not hex
                     "\"D\"=\"unterminated\n"          // no closing quote
                     "\"E\"=\"bad escape \\q\"\n"      // unknown escape
                     "\"F\" dword:00000001\n"          // no '='
                     "\"G\"=\"text\" trailing\n"       // junk after the text
                     "\"H\"=qword:0000000000000001\n"  // a type we do not keep
                     "[not a key]\n"                   // values below belong nowhere
                     "\"I\"=dword:00000001\n" +
                     "[" + kKey + "]\n" + std::string("\"J\"=dword:0000\0\x30\x30\x30\x31\n", 20) +
                     "\"K\"=\"kept\"\n";
  auto doc = RegDocument::Parse(text);
  EXPECT_EQ(doc.Find(kKey, "A")->dword, 1u);
  EXPECT_EQ(doc.Find(kKey, "K")->text, "kept");
  for (const char* lost : {"B", "C", "D", "E", "F", "G", "H", "I", "J"}) {
    EXPECT_EQ(doc.Find(kKey, lost), nullptr) << lost;
  }
  EXPECT_EQ(doc.DamagedLines(), 11u);
}

TEST(RegDocumentTest, ATruncatedFileNeverYieldsAWrongValue) {
  RegDocument full;
  full.Set(kKey, {"Volume", RegType::kDword, 0x12345678, {}});
  full.Set(kKey, {"Path", RegType::kString, 0, "/home/ann/.local/share/lumatrope"});
  full.Set(kKey, {"Always on top", RegType::kDword, 1, {}});
  const std::string text = full.Serialize();
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    auto doc = RegDocument::Parse(text.substr(0, cut));
    for (const auto& key : doc.Keys()) {
      for (const auto& v : key.values) {
        const RegValue* original = full.Find(kKey, v.name);
        ASSERT_NE(original, nullptr) << "cut at " << cut;
        EXPECT_EQ(v, *original) << "cut at " << cut;
      }
    }
  }
  EXPECT_EQ(RegDocument::Parse(text), full);
}

TEST(RegDocumentTest, BinaryJunkDoesNotCostTheValuesAfterIt) {
  std::mt19937 rng(7);
  std::string junk;
  for (int i = 0; i < 20000; ++i) junk += static_cast<char>(rng() & 0xFF);
  auto doc = RegDocument::Parse(junk + "\n[" + kKey + "]\n\"Country\"=dword:00000031\n");
  ASSERT_NE(doc.Find(kKey, "Country"), nullptr);
  EXPECT_EQ(doc.Find(kKey, "Country")->dword, 49u);
}

TEST(RegDocumentTest, AHugeFileIsReadOnlyUpToItsBound) {
  std::string text = std::string("[") + kKey + "]\n\"First\"=dword:00000001\n";
  text += "\"Long\"=\"" + std::string(RegDocument::kMaxLineBytes, 'x') + "\"\n";
  const std::string filler = ";" + std::string(1000, '-') + "\n";
  while (text.size() < RegDocument::kMaxFileBytes) text += filler;
  text += "\"Last\"=dword:00000001\n";
  auto doc = RegDocument::Parse(text);
  EXPECT_NE(doc.Find(kKey, "First"), nullptr);
  EXPECT_EQ(doc.Find(kKey, "Long"), nullptr);
  EXPECT_EQ(doc.Find(kKey, "Last"), nullptr);
  // Past the bound the reader's own keys are still read.
  EXPECT_NE(RegDocument::Parse(text, "HKEY_CURRENT_USER\\Software\\Corvalen\\").Find(kKey, "Last"),
            nullptr);
}

// A file is read in pieces; where they split (a line, a line break, a byte order mark, a
// UTF-16 character) must not matter.
TEST(RegDocumentTest, PiecesOfAnySizeReadAsTheWhole) {
  std::string text = std::string("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n[") + kKey +
                     "]\r\n\"Blob\"=hex:01,02,\\\r\n  03\r\n\"Path\"=\"caf\xC3\xA9\"\r\nbad\r\n"
                     "\"Long\"=\"" +
                     std::string(RegDocument::kMaxLineBytes, 'x') +
                     "\"\r\n"
                     "\"Last\"=dword:00000001";
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("[") + kKey + "]\r\n\"Path\"=\"caf\xE9\"\r\n") {
    utf16 += c;
    utf16 += '\0';
  }
  for (const std::string* bytes : {&text, &utf16}) {
    const RegDocument whole = RegDocument::Parse(*bytes);
    ASSERT_NE(whole.Find(kKey, "Path"), nullptr);
    for (size_t piece : {1, 2, 3, 7, 4096}) {
      RegDocument::Reader reader;
      for (size_t at = 0; at < bytes->size(); at += piece) reader.Feed(bytes->substr(at, piece));
      const RegDocument doc = reader.Finish();
      EXPECT_EQ(doc, whole) << piece;
      EXPECT_EQ(doc.DamagedLines(), whole.DamagedLines()) << piece;
    }
  }
  EXPECT_EQ(RegDocument::Parse(text).DamagedLines(), 2u);
  EXPECT_EQ(RegDocument::Parse(text).Find(kKey, "Last")->dword, 1u);
}

TEST(RegDocumentTest, ValueAndKeyCountsAreBounded) {
  std::string text;
  for (size_t k = 0; k < RegDocument::kMaxKeys + 10; ++k) {
    text += "[HKEY_CURRENT_USER\\K" + std::to_string(k) + "]\n\"v\"=dword:00000001\n";
  }
  auto doc = RegDocument::Parse(text);
  EXPECT_EQ(doc.Keys().size(), RegDocument::kMaxKeys);
  std::string many = std::string("[") + kKey + "]\n";
  for (size_t i = 0; i < RegDocument::kMaxValues + 10; ++i) {
    many += "\"v" + std::to_string(i) + "\"=dword:00000001\n";
  }
  EXPECT_EQ(RegDocument::Parse(many).ValueCount(), RegDocument::kMaxValues);
}

TEST(RegDocumentTest, ReadsAUtf16ExportWithByteOrderMark) {
  const std::string ascii = std::string("Windows Registry Editor Version 5.00\r\n\r\n[") + kKey +
                            "]\r\n\"Path\"=\"caf\xC3\xA9\"\r\n";
  std::u16string wide = u"Windows Registry Editor Version 5.00\r\n\r\n[";
  for (const char* p = kKey; *p; ++p) wide += static_cast<char16_t>(*p);
  wide += u"]\r\n\"Path\"=\"caf\u00e9\"\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : wide) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  EXPECT_EQ(RegDocument::Parse(bytes), RegDocument::Parse(ascii));
  EXPECT_EQ(RegDocument::Parse(bytes).Find(kKey, "Path")->text, "caf\xC3\xA9");
}

TEST(RegDocumentTest, OtherTypesAreKeptVerbatimAcrossContinuationLines) {
  auto doc =
      RegDocument::Parse(std::string("[") + kKey +
                         "]\n\"Blob\"=hex:01,02,\\\n  03,04\n\"Multi\"=hex(7):41,00,00,00\n");
  ASSERT_NE(doc.Find(kKey, "Blob"), nullptr);
  EXPECT_EQ(doc.Find(kKey, "Blob")->type, RegType::kOther);
  EXPECT_EQ(doc.Find(kKey, "Blob")->text, "hex:01,02,03,04");
  EXPECT_EQ(doc.Find(kKey, "Multi")->text, "hex(7):41,00,00,00");
  EXPECT_EQ(RegDocument::Parse(doc.Serialize()), doc);
  auto cut = RegDocument::Parse(std::string("[") + kKey + "]\n\"Blob\"=hex:01,02,\\\n");
  EXPECT_EQ(cut.Find(kKey, "Blob"), nullptr);
  EXPECT_EQ(cut.DamagedLines(), 1u);
}

TEST(RegDocumentTest, DeletionLinesRemoveValuesAndKeys) {
  auto doc = RegDocument::Parse(
      "[HKEY_CURRENT_USER\\A]\n\"x\"=dword:00000001\n\"y\"=dword:00000001\n\"x\"=-\n"
      "[HKEY_CURRENT_USER\\B]\n\"z\"=dword:00000001\n[-HKEY_CURRENT_USER\\B]\n"
      "\"ignored\"=dword:00000001\n");
  EXPECT_EQ(doc.Find("HKEY_CURRENT_USER\\A", "x"), nullptr);
  EXPECT_NE(doc.Find("HKEY_CURRENT_USER\\A", "y"), nullptr);
  EXPECT_EQ(doc.Find("HKEY_CURRENT_USER\\B", "z"), nullptr);
  EXPECT_EQ(doc.Keys().size(), 1u);
  EXPECT_EQ(doc.DamagedLines(), 0u);
}

TEST(RegDocumentTest, SetReportsWhetherAnythingChanged) {
  RegDocument doc;
  EXPECT_TRUE(doc.Set(kKey, {"Mute", RegType::kDword, 1, {}}));
  EXPECT_FALSE(doc.Set(kKey, {"mute", RegType::kDword, 1, {}}));
  EXPECT_TRUE(doc.Set(kKey, {"MUTE", RegType::kString, 0, "1"}));
  EXPECT_EQ(doc.Find(kKey, "Mute")->type, RegType::kString);
  EXPECT_EQ(doc.Find(kKey, "Mute")->name, "Mute");
  EXPECT_TRUE(doc.Remove(kKey, "MUTE"));
  EXPECT_FALSE(doc.Remove(kKey, "Mute"));
}

}  // namespace
}  // namespace vd
