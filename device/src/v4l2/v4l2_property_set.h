// The capture filter's property set on a real card: the product set (for the product's
// own vendor only), the tuner through the kernel's tuner ioctls, a register file that
// turns the sound-mode pulse into the tuner's audio mode, and an I2C bus nobody answers.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "counted_property_set.h"

namespace vd {

class V4l2Card;

struct V4l2TunerOptions {
  // The tuner's .signal (0..65535) must exceed this for a station.
  uint32_t signalThreshold = 0x2000;
  // How long the tuner needs after a new frequency before the signal means anything.
  std::chrono::milliseconds settleTime{150};
};

class V4l2PropertySet final : public CountedPropertySet {
 public:
  static constexpr uint16_t kProductVendor = 0x7A3E;
  static constexpr uint32_t kRegSoundMode = 6;
  static constexpr uint32_t kRegStrobe = 7;
  static constexpr uint8_t kStrobeArmed = 5;

  // A referenced object (count 1).
  static KsPropertySet* Create(std::shared_ptr<V4l2Card> card, V4l2TunerOptions options);

  HResult Get(const Guid& set, uint32_t id, const void* instance, uint32_t instanceLen, void* data,
              uint32_t dataLen, uint32_t* returned) override;
  HResult Set(const Guid& set, uint32_t id, const void* instance, uint32_t instanceLen,
              const void* data, uint32_t dataLen) override;
  HResult QuerySupported(const Guid& set, uint32_t id, uint32_t* support) override;

  // Kernel tuner units and Hz, both ways (62.5 kHz, or 62.5 Hz with the low-unit flag).
  static uint32_t HzOfUnits(uint32_t units, bool low);
  static uint32_t UnitsOfHz(uint32_t hz, bool low);

 private:
  V4l2PropertySet(std::shared_ptr<V4l2Card> card, V4l2TunerOptions options);
  ~V4l2PropertySet() override = default;

  // Support bits of (set, id), 0 for an unknown id, -1 for an unknown set.
  int64_t SupportOf(const Guid& set, uint32_t id) const;
  HResult GetTuner(uint32_t id, const void* instance, uint32_t instanceLen, void* data,
                   uint32_t dataLen, uint32_t* returned);
  // The tuned frequency in Hz, of the band of the tuner's mode.
  HResult GetFrequency(void* data, uint32_t dataLen, uint32_t* returned);
  // Whether a station is tuned (1 or 0), or how strong it is (0-65535), asked once the tuner
  // has settled.
  HResult GetSignal(bool strength, void* data, uint32_t dataLen, uint32_t* returned);
  // The band of the mode in `instance`: its ends and the tuning step.
  HResult GetRange(const void* instance, uint32_t instanceLen, void* data, uint32_t dataLen,
                   uint32_t* returned);
  HResult SetMode(uint32_t mode);
  HResult SetFrequency(uint32_t hz);
  HResult Range(uint32_t mode, uint32_t* minHz, uint32_t* maxHz);
  // The radio's FM band from the driver's list of bands, narrowed to 87.5-108 MHz; the
  // tuner's whole range when the driver lists none.
  HResult FmBand(uint32_t* minHz, uint32_t* maxHz);
  HResult WriteRegister(uint32_t reg, uint8_t value);
  HResult ApplySoundMode(uint8_t mode);

  std::shared_ptr<V4l2Card> card_;
  V4l2TunerOptions options_;
};

}  // namespace vd
