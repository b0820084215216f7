#include "startup_helpers.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "test_support.h"
#include "vd/settings/instance_guard.h"

namespace vd {
namespace {

TEST(ContainsNoCaseTest, FoldsOnlyAsciiLetters) {
  struct Case {
    std::string_view text, pattern;
    int expected;
  };
  const Case cases[] = {
      {"USB\\VID_7A3E&PID_1311", "usb\\vid_7a3e", 1},
      {"usb\\vid_7a3e&pid_131a", "PID_131A", 1},
      {"USB\\VID_7A3E", "USB\\VID_7A3E&PID", 0},
      {"abc", "", 1},
      {"", "", 0},
      {"", "a", 0},
      {"[\\]", "{|}", 0},  // neighbours of the letters differ by 0x20 too
      {"@", "`", 0},
      {"\xC4", "\xE4", 0},  // bytes outside A-Z compare exactly
      {"x1318y", "1318", 1},
      {"1311", "1312", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ContainsNoCase(c.text, c.pattern), c.expected) << c.text << " / " << c.pattern;
  }
}

TEST(GetOsKindTest, ReportsTheNewerBranchOnLinux) {
  EXPECT_EQ(GetOsKind(), kOsKind2000);
  EXPECT_EQ(GetOsKind(), GetOsKind());
}

class FakeSysfs : public ::testing::Test {
 protected:
  void Device(const std::string& name, const char* vendor, const char* product) {
    auto d = dir.Path() / "bus/usb/devices" / name;
    std::filesystem::create_directories(d);
    if (vendor) test::WriteText(d / "idVendor", std::string(vendor) + "\n");
    if (product) test::WriteText(d / "idProduct", std::string(product) + "\n");
  }
  test::TempDir dir;
};

TEST_F(FakeSysfs, FindsTheFirstMatchingDeviceInNameOrder) {
  Device("usb1", "1d6b", "0002");
  Device("2-1", "7a3e", "131a");
  Device("1-1:1.0", nullptr, nullptr);  // an interface has no ids
  Device("1-1", "7a3e", "1311");
  Device("1-2", "7a3f", "1311");
  auto node = FindDeviceNode(kDevicePattern, dir.Path());
  ASSERT_TRUE(node);
  EXPECT_EQ(node->hardwareKey, "USB\\VID_7A3E&PID_1311");
  EXPECT_EQ(node->nodeName, "1-1");
  node = FindDeviceNode("pid_131A", dir.Path());
  ASSERT_TRUE(node);
  EXPECT_EQ(node->hardwareKey, "USB\\VID_7A3E&PID_131A");
  EXPECT_EQ(node->nodeName, "2-1");
}

TEST_F(FakeSysfs, IgnoresMalformedIdsAndMissingTrees) {
  Device("1-1", "7a3e", "zz11");
  Device("1-2", "7a3e1", "1311");
  Device("1-3", "7a3e", nullptr);
  EXPECT_FALSE(FindDeviceNode(kDevicePattern, dir.Path()));
  EXPECT_FALSE(FindDeviceNode(kDevicePattern, dir.Path() / "nowhere"));
}

TEST_F(FakeSysfs, TheRootComesFromTheEnvironmentWhenNotGiven) {
  Device("3-4", "7A3E", "1318");
  test::ScopedEnv root("VIEWDECK_SYSFS_ROOT", dir.Path().string());
  EXPECT_EQ(SysfsRoot(), dir.Path());
  auto node = FindDeviceNode(kDevicePattern);
  ASSERT_TRUE(node);
  EXPECT_EQ(node->nodeName, "3-4");
}

TEST(InstanceGuardTest, OnlyAPrivateRuntimeFolderHoldsTheLockAndNoneFailsOpen) {
  test::TempDir dir;
  const auto runtime = dir.Path() / "run";
  const auto shared = dir.Path() / "shared";
  std::filesystem::create_directory(runtime);
  std::filesystem::create_directory(shared);
  ::chmod(runtime.c_str(), 0700);
  ::chmod(shared.c_str(), 01777);
  test::ScopedEnv config("XDG_CONFIG_HOME", (dir.Path() / "config").string());
  const auto fallback = dir.Path() / "config" / "Corvalen" / "CORVALEN_AVICAP.lock";
  {
    test::ScopedEnv env("XDG_RUNTIME_DIR", runtime.string());
    EXPECT_EQ(InstanceGuard::DefaultLockFile(), runtime / "CORVALEN_AVICAP.lock");
  }
  // Missing, shared like /tmp, or unset: the user's own settings folder, where no other
  // user can take the lock first.
  for (std::optional<std::string> value :
       {std::optional<std::string>((dir.Path() / "missing").string()),
        std::optional<std::string>(shared.string()), std::optional<std::string>()}) {
    test::ScopedEnv env("XDG_RUNTIME_DIR", value);
    EXPECT_EQ(InstanceGuard::DefaultLockFile(), fallback) << value.value_or("unset");
  }
  // A missing runtime folder must not make the guard fail open: two viewers would run at once.
  test::ScopedEnv env("XDG_RUNTIME_DIR", (dir.Path() / "missing").string());
  auto first = InstanceGuard::Acquire();
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->Holds());
  EXPECT_FALSE(InstanceGuard::Acquire());
}

TEST(InstanceGuardTest, ASecondGuardInTheSameProcessIsRefused) {
  test::TempDir dir;
  auto first = InstanceGuard::Acquire(dir.Path() / "g.lock");
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->Holds());
  EXPECT_FALSE(InstanceGuard::Acquire(dir.Path() / "g.lock"));
  // The refused start can say what holds the lock; a later holder replaces the name.
  first->Announce("vdtool channels import");
  first->Announce("vdtool scan");
  EXPECT_EQ(InstanceGuard::Holder(dir.Path() / "g.lock"), "vdtool scan");
  first.reset();
  EXPECT_EQ(InstanceGuard::Holder(dir.Path() / "g.lock"), "") << "the name outlived the lock";
  EXPECT_TRUE(InstanceGuard::Acquire(dir.Path() / "g.lock"));
  EXPECT_EQ(InstanceGuard::Holder(dir.Path() / "missing.lock"), "");
}

