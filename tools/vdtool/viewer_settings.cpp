#include "viewer_settings.h"

#include <cstdio>

#include "country_table.h"
#include "vd/device_enumerator.h"
#include "vd/settings/settings_store.h"

namespace vdtool {

vd::LoadContext ViewersLoadContext() {
  vd::LoadContext context = vd::LoadContext::FromSystem(CountryTable::IsKnownCode);
  // The virtual box is on no bus: the device list says which model it is and where it stands.
  for (const vd::DeviceInfo& device : vd::DeviceEnumerator::Default().VideoInputDevices())
    context.TakeListedDevice(device.hardwareKey, device.location);
  return context;
}

vd::MainSettings ViewersSettings() {
  vd::MainSettings settings;
  settings.Read(*vd::SettingsStore::FromEnvironment(), ViewersLoadContext());
  return settings;
}

std::unique_ptr<vd::InstanceGuard> TakeViewersLock(std::string_view command) {
  auto guard = vd::InstanceGuard::Acquire();
  if (guard) guard->Announce("vdtool " + std::string(command));
  return guard;
}

std::string RunningHolder() {
  const std::string holder = vd::InstanceGuard::Holder();
  if (holder.rfind("vdtool", 0) == 0) return "'" + holder + "' is running";
  return "the viewer is running";
}

bool RecordingHoldsTheDevice(std::string_view command) {
  if (vd::InstanceGuard::Acquire() != nullptr) return false;  // let go at once
  if (vd::InstanceGuard::Holder() != "vdtool record") return false;
  std::fprintf(stderr,
               "vdtool: %.*s: 'vdtool record' is running and records from the capture device; "
               "wait for it to end and try again\n",
               static_cast<int>(command.size()), command.data());
  return true;
}

bool ViewerHoldsDataFolder(const std::filesystem::path& folder,
                           std::unique_ptr<vd::InstanceGuard>* guard, std::string_view command) {
  std::error_code ec;
  const std::filesystem::path target =
      std::filesystem::weakly_canonical(std::filesystem::absolute(folder, ec), ec);
  const std::filesystem::path viewers =
      std::filesystem::weakly_canonical(ViewersSettings().path, ec);
  if (target != viewers) return false;
  *guard = TakeViewersLock(command);
  return *guard == nullptr;
}

}  // namespace vdtool
