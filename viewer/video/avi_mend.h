// Finishes an AVI whose writer stopped before the muxer could write its end: the chunks
// written completely are kept, a torn last chunk is cut off, and the index and the sizes
// and frame counts of the headers are written, so the recording plays with every complete
// frame. When the disk has no room for the index, trailing chunks make room for it. Sound
// past the last picture is left out of the index, so the film and its sound end together.
#pragma once

#include <cstdint>
#include <string>

namespace vd {

class AviMend {
 public:
  // True when the file is (now) a complete AVI; *why says what was wrong otherwise.
  // `frames`, when given, receives the number of whole pictures it holds.
  static bool Mend(const std::string& path, std::string* why, uint32_t* frames = nullptr);
  // True when the file is as a finished recording leaves it: its RIFF parts fill it exactly
  // and the first ends with its index. Reads the parts' headers only, so it is cheap on any
  // length of film.
  static bool IsWhole(const std::string& path);
};

}  // namespace vd
