#include "viewer_settings.h"

#include "country_table.h"
#include "settings_store.h"

namespace vdtool {

vd::LoadContext ViewersLoadContext() {
  return vd::LoadContext::FromSystem(CountryTable::IsKnownCode);
}

vd::MainSettings ViewersSettings() {
  vd::MainSettings settings;
  settings.Read(*vd::SettingsStore::FromEnvironment(), ViewersLoadContext());
  return settings;
}

}  // namespace vdtool
