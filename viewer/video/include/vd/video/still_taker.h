// The engine's stills: the still sink inside whichever pipeline runs, the pictures the
// device's button takes into the still folder, and the Snapshot command's one picture.
//
// Threads: the UI thread, except the button's pictures, which arrive on the still source's
// streaming thread and reach the UI thread through the engine's post.
#pragma once

#include <gst/gst.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "still_sink.h"
#include "vd/album/bitmap_file.h"

namespace vd {
class CaptureDevice;
class SettingsStore;
struct CaptureSettings;

class StillTaker {
 public:
  // Runs work on the UI thread, and only while the engine lives.
  using Post = std::function<void(std::function<void()>)>;
  // Tells the user (UI thread).
  using Tell = std::function<void(const std::string&)>;

  // The room a snapshot's picture is given: 768 x 576 x 3.
  static constexpr size_t kSnapshotBytes = 0x144000;

  StillTaker(CaptureSettings& settings, SettingsStore& store, Post post, Tell tell);
  StillTaker(const StillTaker&) = delete;
  StillTaker& operator=(const StillTaker&) = delete;

  // At the engine's start: the counter from the settings, the data folder as the folder
  // until the album is named; the counter is written from now on.
  void Start(const std::string& dataFolder);
  // The still sink inside `pipeline`, the live one or the recording's: the device's button
  // takes stills whichever of the two runs.
  void Connect(CaptureDevice* video, GstElement* pipeline);
  // No picture can arrive any more: the sink and its buffer go.
  void Release();
  // One picture into *picture (bottom row first) described by *header; false when no
  // picture came within 5000 ms.
  bool Snap(std::vector<uint8_t>* picture, BitmapInfoHeader* header);

  // The folder hardware stills go to ("<Path>/<album>", the separator optional); set at
  // start-up and whenever the album (its name included) or the prefix changes.
  void SetFolder(const std::string& folder);
  std::string Folder();
  // The folder, and whether the window named it yet (until then it is only the data folder:
  // a recording kept there would never reach an album).
  std::string Album(bool* known);
  // A prefix other than the one in use starts the numbering again (the next still takes the
  // first free number under it); prefix and counter are written to the settings at once.
  void SetPrefix(const std::string& prefix);
  // The mark the main window polls: true once after each hardware still.
  bool TakeNewStillMark() { return newStill_.exchange(false); }
  // Likewise once after the device's still button was pressed while no picture ran to take
  // a still from (a film played, a still was shown): the press must not go without a word.
  bool TakeUnheardStillMark() { return unheard_->exchange(false); }
  // The handler the device calls on such a press, on any thread, as long as it lives.
  std::function<void()> UnheardHandler() const {
    return [mark = unheard_] { mark->store(true); };
  }

  StillSink* Sink() const { return sink_.get(); }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t NumStillImages() const { return counter_.load(); }

 private:
  void OnHardwareStill();
  // Writes the prefix and counter to the settings (UI thread).
  void SaveCounter();

  CaptureSettings& settings_;
  SettingsStore& store_;
  const Post post_;
  const Tell tell_;
  bool started_ = false;

  std::unique_ptr<StillSink> sink_;
  std::vector<uint8_t> buffer_;
  BitmapInfoHeader header_;  // the bitmap header of the still format
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::mutex mutex_;  // the folder and prefix, read by the still routine
  std::string folder_;
  bool albumKnown_ = false;
  std::atomic<int32_t> counter_{0};
  std::atomic<bool> newStill_{false};
  // Shared with the device's handler, which may run on any thread until the device goes.
  std::shared_ptr<std::atomic<bool>> unheard_ = std::make_shared<std::atomic<bool>>(false);
};
}  // namespace vd
