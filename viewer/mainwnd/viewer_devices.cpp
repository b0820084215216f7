#include "vd/mainwnd/viewer_devices.h"

#include "stromsift.h"
#include "vd/mainwnd/viewer_teletext.h"
#include "vd/remote/remote_procedure.h"
#include "vd/video/capture_graph.h"

namespace vd {

ViewerDevices::ViewerDevices(DeviceEnumerator& devices, SettingsStore& store, TuningContext& tuning,
                             CaptureHost& host)
    : devices_(devices), store_(store), tuning_(tuning), host_(host) {}

ViewerDevices::~ViewerDevices() {
  StopParser();
  CloseEngine();
}

bool ViewerDevices::OpenEngine(VideoFrameSink* video, FilePlayerHost* player) {
  engine_ = std::make_unique<CaptureGraph>(devices_, store_, tuning_, host_);
  if (engine_->Init(video, player)) return true;
  engine_.reset();
  return false;
}

void ViewerDevices::CloseEngine() {
  engine_.reset();
}

void ViewerDevices::StartParser(const RemoteState& remote, RemoteBridge::Owner& window,
                                ViewerTeletext* teletext) {
  IStromsift* parser = nullptr;
  if (CreateStromsift(&parser) != S_OK || parser == nullptr) return;
  parser_.reset(parser);
  remoteBridge_ = std::make_unique<RemoteBridge>(window);
  remoteProcedure_ = std::make_unique<RemoteProcedure>(remote, *remoteBridge_);
  parser_->SetRemoteCallback(&RemoteProcedure::Callback, remoteProcedure_.get());
  if (teletext != nullptr) teletext->Attach(*parser_);
  parser_->Run();  // a parser that cannot run is not reported
}

void ViewerDevices::StopParser() {
  // The parser first: deleting it waits for a callback that still uses the procedure.
  if (parser_) {
    parser_->Stop();
    parser_.reset();
  }
  remoteProcedure_.reset();
  remoteBridge_.reset();
}

}  // namespace vd
