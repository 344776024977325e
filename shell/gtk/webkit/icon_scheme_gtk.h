// "vantile-icon:" addresses: the icon of a file in the user's desktop
// folder as a PNG, drawn by the image helper's own code (the file's icon
// from the icon theme, a launcher's own icon, a program's embedded one) and
// kept in the user's cache folder. The scheme is registered as local, so
// only a local document can load one, and the answer is given only to a
// view that shows a local page, for a file directly in the desktop folder.
#pragma once

#include <webkit2/webkit2.h>

namespace vantile {

// Once per context; later calls do nothing.
void RegisterIconScheme(WebKitWebContext* context);

}  // namespace vantile
