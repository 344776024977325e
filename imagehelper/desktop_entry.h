// The parts of freedesktop.org desktop entries the helper needs: an entry's
// Icon, and the entry that starts a given program.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantile {

struct DesktopEntry {
  std::string exec;
  std::string try_exec;
  std::string icon;
};

// The [Desktop Entry] group of an entry's text (other groups, comments and
// localised keys are skipped). nullopt when the group is missing.
std::optional<DesktopEntry> ParseDesktopEntry(std::string_view text);

// The "applications" folders of $XDG_DATA_HOME and $XDG_DATA_DIRS, most
// important first.
std::vector<std::filesystem::path> ApplicationDirs();

// The full path a command name runs: itself when it holds a "/", else the
// first executable match on $PATH; empty when there is none.
std::filesystem::path ResolveCommand(const std::string& command);

// The Icon of the first entry below `dirs` whose Exec (first word) or
// TryExec runs `program`. nullopt when no entry does. Bounded: large trees
// and oversized files are skipped.
std::optional<std::string> FindIconOfProgram(const std::filesystem::path& program,
                                             const std::vector<std::filesystem::path>& dirs);

}  // namespace vantile
