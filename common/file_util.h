// File helpers shared by both programs.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vantile {

// Whether this user may write `path`, or create it when it does not exist
// (judged by its nearest existing parent). A file or folder without any write
// permission bit counts as read-only even for root, as a read-only file does
// on Windows; that keeps "read-only" meaning the same for every user.
bool IsWritableByUser(const std::filesystem::path& path);

// Writes `contents` to `path` atomically: a new file beside it, flushed,
// renamed over the old one, and the folder flushed. False on any failure,
// leaving the old file as it was.
bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view contents);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& contents);

// The folder of the running executable (/proc/self/exe), without a trailing
// slash.
std::filesystem::path ProgramFolder();
// The full path of the running executable.
std::filesystem::path ProgramPath();

// $XDG_CONFIG_HOME, or $HOME/.config.
std::filesystem::path ConfigHome();

}  // namespace vantile
