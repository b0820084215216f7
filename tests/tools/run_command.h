// Runs a shell command line for a test and keeps what it printed (standard error included)
// and its exit status (-1 when it did not exit normally).
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace vdtest {

struct CommandResult {
  std::string out;
  int status = -1;
};

inline CommandResult RunCommand(const std::string& commandLine) {
  CommandResult r;
  FILE* pipe = popen((commandLine + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return r;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) r.out += line;
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace vdtest
