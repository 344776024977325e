#include "shell/gtk/webkit/icon_scheme_gtk.h"

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>

#include "common/gtk/glib_util.h"
#include "imagehelper/conversion.h"
#include "imagehelper/gtk/gtk_icon_platform.h"
#include "shell/gtk/watches/desktop_folder_gtk.h"
#include "shell/page_api/icon_address.h"
#include "shell/trust/document_trust.h"

namespace vantile {

namespace {

namespace fs = std::filesystem;

void Refuse(WebKitURISchemeRequest* request, const std::string& why) {
  GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED, why.c_str());
  webkit_uri_scheme_request_finish_error(request, error);
  g_error_free(error);
}

// The icon's PNG in the cache, made when missing; empty when the file has
// no icon that can be drawn.
fs::path CachedIcon(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return {};
  const fs::path folder = fs::path(g_get_user_cache_dir()) / "vantile" / "icons";
  const std::string key = path + "\n" + std::to_string(info.st_mtime) + "\n" + std::to_string(info.st_size);
  const fs::path icon = folder / (std::to_string(std::hash<std::string>{}(key)) + ".png");
  std::error_code ec;
  if (fs::exists(icon, ec)) return icon;
  // The cache tells which files the user has: the user's alone.
  fs::create_directories(folder, ec);
  fs::permissions(folder.parent_path(), fs::perms::owner_all, ec);
  fs::permissions(folder, fs::perms::owner_all, ec);
  GtkIconPlatform icons;
  SaveOutcome failure;
  const auto picture = LoadIconPicture(path, icons, {}, failure);
  if (!picture) return {};
  const fs::path partial = icon.string() + ".part";
  if (!WritePalettePng(*picture, partial).ok()) return {};
  fs::rename(partial, icon, ec);
  return ec ? fs::path() : icon;
}

void OnIconRequest(WebKitURISchemeRequest* request, gpointer) {
  WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request);
  const char* shown = view ? webkit_web_view_get_uri(view) : nullptr;
  if (!shown || !IsLocalDocument(shown)) return Refuse(request, "icons are only for the desktop's own page");
  const auto path = IconPath(webkit_uri_scheme_request_get_uri(request));
  if (!path || fs::path(*path).parent_path() != fs::path(DesktopFolderGtk::Folder())) {
    return Refuse(request, "only the desktop folder's files have icons here");
  }
  const fs::path icon = CachedIcon(*path);
  auto file = GObjectPtr<GFile>(g_file_new_for_path(icon.c_str()));
  auto stream = icon.empty() ? GObjectPtr<GFileInputStream>()
                             : GObjectPtr<GFileInputStream>(g_file_read(file.get(), nullptr, nullptr));
  if (!stream) return Refuse(request, "this file has no icon that can be drawn");
  std::error_code ec;
  const auto size = fs::file_size(icon, ec);
  webkit_uri_scheme_request_finish(request, G_INPUT_STREAM(stream.get()), ec ? -1 : static_cast<gint64>(size),
                                   "image/png");
}

}  // namespace

void RegisterIconScheme(WebKitWebContext* context) {
  static constexpr const char* kRegistered = "vantile-icon-scheme";
  if (g_object_get_data(G_OBJECT(context), kRegistered)) return;
  g_object_set_data(G_OBJECT(context), kRegistered, GINT_TO_POINTER(1));
  const std::string scheme(kIconScheme);
  webkit_web_context_register_uri_scheme(context, scheme.c_str(), OnIconRequest, nullptr, nullptr);
  webkit_security_manager_register_uri_scheme_as_local(webkit_web_context_get_security_manager(context),
                                                       scheme.c_str());
}

}  // namespace vantile
