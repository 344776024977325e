// Opening an address in the user's web browser.
#pragma once

#include <string>

#include "common/gtk/gio_launcher.h"

namespace vantile {

// Opens `address` (a web or file address) in the default application for
// web addresses (x-scheme-handler/http), so a local page goes to the browser
// too rather than to whatever opens HTML files; without a browser set, in
// the default application for the address itself.
LaunchResult OpenInWebBrowser(const std::string& address);

}  // namespace vantile
