#include "virtual_audio_bin.h"

#include <cmath>
#include <numbers>

#include "gst_support.h"
#include "paced_source.h"
#include "virtual_hardware.h"

namespace vd {

namespace {
constexpr auto kPeriod = std::chrono::milliseconds(20);
constexpr double kToneAmplitude = 8000;
constexpr int kNoiseAmplitude = 3000;

struct Synth {
  AudioFormat format;
  double phase[2] = {0, 0};
  uint32_t noise = 0x12345678;

  int16_t Noise(int amplitude) {
    noise = noise * 1664525u + 1013904223u;
    return static_cast<int16_t>(static_cast<int>(noise >> 16) % (2 * amplitude + 1) - amplitude);
  }

  void Fill(uint8_t* data, size_t size, const SoundState& sound, int noiseAmplitude) {
    auto* out = reinterpret_cast<int16_t*>(data);
    size_t frames = size / format.BlockAlign();
    double f[2] = {static_cast<double>(sound.toneHz), static_cast<double>(sound.toneHz)};
    if (sound.mode == AudioMode::kStereo) f[1] = sound.toneHz * 1.5;
    if (sound.mode == AudioMode::kSecondLanguage) f[0] = f[1] = sound.toneHz * 2.0;
    for (size_t i = 0; i < frames; ++i) {
      for (int c = 0; c < format.channels; ++c) {
        int16_t v;
        if (sound.noise) {
          v = Noise(noiseAmplitude);
        } else {
          v = static_cast<int16_t>(kToneAmplitude * std::sin(phase[c]));
          phase[c] += 2 * std::numbers::pi * f[c] / format.samplesPerSec;
          if (phase[c] > 2 * std::numbers::pi) phase[c] -= 2 * std::numbers::pi;
        }
        out[i * format.channels + c] = v;
      }
    }
  }
};

size_t BytesPerPeriod(const AudioFormat& format) {
  return static_cast<size_t>(format.samplesPerSec) * kPeriod.count() / 1000 * format.BlockAlign();
}
}  // namespace

GstElement* VirtualAudioBin::Create(std::shared_ptr<VirtualHardware> hardware, uint64_t generation,
                                    const AudioFormat& format) {
  auto synth = std::make_shared<Synth>();
  synth->format = format;
  PacedSource::Producer producer;
  producer.period = kPeriod;
  producer.bytesPerBuffer = BytesPerPeriod(format);
  producer.alive = [hardware, generation] { return hardware->IsAlive(generation); };
  producer.driftPpm = [hardware] { return hardware->Faults().clockDriftPpm; };
  producer.startDelay = [hardware] {
    return std::chrono::milliseconds(hardware->Faults().soundLateMs);
  };
  producer.fill = [hardware, synth](uint8_t* data, size_t size, uint64_t) {
    synth->Fill(data, size, hardware->CurrentSound(), kNoiseAmplitude);
  };
  return PacedSource::Create(CapsOfAudioFormat(format), std::move(producer));
}

GstElement* VirtualAudioBin::CreateLineIn(const AudioFormat& format) {
  auto synth = std::make_shared<Synth>();
  synth->format = format;
  PacedSource::Producer producer;
  producer.period = kPeriod;
  producer.bytesPerBuffer = BytesPerPeriod(format);
  producer.alive = [] { return true; };
  producer.fill = [synth](uint8_t* data, size_t size, uint64_t) {
    synth->Fill(data, size, SoundState{}, 50);
  };
  return PacedSource::Create(CapsOfAudioFormat(format), std::move(producer));
}

}  // namespace vd
