#include "shell/gtk/webkit/web_sandbox.h"

#include <glib.h>
#include <unistd.h>

#include <cstring>

#include "common/gtk/glib_util.h"
#include "shell/gtk/webkit/browser_note.h"

namespace vantile {

namespace {

// Where WebKit runs bubblewrap from: the path it was built with.
constexpr const char* kBubblewrap = "/usr/bin/bwrap";

std::string& Decision() {
  static std::string off;
  return off;
}

// Why bubblewrap cannot give a process the namespaces WebKit asks for
// here, or "" when it can: a process is started in them and must end well.
std::string BubblewrapProblem() {
  const char* setting = g_getenv("VANTILE_WEB_SANDBOX");
  if (setting && std::strcmp(setting, "0") == 0) return "it is turned off by VANTILE_WEB_SANDBOX=0";
  if (access(kBubblewrap, X_OK) != 0) return std::string("bubblewrap (") + kBubblewrap + ") is not installed";
  const char* argv[] = {kBubblewrap, "--unshare-all", "--die-with-parent", "--ro-bind", "/", "/", "true", nullptr};
  gchar* raw_err = nullptr;
  gint status = 0;
  GError* raw_error = nullptr;
  const bool ran = g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr,
                                nullptr, &raw_err, &status, &raw_error);
  GCharPtr err(raw_err);
  GErrorPtr error(raw_error);
  if (!ran) return "bubblewrap cannot be started: " + ErrorText(error);
  if (g_spawn_check_wait_status(status, nullptr)) return "";
  std::string why = err ? err.get() : "";
  if (const auto end = why.find('\n'); end != std::string::npos) why.resize(end);
  return "bubblewrap cannot make its namespaces here" + (why.empty() ? std::string() : " (" + why.substr(0, 200) + ")");
}

}  // namespace

const std::string& SetUpWebSandbox(WebKitWebContext* context) {
  static const bool decided = [context] {
    Decision() = BubblewrapProblem();
    // Pages are read by the network process; the web process needs no
    // folder of the user's.
    if (Decision().empty()) {
      webkit_web_context_set_sandbox_enabled(context, TRUE);
    } else {
      Note("the web page sandbox is off: " + Decision());
    }
    return true;
  }();
  (void)decided;
  return Decision();
}

const std::string& WebSandboxOff() { return Decision(); }

}  // namespace vantile
