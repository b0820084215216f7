// The remote's key codes as the stream parser decodes them, both toggle forms of every key.
#pragma once

#include <array>
#include <cstdint>

namespace vd::test {

inline constexpr std::array<uint32_t, 27> kRemoteKeyCodes = {
    0x2AAAAA4, 0x6AAAAA4, 0x1AAAAA4, 0x5AAAAA4, 0x26AAAA4, 0x66AAAA4, 0x16AAAA4,
    0x56AAAA4, 0x29AAAA4, 0x69AAAA4, 0x19AAAA4, 0x25AAAA4, 0x15AAAA4, 0x2A6AAA4,
    0x6A6AAA4, 0x1A6AAA4, 0x266AAA4, 0x166AAA4, 0x256AAA4, 0x156AAA4, 0x2A9AAA4,
    0x6A9AAA4, 0x1A9AAA4, 0x269AAA4, 0x159AAA4, 0x295AAA4, 0x155AAA4};

// The other toggle form: bits 5-4 read 01 instead of 10.
constexpr uint32_t Toggled(uint32_t code) {
  return code ^ 0x30;
}

}  // namespace vd::test
