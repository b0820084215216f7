// vdtool bulk decode: runs a recorded bulk stream through the parser's ring, scanner and remote
// decoder, one sample at a time, and prints what a parser object would deliver. Deterministic:
// the scanner runs once after every sample, as the worker does after each wake.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "bulk_command.h"
#include "bulk_parser.h"
#include "byte_ring.h"
#include "command.h"

namespace {

constexpr size_t kDefaultSample = 4096;

class PrintingHandler final : public vd::BulkParser::Handler {
 public:
  uint64_t records = 0;
  uint64_t codes = 0;

  bool WantsRecords() override { return true; }
  bool WantsCodes() override { return true; }
  void OnRecord(const uint8_t* record, size_t length) override {
    ++records;
    std::printf("record len=%zu A=0x%02X B=0x%02X payload=", length, record[2], record[3]);
    for (size_t i = 4; i < length; ++i) std::printf("%02X", record[i]);
    std::printf("\n");
  }
  void OnCode(uint32_t code) override {
    ++codes;
    std::printf("remote 0x%X\n", code);
  }
};

// Scans the stream of `in` in pieces of `sample` bytes, as the ring gets them from the
// device, printing what it finds; the exit status.
int Decode(std::ifstream& in, const std::string& path, bool compact, size_t sample) {
  const auto mode = compact ? vd::BulkParser::Mode::kCompact : vd::BulkParser::Mode::kFull;
  vd::ByteRing ring(compact ? 65536 : 95536, false);
  vd::BulkParser parser(mode);
  PrintingHandler handler;
  uint64_t samples = 0, dropped = 0, bytes = 0;
  std::vector<uint8_t> buffer(sample);
  while (in) {
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(sample));
    const auto n = static_cast<size_t>(in.gcount());
    if (n == 0) break;
    ++samples;
    bytes += n;
    if (!ring.Write(buffer.data(), n)) ++dropped;
    parser.Scan(ring, handler);
  }
  if (in.bad()) {
    std::cerr << "vdtool: read error in " << path << "\n";
    return 1;
  }
  std::printf(
      "%llu bytes in %llu samples: %llu records, %llu remote codes, %llu samples dropped, "
      "%zu bytes left unscanned\n",
      static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(samples),
      static_cast<unsigned long long>(handler.records),
      static_cast<unsigned long long>(handler.codes), static_cast<unsigned long long>(dropped),
      ring.Used());
  return dropped > 0 ? 1 : 0;
}

int Run(const std::vector<std::string>& args) {
  std::string path;
  bool compact = false;
  size_t sample = kDefaultSample;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--compact") {
      compact = true;
    } else if (args[i] == "--sample") {
      if (i + 1 >= args.size()) return vdtool::UsageError("--sample needs a byte count");
      const std::string& value = args[++i];
      char* end = nullptr;
      errno = 0;
      const unsigned long long n = std::strtoull(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || errno != 0 || n == 0 || value[0] == '-') {
        return vdtool::UsageError("--sample wants a positive byte count, not '" + value + "'");
      }
      sample = static_cast<size_t>(n);
    } else if (!args[i].empty() && args[i][0] == '-') {
      return vdtool::UsageError("unknown option '" + args[i] +
                                "' (see 'vdtool bulk decode --help')");
    } else if (path.empty()) {
      path = args[i];
    } else {
      return vdtool::UsageError("only one FILE, please");
    }
  }
  if (path.empty()) return vdtool::UsageError("bulk decode needs a FILE");

  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cerr << "vdtool: cannot open " << path << ": " << std::strerror(errno) << "\n";
    return 1;
  }

  return Decode(in, path, compact, sample);
}

constexpr const char* kUsage =
    "Usage: vdtool bulk decode FILE [--compact] [--sample BYTES]\n"
    "Feeds FILE through the stream parser in samples of BYTES (default 4096), scanning after\n"
    "each sample, and prints every record (length, data bytes A and B, payload in hex) and every\n"
    "remote code, then the counts. --compact applies the compact build's rules (65,536-byte\n"
    "ring, no remote decoding). The last 67 bytes or fewer are never scanned, as in the library.\n"
    "Exit status 1 when the file cannot be read or a sample did not fit the ring.\n";

int RunDecode(const std::vector<std::string>& args) {
  if (vdtool::WantsHelp(args)) {
    std::cout << kUsage;
    return 0;
  }
  return Run(args);
}

const vdtool::BulkSubcommandRegistrar kRegistrar({
    "decode",
    "decode FILE [--compact] [--sample BYTES]  records and remote codes of a recorded stream",
    &RunDecode,
    kUsage,
});

}  // namespace
