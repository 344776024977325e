#include "shell/settings.h"

#include "common/zq_registry.h"

namespace vantile {
namespace {

constexpr std::int32_t kTrue = -1;
constexpr std::int32_t kFalse = 0;

std::int32_t Stored(bool value) { return value ? kTrue : kFalse; }

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
    s.CurrentAddress = s.LoadLast ? reg.GetStringValue("LastPage") : s.HomePage;
    reg.CloseRegistry();
  }

  if (reg.OpenRegistry(HKEY_CURRENT_USER, kProgramsSection)) {
    s.ProgramCount = reg.GetLongValue("Count");
    if (s.ProgramCount > 0) {
      s.Programs.assign(static_cast<std::size_t>(s.ProgramCount), "");
      for (std::int32_t i = 0; i < s.ProgramCount; ++i)
        s.Programs[static_cast<std::size_t>(i)] = reg.GetStringValue("Prog" + std::to_string(i));
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
    reg.CloseRegistry();
  }

  if (reg.OpenRegistry(HKEY_CURRENT_USER, kProgramsSection, true)) {
    reg.SetLongValue("Count", s.ProgramCount);
    // Entries past the list's end are left alone, as an older, longer list
    // may have left them; Count says how many are meant.
    for (std::int32_t i = 0; i < s.ProgramCount; ++i) {
      const std::string& program =
          static_cast<std::size_t>(i) < s.Programs.size() ? s.Programs[static_cast<std::size_t>(i)] : "";
      reg.SetStringValue("Prog" + std::to_string(i), program);
    }
    reg.CloseRegistry();
  }

  if (reg.OpenRegistry(HKEY_LOCAL_MACHINE, kRunSection)) {
    if (s.RunAtStartup) reg.SetStringValue(kRunValueName, run_command);
    else reg.DeleteValue(kRunValueName);
    reg.CloseRegistry();
  }
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
