// vdtool: the command-line companion of viewdeck.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "command.h"
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
  std::cout << "\nRun 'vdtool COMMAND --help' for the options of a command.\n";
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
    return c.run(args);
  }
  return vdtool::UsageError("unknown command '" + name + "' (see 'vdtool --help')");
}
