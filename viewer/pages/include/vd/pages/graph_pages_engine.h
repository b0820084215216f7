// The pages' engine on the real capture engine; what only the main window knows (full
// screen, its refreshes, the album shown, the installation folder) comes from its callbacks.
#pragma once

#include <functional>

#include "pages_engine.h"

namespace vd {

struct PagesWindow {
  std::function<vd::WorkMode()> workMode;
  std::function<bool()> fullScreen;
  std::function<void()> refreshDeviceStatus;
  std::function<void()> redrawAll;
  std::function<void()> resizeToVideo;
  std::function<std::string()> installFolder;
  std::function<std::string()> currentAlbumPath;
  std::function<void(const std::string&)> showMessage;
};

class GraphPagesEngine : public PagesEngine {
 public:
  GraphPagesEngine(CaptureGraph& graph, PagesWindow window)
      : graph_(graph), window_(std::move(window)) {}

  // The rest is reached through the parts of PagesEngine the pages take.
 private:
  void ShowMessage(const std::string& text) override;
  vd::WorkMode WorkMode() const override;
  bool FullScreen() const override;
  void RefreshDeviceStatus() override;
  void RedrawAll() override;
  void ResizeToVideo() override;

  CaptureOptions GetCaptureOptions() override { return graph_.GetCaptureOptions(); }
  void SetCaptureOptions(const CaptureOptions& o) override { graph_.SetCaptureOptions(o); }
  Capabilities GetCapabilities() const override { return graph_.GetCapabilities(); }
  FileOptions GetFileOptions() override { return graph_.GetFileOptions(); }
  void SetFileOptions(const FileOptions& o) override { graph_.SetFileOptions(o); }
  int64_t FreeDiskSpaceKB(const std::string& path) override {
    return CaptureGraph::FreeDiskSpaceKB(path);
  }
  std::string InstallFolder() const override;
  std::string CurrentAlbumPath() const override;
  std::string StillPrefix() const override { return graph_.Settings().stillPrefix; }
  void SetStillPrefix(const std::string& prefix) override { graph_.Stills().SetPrefix(prefix); }
  void SetStillFolder(const std::string& folder) override { graph_.Stills().SetFolder(folder); }

  std::vector<std::string> VideoDeviceNames() const override {
    return graph_.Devices().VideoDeviceNames();
  }
  std::vector<bool> VideoDeviceUsable() const override;
  std::vector<std::string> AudioDeviceNames() const override {
    return graph_.Devices().AudioDeviceNames();
  }
  int32_t VideoIndex() const override { return graph_.Devices().VideoIndex(); }
  // For a card the sound list shows and chooses the card's sound; for the box, the box's.
  int32_t AudioIndex() const override;
  bool ChooseDevices(int32_t video, int32_t audio, bool startPreview) override;

  std::optional<AmpRange> GetAmpRange(AmpProperty property) override;
  std::optional<int32_t> GetAmp(AmpProperty property) override;
  bool SetAmp(AmpProperty property, int32_t value) override;

  bool SetVideoStandard(int32_t family) override { return graph_.SetVideoStandard(family); }
  int32_t StoredStandard(vd::WorkMode workMode) const override;
  void StoreStandard(vd::WorkMode workMode, int32_t family) override;
  void RefreshPreview() override;

  bool HasSeparateAudio() const override;
  std::vector<AudioFormat> AudioFormats() override;
  bool ApplyAudioFormat(const AudioFormat& format) override {
    return graph_.ApplyAudioFormat(format);
  }
  bool HasPin(PinKind pin) const override;
  std::vector<VideoFormat> VideoFormats(PinKind pin) override;
  std::optional<VideoFormat> CurrentVideoFormat(PinKind pin) override;
  void StopForFormatChange() override;
  bool ApplyVideoFormat(PinKind pin, const VideoFormat& format) override;
  void RestartAfterFormatChange() override;
  std::vector<std::string> VideoInputs() override;
  int32_t CurrentVideoInput() override;
  bool RouteVideoInput(int32_t input) override;

  CaptureGraph& graph_;
  PagesWindow window_;
  std::vector<int32_t> inputPins_;  // crossbar input index of each listed input
};

}  // namespace vd
