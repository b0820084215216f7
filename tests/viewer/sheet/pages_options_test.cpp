// The capture and file options pages: what they show of the engine's values and what OK
// hands back.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTest>

#include "capture_page.h"
#include "file_page.h"
#include "pages_fakes.h"

namespace vd::test {
namespace {

TEST(PagesCapture, RateOutsideRangeShowsMaximum) {
  for (double rate : {0.5, 0.0, 31.0}) {
    FakePagesEngine engine;
    engine.capture.framesPerSecond = rate;
    CCapturePage page(engine);
    EXPECT_EQ(page.FrameRate()->text(), "30") << rate;
  }
  FakePagesEngine engine;
  engine.capture.framesPerSecond = 12.5;
  CCapturePage page(engine);
  EXPECT_EQ(page.FrameRate()->text(), "12.5");
}

TEST(PagesCapture, LimitOutsideRangeShowsFive) {
  for (double limit : {0.0, 0.5, 100000.0}) {
    FakePagesEngine engine;
    engine.capture.timeLimit = limit;
    CCapturePage page(engine);
    EXPECT_EQ(page.TimeLimit()->text(), "5") << limit;
  }
  FakePagesEngine engine;
  engine.capture.timeLimit = 99999;
  CCapturePage page(engine);
  EXPECT_EQ(page.TimeLimit()->text(), "99999");
}

TEST(PagesCapture, MasterStreamWithoutItsStreamShowsNone) {
  struct Case {
    int32_t master;
    bool video, audio;
    int32_t shown;
  };
  for (Case c : {Case{0, false, true, -1}, Case{1, true, false, -1}, Case{0, true, false, 0},
                 Case{1, true, true, 1}, Case{-1, true, true, -1}}) {
    FakePagesEngine engine;
    engine.capture.masterStream = c.master;
    engine.caps.video = c.video;
    engine.caps.audio = c.audio;
    CCapturePage page(engine);
    EXPECT_EQ(page.MasterStream(), c.shown) << c.master << c.video << c.audio;
    // The recording keeps the pictures' clock whatever is chosen, and the page says so.
    const auto* note = page.findChild<QLabel*>("masterStreamNote");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->text().contains("fitted to the pictures' time"));
  }
}

TEST(PagesCapture, OkLowersRateAboveMaximumAndAppliesPage) {
  FakePagesEngine engine;
  engine.capture.captureAudio = false;
  CCapturePage page(engine);
  page.CaptureAudio()->setChecked(true);
  page.UseTimeLimit()->setChecked(true);
  page.TimeLimit()->setText("42");
  page.FrameRate()->setText("50");
  page.SetMasterStream(1);
  // The live picture's deinterlacing is a choice of its own, off unless stored.
  EXPECT_FALSE(page.DeinterlaceLive()->isChecked());
  page.DeinterlaceLive()->setChecked(true);
  // The picture keeps its shape unless the user says otherwise.
  EXPECT_TRUE(page.KeepPictureAspect()->isChecked());
  page.KeepPictureAspect()->setChecked(false);
  page.OnOk();
  ASSERT_EQ(engine.appliedCapture.size(), 1u);
  const CaptureOptions& applied = engine.appliedCapture[0];
  EXPECT_TRUE(applied.deinterlaceLive);
  EXPECT_FALSE(applied.keepPictureAspect);
  EXPECT_FALSE(applied.recording.deinterlace);
  EXPECT_DOUBLE_EQ(applied.framesPerSecond, 30);
  EXPECT_DOUBLE_EQ(applied.timeLimit, 42);
  EXPECT_TRUE(applied.captureAudio);
  EXPECT_TRUE(applied.useTimeLimit);
  EXPECT_EQ(applied.masterStream, 1);
}

TEST(PagesFile, ShowsSizeFolderAndFreeSpace) {
  FakePagesEngine engine;
  engine.file.sizeKb = 20480;
  engine.freeKb = 5 * 1024 * 1024 + 1000;
  CFilePage page(engine);
  EXPECT_EQ(page.SizeMb()->text(), "20");
  EXPECT_EQ(page.FreeSpace()->text(), "5120 MBytes");
  EXPECT_EQ(page.Folder()->text(), "/opt/viewdeck/Album/Default/");
  ASSERT_FALSE(engine.freeSpacePaths.empty());
  EXPECT_EQ(engine.freeSpacePaths.back(), "/opt/viewdeck/Album/Default/");
  EXPECT_EQ(page.Prefix()->text(), "Image");
}

TEST(PagesFile, SizeOutsideRangeShowsOne) {
  for (int32_t kb : {0, 1023, 1001 * 1024}) {
    FakePagesEngine engine;
    engine.file.sizeKb = kb;
    CFilePage page(engine);
    EXPECT_EQ(page.SizeMb()->text(), "1") << kb;
  }
}

TEST(PagesFile, OkWithinFreeSpacePlusCurrentFileApplies) {
  FakePagesEngine engine;
  engine.file.sizeKb = 10 * 1024;
  engine.freeKb = 100 * 1024;
  CFilePage page(engine);
  // 109 MB fits in 100 MB free plus the 10 MB the current file gives back.
  page.SizeMb()->setText("109");
  page.Allocate()->setChecked(true);
  page.OnOk();
  ASSERT_EQ(engine.appliedFile.size(), 1u);
  EXPECT_EQ(engine.appliedFile[0].sizeKb, 109 * 1024);
  EXPECT_TRUE(engine.appliedFile[0].allocate);
  EXPECT_TRUE(engine.messages.empty());
}

TEST(PagesFile, NotEnoughSpaceWarnsAndRereadsValues) {
  FakePagesEngine engine;
  engine.file.sizeKb = 10 * 1024;
  engine.freeKb = 100 * 1024;
  CFilePage page(engine);
  page.SizeMb()->setText("110");
  page.OnOk();
  EXPECT_TRUE(engine.appliedFile.empty());
  ASSERT_EQ(engine.messages.size(), 1u);
  EXPECT_EQ(engine.messages[0], "Not enough space , sorry!");
  EXPECT_EQ(page.SizeMb()->text(), "10");
}

// The prefix is compared once, when the sheet is applied: keystrokes that end in the same
// name (or a cancelled sheet) keep the numbering.
TEST(PagesFile, PrefixAppliesOnOkOnlyWhenItChanged) {
  FakePagesEngine engine;
  engine.stillCounter = 7;
  {
    CFilePage page(engine);
    EXPECT_EQ(page.Prefix()->maxLength(), 100);
    page.Prefix()->setFocus();
    QTest::keyClicks(page.Prefix(), "X");
    QTest::keyClick(page.Prefix(), Qt::Key_Backspace);
    EXPECT_EQ(engine.stillCounter, 7);
    page.OnOk();
    EXPECT_EQ(engine.stillCounter, 7);
    page.Prefix()->setText("ImageX");
    page.OnCancel();
  }
  EXPECT_EQ(engine.prefix, "Image");
  EXPECT_EQ(engine.stillCounter, 7);
  EXPECT_TRUE(engine.stillFolders.empty());

  CFilePage page(engine);
  engine.albumPath = "/media/stills/Holiday/";
  page.Prefix()->setText("ImageX");
  page.OnOk();
  EXPECT_EQ(engine.prefix, "ImageX");
  EXPECT_EQ(engine.stillCounter, 0);
  // The folder follows the album shown now, not the one of opening.
  ASSERT_EQ(engine.stillFolders.size(), 1u);
  EXPECT_EQ(engine.stillFolders[0], "/media/stills/Holiday/");
}

TEST(PagesFile, StillFolderJoinsInstallationFolderAndAlbum) {
  EXPECT_EQ(CFilePage::StillFolder("/opt/vd", "Album/A"), "/opt/vd/Album/A/");
  EXPECT_EQ(CFilePage::StillFolder("/opt/vd/", "Album/A/"), "/opt/vd/Album/A/");
  EXPECT_EQ(CFilePage::StillFolder("/opt/vd", "/abs/album/"), "/abs/album/");
}

// The fields take numbers as the user's language writes them: a German user types "12,5".
TEST(PagesCapture, AFractionalRateAndLimitAreReadInTheUsersLanguage) {
  const QLocale before;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  FakePagesEngine engine;
  engine.capture.framesPerSecond = 25;
  engine.capture.timeLimit = 10;
  {
    CCapturePage page(engine);
    EXPECT_EQ(page.FrameRate()->text(), "25");
    page.FrameRate()->selectAll();
    QTest::keyClicks(page.FrameRate(), "12,5");
    page.TimeLimit()->selectAll();
    QTest::keyClicks(page.TimeLimit(), "2,5");
    page.OnOk();
  }
  QLocale::setDefault(before);
  ASSERT_EQ(engine.appliedCapture.size(), 1u);
  EXPECT_DOUBLE_EQ(engine.appliedCapture[0].framesPerSecond, 12.5);
  EXPECT_DOUBLE_EQ(engine.appliedCapture[0].timeLimit, 2.5);
}

}  // namespace
}  // namespace vd::test
