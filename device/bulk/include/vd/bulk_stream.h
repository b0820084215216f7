// The bytes the TV box sends on its bulk pin: zero filler, teletext records while a station
// is received, and infrared bursts when a key of the remote is pressed. Pure logic, no
// threads: the device back-end calls Generate from its streaming thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "vd/teletext_pages.h"

namespace vd {

class BulkStreamGenerator {
 public:
  struct Faults {
    bool corruptRecords = false;  // flip bits in record headers and payloads now and then
    bool cutBursts = false;       // drop the tail of infrared bursts
  };

  // The stream is laid out in fields of kFieldBytes bytes, each with up to kRecordsPerField
  // teletext records and at most one key press; kFieldsPerSecond fields a second give a
  // believable teletext rate. Every field starts with at least 16 zeros and ends with at
  // least 68: both reading libraries restart their zero counts at a sample boundary, so a
  // device that hands over whole fields (n = kFieldBytes) lets them see every item.
  static constexpr size_t kFieldBytes = 1024;
  static constexpr size_t kRecordsPerField = 2;
  static constexpr unsigned kFieldsPerSecond = 50;

  explicit BulkStreamGenerator(uint32_t seed = 1);
  ~BulkStreamGenerator();
  BulkStreamGenerator(const BulkStreamGenerator&) = delete;
  BulkStreamGenerator& operator=(const BulkStreamGenerator&) = delete;

  // Packet 8/30 goes out once a second, as broadcasters send it.
  static constexpr unsigned kServicePacketInterval = kRecordsPerField * kFieldsPerSecond;

  // The station being received (its name, code and language go on the teletext pages), or
  // none: then only filler and bursts are sent.
  void SetService(std::optional<TeletextService> service);
  void SetStation(std::optional<std::string> name);
  // Queues the bursts of one press of a remote key, given as the 32-bit code the stream
  // parser decodes (for example 0x2A9AAA4, channel up). A code no waveform can carry
  // (IrBurstEncoder::Encodable) is dropped with a trace.
  void PressKey(uint32_t code);
  void SetFaults(const Faults& faults);

  // Writes the next n bytes of the stream. `now` is the wall-clock time shown on the pages.
  void Generate(uint8_t* out, size_t n, std::time_t now);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vd
