// The shared state of one real card: its nodes (video, radio, VBI, LIRC, sound), the
// descriptors opened on them, and what the kernel does not keep for us (the register file,
// the pin formats, the last frequency of each tuner mode). Every device object, property
// set and source bin opened on the card shares it. A card that vanished stays gone: open it
// anew after it comes back.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "vd/capture_types.h"
#include "vd/device_info.h"
#include "vd/hresult.h"
#include "vd/v4l2_io.h"

namespace vd {

class V4l2FrameHub;

struct V4l2Nodes {
  std::string video;  // /dev/videoN
  std::string radio;  // /dev/radioN of the same parent, or empty
  std::string vbi;    // /dev/vbiN of the same parent, or empty
  std::string lirc;   // /dev/lircN of the same parent, or empty
  std::string alsa;   // "hw:N" of the same USB device, or empty
  uint16_t vendor = 0;
  uint16_t product = 0;
};

// One crossbar input and the kernel input behind it (-1 for the audio inputs).
struct V4l2Input {
  CrossbarPin pin;
  int32_t v4l2Index = -1;
};

class V4l2Card {
 public:
  enum class Node { kVideo, kRadio, kVbi, kLirc };

  V4l2Card(std::shared_ptr<V4l2Io> io, V4l2Nodes nodes);
  ~V4l2Card();
  V4l2Card(const V4l2Card&) = delete;
  V4l2Card& operator=(const V4l2Card&) = delete;

  const V4l2Nodes& Nodes() const { return nodes_; }
  // The card's shared video stream, built from a gst-launch fragment on first use.
  std::shared_ptr<V4l2FrameHub> Hub();
  void SetVideoSource(std::string description) { videoSource_ = std::move(description); }
  V4l2Io& Io() { return *io_; }

  // Runs an ioctl on a node, opening it on first use. Returns 0 or -errno; ENODEV, ENXIO and
  // EIO after a failed open mark the card gone. A missing node gives -ENOENT.
  int Ioctl(Node node, unsigned long request, void* arg);
  // Reads from a node (VBI, LIRC); same rules.
  ssize_t Read(Node node, void* buffer, size_t size);
  int Poll(Node node, short events, int timeoutMs);

  // The rate the card streams at, from the kernel (its current standard's), in 100 ns
  // units: no pin runs faster. ResetFrameIntervals gives every pin that rate.
  int64_t StandardInterval();
  void ResetFrameIntervals();

  // The kernel's record priority on the video node, held while a recording of this process
  // runs, so that other programs cannot retune, switch or restart the card under it.
  // Counted: the last release gives it back.
  void HoldRecordPriority();
  void ReleaseRecordPriority();
  // Whether a program other than this one holds it.
  bool HeldByAnotherRecording();

  bool IsAlive() const { return alive_.load(std::memory_order_acquire); }
  // Ends the card: listeners hear it once, on the calling thread.
  void MarkGone();
  int AddGoneListener(std::function<void()> listener);
  void RemoveGoneListener(int id);

  // Facts learnt once when the card was opened.
  bool HasTuner() const { return hasTuner_; }
  bool TunerCapLow() const { return tunerCapLow_; }
  bool RadioCapLow() const { return radioCapLow_; }
  bool HasRadio() const { return hasRadio_; }
  bool HasSlicedTeletext() const { return hasSlicedTeletext_; }
  const std::vector<V4l2Input>& Inputs() const { return inputs_; }

  // State the kernel does not keep for us. Guarded by Mutex().
  std::mutex& Mutex() const { return mutex_; }
  uint8_t registers[256] = {};
  uint32_t tunerMode = 1;  // kTunerModeTv
  uint32_t lastTvHz = 0;
  uint32_t lastRadioHz = 0;
  std::chrono::steady_clock::time_point settleAt{};
  int32_t audioRoute = -1;
  // The standard last chosen (kernel bits, 0 for none): drivers that keep one per input need
  // it again after every input switch.
  uint64_t videoStandard = 0;
  VideoFormat capture;
  VideoFormat preview;
  VideoFormat still;
  AudioFormat sound{2, 48000, 16};
  uint32_t videoControlMode = 0;
  FrameCounts counts;
  // Incremented on every still trigger; still bins compare against it.
  std::atomic<uint64_t> stillSerial{0};

 private:
  int Fd(Node node);  // with mutex_ held
  int Check(int result);
  void Probe();
  // The video inputs; the tuner's only when it answers.
  void ProbeVideoInputs(uint32_t caps);
  void ProbeRadio();
  // Whether the VBI node gives sliced teletext.
  void ProbeVbi();
  void AddAudioInputs();

  std::shared_ptr<V4l2Io> io_;
  V4l2Nodes nodes_;
  mutable std::mutex mutex_;
  std::mutex fdMutex_;
  std::map<Node, int> fds_;
  std::atomic<bool> alive_{true};
  std::mutex listenerMutex_;
  std::map<int, std::function<void()>> listeners_;
  int nextListener_ = 1;
  bool hasTuner_ = false;
  bool tunerCapLow_ = false;
  bool radioCapLow_ = false;
  bool hasRadio_ = false;
  bool hasSlicedTeletext_ = false;
  std::vector<V4l2Input> inputs_;
  std::string videoSource_;
  std::mutex priorityMutex_;
  int recordHolds_ = 0;  // guarded by priorityMutex_
  std::mutex hubMutex_;
  std::shared_ptr<V4l2FrameHub> hub_;
};

}  // namespace vd
