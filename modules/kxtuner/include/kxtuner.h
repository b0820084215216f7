// The tuner module's interface. The viewer loads libkxtuner.so at run time with dlopen and
// takes the factory with dlsym("NewKXTuner"); the module reaches the hardware only through
// the device's property set (vd/device_props.h).
//
// Every operation but Destroy returns a status, 0 = success. Out-parameters are u32.
// Threads: one tuner object is used from one thread at a time.
#pragma once

#include <cstdint>

#include "vd/ks_property_set.h"

// Operations in table-slot order; the order is part of the module's binary interface.
class KXTuner {
 public:
  // Slot 0: bit 0 of flag set frees the object.
  virtual void Destroy(uint32_t flag) = 0;
  // Slot 1: bit 0 TV tuning available, bit 1 radio available.
  virtual int32_t GetTunerCaps(uint32_t* caps) = 0;
  // Slot 2: mode 2 radio: lowest and highest frequency and the step in Hz; mode 1 TV: the
  // TV frequency limits and step. a and b are reserved (0).
  virtual int32_t GetModeInfo(uint32_t mode, uint32_t* min, uint32_t* max, uint32_t* step,
                              uint32_t* a, uint32_t* b) = 0;
  // Slot 3: 1 TV, 2 radio.
  virtual int32_t SetTunerMode(uint32_t mode) = 0;
  // Slot 4: 1 when stations are TV channels named by channel number.
  virtual int32_t GetTunerKind(uint32_t* kind) = 0;
  // Slot 5, 6: tuned frequency in Hz.
  virtual int32_t SetFrequency(uint32_t hz) = 0;
  virtual int32_t GetFrequency(uint32_t* hz) = 0;
  // Slot 7: not used.
  virtual int32_t Reserved7() = 0;
  // Slot 8: non-zero when a radio station is received at hz: its strength, 1 to 65535.
  virtual int32_t GetRadioSignal(uint32_t hz, uint32_t* present) = 0;
  // Slot 9: highest TV channel index.
  virtual int32_t GetChannelCount(uint32_t* last) = 0;
  // Slot 10, 11: TV channel index; SetChannel fails for an index that does not exist.
  virtual int32_t SetChannel(uint32_t index) = 0;
  virtual int32_t GetChannel(uint32_t* index) = 0;
  // Slot 12: non-zero when a TV station is received on that index: its strength, 1 to 65535.
  virtual int32_t GetChannelSignal(uint32_t index, uint32_t* present) = 0;

 protected:
  ~KXTuner() = default;  // Destroy(1) is the only way to free one
};

// The factory. Status 0 and *tuner set on success. The module does not keep a reference to
// the property set beyond the tuner's life; the caller keeps its own.
extern "C" typedef int32_t (*NewKXTunerFn)(vd::KsPropertySet* props, KXTuner** tuner);

#define KXTUNER_FACTORY_NAME "NewKXTuner"
