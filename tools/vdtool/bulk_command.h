// The subcommands of "vdtool bulk". Each lives in its own cmd_bulk_*.cpp file (or
// cmd_bulk.cpp) and adds itself with a static BulkSubcommandRegistrar; "vdtool bulk NAME
// ARGS..." runs the one called NAME with ARGS.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vdtool {

struct BulkSubcommand {
  std::string name;      // e.g. "record"
  std::string synopsis;  // one line, e.g. "record FILE SECONDS  write the bulk stream to FILE"
  std::function<int(const std::vector<std::string>& args)> run;
  std::string usage;  // its part of 'vdtool bulk --help' and of the manual page
};

void RegisterBulkSubcommand(BulkSubcommand subcommand);

struct BulkSubcommandRegistrar {
  explicit BulkSubcommandRegistrar(BulkSubcommand s) { RegisterBulkSubcommand(std::move(s)); }
};

}  // namespace vdtool
