#include "viewer_app.h"

#include <gst/gst.h>

#include <QApplication>
#include <cstdio>
#include <cstring>

#include "instance_guard.h"
#include "missing_elements_box.h"
#include "settings_store.h"
#include "stop_signal_close.h"
#include "vd/stop_signals.h"
#include "viewer_dlg.h"

namespace {

constexpr const char* kUsage =
    "Usage: viewdeck [--help] [--version]\n"
    "\n"
    "Watch analogue TV, FM radio, composite or S-Video from the Brevant TV USB box,\n"
    "record clips and take snapshots into the album. Without a real box the viewer runs\n"
    "on the built-in virtual TV box.\n"
    "\n"
    "Settings: $XDG_CONFIG_HOME/Corvalen/viewdeck.reg\n"
    "Set VIEWDECK_TRACE=1 for traces on standard error.\n";

}  // namespace

CViewerApp::CViewerApp() = default;

CViewerApp::~CViewerApp() {
  window_.reset();
  guard_.reset();
}

int CViewerApp::Run(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("viewdeck %s\n", VIEWDECK_VERSION);
      return 0;
    }
    std::fprintf(stderr, "viewdeck: unknown option '%s'\n%s", argv[i], kUsage);
    return 2;
  }
  guard_ = vd::InstanceGuard::Acquire();
  if (guard_ == nullptr) {
    // Another viewer of this user runs: a second start is no error, but says why it ends.
    std::fputs("viewdeck: another viewer is already running\n", stderr);
    return 0;
  }

  gst_init(&argc, &argv);
  QApplication app(argc, argv);
  QApplication::setApplicationName("viewdeck");
  QApplication::setApplicationVersion(VIEWDECK_VERSION);
  if (!vd::ViewerElementsPresent(nullptr)) return 1;
  // From here a stop signal no longer kills the viewer: it closes it (StopSignalClose), once
  // the loop runs. Before, there is nothing to save and the default action ends it.
  vd::StopSignals::Install();
  window_ = std::make_unique<CViewerDlg>(vd::SettingsStore::Default());
  if (!window_->Start()) {
    window_.reset();
    return 1;
  }
  app.setQuitOnLastWindowClosed(false);
  int status = 0;
  {
    StopSignalClose stopClose(*window_);
    status = app.exec();
  }
  window_.reset();
  return status;
}
