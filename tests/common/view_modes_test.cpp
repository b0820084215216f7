#include "vd/view_modes.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>
#include <utility>

namespace {

using vd::ViewState;
using vd::WorkMode;

// The settings file holds these numbers; a user's file written by any earlier version must
// still read as the same mode.
TEST(WorkModeNumbers, StoredNumbersStayAndRoundTrip) {
  EXPECT_EQ(vd::StoredNumber(WorkMode::kSVideo), 0);
  EXPECT_EQ(vd::StoredNumber(WorkMode::kComposite), 1);
  EXPECT_EQ(vd::StoredNumber(WorkMode::kRadio), 2);
  EXPECT_EQ(vd::StoredNumber(WorkMode::kTv), 3);
  for (int stored = 0; stored < vd::kWorkModeCount; ++stored) {
    EXPECT_EQ(vd::StoredNumber(vd::WorkModeFromStored(stored)), stored);
  }
  for (int stored : {-1, 4, 7, 1 << 30}) {
    EXPECT_EQ(vd::WorkModeFromStored(stored), WorkMode::kTv) << stored;
  }
  EXPECT_TRUE(vd::IsExternalInput(WorkMode::kSVideo));
  EXPECT_TRUE(vd::IsExternalInput(WorkMode::kComposite));
  EXPECT_FALSE(vd::IsExternalInput(WorkMode::kRadio));
  EXPECT_FALSE(vd::IsExternalInput(WorkMode::kTv));
}

constexpr ViewState kAll[] = {ViewState::kStartUp,  ViewState::kLive,       ViewState::kCapturing,
                              ViewState::kClipOpen, ViewState::kStillShown, ViewState::kFinishing};

// Every change the main window makes, by the place that makes it. The table must allow each
// (else the window refuses it and stays where it was); it may allow nothing else.
TEST(ViewStateChanges, TheWindowsChangesAndNoOthers) {
  using V = ViewState;
  std::set<std::pair<V, V>> made = {
      {V::kStartUp, V::kStartUp},  // the start
      {V::kStartUp, V::kLive},     // the start's end
      // a recording begins from live (also before the start's end), ends, is saved
      {V::kStartUp, V::kCapturing},
      {V::kLive, V::kCapturing},
      {V::kCapturing, V::kFinishing},
      {V::kFinishing, V::kLive},
      {V::kFinishing, V::kClipOpen},  // the saved film opened at once
      {V::kCapturing, V::kLive},      // the recording aborted, or a new work mode
  };
  for (V from : kAll) {
    made.insert({from, V::kLive});  // a new work mode, from wherever
    if (from == V::kCapturing) continue;
    made.insert({from, V::kClipOpen});  // a file opened from the album, over any other
    made.insert({from, V::kStillShown});
  }
  for (V from : kAll) {
    for (V to : kAll) {
      EXPECT_EQ(vd::ViewStateChangeAllowed(from, to), made.count({from, to}) == 1)
          << vd::NameOf(from) << " -> " << vd::NameOf(to);
    }
  }
}

TEST(ViewStateChanges, GroupsAndNames) {
  std::set<std::string> names;
  for (ViewState s : kAll) {
    names.insert(vd::NameOf(s));
    // No state is at once live and a recording, or live and showing a file.
    EXPECT_LE(vd::IsLive(s) + vd::IsRecordingView(s) + vd::ShowsAlbumFile(s), 1) << vd::NameOf(s);
  }
  EXPECT_EQ(names.size(), std::size(kAll));
  EXPECT_EQ(names.count("?"), 0u);
  EXPECT_TRUE(vd::IsLive(ViewState::kStartUp));
  EXPECT_TRUE(vd::IsRecordingView(ViewState::kFinishing));
  EXPECT_TRUE(vd::ShowsAlbumFile(ViewState::kStillShown));
}

}  // namespace
