// The address rules of the Load Page command.
#pragma once

#include <string>

namespace vantile {

// The address to load for a name the user picked or typed, or "" when it is
// neither a web address nor an existing, non-empty file:
// - from a "www." anywhere (any case): "http://" and the text from there on,
//   whatever stood before it (another scheme included);
// - else from an "http://" anywhere (any case): the text from there on, as
//   written;
// - else an existing file: "file://" and the name as given;
// and every "\" turned into "/".
std::string FormatAddress(const std::string& addr);

// Whether `path` names a file whose length can be read and is above 0; any
// error (no such file, a folder, no access) answers false.
bool FileExists(const std::string& path);

}  // namespace vantile
