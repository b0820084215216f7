// vdtool teletext: runs the teletext library's conversion over a recorded bulk stream, the
// way its worker would, or reads a live device through the library's exported functions,
// and prints what a host would get.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "arguments.h"
#include "command.h"
#include "page_text.h"
#include "png_file.h"
#include "teletext.h"
#include "tuner_device.h"
#include "unplug_watch.h"
#include "vbi_converter.h"
#include "vd/teletext_decoder.h"

namespace {

constexpr size_t kDefaultSample = 4096;
constexpr double kDefaultSeconds = 5;
constexpr double kMaxSeconds = 24 * 3600;
// Room for the whole packet array, so one read empties it.
constexpr int32_t kDeviceRoom = vd::VbiConverter::kSlots * vd::VbiConverter::kPacketSize;

std::optional<long> ParseNumber(const std::string& text, int base) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, base);
  if (errno != 0 || *end != '\0') return std::nullopt;
  return value;
}

std::optional<double> ParseSeconds(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !(value > 0) || value > kMaxSeconds) return std::nullopt;
  return value;
}

struct Options {
  std::string path;
  bool device = false;
  std::optional<int> page;
  std::optional<size_t> sample;
  std::optional<double> seconds;
  bool dump = false;
  std::optional<std::string> png;  // the page drawn, to this file
  bool text = false;               // the page as UTF-8 text
  bool name = false;               // the network's name

  // Rendering the page or naming the network replaces the packet listing.
  bool Renders() const { return png || text || name; }
};

struct RemoteEvent {
  uint32_t afterPackets;  // packets of the pass that came before it
  int32_t units;
  int32_t code;
};

// What both modes print: each packet's address, each remote code, the totals and the page.
class Printer {
 public:
  explicit Printer(const Options& options)
      : page_(options.Renders() ? std::nullopt : options.page),
        dump_(options.dump),
        options_(options) {}

  void Packet(const uint8_t* p) {
    if (options_.Renders()) {
      decoder_.Feed(p);
      return;
    }
    int magazine = 0, row = 0;
    if (vd::PageText::PacketAddress(p, magazine, row)) {
      std::printf("packet %llu magazine %d row %d", static_cast<unsigned long long>(packets_),
                  magazine, row);
    } else {
      std::printf("packet %llu address damaged", static_cast<unsigned long long>(packets_));
    }
    if (dump_) {
      std::printf(" data ");
      for (int i = 0; i < WST_PACKET_SIZE; ++i) std::printf("%02X", p[i]);
    }
    std::printf("\n");
    ++packets_;
    if (page_) pages_.Feed(p);
  }

  void Remote(int32_t units, int32_t code) {
    ++remotes_;
    // A page or a name is all --png, --text and --name print, so scripts can take it whole.
    if (options_.Renders()) return;
    std::printf("remote %d 0x%X\n", units, static_cast<unsigned>(code));
  }

  // True once what was asked for has arrived, so a device read can end early.
  bool Complete() const {
    if (!options_.Renders()) return false;
    if (options_.name) return decoder_.HasServiceName();
    return decoder_.Render(options_.page.value_or(0x100)).has_value();
  }

  // The output of --png, --text and --name; 1 when it did not arrive or cannot be written.
  int Rendered(const char* within) const {
    if (options_.name) {
      const std::string name = decoder_.NetworkName();
      if (name.empty()) {
        std::fprintf(stderr, "vdtool: no network name received%s\n", within);
        return 1;
      }
      std::printf("%s\n", name.c_str());
      return 0;
    }
    const int page = options_.page.value_or(0x100);
    const auto image = decoder_.Render(page);
    if (!image) {
      std::fprintf(stderr, "vdtool: page %X was not received%s\n", static_cast<unsigned>(page),
                   within);
      return 1;
    }
    if (options_.text) {
      for (const auto& row : image->rows) std::printf("%s\n", row.c_str());
    }
    if (options_.png) {
      std::string error;
      if (!vdtool::WritePng(*options_.png, image->width, image->height, image->rgba, &error)) {
        std::fprintf(stderr, "vdtool: cannot write %s: %s\n", options_.png->c_str(), error.c_str());
        return 1;
      }
    }
    return 0;
  }

  void Totals(const char* tail) const {
    if (options_.Renders()) return;
    std::printf("%llu packets, %llu remote codes%s\n", static_cast<unsigned long long>(packets_),
                static_cast<unsigned long long>(remotes_), tail);
  }

  // 1 when the page was asked for and not seen.
  int Page() const {
    if (!page_) return 0;
    auto text = pages_.Page(*page_);
    if (!text) {
      std::printf("page %X not found\n", *page_);
      return 1;
    }
    std::printf("page %X:\n", *page_);
    for (const auto& line : *text) std::printf("%s\n", line.c_str());
    return 0;
  }

 private:
  std::optional<int> page_;
  bool dump_ = false;
  const Options& options_;
  vd::TeletextDecoder decoder_;
  vd::PageText pages_;
  uint64_t packets_ = 0;
  uint64_t remotes_ = 0;
};

