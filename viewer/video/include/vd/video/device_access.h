// The chip-register and I2C access objects of the capture device (the device-access module),
// opened as the last step of each preview build, and what the engine does with them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "vd/ks_property_set.h"

class AsicIo;
class I2cIo;

namespace vd {

class DeviceAccess {
 public:
  // Shows a plain message box: caption, text.
  using MessageBox = std::function<void(const std::string& caption, const std::string& text)>;

  // Opens both objects on the capture filter; each failure shows its message and the other
  // still opens. The module keeps the objects for the life of the process.
  void Open(PropertySetSource* captureFilter, const MessageBox& show);
  void Close();
  bool HasAsic() const { return asic_ != nullptr; }
  bool HasI2c() const { return i2c_ != nullptr; }

  // Sound modes 0..4 through registers 6 and 7; other modes write register 7 only.
  void SelectAudioMode(int32_t mode);
  // I2C transfers to the tuner at 0xC2, traced; false without the I2C object or on a
  // non-zero status. A write sends data[0] as the register, then data[1..count-1].
  bool I2cWrite(const uint8_t* data, uint8_t count);
  bool I2cRead(uint8_t* data, uint8_t count);

  static constexpr uint8_t kTunerAddress = 0xC2;

 private:
  AsicIo* asic_ = nullptr;
  I2cIo* i2c_ = nullptr;
};

}  // namespace vd
