// The main program's settings: the record the window works on, and the rules
// that read it from and write it to the registry. Settings are read once at
// start-up and written once at exit; nothing is stored in between.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/registry_store.h"

namespace vantile {

struct Settings {
  std::string HomePage;
  std::string CurrentAddress;  // the start page after loading; "LastPage" at exit
  bool LoadLast = false;
  bool ShowTaskbar = false;
  bool NoScrollbars = false;
  std::string SourceEditor;
  bool EnableImages = false;
  bool EnableSound = false;
  bool EnableVideo = false;
  bool EnableScripting = false;
  bool EnableActiveX = false;
  bool EnableJava = false;
  bool RunAtStartup = false;
  // A desktop window with its own page on every monitor, not only the primary.
  bool ShowOnAllMonitors = false;
  std::int32_t ProgramCount = 0;
  std::vector<std::string> Programs;  // empty while ProgramCount <= 0
};

inline constexpr const char* kSettingsSection = "Software\\Quorel\\Vantile";
inline constexpr const char* kProgramsSection = "Software\\Quorel\\Vantile\\Programs";
// The home pages the user chose for monitors other than the primary, one
// string value per monitor, named after the monitor (its connector).
inline constexpr const char* kMonitorsSection = "Software\\Quorel\\Vantile\\Monitors";
inline constexpr const char* kRunSection = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunValueName = "Vantile";
inline constexpr const char* kDefaultSourceEditor = "notepad.exe";

// Fills the fields from the registry. A key that cannot be opened leaves its
// fields as they were, except RunAtStartup, which becomes false. Programs
// holds the "Prog<i>" values that exist below "Count", in index order, and a
// positive ProgramCount is their number; a Count of 0 or less is kept as read.
void LoadSettings(RegistryStore& store, Settings& settings);

// Writes every field, the current user's hive in one atomic write.
// `run_command` is the text of the Run value when RunAtStartup is set: the
// full path of the running program.
void SaveSettings(RegistryStore& store, const Settings& settings, const std::string& run_command);

// The home page stored for `monitor`; "" when the user chose none.
std::string MonitorHomePage(RegistryStore& store, const std::string& monitor);
// Stores it at once: the monitor may be unplugged before the program ends.
void SaveMonitorHomePage(RegistryStore& store, const std::string& monitor, const std::string& page);

// DLCTL_ flag values handed to the browser.
inline constexpr std::uint32_t DLCTL_DLIMAGES = 0x10;
inline constexpr std::uint32_t DLCTL_VIDEOS = 0x20;
inline constexpr std::uint32_t DLCTL_BGSOUNDS = 0x40;
inline constexpr std::uint32_t DLCTL_NO_SCRIPTS = 0x80;
inline constexpr std::uint32_t DLCTL_NO_JAVA = 0x100;
inline constexpr std::uint32_t DLCTL_NO_RUNACTIVEXCTLS = 0x200;
inline constexpr std::uint32_t DLCTL_NO_DLACTIVEXCTLS = 0x400;
inline constexpr std::uint32_t DLCTL_NO_CLIENTPULL = 0x20000000;

std::uint32_t DownloadControlFlags(const Settings& settings);

// A switch kept only in the settings file (a DWORD beside the other
// settings, such as "LiveReload" or "PauseWhenHidden"): 0 turns it off;
// missing, or any other value, leaves it on.
bool SettingSwitchOn(RegistryStore& store, const char* name);

// How much memory the page's web process may use, in MiB, before it is
// stopped so that it cannot crowd out the user's other programs: the
// "WebMemoryLimitMB" DWORD of the settings file when it is set (at least
// kLeastWebMemoryMiB), else a quarter of the machine's memory
// (`machine_bytes`), between 1 and 4 GiB.
inline constexpr std::uint32_t kLeastWebMemoryMiB = 128;
std::uint32_t WebMemoryLimitMiB(RegistryStore& store, std::uint64_t machine_bytes);

}  // namespace vantile
