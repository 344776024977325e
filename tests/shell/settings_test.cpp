#include "shell/settings.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "common/zq_registry.h"
#include "temp_dir.h"

namespace vantile {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class SettingsTest : public ::testing::Test {
 protected:
  TempDir dir_;
  RegistryStore store_{{dir_ / "settings", dir_ / "autostart"}};

  void WriteHive(std::string_view body) {
    WriteFile(store_.HiveFile(HKEY_CURRENT_USER),
              "Windows Registry Editor Version 5.00\n\n" + std::string(body));
  }
  std::string Hive() { return ReadFile(store_.HiveFile(HKEY_CURRENT_USER)); }
};

TEST_F(SettingsTest, FirstRunLeavesEverythingEmptyAndWritesEverySettingAtExit) {
  Settings s;
  LoadSettings(store_, s);
  EXPECT_EQ(s.HomePage, "");
  EXPECT_EQ(s.CurrentAddress, "");
  EXPECT_EQ(s.SourceEditor, "") << "the editor default applies only when the key exists";
  EXPECT_FALSE(s.RunAtStartup);
  EXPECT_EQ(s.ProgramCount, 0);

  SaveSettings(store_, s, "/usr/lib/vantile/vantile");
  std::string hive = Hive();
  for (const char* value : {"\"LastPage\"=\"\"", "\"HomePage\"=\"\"", "\"LoadLast\"=dword:00000000",
                            "\"ShowTaskbar\"=dword:00000000", "\"NoScrollbars\"=dword:00000000",
                            "\"SourceEditor\"=\"\"", "\"EnableImages\"=dword:00000000",
                            "\"EnableSound\"=dword:00000000", "\"EnableVideo\"=dword:00000000",
                            "\"EnableScripting\"=dword:00000000", "\"EnableActiveX\"=dword:00000000",
                            "\"EnableJava\"=dword:00000000", "\"Count\"=dword:00000000"})
    EXPECT_NE(hive.find(value), std::string::npos) << value << "\n" << hive;
  EXPECT_EQ(hive.find("Prog0"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "autostart" / "Vantile.desktop"));
}

TEST_F(SettingsTest, LoadsTheStoredValuesAndWritesBooleansAsMinusOne) {
  WriteHive(
      "[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile]\n"
      "\"HomePage\"=\"/home/ana/desk.html\"\n\"LastPage\"=\"file:///tmp/last.html\"\n"
      "\"LoadLast\"=dword:00000001\n\"ShowTaskbar\"=dword:00000001\n\"EnableImages\"=dword:00000001\n"
      "\"EnableScripting\"=dword:ffffffff\n\"SourceEditor\"=\"\"\n");
  Settings s;
  LoadSettings(store_, s);
  EXPECT_EQ(s.HomePage, "/home/ana/desk.html");
  EXPECT_TRUE(s.LoadLast);
  EXPECT_EQ(s.CurrentAddress, "file:///tmp/last.html");
  EXPECT_TRUE(s.ShowTaskbar);
  EXPECT_FALSE(s.NoScrollbars);
  EXPECT_TRUE(s.EnableImages);
  EXPECT_TRUE(s.EnableScripting);
  EXPECT_FALSE(s.EnableVideo);
  EXPECT_EQ(s.SourceEditor, "notepad.exe");
  EXPECT_EQ(DownloadControlFlags(s), 0x20000000u | 0x10 | 0x600 | 0x100);

  SaveSettings(store_, s, "/x/vantile");
  std::string hive = Hive();
  EXPECT_NE(hive.find("\"LoadLast\"=dword:ffffffff"), std::string::npos);
  EXPECT_NE(hive.find("\"SourceEditor\"=\"notepad.exe\""), std::string::npos);
  EXPECT_NE(hive.find("\"LastPage\"=\"file:///tmp/last.html\""), std::string::npos);
}

TEST_F(SettingsTest, LoadLastWithoutALastPageStartsEmpty) {
  WriteHive("[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile]\n\"HomePage\"=\"/h.html\"\n\"LoadLast\"=dword:ffffffff\n");
  Settings s;
  LoadSettings(store_, s);
  EXPECT_EQ(s.CurrentAddress, "");
  Settings home;
  WriteHive("[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile]\n\"HomePage\"=\"/h.html\"\n");
  LoadSettings(store_, home);
  EXPECT_EQ(home.CurrentAddress, "/h.html");
}

TEST_F(SettingsTest, TheAllowListHoldsTheProgValuesThatExistBelowCount) {
  struct Case {
    const char* values;
    std::vector<std::string> programs;
    std::int32_t count;
    std::vector<std::string> written;  // lines in the hive after the next save
  };
  const std::vector<Case> cases = {
      // Entries at Count or above, left by a longer list, stay untouched.
      {"\"Count\"=dword:00000002\n\"Prog0\"=\"/a\"\n\"Prog1\"=\"/b\"\n\"Prog2\"=\"/c\"\n", {"/a", "/b"}, 2,
       {"\"Count\"=dword:00000002", "\"Prog0\"=\"/a\"", "\"Prog1\"=\"/b\"", "\"Prog2\"=\"/c\""}},
      // An absurd Count sizes nothing: the list is what the file holds.
      {"\"Count\"=dword:7fffffff\n\"Prog0\"=\"/a\"\n\"prog1\"=\"/b\"\n", {"/a", "/b"}, 2, {"\"Count\"=dword:00000002"}},
      // Index order, gaps closed, names that are no index ignored.
      {"\"Count\"=dword:00000004\n\"Prog3\"=\"/d\"\n\"Prog01\"=\"/x\"\n\"Prog0\"=\"/a\"\n", {"/a", "/d"}, 2,
       {"\"Count\"=dword:00000002", "\"Prog0\"=\"/a\"", "\"Prog1\"=\"/d\""}},
      // 0 or less is kept as read and written back unchanged.
      {"\"Count\"=dword:fffffffd\n\"Prog0\"=\"/a\"\n", {}, -3, {"\"Count\"=dword:fffffffd", "\"Prog0\"=\"/a\""}},
  };
  for (const Case& c : cases) {
    WriteHive(std::string("[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile\\Programs]\n") + c.values);
    Settings s;
    LoadSettings(store_, s);
    EXPECT_EQ(s.Programs, c.programs) << c.values;
    EXPECT_EQ(s.ProgramCount, c.count) << c.values;
    SaveSettings(store_, s, "/x");
    for (const std::string& line : c.written) EXPECT_NE(Hive().find(line + "\n"), std::string::npos) << line;
  }
}

TEST_F(SettingsTest, ASaveKilledAtAnyMomentLeavesTheOldSettingsOrTheNewWhole) {
  auto version = [](const std::string& tag, int programs) {
    Settings s;
    s.HomePage = "/" + tag + ".html";
    s.SourceEditor = tag;
    for (int i = 0; i < programs; ++i) s.Programs.push_back("/" + tag + "/program" + std::to_string(i));
    s.ProgramCount = programs;
    return s;
  };
  const Settings old_settings = version("old", 60);
  const Settings new_settings = version("new", 5);
  SaveSettings(store_, old_settings, "/x");
  std::mt19937 rng(20261207);
  for (int round = 0; round < 25; ++round) {
    pid_t pid = ::fork();
    if (pid == 0) {
      RegistryStore store({dir_ / "settings", dir_ / "autostart"});
      for (int i = 0;; ++i) SaveSettings(store, i % 2 ? old_settings : new_settings, "/x");
    }
    std::this_thread::sleep_for(std::chrono::microseconds(1000 + rng() % 20000));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    RegistryStore reread({dir_ / "settings", dir_ / "autostart"});
    Settings loaded;
    LoadSettings(reread, loaded);
    const Settings& expected = loaded.HomePage == new_settings.HomePage ? new_settings : old_settings;
    EXPECT_EQ(loaded.HomePage, expected.HomePage) << "round " << round;
    EXPECT_EQ(loaded.SourceEditor, expected.SourceEditor) << "round " << round;
    EXPECT_EQ(loaded.Programs, expected.Programs) << "round " << round;
  }
  // The next save clears away what the killed ones left half-written.
  SaveSettings(store_, new_settings, "/x");
  for (const auto& entry : std::filesystem::directory_iterator(dir_ / "settings"))
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
}

TEST_F(SettingsTest, RunAtStartupFollowsTheAutostartEntry) {
  Settings s;
  s.RunAtStartup = true;
  SaveSettings(store_, s, "/opt/Vantile Apps/vantile");
  std::filesystem::path entry = dir_ / "autostart" / "Vantile.desktop";
  ASSERT_TRUE(std::filesystem::exists(entry));
  EXPECT_NE(ReadFile(entry).find("Exec=\"/opt/Vantile Apps/vantile\""), std::string::npos);

  Settings loaded;
  LoadSettings(store_, loaded);
  EXPECT_TRUE(loaded.RunAtStartup);

  // Run key not writable: reads false even though the entry exists, and the
  // entry is left alone at exit.
  std::filesystem::permissions(dir_ / "autostart",
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  Settings locked;
  locked.RunAtStartup = true;
  LoadSettings(store_, locked);
  EXPECT_FALSE(locked.RunAtStartup);
  SaveSettings(store_, locked, "/x");
  EXPECT_TRUE(std::filesystem::exists(entry));
  std::filesystem::permissions(dir_ / "autostart", std::filesystem::perms::owner_all);

  loaded.RunAtStartup = false;
  SaveSettings(store_, loaded, "/x");
  EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST_F(SettingsTest, UnreadableSettingsFolderKeepsFieldsAndWritesNothing) {
  std::filesystem::create_directories(dir_ / "settings");
  WriteHive("[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile]\n\"HomePage\"=\"/h.html\"\n");
  std::filesystem::permissions(dir_ / "settings",
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  Settings s;
  s.HomePage = "kept";
  LoadSettings(store_, s);
  EXPECT_EQ(s.HomePage, "kept") << "a key that cannot be opened for writing is skipped";
  std::string before = Hive();
  s.HomePage = "changed";
  SaveSettings(store_, s, "/x");
  EXPECT_EQ(Hive(), before);
}

TEST_F(SettingsTest, TheWebMemoryLimitIsTheSettingOrAQuarterOfTheMachine) {
  constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;
  const struct {
    const char* stored;  // the value line, or "" for none
    std::uint64_t machine;
    std::uint32_t limit;
  } rows[] = {
      {"", 24 * kGiB, 4096}, {"", 8 * kGiB, 2048}, {"", 2 * kGiB, 1024}, {"", 0, 1024},
      {"\"WebMemoryLimitMB\"=dword:00000200\n", 24 * kGiB, 512},
      {"\"WebMemoryLimitMB\"=dword:00000010\n", 24 * kGiB, kLeastWebMemoryMiB},
      {"\"WebMemoryLimitMB\"=dword:00000000\n", 8 * kGiB, 2048},  // 0: as if unset
      {"\"WebMemoryLimitMB\"=\"512\"\n", 8 * kGiB, 2048},        // not a DWORD
  };
  for (const auto& row : rows) {
    WriteHive(std::string("[HKEY_CURRENT_USER\\") + kSettingsSection + "]\n" + row.stored);
    EXPECT_EQ(WebMemoryLimitMiB(store_, row.machine), row.limit) << row.stored << row.machine;
  }
}

TEST(DownloadControlFlags, AllOnAndAllOff) {
  Settings on;
  on.EnableImages = on.EnableSound = on.EnableVideo = on.EnableScripting = on.EnableActiveX = on.EnableJava = true;
  EXPECT_EQ(DownloadControlFlags(on), 0x20000070u);
  EXPECT_EQ(DownloadControlFlags(Settings{}), 0x20000780u);
}

}  // namespace
}  // namespace vantile
