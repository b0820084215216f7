// The accessors every component uses for its stored settings: section name first, then
// value name. They work on the process-wide store (vd::SettingsStore::Default()) and never
// report an error: a read falls back to its default, a write that cannot be made is dropped.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// 1 when the value is a stored non-zero DWORD, 0 when a stored zero, else the default.
int32_t ReadBool(std::string_view section, std::string_view name, int32_t defaultValue);
int32_t ReadDword(std::string_view section, std::string_view name, int32_t defaultValue);
void WriteDword(std::string_view section, std::string_view name, int32_t value);
// Writes only when the stored value (read with the negated value as default) differs, so a
// missing value is always written.
void WriteBoolIfChanged(std::string_view section, std::string_view name, int32_t value);
// The stored text, or the default when missing or not text; its length is the result's size.
std::string ReadString(std::string_view section, std::string_view name,
                       std::string_view defaultValue);
void WriteString(std::string_view section, std::string_view name, std::string_view text);
// keyPath is below HKEY_LOCAL_MACHINE, e.g. vd::kFmMachineKey.
int32_t ReadMachineDword(std::string_view keyPath, std::string_view name, int32_t defaultValue);
std::string ReadVfwDriverName(std::string_view defaultValue);
