// CaptureGraph: the still sink, hardware stills and the Snapshot command.
#include <filesystem>
#include <functional>
#include <string>

#include "app_still_sink.h"
#include "vd/album/bitmap_file.h"
#include "vd/video/capture_graph.h"
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

void CaptureGraph::ConnectStills(GstElement* pipeline) {
  stillSink_.reset();
  if (vd::Failed(StillSink::NewStillCapture(video_.get(), pipeline, &stillSink_))) {
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
  {
    std::lock_guard lock(stillMutex_);
    if (prefix == settings_.stillPrefix) return;
    stillCounter_ = 0;
    settings_.stillPrefix = prefix;
  }
  SaveStillCounter();
}

void CaptureGraph::SetStillFolder(const std::string& folder) {
  std::lock_guard lock(stillMutex_);
  stillFolder_ = folder;
  albumKnown_ = true;
}

void CaptureGraph::SaveStillCounter() {
  settings_.numStillImages = stillCounter_.load();
  if (!captureFilePath_.empty()) settings_.SaveStillNaming(store_);
}

// Runs on the still source's streaming thread, under the sink's lock.
void CaptureGraph::OnHardwareStill() {
  if (stillHeader_.width <= 0 || stillBuffer_.empty()) return;
  std::filesystem::path folder;
  std::string prefix;
  {
    std::lock_guard lock(stillMutex_);
    folder = stillFolder_;  // with or without its separator
    prefix = settings_.stillPrefix;
  }
  const int32_t first = stillCounter_.load() + 1;
  auto nameOf = [&prefix](int32_t n) { return prefix + std::to_string(n) + ".bmp"; };
  int32_t used = 0;
  std::filesystem::path written;
  std::string error;
  // A number already taken (stills of an earlier run whose counter was lost, a file the user
  // put there) is passed over: a still never replaces a file.
  if (!vd::BitmapFile::WriteNumbered(folder, nameOf, first, stillHeader_, stillBuffer_, &used,
                                     &written, &error)) {
    // The number stays free for the next picture, and the user hears of the lost one.
    PostMessage("Cannot save the still " + (folder / nameOf(first)).string() +
                (error.empty() ? "" : ": " + error));
    return;
  }
  {
    std::lock_guard lock(stillMutex_);
    // A prefix changed meanwhile started its own numbering.
    if (prefix == settings_.stillPrefix) stillCounter_ = used;
  }
  newStill_ = true;
  Post([](CaptureGraph& graph) { graph.SaveStillCounter(); });
}

void CaptureGraph::PostMessage(std::string text) {
  Post([text = std::move(text)](CaptureGraph& graph) { graph.Fail(text); });
}

void CaptureGraph::Post(std::function<void(CaptureGraph&)> work) {
  struct Posted {
    std::weak_ptr<CaptureGraph*> graph;
    std::function<void(CaptureGraph&)> work;
  };
  GSource* source = g_idle_source_new();
  g_source_set_callback(
      source,
      [](gpointer data) -> gboolean {
        auto* posted = static_cast<Posted*>(data);
        if (auto graph = posted->graph.lock()) posted->work(**graph);
        return G_SOURCE_REMOVE;
      },
      new Posted{weakSelf_, std::move(work)},
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
