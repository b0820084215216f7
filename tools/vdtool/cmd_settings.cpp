// vdtool settings: every stored setting with its current value and where the value comes
// from, read the way the viewer reads it.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "command.h"
#include "vd/settings/instance_guard.h"
#include "vd/settings/main_settings.h"
#include "vd/settings/settings_store.h"
#include "vd/settings/settings_table.h"
#include "viewer_settings.h"

namespace {

constexpr const char* kUsage =
    "Usage: vdtool settings [NAME...]\n"
    "Lists viewdeck's stored settings (all of them, or the NAMEs given) with the value the\n"
    "viewer reads and its source:\n"
    "  stored   the user settings file holds the value\n"
    "  machine  the machine settings file holds the value\n"
    "  default  the file has no such value, or has it with the other type; the default\n"
    "           applies (\"computed\" defaults are worked out on this system now)\n"
    "Where the viewer runs with another value than the one stored (a country code no\n"
    "country has, a folder that is not absolute), the source says which and why:\n"
    "  stored (the viewer uses 886: no country of the table has that code)\n"
    "\n"
    "Files: $XDG_CONFIG_HOME/Corvalen/viewdeck.reg (default ~/.config) for the user, and\n"
    "Corvalen/viewdeck.reg in the first folder of $XDG_CONFIG_DIRS (default /etc/xdg) that\n"
    "has it for the machine. The device lookup reads $VIEWDECK_SYSFS_ROOT (default /sys),\n"
    "then the device list, as the viewer does (the virtual box says where it stands).\n"
    "\n"
    "A running viewer keeps most settings in memory and writes them when it ends; the list\n"
    "then says so, as the values it shows may be older than the viewer's.\n";

std::string Quoted(const std::string& s) {
  return "\"" + s + "\"";
}

struct Row {
  std::string value;
  std::string source;
};

// What the viewer would compute for a value that is not stored.
std::string ComputedDefault(const vd::SettingInfo& s, const vd::LoadContext& context) {
  namespace st = vd::setting;
  if (s.name == st::kPath) return Quoted((context.dataHome / "lumatrope").string());
  if (s.name == st::kCountry) return std::to_string(vd::CountryToRun(0, context).value);
  if (s.name == st::kIsMts) {
    return std::to_string(vd::IsMtsToRun(std::nullopt, context.firstRun).value);
  }
  const bool text = s.kind == vd::SettingKind::kString || s.kind == vd::SettingKind::kDriverString;
  return text ? Quoted(std::string(s.defaultText)) : std::to_string(s.defaultNumber);
}

// "(the viewer uses X: why)" when the viewer's loading runs with another value than the
// stored one; empty when it uses what is stored.
template <typename T>
std::string ViewerUses(const vd::RunValue<T>& run, const std::string& shown) {
  return run.why == nullptr ? std::string() : " (the viewer uses " + shown + ": " + run.why + ")";
}

std::string StoredValueNote(const vd::SettingInfo& s, const vd::RegValue& v,
                            const vd::LoadContext& context) {
  namespace st = vd::setting;
  const auto number = static_cast<int32_t>(v.dword);
  if (s.name == st::kPath) {
    const auto run = vd::PathToRun(v.text, context.dataHome);
    return ViewerUses(run, Quoted(run.value));
  }
  if (s.name == st::kCountry) {
    const auto run = vd::CountryToRun(number, context);
    return ViewerUses(run, std::to_string(run.value));
  }
  if (s.name == st::kDelChWarning) {
    const auto run = vd::DelChWarningToRun(v.dword != 0 ? 1 : 0);
    return ViewerUses(run, std::to_string(run.value));
  }
  if (s.name == st::kIsMts) {
    const auto run = vd::IsMtsToRun(number, context.firstRun);
    return ViewerUses(run, std::to_string(run.value));
  }
  if (const auto run = vd::BoundedToRun(s.name, number))
    return ViewerUses(*run, std::to_string(run->value));
  return {};
}

Row Describe(const vd::SettingInfo& s, const vd::RegDocument& user, const vd::RegDocument& machine,
             const vd::LoadContext& context) {
  using vd::RegType;
  using vd::SettingKind;
  const vd::RegValue* v = nullptr;
  bool fromMachine = false;
  RegType wanted = RegType::kDword;
  switch (s.kind) {
    case SettingKind::kMachineDword:
      v = machine.Find(std::string(vd::kMachineRoot) + std::string(vd::kFmMachineKey), s.name);
      fromMachine = true;
      break;
    case SettingKind::kDriverString:
      v = machine.Find(std::string(vd::kMachineRoot) + std::string(vd::kDriverServiceKey), s.name);
      fromMachine = true;
      wanted = RegType::kString;
      break;
    case SettingKind::kString:
      wanted = RegType::kString;
      [[fallthrough]];
    default:
      v = user.Find(vd::SettingsStore::SectionKey(vd::kSection), s.name);
  }
  if (v != nullptr && v->type == wanted) {
    std::string value;
    if (wanted == RegType::kString) {
      value = Quoted(v->text);
    } else if (s.kind == SettingKind::kBool) {
      value = v->dword != 0 ? "1" : "0";
    } else {
      value = std::to_string(static_cast<int32_t>(v->dword));
    }
    return {value, (fromMachine ? "machine" : "stored") + StoredValueNote(s, *v, context)};
  }
  if (s.kind == SettingKind::kWrittenOnly) return {"-", "not stored"};
  std::string source = "default";
  if (!s.computedDefault.empty()) source += " (" + std::string(s.computedDefault) + ")";
  if (v != nullptr) source += ", stored value has the other type";
  return {ComputedDefault(s, context), source};
}

int Run(const std::vector<std::string>& args) {
  for (const auto& a : args) {
    if (!a.empty() && a[0] == '-')
      return vdtool::UsageError("settings: unknown option '" + a + "'");
    if (vd::FindSetting(a) == nullptr)
      return vdtool::UsageError("settings: no setting '" + a + "'");
  }
  auto store = vd::SettingsStore::FromEnvironment();
  const vd::RegDocument user = store->LoadUser();
  const vd::RegDocument machine = store->LoadMachine();
  const vd::LoadContext context = vdtool::ViewersLoadContext();

  const auto machineFile = store->MachineFile();
  std::cout << "User file:    " << store->UserFile().string() << "\n"
            << "Machine file: " << (machineFile ? machineFile->string() : "none") << "\n";
  // The viewer holds the single-instance lock while it runs.
  if (!vd::InstanceGuard::Acquire()) {
    std::cout << "Note: the viewer is running and holds newer values of the settings it has "
                 "changed;\n      they reach the file when it ends. \"stored\" and "
                 "\"default\" below are the file's.\n";
  }
  if (user.DamagedLines() != 0) {
    std::cout << "Note: " << user.DamagedLines()
              << " damaged line(s) in the user file are ignored.\n";
  }
  if (user.Incomplete()) {
    std::cout << "Note: the user file is past the bounds of a settings file; "
              << user.IgnoredLines() << " line(s)"
              << (user.UnreadBytes() != 0
                      ? " and the last " + std::to_string(user.UnreadBytes()) + " byte(s)"
                      : std::string())
              << " of it are ignored.\n";
  }
  std::cout << "\n";
  std::printf("%-24s %-20s %s\n", "Setting", "Value", "Source");
  for (const auto& s : vd::SettingsTable()) {
    if (!args.empty()) {
      bool wanted = false;
      for (const auto& a : args) wanted = wanted || vd::FindSetting(a) == &s;
      if (!wanted) continue;
    }
    Row row = Describe(s, user, machine, context);
    std::printf("%-24s %-20s %s\n", std::string(s.name).c_str(), row.value.c_str(),
                row.source.c_str());
  }
  return 0;
}

const vdtool::Registrar kRegistrar({"settings", "list the stored settings with their sources",
                                    kUsage, Run});

}  // namespace
