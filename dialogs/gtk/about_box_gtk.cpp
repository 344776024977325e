#include "dialogs/gtk/about_box_gtk.h"

#include <cstdio>
#include <cstring>

#include "common/gtk/glib_util.h"
#include "common/gtk/web_browser.h"
#include "common/text.h"
#include "dialogs/frm_about.h"
#include "dialogs/gtk/vantile_logo_svg.h"

namespace vantile {

namespace {

constexpr const char* kWebCaption = "Vantile Help";

// A control at its place; a label or button whose text needs more room
// than the layout gives grows rather than clips.
void Place(GtkFixed* fixed, GtkWidget* widget, const TwipsRect& rect) {
  gtk_widget_set_size_request(widget, TwipsToPixels(rect.width), TwipsToPixels(rect.height));
  gtk_fixed_put(fixed, widget, TwipsToPixels(rect.left), TwipsToPixels(rect.top));
}

void Style(GtkWidget* widget, const char* css) {
  auto provider = GObjectPtr<GtkCssProvider>(gtk_css_provider_new());
  gtk_css_provider_load_from_data(provider.get(), css, -1, nullptr);
  gtk_style_context_add_provider(gtk_widget_get_style_context(widget), GTK_STYLE_PROVIDER(provider.get()),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

GtkWidget* Label(const char* text) {
  GtkWidget* label = gtk_label_new(text);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_label_set_yalign(GTK_LABEL(label), 0);
  return label;
}

// The logo rendered from its SVG at the layout's size; an empty picture of
// that size when the system cannot read SVG.
GtkWidget* LogoImage(int width, int height) {
  GError* raw = nullptr;
  auto loader = GObjectPtr<GdkPixbufLoader>(gdk_pixbuf_loader_new_with_type("svg", &raw));
  GErrorPtr error(raw);
  GtkWidget* image = nullptr;
  if (loader) {
    gdk_pixbuf_loader_set_size(loader.get(), width, height);
    const auto* data = reinterpret_cast<const guchar*>(kVantileLogoSvg);
    raw = nullptr;
    if (gdk_pixbuf_loader_write(loader.get(), data, std::strlen(kVantileLogoSvg), &raw) &&
        gdk_pixbuf_loader_close(loader.get(), &raw)) {
      image = gtk_image_new_from_pixbuf(gdk_pixbuf_loader_get_pixbuf(loader.get()));
    } else {
      error.reset(raw);
      gdk_pixbuf_loader_close(loader.get(), nullptr);
    }
  }
  if (!image) {
    std::fprintf(stderr, "vantile: cannot draw the logo: %s\n", ErrorText(error).c_str());
    image = gtk_image_new();
  }
  return image;
}

class AboutView : public AboutHost {
 public:
  AboutView(GtkDialog* dialog, GtkLabel* version) : dialog_(dialog), version_(version) {}

  void SetVersionCaption(const std::string& caption) override { gtk_label_set_text(version_, caption.c_str()); }
  void OpenWebAddress(const std::string& address) override {
    LaunchResult result = OpenInWebBrowser(address);
    if (!result.ok) std::fprintf(stderr, "vantile: %s\n", result.error.c_str());
  }
  void CloseWindow() override { gtk_dialog_response(dialog_, GTK_RESPONSE_CLOSE); }

 private:
  GtkDialog* dialog_;
  GtkLabel* version_;
};

void OnRealize(GtkWidget* dialog, gpointer) {
  // A fixed tool window: it can be moved and closed, nothing more.
  gdk_window_set_functions(gtk_widget_get_window(dialog),
                           static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_CLOSE));
}

void OnLinkRealize(GtkWidget* link, gpointer) {
  GdkWindow* window = gtk_widget_get_window(link);
  auto hand = GObjectPtr<GdkCursor>(gdk_cursor_new_from_name(gdk_window_get_display(window), "pointer"));
  gdk_window_set_cursor(window, hand.get());
}

gboolean OnLinkRelease(GtkWidget*, GdkEventButton* event, gpointer form) {
  if (event->button == GDK_BUTTON_PRIMARY) static_cast<frmAbout*>(form)->lblWebSite_Click();
  return TRUE;
}

// The link from the keyboard: Tab reaches it, Enter or Space follows it.
gboolean OnLinkKey(GtkWidget*, GdkEventKey* event, gpointer form) {
  switch (event->keyval) {
    case GDK_KEY_Return: case GDK_KEY_KP_Enter: case GDK_KEY_ISO_Enter: case GDK_KEY_space: case GDK_KEY_KP_Space:
      static_cast<frmAbout*>(form)->lblWebSite_Click();
      return TRUE;
    default:
      return FALSE;
  }
}

gboolean OnLinkDrawn(GtkWidget* link, cairo_t* cr, gpointer) {
  if (gtk_widget_has_visible_focus(link)) {
    gtk_render_focus(gtk_widget_get_style_context(link), cr, 0, 0, gtk_widget_get_allocated_width(link),
                     gtk_widget_get_allocated_height(link));
  }
  return FALSE;
}

void OnCloseClicked(GtkButton*, gpointer form) { static_cast<frmAbout*>(form)->cmdClose_Click(); }

}  // namespace

void RunAboutBox(GtkWindow* owner, const std::string& web_address, const std::string& note) {
  GtkWidget* dialog = gtk_dialog_new();
  GtkWindow* window = GTK_WINDOW(dialog);
  gtk_window_set_title(window, frmAbout::kCaption);
  if (owner) gtk_window_set_transient_for(window, owner);
  gtk_window_set_modal(window, TRUE);
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_position(window, GTK_WIN_POS_CENTER_ON_PARENT);
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_skip_taskbar_hint(window, TRUE);
  // Like the program's message boxes: above the full-screen desktop window.
  gtk_window_set_keep_above(window, TRUE);
  g_signal_connect(dialog, "realize", G_CALLBACK(OnRealize), nullptr);
  Style(dialog, "dialog { background: #ffffff; }");

  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_container_set_border_width(GTK_CONTAINER(content), 0);
  gtk_box_set_spacing(GTK_BOX(content), 0);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_widget_set_no_show_all(gtk_dialog_get_action_area(GTK_DIALOG(dialog)), TRUE);
  G_GNUC_END_IGNORE_DEPRECATIONS

  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, TwipsToPixels(frmAbout::kClientWidth), TwipsToPixels(frmAbout::kClientHeight));
  gtk_box_pack_start(GTK_BOX(content), fixed, TRUE, TRUE, 0);
  auto* area = GTK_FIXED(fixed);

