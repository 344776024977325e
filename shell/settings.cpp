#include "shell/settings.h"

#include <algorithm>
#include <utility>

#include "common/text.h"
#include "common/zq_registry.h"

namespace vantile {
namespace {

constexpr std::int32_t kTrue = -1;
constexpr std::int32_t kFalse = 0;

std::int32_t Stored(bool value) { return value ? kTrue : kFalse; }

// The index of a value named "Prog" and a decimal number without leading
// zeros, below `count`; -1 for any other name.
std::int64_t ProgramIndex(std::string_view name, std::int32_t count) {
  constexpr std::string_view kPrefix = "Prog";
  if (name.size() <= kPrefix.size() || !EqualsIgnoreCase(name.substr(0, kPrefix.size()), kPrefix)) return -1;
  std::string_view digits = name.substr(kPrefix.size());
  if (digits.size() > 10 || (digits.size() > 1 && digits.front() == '0')) return -1;
  std::int64_t index = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    index = index * 10 + (c - '0');
  }
  return index < count ? index : -1;
}

// The allow-list as the file holds it: the Prog values that exist below
// Count, in index order. Count itself comes from the file and may be
// anything up to 2^31 - 1, so it only bounds which names count; it never
// sizes anything.
std::vector<std::string> ReadPrograms(ZqRegistry& reg, std::int32_t count) {
  std::vector<std::string> names;
  reg.EnumValueNames(HKEY_CURRENT_USER, kProgramsSection, names);
  std::vector<std::pair<std::int64_t, std::string>> found;
  for (std::string& name : names) {
    if (std::int64_t index = ProgramIndex(name, count); index >= 0) found.emplace_back(index, std::move(name));
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> programs;
  programs.reserve(found.size());
  for (const auto& [index, name] : found) programs.push_back(reg.GetStringValue(name));
  return programs;
}

}  // namespace

void LoadSettings(RegistryStore& store, Settings& s) {
  ZqRegistry reg(store);
  if (reg.OpenRegistry(HKEY_CURRENT_USER, kSettingsSection)) {
    s.HomePage = reg.GetStringValue("HomePage");
    s.LoadLast = reg.GetLongValue("LoadLast") != 0;
    s.ShowTaskbar = reg.GetLongValue("ShowTaskbar") != 0;
    s.NoScrollbars = reg.GetLongValue("NoScrollbars") != 0;
    s.SourceEditor = reg.GetStringValue("SourceEditor");
    if (s.SourceEditor.empty()) s.SourceEditor = kDefaultSourceEditor;
    s.EnableImages = reg.GetLongValue("EnableImages") != 0;
    s.EnableSound = reg.GetLongValue("EnableSound") != 0;
    s.EnableVideo = reg.GetLongValue("EnableVideo") != 0;
    s.EnableScripting = reg.GetLongValue("EnableScripting") != 0;
    s.EnableActiveX = reg.GetLongValue("EnableActiveX") != 0;
    s.EnableJava = reg.GetLongValue("EnableJava") != 0;
    s.ShowOnAllMonitors = reg.GetLongValue("ShowOnAllMonitors") != 0;
    s.CurrentAddress = s.LoadLast ? reg.GetStringValue("LastPage") : s.HomePage;
    reg.CloseRegistry();
  }

  if (reg.OpenRegistry(HKEY_CURRENT_USER, kProgramsSection)) {
    s.ProgramCount = reg.GetLongValue("Count");
    // Count 0 or less is kept as read (and written back so); a positive
    // Count becomes the number of entries actually there.
    if (s.ProgramCount > 0) {
      s.Programs = ReadPrograms(reg, s.ProgramCount);
      s.ProgramCount = static_cast<std::int32_t>(s.Programs.size());
    }
    reg.CloseRegistry();
  }

  if (reg.OpenRegistry(HKEY_LOCAL_MACHINE, kRunSection)) {
    if (!reg.GetStringValue(kRunValueName).empty()) s.RunAtStartup = true;
    reg.CloseRegistry();
  } else {
    s.RunAtStartup = false;
  }
}

void SaveSettings(RegistryStore& store, const Settings& s, const std::string& run_command) {
  ZqRegistry reg(store);
  // Both keys live in one hive: their values are gathered and the hive is
  // written once, so a save killed half-way leaves the old settings or the
  // new ones, never an allow-list of both.
  RegistryStore::Transaction user_hive(store, HKEY_CURRENT_USER);
  if (reg.OpenRegistry(HKEY_CURRENT_USER, kSettingsSection, true)) {
    reg.SetStringValue("LastPage", s.CurrentAddress);
    reg.SetStringValue("HomePage", s.HomePage);
    reg.SetLongValue("LoadLast", Stored(s.LoadLast));
    reg.SetLongValue("ShowTaskbar", Stored(s.ShowTaskbar));
    reg.SetLongValue("NoScrollbars", Stored(s.NoScrollbars));
    reg.SetStringValue("SourceEditor", s.SourceEditor);
    reg.SetLongValue("EnableImages", Stored(s.EnableImages));
    reg.SetLongValue("EnableSound", Stored(s.EnableSound));
    reg.SetLongValue("EnableVideo", Stored(s.EnableVideo));
    reg.SetLongValue("EnableScripting", Stored(s.EnableScripting));
    reg.SetLongValue("EnableActiveX", Stored(s.EnableActiveX));
    reg.SetLongValue("EnableJava", Stored(s.EnableJava));
    reg.SetLongValue("ShowOnAllMonitors", Stored(s.ShowOnAllMonitors));
    reg.CloseRegistry();
  }

  if (reg.OpenRegistry(HKEY_CURRENT_USER, kProgramsSection, true)) {
    reg.SetLongValue("Count", s.ProgramCount);
    // Entries past the list's end are left alone, as an older, longer list
    // may have left them; Count says how many are meant.
    // A count beyond the list has nothing more to write.
    const std::size_t written = std::min(s.Programs.size(), static_cast<std::size_t>(std::max(s.ProgramCount, 0)));
    for (std::size_t i = 0; i < written; ++i) reg.SetStringValue("Prog" + std::to_string(i), s.Programs[i]);
    reg.CloseRegistry();
  }
  user_hive.Commit();

  if (reg.OpenRegistry(HKEY_LOCAL_MACHINE, kRunSection)) {
    if (s.RunAtStartup) reg.SetStringValue(kRunValueName, run_command);
    else reg.DeleteValue(kRunValueName);
    reg.CloseRegistry();
  }
}

std::string MonitorHomePage(RegistryStore& store, const std::string& monitor) {
  ZqRegistry reg(store);
  if (!reg.OpenRegistry(HKEY_CURRENT_USER, kMonitorsSection)) return {};
  std::string page = reg.GetStringValue(monitor);
  reg.CloseRegistry();
  return page;
}

void SaveMonitorHomePage(RegistryStore& store, const std::string& monitor, const std::string& page) {
  ZqRegistry reg(store);
  if (!reg.OpenRegistry(HKEY_CURRENT_USER, kMonitorsSection, true)) return;
  reg.SetStringValue(monitor, page);
  reg.CloseRegistry();
}

bool SettingSwitchOn(RegistryStore& store, const char* name) {
  const auto value = store.QueryValue(HKEY_CURRENT_USER, kSettingsSection, name);
  if (!value || value->type != REG_DWORD || value->data.size() != 4) return true;
  return value->data[0] != 0 || value->data[1] != 0 || value->data[2] != 0 || value->data[3] != 0;
}

std::uint32_t WebMemoryLimitMiB(RegistryStore& store, std::uint64_t machine_bytes) {
  const auto value = store.QueryValue(HKEY_CURRENT_USER, kSettingsSection, "WebMemoryLimitMB");
  if (value && value->type == REG_DWORD && value->data.size() == 4) {
    const std::uint32_t set = value->data[0] | (value->data[1] << 8) | (value->data[2] << 16) |
                              (static_cast<std::uint32_t>(value->data[3]) << 24);
    if (set != 0) return std::max(set, kLeastWebMemoryMiB);
  }
  const std::uint64_t quarter = machine_bytes / 4 / (1024 * 1024);
  return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(quarter, 1024, 4096));
}

std::uint32_t DownloadControlFlags(const Settings& s) {
  std::uint32_t flags = DLCTL_NO_CLIENTPULL;
  if (s.EnableImages) flags |= DLCTL_DLIMAGES;
  if (s.EnableSound) flags |= DLCTL_BGSOUNDS;
  if (s.EnableVideo) flags |= DLCTL_VIDEOS;
  if (!s.EnableActiveX) flags |= DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS;
  if (!s.EnableJava) flags |= DLCTL_NO_JAVA;
  if (!s.EnableScripting) flags |= DLCTL_NO_SCRIPTS;
  return flags;
}

}  // namespace vantile
