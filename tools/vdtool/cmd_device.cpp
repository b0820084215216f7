// vdtool device: the capture devices the device layer finds, and a tuning probe.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "command.h"
#include "vd/device_enumerator.h"
#include "vd/device_props.h"

namespace {

const char kUsage[] =
    "Usage: vdtool device list\n"
    "       vdtool device tune FREQ_MHZ [--radio]\n"
    "\n"
    "  list   the video and audio input devices: name, hardware key, whether the device\n"
    "         answers the product property set (with its product id) and its pins\n"
    "  tune   tunes the first device of the product to FREQ_MHZ (TV, or FM radio with\n"
    "         --radio) and prints whether a station is received: \"signal: yes\" or\n"
    "         \"signal: no\"\n";

const char* KindName(vd::PinKind kind) {
  switch (kind) {
    case vd::PinKind::kCapture:
      return "capture";
    case vd::PinKind::kPreview:
      return "preview";
    case vd::PinKind::kStill:
      return "still";
    case vd::PinKind::kAudioPreview:
      return "audio preview";
    case vd::PinKind::kAudioCapture:
      return "audio capture";
    case vd::PinKind::kBulk:
      return "bulk";
    case vd::PinKind::kAnalogVideoIn:
      return "analogue video in";
  }
  return "?";
}

// The product id when the device answers the product property set.
bool ProductId(vd::CaptureDevice& device, uint32_t* id) {
  vd::KsPropertySet* props = device.QueryPropertySet();
  if (props == nullptr) return false;
  uint32_t support = 0;
  bool ok =
      vd::Succeeded(props->QuerySupported(vd::kPropSetProduct, vd::kProductPropId, &support)) &&
      vd::Succeeded(
          props->Get(vd::kPropSetProduct, vd::kProductPropId, nullptr, 0, id, 4, nullptr));
  props->Release();
  return ok;
}

void PrintDevice(size_t index, const vd::DeviceInfo& info, vd::CaptureDevice* device) {
  std::cout << index << "  " << info.friendlyName << "\n";
  std::cout << "   hardware key: " << (info.hardwareKey.empty() ? "-" : info.hardwareKey) << "\n";
  if (device == nullptr) {
    std::cout << "   (cannot be opened)\n";
    return;
  }
  uint32_t id = 0;
  if (ProductId(*device, &id)) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", id);
    std::cout << "   product: yes, id " << text << "\n";
  } else {
    std::cout << "   product: no\n";
  }
  std::cout << "   pins:\n";
  for (const auto& pin : device->Pins()) {
    std::cout << "     " << pin.name << " ("
              << (pin.direction == vd::PinDirection::kInput ? "in" : "out") << ", "
              << KindName(pin.kind) << ") " << pin.category.ToString() << "\n";
  }
}

int List() {
  auto& enumerator = vd::DeviceEnumerator::Default();
  auto videos = enumerator.VideoInputDevices();
  std::cout << "Video input devices:\n";
  if (videos.empty()) std::cout << "  (none)\n";
  for (size_t i = 0; i < videos.size(); ++i) {
    auto device = enumerator.Open(videos[i]);
    PrintDevice(i, videos[i], device.get());
  }
  auto audios = enumerator.AudioInputDevices();
  std::cout << "Audio input devices:\n";
  if (audios.empty()) std::cout << "  (none)\n";
  for (size_t i = 0; i < audios.size(); ++i) {
    std::cout << i << "  " << audios[i].friendlyName << "\n";
  }
  return 0;
}

int Tune(const std::vector<std::string>& args) {
  bool radio = false;
  std::string number;
  for (const auto& a : args) {
    if (a == "--radio") {
      radio = true;
    } else if (number.empty() && !a.empty() && a[0] != '-') {
      number = a;
    } else {
      return vdtool::UsageError("device tune: unexpected argument '" + a + "'");
    }
  }
  if (number.empty()) return vdtool::UsageError("device tune: expected FREQ_MHZ");
  char* end = nullptr;
  errno = 0;
  double mhz = std::strtod(number.c_str(), &end);
  if (errno != 0 || end == number.c_str() || *end != '\0' || !(mhz > 0 && mhz < 4000))
    return vdtool::UsageError("device tune: '" + number + "' is not a frequency in MHz");
  auto hz = static_cast<uint32_t>(mhz * 1e6 + 0.5);

  auto& enumerator = vd::DeviceEnumerator::Default();
  for (const auto& info : enumerator.VideoInputDevices()) {
    auto device = enumerator.Open(info);
    uint32_t id = 0;
    if (!device || !ProductId(*device, &id)) continue;
    vd::KsPropertySet* props = device->QueryPropertySet();
    uint32_t mode = radio ? vd::kTunerModeRadio : vd::kTunerModeTv;
    vd::TunerRange range{};
    vd::HResult hr = props->Set(vd::kPropSetTuner, vd::kTunerPropMode, nullptr, 0, &mode, 4);
    if (vd::Succeeded(hr)) {
      hr = props->Get(vd::kPropSetTuner, vd::kTunerPropRange, &mode, 4, &range, sizeof range,
                      nullptr);
    }
    if (vd::Succeeded(hr))
      hr = props->Set(vd::kPropSetTuner, vd::kTunerPropFrequency, nullptr, 0, &hz, 4);
    uint32_t signal = 0;
    if (vd::Succeeded(hr)) {
      hr = props->Get(vd::kPropSetTuner, vd::kTunerPropSignal, nullptr, 0, &signal, 4, nullptr);
    }
    props->Release();
    if (hr == vd::kEInvalidArg && range.maxHz != 0) {
      std::fprintf(stderr, "vdtool: device tune: %.2f MHz is outside the %s range %.2f-%.2f MHz\n",
                   hz / 1e6, radio ? "radio" : "TV", range.minHz / 1e6, range.maxHz / 1e6);
      return 1;
    }
    if (vd::Failed(hr)) {
      std::fprintf(stderr, "vdtool: device tune: the tuner failed (0x%08X)\n",
                   static_cast<unsigned>(hr));
      return 1;
    }
    std::printf("%s %.2f MHz on %s\nsignal: %s\n", radio ? "radio" : "TV", hz / 1e6,
                info.friendlyName.c_str(), signal != 0 ? "yes" : "no");
    return 0;
  }
  std::cerr << "vdtool: device tune: no capture device of the product\n";
  return 1;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) return vdtool::UsageError("device: expected 'list' or 'tune'");
  if (args[0] == "list") {
    if (args.size() != 1) return vdtool::UsageError("device list: takes no arguments");
    return List();
  }
  if (args[0] == "tune") return Tune({args.begin() + 1, args.end()});
  return vdtool::UsageError("device: unknown subcommand '" + args[0] + "'");
}

vdtool::Registrar registrar({"device", "list capture devices, probe the tuner", kUsage, Run});

}  // namespace
