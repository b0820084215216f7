// The device-access module: chip registers and the I2C bus of the capture device, reached
// through the capture filter's property set (vd/device_props.h). Linked by the viewer.
//
// The access objects are plain objects with a table of operations. The viewer never calls
// slot 0 and never releases them: the module keeps one of each kind for the life of the
// process, and each factory call points it at the capture filter it is given.
// Threads: the objects serialise nothing themselves; the viewer uses them from its UI thread.
#pragma once

#include <cstdint>

#include "vd/ks_property_set.h"

#if defined(QUILLANE_BUILD)
#define QUILLANE_EXPORT __attribute__((visibility("default")))
#else
#define QUILLANE_EXPORT
#endif

class AsicIo {
 public:
  // Slot 0: reserved.
  virtual void Reserved0() = 0;
  // Slot 1, 2: `count` registers from `reg` on; the viewer always passes count 1.
  virtual int32_t ReadRegisters(uint32_t reg, uint8_t* bytes, uint32_t count) = 0;
  virtual int32_t WriteRegisters(uint32_t reg, const uint8_t* bytes, uint32_t count) = 0;

 protected:
  ~AsicIo() = default;
};

class I2cIo {
 public:
  // Slot 0: reserved.
  virtual void Reserved0() = 0;
  // Slot 1: data[0] holds the register; on success data[0..count-1] hold the bytes read.
  virtual int32_t Read(uint8_t device, uint8_t* data, uint8_t count) = 0;
  // Slot 2: data[0] is the register, data[1..count-1] the values written.
  virtual int32_t Write(uint8_t device, const uint8_t* data, uint8_t count) = 0;

 protected:
  ~I2cIo() = default;
};

// Status 0 and *out set on success; the capture filter is any source of the device's
// property set (every capture filter of the device layer is one).
extern "C" QUILLANE_EXPORT int32_t NewKXAsicIo(vd::PropertySetSource* captureFilter, AsicIo** out);
extern "C" QUILLANE_EXPORT int32_t NewKXI2cIo(vd::PropertySetSource* captureFilter, I2cIo** out);
