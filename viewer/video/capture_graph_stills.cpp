// CaptureGraph: the still sink, hardware stills and the Snapshot command.
#include <cstdio>

#include "app_still_sink.h"
#include "bitmap_file.h"
#include "capture_graph.h"
#include "video_standards.h"

namespace {
constexpr size_t kSnapshotBytes = 0x144000;  // 768 x 576 x 3

vd::BitmapInfoHeader HeaderOf(int32_t width, int32_t height, uint16_t bitCount) {
  vd::BitmapInfoHeader h;
  h.width = width;
  h.height = height;
  h.bitCount = bitCount;
  h.sizeImage = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * bitCount / 8;
  return h;
}
}  // namespace

void CaptureGraph::ConnectStills() {
  stillSink_.reset();
  if (vd::Failed(StillSink::NewStillCapture(video_.get(), preview_.get(), &stillSink_))) {
    stillSink_.reset();
    return;
  }
  stillSink_->SetCallback([this] { OnHardwareStill(); }, 0);
  vd::VideoFormat format;
  if (vd::Failed(stillSink_->GetFormat(&format))) return;
  uint32_t standard = 0;
  video_->TvFormat(&standard);
  vd::VideoStandards::StillSizeOf(standard, &format.width, &format.height);
  stillSink_->SetFormat(format);
  if (vd::Failed(stillSink_->GetFormat(&format))) return;
  stillWidth_ = format.width;
  stillHeight_ = format.height;
  stillBuffer_.assign(format.ImageSize(), 0);
  stillSink_->SetBuffer(stillBuffer_.data(), stillBuffer_.size());
  stillHeader_ = HeaderOf(format.width, format.height, format.bitCount);
}

void CaptureGraph::SetStillPrefix(const std::string& prefix) {
  std::lock_guard lock(stillMutex_);
  if (prefix != settings_.stillPrefix) stillCounter_ = 0;
  settings_.stillPrefix = prefix;
}

void CaptureGraph::SetStillFolder(const std::string& folder) {
  std::lock_guard lock(stillMutex_);
  stillFolder_ = folder;
}

// Runs on the still source's streaming thread, under the sink's lock.
void CaptureGraph::OnHardwareStill() {
  int32_t number = ++stillCounter_;
  std::string path;
  {
    std::lock_guard lock(stillMutex_);
    char name[32];
    std::snprintf(name, sizeof name, "%d.bmp", number);
    path = stillFolder_ + settings_.stillPrefix + name;
  }
  if (stillHeader_.width > 0 && !stillBuffer_.empty()) {
    // A file that cannot be written is skipped without a word, as the device expects.
    std::string error;
    vd::BitmapFile::Write(path, stillHeader_, stillBuffer_, &error);
  }
  newStill_ = true;
}

bool CaptureGraph::TakeSnapshot(std::vector<uint8_t>* picture, vd::BitmapInfoHeader* header) {
  picture->assign(kSnapshotBytes, 0);
  if (!SignalPresent()) {
    Fail("Warning: You can not Capture while there is no Video signal");
    return false;
  }
  if (stillSink_ == nullptr) return false;
  stillSink_->SetBuffer(nullptr, 0);
  stillSink_->SetCallback(nullptr, 0);
  stillSink_->SetBuffer(picture->data(), picture->size());
  int32_t result = stillSink_->Snap();
  stillSink_->SetBuffer(nullptr, 0);
  if (!stillBuffer_.empty()) stillSink_->SetBuffer(stillBuffer_.data(), stillBuffer_.size());
  stillSink_->SetCallback([this] { OnHardwareStill(); }, 0);
  if (result != 0) return false;
  *header = HeaderOf(stillWidth_, stillHeight_, 24);
  picture->resize(header->sizeImage);
  return true;
}
