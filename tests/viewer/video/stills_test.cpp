// Hardware stills and the Snapshot command.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "engine_fixture.h"

namespace vdtest {
namespace {

using namespace std::chrono_literals;

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

class StillTest : public EngineTest {
 protected:
  // Presses the box's snapshot button and waits for the engine's new-still mark.
  void PressAndWait(CaptureGraph& engine) {
    box->PressSnapshotButton();
    ASSERT_TRUE(PumpUntil([&] { return engine.Stills().TakeNewStillMark(); }));
  }
};

TEST_F(StillTest, HardwareStillAfterFiveIsImage6InThePalSize) {
  SetDword("NumStillImages", 5);
  SetDword("VideoStandard1", 1);  // composite input in PAL
  auto engine = StartEngine();
  ASSERT_TRUE(engine->GetCapabilities().still);
  PressAndWait(*engine);
  std::filesystem::path file = dir / "data" / "Image6.bmp";
  ASSERT_TRUE(std::filesystem::exists(file));
  std::vector<uint8_t> bmp = ReadFile(file);
  ASSERT_EQ(bmp.size(), 54u + 768 * 576 * 3);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(Le32(bmp, 2), bmp.size());
  EXPECT_EQ(Le32(bmp, 6), 0u);
  EXPECT_EQ(Le32(bmp, 10), 54u);
  EXPECT_EQ(Le32(bmp, 14), 40u);
  EXPECT_EQ(Le32(bmp, 18), 768u);
  EXPECT_EQ(Le32(bmp, 22), 576u);
  EXPECT_EQ(bmp[28], 24);
  EXPECT_EQ(Le32(bmp, 34), 768u * 576 * 3);
  EXPECT_EQ(engine->Stills().NumStillImages(), 6);
  // Not all black: the picture arrived.
  EXPECT_TRUE(std::any_of(bmp.begin() + 54, bmp.end(), [](uint8_t b) { return b != 0; }));
  engine.reset();
  EXPECT_EQ(store->ReadDword("AviCap", "NumStillImages", -1), 6);
}

TEST_F(StillTest, SecamStillsAre640By480AndTheCounterFollowsThePrefix) {
  SetDword("VideoStandard1", 2);
  auto engine = StartEngine();
  engine->Stills().SetPrefix("Shot");
  PressAndWait(*engine);
  std::vector<uint8_t> bmp = ReadFile(dir / "data" / "Shot1.bmp");
  ASSERT_EQ(bmp.size(), 54u + 640 * 480 * 3);
  EXPECT_EQ(Le32(bmp, 18), 640u);
  EXPECT_EQ(Le32(bmp, 22), 480u);
}

// Stills of a run whose counter was lost (a crash before the viewer's shutdown), a file the
// user put there, a dangling link: no still replaces any of them, and the counter is on
// disk as soon as a still is, so a crash now loses no number.
TEST_F(StillTest, HardwareStillsNeverReplaceAFileAndStoreTheirCounterAtOnce) {
  const std::filesystem::path data = dir / "data";
  std::filesystem::create_directories(data);
  std::ofstream(data / "Image1.bmp") << "earlier still";
  std::ofstream(data / "Image2.bmp") << "another";
  auto engine = StartEngine();
  ASSERT_EQ(engine->Stills().NumStillImages(), 0);
  PressAndWait(*engine);
  EXPECT_EQ(ReadFile(data / "Image1.bmp").size(), std::string("earlier still").size());
  EXPECT_EQ(ReadFile(data / "Image2.bmp").size(), std::string("another").size());
  ASSERT_TRUE(std::filesystem::exists(data / "Image3.bmp"));
  EXPECT_EQ(engine->Stills().NumStillImages(), 3);
  EXPECT_TRUE(PumpUntil([&] { return store->ReadDword("AviCap", "NumStillImages", -1) == 3; }));

  std::filesystem::create_symlink("nowhere", data / "Image4.bmp");
  PressAndWait(*engine);
  EXPECT_TRUE(std::filesystem::is_symlink(data / "Image4.bmp"));
  EXPECT_FALSE(std::filesystem::exists(data / "nowhere"));
  EXPECT_EQ(ReadFile(data / "Image5.bmp").size(), 54u + 640 * 480 * 3);
  EXPECT_TRUE(PumpUntil([&] { return store->ReadDword("AviCap", "NumStillImages", -1) == 5; }));
  // Nothing half-made is left beside them.
  auto stills = std::count_if(std::filesystem::directory_iterator(data), {}, [](const auto& e) {
    return e.path().filename().string().find("Image") != std::string::npos;
  });
  EXPECT_EQ(stills, 5);
}

// The main window names the album folder without its separator; a folder that went away
// (its album renamed or deleted) loses no number and says so.
TEST_F(StillTest, HardwareStillsLandInTheAlbumOrAreReportedLost) {
  auto engine = StartEngine();
  std::filesystem::create_directories(dir / "Gallery" / "Stills");
  engine->Stills().SetFolder((dir / "Gallery" / "Stills").string());
  PressAndWait(*engine);
  EXPECT_TRUE(std::filesystem::exists(dir / "Gallery" / "Stills" / "Image1.bmp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "Gallery" / "StillsImage1.bmp"));

  engine->Stills().SetFolder((dir / "Gallery" / "Gone").string());
  box->PressSnapshotButton();
  ASSERT_TRUE(PumpUntil([&] { return !host.messages.empty(); }));
  EXPECT_NE(host.messages.back().find("Cannot save the still"), std::string::npos)
      << host.messages.back();
  EXPECT_FALSE(engine->Stills().TakeNewStillMark());
  EXPECT_EQ(engine->Stills().NumStillImages(), 1);

  engine->Stills().SetFolder((dir / "Gallery" / "Stills/").string());
  PressAndWait(*engine);
  EXPECT_TRUE(std::filesystem::exists(dir / "Gallery" / "Stills" / "Image2.bmp"));
}

// The button is the device's own: a recording running does not swallow its press.
TEST_F(StillTest, HardwareStillDuringARecordingIsTakenAndTheRecordingGoesOn) {
  auto engine = StartEngine();
  ASSERT_TRUE(engine->BeginCapture()) << (host.messages.empty() ? "" : host.messages.back());
  PressAndWait(*engine);
  EXPECT_EQ(ReadFile(dir / "data" / "Image1.bmp").size(), 54u + 640 * 480 * 3);
  EXPECT_TRUE(engine->Lifecycle().IsCapturing());
  ASSERT_TRUE(engine->StopCapture());
  EXPECT_GT(std::filesystem::file_size(engine->File().Path()), 0u);
  EXPECT_TRUE(host.messages.empty()) << host.messages.front();
}

// While a film plays no still source runs: the press reaches the engine as a mark for the
// window to say so, and takes nothing; back on the live picture it takes a still again.
TEST_F(StillTest, HardwareStillWhileAFilmPlaysIsSaidAndNotLostSilently) {
  SilentPlayerHost playerHost;
  auto engine = MakeEngine();
  ASSERT_TRUE(engine->Init(&sink, &playerHost));
  Capture(*engine, 600ms);
  // Between the recording's end and the return to live (its save dialog open) the stopped
  // recording still holds the still source, which takes nothing.
  box->PressSnapshotButton();
  EXPECT_TRUE(engine->Stills().TakeUnheardStillMark())
      << "the press during the save went without a word";
  engine->ReturnToLive();
  const std::string clip = (dir / "clip.avi").string();
  std::filesystem::copy_file(engine->File().Path(), clip);
  ASSERT_TRUE(engine->PlayFile(clip));
  EXPECT_FALSE(engine->Stills().TakeUnheardStillMark());
  box->PressSnapshotButton();
  EXPECT_TRUE(engine->Stills().TakeUnheardStillMark()) << "the press went without a word";
  EXPECT_FALSE(engine->Stills().TakeUnheardStillMark()) << "said once for each press";
  PumpFor(200ms);
  EXPECT_FALSE(std::filesystem::exists(dir / "data" / "Image1.bmp"));
  engine->SetStillOnDisplay(true);  // as the window marks a clip in the video area
  engine->StopPlayer();
  engine->ReturnToLive();
  ASSERT_TRUE(engine->Lifecycle().IsPreviewing());
  PressAndWait(*engine);
  EXPECT_TRUE(std::filesystem::exists(dir / "data" / "Image1.bmp"));
  EXPECT_FALSE(engine->Stills().TakeUnheardStillMark());
}

TEST_F(StillTest, SnapshotTakesOnePictureIntoMemoryAndWritesNoFile) {
  SetDword("VideoStandard1", 1);
  auto engine = StartEngine();
  std::vector<uint8_t> picture;
  vd::BitmapInfoHeader header;
  ASSERT_TRUE(engine->TakeSnapshot(&picture, &header));
  EXPECT_EQ(header.size, 40u);
  EXPECT_EQ(header.width, 768);
  EXPECT_EQ(header.height, 576);
  EXPECT_EQ(header.planes, 1);
  EXPECT_EQ(header.bitCount, 24);
  EXPECT_EQ(header.compression, 0u);
  EXPECT_EQ(header.sizeImage, 768u * 576 * 3);
  EXPECT_EQ(picture.size(), 768u * 576 * 3);
  EXPECT_TRUE(std::any_of(picture.begin(), picture.end(), [](uint8_t b) { return b != 0; }));
  PumpFor(100ms);
  EXPECT_FALSE(engine->Stills().TakeNewStillMark());
  // The hardware path works again afterwards.
  PressAndWait(*engine);
  EXPECT_TRUE(std::filesystem::exists(dir / "data" / "Image1.bmp"));
}

TEST_F(StillTest, SnapshotWithoutSignalWarnsAndWritesNothing) {
  tuning.workMode = vd::WorkMode::kTv;
  auto engine = StartEngine();
  vd::VirtualBoxFaults faults;
  faults.signalLoss = true;
  box->SetFaults(faults);
  std::vector<uint8_t> picture;
  vd::BitmapInfoHeader header;
  EXPECT_FALSE(engine->TakeSnapshot(&picture, &header));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "Warning: You can not Capture while there is no Video signal");
  auto bitmaps = std::count_if(std::filesystem::directory_iterator(dir / "data"), {},
                               [](const auto& e) { return e.path().extension() == ".bmp"; });
  EXPECT_EQ(bitmaps, 0);
}

}  // namespace
}  // namespace vdtest
