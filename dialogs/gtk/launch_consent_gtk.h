// The launch confirmation as a modal GtkDialog over the desktop.
#pragma once

#include <gtk/gtk.h>

#include "dialogs/launch_consent.h"

namespace vantile {

// Shows the confirmation over `owner` and returns whether the user pressed
// the accepting button. Cancel is the default; Escape, closing the box or
// the program's shutdown answer no.
bool RunLaunchConsent(GtkWindow* owner, const LaunchConsent& consent);

}  // namespace vantile
