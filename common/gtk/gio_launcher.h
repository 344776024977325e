// The "open" action on Linux: starting programs directly, opening documents,
// folders and addresses in their default applications through GIO, the
// desktop's settings program, and the list of local drives.
//
// Nothing here shows anything to the user; every operation reports failure
// through its result and, where there is one, a text saying what failed.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vantile {

struct LaunchResult {
  bool ok = false;
  std::string error;  // empty when ok
  explicit operator bool() const { return ok; }
};

// Opens `target` the way a desktop does:
// - an executable file (a path with a "/", or a name found on PATH) is
//   started directly, with no shell in between: argv is the program followed
//   by `parameters` split with shell quoting rules (no expansion), in
//   `directory` (empty: our own working folder);
// - an address with a scheme (http:, mailto:, file: ...) opens in the
//   default application for it;
// - an existing document or folder opens in its default application.
LaunchResult OpenTarget(const std::string& target, const std::string& parameters,
                        const std::string& directory);

// Whether `path` is a program OpenTarget would start rather than open: a
// file executable for us that is a binary or a script with an interpreter
// line (anything else with the execute bit would reach /bin/sh through
// exec's fallback).
bool IsStartableProgram(const std::filesystem::path& path);

// Starts `program` directly (see OpenTarget) without looking at defaults.
// A name without a "/" is looked for only in the folders PATH names by
// absolute path. A file the kernel will not run (not a valid program, no "#!"
// line) fails; nothing is ever handed to /bin/sh.
LaunchResult StartProgram(const std::string& program, const std::string& parameters,
                          const std::string& directory);

// A launch link's allow-list entry, opened as OpenTarget does, except that a
// relative entry is never looked for in `directory` or the current folder: a
// bare name is found on PATH only, and a relative path with a "/" fails.
LaunchResult OpenListedProgram(const std::string& entry, const std::string& parameters,
                               const std::string& directory);

// Where OpenListedProgram starts `entry`: the entry itself when it is an
// absolute path, the program a bare name finds on PATH; "" when it names
// nothing to start.
std::string ListedProgramPath(const std::string& entry);

// Shows `folder` in the user's file manager: the default application for
// inode/directory. An empty folder means the home folder.
LaunchResult OpenFolderWindow(const std::string& folder);

// Opens an address (any scheme) in the desktop's default application for it.
LaunchResult OpenUriWithDefault(const std::string& uri);

// Starts the first installed of the usual desktop settings programs,
// preferring the one of the running desktop ($XDG_CURRENT_DESKTOP).
LaunchResult OpenSettingsProgram();

// Mount points of the mounted local file systems, each ending in "/", root
// first, in mount order, without duplicates.
std::vector<std::string> LocalMountPoints();

// The same rule over a mounts table in /proc/self/mounts form; `is_folder`
// tells whether a mount point is a folder (bind-mounted files are skipped).
std::vector<std::string> LocalMountPointsFrom(std::string_view mounts_table,
                                              bool (*is_folder)(const std::string&));

}  // namespace vantile
