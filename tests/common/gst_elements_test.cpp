// The element table: what the compile-time checks accept, and which program is told of which
// missing element.
#include "vd/gst_elements.h"

#include <gtest/gtest.h>

#include <set>

namespace {

static_assert(vd::ListsEveryElement("appsrc name=a is-live=true ! videoconvert ! videoscale"));
static_assert(vd::ListsEveryElement("capsfilter caps=\"video/x-raw, format=(string)YUY2\""));
static_assert(vd::ListsEveryElement("alsasrc device=hw:1 ! audioconvert"));
static_assert(!vd::ListsEveryElement("appsrc ! vp8dec"));          // not in the table
static_assert(!vd::ListsEveryElement("capsfilter caps=\"a\" !"));  // an empty link
static_assert(!vd::ListsEveryElement(""));
static_assert(!vd::IsListedElement("textoverla"));

TEST(GstElements, EachProgramHearsOfWhatItCreatesWithItsPackage) {
  const auto without = [](std::set<std::string_view> gone) {
    return [gone](std::string_view factory) { return gone.count(factory) == 0; };
  };
  EXPECT_TRUE(vd::MissingElements(vd::kAllElements, without({})).empty());

  const auto viewer = vd::MissingElements(vd::kAllElements, without({"textoverlay", "avidemux"}));
  EXPECT_EQ(viewer, (std::vector<std::string>{
                        "GStreamer element textoverlay is missing: install gstreamer1.0-x",
                        "GStreamer element avidemux is missing: install gstreamer1.0-plugins-good",
                    }));
  // vdtool plays no clips: a missing player element does not stop it.
  EXPECT_TRUE(vd::MissingElements(vd::kLiveElements, without({"avidemux", "playbin"})).empty());
  EXPECT_EQ(vd::MissingElements(vd::kLiveElements, without({"alsasrc"})).size(), 1u);

  // Every listed factory is named once, and the registry answers for a real and a made-up one.
  std::set<std::string_view> names;
  for (const auto& e : vd::kGstElements) EXPECT_TRUE(names.insert(e.factory).second) << e.factory;
  EXPECT_TRUE(vd::ElementInstalled("fakesink"));  // GStreamer's core: always there
  EXPECT_FALSE(vd::ElementInstalled("no-such-element"));
}

}  // namespace
