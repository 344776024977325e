#include "shell/gtk/windows/first_run_note_gtk.h"

#include <cstring>

#include "common/gtk/widget_style.h"

namespace vantile {

namespace {

// The Welcome demo's look: its night-blue backdrop, a glassy card, cream
// ink, amber and teal accents, its fonts.
constexpr const char* kStyle = R"css(
.vantile-first-run {
  background-image: linear-gradient(160deg, #1b2433 0%, #202c3f 45%, #15202b 100%);
  font-family: Cantarell, "Noto Sans", "DejaVu Sans", sans-serif;
  color: #f4f1ea;
}
.vantile-first-run .card {
  background-color: rgba(255, 255, 255, 0.07);
  border: 1px solid rgba(255, 255, 255, 0.14);
  border-radius: 16px;
  padding: 30px 36px;
}
.vantile-first-run .title { font-size: 34px; font-weight: bold; }
.vantile-first-run .lead { font-size: 17px; color: #b9c3cf; }
.vantile-first-run .heading { font-size: 12px; font-weight: bold; letter-spacing: 2px; color: #7cc4b8; }
.vantile-first-run .key {
  font-family: "DejaVu Sans Mono", monospace; font-size: 13px;
  border: 1px solid rgba(255, 255, 255, 0.14); border-bottom-width: 2px; border-radius: 5px;
  background-color: rgba(255, 255, 255, 0.06); padding: 2px 8px;
}
.vantile-first-run .way { font-size: 15px; color: #b9c3cf; }
)css";

GtkWidget* Label(const char* markup, const char* style_class) {
  GtkWidget* label = gtk_label_new(nullptr);
  gtk_label_set_markup(GTK_LABEL(label), markup);
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  // Wrapped text asks for its whole length unless told a line's width.
  gtk_label_set_max_width_chars(GTK_LABEL(label), 52);
  gtk_style_context_add_class(gtk_widget_get_style_context(label), style_class);
  // A screen reader reads the note as text under its headings.
  const bool heading = std::strcmp(style_class, "title") == 0 || std::strcmp(style_class, "heading") == 0;
  if (heading) atk_object_set_role(gtk_widget_get_accessible(label), ATK_ROLE_HEADING);
  return label;
}

GtkWidget* BuildNote() {
  GtkWidget* card = gtk_box_new(GTK_ORIENTATION_VERTICAL, 14);
  gtk_style_context_add_class(gtk_widget_get_style_context(card), "card");
  gtk_widget_set_halign(card, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(card, GTK_ALIGN_CENTER);
  gtk_box_pack_start(GTK_BOX(card), Label("Welcome to <span color='#f2b45a'>Vantile</span>", "title"), FALSE,
                     FALSE, 0);
  gtk_box_pack_start(GTK_BOX(card),
                     Label("This window is your desktop: it shows a web page of your choice in place of "
                           "the desktop. There is no home page yet.",
                           "lead"),
                     FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(card), Label("WAYS ON", "heading"), FALSE, FALSE, 6);

  static const char* const kWays[][2] = {
      {"Right-click", "the menu: its <b>Demos</b> submenu has a ready-made desktop"},
      {"F6", "<b>Options</b>, to choose your own home page"},
      {"Ctrl+Q", "leave Vantile"},
  };
  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), 10);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 16);
  int row = 0;
  for (const auto& way : kWays) {
    GtkWidget* key = Label(way[0], "key");
    gtk_widget_set_halign(key, GTK_ALIGN_START);
    gtk_grid_attach(GTK_GRID(grid), key, 0, row, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), Label(way[1], "way"), 1, row, 1, 1);
    ++row;
  }
  gtk_box_pack_start(GTK_BOX(card), grid, FALSE, FALSE, 0);

  // The backdrop covers the whole view, as the empty page below would show.
  GtkWidget* backdrop = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_set_hexpand(card, TRUE);
  gtk_widget_set_vexpand(card, TRUE);
  gtk_style_context_add_class(gtk_widget_get_style_context(backdrop), "vantile-first-run");
  gtk_container_add(GTK_CONTAINER(backdrop), card);

  StyleWidgetTree(backdrop, kStyle);
  return backdrop;
}

}  // namespace

FirstRunNote::FirstRunNote(GtkOverlay* overlay, WebKitWebView* view)
    : overlay_(overlay), view_(view), note_(BuildNote()) {
  // desktop.Show() shows the window with everything in it; the note only
  // when asked.
  gtk_widget_set_no_show_all(note_, TRUE);
  gtk_overlay_add_overlay(overlay_, note_);
  // Clicks (the right-click for the menu above all) reach the view.
  gtk_overlay_set_overlay_pass_through(overlay_, note_, TRUE);
  g_signal_connect(view_, "load-changed", G_CALLBACK(OnLoadChanged), this);
}

FirstRunNote::~FirstRunNote() {
  g_signal_handlers_disconnect_by_data(view_, this);
}

void FirstRunNote::Show() {
  if (!note_) return;
  gtk_widget_set_no_show_all(note_, FALSE);
  gtk_widget_show_all(note_);
}

bool FirstRunNote::visible() const { return note_ && gtk_widget_get_visible(note_); }

void FirstRunNote::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
  // Committed: the new page is about to be drawn, so the note leaves as
  // it appears, not while the view is still white.
  if (event == WEBKIT_LOAD_COMMITTED) static_cast<FirstRunNote*>(self)->Remove();
}

void FirstRunNote::Remove() {
  if (!note_) return;
  g_signal_handlers_disconnect_by_data(view_, this);
  gtk_widget_destroy(note_);
  note_ = nullptr;
}

}  // namespace vantile
