#include "common/registry_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "common/text.h"
#include "common/zq_registry.h"
#include "ordinary_user.h"
#include "temp_dir.h"

namespace vantile {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

RegistryStore::Paths PathsIn(const TempDir& dir) { return {dir / "settings", dir / "autostart"}; }

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

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

TEST(RegistryStore, AHiveThatCannotBeReadIsNeverWritten) {
  const std::string stored = kHeader + "[HKEY_CURRENT_USER\\K]\n\"kept\"=\"1\"\n";
  struct Case {
    const char* what;
    void (*make)(const std::filesystem::path& hive, const std::string& stored);
  };
  const Case cases[] = {
      {"no read permission",
       [](const std::filesystem::path& hive, const std::string& text) {
         WriteFile(hive, text);
         ::chmod(hive.c_str(), 0200);
       }},
      {"read error", [](const std::filesystem::path& hive, const std::string&) { std::filesystem::create_directories(hive); }},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::filesystem::path hive = dir / "settings" / "HKEY_CURRENT_USER.reg";
    c.make(hive, stored);
    int status = testing::AsOrdinaryUser(dir.path(), [&] {
      RegistryStore store(PathsIn(dir));
      ZqRegistry reg(store);
      const bool opened = reg.OpenRegistry(HKEY_CURRENT_USER, "K", true);
      const bool created = reg.OpenRegistry(HKEY_CURRENT_USER, "Other", true);
      return !opened && !created && !store.SetValue(HKEY_CURRENT_USER, "K", RegValue{"new", REG_DWORD, {1, 0, 0, 0}});
    });
    EXPECT_EQ(status, 0) << c.what << ": the hive was opened for writing";
    ::chmod(hive.c_str(), 0600);
    if (std::filesystem::is_regular_file(hive)) {
      EXPECT_EQ(ReadFile(hive), stored) << c.what;
    }
  }
}

TEST(RegistryStore, ADamagedHiveWhoseCopyCannotBeMadeIsLeftAlone) {
  TempDir dir;
  // The bad line is far larger than the rewritten hive, so a limit on file
  // size lets the rewrite through but not the copy.
  const std::string damaged =
      kHeader + "[HKEY_CURRENT_USER\\K]\n\"good\"=\"1\"\n\"bad\"=hex:" + std::string(200000, 'q') + "\n";
  const std::filesystem::path hive = dir / "settings" / "HKEY_CURRENT_USER.reg";
  WriteFile(hive, damaged);
  pid_t pid = Spawn([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100000, 100000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    RegistryStore store(PathsIn(dir));
    ZqRegistry reg(store);
    if (!reg.OpenRegistry(HKEY_CURRENT_USER, "K") || reg.SetStringValue("new", "2")) ::_exit(1);
  });
  EXPECT_EQ(WaitFor(pid), 0) << "the hive was rewritten without its copy";
  EXPECT_TRUE(ReadFile(hive) == damaged);  // (not printed: 200 kB)
}

TEST(RegistryStore, LinkedHivesAreWrittenThroughAndKilledSavesLeaveNoTemporaryFiles) {
  TempDir dir;
  const std::string stored = kHeader + "[HKEY_CURRENT_USER\\K]\n\"kept\"=\"1\"\n";
  // A plain hive, and one kept by a dotfile manager as a relative link.
  WriteFile(dir / "plain" / "HKEY_CURRENT_USER.reg", stored);
  WriteFile(dir / "dotfiles" / "vantile.reg", stored);
  std::filesystem::create_directories(dir / "linked");
  std::filesystem::create_symlink("../dotfiles/vantile.reg", dir / "linked" / "HKEY_CURRENT_USER.reg");
  // What saves killed between writing their new file and renaming it left.
  const std::filesystem::path stale[] = {dir / "plain" / ".HKEY_CURRENT_USER.reg.tmp-4242-1",
                                         dir / "dotfiles" / ".vantile.reg.tmp-4242-1"};
  for (const auto& file : stale) WriteFile(file, "half a save");

  for (const char* folder : {"plain", "linked"}) {
    RegistryStore store({dir / folder, dir / "autostart"});
    ZqRegistry reg(store);
    ASSERT_TRUE(reg.OpenRegistry(HKEY_CURRENT_USER, "K"));
    ASSERT_TRUE(reg.SetStringValue("new", "2")) << folder;
  }
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "linked" / "HKEY_CURRENT_USER.reg"));
  EXPECT_EQ(ReadFile(dir / "dotfiles" / "vantile.reg"), ReadFile(dir / "plain" / "HKEY_CURRENT_USER.reg"));
  EXPECT_NE(ReadFile(dir / "dotfiles" / "vantile.reg").find("\"new\"=\"2\""), std::string::npos);
  for (const auto& file : stale) EXPECT_FALSE(std::filesystem::exists(file)) << file;
}

TEST(RegistryStore, HivesLiveInOneFileEachUnderTheSettingsFolder) {
  TempDir dir;
  RegistryStore store(PathsIn(dir));
  ASSERT_TRUE(store.CreateKey(HKEY_CURRENT_USER, "Software\\Quorel\\Vantile"));
  ASSERT_TRUE(store.CreateKey(HKEY_CLASSES_ROOT, ".txt"));
  EXPECT_TRUE(std::filesystem::exists(dir / "settings" / "HKEY_CURRENT_USER.reg"));
  EXPECT_TRUE(std::filesystem::exists(dir / "settings" / "HKEY_CLASSES_ROOT.reg"));
  EXPECT_EQ(ReadFile(dir / "settings" / "HKEY_CURRENT_USER.reg"),
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile]\n\n")
      << "keys on the way to a deeper one need no section of their own";
  EXPECT_FALSE(store.CreateKey(0x80000005u, "X")) << "unknown roots have no file";
}

}  // namespace
}  // namespace vantile
