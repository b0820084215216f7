// What the documentation's screenshot programs share: the viewer on the virtual TV box in
// private folders, with the first-run questions answered.
#pragma once

#include <filesystem>
#include <memory>

#include "vd/mainwnd/viewer_dlg.h"
#include "vd/settings/settings_store.h"

namespace vdshots {

// Runs the event loop for `ms` milliseconds.
void Pump(int ms);
// Private data and runtime folders below a new temporary folder named after `prefix`, the
// fake sound sink and the virtual mixer. Call before gst_init and QApplication.
bool PrepareFolders(const char* prefix, std::filesystem::path* root);
// The main window started on `store`; null when the start failed.
std::unique_ptr<CViewerDlg> StartViewer(vd::SettingsStore& store);

}  // namespace vdshots
