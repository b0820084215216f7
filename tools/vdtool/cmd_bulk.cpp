// vdtool bulk: the TV box's bulk byte stream. The command only dispatches to subcommands
// (bulk_command.h); "record" lives here.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "bulk_command.h"
#include "command.h"
#include "tuner_device.h"
#include "unplug_watch.h"
#include "vd/device_enumerator.h"
#include "vd/file_replace.h"
#include "vd/gst_elements.h"
#include "vd/gst_ptr.h"
#include "vd/stop_signals.h"

namespace vdtool {

namespace {
std::vector<BulkSubcommand>& Subcommands() {
  static std::vector<BulkSubcommand> table;
  return table;
}

void ListSubcommands(std::ostream& out) {
  auto list = Subcommands();
  std::sort(list.begin(), list.end(), [](auto& a, auto& b) { return a.name < b.name; });
  out << "Subcommands:\n";
  for (const auto& s : list) out << "  " << s.synopsis << "\n";
}

int RunBulk(const std::vector<std::string>& args) {
  if (args.empty()) {
    std::cerr << "Usage: vdtool bulk SUBCOMMAND [ARGS...]\n";
    ListSubcommands(std::cerr);
    return 2;
  }
  for (const auto& s : Subcommands()) {
    if (s.name == args[0]) return s.run({args.begin() + 1, args.end()});
  }
  return UsageError("bulk: unknown subcommand '" + args[0] + "' (run 'vdtool bulk' for the list)");
}

std::string SubcommandUsages() {
  auto list = Subcommands();
  std::sort(list.begin(), list.end(), [](auto& a, auto& b) { return a.name < b.name; });
  std::string text;
  for (const auto& s : list) text += "\n" + s.usage;
  return text;
}

Registrar bulkCommand({"bulk", "work with the TV box's bulk byte stream",
                       "Usage: vdtool bulk SUBCOMMAND [ARGS...]\n"
                       "Works with the bulk byte stream of the capture device (filler, teletext\n"
                       "records, infrared bursts). Run 'vdtool bulk' without arguments for the\n"
                       "list of subcommands.\n",
                       RunBulk, SubcommandUsages});

// --- record

std::unique_ptr<vd::CaptureDevice> OpenBulkDevice() {
  auto& enumerator = vd::DeviceEnumerator::Default();
  std::vector<vd::DeviceInfo> videos = enumerator.VideoInputDevices();
  if (vdtool::DeviceChosen()) {
    vd::DeviceInfo card;
    if (!vdtool::ChosenDeviceOrSay("", &card)) return nullptr;
    videos = {card};
  }
  for (const auto& info : videos) {
    auto device = enumerator.Open(info);
    if (device && device->HasPin(vd::PinKind::kBulk)) return device;
  }
  return nullptr;
}

// Writes what `sink` gives to `out` until `stop`, a stop signal or the device's removal (its
// stream ends only so); what went wrong, empty when nothing did. *total counts the bytes.
std::string Pull(GstAppSink* sink, std::chrono::steady_clock::time_point stop,
                 vd::FileReplacement& out, const UnplugWatch& unplug, uint64_t* total) {
  std::string failure;
  // Short pulls, so that a stop signal is seen within a tenth of a second.
  constexpr int64_t kPollNs = 100'000'000;
  while (vd::StopSignals::Received() == 0 && std::chrono::steady_clock::now() < stop &&
         !unplug.Unplugged()) {
    auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
        stop - std::chrono::steady_clock::now());
    const vd::SamplePtr sample(
        gst_app_sink_try_pull_sample(sink, std::clamp<int64_t>(left.count(), 0, kPollNs)));
    if (sample == nullptr) {
      if (gst_app_sink_is_eos(sink)) break;
      continue;
    }
    GstMapInfo map;
    GstBuffer* buffer = gst_sample_get_buffer(sample.get());
    if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
      if (!out.Write(std::span<const uint8_t>(map.data, map.size))) failure = out.Error();
      *total += map.size;
      gst_buffer_unmap(buffer, &map);
    }
    if (!failure.empty()) break;
  }
  return failure;
}

