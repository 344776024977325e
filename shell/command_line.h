// vantile's informational options. The program's one real argument is
// "/debug"; --help and --version are answered before anything starts, so
// asking for them never opens the display, takes the instance lock or reads
// a setting.
#pragma once

#include <string>
#include <vector>

namespace vantile {

enum class InfoRequest { kNone, kHelp, kVersion };

// The first of --help and --version among `arguments` (the program name not
// included); kNone when neither is there, whatever else is.
InfoRequest FindInfoRequest(const std::vector<std::string>& arguments);

// What to print for a request: the usage text, or "vantile VERSION" and the
// licence.
std::string InfoText(InfoRequest request);

}  // namespace vantile
