#include "frequency_plans.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using vd::FrequencyPlans;

constexpr uint32_t Mhz(double mhz) {
  return static_cast<uint32_t>(mhz * 1'000'000.0 + 0.5);
}

// Worked out by hand from the plan lists: slots, channels with a frequency, and the lowest
// and highest channels that have one.
struct PlanFacts {
  char letter;
  uint32_t first;
  uint32_t last;
  uint32_t slots;
  uint32_t nonZero;
  uint32_t firstLive;
  double firstMhz;
  uint32_t lastLive;
  double lastMhz;
};

constexpr PlanFacts kFacts[] = {
    {'A', 1, 116, 116, 116, 1, 72.0, 116, 744.0},   {'B', 1, 116, 116, 116, 1, 73.25, 116, 745.25},
    {'C', 1, 125, 125, 125, 1, 73.25, 125, 799.25}, {'D', 1, 69, 69, 69, 1, 73.25, 69, 801.25},
    {'E', 1, 72, 72, 72, 1, 91.25, 72, 278.25},     {'F', 1, 62, 62, 62, 1, 91.25, 62, 765.25},
    {'G', 2, 148, 148, 147, 2, 48.25, 148, 821.75}, {'H', 1, 97, 97, 89, 1, 44.25, 97, 176.0},
    {'I', 1, 58, 58, 58, 1, 45.25, 58, 48.25},      {'J', 1, 73, 73, 64, 1, 45.25, 73, 48.25},
    {'K', 1, 62, 62, 62, 1, 48.25, 62, 201.25},     {'L', 1, 74, 74, 64, 1, 53.75, 74, 203.25},
    {'M', 1, 67, 67, 67, 1, 48.25, 67, 223.25},     {'N', 1, 75, 75, 71, 1, 57.25, 75, 519.25},
    {'O', 1, 107, 107, 107, 1, 45.75, 107, 493.25}, {'P', 1, 140, 140, 140, 1, 69.25, 140, 295.25},
    {'Q', 1, 89, 89, 82, 1, 45.75, 89, 214.75},     {'R', 1, 88, 88, 82, 1, 45.0, 88, 224.25},
    {'S', 1, 115, 115, 115, 1, 48.25, 115, 855.25}, {'T', 1, 108, 108, 100, 1, 49.75, 108, 463.25},
    {'U', 1, 144, 144, 136, 3, 48.25, 144, 183.25}, {'V', 1, 105, 105, 98, 1, 47.75, 105, 215.25},
    {'W', 1, 116, 116, 116, 1, 50.75, 116, 224.25}, {'X', 1, 76, 76, 76, 1, 49.75, 76, 224.25},
    {'Y', 1, 79, 79, 79, 1, 48.25, 79, 463.25},     {'Z', 1, 69, 69, 67, 1, 48.25, 69, 855.25},
};

class PlanShape : public ::testing::TestWithParam<PlanFacts> {};

TEST_P(PlanShape, MatchesThePlanList) {
  const PlanFacts& f = GetParam();
  const ChannelBand& band = FrequencyPlans::Plan(f.letter);
  EXPECT_EQ(band.first, f.first);
  EXPECT_EQ(band.last, f.last);
  ASSERT_EQ(FrequencyPlans::SlotCount(f.letter), f.slots);

  uint32_t nonZero = 0;
  uint32_t lowest = 0;
  uint32_t highest = 0;
  for (uint32_t n = band.first; n <= band.last; ++n) {
    if (band.FrequencyOf(n) == 0) continue;
    ++nonZero;
    if (lowest == 0) lowest = n;
    highest = n;
  }
  EXPECT_EQ(nonZero, f.nonZero);
  EXPECT_EQ(lowest, f.firstLive);
  EXPECT_EQ(highest, f.lastLive);
  EXPECT_EQ(band.FrequencyOf(f.firstLive), Mhz(f.firstMhz));
  EXPECT_EQ(band.FrequencyOf(f.lastLive), Mhz(f.lastMhz));
  // Nothing answers outside the band's channel range.
  EXPECT_EQ(band.FrequencyOf(band.first - 1), 0u);
  EXPECT_EQ(band.FrequencyOf(band.last + 1), 0u);
  EXPECT_EQ(FrequencyPlans::LetterOf(band), f.letter);
}

INSTANTIATE_TEST_SUITE_P(AllPlans, PlanShape, ::testing::ValuesIn(kFacts),
                         [](const auto& info) { return std::string(1, info.param.letter); });

struct Spot {
  char letter;
  uint32_t channel;
  double mhz;  // 0 for a channel without a frequency
};

