#include "shell/command_line.h"

#include "common/version.h"

namespace vantile {

namespace {

constexpr const char* kUsage =
    "Usage: vantile [/debug]\n"
    "Shows your start page as the desktop: one borderless window over the\n"
    "screen, or over the work area beside your panel. Right-click the page\n"
    "for the menu; Ctrl+Q leaves.\n"
    "\n"
    "  /debug     also write a trace to debug.log in the program folder (the\n"
    "             only argument; any other is ignored)\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Settings: $XDG_CONFIG_HOME/vantile/HKEY_CURRENT_USER.reg (normally\n"
    "~/.config/vantile/). A second vantile started while one runs ends at once.\n"
    "More in vantile(1).\n";

}  // namespace

InfoRequest FindInfoRequest(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "--help") return InfoRequest::kHelp;
    if (argument == "--version") return InfoRequest::kVersion;
  }
  return InfoRequest::kNone;
}

std::string InfoText(InfoRequest request) {
  switch (request) {
    case InfoRequest::kHelp:
      return kUsage;
    case InfoRequest::kVersion:
      return std::string("vantile ") + kVersionText +
             "\nLicence GPL-3.0-or-later: you may change and share it; there is no warranty.\n";
    case InfoRequest::kNone:
      break;
  }
  return "";
}

}  // namespace vantile
