#include "vd/mixer/mixer_names.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace names = vd::mixer_names;
using vd::MixerComponent;

TEST(MixerNames, ShortNamesCompareUpperCasedAndWhole) {
  EXPECT_TRUE(names::NameIsOneOf("Line In", names::kLineNames));
  EXPECT_TRUE(names::NameIsOneOf("linein", names::kLineNames));
  EXPECT_TRUE(names::NameIsOneOf("Wave Output", names::kWaveNames));
  EXPECT_TRUE(names::NameIsOneOf("Auxilliary", names::kAuxNames));
  EXPECT_TRUE(names::NameIsOneOf("auxiliary", names::kAuxNames));
  // Neither prefixes nor near spellings count.
  EXPECT_FALSE(names::NameIsOneOf("Line In 2", names::kLineNames));
  EXPECT_FALSE(names::NameIsOneOf("Line-In", names::kLineNames));
  EXPECT_FALSE(names::NameIsOneOf("Aux", names::kAuxNames));
  EXPECT_FALSE(names::NameIsOneOf("", names::kWaveNames));
}

// A Turkish user's process locale upper-cases "i" to a dotted capital I: the element names
// the kernel gives still match (a locale built with localedef into a private folder).
TEST(MixerNames, NamesMatchInATurkishLocale) {
  std::string dir = (std::filesystem::temp_directory_path() / "vd-tr-XXXXXX").string();
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  const std::string command =
      "localedef -c -i tr_TR -f ISO-8859-9 " + dir + "/tr.iso88599 >/dev/null 2>&1";
  const int built = std::system(command.c_str());
  ::setenv("LOCPATH", dir.c_str(), 1);
  const bool turkish =
      built != -1 && std::setlocale(LC_CTYPE, "tr.iso88599") != nullptr && std::toupper('i') != 'I';
  const bool line = names::NameIsOneOf("Line", names::kLineNames);
  const auto source =
      names::FindAlsaElement(MixerComponent::kWaveIn, std::vector<std::string>{"Input Source"});
  std::setlocale(LC_CTYPE, "C");
  ::unsetenv("LOCPATH");
  std::filesystem::remove_all(dir);
  if (!turkish) GTEST_SKIP() << "no Turkish locale could be built here";
  EXPECT_TRUE(line);
  EXPECT_EQ(source, 0u);
}

TEST(MixerNames, FindByNameTakesTheFirstMatch) {
  const std::vector<std::string> sources = {"CD Audio", "line in", "Line", "Wave"};
  EXPECT_EQ(names::FindByName(sources, names::kLineNames), 1u);
  EXPECT_EQ(names::FindByName(sources, names::kWaveNames), 3u);
  EXPECT_EQ(names::FindByName(sources, names::kAuxNames), std::nullopt);
  EXPECT_EQ(names::FindByName({}, names::kLineNames), std::nullopt);
}

TEST(MixerNames, RecordingNamesCoverLineAndBothAuxSpellings) {
  const std::vector<std::string> items = {"Microphone", "AUXILLIARY", "Line In"};
  // Item order decides, not the order of the name list.
  EXPECT_EQ(names::FindByName(items, names::kRecordingNames), 1u);
  EXPECT_EQ(names::FindByName(std::vector<std::string>{"Mic", "Auxiliary"}, names::kRecordingNames),
            1u);
}

TEST(MixerNames, DestinationStartingWithVolWinsElseTheFirst) {
  EXPECT_EQ(names::PickDestination(std::vector<std::string>{"Recording Control", "Volume Control"}),
            1u);
  EXPECT_EQ(names::PickDestination(std::vector<std::string>{"Rec", "volume", "Vol 2"}), 1u);
  EXPECT_EQ(names::PickDestination(std::vector<std::string>{"Master", "Capture"}), 0u);
  EXPECT_EQ(names::PickDestination(std::vector<std::string>{"Vo", "Speakers"}), 0u);
  EXPECT_EQ(names::PickDestination({}), 0u);
}

TEST(MixerNames, AlsaElementsStandForComponentTypes) {
  const std::vector<std::string> elements = {"Master", "Headphone", "pcm",     "Line Boost",
                                             "Line",   "Aux",       "Capture", "Input Source"};
  EXPECT_EQ(names::FindAlsaElement(MixerComponent::kSpeakers, elements), 0u);
  EXPECT_EQ(names::FindAlsaElement(MixerComponent::kWaveOut, elements), 2u);
  EXPECT_EQ(names::FindAlsaElement(MixerComponent::kLine, elements), 4u);
  EXPECT_EQ(names::FindAlsaElement(MixerComponent::kAuxiliary, elements), 5u);
  EXPECT_EQ(names::FindAlsaElement(MixerComponent::kWaveIn, elements), 7u);
  EXPECT_EQ(names::FindAlsaElement(MixerComponent::kOther, elements), std::nullopt);
  EXPECT_EQ(names::FindAlsaElement(MixerComponent::kWaveIn,
                                   std::vector<std::string>{"Capture", "Capture Source"}),
            1u);
}

TEST(MixerNames, EverySearchableComponentHasItsShortNames) {
  EXPECT_EQ(names::ShortNames(MixerComponent::kWaveOut).size(), 4u);
  EXPECT_EQ(names::ShortNames(MixerComponent::kLine).size(), 3u);
  EXPECT_EQ(names::ShortNames(MixerComponent::kAuxiliary).size(), 2u);
  EXPECT_TRUE(names::ShortNames(MixerComponent::kSpeakers).empty());
  EXPECT_TRUE(names::ShortNames(MixerComponent::kOther).empty());
}

}  // namespace
