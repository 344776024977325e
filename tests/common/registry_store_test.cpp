#include "common/registry_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "common/text.h"
#include "common/zq_registry.h"
#include "temp_dir.h"

namespace vantile {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

RegistryStore::Paths PathsIn(const TempDir& dir) { return {dir / "settings", dir / "autostart"}; }

// Runs `body` in a child process and returns its pid.
template <typename Body>
pid_t Spawn(Body body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  return pid;
}

int WaitFor(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

TEST(RegistryStore, TwoProcessesWritingOneHiveLoseNothing) {
  TempDir dir;
  constexpr int kPerProcess = 60;
  auto writer = [&](const char* prefix) {
    return [&dir, prefix] {
      RegistryStore store(PathsIn(dir));
      ZqRegistry reg(store);
      if (!reg.OpenRegistry(HKEY_CURRENT_USER, "Software\\Quorel\\Vantile", true)) ::_exit(2);
      for (int i = 0; i < kPerProcess; ++i)
        if (!reg.SetLongValue(std::string(prefix) + std::to_string(i), i)) ::_exit(3);
    };
  };
  pid_t a = Spawn(writer("a"));
  pid_t b = Spawn(writer("b"));
  EXPECT_EQ(WaitFor(a), 0);
  EXPECT_EQ(WaitFor(b), 0);

  RegistryStore store(PathsIn(dir));
  std::vector<std::string> names;
  ZqRegistry reg(store);
  EXPECT_EQ(reg.EnumValueNames(HKEY_CURRENT_USER, "Software\\Quorel\\Vantile", names), 2 * kPerProcess);
  ASSERT_TRUE(reg.OpenRegistry(HKEY_CURRENT_USER, "Software\\Quorel\\Vantile"));
  EXPECT_EQ(reg.GetLongValue("a59"), 59);
  EXPECT_EQ(reg.GetLongValue("b59"), 59);
  EXPECT_TRUE(store.Issues(HKEY_CURRENT_USER).empty());
}

TEST(RegistryStore, ProcessKilledWhileSavingLeavesAHiveThatParses) {
  TempDir dir;
  std::string big(4000, 'x');
  for (int round = 0; round < 5; ++round) {
    pid_t pid = Spawn([&] {
      RegistryStore store(PathsIn(dir));
      ZqRegistry reg(store);
      reg.OpenRegistry(HKEY_CURRENT_USER, "K", true);
      for (int i = 0;; ++i) reg.SetStringValue("v" + std::to_string(i % 50), big + std::to_string(i));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(40 + 37 * round));
    ::kill(pid, SIGKILL);
    WaitFor(pid);
    RegistryStore store(PathsIn(dir));
    if (!std::filesystem::exists(store.HiveFile(HKEY_CURRENT_USER))) continue;
    EXPECT_TRUE(store.Issues(HKEY_CURRENT_USER).empty()) << "round " << round;
    EXPECT_TRUE(store.KeyExists(HKEY_CURRENT_USER, "K"));
  }
}

TEST(RegistryStore, ReadsPickUpChangesMadeByAnotherProcess) {
  TempDir dir;
  RegistryStore mine(PathsIn(dir));
  ZqRegistry reg(mine);
  ASSERT_TRUE(reg.OpenRegistry(HKEY_CURRENT_USER, "K", true));
  reg.SetStringValue("v", "old");
  EXPECT_EQ(reg.GetStringValue("v"), "old");
  pid_t pid = Spawn([&] {
    RegistryStore theirs(PathsIn(dir));
    ZqRegistry other(theirs);
    other.OpenRegistry(HKEY_CURRENT_USER, "K");
    other.SetStringValue("v", "new");
    other.SetStringValue("w", "added");
  });
  ASSERT_EQ(WaitFor(pid), 0);
  EXPECT_EQ(reg.GetStringValue("v"), "new");
  // Our next write keeps what they added.
  reg.SetStringValue("x", "mine");
  RegistryStore fresh(PathsIn(dir));
  EXPECT_EQ(fresh.QueryValue(HKEY_CURRENT_USER, "K", "w")->data, [] {
    auto d = Utf8ToUtf16Le("added");
    d.insert(d.end(), {0, 0});
    return d;
  }());
}

TEST(RegistryStore, DamagedHiveIsCopiedAsideBeforeItIsRewritten) {
  TempDir dir;
  RegistryStore store(PathsIn(dir));
  std::string damaged =
      "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n\"good\"=\"1\"\n\"bad\"=hex:qq\n";
  WriteFile(store.HiveFile(HKEY_CURRENT_USER), damaged);
  ZqRegistry reg(store);
  ASSERT_TRUE(reg.OpenRegistry(HKEY_CURRENT_USER, "K"));
  EXPECT_EQ(reg.GetStringValue("good"), "1");
  ASSERT_EQ(store.Issues(HKEY_CURRENT_USER).size(), 1u);
  EXPECT_EQ(store.Issues(HKEY_CURRENT_USER)[0].line, 5);
  ASSERT_TRUE(reg.SetStringValue("new", "2"));

  std::vector<std::filesystem::path> backups;
  for (const auto& e : std::filesystem::directory_iterator(dir / "settings"))
    if (e.path().filename().string().find(".damaged-") != std::string::npos) backups.push_back(e.path());
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(ReadFile(backups[0]), damaged);
  EXPECT_TRUE(store.Issues(HKEY_CURRENT_USER).empty());
  reg.SetStringValue("newer", "3");
  std::size_t count = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir / "settings"))
    count += e.path().filename().string().find(".damaged-") != std::string::npos;
  EXPECT_EQ(count, 1u) << "a clean hive is not copied again";
}

TEST(RegistryStore, HivesLiveInOneFileEachUnderTheSettingsFolder) {
  TempDir dir;
  RegistryStore store(PathsIn(dir));
  ASSERT_TRUE(store.CreateKey(HKEY_CURRENT_USER, "Software\\Quorel\\Vantile"));
  ASSERT_TRUE(store.CreateKey(HKEY_CLASSES_ROOT, ".txt"));
  EXPECT_TRUE(std::filesystem::exists(dir / "settings" / "HKEY_CURRENT_USER.reg"));
  EXPECT_TRUE(std::filesystem::exists(dir / "settings" / "HKEY_CLASSES_ROOT.reg"));
  EXPECT_EQ(ReadFile(dir / "settings" / "HKEY_CURRENT_USER.reg"),
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n\n"
            "[HKEY_CURRENT_USER\\Software\\Quorel]\n\n[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile]\n\n");
  EXPECT_FALSE(store.CreateKey(0x80000005u, "X")) << "unknown roots have no file";
}

}  // namespace
}  // namespace vantile
