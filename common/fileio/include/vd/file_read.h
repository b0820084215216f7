// Reading a file that someone may have replaced with a FIFO, a device or a folder: opened
// without blocking, and refused unless it is a regular file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "vd/unique_fd.h"

namespace vd {

// The open descriptor (blocking again, positioned at the start), or an invalid one with the
// reason in `*error`: the system's message, or "not a regular file". On failure errno is set
// as well (ENOENT for a missing file, EINVAL for one that is not regular), so a caller can
// tell "nothing stored yet" from a fault.
UniqueFd OpenRegularFile(const std::filesystem::path& path, std::string* error = nullptr);

// At most `maxBytes` bytes of the file (pass one more than the largest size accepted to
// tell a file too large from one that fits). nullopt when it cannot be read.
std::optional<std::vector<uint8_t>> ReadRegularFile(const std::filesystem::path& path,
                                                    size_t maxBytes, std::string* error = nullptr);

}  // namespace vd
