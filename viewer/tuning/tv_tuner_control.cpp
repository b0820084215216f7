#include "vd/tuning/tv_tuner_control.h"

#include <limits>

namespace {

const ChannelBand* CountryBand(int32_t country, int32_t country1, uint32_t source) {
  return CountryTable::TunerBand(country, country1, source);
}

}  // namespace

TvTunerControl::TvTunerControl(vd::KsPropertySet* props, vd::TuningContext& context)
    : TunerControl(props, context), bands_(CountryBand) {}

TvTunerControl::TvTunerControl(vd::KsPropertySet* props, vd::TuningContext& context,
                               vd::TunerFactory factory, BandResolver bands)
    : TunerControl(props, context, std::move(factory)),
      bands_(bands ? std::move(bands) : BandResolver(CountryBand)) {}

bool TvTunerControl::Activate() {
  if (tuner_ == nullptr) return false;
  uint32_t caps = 0;
  if (tuner_->GetTunerCaps(&caps) != 0 || (caps & 1) == 0) return false;
  tuner_->SetTunerMode(1);
  tuner_->GetTunerKind(&kind_);
  uint32_t min = 0, max = 0, step = 0, a = 0, b = 0;
  if (tuner_->GetModeInfo(1, &min, &max, &step, &a, &b) == 0) stepWidth_ = step;
  first_ = 0;
  uint32_t last = 0;
  tuner_->GetChannelCount(&last);
  last_ = last > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())
              ? std::numeric_limits<int32_t>::max()
              : static_cast<int32_t>(last);
  TuneStep(first_);
  band_ =
      bands_(Context().Country(), Context().Country1(), static_cast<uint32_t>(Context().Source()));
  CreateTable(false);
  return true;
}

uint32_t TvTunerControl::FrequencyOfStep(int32_t step) {
  if (TuneStep(step) != 0) return 0;
  return StepFrequency(step);
}

int32_t TvTunerControl::TuneStep(int32_t step) {
  if (tuner_ == nullptr || step < 0) return -1;
  return tuner_->SetChannel(static_cast<uint32_t>(step));
}

bool TvTunerControl::GetCurrentStep(int32_t* step) {
  uint32_t index = 0;
  if (tuner_ == nullptr || tuner_->GetChannel(&index) != 0) return false;
  *step = static_cast<int32_t>(index);
  return true;
}

uint32_t TvTunerControl::SignalAt(int32_t step) {
  uint32_t present = 0;
  if (tuner_ == nullptr || step < 0) return 0;
  return tuner_->GetChannelSignal(static_cast<uint32_t>(step), &present) == 0 ? present : 0;
}

uint32_t TvTunerControl::StepFrequency(int32_t /*step*/) {
  return GetFrequency();
}

int32_t TvTunerControl::TunedChannel() {
  const ChannelBand* band = ActiveBand();
  if (band == nullptr) return -1;
  const std::optional<uint32_t> n = band->ChannelOf(GetFrequency());
  return n && *n <= static_cast<uint32_t>(std::numeric_limits<int32_t>::max())
             ? static_cast<int32_t>(*n)
             : -1;
}

int32_t TvTunerControl::StartWithoutShownChannel(bool up) {
  const ChannelBand* band = ActiveBand();
  if (band == nullptr || band->last < band->first ||
      band->last >= static_cast<uint32_t>(std::numeric_limits<int32_t>::max()))
    return -1;
  if (const int32_t tuned = TunedChannel(); tuned >= 0) return tuned;
  return up ? static_cast<int32_t>(band->first) - 1 : static_cast<int32_t>(band->last) + 1;
}

int32_t TvTunerControl::TuneWithoutStations(int32_t lastNumber, bool up) {
  if (lastNumber == -1) return -1;
  uint32_t min = 0, max = 0;
  const ChannelBand* band = ActiveBand();
  if (band != nullptr && band->last >= band->first && GetTvLimits(&min, &max)) {
    const auto first = static_cast<int64_t>(band->first);
    const auto last = static_cast<int64_t>(band->last);
    int64_t n = lastNumber;
    // Bounded, so a start number outside the band cannot loop for ever.
    for (int64_t tries = 0; tries <= last - first + 1; ++tries) {
      n += up ? 1 : -1;
      if (n < first || n > last) n = up ? first : last;
      if (n == lastNumber) break;
      const uint32_t hz = band->FrequencyOf(static_cast<uint32_t>(n));
      if (hz != 0 && hz >= min && hz <= max) {
        const bool wasMuted = Context().IsMuted();
        Context().SetMuted(true);
        SetFrequency(hz);
        Context().Wait(kSettleMs);
        Context().SetMuted(wasMuted);
        return static_cast<int32_t>(n);
      }
    }
  }
  Context().Beep(vd::kBeepQuestion);
  return -1;
}
