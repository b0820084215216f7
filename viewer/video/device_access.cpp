#include "vd/video/device_access.h"

#include <cinttypes>
#include <cstdio>

#include "quillane.h"
#include "vd/trace.h"

VD_DEFINE_TRACE(TraceIic, "video")

namespace vd {

void DeviceAccess::Open(PropertySetSource* captureFilter, const MessageBox& show) {
  asic_ = nullptr;
  if (NewKXAsicIo(captureFilter, &asic_) != 0) {
    asic_ = nullptr;
    show("Error", "Error from NewKXAsicIO");
  }
  I2cIo* i2c = nullptr;
  int32_t status = NewKXI2cIo(captureFilter, &i2c);
  if (status != 0) {
    char text[160];
    std::snprintf(text, sizeof text, "CAN NOT OPEN I2C DEVICE !!\n <NewKXAI2cIo(%li) returned %lX>",
                  static_cast<long>(reinterpret_cast<intptr_t>(captureFilter)),
                  static_cast<unsigned long>(static_cast<uint32_t>(status)));
    show("ERROR", text);
    i2c = nullptr;
  }
  i2c_ = i2c;
}

void DeviceAccess::Close() {
  // The module owns the objects; forgetting them is all a new device needs.
  asic_ = nullptr;
  i2c_ = nullptr;
}

void DeviceAccess::SelectAudioMode(int32_t mode) {
  if (asic_ == nullptr) return;
  uint8_t saved7 = 0;
  uint8_t saved6 = 0;
  asic_->ReadRegisters(7, &saved7, 1);
  asic_->ReadRegisters(6, &saved6, 1);
  static constexpr uint8_t kRegister6[] = {2, 1, 0, 0, 1};
  if (mode >= 0 && mode <= 4) asic_->WriteRegisters(6, &kRegister6[mode], 1);
  uint8_t strobe = 5;
  asic_->WriteRegisters(7, &strobe, 1);
  strobe = 0;
  asic_->WriteRegisters(7, &strobe, 1);
  asic_->WriteRegisters(7, &saved7, 1);
  asic_->WriteRegisters(6, &saved6, 1);
}

bool DeviceAccess::I2cWrite(const uint8_t* data, uint8_t count) {
  if (i2c_ == nullptr || count == 0) return false;
  TraceIic("Iic:: Wrote to Device 0x%X Register 0x%X the following %i Bytes: <", kTunerAddress,
           data[0], count);
  for (int i = 1; i < count; ++i) TraceIic("0x%X,", data[i]);
  int32_t status = i2c_->Write(kTunerAddress, data, count);
  TraceIic("> returned 0x%lX\n", static_cast<unsigned long>(static_cast<uint32_t>(status)));
  return status == 0;
}

bool DeviceAccess::I2cRead(uint8_t* data, uint8_t count) {
  if (i2c_ == nullptr || count == 0) return false;
  uint8_t reg = data[0];
  int32_t status = i2c_->Read(kTunerAddress, data, count);
  TraceIic("Iic:: Read from Device 0x%X Register 0x%X the following %i Bytes: <", kTunerAddress,
           reg, count);
  for (int i = 0; i < count; ++i) TraceIic("0x%X,", data[i]);
  TraceIic("> returned 0x%lX\n", static_cast<unsigned long>(static_cast<uint32_t>(status)));
  return status == 0;
}

}  // namespace vd
