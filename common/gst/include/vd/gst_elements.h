// Every GStreamer element factory viewdeck creates, with the Debian package that ships it.
// GStreamer finds its plug-ins at run time, so a package left out of an install shows up only
// as a pipeline that never builds (a black picture, a silent recorder). Code creates elements
// through MakeElement and writes gst-launch fragments that ListsEveryElement accepts, so an
// element not in this table is a compile error; `vdtool elements` and the programs' start-up
// check then find a missing plug-in before any pipeline is built.
#pragma once

#include <gst/gst.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vd {

// Which programs need an element: the live parts (device layer, capture, stills, bulk) are
// used by the viewer and vdtool; only the viewer plays recorded clips.
enum ElementUse : unsigned {
  kLiveElements = 1,
  kPlaybackElements = 2,
  kAllElements = kLiveElements | kPlaybackElements,
};

struct GstElementNeed {
  std::string_view factory;
  std::string_view package;  // the Debian package whose plug-in registers the factory
  unsigned use;
};

inline constexpr GstElementNeed kGstElements[] = {
    // the virtual TV box's picture, sound and bulk stream
    {"videotestsrc", "gstreamer1.0-plugins-base", kLiveElements},
    {"videobalance", "gstreamer1.0-plugins-good", kLiveElements},
    {"textoverlay", "gstreamer1.0-x", kLiveElements},
    {"appsrc", "gstreamer1.0-plugins-base", kLiveElements},
    // real cards
    {"v4l2src", "gstreamer1.0-plugins-good", kLiveElements},
    {"alsasrc", "gstreamer1.0-alsa", kLiveElements},
    // preview, capture, stills, the parsers' sinks
    {"appsink", "gstreamer1.0-plugins-base", kLiveElements},
    {"capsfilter", "libgstreamer1.0-0", kLiveElements},
    {"queue", "libgstreamer1.0-0", kLiveElements},
    {"tee", "libgstreamer1.0-0", kLiveElements},
    {"fakesink", "libgstreamer1.0-0", kLiveElements},
    {"fdsink", "libgstreamer1.0-0", kLiveElements},
    {"avimux", "gstreamer1.0-plugins-good", kLiveElements},
    // the recordings' compressions and deinterlacing, and their decoders for the file player
    {"jpegenc", "gstreamer1.0-plugins-good", kLiveElements},
    {"x264enc", "gstreamer1.0-plugins-ugly", kLiveElements},
    {"avenc_huffyuv", "gstreamer1.0-libav", kLiveElements},
    {"deinterlace", "gstreamer1.0-plugins-good", kLiveElements},
    {"jpegdec", "gstreamer1.0-plugins-good", kPlaybackElements},
    {"h264parse", "gstreamer1.0-plugins-bad", kPlaybackElements},
    {"avdec_h264", "gstreamer1.0-libav", kPlaybackElements},
    {"avdec_huffyuv", "gstreamer1.0-libav", kPlaybackElements},
    {"videoconvert", "gstreamer1.0-plugins-base", kAllElements},
    {"videoscale", "gstreamer1.0-plugins-base", kAllElements},
    {"videorate", "gstreamer1.0-plugins-base", kLiveElements},
    {"audioconvert", "gstreamer1.0-plugins-base", kAllElements},
    {"audioresample", "gstreamer1.0-plugins-base", kAllElements},
    {"autoaudiosink", "gstreamer1.0-plugins-good", kAllElements},
    // the file player, and what playbin builds inside itself for the program's AVI files
    {"playbin", "gstreamer1.0-plugins-base", kPlaybackElements},
    {"uridecodebin", "gstreamer1.0-plugins-base", kPlaybackElements},
    {"decodebin", "gstreamer1.0-plugins-base", kPlaybackElements},
    {"typefind", "libgstreamer1.0-0", kPlaybackElements},
    {"filesrc", "libgstreamer1.0-0", kPlaybackElements},
    {"multiqueue", "libgstreamer1.0-0", kPlaybackElements},
    {"avidemux", "gstreamer1.0-plugins-good", kPlaybackElements},
    {"volume", "gstreamer1.0-plugins-base", kPlaybackElements},
};

consteval bool IsListedElement(std::string_view factory) {
  return std::any_of(std::begin(kGstElements), std::end(kGstElements),
                     [&](const GstElementNeed& e) { return e.factory == factory; });
}

// True when every element of a gst-launch fragment ("a name=x ! b ! c caps=...") is listed.
// Caps strings between quotes and properties after the first word are skipped.
consteval bool ListsEveryElement(std::string_view description) {
  size_t i = 0;
  while (true) {
    while (i < description.size() && description[i] == ' ') ++i;
    size_t end = i;
    while (end < description.size() && description[end] != ' ' && description[end] != '!') ++end;
    if (end == i || !IsListedElement(description.substr(i, end - i))) return false;
    bool quoted = false;
    while (end < description.size() && (quoted || description[end] != '!')) {
      if (description[end] == '"') quoted = !quoted;
      ++end;
    }
    if (end == description.size()) return true;
    i = end + 1;  // past the link: another element must follow
  }
}

template <size_t N>
struct ElementName {
  consteval ElementName(const char (&name)[N]) { std::copy_n(name, N, text); }
  char text[N];
};

// gst_element_factory_make for a listed factory; null when its plug-in is missing.
template <ElementName factory>
GstElement* MakeElement(const char* name = nullptr) {
  static_assert(IsListedElement(factory.text),
                "an element the program creates belongs in kGstElements (gst_elements.h)");
  return gst_element_factory_make(factory.text, name);
}

// gst_parse_launch / gst_parse_bin_from_description, for descriptions whose fixed parts were
// checked with ListsEveryElement. The caller owns `*error` when it is set.
GstElement* ParseLaunch(const std::string& description, GError** error);
GstElement* ParseBin(const std::string& description, GError** error);

// Whether GStreamer's registry knows the factory (initialises GStreamer on first use).
bool ElementInstalled(std::string_view factory);
// "GStreamer element X is missing: install PACKAGE".
std::string MissingElementText(const GstElementNeed& element);

// MissingElementText of every element of `use` that `present` (default: ElementInstalled)
// does not know.
std::vector<std::string> MissingElements(
    unsigned use, const std::function<bool(std::string_view factory)>& present = {});

}  // namespace vd
