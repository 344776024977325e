// The About box (frmAbout) as a modal GtkDialog.
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace vantile {

// Shows the About box centred on `owner` (may be null) and returns when it
// has closed: by its Close button, Enter, Escape or the window's close
// button. Its link opens `web_address` in the user's web browser. A `note`
// (what the user should know of this copy, such as a protection that is
// off) is a line of its own above the button.
void RunAboutBox(GtkWindow* owner, const std::string& web_address, const std::string& note = "");

}  // namespace vantile
