// vdtool teletext: runs the teletext library's conversion over a recorded bulk stream, the
// way its worker would, and prints what a host would get.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "command.h"
#include "page_text.h"
#include "vbi_converter.h"

namespace {

constexpr size_t kDefaultSample = 4096;

std::optional<long> ParseNumber(const std::string& text, int base) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, base);
  if (errno != 0 || *end != '\0') return std::nullopt;
  return value;
}

struct RemoteEvent {
  uint32_t afterPackets;  // packets of the pass that came before it
  int32_t units;
  int32_t code;
};

int RunTeletext(const std::vector<std::string>& args) {
  std::string path;
  std::optional<int> page;
  size_t sample = kDefaultSample;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--page" || a == "--sample") {
      if (i + 1 >= args.size()) return vdtool::UsageError(a + " needs a value");
      const std::string value = args[++i];
      if (a == "--page") {
        // Page numbers are written as on screen (100-899) and read in hexadecimal.
        auto n = ParseNumber(value, 16);
        if (!n || *n < 0x100 || *n > 0x8FF) {
          return vdtool::UsageError("--page wants a page number from 100 to 8FF, not '" + value +
                                    "'");
        }
        page = static_cast<int>(*n);
      } else {
        auto n = ParseNumber(value, 10);
        if (!n || *n < 1 || *n > static_cast<long>(vd::RawRing::kSize)) {
          return vdtool::UsageError("--sample wants a byte count from 1 to " +
                                    std::to_string(vd::RawRing::kSize) + ", not '" + value + "'");
        }
        sample = static_cast<size_t>(*n);
      }
    } else if (!a.empty() && a[0] == '-') {
      return vdtool::UsageError("teletext: unknown option '" + a + "'");
    } else if (path.empty()) {
      path = a;
    } else {
      return vdtool::UsageError("teletext: only one FILE");
    }
  }
  if (path.empty())
    return vdtool::UsageError("teletext: FILE is missing (see 'vdtool teletext --help')");
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cerr << "vdtool: cannot open '" << path << "': " << std::strerror(errno) << "\n";
    return 1;
  }

  std::vector<RemoteEvent> remotes;
  vd::VbiConverter* conv = nullptr;
  auto converter =
      std::make_unique<vd::VbiConverter>([&remotes, &conv](int32_t units, int32_t code) {
        remotes.push_back({conv->PacketsInBuffer(), units, code});
      });
  conv = converter.get();
  vd::PageText pages;
  std::vector<uint8_t> buffer(sample);
  std::vector<uint8_t> packets(vd::VbiConverter::kSlots * vd::VbiConverter::kPacketSize);
  uint64_t packetTotal = 0, remoteTotal = 0, dropped = 0;

  auto printPacket = [&](const uint8_t* p) {
    int magazine = 0, row = 0;
    if (vd::PageText::PacketAddress(p, magazine, row)) {
      std::printf("packet %llu magazine %d row %d\n", static_cast<unsigned long long>(packetTotal),
                  magazine, row);
    } else {
      std::printf("packet %llu address damaged\n", static_cast<unsigned long long>(packetTotal));
    }
    ++packetTotal;
    if (page) pages.Feed(p);
  };

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
      for (; next < remotes.size() && remotes[next].afterPackets <= i; ++next) {
        std::printf("remote %d 0x%X\n", remotes[next].units,
                    static_cast<unsigned>(remotes[next].code));
        ++remoteTotal;
      }
      printPacket(packets.data() + static_cast<size_t>(i) * vd::VbiConverter::kPacketSize);
    }
    for (; next < remotes.size(); ++next) {
      std::printf("remote %d 0x%X\n", remotes[next].units,
                  static_cast<unsigned>(remotes[next].code));
      ++remoteTotal;
    }
  }
  std::printf("%llu packets, %llu remote codes, %llu samples dropped\n",
              static_cast<unsigned long long>(packetTotal),
              static_cast<unsigned long long>(remoteTotal),
              static_cast<unsigned long long>(dropped));
  if (page) {
    auto text = pages.Page(*page);
    if (!text) {
      std::printf("page %X not found\n", *page);
      return 1;
    }
    std::printf("page %X:\n", *page);
    for (const auto& line : *text) std::printf("%s\n", line.c_str());
  }
  return 0;
}

const vdtool::Registrar kTeletext({
    "teletext",
    "teletext packets and remote codes in a recorded bulk stream",
    "Usage: vdtool teletext FILE [--page N] [--sample BYTES]\n"
    "Runs the teletext library's conversion over a recorded bulk stream, delivered in samples\n"
    "of BYTES (default 4096, at most 20160) with one conversion pass after each, and prints\n"
    "each packet's magazine and row and each remote code as its unit count and code.\n"
    "  --page N         also show teletext page N (100-8FF) as text\n"
    "  --sample BYTES   sample size\n",
    RunTeletext,
});

}  // namespace
