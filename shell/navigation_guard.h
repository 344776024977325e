// The link guard: every navigation passes it before it starts. "launch:" links
// start a program, but only one that is on the user's allow-list word for word;
// "folder:" links open a folder in the file manager. Both are always cancelled,
// so the desktop page stays on screen. Everything else is left to the browser.
//
// The decision is a pure function of the address and the allow-list, so the
// link forms can be tested as a table; frmMain carries it out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantile {

struct GuardDecision {
  enum class Action {
    None,        // nothing to start (ordinary address, or a program not allowed)
    Launch,      // start `program` with `parameters` in `directory`
    OpenFolder,  // show `folder` in the file manager
  };
  Action action = Action::None;
  // Stop the navigation (every launch and folder link, allowed or not).
  bool cancel = false;
  std::string program;
  std::string parameters;
  std::string directory;
  std::string folder;
  // Debug log lines after the start line, in order (information entries).
  std::vector<std::string> log_lines;

  bool operator==(const GuardDecision&) const = default;
};

// The start line the guard logs on entry, before anything else.
std::string GuardStartLine(std::string_view url);

// The decision of `WB_BeforeNavigate2` for the navigation to `url`. `programs` is the allow-list;
// only its first `program_count` entries count.
GuardDecision DecideNavigation(std::string_view url, const std::vector<std::string>& programs,
                               std::int32_t program_count);

}  // namespace vantile
