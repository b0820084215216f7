// vdtool's command table. Each command lives in its own cmd_*.cpp and registers itself with
// a static VdtoolCommand object, so components add commands without touching main.cpp.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vdtool {

struct Command {
  std::string name;     // first word, e.g. "countries" or "device"
  std::string summary;  // one line for the overview
  std::string usage;    // full --help text
  // args are the words after the command name; returns the process exit status.
  std::function<int(const std::vector<std::string>& args)> run;
  // More of the --help text, from tables that fill in after the command registered
  // (bulk's subcommands); may be empty.
  std::function<std::string()> details;
};

void Register(Command command);
const std::vector<Command>& Commands();

struct Registrar {
  explicit Registrar(Command command) { Register(std::move(command)); }
};

// True when args ask for help; commands print their usage and exit 0 then.
bool WantsHelp(const std::vector<std::string>& args);

// What 'vdtool COMMAND --help' prints: the usage and the details.
std::string HelpText(const Command& command);
// The manual page's COMMANDS section in roff, from the same texts as --help, so that the
// two cannot differ.
std::string RoffCommands();

// Prints "vdtool: <message>" to stderr and returns the exit status for bad usage (2).
int UsageError(const std::string& message);

// True when the GStreamer elements of the device layer and the capture engine are installed;
// otherwise names each missing one and its package on stderr. Commands that open a device
// call it first and exit with status 1 when it fails.
bool ElementsPresent();

// An argument word in lower case (ASCII), for words that are matched without regard to case.
std::string Lower(std::string s);

}  // namespace vdtool