// Values read off the plan lists, favouring the ends of steps and the odd quarter steps.
constexpr Spot kSpots[] = {
    {'A', 4, 66.0},
    {'A', 95, 90.0},
    {'B', 5, 79.25},
    {'C', 5, 77.25},
    {'C', 94, 643.25},
    {'D', 14, 471.25},
    {'E', 22, 165.25},
    {'E', 63, 463.25},
    {'E', 68, 256.25},
    {'F', 12, 217.25},
    {'G', 1, 0},
    {'G', 59, 45.75},
    {'G', 62, 323.5},
    {'G', 71, 400.75},
    {'G', 83, 506.75},
    {'G', 129, 855.25},
    {'G', 142, 747.25},
    {'H', 1, 44.25},
    {'H', 13, 0},
    {'H', 20, 0},
    {'H', 21, 471.25},
    {'H', 77, 168.0},
    {'H', 95, 60.5},
    {'I', 55, 463.25},
    {'J', 12, 0},
    {'J', 11, 224.25},
    {'K', 60, 183.75},
    {'L', 6, 192.25},
    {'L', 11, 0},
    {'M', 64, 138.25},
    {'N', 16, 0},
    {'N', 15, 444.25},
    {'N', 69, 814.25},
    {'O', 6, 65.75},
    {'O', 56, 464.25},
    {'O', 106, 863.25},
    {'P', 93, 855.25},
    {'P', 110, 207.25},
    {'P', 128, 175.0},
    {'Q', 73, 55.25},
    {'Q', 78, 184.75},
    {'Q', 14, 0},
    {'R', 5, 66.75},
    {'R', 15, 0},
    {'R', 81, 215.25},
    {'S', 66, 223.25},
    {'T', 78, 167.25},
    {'U', 1, 0},
    {'U', 2, 0},
    {'U', 58, 0},
    {'U', 79, 0},
    {'U', 75, 296.75},
    {'V', 7, 63.75},
    {'V', 89, 210.75},
    {'V', 92, 217.75},
    {'V', 99, 296.75},
    {'W', 57, 864.25},
    {'W', 106, 855.25},
    {'X', 60, 61.75},
    {'X', 65, 599.25},
    {'Y', 29, 189.25},
    {'Y', 49, 263.25},
    {'Y', 77, 447.25},
    {'Z', 6, 76.5},
    {'Z', 8, 83.5},
    {'Z', 19, 0},
    {'Z', 18, 224.25},
    // Single-channel items, which no step would reveal if mistyped.
    {'G', 84, 511.25},
    {'G', 130, 481.75},
    {'H', 93, 47.75},
    {'K', 58, 53.75},
    {'M', 58, 46.25},
    {'P', 102, 143.25},
    {'Q', 88, 199.75},
    {'S', 61, 111.25},
    {'T', 2, 59.25},
    {'U', 135, 184.0},
    {'V', 77, 175.75},
    {'W', 16, 494.25},
    {'X', 16, 493.25},
    {'R', 70, 175.25},
    {'N', 13, 46.25},
    {'E', 23, 223.25},
};

TEST(FrequencyPlans, SpotValuesMatchThePlanLists) {
  for (const Spot& s : kSpots) {
    EXPECT_EQ(FrequencyPlans::Plan(s.letter).FrequencyOf(s.channel), Mhz(s.mhz))
        << "plan " << s.letter << " channel " << s.channel;
  }
}

TEST(FrequencyPlans, PlanGCarriesAnEmptySlotAfterItsLastChannel) {
  const ChannelBand& g = FrequencyPlans::Plan('G');
  EXPECT_EQ(g.FrequencyOf(148), 769'250'000u + 5 * 10'500'000u);
  EXPECT_EQ(g.table[148 - 2 + 1], 0u);
  EXPECT_EQ(g.FrequencyOf(149), 0u);
}

TEST(FrequencyPlans, ChannelOfFindsTheFirstEntryOnly) {
  // Plan U lists 183.25 MHz at channel 134 and again at 144; plan V at 80 and at 101.
  EXPECT_EQ(FrequencyPlans::Plan('U').ChannelOf(Mhz(183.25)), 134u);
  EXPECT_EQ(FrequencyPlans::Plan('V').ChannelOf(Mhz(183.25)), 80u);
  // Plan P's 175.25 MHz (104) and 175 MHz (128) are different carriers.
  EXPECT_EQ(FrequencyPlans::Plan('P').ChannelOf(Mhz(175.25)), 104u);
  EXPECT_EQ(FrequencyPlans::Plan('P').ChannelOf(Mhz(175.0)), 128u);
}

TEST(FrequencyPlans, ChannelOfNeedsAnExactMatch) {
  const ChannelBand& g = FrequencyPlans::Plan('G');
  EXPECT_EQ(g.ChannelOf(Mhz(821.75)), 148u);
  EXPECT_EQ(g.ChannelOf(Mhz(48.25)), 2u);
  EXPECT_EQ(g.ChannelOf(Mhz(48.25) + 1), std::nullopt);
  EXPECT_EQ(g.ChannelOf(Mhz(100.0)), std::nullopt);
  // A missing channel's 0 is no frequency, even though plan H has eight of them.
  EXPECT_EQ(FrequencyPlans::Plan('H').ChannelOf(0), std::nullopt);
}

TEST(FrequencyPlans, RoundTripEveryLiveChannel) {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const ChannelBand& band = FrequencyPlans::Plan(letter);
    for (uint32_t n = band.first; n <= band.last; ++n) {
      const uint32_t hz = band.FrequencyOf(n);
      if (hz == 0) continue;
      const auto back = band.ChannelOf(hz);
      ASSERT_TRUE(back.has_value()) << letter << n;
      // A repeated carrier maps to its first channel, never to a later one.
      EXPECT_LE(*back, n) << letter << n;
      EXPECT_EQ(band.FrequencyOf(*back), hz) << letter << n;
    }
  }
}

TEST(FrequencyPlans, EmptyBandAnswersNothing) {
  const ChannelBand empty;
  EXPECT_EQ(empty.FrequencyOf(0), 0u);
  EXPECT_EQ(empty.FrequencyOf(1), 0u);
  EXPECT_EQ(empty.ChannelOf(Mhz(55.25)), std::nullopt);
  EXPECT_EQ(FrequencyPlans::LetterOf(empty), std::nullopt);
}

TEST(FrequencyPlans, RejectsUnknownLetters) {
  EXPECT_THROW(FrequencyPlans::Plan('a'), std::out_of_range);
  EXPECT_THROW(FrequencyPlans::SlotCount('['), std::out_of_range);
}

}  // namespace
