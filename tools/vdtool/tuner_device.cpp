#include "tuner_device.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "vd/device_enumerator.h"
#include "vd/video/card_sound.h"
#include "vd/video/headless_session.h"

namespace vdtool {

namespace {
// A card keeps the input it was last given: one left on a camera or the composite socket
// reports a picture there on every frequency, so tuning and searching go to the tuner's
// picture and sound first, as the viewer's TV mode does.
void RouteToTuner(vd::CaptureDevice& device) {
  if (int32_t input = device.CrossbarInputOf(vd::physical::kVideoTuner); input >= 0)
    device.Route(0, input);
  if (int32_t input = device.CrossbarInputOf(vd::physical::kAudioTuner); input >= 0)
    device.Route(1, input);
}
std::string& Choice() {
  static std::string word;
  return word;
}
}  // namespace

void SetDeviceChoice(std::string word) {
  Choice() = std::move(word);
}

bool DeviceChosen() {
  return !Choice().empty();
}

bool ChosenDevice(vd::DeviceInfo* card, std::string* why) {
  const std::string& word = Choice();
  auto& enumerator = vd::DeviceEnumerator::Default();
  const auto videos = enumerator.VideoInputDevices();
  const bool number =
      !word.empty() && word.size() <= 3 &&
      std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
  for (size_t i = 0; i < videos.size(); ++i) {
    if (number ? std::atoi(word.c_str()) == static_cast<int>(i) : videos[i].path == word) {
      *card = videos[i];
      enumerator.SetBulkCard(*card);
      return true;
    }
  }
  *why = "--device " + word + " names no video capture device (vdtool device list shows them)";
  return false;
}

bool ChosenDeviceOrSay(const std::string& command, vd::DeviceInfo* card) {
  std::string why;
  if (ChosenDevice(card, &why)) return true;
  std::cerr << "vdtool: " << (command.empty() ? "" : command + ": ") << why << "\n";
  return false;
}

bool StartSession(vd::HeadlessSession& session) {
  if (DeviceChosen()) {
    vd::DeviceInfo card;
    if (!ChosenDeviceOrSay("", &card)) return false;
    session.UseCard(vd::CardSound::CardKey(card));
  }
  return session.Start();
}

vd::KsPropertySet* OpenTunerDevice(std::string* name, std::string* why) {
  auto& enumerator = vd::DeviceEnumerator::Default();
  auto videos = enumerator.VideoInputDevices();
  if (DeviceChosen()) {
    vd::DeviceInfo card;
    if (!ChosenDevice(&card, why)) return nullptr;
    videos = {card};
  }
  if (videos.empty()) {
    *why = "no video capture device (vdtool device list shows what is found)";
    return nullptr;
  }
  for (auto info = videos.rbegin(); info != videos.rend(); ++info) {
    auto device = enumerator.Open(*info);
    if (!device || !device->HasFacility(vd::DeviceFacility::kTvTuner)) continue;
    RouteToTuner(*device);
    // The property set holds the device open on its own.
    if (vd::KsPropertySet* props = device->QueryPropertySet()) {
      *name = info->friendlyName;
      return props;
    }
  }
  *why = DeviceChosen() ? "the device chosen has no tuner" : "no capture device has a tuner";
  return nullptr;
}

}  // namespace vdtool
