// Album and file names as the user types them or a drag brings them. Each becomes one path
// component below the gallery, so anything that is not exactly one component is refused.
#pragma once

#include <string>
#include <string_view>

namespace vd {

class EntryName {
 public:
  // True for a name that is one plain path component: not empty, not "." or "..", without
  // '/' and without a NUL.
  static bool IsValid(std::string_view name);
  // The name fit for a message: NULs and other control characters shown as '?'.
  static std::string Printable(std::string_view name);
};

}  // namespace vd
