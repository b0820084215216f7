#include "registry_access.h"

#include "vd/settings/settings_store.h"

using vd::SettingsStore;

int32_t ReadBool(std::string_view section, std::string_view name, int32_t defaultValue) {
  return SettingsStore::Default().ReadBool(section, name, defaultValue);
}

int32_t ReadDword(std::string_view section, std::string_view name, int32_t defaultValue) {
  return SettingsStore::Default().ReadDword(section, name, defaultValue);
}

void WriteDword(std::string_view section, std::string_view name, int32_t value) {
  SettingsStore::Default().WriteDword(section, name, value);
}

void WriteBoolIfChanged(std::string_view section, std::string_view name, int32_t value) {
  SettingsStore::Default().WriteBoolIfChanged(section, name, value);
}

std::string ReadString(std::string_view section, std::string_view name,
                       std::string_view defaultValue) {
  return SettingsStore::Default().ReadString(section, name, defaultValue);
}

void WriteString(std::string_view section, std::string_view name, std::string_view text) {
  SettingsStore::Default().WriteString(section, name, text);
}

int32_t ReadMachineDword(std::string_view keyPath, std::string_view name, int32_t defaultValue) {
  return SettingsStore::Default().ReadMachineDword(keyPath, name, defaultValue);
}

std::string ReadVfwDriverName(std::string_view defaultValue) {
  return SettingsStore::Default().ReadVfwDriverName(defaultValue);
}
