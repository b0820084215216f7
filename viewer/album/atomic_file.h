// Writes a whole file so that a crash leaves either the old file or the new one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace vd {

class AtomicFile {
 public:
  // Temporary file in the target's folder, synced, renamed over the target. On failure
  // nothing is left behind and `*error` holds the system's reason.
  static bool Write(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                    std::string* error);
};

}  // namespace vd