int RunFile(const Options& options) {
  std::ifstream in(options.path, std::ios::binary);
  if (!in) {
    std::cerr << "vdtool: cannot open '" << options.path << "': " << std::strerror(errno) << "\n";
    return 1;
  }

  std::vector<RemoteEvent> remotes;
  vd::VbiConverter* conv = nullptr;
  auto converter =
      std::make_unique<vd::VbiConverter>([&remotes, &conv](int32_t units, int32_t code) {
        remotes.push_back({conv->PacketsInBuffer(), units, code});
      });
  conv = converter.get();
  Printer printer(options);
  std::vector<uint8_t> buffer(options.sample.value_or(kDefaultSample));
  std::vector<uint8_t> packets(vd::VbiConverter::kSlots * vd::VbiConverter::kPacketSize);
  uint64_t dropped = 0;

  while (in) {
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
    const auto got = static_cast<size_t>(in.gcount());
    if (got == 0) break;
    vd::RawRing& ring = conv->Ring();
    if (ring.Overflow() || !ring.Write(buffer.data(), got)) {
      ring.SetOverflow();
      ++dropped;
    }
    remotes.clear();
    conv->ConvertPass();
    const uint32_t n = conv->TakePackets(packets.data(), packets.size());
    size_t next = 0;
    for (uint32_t i = 0; i < n; ++i) {
      for (; next < remotes.size() && remotes[next].afterPackets <= i; ++next)
        printer.Remote(remotes[next].units, remotes[next].code);
      printer.Packet(packets.data() + static_cast<size_t>(i) * vd::VbiConverter::kPacketSize);
    }
    for (; next < remotes.size(); ++next) printer.Remote(remotes[next].units, remotes[next].code);
  }
  // A directory opens but cannot be read: no totals for a stream that was never seen.
  if (in.bad()) {
    std::cerr << "vdtool: cannot read '" << options.path << "': " << std::strerror(errno) << "\n";
    return 1;
  }
  const std::string tail = ", " + std::to_string(dropped) + " samples dropped";
  printer.Totals(tail.c_str());
  if (options.Renders()) return printer.Rendered(" in the file");
  return printer.Page();
}

// Remote codes arrive on the library's worker thread; the host thread prints them between
// reads, so the output never interleaves mid-line.
std::mutex gRemoteMutex;
std::vector<std::pair<int32_t, int32_t>> gRemotes;
std::atomic<bool> gInterrupted{false};

int32_t QueueRemote(int32_t units, int32_t code) {
  std::lock_guard lock(gRemoteMutex);
  gRemotes.emplace_back(units, code);
  return 0;
}

void PrintQueuedRemotes(Printer& printer) {
  std::vector<std::pair<int32_t, int32_t>> remotes;
  {
    std::lock_guard lock(gRemoteMutex);
    remotes.swap(gRemotes);
  }
  for (auto [units, code] : remotes) printer.Remote(units, code);
}

int RunDevice(const Options& options) {
  if (!vdtool::ElementsPresent()) return 1;
  // The library reads the card the parser's search finds first: the chosen one, when chosen.
  if (vdtool::DeviceChosen()) {
    vd::DeviceInfo card;
    if (!vdtool::ChosenDeviceOrSay("teletext", &card)) return 1;
  }
  // IR_Init is WST_INIT with the remote callback registered, so keys show as in file mode.
  if (IR_Init(QueueRemote) != 1) {
    std::cerr << "vdtool: no capture device with a bulk pin\n";
    return 1;
  }
  // The library found its device itself: any capture device's removal ends the reading.
  const vdtool::UnplugWatch unplug;
  // Ctrl+C ends the reading early but still dismantles the graph and prints the totals.
  gInterrupted = false;
  struct sigaction action {};
  struct sigaction previous {};
  action.sa_handler = [](int) { gInterrupted = true; };
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previous);

  std::vector<uint8_t> block(WST_DATA_OFFSET + kDeviceRoom);
  auto* header = reinterpret_cast<WstDataBlock*>(block.data());
  const int32_t room = WST_ReadData(SRC_FORMAT, header, 0, kDeviceRoom);
  Printer printer(options);
  int status = 0;
  const auto seconds = std::chrono::duration<double>(options.seconds.value_or(kDefaultSeconds));
  const auto end = std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(seconds);
  while (std::chrono::steady_clock::now() < end && !gInterrupted && !unplug.Unplugged()) {
    // Waits up to 500 ms; 0 means nothing became ready in that time.
    const int32_t got = WST_ReadData(SRC_PACKETS, header, room, 0);
    PrintQueuedRemotes(printer);
    if (got < 0) {
      std::cerr << "vdtool: the teletext library stopped reading\n";
      status = 1;
      break;
    }
    const uint8_t* data = WST_PACKET_DATA(block.data());
    for (int32_t at = 0; at + WST_PACKET_SIZE <= got; at += WST_PACKET_SIZE)
      printer.Packet(data + at);
    if (printer.Complete()) break;
  }
  WST_Control(WST_EXIT, 0, 0);
  sigaction(SIGINT, &previous, nullptr);
  PrintQueuedRemotes(printer);
  printer.Totals("");
  if (status != 0) return status;
  if (unplug.Unplugged()) {
    // What arrived before is shown above; a page asked for may simply not have come yet.
    std::cerr << "vdtool: teletext: " << vdtool::UnplugWatch::kText
              << "; what arrived before it is shown\n";
    return 1;
  }
  if (options.Renders()) {
    char within[64];
    std::snprintf(within, sizeof within, " in %g s", seconds.count());
    return printer.Rendered(within);
  }
  return printer.Page();
}

