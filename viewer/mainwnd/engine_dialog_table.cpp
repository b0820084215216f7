#include "vd/mainwnd/engine_dialog_table.h"

#include <algorithm>

namespace vd {

const std::vector<EngineDialogEntry>& EngineDialogTable::Entries() {
  static const std::vector<EngineDialogEntry> kEntries = {
      {39, EngineDialog::kVideoFormat, "Video Format..."},
      {40, EngineDialog::kPreviewFormat, "Video Preview Format..."},
      {41, EngineDialog::kVideoSource, "Video Source..."},
      {42, EngineDialog::kTuner, "TV Tuner..."},
      {43, EngineDialog::kTvAudio, "TV Audio..."},
      {44, EngineDialog::kCrossbar, "Video Crossbar..."},
      {45, EngineDialog::kAudioPin, "Audio Format..."},
      {46, EngineDialog::kDriverSource, "Source Dialog..."},
      {47, EngineDialog::kDriverFormat, "Format Dialog..."},
      {48, EngineDialog::kDriverDisplay, "Display Dialog..."},
  };
  return kEntries;
}

const EngineDialogEntry* EngineDialogTable::Find(int command) {
  const auto& entries = Entries();
  const auto it =
      std::find_if(entries.begin(), entries.end(),
                   [command](const EngineDialogEntry& e) { return e.command == command; });
  return it != entries.end() ? &*it : nullptr;
}

bool EngineDialogTable::Available(EngineDialog dialog, const EnginePageFlags& flags) {
  switch (dialog) {
    case EngineDialog::kVideoFormat:
    case EngineDialog::kDriverFormat:
      return flags.videoFormat;
    case EngineDialog::kPreviewFormat:
    case EngineDialog::kDriverDisplay:
      return flags.previewFormat;
    case EngineDialog::kVideoSource:
    case EngineDialog::kDriverSource:
      return flags.videoSource;
    case EngineDialog::kTuner:
      return flags.tuner;
    case EngineDialog::kTvAudio:
      return flags.tvAudio;
    case EngineDialog::kCrossbar:
      return flags.crossbar;
    case EngineDialog::kAudioPin:
      return flags.audioPin;
  }
  return false;
}

bool EngineDialogTable::Available(int command, const EnginePageFlags& flags) {
  const EngineDialogEntry* entry = Find(command);
  return entry != nullptr && Available(entry->dialog, flags);
}

EnginePageFlags EngineDialogTable::FlagsOf(PagesEngine& engine) {
  EnginePageFlags flags;
  const Capabilities caps = engine.GetCapabilities();
  if (!caps.video) return flags;
  // A pin offers a format page when it has formats to choose from.
  flags.videoFormat =
      engine.HasPin(PinKind::kCapture) && !engine.VideoFormats(PinKind::kCapture).empty();
  flags.previewFormat =
      engine.HasPin(PinKind::kPreview) && !engine.VideoFormats(PinKind::kPreview).empty();
  // The source page shows the inputs, and for the external inputs their standard.
  flags.videoSource = !engine.VideoInputs().empty() || IsExternalInput(engine.WorkMode());
  flags.tuner = caps.tuner;
  flags.tvAudio = caps.tuner && caps.audio;
  flags.crossbar = caps.crossbar && !engine.VideoInputs().empty();
  flags.audioPin = engine.HasSeparateAudio() && !engine.AudioFormats().empty();
  return flags;
}

}  // namespace vd