int Record(const std::vector<std::string>& args) {
  if (args.size() != 2) return UsageError("bulk record: expected FILE SECONDS");
  const std::string& file = args[0];
  char* end = nullptr;
  errno = 0;
  long seconds = std::strtol(args[1].c_str(), &end, 10);
  if (errno != 0 || end == args[1].c_str() || *end != '\0' || seconds < 1 || seconds > 3600)
    return UsageError("bulk record: SECONDS must be a whole number from 1 to 3600");

  if (!vdtool::ElementsPresent()) return 1;
  auto device = OpenBulkDevice();
  if (!device) {
    std::cerr << "vdtool: bulk record: no capture device with a bulk pin\n";
    return 1;
  }
  // The stream goes into a new version beside FILE that has no name until it is complete:
  // a failure, a kill or a full disk leaves neither a half file nor a scratch file.
  vd::FileReplacement out;
  if (!out.Begin(file)) {
    std::cerr << "vdtool: bulk record: cannot write " << file << ": " << out.Error() << "\n";
    return 1;
  }
  // Ctrl+C or SIGTERM end the recording early; what arrived until then is kept. So does the
  // device's removal, said as such.
  vd::StopSignals::Install();
  const UnplugWatch unplug(device->Info().friendlyName);
  gst_init(nullptr, nullptr);
  vd::PipelinePtr pipeline(gst_pipeline_new(nullptr));
  GstElement* source = device->CreateSourceBin(vd::PinKind::kBulk);
  GstElement* sink = vd::MakeElement<"appsink">();
  g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
  gst_bin_add_many(GST_BIN(pipeline.get()), source, sink, nullptr);
  bool ok = gst_element_link(source, sink) == TRUE &&
            gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;

  uint64_t total = 0;
  std::string failure;
  const auto start = std::chrono::steady_clock::now();
  auto stop = start + std::chrono::seconds(seconds);
  if (ok) failure = Pull(GST_APP_SINK(sink), stop, out, unplug, &total);
  // The stream ends early only when its device went, whichever of the two said so first.
  const bool unplugged = ok && failure.empty() && vd::StopSignals::Received() == 0 &&
                         (unplug.Unplugged() || std::chrono::steady_clock::now() < stop);
  pipeline.reset();
  if (!ok) failure = "cannot start the bulk stream";
  if (failure.empty() && !out.Commit()) failure = out.Error();
  if (!failure.empty()) {
    out.Discard();
    std::cerr << "vdtool: bulk record: " << failure << "\n";
    return 1;
  }
  if (unplugged) {
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::cerr << "vdtool: bulk record: " << UnplugWatch::kText
              << "; what arrived before it is kept\n";
    std::printf("recorded %llu bytes in %.1f s to %s\n", static_cast<unsigned long long>(total),
                took.count(), file.c_str());
    return 1;
  }
  if (const int signal = vd::StopSignals::Received(); signal != 0) {
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::cerr << "vdtool: bulk record: stopped early by " << strsignal(signal) << "\n";
    std::printf("recorded %llu bytes in %.1f s to %s\n", static_cast<unsigned long long>(total),
                took.count(), file.c_str());
    return 0;
  }
  std::cout << "recorded " << total << " bytes in " << seconds << " s to " << file << "\n";
  return 0;
}

BulkSubcommandRegistrar recordSubcommand(
    {"record", "record FILE SECONDS   write SECONDS of the bulk stream to FILE", Record,
     "Usage: vdtool bulk record FILE SECONDS\n"
     "Writes SECONDS (1 to 3600) of the first capture device's bulk stream to FILE; the file\n"
     "appears complete or not at all. When the device is unplugged meanwhile, what arrived\n"
     "before is written and the exit status is 1.\n"});
}  // namespace

void RegisterBulkSubcommand(BulkSubcommand subcommand) {
  Subcommands().push_back(std::move(subcommand));
}

}  // namespace vdtool
