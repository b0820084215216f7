#include "vd/album/bitmap_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <future>

#include "album_test_support.h"

namespace vd {
namespace {

// A file as a hostile writer might shape it: every header field settable.
struct RawBitmap {
  uint16_t magic = 0x4D42;
  int64_t fileSize = -1;  // -1: the real size
  uint32_t offset = 54;
  uint32_t infoSize = 40;
  int32_t width = 2;
  int32_t height = 2;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  size_t pixelBytes = 16;  // two rows of 8 (6 + 2 padding)

  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> b;
    auto put = [&b](uint64_t v, int n) {
      for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    const size_t total = std::max<size_t>(offset, 54) + pixelBytes;
    put(magic, 2);
    put(fileSize < 0 ? total : static_cast<uint64_t>(fileSize), 4);
    put(0, 4);
    put(offset, 4);
    put(infoSize, 4);
    put(static_cast<uint32_t>(width), 4);
    put(static_cast<uint32_t>(height), 4);
    put(1, 2);
    put(bitCount, 2);
    put(compression, 4);
    put(pixelBytes, 4);
    for (int i = 0; i < 4; ++i) put(0, 4);  // resolutions and colour counts
    b.resize(total, 0);
    for (size_t i = std::max<size_t>(offset, 54); i < total; ++i) b[i] = static_cast<uint8_t>(i);
    return b;
  }
};

// Parses and checks that a refusal says something and leaves the output alone.
std::string Refusal(const std::vector<uint8_t>& bytes) {
  BitmapImage out;
  out.width = 77;
  out.pixels = {1, 2, 3};
  std::string error;
  EXPECT_FALSE(BitmapFile::Parse(bytes, &out, &error));
  EXPECT_EQ(out.width, 77);
  EXPECT_THAT(out.pixels, ::testing::ElementsAre(1, 2, 3));
  EXPECT_FALSE(error.empty());
  return error;
}

TEST(BitmapParse, AWellFormedFileIsRead) {
  RawBitmap raw;
  BitmapImage out;
  std::string error;
  ASSERT_TRUE(BitmapFile::Parse(raw.Bytes(), &out, &error)) << error;
  EXPECT_EQ(out.width, 2);
  EXPECT_EQ(out.height, 2);
  ASSERT_EQ(out.pixels.size(), 16u);
  // Bottom-up on disk: the file's second row is the picture's first.
  EXPECT_EQ(out.pixels[0], 62);
  EXPECT_EQ(out.pixels[8], 54);
}

TEST(BitmapParse, TopDownRowsKeepTheirOrder) {
  RawBitmap raw;
  raw.height = -2;
  BitmapImage out;
  std::string error;
  ASSERT_TRUE(BitmapFile::Parse(raw.Bytes(), &out, &error)) << error;
  EXPECT_EQ(out.height, 2);
  EXPECT_EQ(out.pixels[0], 54);
}

TEST(BitmapParse, ALongerInfoHeaderMovesThePixels) {
  RawBitmap raw;
  raw.offset = 14 + 124;
  raw.infoSize = 124;
  BitmapImage out;
  std::string error;
  ASSERT_TRUE(BitmapFile::Parse(raw.Bytes(), &out, &error)) << error;
  EXPECT_EQ(out.pixels[8], static_cast<uint8_t>(138));
}

TEST(BitmapParse, HostileHeadersAreRefused) {
  EXPECT_THAT(Refusal({}), ::testing::HasSubstr("too short"));
  EXPECT_THAT(Refusal({'B', 'M', 0, 0}), ::testing::HasSubstr("too short"));
  {
    RawBitmap r;
    r.magic = 0x5A4D;
    EXPECT_THAT(Refusal(r.Bytes()), ::testing::HasSubstr("not a bitmap"));
  }
  {
    RawBitmap r;
    r.offset = 53;
    EXPECT_THAT(Refusal(r.Bytes()), ::testing::HasSubstr("outside the file"));
    r.offset = 0;
    EXPECT_THAT(Refusal(r.Bytes()), ::testing::HasSubstr("outside the file"));
  }
  {
    // Offset beyond the end, while the size field is honest.
    RawBitmap r;
    auto bytes = r.Bytes();
    bytes[10] = 0xFF;
    bytes[11] = 0x00;
    EXPECT_THAT(Refusal(bytes), ::testing::HasSubstr("outside the file"));
  }
  {
    RawBitmap r;
    r.infoSize = 12;
    EXPECT_THAT(Refusal(r.Bytes()), ::testing::HasSubstr("information header"));
    r.infoSize = 41;  // longer than the room before the pixels
    EXPECT_THAT(Refusal(r.Bytes()), ::testing::HasSubstr("information header"));
  }
  for (uint16_t bits : {0, 1, 8, 16, 32}) {
    RawBitmap r;
    r.bitCount = bits;
    EXPECT_THAT(Refusal(r.Bytes()), ::testing::HasSubstr("24-bit"));
  }
  for (uint32_t compression : {1u, 2u, 3u}) {
    RawBitmap r;
    r.compression = compression;
    EXPECT_THAT(Refusal(r.Bytes()), ::testing::HasSubstr("compressed"));
  }
  for (auto [w, h] : {std::pair{0, 2}, {-2, 2}, {2, 0}, {INT32_MIN, 2}}) {
    RawBitmap r;
    r.width = w;
    r.height = h;
    EXPECT_THAT(Refusal(r.Bytes()), ::testing::HasSubstr("zero or negative"));
  }
  for (auto [w, h] :
       {std::pair{16385, 1}, {1, 16385}, {1, -16385}, {1, INT32_MIN}, {INT32_MAX, INT32_MAX}}) {
    RawBitmap r;
    r.width = w;
    r.height = h;
    EXPECT_THAT(Refusal(r.Bytes()), ::testing::HasSubstr("larger than 16384 x 16384"));
  }
  {
    // Sizes within bounds but more pixels than the file holds.
    RawBitmap r;
    r.width = 16384;
    r.height = 16384;
    EXPECT_THAT(Refusal(r.Bytes()), ::testing::HasSubstr("past the end"));
    RawBitmap s;
    s.pixelBytes = 15;  // one byte of padding short
    EXPECT_THAT(Refusal(s.Bytes()), ::testing::HasSubstr("past the end"));
  }
}

// Other programs write 0, or more than the file holds, into the header's size field: the
// pixels are where the other fields say, within the real file, so the picture is shown.
TEST(BitmapParse, TheHeadersFileSizeFieldIsNotWhatDecides) {
  test::TempDir dir;
  const std::vector<uint8_t> honest = RawBitmap().Bytes();
  BitmapImage expected;
  std::string error;
  ASSERT_TRUE(BitmapFile::Parse(honest, &expected, &error)) << error;
  for (int64_t claimed : {int64_t{0}, int64_t{69}, int64_t{71}, int64_t{0xFFFFFFFF}}) {
    SCOPED_TRACE(claimed);
    RawBitmap r;
    r.fileSize = claimed;
    BitmapImage image;
    EXPECT_TRUE(BitmapFile::Parse(r.Bytes(), &image, &error)) << error;
    EXPECT_EQ(image.pixels, expected.pixels);
    const auto bytes = r.Bytes();
    test::WriteFile(dir.Path() / "other.bmp", std::string(bytes.begin(), bytes.end()));
    BitmapImage read;
    EXPECT_TRUE(BitmapFile::Read(dir.Path() / "other.bmp", &read, &error)) << error;
    EXPECT_EQ(read.pixels, expected.pixels);
  }
}

TEST(BitmapParse, EveryTruncationOfAGoodFileIsRefused) {
  RawBitmap raw;
  const auto whole = raw.Bytes();
  for (size_t n = 0; n < whole.size(); ++n) {
    // An exactly sized heap copy, so that ASan sees any read past its end.
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(n));
    BitmapImage out;
    std::string error;
    EXPECT_FALSE(BitmapFile::Parse(cut, &out, &error)) << n;
  }
}

TEST(BitmapFileRoundTrip, PaddedRowsSurviveWriteAndRead) {
  test::TempDir dir;
  BitmapInfoHeader header;
  header.width = 3;  // 9 bytes a row, padded to 12
  header.height = 2;
  std::vector<uint8_t> packed(18);
  for (size_t i = 0; i < packed.size(); ++i) packed[i] = static_cast<uint8_t>(i + 1);
  std::string error;
  const auto path = dir.Path() / "odd.bmp";
  ASSERT_TRUE(BitmapFile::Write(path, header, packed, &error)) << error;

  const std::string bytes = test::ReadFile(path);
  ASSERT_EQ(bytes.size(), 54u + 24u);
  EXPECT_EQ(static_cast<uint8_t>(bytes[34]), 24);  // image size field: padded rows
  EXPECT_EQ(bytes[54 + 9], 0);                     // padding after the first row

  BitmapImage image;
  ASSERT_TRUE(BitmapFile::Read(path, &image, &error)) << error;
  EXPECT_EQ(image.width, 3);
  EXPECT_EQ(image.height, 2);
  ASSERT_EQ(image.pixels.size(), 24u);
  // Written bottom row first, read back top row first.
  EXPECT_EQ(image.pixels[0], 10);
  EXPECT_EQ(image.pixels[12], 1);
  EXPECT_EQ(image.pixels[12 + 8], 9);
}

TEST(BitmapFileRoundTrip, AStillPinPictureIsWrittenInTheExactLayout) {
  BitmapInfoHeader header;
  header.width = 640;
  header.height = 480;
  header.sizeImage = 640 * 480 * 3;
  const std::vector<uint8_t> pixels(640 * 480 * 3, 0x11);
  std::vector<uint8_t> out;
  std::string error;
  ASSERT_TRUE(BitmapFile::Encode(header, pixels, &out, &error)) << error;
  const std::vector<uint8_t> head(out.begin(), out.begin() + 54);
  const uint32_t fileSize = 640 * 480 * 3 + 54;
  const std::vector<uint8_t> expected = {0x42,
                                         0x4D,
                                         uint8_t(fileSize),
                                         uint8_t(fileSize >> 8),
                                         uint8_t(fileSize >> 16),
                                         uint8_t(fileSize >> 24),
                                         0,
                                         0,
                                         0,
                                         0,
                                         54,
                                         0,
                                         0,
                                         0,  // file header
                                         40,
                                         0,
                                         0,
                                         0,
                                         0x80,
                                         0x02,
                                         0,
                                         0,
                                         0xE0,
                                         0x01,
                                         0,
                                         0,
                                         1,
                                         0,
                                         24,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0x00,
                                         0x10,
                                         0x0E,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0};
  EXPECT_EQ(head, expected);
  EXPECT_EQ(out.size(), fileSize);
  BitmapImage image;
  ASSERT_TRUE(BitmapFile::Parse(out, &image, &error)) << error;
  EXPECT_EQ(image.pixels, pixels);
}

TEST(BitmapFileWrite, PixelsThatDoNotMatchTheSizeAreRefused) {
  BitmapInfoHeader header;
  header.width = 4;
  header.height = 2;
  std::vector<uint8_t> out;
  std::string error;
  EXPECT_FALSE(BitmapFile::Encode(header, std::vector<uint8_t>(23), &out, &error));
  header.bitCount = 32;
  EXPECT_FALSE(BitmapFile::Encode(header, std::vector<uint8_t>(32), &out, &error));
  EXPECT_TRUE(out.empty());
}

TEST(BitmapFileRead, AFileWhoseHeaderLiesAboutItsSizeIsRefused) {
  test::TempDir dir;
  RawBitmap raw;
  raw.width = 16384;
  raw.height = 16384;
  const auto bytes = raw.Bytes();
  test::WriteFile(dir.Path() / "huge.bmp", std::string(bytes.begin(), bytes.end()));
  BitmapImage image;
  std::string error;
  EXPECT_FALSE(BitmapFile::Read(dir.Path() / "huge.bmp", &image, &error));
  EXPECT_THAT(error, ::testing::HasSubstr("past the end"));
  EXPECT_FALSE(BitmapFile::Read(dir.Path() / "missing.bmp", &image, &error));
  EXPECT_THAT(error, ::testing::HasSubstr("Cannot open"));
  EXPECT_FALSE(BitmapFile::Read(dir.Path(), &image, &error));
  // A FIFO put in a listed picture's place is refused at once, not waited on for a writer.
  const std::filesystem::path fifo = dir.Path() / "x.bmp";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto read = std::async(std::launch::async, [&] {
    std::string why;
    BitmapImage none;
    return BitmapFile::Read(fifo, &none, &why) ? std::string("read") : why;
  });
  if (read.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
    ADD_FAILURE() << "the read waits for a writer";
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);  // frees the reader
    if (writer >= 0) ::close(writer);
  }
  EXPECT_THAT(read.get(), ::testing::HasSubstr("not a plain file"));
}

}  // namespace
}  // namespace vd
