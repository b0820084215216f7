// The viewer's settings as its start-up reads them, for the commands that act in its stead.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "vd/settings/instance_guard.h"
#include "vd/settings/main_settings.h"

namespace vdtool {

// The first-run rules applied ("Country" computed when none is stored, a code no record has
// replaced, "Path" relative to nothing replaced); nothing is written or made.
vd::LoadContext ViewersLoadContext();
vd::MainSettings ViewersSettings();

// The viewer's single-instance lock, taken for a command that must not run beside the viewer
// (it names itself in the lock as "vdtool COMMAND"); null when the viewer or another such
// command holds it. RunningHolder says which: "the viewer is running" or "'vdtool scan' is
// running".
std::unique_ptr<vd::InstanceGuard> TakeViewersLock(std::string_view command);
std::string RunningHolder();
// True (said why, as "vdtool: COMMAND: ...") while 'vdtool record' runs: it holds the capture
// device, whose tuner, input and pictures a command beside it must leave alone, as a second
// recording does. The kernel's record priority says the same of any other program.
bool RecordingHoldsTheDevice(std::string_view command);

// Whether FOLDER is the running viewer's data folder (whose lists it writes over at its end);
// when it is not running, GUARD holds its lock until the caller is done.
bool ViewerHoldsDataFolder(const std::filesystem::path& folder,
                           std::unique_ptr<vd::InstanceGuard>* guard, std::string_view command);

}  // namespace vdtool
