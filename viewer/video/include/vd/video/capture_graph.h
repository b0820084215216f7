// The capture engine: one per process. Owns the capture devices, the preview pipeline, the
// audio-preview pipeline, the capture pipeline, the still sink, the tuner control and the
// device-access objects; shows the picture through a VideoFrameSink and everything else
// through the CaptureHost.
//
// Threads: every operation runs on the UI thread, the thread that runs the default GLib main
// context (pipeline messages and device changes are delivered there). Only the still sink's
// picture delivery and the frame sink run on streaming threads.
#pragma once

#include <gst/gst.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "capture_host.h"
#include "capture_lifecycle.h"
#include "capture_settings.h"
#include "capture_statistics.h"
#include "device_access.h"
#include "device_router.h"
#include "disk_budget.h"
#include "file_player.h"
#include "live_preview.h"
#include "recorder.h"
#include "still_taker.h"
#include "vd/album/bitmap_file.h"
#include "vd/capture_device.h"
#include "vd/device_enumerator.h"
#include "vd/device_event_sink.h"
#include "vd/gst_ptr.h"
#include "video_frame_sink.h"

class TunerControl;

namespace vd {
class SettingsStore;
class TuningContext;
class CapturePipeline;

struct CaptureOptions {
  double maxFramesPerSecond = 0;
  double framesPerSecond = 0;
  double timeLimit = 0;
  bool useFrameRate = false;
  bool useTimeLimit = false;
  int32_t masterStream = -1;
  bool captureAudio = false;
  RecordingFormat recording;
  bool deinterlaceLive = false;
  bool keepPictureAspect = true;
};

struct Capabilities {
  bool audio = false;
  bool video = false;
  bool still = false;
  bool tuner = false;
  bool crossbar = false;
};
}  // namespace vd

class CaptureGraph {
 public:
  static constexpr uint32_t kCaptureTimer = 1;
  static constexpr uint32_t kCaptureTimerMs = 33;
  // Device-change events the viewer forwards (the platform's numbers).
  static constexpr int32_t kDeviceNodesChanged = 7;
  static constexpr int32_t kDeviceArrival = 0x8000;

  CaptureGraph(vd::DeviceEnumerator& devices, vd::SettingsStore& settings,
               vd::TuningContext& tuning, vd::CaptureHost& host);
  // Shuts down in order: capture file deleted, capture and preview stopped and torn down,
  // filters freed (the tuner control writes its channel file), capture settings written.
  virtual ~CaptureGraph();
  CaptureGraph(const CaptureGraph&) = delete;
  CaptureGraph& operator=(const CaptureGraph&) = delete;

  // --- Virtual operations in slot order.
  virtual void OnDeviceChange(int32_t event);
  virtual void ResizeVideo(bool fullScreen, int32_t width, int32_t height);
  // Creates the file player (with a player host), reads the settings, enumerates and
  // selects the devices, builds the filters and starts the live picture; false with "Sorry,
  // you have no video capture hardware" when no video device is usable.
  virtual bool Init(vd::VideoFrameSink* video, vd::FilePlayerHost* playerHost = nullptr);
  virtual bool ForceCaptureFormat();
  virtual bool CreateOverlayMixer();

  // --- Devices and the preview.
  bool ChooseDevices(int32_t videoIndex, int32_t audioIndex, bool startPreview);
  // The card in use takes the sound input `audioIndex` of AudioDeviceNames from now on
  // (remembered under its bus path) and is opened again with it; false when no card is in
  // use or the index names the box's sound, which never goes with a card's picture.
  bool ChooseCardSound(int32_t audioIndex, bool startPreview);
  bool ApplyWorkMode(vd::WorkMode mode);
  bool BuildPreviewGraph();
  bool StartPreview();
  bool StopPreview(bool quiet);
  void TearDownGraph();
  bool SetVideoStandard(int32_t family);
  vd::Capabilities GetCapabilities() const;
  bool SignalPresent();
  // The live picture and sound: the pipeline, its deinterlacer, the audio preview.
  vd::LivePreview& Preview() { return preview_; }
  const vd::LivePreview& Preview() const { return preview_; }

  // --- Capture.
  bool BeginCapture();
  bool StopCapture();
  void ReturnToLive();
  bool GetStatistics(bool final, vd::StatisticsRecord* record);
  void OnTimer(uint32_t id);
  vd::CaptureOptions GetCaptureOptions();
  void SetCaptureOptions(const vd::CaptureOptions& options);
  vd::FileOptions GetFileOptions();
  void SetFileOptions(const vd::FileOptions& options);
  static int64_t FreeDiskSpaceKB(const std::string& path);
  bool SaveCaptureAs(const std::string& target);
  // A recording that was never saved (the save dialog cancelled, a capture cut by a full
  // disk or a stop signal, one a killed viewer left behind) is never thrown away: before the
  // capture file is reused and when the engine goes, it moves into the still folder (the
  // album) as "Capture <date> <time>.avi", or, when that folder cannot take it, beside the
  // capture file under such a name (the user is told where). Returns the new name, or empty
  // when there was nothing to keep or it could not be kept (the capture file then stays as
  // it is, and a new recording is refused with the reason and what to do).
  std::string KeepUnsavedCapture();
  // The sound format of a separate audio device (the format chooser's answer).
  bool ApplyAudioFormat(const vd::AudioFormat& format);

