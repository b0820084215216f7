#include "vd/video/capture_settings.h"

#include <cmath>

#include "vd/settings/settings_store.h"
#include "vd/settings/settings_table.h"

namespace vd {

double CaptureSettings::FpsOfInterval(int32_t interval) {
  if (interval == 0) interval = setting::kFrameRateForZero;
  double fps = 10000000.0 / interval;
  fps = std::trunc(fps * 100.0) / 100.0;
  return fps > 0 ? fps : 15.0;
}

int32_t CaptureSettings::IntervalOfFps(double fps) {
  if (!(fps > 0)) fps = 15.0;
  return static_cast<int32_t>(10000000.0 / fps);
}

CaptureSettings CaptureSettings::Load(const SettingsStore& store, int32_t rememberedFamily) {
  using namespace setting;
  CaptureSettings s;
  s.captureFile = store.ReadString(kSection, kCaptureFile, kDefaultCaptureFile);
  s.allocMem = store.ReadBool(kSection, kAllocMem, 0) != 0;
  s.preAllocSizeKb = store.ReadDword(kSection, kPreAllocSizeKb, kDefaultPreAllocSizeKb);
  s.captureAudio = store.ReadBool(kSection, kCaptureAudio, kDefaultCaptureAudio) != 0;
  s.wantPreview = store.ReadBool(kSection, kWantPreview, kDefaultWantPreview) != 0;
  s.masterStream = store.ReadDword(kSection, kMasterStream, kDefaultMasterStream);
  s.useTimeLimit = store.ReadBool(kSection, kUseTimeLimit, 0) != 0;
  s.timeLimit = store.ReadDword(kSection, kTimeLimit, kDefaultTimeLimit);
  s.useFrameRate = store.ReadBool(kSection, kUseFrameRate, kDefaultUseFrameRate) != 0;
  s.framesPerSecond = FpsOfInterval(store.ReadDword(kSection, kFrameRate, kDefaultFrameRate));
  s.stillPrefix = store.ReadString(kSection, kHwCaptureFile, kDefaultHwCaptureFile);
  if (s.stillPrefix.size() > 255) s.stillPrefix.resize(255);
  s.numStillImages = store.ReadDword(kSection, kNumStillImages, 0);
  s.videoStandard0 = store.ReadDword(kSection, kVideoStandard0, rememberedFamily);
  s.videoStandard1 = store.ReadDword(kSection, kVideoStandard1, rememberedFamily);
  s.onlyCorvalenDevices =
      store.ReadBool(kSection, kOnlyCorvalenDevices, kDefaultOnlyCorvalenDevices) != 0;
  s.notShowAgain = store.ReadDword(kSection, kNotShowAgain, 0);
  s.recording = RecordingFormat::Load(store);
  s.deinterlaceLive = store.ReadBool(kSection, kDeinterlaceLive, 0) != 0;
  s.keepPictureAspect =
      store.ReadBool(kSection, kKeepPictureAspect, kDefaultKeepPictureAspect) != 0;
  // Numbers no dialog of this program stores (a hand edit, another program) run, and are
  // saved back, as the defaults: a negative reservation or limit, a master stream beyond
  // none, video and sound, a negative still counter.
  if (s.preAllocSizeKb < 0) s.preAllocSizeKb = kDefaultPreAllocSizeKb;
  if (s.masterStream < -1 || s.masterStream > 1) s.masterStream = kDefaultMasterStream;
  if (s.timeLimit < 0) s.timeLimit = kDefaultTimeLimit;
  if (s.numStillImages < 0) s.numStillImages = 0;
  return s;
}

void CaptureSettings::ReadAudioDevice(const SettingsStore& store, int32_t defaultIndex) {
  audioDevice = store.ReadDword(kSection, setting::kAudioDevice, defaultIndex);
  if (audioDevice < 0) audioDevice = 0;
}

bool CaptureSettings::Save(SettingsStore& store) const {
  using namespace setting;
  return store.Update([&](SettingsStore::Batch& b) {
    b.WriteDword(kSection, kTimeLimit, static_cast<int32_t>(timeLimit));
    b.WriteDword(kSection, kUseTimeLimit, useTimeLimit ? 1 : 0);
    b.WriteDword(kSection, kAudioDevice, audioDevice);
    b.WriteDword(kSection, kFrameRate, IntervalOfFps(framesPerSecond));
    b.WriteDword(kSection, kUseFrameRate, useFrameRate ? 1 : 0);
    b.WriteDword(kSection, kCaptureAudio, captureAudio ? 1 : 0);
    b.WriteDword(kSection, kMasterStream, masterStream);
    b.WriteDword(kSection, kAllocMem, allocMem ? 1 : 0);
    b.WriteDword(kSection, kPreAllocSizeKb, preAllocSizeKb);
    b.WriteDword(kSection, kVideoStandard0, videoStandard0);
    b.WriteDword(kSection, kVideoStandard1, videoStandard1);
    b.WriteString(kSection, kHwCaptureFile, stillPrefix);
    b.WriteDword(kSection, kNumStillImages, numStillImages);
    b.WriteDword(kSection, kNotShowAgain, notShowAgain);
    b.WriteString(kSection, kCaptureCodec, std::string(RecordingFormat::NameOf(recording.codec)));
    b.WriteDword(kSection, kMjpegQuality, recording.mjpegQuality);
    b.WriteDword(kSection, kH264BitRate, recording.h264Kbps);
    b.WriteDword(kSection, kDeinterlaceCapture, recording.deinterlace ? 1 : 0);
    b.WriteDword(kSection, kDeinterlaceLive, deinterlaceLive ? 1 : 0);
    b.WriteDword(kSection, kKeepPictureAspect, keepPictureAspect ? 1 : 0);
  });
}

bool CaptureSettings::SaveStillNaming(SettingsStore& store) const {
  using namespace setting;
  return store.Update([&](SettingsStore::Batch& b) {
    b.WriteString(kSection, kHwCaptureFile, stillPrefix);
    b.WriteDword(kSection, kNumStillImages, numStillImages);
  });
}

}  // namespace vd
