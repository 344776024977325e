// The platform's file chooser, as OpenSaveDialog needs it. The GTK program
// supplies a GtkFileChooserDialog; tests supply a fake.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/owner_window.h"

namespace vantile {

// Option bits, as the Windows common dialogs define them; callers and stored
// settings use these numbers.
inline constexpr std::uint32_t OFN_READONLY = 0x1;
inline constexpr std::uint32_t OFN_OVERWRITEPROMPT = 0x2;
inline constexpr std::uint32_t OFN_HIDEREADONLY = 0x4;
inline constexpr std::uint32_t OFN_NOCHANGEDIR = 0x8;
inline constexpr std::uint32_t OFN_NOVALIDATE = 0x100;
inline constexpr std::uint32_t OFN_ALLOWMULTISELECT = 0x200;
inline constexpr std::uint32_t OFN_EXTENSIONDIFFERENT = 0x400;
inline constexpr std::uint32_t OFN_PATHMUSTEXIST = 0x800;
inline constexpr std::uint32_t OFN_FILEMUSTEXIST = 0x1000;
inline constexpr std::uint32_t OFN_CREATEPROMPT = 0x2000;
inline constexpr std::uint32_t OFN_EXPLORER = 0x80000;
inline constexpr std::uint32_t OFN_ENABLESIZING = 0x800000;

struct FileFilter {
  std::string description;  // "PNG Images (*.png)"
  std::string pattern;      // "*.png" or "*.htm;*.html"
  bool operator==(const FileFilter&) const = default;
};

class FileChooser {
 public:
  enum class Mode { Open, Save };

  struct Request {
    Mode mode = Mode::Open;
    OwnerWindow owner = nullptr;  // window the dialog is modal to; null for none
    std::string title;
    std::vector<FileFilter> filters;
    int filter_index = 1;  // 1-based; out of range means the first
    std::string initial_dir;
    std::string file_name;  // offered pre-filled
    std::string default_extension;
    std::uint32_t flags = 0;
  };

  struct Response {
    // Full paths of the chosen files. With OFN_NOVALIDATE a name the user
    // typed that is not a file (a web address) comes back exactly as typed.
    std::vector<std::string> files;
    int filter_index = 1;
    std::uint32_t flags = 0;  // the caller's flags as the dialog returns them
  };

  virtual ~FileChooser() = default;
  // nullopt when the user cancelled or the dialog failed.
  virtual std::optional<Response> Run(const Request& request) = 0;
};

}  // namespace vantile
