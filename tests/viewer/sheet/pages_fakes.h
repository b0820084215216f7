// A capture engine and main window for the engine's settings pages: values to show, a log of
// what the pages did, and switches for refusals and missing controls.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "vd/pages/pages_engine.h"

namespace vd::test {

class FakePagesEngine : public PagesEngine {
 public:
  FakePagesEngine();

  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  vd::WorkMode WorkMode() const override { return workMode; }
  bool FullScreen() const override { return fullScreen; }
  void RefreshDeviceStatus() override { log.push_back("status"); }
  void RedrawAll() override { log.push_back("redraw"); }
  void ResizeToVideo() override { log.push_back("resize"); }

  CaptureOptions GetCaptureOptions() override { return capture; }
  void SetCaptureOptions(const CaptureOptions& o) override { appliedCapture.push_back(o); }
  Capabilities GetCapabilities() const override { return caps; }
  FileOptions GetFileOptions() override { return file; }
  void SetFileOptions(const FileOptions& o) override { appliedFile.push_back(o); }
  int64_t FreeDiskSpaceKB(const std::string& path) override {
    freeSpacePaths.push_back(path);
    return freeKb;
  }
  std::string InstallFolder() const override { return installFolder; }
  std::string CurrentAlbumPath() const override { return albumPath; }
  std::string StillPrefix() const override { return prefix; }
  void SetStillPrefix(const std::string& p) override;
  void SetStillFolder(const std::string& folder) override { stillFolders.push_back(folder); }

  std::vector<std::string> VideoDeviceNames() const override { return videoNames; }
  std::vector<bool> VideoDeviceUsable() const override { return videoUsable; }
  std::vector<std::string> AudioDeviceNames() const override { return audioNames; }
  int32_t VideoIndex() const override { return videoIndex; }
  int32_t AudioIndex() const override { return audioIndex; }
  bool ChooseDevices(int32_t video, int32_t audio, bool startPreview) override;

  std::optional<AmpRange> GetAmpRange(AmpProperty property) override;
  std::optional<int32_t> GetAmp(AmpProperty property) override;
  bool SetAmp(AmpProperty property, int32_t value) override;

  bool SetVideoStandard(int32_t family) override;
  int32_t StoredStandard(vd::WorkMode mode) const override {
    return mode == vd::WorkMode::kSVideo ? standard0 : standard1;
  }
  void StoreStandard(vd::WorkMode mode, int32_t family) override;
  void RefreshPreview() override { log.push_back("refresh preview"); }

  bool HasSeparateAudio() const override { return separateAudio; }
  std::vector<AudioFormat> AudioFormats() override { return audioFormats; }
  bool ApplyAudioFormat(const AudioFormat& format) override;
  bool HasPin(PinKind) const override { return true; }
  std::vector<VideoFormat> VideoFormats(PinKind pin) override;
  std::optional<VideoFormat> CurrentVideoFormat(PinKind pin) override;
  void StopForFormatChange() override { log.push_back("stop"); }
  bool ApplyVideoFormat(PinKind pin, const VideoFormat& format) override;
  void RestartAfterFormatChange() override { log.push_back("restart"); }
  std::vector<std::string> VideoInputs() override { return inputs; }
  int32_t CurrentVideoInput() override { return currentInput; }
  bool RouteVideoInput(int32_t input) override;

  vd::WorkMode workMode = vd::WorkMode::kSVideo;
  bool fullScreen = false;
  std::vector<std::string> messages;
  std::vector<std::string> log;

  CaptureOptions capture;
  Capabilities caps;
  std::vector<CaptureOptions> appliedCapture;
  FileOptions file;
  std::vector<FileOptions> appliedFile;
  int64_t freeKb = 0;
  std::vector<std::string> freeSpacePaths;
  std::string installFolder = "/opt/viewdeck";
  std::string albumPath = "Album/Default";
  std::string prefix = "Image";
  int32_t stillCounter = 7;
  std::vector<std::string> stillFolders;

  std::vector<std::string> videoNames;
  std::vector<bool> videoUsable;
  std::vector<std::string> audioNames;
  int32_t videoIndex = 0;
  int32_t audioIndex = 0;

  // The device's amplifier: a property is missing when it has no range here.
  std::map<AmpProperty, AmpRange> ranges;
  std::map<AmpProperty, int32_t> values;
  bool readFails = false;
  // The device refuses values above this.
  int32_t refuseAbove = 1000000;

  int32_t standard0 = 0;
  int32_t standard1 = 0;
  int32_t engineStandard = -1;

  bool separateAudio = true;
  std::vector<AudioFormat> audioFormats;
  std::vector<AudioFormat> appliedAudio;
  std::vector<VideoFormat> captureFormats;
  std::vector<std::pair<PinKind, VideoFormat>> appliedVideo;
  std::vector<std::string> inputs;
  int32_t currentInput = -1;
};

}  // namespace vd::test
