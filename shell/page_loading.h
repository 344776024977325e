// The address rules of the Load Page command.
#pragma once

#include <string>

namespace vantile {

// The address to load for a name the user picked or typed, or "" when it is
// neither a web address nor an existing, non-empty file:
// - text that starts with "http://" or "https://" (any case): as typed;
// - an existing file: "file://" and the name as given; a name that names no
//   file as typed but does with every "\" turned into "/" (a stored Windows
//   path): "file://" and that;
// - text without a scheme holding "www." (any case): "http://" and the text
//   from there on;
// - else from an "http://" or "https://" anywhere (any case): the text from
//   there on;
// and in the last two every "\" turned into "/".
std::string FormatAddress(const std::string& addr);

// The web address for text without a scheme that names no file (a home
// page typed as "www.example.com" or "example.com/news"): from its "www."
// when it has one, as FormatAddress takes it, else "http://" and the text.
std::string WebAddressOf(const std::string& text);

// Whether `path` names a file whose length can be read and is above 0; any
// error (no such file, a folder, no access) answers false.
bool FileExists(const std::string& path);

}  // namespace vantile
