// The viewer application: the single-instance guard, the main window and the event loop.
#pragma once

#include <memory>

class CViewerDlg;

namespace vd {
class InstanceGuard;
}

class CViewerApp {
 public:
  CViewerApp();
  ~CViewerApp();

  // Runs the viewer; the process's exit status: 0 after a normal end (and for a second
  // instance, which shows nothing), 1 without capture hardware or a GStreamer plug-in.
  int Run(int argc, char** argv);

 private:
  std::unique_ptr<vd::InstanceGuard> guard_;
  std::unique_ptr<CViewerDlg> window_;
};
