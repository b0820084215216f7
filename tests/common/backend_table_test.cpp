// The back-end chooser every kind shares: which row a variable's value picks, and what a bad
// value leaves in the log.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <iterator>
#include <string>
#include <vector>

#include "vd/backend_table.h"
#include "vd/trace.h"

namespace {

using vd::LogLevel;

std::vector<std::string> said;
void Keep(const char* category, LogLevel level, const char* text) {
  if (level <= LogLevel::kWarning) said.push_back(std::string(category) + "|" + text);
}

bool Never() {
  return false;
}
bool Always() {
  return true;
}

// `make` tells the rows apart.
const vd::Backend<int> kRows[] = {
    {"card", "needs hardware this machine lacks", &Never, 1},
    {"server", "usable here", &Always, 2},
    {"stand-in", "anywhere", nullptr, 3},
};

TEST(BackendTableTest, ANameIsTakenWhenUsableAndAnythingElseFallsToTheFirstUsableRowSaidOnce) {
  setenv("VIEWDECK_LOG", "*=warning", 1);
  vd::SetLogSink(&Keep);
  auto pick = [](const char* choice) {
    vd::BackendRow rows[std::size(kRows)];
    for (size_t i = 0; i < std::size(kRows); ++i)
      rows[i] = {kRows[i].name, kRows[i].description, kRows[i].usable};
    return kRows[vd::ChooseBackendRow(rows, choice, "VD_KIND", "unit")].make;
  };
  // Unset, empty and "auto" are the same: table order, skipping what cannot work here.
  EXPECT_EQ(pick(nullptr), 2);
  EXPECT_EQ(pick(""), 2);
  EXPECT_EQ(pick("auto"), 2);
  EXPECT_EQ(pick("stand-in"), 3);
  EXPECT_EQ(pick("server"), 2);
  EXPECT_TRUE(said.empty()) << said.front();
  // Names are exact; an unknown one and a row unusable here are each said, with what runs.
  EXPECT_EQ(pick("Stand-in"), 2);
  EXPECT_EQ(pick("card"), 2);
  // With nothing usable but the last row (the one that works anywhere), that one runs.
  const vd::BackendRow onlyLast[] = {{"a", "", &Never}, {"b", "", &Never}};
  EXPECT_EQ(vd::ChooseBackendRow(onlyLast, nullptr, "VD_KIND", "unit"), 1u);
  // The template reads the variable itself.
  setenv("VD_KIND", "stand-in", 1);
  EXPECT_EQ(vd::ChooseBackend(kRows, "VD_KIND", "unit").make, 3);
  unsetenv("VD_KIND");
  EXPECT_EQ(vd::ChooseBackend(kRows, "VD_KIND", "unit").make, 2);
  vd::SetLogSink(nullptr);
  unsetenv("VIEWDECK_LOG");
  EXPECT_EQ(said, (std::vector<std::string>{
                      "unit|VD_KIND=Stand-in is none of auto, card, server, stand-in; using "
                      "server\n",
                      "unit|VD_KIND=card cannot work on this machine; using server\n"}));
}

}  // namespace
