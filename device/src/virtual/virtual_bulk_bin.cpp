#include "virtual_bulk_bin.h"

#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "gst_support.h"
#include "paced_source.h"
#include "vd/bulk_stream.h"
#include "vd/file_read.h"
#include "vd/trace.h"
#include "virtual_hardware.h"

VD_DEFINE_TRACE(DeviceTrace, "device")

namespace vd {

namespace {
static_assert(VirtualBulkBin::kSampleBytes == BulkStreamGenerator::kFieldBytes);
static_assert(VirtualBulkBin::kPeriod * BulkStreamGenerator::kFieldsPerSecond ==
              std::chrono::seconds(1));

struct BulkFeed {
  std::shared_ptr<VirtualHardware> hardware;
  uint64_t keySerial = 0;
  BulkStreamGenerator generator;
  std::vector<uint8_t> replay;
  size_t replayPos = 0;

  void Fill(uint8_t* data, size_t size) {
    if (!replay.empty()) {
      for (size_t done = 0; done < size;) {
        size_t n = std::min(size - done, replay.size() - replayPos);
        std::memcpy(data + done, replay.data() + replayPos, n);
        done += n;
        replayPos = (replayPos + n) % replay.size();
      }
      return;
    }
    for (uint32_t code : hardware->KeysSince(&keySerial)) generator.PressKey(code);
    generator.SetService(hardware->TeletextStation());
    VirtualBoxFaults faults = hardware->Faults();
    generator.SetFaults({faults.corruptRecords, faults.cutBursts});
    generator.Generate(data, size, std::time(nullptr));
  }
};

std::vector<uint8_t> ReadReplay(const std::string& path) {
  // A FIFO or device named here would block or never end: only a regular file is read.
  std::string error;
  auto bytes = ReadRegularFile(path, VirtualBulkBin::kMaxReplayBytes + 1, &error);
  if (!bytes) {
    DeviceTrace("virtual box: cannot open bulk replay file %s: %s\n", path.c_str(), error.c_str());
    return {};
  }
  if (bytes->size() > VirtualBulkBin::kMaxReplayBytes) {
    DeviceTrace("virtual box: bulk replay file %s is too large\n", path.c_str());
    return {};
  }
  return std::move(*bytes);
}
}  // namespace

GstElement* VirtualBulkBin::Create(std::shared_ptr<VirtualHardware> hardware, uint64_t generation) {
  auto feed = std::make_shared<BulkFeed>();
  feed->hardware = hardware;
  feed->keySerial = hardware->KeySerial();
  if (auto path = hardware->BulkReplayFile()) feed->replay = ReadReplay(*path);

  PacedSource::Producer producer;
  producer.period = kPeriod;
  producer.bytesPerBuffer = kSampleBytes;
  producer.alive = [hardware, generation] { return hardware->IsAlive(generation); };
  producer.fill = [feed](uint8_t* data, size_t size, uint64_t) { feed->Fill(data, size); };
  return PacedSource::Create(gst_caps_new_empty_simple("application/octet-stream"),
                             std::move(producer));
}

}  // namespace vd
