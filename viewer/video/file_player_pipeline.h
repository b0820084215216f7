// One playbin for one file: video to an appsink that hands BGRx pictures to the frame sink,
// sound to the desktop's audio output (or a clocked fakesink), and the bus watched on the
// default GLib main context. FilePlayer keeps the states; this class only does what the
// pipeline is asked and says whether it managed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "vd/video/video_frame_sink.h"

typedef struct _GstElement GstElement;

namespace vd {

struct StreamGuard;

class FilePlayerPipeline {
 public:
  // What the bus reports, already reduced to what the player reacts to.
  enum class Message { kEndOfStream, kUserAbort, kError };
  // Runs on the thread that runs the default main context; it may destroy the pipeline.
  using MessageHandler = std::function<void(Message)>;

  // Builds the pipeline for `path` (a file name or a URI) and waits until it has prerolled.
  // Null when the file cannot be played; `why` then says what went wrong, in words for the
  // user (the elements' details go to the trace).
  static std::unique_ptr<FilePlayerPipeline> Open(const std::string& path, VideoFrameSink* sink,
                                                  MessageHandler handler, std::string* why);
  ~FilePlayerPipeline();
  FilePlayerPipeline(const FilePlayerPipeline&) = delete;
  FilePlayerPipeline& operator=(const FilePlayerPipeline&) = delete;

  bool HasVideo() const { return hasVideo_; }
  // The picture size of the video stream as the file stores it.
  bool GetVideoSize(int32_t* width, int32_t* height) const;
  bool GetDuration(int64_t* nanoseconds) const;

  bool Play();
  // With `wait`, returns once the pipeline has paused (or failed to).
  bool Pause(bool wait);
  bool Rewind();
  // Moves to `nanoseconds` from the start, to the nearest key frame, keeping the state.
  bool Seek(int64_t nanoseconds);

 private:
  FilePlayerPipeline() = default;
  bool Build(const std::string& path, VideoFrameSink* sink, std::string* why);
  bool Preroll(std::string* why);
  void Watch(MessageHandler handler);

  // Stops the pipeline before letting it go, which joins its streaming threads.
  struct PipelineRelease {
    void operator()(GstElement* element) const;
  };

  // What refused a stream's picture size and what the demuxer said the streams are, read by
  // Preroll; outlives the pipeline.
  std::unique_ptr<StreamGuard> streamGuard_;
  std::unique_ptr<GstElement, PipelineRelease> playbin_;
  GstElement* videoSink_ = nullptr;  // owned by playbin_
  uint32_t watchId_ = 0;
  bool hasVideo_ = false;
  int64_t fileBytes_ = 0;          // 0: not a local file
  int64_t pcmBytesPerSecond_ = 0;  // 0: the sound is not PCM, or there is none
};

}  // namespace vd
