#include "vd/video/capture_lifecycle.h"

#include "vd/trace.h"

namespace vd {

namespace {
constexpr const char* kCategory = "video";
}  // namespace

const char* NameOf(CaptureStage stage) {
  switch (stage) {
    case CaptureStage::kIdle:
      return "idle";
    case CaptureStage::kPreviewBuilt:
      return "preview built";
    case CaptureStage::kPreviewing:
      return "previewing";
    case CaptureStage::kCaptureBuilt:
      return "capture built";
    case CaptureStage::kCapturing:
      return "capturing";
    case CaptureStage::kCaptureFinished:
      return "capture finished";
  }
  return "?";
}

bool CaptureLifecycle::Allows(CaptureStage from, CaptureStage to) {
  using S = CaptureStage;
  switch (to) {
    // A teardown may come at any time but during a recording, which is finished first.
    case S::kIdle:
      return from != S::kCapturing;
    case S::kPreviewBuilt:
      return from == S::kIdle || from == S::kPreviewing;
    case S::kPreviewing:
      return from == S::kPreviewBuilt;
    case S::kCaptureBuilt:
      return from == S::kIdle;
    case S::kCapturing:
      return from == S::kCaptureBuilt || from == S::kCaptureFinished;
    case S::kCaptureFinished:
      return from == S::kCapturing;
  }
  return false;
}

bool CaptureLifecycle::MoveTo(CaptureStage to) {
  if (!Allows(stage_, to)) {
    LogWrite(kCategory, LogLevel::kWarning, "capture engine: %s -> %s refused", NameOf(stage_),
             NameOf(to));
    return false;
  }
  stage_ = to;
  if (to == CaptureStage::kCapturing) captureEnded_ = false;
  if (to == CaptureStage::kCaptureFinished) captureEnded_ = true;
  return true;
}

bool CaptureLifecycle::CaptureFailed() {
  if (stage_ == CaptureStage::kCapturing) {
    LogWrite(kCategory, LogLevel::kWarning, "capture engine: a failed capture while capturing");
    return false;
  }
  captureEnded_ = true;
  return true;
}

}  // namespace vd
