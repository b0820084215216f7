// CaptureGraph: the still sink, hardware stills and the Snapshot command.
#include <cstdio>
#include <filesystem>

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
  if (stillHeader_.width <= 0 || stillBuffer_.empty()) return;
  int32_t number = stillCounter_.load() + 1;
  std::filesystem::path path;
  {
    std::lock_guard lock(stillMutex_);
    char name[32];
    std::snprintf(name, sizeof name, "%d.bmp", number);
    // The folder may come with or without its separator.
    path = std::filesystem::path(stillFolder_) / (settings_.stillPrefix + name);
  }
  std::string error;
  if (!vd::BitmapFile::Write(path.string(), stillHeader_, stillBuffer_, &error)) {
    // The number stays free for the next picture, and the user hears of the lost one.
    PostMessage("Cannot save the still " + path.string() + (error.empty() ? "" : ": " + error));
    return;
  }
  stillCounter_ = number;
  newStill_ = true;
}

void CaptureGraph::PostMessage(std::string text) {
  struct Posted {
    std::weak_ptr<CaptureGraph*> graph;
    std::string text;
  };
  GSource* source = g_idle_source_new();
  g_source_set_callback(
      source,
      [](gpointer data) -> gboolean {
        auto* posted = static_cast<Posted*>(data);
        if (auto graph = posted->graph.lock()) (*graph)->Fail(posted->text);
        return G_SOURCE_REMOVE;
      },
      new Posted{weakSelf_, std::move(text)},
      [](gpointer data) { delete static_cast<Posted*>(data); });
  g_source_attach(source, nullptr);
  g_source_unref(source);
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
