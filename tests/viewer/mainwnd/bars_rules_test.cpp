// The bars' rules without a window: statistics fields, playback position, strip toggles and
// the docking stack, the status strip's texts and the command-to-dialog table.
#include <gtest/gtest.h>

#include <set>

#include "capture_stats_fields.h"
#include "pages_fakes.h"
#include "playback_position.h"
#include "vd/mainwnd/engine_dialog_table.h"
#include "vd/mainwnd/status_strip_texts.h"
#include "vd/mainwnd/tool_strip_set.h"
#include "vd/video/capture_statistics.h"

namespace {

using vd::CaptureStatsFields;
using vd::EngineDialog;
using vd::EngineDialogTable;
using vd::EnginePageFlags;
using vd::PlaybackPosition;
using vd::ToolStripSet;

// --- Capture statistics fields

TEST(CaptureStatsFields, LiveFiguresFillAllFiveFields) {
  CaptureStatsFields fields;
  // 250 frames of 153600 bytes in 10.049 s: 24.88 fps, 3.82 MB a second.
  fields.Show(vd::CaptureStatistics::TextOf(vd::CaptureStatistics::Live(250, 3, 10049, 153600)));
  EXPECT_EQ(fields.Text(CaptureStatsFields::kCaptured), "250");
  EXPECT_EQ(fields.Text(CaptureStatsFields::kSeconds), "10.0 Secs");
  EXPECT_EQ(fields.Text(CaptureStatsFields::kDropped), "3");
  EXPECT_EQ(fields.Text(CaptureStatsFields::kFps), "24.8 fps");
  EXPECT_EQ(fields.Text(CaptureStatsFields::kRate), "3.8 mb\\sec");
}

TEST(CaptureStatsFields, FinalFiguresShowFrameRateAndDataRate) {
  CaptureStatsFields fields;
  // 125 frames of 153600 bytes in 5 s: 25 fps, 3.84 MB a second.
  fields.Show(vd::CaptureStatistics::TextOf(vd::CaptureStatistics::Final(125, 0, 5000, 153600)));
  EXPECT_EQ(fields.Text(CaptureStatsFields::kFps), "25.0 fps");
  EXPECT_EQ(fields.Text(CaptureStatsFields::kRate), "3.8 mb\\sec");
  EXPECT_EQ(fields.Text(CaptureStatsFields::kSeconds), "5.0 Secs");
}

TEST(CaptureStatsFields, UnderAMillisecondGivesZeroRates) {
  CaptureStatsFields fields;
  fields.Show(vd::CaptureStatistics::TextOf(vd::CaptureStatistics::Final(1, 0, 0, 153600)));
  EXPECT_EQ(fields.Text(CaptureStatsFields::kFps), "0.0 fps");
  EXPECT_EQ(fields.Text(CaptureStatsFields::kRate), "0.0 mb\\sec");
}

TEST(CaptureStatsFields, ResetBlanksAllFive) {
  CaptureStatsFields fields;
  fields.Show(vd::CaptureStatistics::TextOf(vd::CaptureStatistics::Final(9, 1, 900, 10)));
  fields.Reset();
  for (int i = 0; i < CaptureStatsFields::kFieldCount; ++i) {
    EXPECT_EQ(fields.Text(static_cast<CaptureStatsFields::Field>(i)), "") << i;
  }
}

TEST(CaptureStatsFields, NarrowBarsWrapIntoRowsAndWideOnesUseOne) {
  // The start size: 320 pixels of video beside the view-state strip.
  EXPECT_EQ(CaptureStatsFields::FieldsPerRow(320), 3);
  EXPECT_EQ(CaptureStatsFields::RowsFor(320), 2);
  EXPECT_EQ(CaptureStatsFields::RowsFor(640), 1);
  EXPECT_EQ(CaptureStatsFields::RowsFor(20), CaptureStatsFields::kFieldCount)
      << "never fewer than one field a row";
  EXPECT_EQ(CaptureStatsFields::HeightFor(640),
            CaptureStatsFields::kRowHeight + 2 * CaptureStatsFields::kPadding);
  EXPECT_GT(CaptureStatsFields::HeightFor(320), CaptureStatsFields::HeightFor(640));
}

TEST(CaptureStatsFields, CellsTileTheBarWithoutOverlapOrGaps) {
  for (int width : {100, 320, 354, 450, 561, 640, 1920}) {
    std::set<std::pair<int, int>> seen;
    int rowEnd = 0;
    for (int i = 0; i < CaptureStatsFields::kFieldCount; ++i) {
      const auto cell =
          CaptureStatsFields::CellOf(static_cast<CaptureStatsFields::Field>(i), width);
      EXPECT_GE(cell.width, std::min(CaptureStatsFields::kMinCellWidth, width - 4)) << width;
      EXPECT_LE(cell.x + cell.width, width - CaptureStatsFields::kPadding) << width;
      EXPECT_LE(cell.y + cell.height, CaptureStatsFields::HeightFor(width)) << width;
      EXPECT_TRUE(seen.insert({cell.x, cell.y}).second) << "two fields in one cell at " << width;
      // Cells of one row follow each other exactly.
      if (i % CaptureStatsFields::FieldsPerRow(width) != 0) {
        EXPECT_EQ(cell.x, rowEnd) << width;
      }
      rowEnd = cell.x + cell.width;
    }
  }
}

// --- Playback position

TEST(PlaybackPosition, ParsesTheClockTextsAndRefusesOthers) {
  EXPECT_EQ(PlaybackPosition::ParseTime("00:00"), 0);
  EXPECT_EQ(PlaybackPosition::ParseTime("01:05"), 65);
  EXPECT_EQ(PlaybackPosition::ParseTime("100:00"), 6000);
  for (const char* bad : {"", "1:05", "01:5", "01:60", "aa:bb", "01-05", "-1:05", "01:05x", "01:0 ",
                          ":05", "99999999999:00"}) {
    EXPECT_FALSE(PlaybackPosition::ParseTime(bad).has_value()) << bad;
  }
}

TEST(PlaybackPosition, OpenShowsTheLengthAndZeroElapsed) {
  PlaybackPosition position;
  position.Open(65);
  EXPECT_EQ(position.LengthText(), "01:05");
  EXPECT_EQ(position.ElapsedText(), "00:00");
  EXPECT_EQ(position.SliderMaximum(), 65);
  EXPECT_TRUE(position.Seekable());
}

TEST(PlaybackPosition, ElapsedTextsMoveTheSliderWithinTheLength) {
  PlaybackPosition position;
  position.Open(10);
  position.ShowTimes("00:10", "00:07");
  EXPECT_EQ(position.Elapsed(), 7);
  position.ShowTimes("00:10", "00:12");
  EXPECT_EQ(position.Elapsed(), 10);
  position.ShowTimes("00:10", "garbage");
  EXPECT_EQ(position.Elapsed(), 10) << "an unreadable text keeps the slider";
  EXPECT_EQ(position.ElapsedText(), "garbage");
}

TEST(PlaybackPosition, SeeksAreClampedAndRefusedWithoutALength) {
  PlaybackPosition position;
  position.Open(30);
  EXPECT_EQ(position.SeekTarget(12), 12);
  EXPECT_EQ(position.SeekTarget(99), 30);
  EXPECT_EQ(position.SeekTarget(-3), 0);
  position.Open(-1);
  EXPECT_FALSE(position.Seekable());
  EXPECT_FALSE(position.SeekTarget(5).has_value());
  EXPECT_EQ(position.SliderMaximum(), 0);
  EXPECT_EQ(position.LengthText(), "00:00");
  position.Open(0);
  EXPECT_FALSE(position.Seekable()) << "nothing to move within an empty clip";
}

// --- Tool strips

TEST(ToolStripSet, EachToggleFlipsItsOwnStripOnly) {
  ToolStripSet set;
  for (int id : ToolStripSet::Strips()) EXPECT_FALSE(set.Visible(id)) << id;
  EXPECT_TRUE(set.Toggle(164));
  EXPECT_TRUE(set.Visible(164));
  EXPECT_FALSE(set.Visible(165));
  EXPECT_TRUE(set.Toggle(166));
  EXPECT_TRUE(set.Toggle(164));
  EXPECT_FALSE(set.Visible(164));
  EXPECT_TRUE(set.Visible(166));
  EXPECT_FALSE(set.Visible(ToolStripSet::kStatusLine));
}

TEST(ToolStripSet, StatusStripTakesTheStatusLineAlong) {
  ToolStripSet set;
  ASSERT_TRUE(set.Toggle(180));
  EXPECT_TRUE(set.Visible(180));
  EXPECT_TRUE(set.Visible(0xE800));
  // Even when the line was set apart, the next toggle brings both to the same state.
  set.SetVisible(0xE800, false);
  ASSERT_TRUE(set.Toggle(180));
  EXPECT_FALSE(set.Visible(180));
  EXPECT_FALSE(set.Visible(0xE800));
}

TEST(ToolStripSet, OtherCommandsAreNotToggles) {
  ToolStripSet set;
  for (int command : {0, 162, 163, 167, 168, 179, 181, 0xE800, 32808}) {
    EXPECT_FALSE(set.Toggle(command)) << command;
  }
  set.SetVisible(999, true);
  EXPECT_FALSE(set.Visible(999));
}

TEST(ToolStripSet, StackEndsAtTheBottomEdgeAndReturnsTheReserve) {
  std::vector<ToolStripSet::Slot> placed;
  const int reserve = ToolStripSet::Stack({{1, 20}, {164, 26}, {0xE800, 26}}, 300, &placed);
  EXPECT_EQ(reserve, 72);
  ASSERT_EQ(placed.size(), 3u);
  EXPECT_EQ(placed[0].y, 228);
  EXPECT_EQ(placed[1].y, 248);
  EXPECT_EQ(placed[2].y + placed[2].height, 300);
  EXPECT_EQ(ToolStripSet::Stack({}, 300, &placed), 0);
  EXPECT_TRUE(placed.empty());
  EXPECT_EQ(ToolStripSet::Stack({{2, -5}}, 300, nullptr), 0) << "a bar never adds space";
}

// --- Status strip texts

TEST(StatusStripTexts, TvShowsStationFrequencyAndSoundMode) {
  const auto texts = vd::StatusStripTexts::Of(
      vd::WorkMode::kTv, vd::PanelStation{"Kanal Nord", 189250000, 4}, vd::SoundModeState{1, 1, 0});
  EXPECT_EQ(texts.mode, "TV");
  EXPECT_EQ(texts.channel, "# 5 Kanal Nord");
  EXPECT_EQ(texts.frequency, "189.25 MHz");
  EXPECT_EQ(texts.sound, "SAP");
}

TEST(StatusStripTexts, RadioHasNoSoundModeAndExternalInputsNoStation) {
  const auto radio = vd::StatusStripTexts::Of(
      vd::WorkMode::kRadio, vd::PanelStation{"", 98100000, 0}, vd::SoundModeState{});
  EXPECT_EQ(radio.mode, "Radio");
  EXPECT_EQ(radio.channel, "# 1");
  EXPECT_EQ(radio.frequency, "98.10 MHz");
  EXPECT_EQ(radio.sound, "");
  const auto svideo = vd::StatusStripTexts::Of(vd::WorkMode::kSVideo, vd::PanelStation{"x", 1, 0},
                                               vd::SoundModeState{0, 0, 1});
  EXPECT_EQ(svideo, (vd::StatusStripTexts{"S-Video", "", "", ""}));
  EXPECT_EQ(vd::StatusStripTexts::Of(vd::WorkMode::kComposite, std::nullopt, {}).mode, "Composite");
  const auto empty =
      vd::StatusStripTexts::Of(vd::WorkMode::kTv, std::nullopt, vd::SoundModeState{0, 0, 1});
  EXPECT_EQ(empty.channel, "");
  EXPECT_EQ(empty.sound, "PAL-I");
}

// --- Engine dialogs

TEST(EngineDialogTable, CommandsThirtyNineToFortyEightEachOpenOneDialog) {
  std::set<EngineDialog> dialogs;
  for (int command = EngineDialogTable::kFirstCommand; command <= 48; ++command) {
    const auto* entry = EngineDialogTable::Find(command);
    ASSERT_NE(entry, nullptr) << command;
    EXPECT_TRUE(dialogs.insert(entry->dialog).second) << "two commands for one dialog";
  }
  EXPECT_EQ(EngineDialogTable::Find(39)->dialog, EngineDialog::kVideoFormat);
  EXPECT_EQ(EngineDialogTable::Find(40)->dialog, EngineDialog::kPreviewFormat);
  EXPECT_EQ(EngineDialogTable::Find(41)->dialog, EngineDialog::kVideoSource);
  EXPECT_EQ(EngineDialogTable::Find(47)->dialog, EngineDialog::kDriverFormat);
  EXPECT_EQ(EngineDialogTable::Find(49), nullptr);
  EXPECT_EQ(EngineDialogTable::Find(50), nullptr);
  EXPECT_EQ(EngineDialogTable::Find(38), nullptr);
  EXPECT_TRUE(EngineDialogTable::IsCommand(50));
  EXPECT_FALSE(EngineDialogTable::IsCommand(51)) << "51 selects a device";
}

TEST(EngineDialogTable, EachDialogNeedsItsOwnPage) {
  EnginePageFlags all{true, true, true, true, true, true, true};
  for (int command = 39; command <= 50; ++command) {
    EXPECT_EQ(EngineDialogTable::Available(command, all), command <= 48) << command;
    EXPECT_FALSE(EngineDialogTable::Available(command, EnginePageFlags{})) << command;
  }
  EnginePageFlags formatOnly;
  formatOnly.videoFormat = true;
  EXPECT_TRUE(EngineDialogTable::Available(39, formatOnly));
  EXPECT_TRUE(EngineDialogTable::Available(47, formatOnly));
  EXPECT_FALSE(EngineDialogTable::Available(40, formatOnly));
  EXPECT_FALSE(EngineDialogTable::Available(41, formatOnly));
  EnginePageFlags previewOnly;
  previewOnly.previewFormat = true;
  EXPECT_TRUE(EngineDialogTable::Available(40, previewOnly));
  EXPECT_TRUE(EngineDialogTable::Available(48, previewOnly));
  EXPECT_FALSE(EngineDialogTable::Available(39, previewOnly));
}

TEST(EngineDialogTable, FlagsFollowWhatTheDeviceOffers) {
  vd::test::FakePagesEngine engine;
  engine.separateAudio = false;
  engine.captureFormats = {};
  engine.workMode = vd::WorkMode::kTv;
  EnginePageFlags flags = EngineDialogTable::FlagsOf(engine);
  EXPECT_FALSE(flags.videoFormat) << "no formats, no format page";
  EXPECT_FALSE(flags.videoSource) << "TV without crossbar inputs has nothing to choose";
  EXPECT_FALSE(flags.tuner);
  EXPECT_FALSE(flags.audioPin);

  engine.captureFormats = {vd::VideoFormat{}};
  engine.inputs = {"Tuner", "Composite"};
  engine.caps.tuner = true;
  engine.caps.crossbar = true;
  engine.separateAudio = true;
  engine.audioFormats = {vd::AudioFormat{2, 16000, 16}};
  flags = EngineDialogTable::FlagsOf(engine);
  EXPECT_TRUE(flags.videoFormat);
  EXPECT_TRUE(flags.videoSource);
  EXPECT_TRUE(flags.tuner);
  EXPECT_TRUE(flags.tvAudio);
  EXPECT_TRUE(flags.crossbar);
  EXPECT_TRUE(flags.audioPin);

  engine.caps.video = false;
  flags = EngineDialogTable::FlagsOf(engine);
  EXPECT_FALSE(flags.videoFormat || flags.videoSource || flags.tuner || flags.audioPin)
      << "no video device, no pages";
}

}  // namespace
