// Little-endian u32 values in property-set buffers, shared by the device back-ends.
#pragma once

#include <cstdint>

#include "vd/hresult.h"

namespace vd::property_bytes {

inline uint32_t ReadU32(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

inline void WriteU32(void* p, uint32_t v) {
  auto* b = static_cast<uint8_t*>(p);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Answers a Get with one u32: kEPointer without a buffer, kEInvalidArg when it is too small.
inline HResult PutU32(uint32_t v, void* data, uint32_t dataLen, uint32_t* returned) {
  if (data == nullptr) return kEPointer;
  if (dataLen < 4) return kEInvalidArg;
  WriteU32(data, v);
  if (returned != nullptr) *returned = 4;
  return kSOk;
}

}  // namespace vd::property_bytes
