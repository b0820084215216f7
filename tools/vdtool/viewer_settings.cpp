#include "viewer_settings.h"

#include "country_table.h"
#include "settings_store.h"
#include "vd/device_enumerator.h"

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

}  // namespace vdtool
