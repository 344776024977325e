// OpenSaveDialog: the programs' Open and Save dialogs. A caller sets the
// properties it cares about, calls ShowOpen or ShowSave, and on true reads
// Filename (and, after a multiple selection, FileCount and Files). The object
// can be shown again; its properties then start from the last result.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_chooser.h"

namespace vantile {

class OpenSaveDialog {
 public:
  explicit OpenSaveDialog(FileChooser& chooser) : chooser_(chooser) {}

  const std::string& Filter() const { return filter_; }
  void SetFilter(std::string_view value) { filter_ = value; }
  std::int32_t FilterIndex() const { return filter_index_; }
  void SetFilterIndex(std::int32_t value) { filter_index_ = value; }
  const std::string& Filename() const { return filename_; }
  void SetFilename(std::string_view value) { filename_ = value; }
  const std::string& FileTitle() const { return file_title_; }
  const std::string& InitialDir() const { return initial_dir_; }
  void SetInitialDir(std::string_view value) { initial_dir_ = value; }
  const std::string& DialogTitle() const { return dialog_title_; }
  void SetDialogTitle(std::string_view value) { dialog_title_ = value; }
  std::int32_t Flags() const { return flags_; }
  void SetFlags(std::int32_t value) { flags_ = value; }
  const std::string& DefExt() const { return def_ext_; }
  void SetDefExt(std::string_view value);  // every "." is removed
  const std::string& TemplateName() const { return template_name_; }
  void SetTemplateName(std::string_view value) { template_name_ = value; }
  std::int32_t FlagsEx() const { return flags_ex_; }
  void SetFlagsEx(std::int32_t value) { flags_ex_ = value; }
  std::int16_t FileCount() const { return file_count_; }
  // Bare name of file Index of a multiple selection; std::out_of_range
  // outside 0 .. FileCount - 1 or when no multiple selection filled it.
  const std::string& Files(std::int16_t Index) const;
  bool ForceExtension() const { return force_extension_; }
  void SetForceExtension(bool value) { force_extension_ = value; }

  bool ShowOpen(OwnerWindow OwnerhWnd = nullptr);
  bool ShowSave(OwnerWindow OwnerhWnd = nullptr);

  // Notifications, in their declaration order. Nothing in the class raises
  // them by itself; the raising methods below exist for callers.
  std::function<void(std::int32_t hDlg)> InitDialogEvent;
  std::function<void(std::int32_t hDlg)> FileChangeEvent;
  std::function<void(std::int32_t hDlg)> FolderChangeEvent;
  std::function<void(bool& bCancel)> DialogOKEvent;
  std::function<void(std::int32_t hDlg)> TypeChangeEvent;
  std::function<void()> DialogCloseEvent;
  std::function<void(std::int32_t hDlg, std::int32_t& wParam, std::int32_t& lParam)> WMCommandEvent;

  void WMCommand(std::int32_t hDlg, std::int32_t& wParam, std::int32_t& lParam);
  void DialogClose();
  std::int32_t TypeChange(std::int32_t hDlg);
  std::int32_t InitDialog(std::int32_t hDlg);
  std::int32_t FileChange(std::int32_t hDlg);
  std::int32_t FolderChange(std::int32_t hDlg);
  bool ConfirmOK();

  // The filter pairs of a "desc|pattern|desc|pattern" text; a trailing
  // description without a pattern is dropped.
  static std::vector<FileFilter> ParseFilter(std::string_view filter);

 private:
  FileChooser::Request MakeRequest(FileChooser::Mode mode, OwnerWindow owner) const;

  FileChooser& chooser_;
  std::string filter_;
  std::int32_t filter_index_ = 0;
  std::string filename_;
  std::string file_title_;
  std::string initial_dir_;
  std::string dialog_title_;
  std::int32_t flags_ = 0;
  std::string def_ext_;
  std::string template_name_;
  std::int32_t flags_ex_ = 0;
  std::int16_t file_count_ = 0;
  std::vector<std::string> files_;
  bool force_extension_ = false;
};

}  // namespace vantile
