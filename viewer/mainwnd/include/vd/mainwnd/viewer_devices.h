// The capture engine and the stream parser the main window works with, and their wiring: the
// engine reports to the window through its hosts; the parser's remote codes go through the
// remote procedure to the window's event loop and its teletext records to the teletext. No
// widget owns a device or a pipeline: the window makes this object and only uses it.
#pragma once

#include <memory>

#include "remote_bridge.h"

class CaptureGraph;
class IStromsift;

namespace vd {

class CaptureHost;
class DeviceEnumerator;
class FilePlayerHost;
class RemoteProcedure;
class RemoteState;
class SettingsStore;
class TuningContext;
class VideoFrameSink;
class ViewerTeletext;

class ViewerDevices {
 public:
  ViewerDevices(DeviceEnumerator& devices, SettingsStore& store, TuningContext& tuning,
                CaptureHost& host);
  // The parser first, then the engine.
  ~ViewerDevices();
  ViewerDevices(const ViewerDevices&) = delete;
  ViewerDevices& operator=(const ViewerDevices&) = delete;

  // Opens the capture devices and starts the preview into `video`; false when there is no
  // usable capture hardware, and the engine is gone then.
  bool OpenEngine(VideoFrameSink* video, FilePlayerHost* player);
  // Frames stop with the engine: before the video area they paint into goes.
  void CloseEngine();
  // Null before OpenEngine and after CloseEngine.
  CaptureGraph* Engine() { return engine_.get(); }

  // The parser on the device's bulk stream: its remote codes become `window`'s commands, read
  // against `remote`; its teletext records go to `teletext` (when there is one). A parser
  // that cannot be made or run is not reported.
  void StartParser(const RemoteState& remote, RemoteBridge::Owner& window,
                   ViewerTeletext* teletext);
  void StopParser();
  bool HasParser() const { return parser_ != nullptr; }

 private:
  DeviceEnumerator& devices_;
  SettingsStore& store_;
  TuningContext& tuning_;
  CaptureHost& host_;
  std::unique_ptr<CaptureGraph> engine_;
  std::unique_ptr<RemoteBridge> remoteBridge_;
  std::unique_ptr<RemoteProcedure> remoteProcedure_;
  std::unique_ptr<IStromsift> parser_;
};

}  // namespace vd
