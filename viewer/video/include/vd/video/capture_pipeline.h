// The recording pipeline: the capture pin (optionally at an imposed rate, optionally teed to
// the picture) and the sound into avimux, written to the capture file, one picture to each
// frame period so that picture and sound stay together. It counts what the source produced
// and what reached the file, and it never lets the file outgrow the room left for it (the
// disk's free space beyond DiskBudget's margin, the process's file size limit): once
// the next piece would leave no room for the index, it stops feeding the muxer and reports
// the disk as full, so ending the recording still writes a valid AVI.
#pragma once

#include <gst/gst.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "audio_clock_follower.h"
#include "disk_budget.h"
#include "recording_format.h"
#include "vd/capture_device.h"
#include "vd/gst_ptr.h"
#include "video_frame_sink.h"

namespace vd {

struct CapturePipelineConfig {
  CaptureDevice* video = nullptr;  // its capture pin is recorded
  CaptureDevice* audio = nullptr;  // its audio-capture pin is recorded; null: no sound
  std::string path;
  int64_t reserveBytes = 0;           // keep this much disk reserved for the file (pre-allocation)
  int64_t frameInterval = 0;          // > 0: the video is brought to this period (100 ns)
  VideoFrameSink* preview = nullptr;  // the picture while recording; null: none
  bool deinterlacePreview = false;    // that picture deinterlaced (the live picture's setting)
  RecordingFormat recording;          // compression and deinterlacing of the file's picture
  double framesPerSecond = 30;        // the recording's rate, for the encoder's key frames
  int64_t largestFile = DiskBudget::kAviFileBytes;  // the recording ends before the file passes it
};

class CapturePipeline {
 public:
  // Null with *failure set to the message of the step that failed.
  static std::unique_ptr<CapturePipeline> Create(const CapturePipelineConfig& config,
                                                 std::string* failure);
  ~CapturePipeline();
  CapturePipeline(const CapturePipeline&) = delete;
  CapturePipeline& operator=(const CapturePipeline&) = delete;

  GstElement* Pipeline() const { return pipeline_.get(); }
  // Whether a bus message came from this pipeline.
  bool Owns(GstObject* object) const;
  bool IsWriter(GstObject* object) const { return object == GST_OBJECT(writer_); }
  // Opens (empties) the capture file and runs the pipeline.
  bool Start();
  // Ends the recording: end-of-stream in front of the queues so that everything queued
  // reaches the file, waits up to `timeout` for the file to be finished, then stops.
  // False when the file could not be finished in time.
  bool Finish(std::chrono::milliseconds timeout);
  bool Finished() const { return finished_; }

  int64_t FramesProduced() const { return produced_.load(); }
  // Pictures in the file, repeated ones included.
  int64_t FramesWritten() const { return written_.load(); }
  // Pictures repeated in place of lost ones.
  int64_t FramesRepeated() const;
  // Pictures lost so far on the way to the file (the queue let them go, or the filler left
  // them out); those held further on, in an encoder, are not.
  int64_t FramesLostSoFar() const;
  int64_t VideoBytesWritten() const { return videoBytes_.load(); }
  bool DiskFull() const { return full_.load(); }
  // Full because the disk came down to its margin (not because of a file size limit).
  bool MarginReached() const { return marginReached_.load(); }
  // Full because the file reached the most one recording may write (CapturePipelineConfig's
  // largestFile), with room left on the disk.
  bool LargestFileReached() const { return largestReached_.load(); }

  // Room kept for the muxer's headers and final index beyond what the chunks need.
  static constexpr int64_t kIndexMargin = 256 * 1024;

