// vantile-image-helper. Converting a Windows program's or an .ico file's icon
// needs no toolkit, so this front program does that itself and starts
// quickly; the window, and sources that need the icon theme, are handed to
// vantile-image-helper-gtk beside it (by exec, so the process stays the same).
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "common/file_util.h"
#include "common/version.h"
#include "imagehelper/command_line.h"

namespace {

int HandOver(char** argv) {
  const std::string toolkit = (vantile::ProgramFolder() / "vantile-image-helper-gtk").string();
  argv[0] = const_cast<char*>(toolkit.c_str());
  ::execv(toolkit.c_str(), argv);
  std::cerr << "vantile-image-helper: cannot start " << toolkit << ": " << std::strerror(errno) << "\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::cout << vantile::kCommandLineUsage;
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "vantile-image-helper " << vantile::kVersionText << "\n";
    return 0;
  }
  // One file: the window opens with its icon ("Open With" from a file
  // manager). Anything that looks like an option is not taken for a file.
  if (argc == 2 && argv[1][0] != '-') return HandOver(argv);
  if (argc == 3) {
    vantile::NoThemeIconPlatform icons;
    std::ostringstream err;
    const int status = vantile::ConvertForCommandLine(argv[1], argv[2], icons, err);
    if (status != 0 && icons.theme_needed()) return HandOver(argv);
    std::cerr << err.str();
    return status;
  }
  if (argc != 1) {
    std::cerr << vantile::kCommandLineUsage;
    return 2;
  }
  return HandOver(argv);
}
