// frmOptions: the Options dialog's behaviour. It edits a copy of the main
// program's settings: the caller sets the exchange values and the program
// list, shows it modally, and reads everything back only when Canceled is
// false. It never touches the settings files or the browser itself.
//
// The controls' state (check marks, texts, the program list and its
// selection, the visible page, the tab strip) lives here; the toolkit view
// builds its widgets from OptionsLayout(), shows this state, and forwards
// the user's changes and clicks to the handlers below.
//
//   frmOptions dialog;                    // fresh: not cancelled, General page
//   dialog.EnableImages = ...; ... dialog.ProgramCount = n;
//   dialog.SetPrograms(programs);
//   view.ShowModal(dialog);               // Form_Load runs here at the latest
//   if (!dialog.Canceled) { ... = dialog.EnableImages; dialog.GetPrograms(programs); }
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/file_chooser.h"
#include "common/owner_window.h"
#include "common/twips.h"
#include "dialogs/light_tab.h"

namespace vantile {

// What the dialog's handlers need from its window while it is shown.
class OptionsHost {
 public:
  virtual ~OptionsHost() = default;
  // The dialog's own window: the owner of its choosers and message box.
  virtual OwnerWindow WindowHandle() = 0;
  virtual FileChooser& Chooser() = 0;
  // A message box with an information icon and an OK button.
  virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
  // Texts, the list or the visible page changed in code: show them.
  virtual void ControlsChanged() = 0;
  // Save or Cancel: the modal showing ends.
  virtual void EndModal() = 0;
};

// The eleven check boxes, in the order of the working flags.
enum class OptionCheck {
  EnableGraphics, EnableSound, EnableVideo, EnableScripting, EnableActiveX, EnableJava,
  LoadLast, RunAtStartup, NoScrollbars, Taskbar, ShowOnAllMonitors,
};
inline constexpr int kOptionCheckCount = 11;

// Every control of the dialog, as the view lays them out.
enum class OptionsControlId {
  LightTab1, fraPage0, fraPage1, fraPage2,
  Label3, txtHome, cmdHome, chkRunAtStartup, chkLoadLast, chkNoScrollbars, chkTaskbar,
  chkShowOnAllMonitors,
  Label1, txtEditor, cmdEditor,
  chkEnableGraphics, chkEnableSound, chkEnableVideo, chkEnableScripting, chkEnableJava, chkEnableActiveX,
  Label2, lstPrograms, cmdAddProgram, cmdRemoveProgram, cmdClearPrograms,
  cmdSave, cmdCancel,
};

struct OptionsControl {
  enum class Kind { TabStrip, Frame, Label, TextBox, IconButton, CheckBox, ListBox, Button };
  OptionsControlId id;
  Kind kind;
  const char* caption;  // "&" marks the mnemonic; the text of a label or button
  int page;             // the page's frame it sits in (0..2), -1 for the dialog
  int left, top, width, height;  // twips, relative to the frame or the dialog
  int tab_index;
};

// The dialog's client area, in twips.
inline constexpr int kOptionsWidth = 4170;
inline constexpr int kOptionsHeight = 4635;
inline constexpr const char* kOptionsTitle = "Vantile Options";
inline constexpr const char* kOptionsTabCaptions = "General|Features|Programs|Tab3|Tab4|Tab5|Tab6|Tab7|Tab8|Tab9|";

// Every control, in the order they are listed; tab_index gives the focus order.
const std::vector<OptionsControl>& OptionsLayout();
// The check box that a layout entry stands for; false when it is none.
bool CheckOfControl(OptionsControlId id, OptionCheck& check);

// Whether `path` is a program here: an executable file or a desktop entry
// (".desktop") that starts one.
bool IsApplicationFile(const std::string& path);

class frmOptions {
 public:
  frmOptions();
  frmOptions(const frmOptions&) = delete;
  frmOptions& operator=(const frmOptions&) = delete;

  // Exchange values.
  std::int32_t ProgramCount = 0;
  bool EnableImages = false;
  bool EnableSound = false;
  bool EnableVideo = false;
  bool EnableScripting = false;
  bool EnableActiveX = false;
  bool EnableJava = false;
  bool LoadLast = false;
  bool RunAtStartup = false;
  bool NoScrollbars = false;
  bool NoHideTaskbar = false;
  bool ShowOnAllMonitors = false;
  std::string Editor;
  std::string Home;
  // True when the dialog was closed without Save.
  bool Canceled = false;

  // Fills the list with aProg[0 .. ProgramCount-1]; does nothing when
  // ProgramCount is not above 0. Set ProgramCount first.
  void SetPrograms(const std::vector<std::string>& aProg);
  // Replaces aProg by the ProgramCount entries of the list; leaves it
  // untouched when ProgramCount is 0.
  void GetPrograms(std::vector<std::string>& aProg) const;

  // The window the handlers act through; null between showings.
  void SetHost(OptionsHost* host) { host_ = host; }

  // Event handlers.
  // Fills the controls from the exchange values, once per showing.
  void Form_Load();
  // Every change of a check box's state, by the user or by code.
  void SetCheckValue(OptionCheck box, bool checked);
  void LightTab1_AfterTabChange(std::int16_t index);
  void cmdAddProgram_Click();
  void cmdRemoveProgram_Click();
  void cmdClearPrograms_Click();
  void cmdEditor_Click();
  void cmdHome_Click();
  void cmdSave_Click();
  // Also Esc and closing the window.
  void cmdCancel_Click();

  // Control state.
  bool Checked(OptionCheck box) const { return checked_[Slot(box)]; }
  std::string txtHome;    // the user's typing lands here
  std::string txtEditor;
  const std::vector<std::string>& lstPrograms() const { return programs_; }
  int ListIndex() const { return list_index_; }
  void SetListIndex(int index);  // -1: no selection
  bool PageVisible(int page) const { return page_visible_.at(static_cast<std::size_t>(page)); }
  std::int16_t CurrentTab() const { return current_tab_; }
  LightTab LightTab1;

  // Private state, for tests.
  bool WorkingFlag(OptionCheck box) const { return working_[Slot(box)]; }
  bool Initializing() const { return initializing_; }

 private:
  static std::size_t Slot(OptionCheck box) { return static_cast<std::size_t>(box); }
  void AddProgram(const std::string& path);
  void Changed();

  OptionsHost* host_ = nullptr;
  bool loaded_ = false;
  std::array<bool, kOptionCheckCount> working_{};
  std::array<bool, kOptionCheckCount> checked_{};
  bool initializing_ = false;
  std::int16_t current_tab_ = 0;
  std::array<bool, 3> page_visible_{true, false, false};
  std::vector<std::string> programs_;
  int list_index_ = -1;
};

}  // namespace vantile
