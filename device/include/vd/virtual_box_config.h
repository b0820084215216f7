// The optional configuration of the virtual TV box: a text file of "key = value" lines
// ('#' starts a comment). Keys:
//   product_id = 0x1311        USB product id (hex or decimal, 0..0xFFFF); default: that of
//                              the model sold where the box stands (0x1311 in the U.S.A.
//                              and Canada, 0x1312 in DE/AT/CH, 0x131A in France, 0x1314 in
//                              Britain; 0x1311 for a box that stands nowhere)
//   lock_time_ms = 30          tuner settling time (0..5000)
//   tv_station = 471.25 Name   one TV station (MHz, name); any such line replaces the
//   fm_station = 98.1 Name     built-in TV (FM) stations
//   preview_pin = yes|no, still_pin = yes|no, bulk_pin = yes|no
//   bulk_replay = /path/file   replay a recorded bulk stream instead of generating one
//   dropped_frames_percent = 1 lose this share of the video frames (0..50, evenly spread)
//   clock_drift_ppm = 200      the sound's clock runs this much fast (negative: slow)
//                              against the picture's (-50000..50000)
//   location = DE              the stations of that country (default: the locale's, else US)
//   test_carriers = yes        the carriers the test suites share, on every country's plan;
//                              such a box stands only where `location` says, if anywhere
// The file is $VIEWDECK_VIRTUAL_BOX_CONFIG, else $XDG_CONFIG_HOME/Corvalen/virtualbox.conf
// (~/.config when XDG_CONFIG_HOME is unset). A bad line is reported with its line number;
// after any bad station line the whole built-in sky is kept.
#pragma once

#include "vd/device_export.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vd/virtual_sky.h"

namespace vd {

// Misbehaviour on request, for tests, benchmarks and users who want to see the recording
// cope with a poor device.
struct VirtualBoxFaults {
  bool signalLoss = false;      // the tuner receives nothing, stations included
  uint32_t dropEveryNth = 0;    // drop every n-th video frame (0: none)
  bool corruptRecords = false;  // flip bits in bulk records now and then
  bool cutBursts = false;       // cut infrared bursts short
  int32_t clockDriftPpm = 0;    // sound samples come this many ppm faster than their rate
  uint32_t soundLateMs = 0;     // each sound stream begins this long after it is started
  uint32_t picturesLateMs = 0;  // each picture stream shows nothing this long at its start
};

struct VD_DEVICE_EXPORT VirtualBoxConfig {
  static constexpr uint32_t kDefaultProductId = 0x1311;
  static constexpr uint32_t kDefaultLockTimeMs = 30;

  uint32_t productId = kDefaultProductId;
  // Where the box stands (ISO 3166 code, upper case), empty for nowhere: the first-start
  // defaults take its country from this, as a real box's buyer lives where it was sold.
  std::string location;
  uint32_t lockTimeMs = kDefaultLockTimeMs;
  VirtualSky sky = VirtualSky::BuiltIn();
  bool previewPin = true;
  bool stillPin = true;
  bool bulkPin = true;
  std::optional<std::string> bulkReplayFile;
  VirtualBoxFaults faults;  // in force from the start
  // One text per bad line: "<source>:<line>: <what is wrong>".
  std::vector<std::string> errors;

  // A hand-written file is a few lines; a larger one is not this file.
  static constexpr size_t kMaxFileBytes = size_t{1} << 20;

  // Parses a configuration text; `source` names it in the error texts.
  static VirtualBoxConfig Parse(std::string_view text, std::string_view source);
  // Reads the file named above; built-in defaults when there is none. Errors are written to
  // standard error as well as kept in `errors`.
  static VirtualBoxConfig Load();
  // The path Load reads.
  static std::string DefaultPath();
};

}  // namespace vd
