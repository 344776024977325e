#include "imagehelper/gtk/helper_window_gtk.h"

#include <glib-unix.h>

#include <csignal>

#include "common/gtk/owner_window_gtk.h"
#include "common/text.h"
#include "imagehelper/icon_convert.h"

namespace vantile {

namespace {

// Room around the preview for the four outline shapes that frame it.
constexpr int kFrameMargin = 8;

}  // namespace

HelperWindowGtk::HelperWindowGtk(RegistryStore& store)
    : window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)),
      // GTK's toplevel list owns the window; our own reference keeps the
      // pointer valid until the destructor has destroyed it.
      window_ref_(GObjectPtr<GtkWidget>::Ref(window_)),
      chooser_(GTK_WINDOW(window_)) {
  form_ = std::make_unique<Form1>(*this, chooser_, store, icons_);
  Build();
}

HelperWindowGtk::~HelperWindowGtk() {
  Unload();
  gtk_widget_destroy(window_);
}

void HelperWindowGtk::Build() {
  gtk_window_set_title(GTK_WINDOW(window_), kHelperCaption);
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  gtk_window_set_icon_name(GTK_WINDOW(window_), "image-x-generic");
  gtk_widget_add_events(window_, GDK_POINTER_MOTION_MASK);

  GtkWidget* outer = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
  gtk_container_set_border_width(GTK_CONTAINER(outer), 10);
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);

  // The preview sits inside a drawing of four outline shapes.
  GtkWidget* frame = gtk_drawing_area_new();
  gtk_widget_set_size_request(frame, kPreviewWidth + 2 * kFrameMargin, kPreviewHeight + 2 * kFrameMargin);
  g_signal_connect(frame, "draw", G_CALLBACK(OnDrawFrame), this);
  GtkWidget* overlay = gtk_overlay_new();
  gtk_container_add(GTK_CONTAINER(overlay), frame);
  preview_ = gtk_drawing_area_new();
  gtk_widget_set_name(preview_, "picIcon");
  gtk_widget_set_size_request(preview_, kPreviewWidth, kPreviewHeight);
  gtk_widget_set_halign(preview_, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(preview_, GTK_ALIGN_CENTER);
  g_signal_connect(preview_, "draw", G_CALLBACK(OnDrawPreview), this);
  gtk_overlay_add_overlay(GTK_OVERLAY(overlay), preview_);
  gtk_widget_set_valign(overlay, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(row), overlay, FALSE, FALSE, 0);

  GtkWidget* label = gtk_label_new(kHelperIntroText);
  gtk_widget_set_name(label, "Label1");
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(label), 38);
  gtk_label_set_width_chars(GTK_LABEL(label), 38);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_widget_set_valign(label, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(row), label, TRUE, TRUE, 0);

  GtkWidget* buttons = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  GtkWidget* browse = gtk_button_new_with_mnemonic("S_elect");
  gtk_widget_set_name(browse, "cmdBrowse");
  save_ = gtk_button_new_with_mnemonic("_Save");
  gtk_widget_set_name(save_, "cmdSave");
  GtkWidget* exit = gtk_button_new_with_mnemonic("E_xit");
  gtk_widget_set_name(exit, "cmdExit");
  for (GtkWidget* b : {browse, save_, exit}) gtk_box_pack_start(GTK_BOX(buttons), b, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), buttons, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(outer), row, TRUE, TRUE, 0);

  hint_ = gtk_label_new("");
  gtk_widget_set_name(hint_, "lblHelp");
  gtk_label_set_xalign(GTK_LABEL(hint_), 0);
  gtk_label_set_ellipsize(GTK_LABEL(hint_), PANGO_ELLIPSIZE_END);
  gtk_box_pack_start(GTK_BOX(outer), hint_, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window_), outer);

  g_signal_connect_swapped(browse, "clicked", G_CALLBACK(+[](HelperWindowGtk* self) { self->form_->cmdBrowse_Click(); }), this);
  g_signal_connect_swapped(save_, "clicked", G_CALLBACK(+[](HelperWindowGtk* self) { self->form_->cmdSave_Click(); }), this);
  g_signal_connect_swapped(exit, "clicked", G_CALLBACK(+[](HelperWindowGtk* self) { self->form_->cmdExit_Click(); }), this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);

  ConnectHover(window_, HelperControl::Background);
  ConnectHover(browse, HelperControl::cmdBrowse);
  ConnectHover(save_, HelperControl::cmdSave);
  ConnectHover(exit, HelperControl::cmdExit);
  ConnectHover(preview_, HelperControl::picIcon);
}

void HelperWindowGtk::ConnectHover(GtkWidget* widget, HelperControl control) {
  hovers_.push_back(std::make_unique<Hover>(Hover{this, control}));
  gtk_widget_add_events(widget, GDK_POINTER_MOTION_MASK | GDK_ENTER_NOTIFY_MASK);
  g_signal_connect(widget, "motion-notify-event", G_CALLBACK(OnMotion), hovers_.back().get());
  g_signal_connect(widget, "enter-notify-event", G_CALLBACK(OnMotion), hovers_.back().get());
}

gboolean HelperWindowGtk::OnMotion(GtkWidget*, GdkEvent*, gpointer data) {
  auto* hover = static_cast<Hover*>(data);
  hover->self->form_->MouseMove(hover->control);
  // Handled here, so the window behind does not put its own text back.
  return hover->control != HelperControl::Background;
}

gboolean HelperWindowGtk::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<HelperWindowGtk*>(self)->Close();
  return TRUE;
}

