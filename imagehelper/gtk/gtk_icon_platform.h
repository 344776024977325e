// IconPlatform over the GTK icon theme, GIO content types and gdk-pixbuf.
#pragma once

#include <gtk/gtk.h>

#include "common/gtk/gobject_ptr.h"
#include "imagehelper/icon_source.h"

namespace vantile {

class GtkIconPlatform : public IconPlatform {
 public:
  GtkIconPlatform() = default;
  std::optional<Bitmap> LoadThemedIcon(const std::vector<std::string>& names, int size) override;
  std::optional<Bitmap> LoadImageFile(const std::filesystem::path& path, int size) override;
  std::vector<std::string> ContentTypeIconNames(const std::filesystem::path& path) override;

 private:
  GtkIconTheme* Theme();
  // Used when no display is open (the command line): a theme of our own,
  // since the default one belongs to a screen.
  GObjectPtr<GtkIconTheme> own_theme_;
};

// The pixels of a pixbuf as RGBA (opaque when it has no alpha).
std::optional<Bitmap> PixbufToBitmap(GdkPixbuf* pixbuf);

}  // namespace vantile
