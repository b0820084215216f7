#include "vd/video/still_taker.h"

#include <filesystem>

#include "vd/capture_device.h"
#include "vd/video/capture_settings.h"
#include "video_standards.h"

namespace vd {
namespace {
BitmapInfoHeader HeaderOf(int32_t width, int32_t height, uint16_t bitCount) {
  BitmapInfoHeader h;
  h.width = width;
  h.height = height;
  h.bitCount = bitCount;
  h.sizeImage = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * bitCount / 8;
  return h;
}
}  // namespace

StillTaker::StillTaker(CaptureSettings& settings, SettingsStore& store, Post post, Tell tell)
    : settings_(settings), store_(store), post_(std::move(post)), tell_(std::move(tell)) {}

void StillTaker::Start(const std::string& dataFolder) {
  counter_ = settings_.numStillImages;
  started_ = true;
  std::lock_guard lock(mutex_);
  if (folder_.empty()) folder_ = dataFolder + "/";
}

void StillTaker::Connect(CaptureDevice* video, GstElement* pipeline) {
  sink_.reset();
  if (Failed(StillSink::NewStillCapture(video, pipeline, &sink_))) {
    sink_.reset();
    return;
  }
  sink_->SetCallback([this] { OnHardwareStill(); }, 0);
  VideoFormat format;
  if (Failed(sink_->GetFormat(&format))) return;
  uint32_t standard = 0;
  video->TvFormat(&standard);
  VideoStandards::StillSizeOf(standard, &format.width, &format.height);
  sink_->SetFormat(format);
  if (Failed(sink_->GetFormat(&format))) return;
  width_ = format.width;
  height_ = format.height;
  buffer_.assign(format.ImageSize(), 0);
  sink_->SetBuffer(buffer_.data(), buffer_.size());
  header_ = HeaderOf(format.width, format.height, format.bitCount);
}

void StillTaker::Release() {
  sink_.reset();
  buffer_.clear();
}

void StillTaker::SetPrefix(const std::string& prefix) {
  {
    std::lock_guard lock(mutex_);
    if (prefix == settings_.stillPrefix) return;
    counter_ = 0;
    settings_.stillPrefix = prefix;
  }
  SaveCounter();
}

void StillTaker::SetFolder(const std::string& folder) {
  std::lock_guard lock(mutex_);
  folder_ = folder;
  albumKnown_ = true;
}

std::string StillTaker::Folder() {
  std::lock_guard lock(mutex_);
  return folder_;
}

std::string StillTaker::Album(bool* known) {
  std::lock_guard lock(mutex_);
  *known = albumKnown_;
  return folder_;
}

void StillTaker::SaveCounter() {
  settings_.numStillImages = counter_.load();
  if (started_) settings_.SaveStillNaming(store_);
}

// Runs on the still source's streaming thread, under the sink's lock.
void StillTaker::OnHardwareStill() {
  if (header_.width <= 0 || buffer_.empty()) return;
  std::filesystem::path folder;
  std::string prefix;
  {
    std::lock_guard lock(mutex_);
    folder = folder_;  // with or without its separator
    prefix = settings_.stillPrefix;
  }
  const int32_t first = counter_.load() + 1;
  auto nameOf = [&prefix](int32_t n) { return prefix + std::to_string(n) + ".bmp"; };
  int32_t used = 0;
  std::filesystem::path written;
  std::string error;
  // A number already taken (stills of an earlier run whose counter was lost, a file the user
  // put there) is passed over: a still never replaces a file.
  if (!BitmapFile::WriteNumbered(folder, nameOf, first, header_, buffer_, &used, &written,
                                 &error)) {
    // The number stays free for the next picture, and the user hears of the lost one.
    std::string text = "Cannot save the still " + (folder / nameOf(first)).string() +
                       (error.empty() ? "" : ": " + error);
    post_([this, text = std::move(text)] { tell_(text); });
    return;
  }
  {
    std::lock_guard lock(mutex_);
    // A prefix changed meanwhile started its own numbering.
    if (prefix == settings_.stillPrefix) counter_ = used;
  }
  newStill_ = true;
  post_([this] { SaveCounter(); });
}

bool StillTaker::Snap(std::vector<uint8_t>* picture, BitmapInfoHeader* header) {
  picture->assign(kSnapshotBytes, 0);
  if (sink_ == nullptr) return false;
  sink_->SetBuffer(nullptr, 0);
  sink_->SetCallback(nullptr, 0);
  sink_->SetBuffer(picture->data(), picture->size());
  int32_t result = sink_->Snap();
  sink_->SetBuffer(nullptr, 0);
  if (!buffer_.empty()) sink_->SetBuffer(buffer_.data(), buffer_.size());
  sink_->SetCallback([this] { OnHardwareStill(); }, 0);
  if (result != 0) return false;
  *header = HeaderOf(width_, height_, 24);
  picture->resize(header->sizeImage);
  return true;
}
}  // namespace vd
