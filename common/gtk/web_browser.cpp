#include "common/gtk/web_browser.h"

#include <gio/gio.h>

#include "common/gtk/child_environment.h"
#include "common/gtk/glib_util.h"

namespace vantile {

LaunchResult OpenInWebBrowser(const std::string& address) {
  GError* raw = nullptr;
  auto browser = GObjectPtr<GAppInfo>(g_app_info_get_default_for_uri_scheme("http"));
  if (browser) {
    GList uris{};
    uris.data = const_cast<char*>(address.c_str());
    const gboolean launched = g_app_info_launch_uris(browser.get(), &uris, ChildLaunchContext().get(), &raw);
    GErrorPtr error(raw);
    if (!launched) {
      return LaunchResult{false, "open " + address + " with " + g_app_info_get_name(browser.get()) + ": " +
                                     ErrorText(error)};
    }
    return LaunchResult{true, {}};
  }
  return OpenUriWithDefault(address);
}

}  // namespace vantile
