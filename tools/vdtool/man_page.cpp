// The manual page's command list, written from the command table.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>

#include "command.h"

namespace vdtool {

namespace {

// One line of --help text as roff text in no-fill mode: escapes, a minus where the text has
// one (options must stay copyable), and a code point escape for every non-ASCII character.
std::string RoffLine(const std::string& line) {
  std::string out;
  if (!line.empty() && (line[0] == '.' || line[0] == '\'')) out += "\\&";
  for (size_t i = 0; i < line.size(); ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
      uint32_t code = c & (0x3F >> extra);
      for (int k = 0; k < extra && i + 1 < line.size(); ++k)
        code = (code << 6) | (static_cast<unsigned char>(line[++i]) & 0x3F);
      char escape[16];
      std::snprintf(escape, sizeof escape, "\\[u%04X]", code);
      out += escape;
    }
  }
  return out;
}

}  // namespace

std::string RoffCommands() {
  std::string out = ".SH COMMANDS\n";
  for (const Command& c : Commands()) {
    std::string summary = c.summary;
    if (!summary.empty())
      summary[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(summary[0])));
    out += ".SS " + RoffLine(c.name) + "\n" + RoffLine(summary) + ".\n.PP\n.nf\n";
    const std::string help = HelpText(c);
    size_t start = 0;
    while (start < help.size()) {
      size_t end = help.find('\n', start);
      if (end == std::string::npos) end = help.size();
      out += RoffLine(help.substr(start, end - start)) + "\n";
      start = end + 1;
    }
    out += ".fi\n";
  }
  return out;
}

}  // namespace vdtool
