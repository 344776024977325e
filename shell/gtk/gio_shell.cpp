#include "shell/gtk/gio_shell.h"

#include <cstdio>

#include "common/gtk/gio_launcher.h"

namespace vantile {

namespace {
bool Report(const LaunchResult& result) {
  if (!result.ok) std::fprintf(stderr, "vantile: %s\n", result.error.c_str());
  return result.ok;
}
}  // namespace

bool GioShell::Open(const std::string& file, const std::string& parameters, const std::string& directory,
                    std::int32_t /*show*/) {
  return Report(OpenTarget(file, parameters, directory));
}

bool GioShell::Launch(const std::string& program, const std::string& parameters,
                      const std::string& directory) {
  return Report(OpenListedProgram(program, parameters, directory));
}

bool GioShell::OpenFolder(const std::string& folder) { return Report(OpenFolderWindow(folder)); }

bool GioShell::OpenControlPanel() { return Report(OpenSettingsProgram()); }

std::vector<std::string> GioShell::LocalDrives() { return LocalMountPoints(); }

}  // namespace vantile
