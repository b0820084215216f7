// The station list of one tuner mode, with its current and previous station and the used-slot
// map that lets the scan pass over stations it already knows.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "channel.h"
#include "channel_file.h"

class TunerControl;

namespace vd {
class ChannelFiles;
class TuningContext;
}  // namespace vd

class CChannelTable {
 public:
  static constexpr int32_t kCapacity = static_cast<int32_t>(vd::ChannelFile::kCapacity);
  static constexpr uint32_t kSelectSettleMs = 50;

  // Loads the working file (or, without one, offers the automatic scan or fills the default
  // TV list), then empties the working file and holds it open.
  CChannelTable(TunerControl& tuner, vd::TuningContext& context, vd::ChannelFiles& files,
                bool radio);
  // Stores the table into the working file.
  ~CChannelTable();
  CChannelTable(const CChannelTable&) = delete;
  CChannelTable& operator=(const CChannelTable&) = delete;

  // Expires when this table goes: windows that show it outlive a work-mode change, which
  // frees the tuner and its table.
  std::weak_ptr<const void> LifeToken() const { return alive_; }

  // Tunes to the station with the sound muted for the settling time. False when there is no
  // such station.
  bool Select(int32_t index, bool resetDeleted);
  void SelectNext();
  void SelectPrevious();
  void SelectPreviousStation();
  bool GetCurrent(int32_t* index) const;
  const CChannel* Get(int32_t index) const;

  // Appends a station for hz (or makes the existing one current). False when the table is
  // full.
  bool AddByFrequency(uint32_t hz);
  // A new name from the list's label editing; an empty name changes nothing.
  bool Rename(int32_t index, std::string_view name);
  // Fine tuning moves a station; it keeps its place, name and number.
  bool SetFrequency(int32_t index, uint32_t hz);
  void Remove(int32_t index);
  void Clear();
  void Move(int32_t from, int32_t to);
  void Swap(int32_t a, int32_t b);
  void Sort();
  void FillDefault();

  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  int32_t Current() const { return current_; }
  int32_t Previous() const { return previous_; }
  int32_t LastDeleted() const { return lastDeleted_; }
  bool IsRadio() const { return radio_; }
  bool IsFull() const { return Count() >= kCapacity; }

  std::vector<uint8_t> Encode() const;
  // Stores the table while the mode runs. The TV table's current and previous station stay
  // for the end of the mode: "TV_Station" is where the viewer goes back to after a scan.
  // False when the saved file could not be written.
  bool StoreNow();

  // The slots the scan stores its finds in: a station's id is the tuner step it was found on.
  class ScanSlots {
   public:
    explicit ScanSlots(CChannelTable& table) : table_(table) {}
    // Whether a station with this id is in the table; ids outside 0..2999 never are.
    bool IsUsed(int32_t id) const { return table_.IsUsed(id); }
    // The list index of the station with this id, -1 when none has it.
    int32_t IndexOfId(int32_t id) const { return table_.IndexOfId(id); }
    bool HasFrequency(uint32_t hz) const { return table_.HasFrequency(hz); }
    // Gives the station holding slot `id` another free slot, beyond the tuner's steps where
    // one is free, so that the scan can store the station it found on that step. False when
    // no slot is free.
    bool FreeSlot(int32_t id) { return table_.FreeSlot(id); }
    // A station the scan found at step; it becomes current without tuning (the probe left the
    // tuner there). False when the slot is taken or the table is full.
    bool AppendFound(int32_t step, std::string_view name, uint32_t hz, uint32_t number) {
      return table_.AppendFound(step, name, hz, number);
    }

   private:
    CChannelTable& table_;
  };
  ScanSlots Slots() { return ScanSlots(*this); }

 private:
  bool IsUsed(int32_t id) const;
  int32_t IndexOfId(int32_t id) const;
  bool HasFrequency(uint32_t hz) const;
  bool FreeSlot(int32_t id);
  bool AppendFound(int32_t step, std::string_view name, uint32_t hz, uint32_t number);
  void Load(std::vector<uint8_t> bytes, const std::string& fileName);
  void StartWithoutFile();
  uint32_t FreeIdFrom(uint32_t wanted) const;
  void Append(CChannel channel);

  TunerControl& tuner_;
  vd::TuningContext& context_;
  vd::ChannelFiles& files_;
  bool radio_;
  std::vector<CChannel> items_;
  std::bitset<vd::ChannelFile::kCapacity> used_;
  int32_t current_ = -1;
  int32_t previous_ = -1;
  int32_t lastDeleted_ = -1;
  std::shared_ptr<const void> alive_ = std::make_shared<int>(0);
};
