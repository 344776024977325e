// File helpers shared by both programs.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vantile {

// Whether this user may write `path`, or create it when it does not exist
// (judged by its nearest existing parent; a relative path is relative to the
// current folder). A file or folder without any write permission bit counts
// as read-only even for root, as a read-only file does on Windows; that keeps
// "read-only" meaning the same for every user. A symbolic link is judged by
// what it leads to.
bool IsWritableByUser(const std::filesystem::path& path);

// The file a path ends up naming once every symbolic link along its last
// component is followed, also when that file does not exist yet (a dangling
// link names its target). `path` itself when it is no link or the links
// loop.
std::filesystem::path ResolveLinks(const std::filesystem::path& path);

// Writes `contents` to `path` atomically: a new file beside it, flushed,
// renamed over the old one, and the folder flushed. A symbolic link is
// written through to its target and stays a link (dotfile managers keep
// settings that way). False on any failure, leaving the old file as it was.
bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view contents);

// Removes the temporary files ReplaceFileAtomically left beside `path` (the
// link's target for a link) when the process writing them was killed. Only
// safe under a lock that every writer of `path` holds while it writes.
void RemoveStaleTempFiles(const std::filesystem::path& path);

// Creates `path`, which must not exist yet, with `contents`, flushed to disk.
// False on any failure, with no partial file left.
bool WriteNewFile(const std::filesystem::path& path, std::string_view contents);

// Reads a whole file; false when it cannot be opened or read, with the
// reason in `error` when given (a read error is never taken for the end of
// the file).
bool ReadWholeFile(const std::filesystem::path& path, std::string& contents, std::string* error = nullptr);

// The folder of the running executable (/proc/self/exe), without a trailing
// slash.
std::filesystem::path ProgramFolder();
// The full path of the running executable.
std::filesystem::path ProgramPath();

// $XDG_CONFIG_HOME, or $HOME/.config.
std::filesystem::path ConfigHome();

}  // namespace vantile
