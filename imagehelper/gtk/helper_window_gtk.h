// The image helper's GTK window: draws what Form1 decides and forwards the
// user's clicks and pointer moves to it.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <vector>

#include "common/gtk/gobject_ptr.h"
#include "common/gtk/gtk_file_chooser.h"
#include "common/registry_store.h"
#include "imagehelper/gtk/gtk_icon_platform.h"
#include "imagehelper/helper_window.h"

namespace vantile {

class HelperWindowGtk : public HelperView {
 public:
  explicit HelperWindowGtk(RegistryStore& store);
  ~HelperWindowGtk() override;
  HelperWindowGtk(const HelperWindowGtk&) = delete;
  HelperWindowGtk& operator=(const HelperWindowGtk&) = delete;

  // Shows the window and runs until it is closed (also by SIGTERM, SIGHUP
  // or SIGINT, which save its settings like Exit); a `first_file` is loaded
  // as if the user had selected it.
  void Run(const std::string& first_file = {});

  void SetSaveEnabled(bool enabled) override;
  void SetHint(const std::string& text) override;
  void ShowMessage(const std::string& text, const std::string& title) override;
  void ShowPreview(const RgbaPicture* picture) override;
  WindowRect Frame() override;
  std::int32_t ScreenWidth() override;
  std::int32_t ScreenHeight() override;
  void MoveTo(std::int32_t x, std::int32_t y) override;
  void Close() override;
  OwnerWindow Handle() override;

 private:
  struct Hover {
    HelperWindowGtk* self;
    HelperControl control;
  };
  void Build();
  void ConnectHover(GtkWidget* widget, HelperControl control);
  void Unload();
  static gboolean OnDrawPreview(GtkWidget* widget, cairo_t* cr, gpointer self);
  static gboolean OnDrawFrame(GtkWidget* widget, cairo_t* cr, gpointer self);
  static gboolean OnMotion(GtkWidget* widget, GdkEvent* event, gpointer hover);
  static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
  static gboolean OnSignal(gpointer self);

  GtkWidget* window_ = nullptr;
  GObjectPtr<GtkWidget> window_ref_;
  GtkWidget* save_ = nullptr;
  GtkWidget* hint_ = nullptr;
  GtkWidget* preview_ = nullptr;
  std::vector<std::uint32_t> preview_pixels_;
  std::vector<std::unique_ptr<Hover>> hovers_;
  FileChooserGtk chooser_;
  GtkIconPlatform icons_;
  std::unique_ptr<Form1> form_;
  bool closed_ = false;
};

}  // namespace vantile
