#include "pages_fakes.h"

namespace vd::test {

FakePagesEngine::FakePagesEngine() {
  capture.maxFramesPerSecond = 30;
  capture.framesPerSecond = 15;
  capture.timeLimit = 60;
  caps.audio = true;
  caps.video = true;
  ranges[AmpProperty::kBrightness] = {0, 255, 1, 128};
  ranges[AmpProperty::kContrast] = {0, 127, 1, 64};
  ranges[AmpProperty::kSaturation] = {0, 127, 1, 70};
  values[AmpProperty::kBrightness] = 100;
  values[AmpProperty::kContrast] = 50;
  values[AmpProperty::kSaturation] = 60;
}

// Mirrors the engine: the numbering starts again under a new name only.
void FakePagesEngine::SetStillPrefix(const std::string& p) {
  log.push_back("prefix " + p);
  if (p != prefix) stillCounter = 0;
  prefix = p;
}

bool FakePagesEngine::ChooseDevices(int32_t video, int32_t audio, bool startPreview) {
  log.push_back("choose " + std::to_string(video) + " " + std::to_string(audio) + " " +
                (startPreview ? "preview" : "still"));
  return true;
}

std::optional<AmpRange> FakePagesEngine::GetAmpRange(AmpProperty property) {
  auto it = ranges.find(property);
  if (it == ranges.end()) return std::nullopt;
  return it->second;
}

std::optional<int32_t> FakePagesEngine::GetAmp(AmpProperty property) {
  if (readFails || ranges.count(property) == 0) return std::nullopt;
  return values[property];
}

bool FakePagesEngine::SetAmp(AmpProperty property, int32_t value) {
  if (ranges.count(property) == 0 || value > refuseAbove) return false;
  values[property] = value;
  return true;
}

bool FakePagesEngine::SetVideoStandard(int32_t family) {
  engineStandard = family;
  log.push_back("standard " + std::to_string(family));
  return true;
}

void FakePagesEngine::StoreStandard(vd::WorkMode mode, int32_t family) {
  (mode == vd::WorkMode::kSVideo ? standard0 : standard1) = family;
  log.push_back("store " + std::to_string(vd::StoredNumber(mode)) + " " + std::to_string(family));
}

bool FakePagesEngine::ApplyAudioFormat(const AudioFormat& format) {
  appliedAudio.push_back(format);
  return true;
}

std::vector<VideoFormat> FakePagesEngine::VideoFormats(PinKind) {
  return captureFormats;
}

std::optional<VideoFormat> FakePagesEngine::CurrentVideoFormat(PinKind) {
  if (captureFormats.empty()) return std::nullopt;
  return captureFormats.front();
}

bool FakePagesEngine::ApplyVideoFormat(PinKind pin, const VideoFormat& format) {
  log.push_back("apply format");
  appliedVideo.emplace_back(pin, format);
  return true;
}

bool FakePagesEngine::RouteVideoInput(int32_t input) {
  log.push_back("route " + std::to_string(input));
  currentInput = input;
  return true;
}

}  // namespace vd::test
