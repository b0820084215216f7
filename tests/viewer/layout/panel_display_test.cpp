#include "vd/layout/panel_display.h"

#include <gtest/gtest.h>

namespace {

using vd::PanelDisplay;
using vd::PanelStation;
using vd::PanelTexts;
using vd::SoundModeState;

constexpr int kTv = 0;
constexpr int kRadio = 1;
constexpr int kComposite = 2;

TEST(PanelDisplayRadio, PadsShortFrequenciesToFiveCharacters) {
  EXPECT_EQ(PanelDisplay::RadioFrequencyText(98100000), " 98.1");
  EXPECT_EQ(PanelDisplay::RadioFrequencyText(101700000), "101.7");
  EXPECT_EQ(PanelDisplay::RadioFrequencyText(87500000), " 87.5");
  EXPECT_EQ(PanelDisplay::RadioFrequencyText(108000000), "108.0");
  // The divisor sits a hair above a million: an exact .x5 rounds down.
  EXPECT_EQ(PanelDisplay::RadioFrequencyText(98150000), " 98.1");
}

TEST(PanelDisplayRadio, ShowsFrequencyPresetAndName) {
  PanelDisplay display;
  auto texts = display.Refresh(0, kRadio, PanelStation{"Klassik", 98100000, 2}, {});
  ASSERT_TRUE(texts);
  EXPECT_EQ(*texts, (PanelTexts{" 98.1  # 3", "Radio Klassik"}));
  texts = display.Refresh(0, kRadio, PanelStation{"Jazz", 101700000, 9}, {});
  EXPECT_EQ(*texts, (PanelTexts{"101.7  # 10", "Radio Jazz"}));
}

TEST(PanelDisplayTv, ShowsNameAndPositionForEveryVideoInput) {
  PanelDisplay display;
  PanelStation station{"Channel Nine", 471250000, 8};
  EXPECT_EQ(*display.Refresh(0, kTv, station, {}), (PanelTexts{"# 9", "TV Channel Nine"}));
  EXPECT_EQ(*display.Refresh(0, kComposite, station, {}), (PanelTexts{"# 9", "TV Channel Nine"}));
}

TEST(PanelDisplayTv, EmptyListRemembersTheChannelNumber) {
  PanelDisplay display;
  EXPECT_EQ(*display.Refresh(-1, kTv, std::nullopt, {}), (PanelTexts{"", "Channel"}));
  EXPECT_EQ(*display.Refresh(21, kTv, std::nullopt, {}), (PanelTexts{"21", "Channel"}));
  EXPECT_EQ(*display.Refresh(-1, kTv, std::nullopt, {}), (PanelTexts{"21", "Channel"}));
  EXPECT_EQ(*display.Refresh(0, kTv, std::nullopt, {}), (PanelTexts{"0", "Channel"}));
  EXPECT_EQ(*display.Refresh(-2, kTv, std::nullopt, {}), (PanelTexts{"", "Channel"}));
  EXPECT_EQ(*display.Refresh(-1, kTv, std::nullopt, {}), (PanelTexts{"", "Channel"}));
  EXPECT_FALSE(display.rememberedChannel());
}

TEST(PanelDisplayTv, EmptyRadioListShowsRadio) {
  PanelDisplay display;
  EXPECT_EQ(*display.Refresh(12, kRadio, std::nullopt, {}), (PanelTexts{"", "Radio"}));
  // The radio input does not touch the TV's remembered number.
  EXPECT_FALSE(display.rememberedChannel());
}

TEST(PanelDisplay, RedrawOnlyChangesNothing) {
  PanelDisplay display;
  display.Refresh(33, kTv, std::nullopt, {});
  EXPECT_FALSE(display.Refresh(PanelDisplay::kRedrawOnly, kTv, std::nullopt, {}));
  EXPECT_EQ(display.rememberedChannel(), 33);
}

TEST(PanelDisplaySound, NamesMtsAndPalModes) {
  PanelDisplay display;
  auto caption = [&](SoundModeState s) {
    return display.Refresh(PanelDisplay::kShowSoundMode, kTv, std::nullopt, s)->caption;
  };
  EXPECT_EQ(caption({1, 0, 1}), "STEREO");
  EXPECT_EQ(caption({1, 1, 1}), "SAP");
  EXPECT_EQ(caption({1, 2, 1}), "MONO");
  // Not yet determined counts as MTS.
  EXPECT_EQ(caption({-1, 1, 0}), "SAP");
  EXPECT_EQ(caption({0, 2, 0}), "PAL-DK");
  EXPECT_EQ(caption({0, 0, 1}), "PAL-I");
  // The sound mode does not disturb the remembered channel.
  EXPECT_FALSE(display.rememberedChannel());
}

}  // namespace