 private:
  CapturePipeline() = default;
  bool AddVideo(GstBin* bin, GstElement* mux, const CapturePipelineConfig& config,
                std::string* failure);
  // From the filler on: the encoder, if the format has one, and the muxer's video pad.
  bool AddVideoTail(GstBin* bin, GstElement* mux, const CapturePipelineConfig& config,
                    std::string* failure);
  bool AddSound(GstBin* bin, GstElement* mux, CaptureDevice* audio, std::string* failure);
  // Each buffer entering a queue: the film and its sound begin and end at the same moments.
  static GstPadProbeReturn OnEntry(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  // A buffer at or past the end: the first picture across it is given twice, sound that
  // stopped short is carried to it, and anything else ends its stream.
  GstPadProbeReturn EnterAtEnd(GstPad* pad, GstPadProbeInfo* info, GstBuffer* buffer, bool video,
                               GstClockTime stop, GstClockTime half);
  void GivePictureAcrossEnd(GstPad* pad, GstPadProbeInfo* info, GstBuffer* buffer,
                            GstClockTime stop, GstClockTime half);
  // False when the sound reaches the end anyway, or its format is not known.
  bool CarrySoundToEnd(GstPad* pad, GstPadProbeInfo* info, GstBuffer* buffer, GstClockTime stop);
  GstPadProbeReturn EnterPicture(GstPadProbeInfo* info, GstBuffer* buffer, GstClockTime pts,
                                 GstClockTime half);
  // Under audioEndMutex_.
  GstPadProbeReturn EnterSound(GstPad* pad, GstPadProbeInfo* info, GstBuffer* buffer,
                               GstClockTime pts, GstClockTime stop);
  // Ends the stream entering `queue` once; false when it had been ended already.
  bool EndStream(GstElement* queue);
  static GstPadProbeReturn OnGuard(GstPad*, GstPadProbeInfo* info, gpointer self);
  static GstPadProbeReturn OnFilled(GstPad*, GstPadProbeInfo* info, gpointer self);
  static GstPadProbeReturn OnWriterEvent(GstPad*, GstPadProbeInfo* info, gpointer self);
  static GstPadProbeReturn OnSound(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  static GstPadProbeReturn OnDequeued(GstPad*, GstPadProbeInfo* info, gpointer self);
  void Enqueued(GstClockTime pts);
  bool Admit(GstBuffer* buffer, bool video);
  int64_t Capacity() const;

  GstPtr<GstElement> pipeline_;
  GstElement* videoQueue_ = nullptr;
  GstElement* filler_ = nullptr;     // repeats pictures over gaps
  GstElement* videoTail_ = nullptr;  // what feeds the muxer's video pad
  GstElement* audioQueue_ = nullptr;
  GstElement* writer_ = nullptr;
  std::string path_;
  int64_t reserveBytes_ = 0;
  int fd_ = -1;
  int64_t sizeLimit_ = INT64_MAX;  // the process's file size limit
  int64_t largestFile_ = INT64_MAX;

  std::atomic<int64_t> produced_{0};
  std::atomic<int64_t> written_{0};
  std::atomic<int64_t> videoBytes_{0};
  std::atomic<bool> full_{false};
  std::atomic<bool> marginReached_{false};
  std::atomic<bool> largestReached_{false};
  std::unique_ptr<AudioClockFollower> follower_;  // made on the first sound buffer
  // Where both streams of the file begin and end, in running time: an AVI has no start
  // times, so the picture and the sound must be cut at the same moments to play in step.
  std::atomic<GstClockTime> audioStart_{GST_CLOCK_TIME_NONE};
  std::atomic<GstClockTime> stopAt_{GST_CLOCK_TIME_NONE};
  // The film's picture grid: its first picture's time and the picture period. The end is put
  // on it, since a film lasts whole periods and its sound would otherwise end up to a period
  // before or after it (most of a second at one picture a second).
  std::atomic<GstClockTime> filmStart_{GST_CLOCK_TIME_NONE};
  std::atomic<GstClockTime> picturePeriod_{0};
  // The end of the sound let through so far: a live source hands its buffers over a buffer's
  // length after they began, so sound past "now" is already written when the stop comes, and
  // the end is moved there for the picture to reach it too. The mutex orders a sound buffer's
  // passing with the choice of the end.
  std::mutex audioEndMutex_;
  GstClockTime audioEnd_ = GST_CLOCK_TIME_NONE;  // under audioEndMutex_
  std::atomic<bool> videoEnded_{false};
  std::atomic<bool> audioEnded_{false};
  // The picture across the end went on, twice, from the end's time: the video
  // stream is ended right after it (by Finish, whose end-of-stream its stream lock orders
  // after the picture), since the picture that ends a stream cannot also pass.
  bool videoCrossed_ = false;                        // under eosMutex_
  GstClockTime lastVideoPts_ = GST_CLOCK_TIME_NONE;  // the video streaming thread's own
  GstBuffer* inserted_ = nullptr;                    // the copy being given, likewise
  // The times of the pictures in the video queue, oldest first: one that leaves it behind
  // older ones shows that the queue let those go.
  mutable std::mutex queuedMutex_;
  std::deque<GstClockTime> queuedTimes_;  // under queuedMutex_
  int64_t leaked_ = 0;                    // under queuedMutex_

  std::mutex guardMutex_;
  int64_t muxedBytes_ = 0;
  int64_t chunks_ = 0;
  int64_t capacity_ = 0;
  int64_t checkedAt_ = 0;
  static constexpr int64_t kCheckEvery = 16;
  // How long the streams may take to reach the end time before they are ended as they are.
  static constexpr int kCutWaitMs = 2000;
  // Pictures wait this long (running time) for the first sound before they start the film.
  static constexpr GstClockTime kSoundWaitNs = GST_SECOND;
  static constexpr int64_t kCheckSlack = 8 * 1024 * 1024;
  bool fullPosted_ = false;

  std::mutex eosMutex_;
  std::condition_variable eosCv_;
  bool eos_ = false;
  bool finished_ = false;
  std::atomic<int64_t> repeated_{0};  // repeats the filler put in the file
  // Of each picture between the filler and the file, oldest first: whether it is a repeat.
  std::deque<bool> leftFiller_;  // under guardMutex_
};

}  // namespace vd
