// Which pipeline the capture engine has and what it does with it, kept in one place: every
// change goes through MoveTo, which refuses (and logs) the ones the engine's order of work
// never makes, so that a fault in that order shows instead of leaving two flags at odds.
//
// The live pipeline and the recording's pipeline never exist together: building one tears
// the other down first, through kIdle.
#pragma once

#include <cstdint>

namespace vd {

enum class CaptureStage : uint8_t {
  kIdle,          // no pipeline
  kPreviewBuilt,  // the live pipeline, stopped
  kPreviewing,    // the live pipeline, running
  kCaptureBuilt,  // the recording's pipeline, not started
  kCapturing,     // recording
  // The recording's pipeline after its end. It holds the file until it is torn down; one
  // kept that long (nothing unsaved in it) may record again.
  kCaptureFinished,
};

const char* NameOf(CaptureStage stage);

class CaptureLifecycle {
 public:
  static bool Allows(CaptureStage from, CaptureStage to);

  CaptureStage Stage() const { return stage_; }
  // Makes the change; false, with the stage kept and a warning logged, when it is not allowed.
  // Starting to record clears the mark below, a recording's end sets it.
  bool MoveTo(CaptureStage to);

  bool IsPreviewing() const { return stage_ == CaptureStage::kPreviewing; }
  bool IsCapturing() const { return stage_ == CaptureStage::kCapturing; }
  bool HasPreviewGraph() const {
    return stage_ == CaptureStage::kPreviewBuilt || stage_ == CaptureStage::kPreviewing;
  }
  bool HasCaptureGraph() const {
    return stage_ == CaptureStage::kCaptureBuilt || stage_ == CaptureStage::kCapturing ||
           stage_ == CaptureStage::kCaptureFinished;
  }

  // The live picture was given up for a recording that has ended, or for one that could not
  // begin: going back to live must build it again. This outlasts the stage (a teardown, a
  // preview an aborted recording started again) until LiveRestored.
  bool CaptureEnded() const { return captureEnded_; }
  // A capture that failed once the live picture had gone; refused while recording.
  bool CaptureFailed();
  void LiveRestored() { captureEnded_ = false; }

 private:
  CaptureStage stage_ = CaptureStage::kIdle;
  bool captureEnded_ = false;
};

}  // namespace vd