  // --- The file player in the video area.
  FilePlayer* Player() { return player_.get(); }
  // Stops the live picture and its sound, releases the preview and shows the file.
  bool PlayFile(const std::string& path);
  // The video area is needed (a format page, a capture): the player lets it go.
  void StopPlayer();

  // --- Stills.
  // One picture into *picture (bottom row first) described by *header; false without a
  // signal (with the warning) or when no picture came within 5000 ms.
  bool TakeSnapshot(std::vector<uint8_t>* picture, vd::BitmapInfoHeader* header);
  // The still folder, the prefix, the marks and the still format.
  vd::StillTaker& Stills() { return stills_; }

  // --- Device access: the sound mode and the card's bus, while the live pipeline is built.
  vd::DeviceAccess& Access() { return access_; }

  // --- State for the main window, the property dialogs and the tests.
  // Where the pipelines are: previewing, capturing, a recording ended.
  const vd::CaptureLifecycle& Lifecycle() const { return lifecycle_; }
  bool IsDeviceLost() const { return deviceLost_; }
  bool StillOnDisplay() const { return stillOnDisplay_; }
  void SetStillOnDisplay(bool on) { stillOnDisplay_ = on; }
  vd::WorkMode WorkMode() const { return router_.WorkMode(); }
  // The capture file, its options and the recordings in it that nobody saved.
  vd::CaptureFile& File() { return recorder_.File(); }
  const vd::CaptureFile& File() const { return recorder_.File(); }
  // The recording, its statistics and its file.
  vd::Recorder& Recorder() { return recorder_; }
  // The device lists, the chosen devices and their routing.
  vd::DeviceRouter& Devices() { return router_; }
  vd::CaptureSettings& Settings() { return settings_; }
  vd::CaptureDevice* VideoDevice() { return router_.Video(); }
  TunerControl* Tuner() { return router_.Tuner(); }

 private:
  class DeviceWatch;
  struct PreviewParts;

  // The steps the operations above take, in their order: the devices, the pipelines' stages
  // (see CaptureLifecycle) and the capture file.
  bool InitCapFilters();
  // Frees and opens the chosen devices again; a recording the teardown ended is told to the host.
  bool ReopenDevices(bool startPreview);
  void FreeCapFilters();
  // The audio preview, and the video preview where it is wanted; nothing while a file is
  // shown.
  void StartLive();
  // A clip or a still occupies the video area.
  bool FileShown() const;
  bool BuildCaptureGraph();
  bool StartCapture();

  void Fail(const std::string& text);
  // KeepUnsavedCapture, telling the user where the recording went when it is not the album.
  std::string KeepUnsaved(bool tell);
  // Runs `work` on the UI thread, while the engine lives.
  void Post(std::function<void(CaptureGraph&)> work);
  void WatchBus(GstElement* pipeline, guint* watchId);
  static gboolean OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
  void OnGraphEvent(GstMessage* message);
  // Finishes the file (index and headers) and shows the final statistics. A writer that
  // failed by itself will not take the index either: it gets a short wait only.
  void EndRecording(bool writerFailed = false);

  vd::DeviceEnumerator& devices_;
  vd::SettingsStore& store_;
  vd::TuningContext& tuning_;
  vd::CaptureHost& host_;
  vd::VideoFrameSink* video_sink_ = nullptr;
  std::unique_ptr<DeviceWatch> watch_;

  vd::CaptureSettings settings_;
  vd::StillTaker stills_;

  // Devices.
  vd::DeviceRouter router_;
  std::unique_ptr<FilePlayer> player_;
  vd::DeviceAccess access_;
  int32_t storedWidth_ = 320;  // the video size outside full screen
  int32_t storedHeight_ = 240;

  // Every change of the pipelines' stage goes through lifecycle_. The flags below are
  // settings and facts of the devices and the display, which no stage implies.
  vd::CaptureLifecycle lifecycle_;
  bool deviceLost_ = false;
  bool stillOnDisplay_ = false;

  // Pipelines.
  // After the devices: its audio preview plays from the video device.
  vd::LivePreview preview_;
  guint previewWatch_ = 0;
  // After the devices: its pipeline goes before they do.
  vd::Recorder recorder_;
  guint captureWatch_ = 0;

  // Keeps queued device events from reaching a destroyed engine.
  std::shared_ptr<CaptureGraph*> self_;
  // Copied by streaming threads: never reassigned, unlike self_, which the destructor resets.
  const std::weak_ptr<CaptureGraph*> weakSelf_{self_};
};
