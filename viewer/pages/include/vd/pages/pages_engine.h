// What the engine's settings pages and property dialogs need from the capture engine and the
// main window. GraphPagesEngine answers it from the real CaptureGraph; tests answer it with a
// fake, so the pages can be driven without a capture device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vd/video/capture_graph.h"
#include "vd/view_modes.h"

namespace vd {

// Each page and dialog takes the one part below that it needs; a part names again what it
// shares with another (the work mode, the video standards), so that each stands alone.

// The Capture page: the recording's options.
class CaptureOptionsPort {
 public:
  virtual CaptureOptions GetCaptureOptions() = 0;
  virtual void SetCaptureOptions(const CaptureOptions& options) = 0;
  virtual Capabilities GetCapabilities() const = 0;

 protected:
  ~CaptureOptionsPort() = default;
};

// The File page: where recordings and stills go.
class FileOptionsPort {
 public:
  virtual FileOptions GetFileOptions() = 0;
  virtual void SetFileOptions(const FileOptions& options) = 0;
  virtual int64_t FreeDiskSpaceKB(const std::string& path) = 0;
  virtual std::string InstallFolder() const = 0;
  // The path of the album shown now: relative to the installation folder, or absolute.
  virtual std::string CurrentAlbumPath() const = 0;
  virtual std::string StillPrefix() const = 0;
  virtual void SetStillPrefix(const std::string& prefix) = 0;
  virtual void SetStillFolder(const std::string& folder) = 0;
  // A warning owned by the main window (the engine's message routine).
  virtual void ShowMessage(const std::string& text) = 0;

 protected:
  ~FileOptionsPort() = default;
};

// The property dialogs: the pins' formats and the crossbar's inputs.
class FormatPort {
 public:
  virtual vd::WorkMode WorkMode() const = 0;
  virtual bool HasSeparateAudio() const = 0;
  virtual std::vector<AudioFormat> AudioFormats() = 0;
  virtual bool ApplyAudioFormat(const AudioFormat& format) = 0;
  virtual bool HasPin(PinKind pin) const = 0;
  virtual std::vector<VideoFormat> VideoFormats(PinKind pin) = 0;
  virtual std::optional<VideoFormat> CurrentVideoFormat(PinKind pin) = 0;
  // Stops the file player and the preview and tears the preview down (want-preview only).
  virtual void StopForFormatChange() = 0;
  // Applies a pin format with the engine's follow-ups: a capture format moves the preview
  // pin to it; a preview size is copied into the capture format. False when refused.
  virtual bool ApplyVideoFormat(PinKind pin, const VideoFormat& format) = 0;
  // Builds and starts the preview again (want-preview only).
  virtual void RestartAfterFormatChange() = 0;
  // The video area and the main window follow the capture size (and full screen again).
  virtual void ResizeToVideo() = 0;
  // Inputs of the crossbar by name and the routed one; empty without a crossbar.
  virtual std::vector<std::string> VideoInputs() = 0;
  virtual int32_t CurrentVideoInput() = 0;
  virtual bool RouteVideoInput(int32_t input) = 0;
  // Video standard of the external inputs: 0 NTSC, 1 PAL, 2 SECAM.
  virtual bool SetVideoStandard(int32_t family) = 0;
  // workMode: composite or S-Video, each of which keeps its own.
  virtual int32_t StoredStandard(vd::WorkMode workMode) const = 0;
  virtual void StoreStandard(vd::WorkMode workMode, int32_t family) = 0;

 protected:
  ~FormatPort() = default;
};

// The Device page: which capture devices are used. It opens the property dialogs as well.
class DeviceChoicePort {
 public:
  virtual std::vector<std::string> VideoDeviceNames() const = 0;
  virtual std::vector<bool> VideoDeviceUsable() const = 0;
  virtual std::vector<std::string> AudioDeviceNames() const = 0;
  virtual int32_t VideoIndex() const = 0;
  virtual int32_t AudioIndex() const = 0;
  virtual bool ChooseDevices(int32_t video, int32_t audio, bool startPreview) = 0;
  virtual bool HasSeparateAudio() const = 0;
  virtual vd::WorkMode WorkMode() const = 0;
  virtual bool FullScreen() const = 0;
  // The device status line of the main window, after the devices changed.
  virtual void RefreshDeviceStatus() = 0;
  // Every window redrawn after a driver dialog or a format change.
  virtual void RedrawAll() = 0;
  virtual FormatPort& Formats() = 0;

 protected:
  ~DeviceChoicePort() = default;
};

// The Color page and the picture sliders: the amplifier and the inputs' video standard.
class PicturePort {
 public:
  // Brightness 0, contrast 1, colour 3: nullopt when the device lacks it.
  virtual std::optional<AmpRange> GetAmpRange(AmpProperty property) = 0;
  virtual std::optional<int32_t> GetAmp(AmpProperty property) = 0;
  virtual bool SetAmp(AmpProperty property, int32_t value) = 0;
  virtual vd::WorkMode WorkMode() const = 0;
  // Video standard of the external inputs: 0 NTSC, 1 PAL, 2 SECAM.
  virtual bool SetVideoStandard(int32_t family) = 0;
  // workMode: composite or S-Video, each of which keeps its own.
  virtual int32_t StoredStandard(vd::WorkMode workMode) const = 0;
  virtual void StoreStandard(vd::WorkMode workMode, int32_t family) = 0;
  // The running preview picks up a changed standard: stop, tear down, rebuild, restart.
  virtual void RefreshPreview() = 0;

 protected:
  ~PicturePort() = default;
};

// All of it, for what makes the pages (the sheet's page factory, the tool strips, the
// table of the engine's dialogs).
class PagesEngine : public CaptureOptionsPort,
                    public FileOptionsPort,
                    public FormatPort,
                    public DeviceChoicePort,
                    public PicturePort {
 public:
  virtual ~PagesEngine() = default;

  // Named once here for the callers of the whole engine: more than one part has them.
  vd::WorkMode WorkMode() const override = 0;
  bool HasSeparateAudio() const override = 0;
  bool SetVideoStandard(int32_t family) override = 0;
  int32_t StoredStandard(vd::WorkMode workMode) const override = 0;
  void StoreStandard(vd::WorkMode workMode, int32_t family) override = 0;
  FormatPort& Formats() final { return *this; }
};

}  // namespace vd
