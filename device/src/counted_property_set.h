// The reference count that every property set of the device layer keeps: an object starts
// with the one reference its Create hands out and deletes itself when the last holder lets
// go. Holders may be on any thread.
#pragma once

#include <atomic>

#include "vd/ks_property_set.h"

namespace vd {

class CountedPropertySet : public KsPropertySet {
 public:
  void AddRef() final { refs_.fetch_add(1, std::memory_order_relaxed); }
  void Release() final {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }

 protected:
  CountedPropertySet() = default;
  ~CountedPropertySet() override = default;

 private:
  std::atomic<int> refs_{1};
};

}  // namespace vd
