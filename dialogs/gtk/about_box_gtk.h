// The About box (frmAbout) as a modal GtkDialog.
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace vantile {

// Shows the About box centred on `owner` (may be null) and returns when it
// has closed: by its Close button, Enter, Escape or the window's close
// button. Its link opens `web_address` in the user's web browser.
void RunAboutBox(GtkWindow* owner, const std::string& web_address);

}  // namespace vantile
