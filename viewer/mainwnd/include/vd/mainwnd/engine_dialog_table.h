// Which of the capture engine's format, source and display dialogs and property pages each
// main-window command 39..50 opens, and whether the device offers that page. No widgets.
#pragma once

#include <vector>

#include "vd/pages/pages_engine.h"

namespace vd {

enum class EngineDialog {
  kVideoFormat,    // the capture pin's format page
  kPreviewFormat,  // the preview pin's format page
  kVideoSource,    // the capture filter's own pages
  kTuner,          // the tuner's page
  kTvAudio,        // the TV sound page
  kCrossbar,       // the crossbar's input routing
  kAudioPin,       // the audio pin's format
  kDriverSource,   // the driver's source dialog
  kDriverFormat,   // the driver's format dialog
  kDriverDisplay,  // the driver's display dialog
};

// What the device offers, read again after every device change.
struct EnginePageFlags {
  bool videoSource = false;
  bool videoFormat = false;
  bool previewFormat = false;
  bool tuner = false;
  bool tvAudio = false;
  bool crossbar = false;
  bool audioPin = false;
};

struct EngineDialogEntry {
  int command;
  EngineDialog dialog;
  const char* menuText;
};

class EngineDialogTable {
 public:
  static constexpr int kFirstCommand = 39;
  static constexpr int kLastCommand = 50;

  static bool IsCommand(int command) { return command >= kFirstCommand && command <= kLastCommand; }
  // The entries in menu order.
  static const std::vector<EngineDialogEntry>& Entries();
  // Null for a command without a dialog (49 and 50 have none on this device family).
  static const EngineDialogEntry* Find(int command);
  static bool Available(EngineDialog dialog, const EnginePageFlags& flags);
  // False for commands without a dialog or whose page the device does not offer.
  static bool Available(int command, const EnginePageFlags& flags);
  static EnginePageFlags FlagsOf(PagesEngine& engine);
};

}  // namespace vd
