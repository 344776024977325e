// vantile-image-helper-gtk: the helper's window, and the command-line
// conversion of sources that need the icon theme. Started by
// vantile-image-helper, which takes the same arguments.
#include <gtk/gtk.h>

#include <cstring>
#include <filesystem>
#include <iostream>

#include "common/registry_store.h"
#include "imagehelper/command_line.h"
#include "imagehelper/gtk/gtk_icon_platform.h"
#include "imagehelper/gtk/helper_window_gtk.h"

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::cout << vantile::kCommandLineUsage;
    return 0;
  }
  if (argc == 3) {
    // Without a display GTK stays uninitialised and the icon platform uses
    // an icon theme of its own.
    gtk_init_check(nullptr, nullptr);
    vantile::GtkIconPlatform icons;
    return vantile::ConvertForCommandLine(argv[1], argv[2], icons, std::cerr);
  }
  if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
    std::cerr << vantile::kCommandLineUsage;
    return 2;
  }
  // A file to show at once, as vantile-image-helper FILE asks.
  const std::string first_file = argc == 2 ? std::filesystem::absolute(argv[1]).string() : std::string();
  if (!gtk_init_check(&argc, &argv)) {
    std::cerr << "vantile-image-helper: cannot open the display (see --help for the command line)\n";
    return 1;
  }
  vantile::RegistryStore store(vantile::RegistryStore::DefaultPaths());
  vantile::HelperWindowGtk window(store);
  window.Run(first_file);
  return 0;
}
