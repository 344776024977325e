#include "imagehelper/gtk/gtk_icon_platform.h"

#include <memory>

#include "common/gtk/glib_util.h"

namespace vantile {

namespace {

}  // namespace

std::optional<Bitmap> PixbufToBitmap(GdkPixbuf* pixbuf) {
  if (!pixbuf || gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 ||
      gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB) {
    return std::nullopt;
  }
  const int w = gdk_pixbuf_get_width(pixbuf);
  const int h = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  if (w <= 0 || h <= 0 || w > kMaxIconSide || h > kMaxIconSide || (channels != 3 && channels != 4)) {
    return std::nullopt;
  }
  const guint8* pixels = gdk_pixbuf_read_pixels(pixbuf);
  Bitmap bitmap(w, h);
  for (int y = 0; y < h; ++y) {
    const guint8* row = pixels + static_cast<std::size_t>(y) * stride;
    std::uint8_t* out = bitmap.pixels.data() + static_cast<std::size_t>(y) * w * 4;
    for (int x = 0; x < w; ++x) {
      out[x * 4] = row[x * channels];
      out[x * 4 + 1] = row[x * channels + 1];
      out[x * 4 + 2] = row[x * channels + 2];
      out[x * 4 + 3] = channels == 4 ? row[x * channels + 3] : 255;
    }
  }
  return bitmap;
}

GtkIconTheme* GtkIconPlatform::Theme() {
  if (gdk_screen_get_default()) return gtk_icon_theme_get_default();
  if (!own_theme_) {
    own_theme_ = GObjectPtr<GtkIconTheme>(gtk_icon_theme_new());
    // Without a screen there are no settings to name the theme.
    gtk_icon_theme_set_custom_theme(own_theme_.get(), "Adwaita");
  }
  return own_theme_.get();
}

std::optional<Bitmap> GtkIconPlatform::LoadThemedIcon(const std::vector<std::string>& names, int size) {
  std::vector<const char*> list;
  for (const auto& n : names) {
    if (!n.empty()) list.push_back(n.c_str());
  }
  if (list.empty()) return std::nullopt;
  list.push_back(nullptr);
  GObjectPtr<GtkIconInfo> info(gtk_icon_theme_choose_icon(Theme(), list.data(), size, GTK_ICON_LOOKUP_FORCE_SIZE));
  if (!info) return std::nullopt;
  GError* raw_error = nullptr;
  GObjectPtr<GdkPixbuf> pixbuf(gtk_icon_info_load_icon(info.get(), &raw_error));
  GErrorPtr error(raw_error);
  if (!pixbuf) return std::nullopt;
  return PixbufToBitmap(pixbuf.get());
}

std::optional<Bitmap> GtkIconPlatform::LoadImageFile(const std::filesystem::path& path, int size) {
  GError* raw_error = nullptr;
  GObjectPtr<GdkPixbuf> pixbuf(gdk_pixbuf_new_from_file_at_size(path.c_str(), size, size, &raw_error));
  GErrorPtr error(raw_error);
  if (!pixbuf) return std::nullopt;
  return PixbufToBitmap(pixbuf.get());
}

std::vector<std::string> GtkIconPlatform::ContentTypeIconNames(const std::filesystem::path& path) {
  GObjectPtr<GFile> file(g_file_new_for_path(path.c_str()));
  GObjectPtr<GFileInfo> info(g_file_query_info(file.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                               G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
  const char* type = info ? g_file_info_get_content_type(info.get()) : nullptr;
  std::vector<std::string> names;
  if (!type) return {"text-x-generic"};
  GObjectPtr<GIcon> icon(g_content_type_get_icon(type));
  if (icon && G_IS_THEMED_ICON(icon.get())) {
    for (const gchar* const* n = g_themed_icon_get_names(G_THEMED_ICON(icon.get())); n && *n; ++n) {
      names.emplace_back(*n);
    }
  }
  std::unique_ptr<gchar, GFreeDeleter> generic(g_content_type_get_generic_icon_name(type));
  if (generic) names.emplace_back(generic.get());
  return names;
}

}  // namespace vantile
