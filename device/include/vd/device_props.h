// Property sets of the TV box as the device layer presents them. The product set is the
// product's own; the tuner, register and I2C sets are how the tuner and device-access
// modules reach the hardware. Every back-end (the virtual TV box, V4L2) answers them.
// All values are little-endian 32-bit unless said otherwise.
#pragma once

#include <cstdint>

#include "vd/guid.h"

namespace vd {

// Marks a device of the product: QuerySupported(set, 0) succeeds. Get(0) returns the USB
// product id (u32), for example 0x1311.
inline constexpr Guid kPropSetProduct = MakeGuid("{EB69CDA0-9DCA-11D2-9229-00A024AAAD37}");
inline constexpr uint32_t kProductPropId = 0;

// Pin categories of the capture device (Get on kPropSetPin, id 0, of a pin gives 16 bytes).
inline constexpr Guid kPropSetPin = MakeGuid("{9B00F101-1567-11D1-B3F1-00AA003761C5}");
inline constexpr Guid kPinCategoryCapture = MakeGuid("{FB6C4281-0353-11D1-905F-0000C0CC16BA}");
inline constexpr Guid kPinCategoryPreview = MakeGuid("{FB6C4282-0353-11D1-905F-0000C0CC16BA}");
inline constexpr Guid kPinCategoryStill = MakeGuid("{FB6C428A-0353-11D1-905F-0000C0CC16BA}");
inline constexpr Guid kPinCategoryAnalogVideoIn =
    MakeGuid("{FB6C4283-0353-11D1-905F-0000C0CC16BA}");
inline constexpr Guid kPinCategoryAudioPreview = MakeGuid("{6E238DA6-C1B9-11D2-922A-00A024AAAD37}");
inline constexpr Guid kPinCategoryAudioCapture = MakeGuid("{6E238DA8-C1B9-11D2-922A-00A024AAAD37}");
inline constexpr Guid kPinCategoryBulk = MakeGuid("{6E238DA7-C1B9-11D2-922A-00A024AAAD37}");

// Tuner hardware, used by the tuner module only.
inline constexpr Guid kPropSetTuner = MakeGuid("{4D1B6C90-5E2A-4F7B-9C3D-0A1B2C3D4E5F}");
enum TunerPropId : uint32_t {
  // Get: u32 capability bits, kTunerCapTv | kTunerCapRadio.
  kTunerPropCaps = 0,
  // Get/Set: u32 mode, kTunerModeTv or kTunerModeRadio. Setting it retunes to the mode's
  // last frequency.
  kTunerPropMode = 1,
  // Get/Set: u32 frequency in Hz. Set fails with kEInvalidArg outside the mode's range.
  kTunerPropFrequency = 2,
  // Get: u32, non-zero when a station is received at the tuned frequency. Answers only after
  // the tuner has settled (the device's lock time after the last Set of the frequency).
  kTunerPropSignal = 3,
  // Get: TunerRange for the mode given as u32 instance data. Radio: the FM band, 87.5 to
  // 108 MHz where the tuner reaches further (its other bands are not the viewer's radio).
  kTunerPropRange = 4,
  // Get: u32 signal strength at the tuned frequency, 0 to 65535, 0 when no station is
  // received (where kTunerPropSignal says 0). Settles as kTunerPropSignal does. A tuner
  // picks a carrier up over a window of frequencies; the strength tells where in it it is.
  kTunerPropStrength = 5,
};
inline constexpr uint32_t kTunerCapTv = 1;
inline constexpr uint32_t kTunerCapRadio = 2;
inline constexpr uint32_t kTunerModeTv = 1;
inline constexpr uint32_t kTunerModeRadio = 2;

struct TunerRange {
  uint32_t minHz;
  uint32_t maxHz;
  uint32_t stepHz;
};

// Chip registers, used by the device-access module. Instance: u32 register number.
// Get/Set: one byte value.
inline constexpr Guid kPropSetAsic = MakeGuid("{4D1B6C91-5E2A-4F7B-9C3D-0A1B2C3D4E5F}");
inline constexpr uint32_t kAsicPropRegister = 0;

// I2C bus, used by the device-access module.
// Set(kI2cPropWrite): data = device address byte, register byte, values...
// Get(kI2cPropRead): instance = device address byte, register byte, count byte;
//                    data receives count bytes.
// A device address nobody answers gives kEFail.
inline constexpr Guid kPropSetI2c = MakeGuid("{4D1B6C92-5E2A-4F7B-9C3D-0A1B2C3D4E5F}");
inline constexpr uint32_t kI2cPropWrite = 0;
inline constexpr uint32_t kI2cPropRead = 1;

}  // namespace vd
