// The addresses of file icons for the user's own page: "vantile-icon:" and
// the file's path, escaped, with the file's modification time, so that a
// changed file's icon is not taken from a cache. The browser registers the
// scheme as local: only a local document may load one, so a web page cannot
// learn which files exist by loading their icons.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantile {

inline constexpr std::string_view kIconScheme = "vantile-icon";

// "vantile-icon:///home/u/Desktop/notes%20today.txt?v=1700000000"
std::string IconAddress(std::string_view path, std::int64_t modified);
// The path an icon address names; nothing for anything else (another
// scheme, a relative path, a path with "..", a broken escape).
std::optional<std::string> IconPath(std::string_view address);

}  // namespace vantile
