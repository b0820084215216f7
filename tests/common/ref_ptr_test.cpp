// The reference holder gives back exactly the references it owns, on every way out.
#include "vd/ref_ptr.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

struct Counted {
  int refs = 1;  // the creator's
  int* gone = nullptr;
  void AddRef() { ++refs; }
  void Release() {
    if (--refs == 0) {
      ++*gone;
      delete this;
    }
  }
};

TEST(RefPtr, OwnsOneReferenceEachAndGivesItBackOnEveryPath) {
  int gone = 0;
  auto* object = new Counted{1, &gone};
  {
    vd::RefPtr<Counted> adopted(object);  // takes the creator's reference
    const auto shared = vd::RefPtr<Counted>::Share(object);
    EXPECT_EQ(object->refs, 2);
    vd::RefPtr<Counted> copy = shared;
    EXPECT_EQ(object->refs, 3);
    vd::RefPtr<Counted> moved = std::move(copy);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(object->refs, 3);
    moved = shared;  // assigning the same object keeps the count
    EXPECT_EQ(object->refs, 3);
    moved = nullptr;
    EXPECT_EQ(object->refs, 2);
    // Leaving early (as a failed ASSERT does) still gives the reference back.
    auto leaveEarly = [&](bool fail) {
      const auto held = vd::RefPtr<Counted>::Share(object);
      EXPECT_EQ(object->refs, 3);
      if (fail) return;
      ADD_FAILURE() << "not reached";
    };
    leaveEarly(true);
    EXPECT_EQ(object->refs, 2);
    std::vector<vd::RefPtr<Counted>> many(3, shared);
    EXPECT_EQ(object->refs, 5);
    many.clear();
    adopted.reset();
    EXPECT_EQ(object->refs, 1);
    EXPECT_EQ(gone, 0);
  }
  EXPECT_EQ(gone, 1);

  // Adopting another object lets go of the first; a null holder releases nothing.
  auto* a = new Counted{1, &gone};
  auto* b = new Counted{1, &gone};
  vd::RefPtr<Counted> holder(a);
  holder.reset(b);
  EXPECT_EQ(gone, 2);
  EXPECT_EQ(holder.get(), b);
  holder.reset();
  EXPECT_EQ(gone, 3);
  EXPECT_FALSE(holder);
  EXPECT_EQ(vd::RefPtr<Counted>::Share(nullptr), nullptr);
}

}  // namespace