// The child takes the guard and reports on a pipe; how it ends is up to `end`.
pid_t StartHolder(const std::filesystem::path& lock, int& fromChild, int& toChild) {
  int up[2], down[2];
  if (pipe(up) != 0 || pipe(down) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    close(up[0]);
    close(down[1]);
    auto guard = InstanceGuard::Acquire(lock);
    char ok = guard ? 'y' : 'n';
    if (write(up[1], &ok, 1) != 1) _exit(3);
    char command = 0;
    if (read(down[0], &command, 1) != 1) _exit(3);
    if (command == 'k') raise(SIGKILL);  // a crash: no destructor runs
    _exit(0);
  }
  close(up[1]);
  close(down[0]);
  fromChild = up[0];
  toChild = down[1];
  return pid;
}

TEST(InstanceGuardTest, ASecondProcessLearnsAtOnceAndACrashDoesNotBlock) {
  test::TempDir dir;
  const auto lock = dir.Path() / "CORVALEN_AVICAP.lock";
  for (char end : {'q', 'k'}) {
    int fromChild = -1, toChild = -1;
    pid_t pid = StartHolder(lock, fromChild, toChild);
    ASSERT_GT(pid, 0);
    char got = 0;
    ASSERT_EQ(read(fromChild, &got, 1), 1);
    EXPECT_EQ(got, 'y');
    EXPECT_FALSE(InstanceGuard::Acquire(lock)) << end;
    ASSERT_EQ(write(toChild, &end, 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(end == 'k', WIFSIGNALED(status));
    close(fromChild);
    close(toChild);
    EXPECT_TRUE(InstanceGuard::Acquire(lock)) << end;
  }
}

}  // namespace
}  // namespace vd
