// Something a page tried and was refused, for whoever runs the desktop from
// a terminal or reads the session's log.
#pragma once

#include <cstdio>
#include <string>

namespace vantile {

inline void Note(const std::string& text) { std::fprintf(stderr, "vantile: %s\n", text.c_str()); }

}  // namespace vantile
