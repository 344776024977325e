// Test driver: shows one Open or Save dialog through OpenSaveDialog over the
// real GTK file chooser and prints what the caller would read afterwards.
//
//   chooser_probe open|save FLAGS_HEX INITIAL_DIR [FILTER] [DEFEXT]
//
// Prints "OK<TAB>Filename<TAB>FileTitle<TAB>Flags<TAB>FilterIndex<TAB>FileCount"
// followed by one "FILE<TAB>name" line per multiple-selection entry, or
// "CANCEL".
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/gtk/gtk_file_chooser.h"
#include "common/open_save_dialog.h"

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: chooser_probe open|save FLAGS_HEX INITIAL_DIR [FILTER] [DEFEXT]\n");
    return 2;
  }
  vantile::FileChooserGtk chooser(nullptr);
  vantile::OpenSaveDialog dialog(chooser);
  bool open = std::string(argv[1]) == "open";
  dialog.SetFlags(static_cast<std::int32_t>(std::strtoul(argv[2], nullptr, 16)));
  dialog.SetInitialDir(argv[3]);
  if (argc > 4) dialog.SetFilter(argv[4]);
  if (argc > 5) {
    dialog.SetDefExt(argv[5]);
    dialog.SetForceExtension(true);
  }
  dialog.SetDialogTitle(open ? "Probe Open" : "Probe Save");
  bool ok = open ? dialog.ShowOpen() : dialog.ShowSave();
  if (!ok) {
    std::printf("CANCEL\n");
    return 0;
  }
  std::printf("OK\t%s\t%s\t%x\t%d\t%d\n", dialog.Filename().c_str(), dialog.FileTitle().c_str(),
              static_cast<unsigned>(dialog.Flags()), dialog.FilterIndex(), dialog.FileCount());
  if (dialog.FileCount() > 1)
    for (std::int16_t i = 0; i < dialog.FileCount(); ++i) std::printf("FILE\t%s\n", dialog.Files(i).c_str());
  return 0;
}
