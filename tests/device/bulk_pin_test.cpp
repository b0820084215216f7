// What the bulk pin carries: teletext records only while a station is received, infrared
// bursts after a key of the virtual remote, and a recorded stream when one is replayed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "pipeline_probe.h"
#include "vd/device_enumerator.h"
#include "vd/device_props.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"

namespace vd {
namespace {

struct Items {
  int records = 0;  // 0x85 with a header of bits 10 and two odd-parity bytes
  int damaged = 0;  // 0x85 after filler whose header fails that test
  int bursts = 0;   // a lead byte with bits 0x70 after more than 15 zeros
};

bool OddParity(uint8_t b) {
  return __builtin_popcount(b) % 2 == 1;
}

Items Scan(const std::vector<uint8_t>& s) {
  Items items;
  int zeros = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    uint8_t b = s[i];
    if (b == 0x85 && i + 3 < s.size() && (s[i + 1] & 0xC0) == 0x80 && OddParity(s[i + 2]) &&
        OddParity(s[i + 3])) {
      ++items.records;
      i += 3 + (s[i + 1] & 0x3F);
      zeros = 0;
    } else if (b == 0x85 && zeros > 0) {
      ++items.damaged;
      zeros = 0;
    } else if ((b & 0x70) == 0x70 && zeros > 15) {
      ++items.bursts;
      i += b & 0x0F;
      zeros = 0;
    } else {
      zeros = b == 0 ? zeros + 1 : 0;
    }
  }
  return items;
}

class BulkPinTest : public ::testing::Test {
 protected:
  BulkPinTest() : box_(std::make_shared<VirtualTvBox>(VirtualBoxConfig{})) {
    box_->SetLockTime(std::chrono::milliseconds(0));
    enumerator_.AddBackend(std::make_unique<VirtualBoxBackend>(box_));
    device_ = enumerator_.OpenVideoInput(0);
  }

  void Tune(uint32_t hz) {
    const KsPropertySetPtr props(device_->QueryPropertySet());
    ASSERT_EQ(props->Set(kPropSetTuner, kTunerPropFrequency, nullptr, 0, &hz, 4), kSOk);
  }

  std::vector<uint8_t> Record(test::PipelineProbe& probe, int samples) {
    std::vector<uint8_t> all;
    for (int i = 0; i < samples; ++i) {
      auto b = probe.PullBytes();
      if (b.empty()) break;
      all.insert(all.end(), b.begin(), b.end());
    }
    return all;
  }

  std::shared_ptr<VirtualTvBox> box_;
  DeviceEnumerator enumerator_;
  std::unique_ptr<CaptureDevice> device_;
};

TEST_F(BulkPinTest, RecordsOnlyWhileAStationIsReceived) {
  Tune(472250000);  // nothing there
  {
    test::PipelineProbe probe(device_->CreateSourceBin(PinKind::kBulk));
    auto bytes = Record(probe, 10);
    ASSERT_EQ(bytes.size(), 10u * 1024u);
    EXPECT_EQ(Scan(bytes).records, 0);
  }
  Tune(471250000);
  test::PipelineProbe probe(device_->CreateSourceBin(PinKind::kBulk));
  EXPECT_GT(Scan(Record(probe, 10)).records, 5);
}

TEST_F(BulkPinTest, CorruptRecordsFaultDamagesSomeHeaders) {
  Tune(471250000);
  {
    test::PipelineProbe probe(device_->CreateSourceBin(PinKind::kBulk));
    Items clean = Scan(Record(probe, 60));
    EXPECT_GT(clean.records, 100);
    EXPECT_EQ(clean.damaged, 0);
  }
  box_->SetFaults({.corruptRecords = true});
  test::PipelineProbe probe(device_->CreateSourceBin(PinKind::kBulk));
  Items faulty = Scan(Record(probe, 60));
  EXPECT_GT(faulty.damaged, 0);
  EXPECT_GT(faulty.records, 0);
}

TEST_F(BulkPinTest, RemoteKeyBringsBursts) {
  test::PipelineProbe probe(device_->CreateSourceBin(PinKind::kBulk));
  EXPECT_EQ(Scan(Record(probe, 5)).bursts, 0);
  box_->PressRemoteKey(0x2A9AAA4);  // channel up
  EXPECT_GT(Scan(Record(probe, 25)).bursts, 0);
}

TEST_F(BulkPinTest, ReplaysARecordedStreamInALoop) {
  auto path = std::filesystem::temp_directory_path() / "vd_bulk_replay_test.bin";
  std::vector<uint8_t> recorded(1500);
  for (size_t i = 0; i < recorded.size(); ++i) recorded[i] = static_cast<uint8_t>(i * 7 + 1);
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(recorded.data()),
              static_cast<std::streamsize>(recorded.size()));
  }
  box_->SetBulkReplayFile(path.string());
  test::PipelineProbe probe(device_->CreateSourceBin(PinKind::kBulk));
  auto bytes = Record(probe, 3);
  std::filesystem::remove(path);
  ASSERT_EQ(bytes.size(), 3072u);
  for (size_t i = 0; i < bytes.size(); ++i) {
    ASSERT_EQ(bytes[i], recorded[i % recorded.size()]) << "byte " << i;
  }
}

TEST_F(BulkPinTest, MissingReplayFileFallsBackToTheGeneratedStream) {
  box_->SetBulkReplayFile("/nonexistent/bulk.bin");
  Tune(471250000);
  test::PipelineProbe probe(device_->CreateSourceBin(PinKind::kBulk));
  EXPECT_GT(Scan(Record(probe, 10)).records, 0);
}

}  // namespace
}  // namespace vd
