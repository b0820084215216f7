#include "vd/remote/tuning_ports.h"

#include "vd/tuning/channel_table.h"
#include "vd/tuning/tuner_control.h"

namespace vd {

CChannelTable* TuningPorts::Table() const {
  return control_.Table();
}

int32_t TuningPorts::Count() const {
  const CChannelTable* table = Table();
  return table != nullptr ? table->Count() : 0;
}

int32_t TuningPorts::Current() const {
  const CChannelTable* table = Table();
  int32_t index = -1;
  if (table == nullptr || !table->GetCurrent(&index)) return -1;
  return index;
}

uint32_t TuningPorts::FrequencyAt(int32_t index) const {
  const CChannelTable* table = Table();
  const CChannel* channel = table != nullptr ? table->Get(index) : nullptr;
  return channel != nullptr ? channel->frequency : 0;
}

int32_t TuningPorts::IndexOfFrequency(uint32_t hz) const {
  const int32_t count = Count();
  for (int32_t i = 0; i < count; ++i) {
    if (FrequencyAt(i) == hz) return i;
  }
  return -1;
}

void TuningPorts::SetFrequencyAt(int32_t index, uint32_t hz) {
  if (CChannelTable* table = Table()) table->SetFrequency(index, hz);
}

void TuningPorts::Rename(int32_t index, const std::string& name) {
  if (CChannelTable* table = Table()) table->Rename(index, name);
}

void TuningPorts::Select(int32_t index) {
  if (CChannelTable* table = Table()) table->Select(index, true);
}

bool TuningPorts::AddByFrequency(uint32_t hz) {
  CChannelTable* table = Table();
  return table != nullptr && table->AddByFrequency(hz);
}

void TuningPorts::SetFrequency(uint32_t hz) {
  control_.SetFrequency(hz);
}

bool TuningPorts::GetRadioLimits(uint32_t* min, uint32_t* max) {
  return control_.GetRadioLimits(min, max);
}

bool TuningPorts::GetTvLimits(uint32_t* min, uint32_t* max) {
  return control_.GetTvLimits(min, max);
}

const ChannelBand* TuningPorts::ActiveBand() const {
  return control_.ActiveBand();
}

}  // namespace vd