// The value of --page, --sample or --seconds; a usage error's status when it is wrong.
std::optional<int> TakeValue(const std::string& a, const std::string& value, Options* options) {
  if (a == "--page") {
    // Page numbers are written as on screen (100-899) and read in hexadecimal.
    auto n = ParseNumber(value, 16);
    if (!n || *n < 0x100 || *n > 0x8FF) {
      return vdtool::UsageError("--page wants a page number from 100 to 8FF, not '" + value + "'");
    }
    options->page = static_cast<int>(*n);
  } else if (a == "--sample") {
    auto n = ParseNumber(value, 10);
    if (!n || *n < 1 || *n > static_cast<long>(vd::RawRing::kSize)) {
      return vdtool::UsageError("--sample wants a byte count from 1 to " +
                                std::to_string(vd::RawRing::kSize) + ", not '" + value + "'");
    }
    options->sample = static_cast<size_t>(*n);
  } else {
    options->seconds = ParseSeconds(value);
    if (!options->seconds) {
      return vdtool::UsageError("--seconds wants a time above 0 and up to 86400, not '" + value +
                                "'");
    }
  }
  return std::nullopt;
}

int RunTeletext(const std::vector<std::string>& args) {
  Options options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--device") {
      options.device = true;
    } else if (a == "--dump") {
      options.dump = true;
    } else if (a == "--text") {
      options.text = true;
    } else if (a == "--name") {
      options.name = true;
    } else if (a == "--png") {
      if (i + 1 >= args.size()) return vdtool::UsageError("--png needs a file name");
      options.png = args[++i];
    } else if (a == "--page" || a == "--sample" || a == "--seconds") {
      if (i + 1 >= args.size()) return vdtool::UsageError(a + " needs a value");
      if (const std::optional<int> status = TakeValue(a, args[++i], &options)) return *status;
    } else if (!a.empty() && a[0] == '-') {
      return vdtool::UsageError("teletext: unknown option '" + a + "'");
    } else if (options.path.empty()) {
      options.path = a;
    } else {
      return vdtool::UsageError("teletext: only one FILE");
    }
  }
  if (options.name && (options.png || options.text || options.page))
    return vdtool::UsageError("teletext: --name prints only the name; no --page, --png or --text");
  if (options.png) {
    std::string error;
    if (!vdtool::OutputPathUsable(*options.png, &error)) {
      std::fprintf(stderr, "vdtool: teletext: cannot write %s: %s\n", options.png->c_str(),
                   error.c_str());
      return 1;
    }
  }
  if (options.device) {
    if (!options.path.empty()) return vdtool::UsageError("teletext: a FILE or --device, not both");
    if (options.sample)
      return vdtool::UsageError("teletext: --sample is for files; the device sets its own");
    return RunDevice(options);
  }
  if (options.seconds) return vdtool::UsageError("teletext: --seconds is for --device");
  if (options.path.empty())
    return vdtool::UsageError("teletext: FILE is missing (see 'vdtool teletext --help')");
  return RunFile(options);
}

const vdtool::Registrar kTeletext({
    "teletext",
    "teletext packets and remote codes in a recorded bulk stream or from the device",
    "Usage: vdtool teletext FILE [--page N] [--sample BYTES] [--dump]\n"
    "       vdtool teletext --device [N | /dev/videoX] [--seconds S] [--page N] [--dump]\n"
    "       vdtool teletext (FILE | --device) [--page N] [--png PICTURE] [--text]\n"
    "       vdtool teletext (FILE | --device) --name\n"
    "Runs the teletext library's conversion over a recorded bulk stream, delivered in samples\n"
    "of BYTES (default 4096, at most 20160) with one conversion pass after each, and prints\n"
    "each packet's magazine and row and each remote code as its unit count and code.\n"
    "With --device, reads the first capture device with a bulk pin, or the card named after it\n"
    "(an index of 'vdtool device list' or a /dev/video node), for S seconds (default 5; Ctrl+C\n"
    "ends early) through the library's exported functions and prints the same.\n"
    "  --page N         also show teletext page N (100-8FF) as text\n"
    "  --dump           also print each packet's 42 bytes in hexadecimal\n"
    "  --png PICTURE    write page N (default 100) as a PNG picture, drawn as a set shows it,\n"
    "                   instead of listing the packets; the device is read until it arrives\n"
    "  --text           print page N (default 100) as UTF-8 text, the same way\n"
    "  --name           print the network's name (packet 8/30, else the page headers)\n"
    "  --sample BYTES   sample size (files only)\n"
    "  --seconds S      how long to read the device\n",
    RunTeletext,
});

}  // namespace