gboolean HelperWindowGtk::OnDrawFrame(GtkWidget* widget, cairo_t* cr, gpointer) {
  const int w = gtk_widget_get_allocated_width(widget);
  const int h = gtk_widget_get_allocated_height(widget);
  cairo_set_line_width(cr, 1);
  // Two outline pairs, dark outside and light inside, like a sunken well.
  const double shades[4][3] = {{0.45, 0.45, 0.45}, {1, 1, 1}, {0.3, 0.3, 0.3}, {0.85, 0.85, 0.85}};
  for (int i = 0; i < 4; ++i) {
    cairo_set_source_rgb(cr, shades[i][0], shades[i][1], shades[i][2]);
    const double inset = 0.5 + i * 2;
    cairo_rectangle(cr, inset, inset, w - 2 * inset, h - 2 * inset);
    cairo_stroke(cr);
  }
  return FALSE;
}

gboolean HelperWindowGtk::OnDrawPreview(GtkWidget*, cairo_t* cr, gpointer data) {
  auto* self = static_cast<HelperWindowGtk*>(data);
  if (self->preview_pixels_.empty()) return FALSE;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(self->preview_pixels_.data()), CAIRO_FORMAT_ARGB32, kPreviewWidth,
      kPreviewHeight, kPreviewWidth * 4);
  cairo_set_source_surface(cr, surface, 0, 0);
  cairo_paint(cr);
  cairo_surface_destroy(surface);
  return FALSE;
}

void HelperWindowGtk::Run(const std::string& first_file) {
  // The window is placed at its saved position, with Save disabled, before
  // it is first shown: no frame of it elsewhere, or with Save enabled.
  // Placement measures the window by the size its contents ask for.
  gtk_widget_show_all(gtk_bin_get_child(GTK_BIN(window_)));
  form_->Form_Load();
  gtk_widget_show(window_);
  if (!first_file.empty()) form_->LoadIconImage(first_file);
  // A session ending (SIGHUP at logout) or a kill from a terminal ends the
  // window as Exit does, so its position and folder are saved.
  const guint sources[] = {g_unix_signal_add(SIGTERM, OnSignal, this), g_unix_signal_add(SIGHUP, OnSignal, this),
                           g_unix_signal_add(SIGINT, OnSignal, this)};
  gtk_main();
  for (guint source : sources) g_source_remove(source);
}

gboolean HelperWindowGtk::OnSignal(gpointer data) {
  auto* self = static_cast<HelperWindowGtk*>(data);
  if (self->closed_) return G_SOURCE_CONTINUE;
  // A dialog runs a loop of its own inside the main one; it must end too,
  // as cancelled, or the program would wait for it.
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item; item = item->next) {
    GtkWindow* window = GTK_WINDOW(item->data);
    if (GTK_IS_DIALOG(window) && gtk_window_get_transient_for(window) == GTK_WINDOW(self->window_)) {
      gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_DELETE_EVENT);
    }
  }
  g_list_free(toplevels);
  self->Close();
  return G_SOURCE_CONTINUE;
}

void HelperWindowGtk::Unload() {
  if (closed_) return;
  closed_ = true;
  form_->Form_Unload();
  preview_pixels_.clear();
}

void HelperWindowGtk::SetSaveEnabled(bool enabled) { gtk_widget_set_sensitive(save_, enabled); }

void HelperWindowGtk::SetHint(const std::string& text) { gtk_label_set_text(GTK_LABEL(hint_), text.c_str()); }

void HelperWindowGtk::ShowMessage(const std::string& text, const std::string& title) {
  const std::string shown = ReplaceAll(text, "\r\n", "\n");
  GtkWidget* dialog = gtk_message_dialog_new(GTK_WINDOW(window_), GTK_DIALOG_MODAL, GTK_MESSAGE_INFO,
                                             GTK_BUTTONS_OK, "%s", shown.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

void HelperWindowGtk::ShowPreview(const RgbaPicture* picture) {
  if (picture) {
    preview_pixels_ = RenderPreview(*picture);
  } else {
    preview_pixels_.clear();
  }
  gtk_widget_queue_draw(preview_);
}

WindowRect HelperWindowGtk::Frame() {
  WindowRect rect;
  gtk_window_get_position(GTK_WINDOW(window_), &rect.x, &rect.y);
  GdkWindow* gdk = gtk_widget_get_window(window_);
  if (gdk) {
    GdkRectangle extents;
    gdk_window_get_frame_extents(gdk, &extents);
    rect.width = extents.width;
    rect.height = extents.height;
  } else {
    // Not shown yet: the size its contents ask for (the window manager's
    // frame is not known before the window is mapped).
    GtkRequisition natural{};
    gtk_widget_get_preferred_size(window_, nullptr, &natural);
    rect.width = natural.width;
    rect.height = natural.height;
  }
  return rect;
}

static GdkRectangle MonitorGeometry(GtkWidget* window) {
  GdkRectangle geometry{0, 0, 0, 0};
  GdkDisplay* display = gtk_widget_get_display(window);
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) monitor = gdk_display_get_monitor(display, 0);
  if (monitor) gdk_monitor_get_geometry(monitor, &geometry);
  return geometry;
}

std::int32_t HelperWindowGtk::ScreenWidth() { return MonitorGeometry(window_).width; }
std::int32_t HelperWindowGtk::ScreenHeight() { return MonitorGeometry(window_).height; }

void HelperWindowGtk::MoveTo(std::int32_t x, std::int32_t y) { gtk_window_move(GTK_WINDOW(window_), x, y); }

void HelperWindowGtk::Close() {
  Unload();
  gtk_widget_hide(window_);
  gtk_main_quit();
}

OwnerWindow HelperWindowGtk::Handle() { return ToOwnerWindow(GTK_WINDOW(window_)); }

}  // namespace vantile
