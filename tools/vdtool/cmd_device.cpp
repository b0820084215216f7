// vdtool device: the capture devices the device layer finds, and a tuning probe.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "arguments.h"
#include "command.h"
#include "tuner_device.h"
#include "vd/device_enumerator.h"
#include "vd/device_event_sink.h"
#include "vd/device_props.h"
#include "vd/sound_input_backend.h"
#include "vd/v4l2_backend.h"
#include "viewer_settings.h"

namespace {

const char kUsage[] =
    "Usage: vdtool device list\n"
    "       vdtool device tune FREQ_MHZ [--radio] [--device N|/dev/videoX]\n"
    "       vdtool device picture [brightness|contrast|hue|saturation VALUE] [--device ...]\n"
    "       vdtool device watch [--seconds S]\n"
    "\n"
    "  list   the video and audio input devices: name, hardware key, its nodes and bus path\n"
    "         (what --device N or --device /dev/videoX names), whether the device\n"
    "         answers the product property set (with its product id), its inputs, the\n"
    "         video standards it can decode (and the one it uses now) and its pins; then\n"
    "         the machine's sound inputs, which a card without sound can record from\n"
    "         ('vdtool record --audio')\n"
    "  tune   tunes the last device with a tuner (a card of any make: the one the viewer\n"
    "         takes) to FREQ_MHZ (TV, or FM radio with --radio) and prints whether a\n"
    "         station is received: \"signal: yes\" or \"signal: no\"; the frequency said is\n"
    "         the one the card is on (a card may round it to its own steps)\n"
    "  picture  the picture controls of the device the viewer takes (the last one): each\n"
    "         with its range, default and value; with a name and VALUE it sets that one\n"
    "         first, as the viewer's colour page does\n"
    "  watch  prints each device that arrives or goes, as the viewer hears of it, for S\n"
    "         seconds (default 60; Ctrl+C ends it)\n";

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

const char* InputName(int32_t physicalType) {
  switch (physicalType) {
    case vd::physical::kVideoTuner:
      return "TV tuner";
    case vd::physical::kVideoComposite:
      return "composite";
    case vd::physical::kVideoSVideo:
      return "S-Video";
    case vd::physical::kAudioTuner:
      return "tuner sound";
    case vd::physical::kAudioLine:
      return "line sound";
  }
  return "other";
}

// The crossbar's inputs and the decoder's standards, as the device reports them now.
void PrintInputsAndStandards(vd::CaptureDevice& device) {
  int32_t outputs = 0, inputs = 0;
  if (vd::Succeeded(device.CrossbarPinCounts(&outputs, &inputs)) && inputs > 0) {
    std::cout << "   inputs:";
    for (int32_t i = 0; i < inputs; ++i) {
      vd::CrossbarPin pin;
      if (vd::Succeeded(device.CrossbarPinInfo(true, i, &pin)))
        std::cout << (i == 0 ? " " : ", ") << InputName(pin.physicalType);
    }
    std::cout << "\n";
  }
  static constexpr std::pair<uint32_t, const char*> kStandards[] = {
      {vd::standard::kNtscM, "NTSC-M"},     {vd::standard::kNtscMJapan, "NTSC-M-JP"},
      {vd::standard::kNtsc433, "NTSC-443"}, {vd::standard::kPalB, "PAL-B"},
      {vd::standard::kPalD, "PAL-D"},       {vd::standard::kPalG, "PAL-G"},
      {vd::standard::kPalH, "PAL-H"},       {vd::standard::kPalI, "PAL-I"},
      {vd::standard::kPalM, "PAL-M"},       {vd::standard::kPalN, "PAL-N"},
      {vd::standard::kPal60, "PAL-60"},     {vd::standard::kPalNCombo, "PAL-Nc"},
      {vd::standard::kSecamB, "SECAM-B"},   {vd::standard::kSecamD, "SECAM-D"},
      {vd::standard::kSecamG, "SECAM-G"},   {vd::standard::kSecamH, "SECAM-H"},
      {vd::standard::kSecamK, "SECAM-K"},   {vd::standard::kSecamK1, "SECAM-K1"},
      {vd::standard::kSecamL, "SECAM-L"},   {vd::standard::kSecamL1, "SECAM-L1"},
  };
  uint32_t mask = 0, now = 0;
  if (vd::Failed(device.AvailableTvFormats(&mask)) || mask == 0) return;
  std::cout << "   standards:";
  for (auto [bit, name] : kStandards)
    if ((mask & bit) != 0) std::cout << " " << name;
  if (vd::Succeeded(device.TvFormat(&now)))
    for (auto [bit, name] : kStandards)
      if (now == bit) std::cout << " (now " << name << ")";
  std::cout << "\n";
}

// The product id when the device answers the product property set.
bool ProductId(vd::CaptureDevice& device, uint32_t* id) {
  const vd::KsPropertySetPtr props(device.QueryPropertySet());
  if (props == nullptr) return false;
  uint32_t support = 0;
  return vd::Succeeded(props->QuerySupported(vd::kPropSetProduct, vd::kProductPropId, &support)) &&
         vd::Succeeded(
             props->Get(vd::kPropSetProduct, vd::kProductPropId, nullptr, 0, id, 4, nullptr));
}

void PrintDevice(size_t index, const vd::DeviceInfo& info, vd::CaptureDevice* device) {
  std::cout << index << "  " << info.friendlyName << "\n";
  std::cout << "   hardware key: " << (info.hardwareKey.empty() ? "-" : info.hardwareKey) << "\n";
  // What tells two cards of one model apart, and what --device takes.
  std::cout << "   node: " << info.path;
  for (const std::string& node : info.nodes) std::cout << " " << node;
  std::cout << "\n   bus path: " << (info.busPath.empty() ? "-" : info.busPath);
  if (!info.driver.empty()) std::cout << " (driver " << info.driver << ")";
  std::cout << "\n";
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
  PrintInputsAndStandards(*device);
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
  std::cout << "Sound inputs:\n";
  const auto inputs = vd::SoundInputBackend().Devices(vd::DeviceCategory::kAudioInput);
  if (inputs.empty()) std::cout << "  (none)\n";
  for (const vd::DeviceInfo& input : inputs)
    std::cout << "  " << input.friendlyName << "  (" << input.path << ")\n";
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
  if (vdtool::RecordingHoldsTheDevice("device tune")) return 1;

  std::string name, why;
  vd::KsPropertySetPtr props(vdtool::OpenTunerDevice(&name, &why));
  if (props == nullptr) {
    std::cerr << "vdtool: device tune: " << why << "\n";
    return 1;
  }
  uint32_t mode = radio ? vd::kTunerModeRadio : vd::kTunerModeTv;
  vd::TunerRange range{};
  vd::HResult hr = props->Set(vd::kPropSetTuner, vd::kTunerPropMode, nullptr, 0, &mode, 4);
  if (vd::Succeeded(hr)) {
    hr =
        props->Get(vd::kPropSetTuner, vd::kTunerPropRange, &mode, 4, &range, sizeof range, nullptr);
  }
  if (vd::Succeeded(hr))
    hr = props->Set(vd::kPropSetTuner, vd::kTunerPropFrequency, nullptr, 0, &hz, 4);
  uint32_t signal = 0;
  if (vd::Succeeded(hr)) {
    hr = props->Get(vd::kPropSetTuner, vd::kTunerPropSignal, nullptr, 0, &signal, 4, nullptr);
  }
  // A card may move the frequency to one it can tune: what is said is where it is.
  uint32_t tuned = hz;
  if (vd::Succeeded(hr)) {
    hr = props->Get(vd::kPropSetTuner, vd::kTunerPropFrequency, nullptr, 0, &tuned, 4, nullptr);
  }
  props.reset();  // the device is let go before the answer is printed
  if (hr == vd::kEInvalidArg && range.maxHz != 0) {
    std::fprintf(stderr, "vdtool: device tune: %.2f MHz is outside the %s range %.2f-%.2f MHz\n",
                 hz / 1e6, radio ? "radio" : "TV", range.minHz / 1e6, range.maxHz / 1e6);
    return 1;
  }
  if (hr == vd::kEDeviceBusy) {
    std::fprintf(stderr,
                 "vdtool: device tune: another program records from %s and holds its tuner; "
                 "try again when the recording has ended\n",
                 name.c_str());
    return 1;
  }
  if (vd::Failed(hr)) {
    std::fprintf(stderr, "vdtool: device tune: the tuner failed (0x%08X)\n",
                 static_cast<unsigned>(hr));
    return 1;
  }
  std::printf("%s %.2f MHz on %s\nsignal: %s\n", radio ? "radio" : "TV", tuned / 1e6, name.c_str(),
              signal != 0 ? "yes" : "no");
  return 0;
}

constexpr std::pair<vd::AmpProperty, const char*> kPictureControls[] = {
    {vd::AmpProperty::kBrightness, "brightness"},
    {vd::AmpProperty::kContrast, "contrast"},
    {vd::AmpProperty::kHue, "hue"},
    {vd::AmpProperty::kSaturation, "saturation"},
};

// The control and whole-number value of "device picture CONTROL VALUE"; *chosen stays null
// when only the listing is asked for. 0 when the arguments hold.
int ParsePictureArgs(const std::vector<std::string>& args, const vd::AmpProperty** chosen,
                     double* value) {
  if (args.size() != 0 && args.size() != 2)
    return vdtool::UsageError("device picture: expected nothing, or a control and a VALUE");
  if (args.size() != 2) return 0;
  for (const auto& [property, name] : kPictureControls)
    if (vdtool::Lower(args[0]) == name) *chosen = &property;
  if (*chosen == nullptr)
    return vdtool::UsageError("device picture: no control '" + args[0] +
                              "' (brightness, contrast, hue, saturation)");
  if (!vdtool::ParseNumber(args[1], value) || *value != static_cast<int32_t>(*value))
    return vdtool::UsageError("device picture: '" + args[1] + "' is not a whole number");
  return 0;
}

// Sets one control, refusing a value outside the range the driver gives. 0 when it is set.
int SetPictureControl(vd::CaptureDevice& device, const std::string& cardName,
                      vd::AmpProperty control, double value, const std::vector<std::string>& args) {
  vd::AmpRange range;
  vd::HResult hr = device.GetAmpRange(control, &range);
  if (vd::Succeeded(hr) && (value < range.min || value > range.max)) {
    std::fprintf(stderr, "vdtool: device picture: %s takes %d to %d, not %s\n", args[0].c_str(),
                 range.min, range.max, args[1].c_str());
    return 1;
  }
  if (vd::Succeeded(hr)) hr = device.SetAmp(control, static_cast<int32_t>(value));
  if (vd::Failed(hr)) {
    std::fprintf(stderr, "vdtool: device picture: %s cannot be set on %s (0x%08X)\n",
                 args[0].c_str(), cardName.c_str(), static_cast<unsigned>(hr));
    return 1;
  }
  return 0;
}

void PrintPictureControls(vd::CaptureDevice& device, const std::string& cardName) {
  std::cout << "Picture controls of " << cardName << ":\n";
  for (const auto& [property, name] : kPictureControls) {
    vd::AmpRange range;
    int32_t now = 0;
    if (vd::Failed(device.GetAmpRange(property, &range)) ||
        vd::Failed(device.GetAmp(property, &now))) {
      std::cout << "  " << name << ": none\n";
      continue;
    }
    std::cout << "  " << name << ": " << now << " (" << range.min << " to " << range.max
              << ", default " << range.defaultValue << ")\n";
  }
}

int Picture(const std::vector<std::string>& args) {
  const vd::AmpProperty* chosen = nullptr;
  double value = 0;
  if (int rc = ParsePictureArgs(args, &chosen, &value); rc != 0) return rc;
  auto& enumerator = vd::DeviceEnumerator::Default();
  auto videos = enumerator.VideoInputDevices();
  if (vdtool::DeviceChosen()) {
    vd::DeviceInfo card;
    if (!vdtool::ChosenDeviceOrSay("device picture", &card)) return 1;
    videos = {card};
  }
  auto device = videos.empty() ? nullptr : enumerator.Open(videos.back());
  if (!device) {
    std::cerr << "vdtool: device picture: no video capture device\n";
    return 1;
  }
  const std::string& cardName = videos.back().friendlyName;
  if (chosen != nullptr && SetPictureControl(*device, cardName, *chosen, value, args) != 0)
    return 1;
  PrintPictureControls(*device, cardName);
  return 0;
}

// Prints what the enumerator reports, from the back-ends' monitor threads.
class WatchPrinter final : public vd::DeviceEventSink {
 public:
  void OnDeviceArrived(const vd::DeviceInfo& device) override { Print("arrived", device); }
  void OnDeviceRemoved(const vd::DeviceInfo& device) override { Print("removed", device); }

