// The playback bar without its widgets: the clip length and the elapsed time as the player
// shows them ("mm:ss"), and the position slider's range and where a drag may seek to.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vd {

class PlaybackPosition {
 public:
  // "mm:ss" (minutes may run past 99) back to seconds; nullopt for anything else.
  static std::optional<int32_t> ParseTime(const std::string& text);

  // A clip of `seconds` was opened; a negative length is unknown (nothing to seek in).
  void Open(int32_t seconds);
  void Close() { Open(-1); }
  // The player's texts; the elapsed one moves the slider.
  void ShowTimes(const std::string& length, const std::string& elapsed);

  bool Seekable() const { return length_ > 0; }
  int32_t Length() const { return length_; }
  int32_t Elapsed() const { return elapsed_; }
  const std::string& LengthText() const { return lengthText_; }
  const std::string& ElapsedText() const { return elapsedText_; }
  // The slider's range is 0 .. SliderMaximum(), one step a second.
  int32_t SliderMaximum() const { return Seekable() ? length_ : 0; }
  // Where a drag to slider value `value` seeks; nullopt when the clip cannot seek.
  std::optional<int32_t> SeekTarget(int32_t value) const;

 private:
  int32_t length_ = -1;
  int32_t elapsed_ = 0;
  std::string lengthText_ = "00:00";
  std::string elapsedText_ = "00:00";
};

}  // namespace vd
