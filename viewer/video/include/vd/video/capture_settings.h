// The capture values of the settings section, read once at start-up and written back at
// shutdown, with the rules that turn stored numbers into what the engine holds.
#pragma once

#include <cstdint>
#include <string>

#include "recording_format.h"

namespace vd {

class SettingsStore;

struct CaptureSettings {
  std::string captureFile = "Temporary.AVI";
  bool allocMem = false;
  int32_t preAllocSizeKb = 10240;
  bool captureAudio = true;
  bool wantPreview = true;
  int32_t masterStream = -1;
  bool useTimeLimit = false;
  double timeLimit = 10;
  bool useFrameRate = true;
  double framesPerSecond = 30.0;
  int32_t audioDevice = 1;
  std::string stillPrefix = "Image";
  int32_t numStillImages = 0;
  int32_t videoStandard0 = 0;
  int32_t videoStandard1 = 0;
  bool onlyCorvalenDevices = true;
  int32_t notShowAgain = 0;
  RecordingFormat recording;
  bool deinterlaceLive = false;
  bool keepPictureAspect = true;

  // Reads every value; the standards default to the remembered family. "AudioDevice" is
  // read by ReadAudioDevice once the audio devices are known.
  static CaptureSettings Load(const SettingsStore& store, int32_t rememberedFamily);
  // "AudioDevice" with the product's audio device index as default; negative gives 0.
  void ReadAudioDevice(const SettingsStore& store, int32_t defaultIndex);
  // Writes the values the engine owns in one transaction; "CaptureFile", "WantPreview" and
  // "Only_Corvalen_Devices" are only read.
  bool Save(SettingsStore& store) const;
  // Writes the still prefix and counter alone: each still moves the counter, and a viewer
  // that does not get to its shutdown must not reuse its numbers.
  bool SaveStillNaming(SettingsStore& store) const;

  // Stored frame interval (100 ns) to frames per second: 0 stands for 10000000, the result
  // is truncated to two decimals, and 15.0 replaces anything not above 0.
  static double FpsOfInterval(int32_t interval);
  // Frames per second to the stored interval, 10000000 / fps as an integer.
  static int32_t IntervalOfFps(double fps);
};

}  // namespace vd
