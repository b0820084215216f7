// Clients on several threads at once: tuning, registers, crossbar and amplifier calls while
// the box is unplugged and plugged in and subscribers come and go. Built for the
// ThreadSanitizer run as well.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "vd/device_enumerator.h"
#include "vd/device_props.h"
#include "vd/virtual_box_backend.h"
#include "vd/virtual_tv_box.h"

namespace vd {
namespace {

class CountingSink : public DeviceEventSink {
 public:
  void OnDeviceArrived(const DeviceInfo&) override { arrived.fetch_add(1); }
  void OnDeviceRemoved(const DeviceInfo&) override { removed.fetch_add(1); }
  std::atomic<int> arrived{0};
  std::atomic<int> removed{0};
};

bool Acceptable(HResult hr) {
  return hr == kSOk || hr == kEDeviceGone;
}

TEST(ConcurrencyTest, ClientsOnManyThreadsWhileTheBoxComesAndGoes) {
  auto box = std::make_shared<VirtualTvBox>(VirtualBoxConfig{});
  box->SetLockTime(std::chrono::milliseconds(1));
  DeviceEnumerator enumerator;
  enumerator.AddBackend(std::make_unique<VirtualBoxBackend>(box));
  CountingSink steady;
  enumerator.Subscribe(&steady);

  std::atomic<bool> stop{false};
  std::atomic<int> unexpected{0};
  std::vector<std::thread> threads;
  // Tuner clients: each reopens the device when its object has gone.
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      while (!stop.load()) {
        auto device = enumerator.OpenVideoInput(0);
        if (!device) continue;
        const KsPropertySetPtr props(device->QueryPropertySet());
        for (int i = 0; i < 20 && !stop.load(); ++i) {
          uint32_t hz = t == 0 ? 471250000 : 175250000, signal = 0;
          HResult a = props->Set(kPropSetTuner, kTunerPropFrequency, nullptr, 0, &hz, 4);
          HResult b = props->Get(kPropSetTuner, kTunerPropSignal, nullptr, 0, &signal, 4, nullptr);
          uint32_t reg = 6;
          uint8_t v = static_cast<uint8_t>(i % 3);
          HResult c = props->Set(kPropSetAsic, kAsicPropRegister, &reg, 4, &v, 1);
          if (!Acceptable(a) || !Acceptable(b) || !Acceptable(c)) unexpected.fetch_add(1);
        }
      }
    });
  }
  // A picture client: crossbar, lock and amplifier.
  threads.emplace_back([&] {
    while (!stop.load()) {
      auto device = enumerator.OpenVideoInput(0);
      if (!device) continue;
      for (int i = 0; i < 50 && !stop.load(); ++i) {
        bool locked = false;
        HResult a = device->Route(0, i % 3);
        HResult b = device->HorizontalLocked(&locked);
        HResult c = device->SetAmp(AmpProperty::kBrightness, i % 256);
        if (!Acceptable(a) || !Acceptable(b) || !Acceptable(c)) unexpected.fetch_add(1);
      }
    }
  });
  // Subscribers that come and go while events are delivered.
  threads.emplace_back([&] {
    while (!stop.load()) {
      CountingSink passing;
      enumerator.Subscribe(&passing);
      std::this_thread::yield();
      enumerator.Unsubscribe(&passing);
    }
  });
  // The user pulling the plug.
  const int kCycles = 50;
  for (int i = 0; i < kCycles; ++i) {
    box->Unplug();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    box->Plug();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  stop.store(true);
  for (auto& t : threads) t.join();
  enumerator.Unsubscribe(&steady);

  EXPECT_EQ(unexpected.load(), 0);
  // Each cycle removes and brings back two devices: video and the box's sound.
  EXPECT_EQ(steady.removed.load(), 2 * kCycles);
  EXPECT_EQ(steady.arrived.load(), 2 * kCycles);
  auto device = enumerator.OpenVideoInput(0);
  ASSERT_NE(device, nullptr);
  EXPECT_TRUE(device->IsConnected());
}

}  // namespace
}  // namespace vd
