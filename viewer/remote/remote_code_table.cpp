#include "vd/remote/remote_code_table.h"

#include <array>

namespace vd {

namespace {

namespace rk = remote_key;

constexpr std::array<RemoteCodeTable::Entry, 27> kEntries{{
    {0x2AAAAA4, 0x2AAAA94, 0},
    {0x6AAAAA4, 0x6AAAA94, 1},
    {0x1AAAAA4, 0x1AAAA94, 2},
    {0x5AAAAA4, 0x5AAAA94, 3},
    {0x26AAAA4, 0x26AAA94, 4},
    {0x66AAAA4, 0x66AAA94, 5},
    {0x16AAAA4, 0x16AAA94, 6},
    {0x56AAAA4, 0x56AAA94, 7},
    {0x29AAAA4, 0x29AAA94, 8},
    {0x69AAAA4, 0x69AAA94, 9},
    {0x19AAAA4, 0x19AAA94, rk::kEnter},
    {0x25AAAA4, 0x25AAA94, rk::kPower},
    {0x15AAAA4, 0x15AAA94, rk::kVideoSource},
    {0x2A6AAA4, 0x2A6AA94, rk::kVolumeUp},
    {0x6A6AAA4, 0x6A6AA94, rk::kVolumeDown},
    {0x1A6AAA4, 0x1A6AA94, rk::kSoundMode},
    {0x266AAA4, 0x266AA94, rk::kFineTuneDown},
    {0x166AAA4, 0x166AA94, rk::kRecall},
    {0x256AAA4, 0x256AA94, rk::kFineTuneUp},
    {0x156AAA4, 0x156AA94, rk::kPanel},
    {0x2A9AAA4, 0x2A9AA94, rk::kChannelUp},
    {0x6A9AAA4, 0x6A9AA94, rk::kChannelDown},
    {0x1A9AAA4, 0x1A9AA94, rk::kSnapshot},
    {0x269AAA4, 0x269AA94, rk::kMute},
    {0x159AAA4, 0x159AA94, rk::kFullScreen},
    {0x295AAA4, 0x295AA94, rk::kTvRadio},
    {0x155AAA4, 0x155AA94, rk::kFmMemory},
}};

}  // namespace

RemoteKey RemoteCodeTable::KeyOf(uint32_t code) {
  for (const Entry& e : kEntries) {
    if (e.code == code || e.toggled == code) return e.key;
  }
  return rk::kNone;
}

std::span<const RemoteCodeTable::Entry> RemoteCodeTable::Entries() {
  return kEntries;
}

}  // namespace vd