 private:
  void Print(const char* what, const vd::DeviceInfo& device) {
    std::lock_guard lock(mutex_);
    std::printf("%s: %s %s (%s)\n", what,
                device.category == vd::DeviceCategory::kVideoInput ? "video" : "audio",
                device.friendlyName.c_str(), device.path.c_str());
    std::fflush(stdout);
  }
  std::mutex mutex_;
};

std::atomic<bool> gWatchInterrupted{false};

int Watch(const std::vector<std::string>& args) {
  double seconds = 60;
  if (args.size() == 2 && args[0] == "--seconds") {
    if (!vdtool::ParseNumber(args[1], &seconds) || !(seconds > 0) || seconds > 86400)
      return vdtool::UsageError("device watch: --seconds takes 0 to 86400, not '" + args[1] + "'");
  } else if (!args.empty()) {
    return vdtool::UsageError("device watch: expected nothing or --seconds S");
  }
  auto& enumerator = vd::DeviceEnumerator::Default();
  WatchPrinter printer;
  enumerator.Subscribe(&printer);
  std::printf("watching for %g s; now %zu video device(s)\n", seconds,
              enumerator.VideoInputDevices().size());
  std::fflush(stdout);
  gWatchInterrupted = false;
  struct sigaction action {
  }, previous{};
  action.sa_handler = [](int) { gWatchInterrupted = true; };
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previous);
  const auto end = std::chrono::steady_clock::now() +
                   std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
  while (!gWatchInterrupted && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  sigaction(SIGINT, &previous, nullptr);
  enumerator.Unsubscribe(&printer);
  return 0;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty())
    return vdtool::UsageError("device: expected 'list', 'tune', 'picture' or 'watch'");
  if (args[0] == "picture") return Picture({args.begin() + 1, args.end()});
  if (args[0] == "watch") return Watch({args.begin() + 1, args.end()});
  if (args[0] == "list") {
    if (args.size() != 1) return vdtool::UsageError("device list: takes no arguments");
    return List();
  }
  if (args[0] == "tune") return Tune({args.begin() + 1, args.end()});
  return vdtool::UsageError("device: unknown subcommand '" + args[0] + "'");
}

vdtool::Registrar registrar({"device", "list capture devices, probe the tuner", kUsage, Run});

}  // namespace