  Place(area, LogoImage(TwipsToPixels(frmAbout::kImage1.width), TwipsToPixels(frmAbout::kImage1.height)), frmAbout::kImage1);
  GtkWidget* version = Label("");
  Place(area, version, frmAbout::klblVersion);
  Place(area, Label(frmAbout::kLabel1Caption), frmAbout::kLabel1);

  AboutView view(GTK_DIALOG(dialog), GTK_LABEL(version));
  frmAbout form(view, web_address, kWebCaption);

  GtkWidget* link_label = Label(form.WebCaption().c_str());
  char link_css[64];
  std::snprintf(link_css, sizeof link_css, "label { color: rgb(%d, %d, %d); }", frmAbout::kLinkRed,
                frmAbout::kLinkGreen, frmAbout::kLinkBlue);
  Style(link_label, link_css);
  gtk_widget_set_tooltip_text(link_label, web_address.c_str());
  GtkWidget* link = gtk_event_box_new();
  gtk_container_add(GTK_CONTAINER(link), link_label);
  g_signal_connect(link, "realize", G_CALLBACK(OnLinkRealize), nullptr);
  g_signal_connect(link, "button-release-event", G_CALLBACK(OnLinkRelease), &form);
  gtk_widget_set_can_focus(link, TRUE);
  g_signal_connect(link, "key-press-event", G_CALLBACK(OnLinkKey), &form);
  g_signal_connect_after(link, "draw", G_CALLBACK(OnLinkDrawn), nullptr);
  // To a screen reader it is what it looks like: a link, named by its text.
  AtkObject* accessible = gtk_widget_get_accessible(link);
  atk_object_set_role(accessible, ATK_ROLE_LINK);
  atk_object_set_name(accessible, form.WebCaption().c_str());
  Place(area, link, frmAbout::klblWebSite);
  if (!note.empty()) {
    GtkWidget* line = Label(note.c_str());
    gtk_label_set_xalign(GTK_LABEL(line), 0.5);
    gtk_label_set_ellipsize(GTK_LABEL(line), PANGO_ELLIPSIZE_END);
    Place(area, line, frmAbout::klblNote);
  }

  GtkWidget* close = gtk_button_new_with_mnemonic(ReplaceAll(frmAbout::kcmdCloseCaption, "&", "_").c_str());
  g_signal_connect(close, "clicked", G_CALLBACK(OnCloseClicked), &form);
  Place(area, close, frmAbout::kcmdClose);
  gtk_widget_set_can_default(close, TRUE);

  form.Form_Load();
  gtk_widget_show_all(dialog);
  gtk_widget_grab_default(close);
  gtk_widget_grab_focus(close);
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

}  // namespace vantile
