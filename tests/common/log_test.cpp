// The log's levels: which lines a rule list lets through, and where they go.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "vd/trace.h"

namespace {

using vd::LogLevel;

TEST(LogTest, RulesChooseALevelPerCategoryAndTheLastNamingEntryWins) {
  EXPECT_EQ(vd::LogThresholdFrom("", "video", LogLevel::kWarning), LogLevel::kWarning);
  EXPECT_EQ(vd::LogThresholdFrom("device=debug", "video", LogLevel::kWarning), LogLevel::kWarning);
  EXPECT_EQ(vd::LogThresholdFrom("device=debug", "device", LogLevel::kWarning), LogLevel::kDebug);
  EXPECT_EQ(vd::LogThresholdFrom("*=info,device=off", "device", LogLevel::kWarning),
            LogLevel::kOff);
  EXPECT_EQ(vd::LogThresholdFrom("device=off;*=error", "device", LogLevel::kWarning),
            LogLevel::kError);
  // A category is named whole: "dev" is not "device".
  EXPECT_EQ(vd::LogThresholdFrom("dev=debug", "device", LogLevel::kWarning), LogLevel::kWarning);
  // Entries that cannot be read change nothing.
  EXPECT_EQ(
      vd::LogThresholdFrom("device,device=loud,=debug,,device=info", "device", LogLevel::kWarning),
      LogLevel::kInfo);
}

std::vector<std::string> written;
void Keep(const char* category, LogLevel, const char* text) {
  written.push_back(std::string(category) + "|" + text);
}

VD_DEFINE_TRACE(UnitTrace, "unit")

TEST(LogTest, LinesBelowTheLevelAreNotWrittenAndTheRestReachTheSinkWithTheirLineEnd) {
  setenv("VIEWDECK_LOG", "unit=info", 1);
  unsetenv("VIEWDECK_TRACE");
  vd::SetLogSink(&Keep);
  vd::LogWrite("unit", LogLevel::kWarning, "disk at %d %%", 90);
  vd::LogWrite("unit", LogLevel::kDebug, "not this");
  vd::LogWrite("other", LogLevel::kInfo, "nor this: warnings only without a rule");
  vd::LogWrite("other", LogLevel::kError, "but this\n");
  // A trace keeps its text as written, line end or not (some write a line in pieces);
  // its level was looked up when it first ran, with the rule above: info, not debug.
  UnitTrace("piece");
  vd::SetLogSink(nullptr);
  unsetenv("VIEWDECK_LOG");
  EXPECT_EQ(written, (std::vector<std::string>{"unit|disk at 90 %\n", "other|but this\n"}));
  EXPECT_FALSE(vd::TraceEnabled("unit"));
  setenv("VIEWDECK_TRACE", "1", 1);
  EXPECT_TRUE(vd::TraceEnabled("unit"));
  unsetenv("VIEWDECK_TRACE");
}

}  // namespace
