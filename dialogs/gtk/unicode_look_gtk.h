// How a character shows, from GLib's Unicode tables, for the launch
// confirmation's VisibleText.
#pragma once

#include "dialogs/launch_consent.h"

namespace vantile {

// Controls, format characters (direction marks, soft hyphens, word joiners,
// tags), unassigned, private-use and surrogate code points, line and
// paragraph separators, spaces other than the ASCII one and the other
// default-ignorable code points are marks; combining marks combine.
Glyph UnicodeLook(char32_t code);

}  // namespace vantile
