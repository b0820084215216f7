#include "sheet_fakes.h"

#include "vd/tuning/channel_table.h"
#include "vd/tuning/scan_engine.h"

namespace vd::test {

void FakeScanHost::RefreshChannelDisplay() {
  ++displayRefreshes;
  if (onRefresh) onRefresh();
}

MessageScript::MessageScript() {
  previous_ = SheetMessage::SetHandler([this](QWidget*, const MessageRequest& request) {
    asked.push_back(request);
    if (answers.empty()) return MessageAnswer{};
    MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  });
}

MessageScript::~MessageScript() {
  SheetMessage::SetHandler(std::move(previous_));
}

TvStations::TvStations(std::set<uint32_t> stations, bool radio) {
  for (uint32_t i = 0; i < 8; ++i) bandHz[i] = (50 + 10 * i) * 1000000;
  band = ChannelBand{1, 8, bandHz};
  TunerSetup setup;
  if (radio) {
    // 88.0 .. 88.45 MHz in 50 kHz steps; the stations are frequencies.
    setup.radioMin = 88000000;
    setup.radioMax = 88450000;
    for (uint32_t s : stations) setup.radioStations.insert(88000000 + 50000 * s);
  } else {
    for (uint32_t i = 0; i < 10; ++i) setup.channels.push_back((50 + 10 * i) * 1000000);
    setup.tvStations = std::move(stations);
  }
  rig = std::make_unique<Rig>(radio, setup, &band);
  rig->tuner->logAll = false;
  ScanEngine::ResetScanStart();
  host.tuner = rig->control.get();
  host.workMode = radio ? vd::WorkMode::kRadio : vd::WorkMode::kTv;
}

std::vector<std::string> TvStations::Names() {
  std::vector<std::string> names;
  for (int32_t i = 0; i < Table().Count(); ++i) names.push_back(Table().Get(i)->Name());
  return names;
}

}  // namespace vd::test
