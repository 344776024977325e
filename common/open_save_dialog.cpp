#include "common/open_save_dialog.h"

#include <filesystem>
#include <stdexcept>

#include "common/text.h"

namespace vantile {
namespace fs = std::filesystem;

namespace {

std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The deepest folder that holds every chosen file.
std::string CommonFolder(const std::vector<std::string>& paths) {
  std::string folder = FolderOf(paths.front());
  for (const std::string& p : paths) {
    while (!folder.empty() && folder != "/" && p.rfind(folder + "/", 0) != 0) folder = FolderOf(folder);
  }
  return folder;
}

}  // namespace

void OpenSaveDialog::SetDefExt(std::string_view value) { def_ext_ = ReplaceAll(value, ".", ""); }

const std::string& OpenSaveDialog::Files(std::int16_t Index) const {
  if (Index < 0 || static_cast<std::size_t>(Index) >= files_.size())
    throw std::out_of_range("OpenSaveDialog::Files: index " + std::to_string(Index) + " outside 0.." +
                            std::to_string(static_cast<int>(files_.size()) - 1));
  return files_[static_cast<std::size_t>(Index)];
}

std::vector<FileFilter> OpenSaveDialog::ParseFilter(std::string_view filter) {
  std::vector<FileFilter> filters;
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= filter.size() && !filter.empty()) {
    std::size_t bar = filter.find('|', start);
    if (bar == std::string_view::npos) bar = filter.size();
    items.emplace_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  for (std::size_t i = 0; i + 1 < items.size(); i += 2) filters.push_back({items[i], items[i + 1]});
  return filters;
}

FileChooser::Request OpenSaveDialog::MakeRequest(FileChooser::Mode mode, OwnerWindow owner) const {
  FileChooser::Request request;
  request.mode = mode;
  request.owner = owner;
  request.title = dialog_title_;
  request.filters = ParseFilter(filter_);
  request.filter_index = filter_index_;
  request.initial_dir = initial_dir_;
  request.file_name = filename_;
  request.default_extension = def_ext_;
  request.flags = static_cast<std::uint32_t>(flags_);
  return request;
}

bool OpenSaveDialog::ShowOpen(OwnerWindow OwnerhWnd) {
  std::optional<FileChooser::Response> response = chooser_.Run(MakeRequest(FileChooser::Mode::Open, OwnerhWnd));
  if (!response || response->files.empty()) return false;

  if (flags_ & OFN_ALLOWMULTISELECT) {
    files_.clear();
    file_count_ = 0;
    if (response->files.size() > 1) {
      // Several files: the folder in Filename and the bare names in Files,
      // the shape callers of the multiple-selection dialog expect.
      filename_ = CommonFolder(response->files);
      std::size_t skip = filename_ == "/" ? 1 : filename_.size() + 1;
      for (const std::string& path : response->files) {
        if (path.size() > skip) files_.push_back(path.substr(skip));
      }
      file_count_ = static_cast<std::int16_t>(files_.size());
      flags_ = static_cast<std::int32_t>(response->flags);
      filter_index_ = response->filter_index;
      return true;
    }
  }
  file_count_ = 1;
  filename_ = response->files.front();
  file_title_ = BaseName(filename_);
  flags_ = static_cast<std::int32_t>(response->flags);
  filter_index_ = response->filter_index;
  return true;
}

bool OpenSaveDialog::ShowSave(OwnerWindow OwnerhWnd) {
  std::optional<FileChooser::Response> response = chooser_.Run(MakeRequest(FileChooser::Mode::Save, OwnerhWnd));
  if (!response || response->files.empty()) return false;
  file_count_ = 1;
  files_.clear();
  filename_ = response->files.front();
  file_title_ = BaseName(filename_);
  flags_ = static_cast<std::int32_t>(response->flags);
  filter_index_ = response->filter_index;
  if (force_extension_) {
    std::string wanted = "." + AsciiLower(def_ext_);
    bool has = filename_.size() >= wanted.size() &&
               AsciiLower(filename_.substr(filename_.size() - wanted.size())) == wanted;
    if (!has) filename_ += "." + def_ext_;
  }
  return true;
}

void OpenSaveDialog::WMCommand(std::int32_t hDlg, std::int32_t& wParam, std::int32_t& lParam) {
  if (WMCommandEvent) WMCommandEvent(hDlg, wParam, lParam);
}

void OpenSaveDialog::DialogClose() {
  if (DialogCloseEvent) DialogCloseEvent();
}

std::int32_t OpenSaveDialog::TypeChange(std::int32_t hDlg) {
  if (TypeChangeEvent) TypeChangeEvent(hDlg);
  return 0;
}

std::int32_t OpenSaveDialog::InitDialog(std::int32_t hDlg) {
  if (InitDialogEvent) InitDialogEvent(hDlg);
  return 0;
}

std::int32_t OpenSaveDialog::FileChange(std::int32_t hDlg) {
  if (FileChangeEvent) FileChangeEvent(hDlg);
  return 0;
}

std::int32_t OpenSaveDialog::FolderChange(std::int32_t hDlg) {
  if (FolderChangeEvent) FolderChangeEvent(hDlg);
  return 0;
}

bool OpenSaveDialog::ConfirmOK() {
  bool cancel = false;
  if (DialogOKEvent) DialogOKEvent(cancel);
  return !cancel;
}

}  // namespace vantile
