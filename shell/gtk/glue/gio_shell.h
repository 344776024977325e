// The Shell interface over common/gtk's GIO launcher. Failures are returned
// (and written to stderr for whoever runs us from a terminal), never shown.
#pragma once

#include "shell/platform.h"

namespace vantile {

class GioShell : public Shell {
 public:
  // `show` (a window show command) has no counterpart and is ignored.
  bool Open(const std::string& file, const std::string& parameters, const std::string& directory,
            std::int32_t show) override;
  bool Launch(const std::string& program, const std::string& parameters,
              const std::string& directory) override;
  std::string ListedProgramPath(const std::string& entry) override;
  bool OpenFolder(const std::string& folder) override;
  bool OpenControlPanel() override;
  std::vector<std::string> LocalDrives() override;
  // A desktop entry counts as a program: the editor chooser offers them.
  std::string FindProgram(const std::string& program) override;
  // A desktop entry is launched with the page as its file or address.
  bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) override;
  bool OpenInTextEditor(const std::string& page) override;
  bool OpenInWebBrowser(const std::string& address) override;
};

}  // namespace vantile
