#include "dialogs/frm_options.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "common/open_save_dialog.h"
#include "common/text.h"

namespace vantile {
namespace {

using Kind = OptionsControl::Kind;
using Id = OptionsControlId;

// The choosers' option bits: the file must exist; the dialog may be resized.
constexpr std::int32_t kChooserFlags = 0x801000;
constexpr const char* kApplicationsFilter = "Applications (*.exe)|*.exe";

// The exchange value behind each working flag, in the check boxes' order.
constexpr std::array<bool frmOptions::*, kOptionCheckCount> kExchange = {
    &frmOptions::EnableImages, &frmOptions::EnableSound,   &frmOptions::EnableVideo,
    &frmOptions::EnableScripting, &frmOptions::EnableActiveX, &frmOptions::EnableJava,
    &frmOptions::LoadLast,     &frmOptions::RunAtStartup,  &frmOptions::NoScrollbars,
    &frmOptions::NoHideTaskbar, &frmOptions::ShowOnAllMonitors,
};

}  // namespace

const std::vector<OptionsControl>& OptionsLayout() {
  // Captions that name Windows facilities say what they do here; each keeps
  // its mnemonic letter. Two texts are shorter, so that they fit at the
  // desktop's default font in the dialog's fixed size.
  static const std::vector<OptionsControl> layout = {
      {Id::LightTab1, Kind::TabStrip, "", -1, 0, 90, 4140, 3975, 21},
      {Id::fraPage0, Kind::Frame, "", -1, 150, 555, 3825, 3330, 22},
      {Id::fraPage1, Kind::Frame, "", -1, 150, 555, 3825, 3330, 23},
      {Id::fraPage2, Kind::Frame, "", -1, 150, 555, 3825, 3330, 24},
      {Id::Label3, Kind::Label, "&Home Page:", 0, 195, 225, 885, 195, 10},
      {Id::txtHome, Kind::TextBox, "", 0, 195, 470, 2940, 285, 11},
      {Id::cmdHome, Kind::IconButton, "", 0, 3165, 470, 330, 285, 12},
      {Id::chkRunAtStartup, Kind::CheckBox, "&Run Vantile at login", 0, 195, 855, 2895, 285, 13},
      {Id::chkLoadLast, Kind::CheckBox, "&Open last viewed page at startup", 0, 195, 1215, 3405, 225, 14},
      {Id::chkNoScrollbars, Kind::CheckBox, "&Don't show scrollbars", 0, 195, 1545, 2955, 225, 15},
      {Id::chkTaskbar, Kind::CheckBox, "Don't hide the &taskbar and panels", 0, 195, 1875, 2565, 240, 16},
      {Id::chkShowOnAllMonitors, Kind::CheckBox, "Show a page on every &monitor", 0, 195, 2205, 3405, 240, 17},
      {Id::Label1, Kind::Label, "&Page Editor:", 0, 195, 2580, 870, 195, 18},
      {Id::txtEditor, Kind::TextBox, "", 0, 195, 2820, 2940, 285, 19},
      {Id::cmdEditor, Kind::IconButton, "", 0, 3165, 2820, 330, 285, 20},
      {Id::chkEnableGraphics, Kind::CheckBox, "Enable &Graphics", 1, 195, 360, 1905, 240, 4},
      {Id::chkEnableSound, Kind::CheckBox, "Enable S&ound", 1, 195, 714, 1920, 240, 5},
      {Id::chkEnableVideo, Kind::CheckBox, "Enable &Video", 1, 195, 1068, 1770, 240, 6},
      {Id::chkEnableScripting, Kind::CheckBox, "&Enable Scripting", 1, 195, 1422, 2025, 240, 7},
      {Id::chkEnableJava, Kind::CheckBox, "Enable &Java", 1, 195, 1776, 2055, 240, 8},
      {Id::chkEnableActiveX, Kind::CheckBox, "Enable &ActiveX", 1, 195, 2130, 1725, 240, 9},
      {Id::Label2, Kind::Label, "For security, list only programs that a Vantile page may start.", 2, 165, 270,
       3360, 435, 25},
      {Id::lstPrograms, Kind::ListBox, "", 2, 135, 780, 3555, 1815, 0},
      {Id::cmdAddProgram, Kind::Button, "&Add", 2, 180, 2820, 960, 330, 1},
      {Id::cmdRemoveProgram, Kind::Button, "&Remove", 2, 1380, 2820, 960, 330, 2},
      {Id::cmdClearPrograms, Kind::Button, "Cl&ear All", 2, 2580, 2820, 960, 330, 3},
      {Id::cmdSave, Kind::Button, "&Save", -1, 945, 4170, 960, 345, 26},
      {Id::cmdCancel, Kind::Button, "&Cancel", -1, 2310, 4170, 960, 345, 27},
  };
  return layout;
}

bool CheckOfControl(OptionsControlId id, OptionCheck& check) {
  switch (id) {
    case Id::chkEnableGraphics: check = OptionCheck::EnableGraphics; return true;
    case Id::chkEnableSound: check = OptionCheck::EnableSound; return true;
    case Id::chkEnableVideo: check = OptionCheck::EnableVideo; return true;
    case Id::chkEnableScripting: check = OptionCheck::EnableScripting; return true;
    case Id::chkEnableActiveX: check = OptionCheck::EnableActiveX; return true;
    case Id::chkEnableJava: check = OptionCheck::EnableJava; return true;
    case Id::chkLoadLast: check = OptionCheck::LoadLast; return true;
    case Id::chkRunAtStartup: check = OptionCheck::RunAtStartup; return true;
    case Id::chkNoScrollbars: check = OptionCheck::NoScrollbars; return true;
    case Id::chkTaskbar: check = OptionCheck::Taskbar; return true;
    case Id::chkShowOnAllMonitors: check = OptionCheck::ShowOnAllMonitors; return true;
    default: return false;
  }
}

bool IsApplicationFile(const std::string& path) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return false;
  const std::string name = AsciiLower(std::filesystem::path(path).filename().string());
  const std::string_view desktop = ".desktop";
  if (name.size() > desktop.size() && name.ends_with(desktop)) return true;
  return ::access(path.c_str(), X_OK) == 0;
}

