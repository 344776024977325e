// The FileChooser of both programs: a modal GtkFileChooserDialog. (Named
// FileChooserGtk because GtkFileChooser is GTK's own interface type.)
#pragma once

#include <gtk/gtk.h>

#include "common/file_chooser.h"

namespace vantile {

class FileChooserGtk : public FileChooser {
 public:
  // `parent` may be null; a request's owner, when set, replaces it.
  explicit FileChooserGtk(GtkWindow* parent) : parent_(parent) {}
  std::optional<Response> Run(const Request& request) override;

 private:
  GtkWindow* parent_;
};

}  // namespace vantile
