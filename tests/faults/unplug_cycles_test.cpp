// The TV box unplugged and plugged in again, over and over, while the engine previews: every
// plug-in must bring the preview back with fresh frames, and nothing may pile up (the
// AddressSanitizer build checks for leaks at exit).
#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace vdtest {
namespace {

constexpr int kCycles = 100;

TEST_F(EngineTest, PreviewResumesAfterEveryOneOfManyUnplugs) {
  auto engine = StartEngine();
  ASSERT_TRUE(PumpUntil([&] { return sink.Frames() >= 2; }));
  int resumed = 0;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    box->Unplug();
    ASSERT_TRUE(PumpUntil([&] { return engine->IsDeviceLost(); })) << "cycle " << cycle;
    ASSERT_FALSE(engine->Lifecycle().IsPreviewing()) << "cycle " << cycle;
    const int whileUnplugged = sink.Frames();

    box->Plug();
    ASSERT_TRUE(PumpUntil([&] { return !engine->IsDeviceLost(); })) << "cycle " << cycle;
    ASSERT_TRUE(engine->Lifecycle().IsPreviewing()) << "cycle " << cycle;
    ASSERT_TRUE(PumpUntil([&] { return sink.Frames() >= whileUnplugged + 2; }))
        << "no frames after plug-in " << cycle;
    ++resumed;
  }
  EXPECT_EQ(resumed, kCycles);
  EXPECT_EQ(host.lost, kCycles);
  EXPECT_NE(engine->VideoDevice(), nullptr);
}

}  // namespace
}  // namespace vdtest