frmOptions::frmOptions() {
  // The tab strip as the dialog stores it: three tabs, General first.
  LightTab1.ReadProperties({{"Caption", kOptionsTabCaptions}, {"NumberOfTabs", "3"}});
  LightTab1.AfterTabChange = [this](std::int16_t index) { LightTab1_AfterTabChange(index); };
}

void frmOptions::Changed() {
  if (host_) host_->ControlsChanged();
}

void frmOptions::Form_Load() {
  if (loaded_) return;
  loaded_ = true;
  for (std::size_t i = 0; i < kExchange.size(); ++i) working_[i] = this->*kExchange[i];
  initializing_ = true;
  for (int i = 0; i < kOptionCheckCount; ++i) {
    auto box = static_cast<OptionCheck>(i);
    SetCheckValue(box, working_[Slot(box)]);
  }
  txtEditor = Editor;
  txtHome = Home;
  initializing_ = false;
}

void frmOptions::SetPrograms(const std::vector<std::string>& aProg) {
  if (ProgramCount <= 0) return;
  Form_Load();  // the list is the first control used
  // The caller's list always holds ProgramCount entries; a shorter one
  // cannot make us read past its end.
  const auto count = std::min(static_cast<std::size_t>(ProgramCount), aProg.size());
  for (std::size_t i = 0; i < count; ++i) programs_.push_back(aProg[i]);
}

void frmOptions::GetPrograms(std::vector<std::string>& aProg) const {
  if (ProgramCount <= 0) return;
  std::vector<std::string> result(static_cast<std::size_t>(ProgramCount));
  for (std::size_t i = 0; i < result.size() && i < programs_.size(); ++i) result[i] = programs_[i];
  aProg = std::move(result);
}

void frmOptions::SetCheckValue(OptionCheck box, bool checked) {
  if (checked_[Slot(box)] == checked) return;
  checked_[Slot(box)] = checked;
  if (initializing_) return;
  working_[Slot(box)] = !working_[Slot(box)];
}

void frmOptions::SetListIndex(int index) {
  list_index_ = index >= 0 && index < static_cast<int>(programs_.size()) ? index : -1;
}

void frmOptions::LightTab1_AfterTabChange(std::int16_t index) {
  page_visible_[static_cast<std::size_t>(current_tab_)] = false;
  // The strip has three tabs; anything else would name no page.
  current_tab_ = std::clamp<std::int16_t>(index, 0, static_cast<std::int16_t>(page_visible_.size() - 1));
  page_visible_[static_cast<std::size_t>(current_tab_)] = true;
  Changed();
}

void frmOptions::AddProgram(const std::string& path) {
  if (std::find(programs_.begin(), programs_.end(), path) != programs_.end()) return;
  programs_.push_back(path);
}

void frmOptions::cmdAddProgram_Click() {
  if (!host_) return;
  OpenSaveDialog chooser(host_->Chooser());
  chooser.SetDialogTitle("Add Program");
  chooser.SetFilter(std::string(kApplicationsFilter) + "|All Files (*.*)|*.*");
  chooser.SetFlags(kChooserFlags);
  if (!chooser.ShowOpen(host_->WindowHandle())) return;
  AddProgram(chooser.Filename());
  Changed();
}

void frmOptions::cmdRemoveProgram_Click() {
  if (list_index_ < 0) return;
  programs_.erase(programs_.begin() + list_index_);
  list_index_ = -1;
  Changed();
}

void frmOptions::cmdClearPrograms_Click() {
  programs_.clear();
  list_index_ = -1;
  Changed();
}

void frmOptions::cmdEditor_Click() {
  if (!host_) return;
  OpenSaveDialog chooser(host_->Chooser());
  chooser.SetDialogTitle("Select Editor");
  chooser.SetFilter(kApplicationsFilter);
  chooser.SetFlags(kChooserFlags);
  chooser.SetDefExt("exe");
  if (!chooser.ShowOpen(host_->WindowHandle())) return;
  if (!IsApplicationFile(chooser.Filename())) {
    host_->ShowMessage("The editor must be an application.", "Invalid File");
    return;
  }
  txtEditor = chooser.Filename();
  Changed();
}

void frmOptions::cmdHome_Click() {
  if (!host_) return;
  OpenSaveDialog chooser(host_->Chooser());
  chooser.SetDialogTitle("Select Home Page");
  chooser.SetFilter("Web Pages (*.htm, *.html)|*.htm;*.html");
  chooser.SetFlags(kChooserFlags);
  chooser.SetDefExt("html");
  if (!chooser.ShowOpen(host_->WindowHandle())) return;
  txtHome = chooser.Filename();
  Changed();
}

void frmOptions::cmdSave_Click() {
  for (std::size_t i = 0; i < kExchange.size(); ++i) this->*kExchange[i] = working_[i];
  Editor = txtEditor.empty() ? "notepad.exe" : txtEditor;
  ProgramCount = static_cast<std::int32_t>(programs_.size());
  Home = txtHome;
  if (host_) host_->EndModal();
}

void frmOptions::cmdCancel_Click() {
  Canceled = true;
  if (host_) host_->EndModal();
}

}  // namespace vantile
