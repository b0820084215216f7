// vdtool elements: whether every GStreamer element the programs create is installed.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "command.h"
#include "vd/gst_elements.h"

namespace {

const char kUsage[] =
    "Usage: vdtool elements\n"
    "Lists every GStreamer element viewdeck and vdtool create, the Debian package that\n"
    "ships it and whether it is installed. Exits with status 1, naming the package to\n"
    "install, when one is missing.\n";

int Run(const std::vector<std::string>& args) {
  if (!args.empty()) return vdtool::UsageError("elements: unexpected argument '" + args[0] + "'");
  std::vector<std::string> missing;
  std::printf("%-14s %-27s %s\n", "element", "package", "installed");
  for (const vd::GstElementNeed& e : vd::kGstElements) {
    const bool installed = vd::ElementInstalled(e.factory);
    std::printf("%-14.*s %-27.*s %s\n", static_cast<int>(e.factory.size()), e.factory.data(),
                static_cast<int>(e.package.size()), e.package.data(), installed ? "yes" : "NO");
    if (!installed) missing.push_back(vd::MissingElementText(e));
  }
  std::fflush(stdout);
  for (const std::string& line : missing) std::cerr << "vdtool: " << line << "\n";
  return missing.empty() ? 0 : 1;
}

const vdtool::Registrar kElements({"elements", "check that GStreamer's plug-ins are installed",
                                   kUsage, Run});

}  // namespace
