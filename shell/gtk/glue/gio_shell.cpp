#include "shell/gtk/glue/gio_shell.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <cstdio>
#include <cstring>

#include "common/gtk/child_environment.h"
#include "common/gtk/gio_launcher.h"
#include "common/gtk/glib_util.h"
#include "common/gtk/web_browser.h"
#include "common/text.h"

namespace vantile {

namespace {
bool Report(const LaunchResult& result) {
  if (!result.ok) std::fprintf(stderr, "vantile: %s\n", result.error.c_str());
  return result.ok;
}

bool IsDesktopEntry(const std::string& path) { return g_str_has_suffix(path.c_str(), ".desktop"); }

bool HasScheme(const std::string& text) {
  const char* scheme = g_uri_peek_scheme(text.c_str());  // interned, not ours to free
  return scheme && std::strlen(scheme) >= 2;  // "c:" is a drive, not a scheme
}

// Launches `app` with one page: a path as a file, anything else as an address.
LaunchResult LaunchWith(GAppInfo* app, const std::string& page) {
  GError* raw = nullptr;
  gboolean launched = FALSE;
  if (HasScheme(page)) {
    GList uris{};
    uris.data = const_cast<char*>(page.c_str());
    launched = g_app_info_launch_uris(app, &uris, ChildLaunchContext().get(), &raw);
  } else {
    auto file = GObjectPtr<GFile>(g_file_new_for_path(page.c_str()));
    GList files{};
    files.data = file.get();
    launched = g_app_info_launch(app, &files, ChildLaunchContext().get(), &raw);
  }
  GErrorPtr error(raw);
  if (!launched) {
    return LaunchResult{false, "open " + page + " with " + g_app_info_get_name(app) + ": " + ErrorText(error)};
  }
  return LaunchResult{true, {}};
}

}  // namespace

bool GioShell::Open(const std::string& file, const std::string& parameters, const std::string& directory,
                    std::int32_t /*show*/) {
  return Report(OpenTarget(file, parameters, directory));
}

bool GioShell::Launch(const std::string& program, const std::string& parameters,
                      const std::string& directory) {
  return Report(OpenListedProgram(program, parameters, directory));
}

std::string GioShell::ListedProgramPath(const std::string& entry) { return vantile::ListedProgramPath(entry); }

bool GioShell::OpenFolder(const std::string& folder) { return Report(OpenFolderWindow(folder)); }

bool GioShell::OpenControlPanel() { return Report(OpenSettingsProgram()); }

std::vector<std::string> GioShell::LocalDrives() { return LocalMountPoints(); }

std::string GioShell::FindProgram(const std::string& program) {
  if (program.empty()) return {};
  if (program.find('/') == std::string::npos) {
    if (IsDesktopEntry(program)) {
      auto entry = GObjectPtr<GDesktopAppInfo>(g_desktop_app_info_new(program.c_str()));
      const char* file = entry ? g_desktop_app_info_get_filename(entry.get()) : nullptr;
      return file ? file : "";
    }
    GCharPtr found(g_find_program_in_path(program.c_str()));
    return found && IsStartableProgram(found.get()) ? found.get() : "";
  }
  if (IsDesktopEntry(program)) {
    auto entry = GObjectPtr<GDesktopAppInfo>(g_desktop_app_info_new_from_filename(program.c_str()));
    return entry ? program : "";
  }
  return IsStartableProgram(program) ? program : "";
}

bool GioShell::StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
  if (IsDesktopEntry(program)) {
    auto entry = GObjectPtr<GDesktopAppInfo>(g_desktop_app_info_new_from_filename(program.c_str()));
    if (!entry) return Report(LaunchResult{false, "start " + program + ": not a desktop entry"});
    if (arguments.empty()) {
      GError* raw = nullptr;
      const gboolean launched = g_app_info_launch(G_APP_INFO(entry.get()), nullptr, ChildLaunchContext().get(), &raw);
      GErrorPtr error(raw);
      return Report(launched ? LaunchResult{true, {}} : LaunchResult{false, "start " + program + ": " + ErrorText(error)});
    }
    return Report(LaunchWith(G_APP_INFO(entry.get()), arguments.front()));
  }
  // Quoted one by one, each argument reaches the program exactly as given.
  std::string parameters;
  for (const std::string& argument : arguments) {
    if (!parameters.empty()) parameters += ' ';
    parameters += QuoteArgument(argument);
  }
  return Report(vantile::StartProgram(program, parameters, ""));
}

bool GioShell::OpenInTextEditor(const std::string& page) {
  auto editor = GObjectPtr<GAppInfo>(g_app_info_get_default_for_type("text/plain", FALSE));
  if (!editor) return Report(LaunchResult{false, "edit " + page + ": no text editor is registered for text/plain"});
  return Report(LaunchWith(editor.get(), page));
}

bool GioShell::OpenInWebBrowser(const std::string& address) { return Report(vantile::OpenInWebBrowser(address)); }

}  // namespace vantile
