// vdtool: the command-line companion of viewdeck.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "command.h"
#include "tuner_device.h"
#include "vd/gst_elements.h"

namespace vdtool {

namespace {
std::vector<Command>& Table() {
  static std::vector<Command> table;
  return table;
}
}  // namespace

void Register(Command command) {
  Table().push_back(std::move(command));
}

const std::vector<Command>& Commands() {
  auto& t = Table();
  std::sort(t.begin(), t.end(), [](const Command& a, const Command& b) { return a.name < b.name; });
  return t;
}

std::string HelpText(const Command& command) {
  return command.usage + (command.details ? command.details() : std::string());
}

bool WantsHelp(const std::vector<std::string>& args) {
  return std::any_of(args.begin(), args.end(),
                     [](const std::string& a) { return a == "--help" || a == "-h"; });
}

int UsageError(const std::string& message) {
  std::cerr << "vdtool: " << message << "\n";
  return 2;
}

bool ElementsPresent() {
  const std::vector<std::string> missing = vd::MissingElements(vd::kLiveElements);
  for (const std::string& line : missing) std::cerr << "vdtool: " << line << "\n";
  return missing.empty();
}

}  // namespace vdtool

static void PrintOverview() {
  std::cout << "Usage: vdtool COMMAND [ARGS...]\n"
               "The command-line companion of viewdeck: frequency plans, settings, channel\n"
               "files, devices and the TV box's data stream.\n\nCommands:\n";
  for (const auto& c : vdtool::Commands()) {
    std::printf("  %-12s %s\n", c.name.c_str(), c.summary.c_str());
  }
  std::cout << "\nRun 'vdtool COMMAND --help' for the options of a command. The commands that\n"
               "open a card (device, record, snapshot, scan, teletext, bulk) take --device N\n"
               "or --device /dev/videoX: the card of that index in 'vdtool device list', or\n"
               "of that node; without it, each takes the card it always has.\n";
}

// --device N|/dev/videoX, for every command that opens a card; teletext keeps its own
// --device (read the device, not a file), which may then name the card.
static bool TakeDeviceChoice(const std::string& command, std::vector<std::string>* args) {
  static constexpr const char* kOpeners[] = {"device", "record",   "snapshot",
                                             "scan",   "teletext", "bulk"};
  if (std::find(std::begin(kOpeners), std::end(kOpeners), command) == std::end(kOpeners))
    return true;
  for (size_t i = 0; i < args->size(); ++i) {
    if ((*args)[i] != "--device") continue;
    const bool named =
        i + 1 < args->size() &&
        (((*args)[i + 1].rfind("/dev/", 0) == 0) ||
         (!(*args)[i + 1].empty() && std::all_of((*args)[i + 1].begin(), (*args)[i + 1].end(),
                                                 [](char c) { return c >= '0' && c <= '9'; })));
    if (!named) {
      if (command == "teletext") continue;
      vdtool::UsageError("--device wants an index of 'vdtool device list' or a /dev/video node");
      return false;
    }
    vdtool::SetDeviceChoice((*args)[i + 1]);
    args->erase(args->begin() + static_cast<std::ptrdiff_t>(i) + 1);
    if (command != "teletext") args->erase(args->begin() + static_cast<std::ptrdiff_t>(i));
    return true;
  }
  return true;
}

int main(int argc, char** argv) {
  if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h" ||
      std::string(argv[1]) == "help") {
    PrintOverview();
    return argc < 2 ? 2 : 0;
  }
  // The build writes the manual page's command list with this.
  if (argc == 2 && std::string(argv[1]) == "--roff-commands") {
    std::cout << vdtool::RoffCommands();
    return 0;
  }
  const std::string name = argv[1];
  for (const auto& c : vdtool::Commands()) {
    if (c.name != name) continue;
    std::vector<std::string> args(argv + 2, argv + argc);
    if (vdtool::WantsHelp(args)) {
      std::cout << vdtool::HelpText(c);
      return 0;
    }
    if (!TakeDeviceChoice(name, &args)) return 2;
    return c.run(args);
  }
  return vdtool::UsageError("unknown command '" + name + "' (see 'vdtool --help')");
}
