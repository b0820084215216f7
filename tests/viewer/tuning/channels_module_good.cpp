// A tuner module for the loader tests: its factory hands out a tuner that answers with fixed
// values, enough to tell that the module's own code ran.
#include <cstdint>

#include "kxtuner.h"

namespace {

class FixedTuner final : public KXTuner {
 public:
  void Destroy(uint32_t flag) override {
    if (flag & 1) delete this;
  }
  int32_t GetTunerCaps(uint32_t* caps) override {
    *caps = 1;
    return 0;
  }
  int32_t GetModeInfo(uint32_t, uint32_t* min, uint32_t* max, uint32_t* step, uint32_t* a,
                      uint32_t* b) override {
    *min = 1;
    *max = 2;
    *step = 1;
    *a = *b = 0;
    return 0;
  }
  int32_t SetTunerMode(uint32_t) override { return 0; }
  int32_t GetTunerKind(uint32_t* kind) override {
    *kind = 1;
    return 0;
  }
  int32_t SetFrequency(uint32_t) override { return 0; }
  int32_t GetFrequency(uint32_t* hz) override {
    *hz = 4242;
    return 0;
  }
  int32_t Reserved7() override { return -1; }
  int32_t GetRadioSignal(uint32_t, uint32_t* present) override {
    *present = 0;
    return 0;
  }
  int32_t GetChannelCount(uint32_t* last) override {
    *last = 77;
    return 0;
  }
  int32_t SetChannel(uint32_t) override { return 0; }
  int32_t GetChannel(uint32_t* index) override {
    *index = 0;
    return 0;
  }
  int32_t GetChannelSignal(uint32_t, uint32_t* present) override {
    *present = 0;
    return 0;
  }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t NewKXTuner(vd::KsPropertySet*,
                                                                     KXTuner** tuner) {
  *tuner = new FixedTuner;  // the caller frees it with Destroy(1)
  return 0;
}
