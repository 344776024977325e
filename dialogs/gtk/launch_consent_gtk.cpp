#include "dialogs/gtk/launch_consent_gtk.h"

#include <gdk/gdkx.h>

#include <algorithm>
#include <string>

#include "common/text.h"
#include "dialogs/gtk/unicode_look_gtk.h"

namespace vantile {

namespace {

GtkWidget* Label(const std::string& text, bool value) {
  GtkWidget* label = gtk_label_new(text.c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_label_set_yalign(GTK_LABEL(label), 0);
  if (value) {
    // Paths and arguments are shown whole and can be copied; long ones wrap
    // anywhere rather than widen the box past the screen.
    gtk_label_set_selectable(GTK_LABEL(label), TRUE);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_CHAR);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 60);
    // As wide as the text up to that, even at the box's least width: the
    // box is sized for its least width, where a wrapping label would
    // otherwise stand a character wide and the box grow tall and empty.
    const glong characters = g_utf8_strlen(text.c_str(), -1);
    gtk_label_set_width_chars(GTK_LABEL(label), static_cast<gint>(std::min<glong>(characters, 60)));
    gtk_widget_set_hexpand(label, TRUE);
    gtk_style_context_add_class(gtk_widget_get_style_context(label), "monospace");
    // A hyphen at the break would read as part of the argument.
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_insert_hyphens_new(FALSE));
    gtk_label_set_attributes(GTK_LABEL(label), attributes);
    pango_attr_list_unref(attributes);
  }
  return label;
}

// Follows the focus and the clock, and enables the accepting button only
// when ConsentGate allows.
struct AcceptButton {
  GtkWidget* button = nullptr;
  ConsentGate gate;
  guint timer = 0;

  void Update() {
    gtk_widget_set_sensitive(button, gate.MayAccept(ConsentGate::Clock::now()));
  }
  static gboolean OnTick(gpointer data) {
    static_cast<AcceptButton*>(data)->Update();
    return G_SOURCE_CONTINUE;
  }
  static void OnPressed(GtkGestureMultiPress*, gint, gdouble, gdouble, gpointer data) {
    static_cast<AcceptButton*>(data)->Press();
  }
  static gboolean OnKey(GtkWidget*, GdkEventKey*, gpointer data) {
    static_cast<AcceptButton*>(data)->Press();
    return FALSE;
  }
  void Press() {
    gate.Pressed(ConsentGate::Clock::now());
    Update();
  }
  static void OnActive(GObject* window, GParamSpec*, gpointer data) {
    auto* self = static_cast<AcceptButton*>(data);
    self->gate.FocusChanged(gtk_window_is_active(GTK_WINDOW(window)), ConsentGate::Clock::now());
    self->Update();
  }
};

// Where the box stays: where the window manager put it (centred on the
// desktop), unless the pointer is over that spot or near it, where a page
// could have led it; then above or below the pointer, or beside it. The
// button waits a second anyway, so the move right after the box appears
// costs nothing. X11 only: elsewhere the compositor places the box.
void PlaceAwayFromPointer(GtkWindow* window) {
  GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window));
  GdkSeat* seat = GDK_IS_X11_DISPLAY(display) ? gdk_display_get_default_seat(display) : nullptr;
  GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
  if (!pointer) return;
  int px = 0, py = 0;
  gdk_device_get_position(pointer, nullptr, &px, &py);
  GdkMonitor* monitor = gdk_display_get_monitor_at_point(display, px, py);
  if (!monitor) return;
  GdkRectangle area{};
  gdk_monitor_get_workarea(monitor, &area);
  GtkRequisition size{};
  gtk_window_get_size(window, &size.width, &size.height);
  constexpr int kMargin = 64;  // the title bar and a hand's unsteadiness
  int x = 0, y = 0;
  gtk_window_get_position(window, &x, &y);
  const bool under = px > x - kMargin && px < x + size.width + kMargin && py > y - kMargin && py < y + size.height + kMargin;
  if (under) {
    if (py + kMargin + size.height <= area.y + area.height) {
      y = py + kMargin;
    } else if (py - kMargin - size.height >= area.y) {
      y = py - kMargin - size.height;
    } else {
      x = px + kMargin + size.width <= area.x + area.width ? px + kMargin : std::max(area.x, px - kMargin - size.width);
    }
  }
  if (!under) return;
  gtk_window_move(window, x, y);
}

// Once mapped, when its size is known, the window manager has placed it.
gboolean OnMapped(GtkWidget* widget, GdkEvent*, gpointer) {
  PlaceAwayFromPointer(GTK_WINDOW(widget));
  return FALSE;
}

}  // namespace

bool RunLaunchConsent(GtkWindow* owner, const LaunchConsent& consent) {
  const ConsentText text = DescribeConsent(consent, UnicodeLook);
  GtkWidget* widget = gtk_dialog_new();
  GtkDialog* box = GTK_DIALOG(widget);
  GtkWindow* window = GTK_WINDOW(widget);
  gtk_window_set_title(window, ConsentText::kCaption);
  gtk_window_set_transient_for(window, owner);
  gtk_window_set_modal(window, TRUE);
  gtk_window_set_destroy_with_parent(window, TRUE);
  gtk_window_set_position(window, GTK_WIN_POS_CENTER_ON_PARENT);
  gtk_window_set_keep_above(window, TRUE);
  gtk_window_set_resizable(window, FALSE);

  GtkWidget* cancel = gtk_dialog_add_button(box, MnemonicLabel(ConsentText::kCancelCaption).c_str(), GTK_RESPONSE_CANCEL);
  AcceptButton accept;
  accept.button = gtk_dialog_add_button(box, MnemonicLabel(text.accept_caption).c_str(), GTK_RESPONSE_ACCEPT);
  gtk_dialog_set_default_response(box, GTK_RESPONSE_CANCEL);
  gtk_widget_set_sensitive(accept.button, FALSE);

  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), 4);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
  gtk_container_set_border_width(GTK_CONTAINER(grid), 12);
  GtkWidget* icon = gtk_image_new_from_icon_name("dialog-warning", GTK_ICON_SIZE_DIALOG);
  gtk_widget_set_valign(icon, GTK_ALIGN_START);
  gtk_grid_attach(GTK_GRID(grid), icon, 0, 0, 1, 2);
  GtkWidget* heading = Label(text.heading, false);
  gtk_label_set_line_wrap(GTK_LABEL(heading), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(heading), 60);
  PangoAttrList* bold = pango_attr_list_new();
  pango_attr_list_insert(bold, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
  pango_attr_list_insert(bold, pango_attr_scale_new(1.2));
  gtk_label_set_attributes(GTK_LABEL(heading), bold);
  pango_attr_list_unref(bold);
  atk_object_set_role(gtk_widget_get_accessible(heading), ATK_ROLE_HEADING);
  gtk_grid_attach(GTK_GRID(grid), heading, 1, 0, 2, 1);
  GtkWidget* explanation = Label(text.explanation, false);
  gtk_label_set_line_wrap(GTK_LABEL(explanation), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(explanation), 60);
  gtk_grid_attach(GTK_GRID(grid), explanation, 1, 1, 2, 1);
  int row = 2;
  for (const ConsentText::Row& line : text.rows) {
    gtk_grid_attach(GTK_GRID(grid), Label(line.label, false), 1, row, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), Label(line.value, true), 2, row, 1, 1);
    if (!line.note.empty()) {
      GtkWidget* note = Label(line.note, false);
      gtk_style_context_add_class(gtk_widget_get_style_context(note), "dim-label");
      gtk_grid_attach(GTK_GRID(grid), note, 3, row, 1, 1);
    }
    ++row;
  }
  // However many arguments a page writes, the box and its buttons stay on
  // the screen; the list scrolls.
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_propagate_natural_width(GTK_SCROLLED_WINDOW(scroller), TRUE);
  gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(scroller), TRUE);
  gtk_scrolled_window_set_max_content_height(GTK_SCROLLED_WINDOW(scroller), 480);
  gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scroller), FALSE);
  gtk_container_add(GTK_CONTAINER(scroller), grid);
  gtk_container_add(GTK_CONTAINER(gtk_dialog_get_content_area(box)), scroller);
  gtk_widget_show_all(scroller);

  // The gate starts when the box is shown; the focus may come later (or
  // never, when the window manager keeps it elsewhere).
  accept.gate.Armed(ConsentGate::Clock::now());
  g_signal_connect(widget, "notify::is-active", G_CALLBACK(AcceptButton::OnActive), &accept);
  // Every press in the box, seen before the widget it lands on.
  GtkGesture* presses = gtk_gesture_multi_press_new(widget);
  gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(presses), 0);
  gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(presses), GTK_PHASE_CAPTURE);
  g_signal_connect(presses, "pressed", G_CALLBACK(AcceptButton::OnPressed), &accept);
  g_signal_connect(widget, "key-press-event", G_CALLBACK(AcceptButton::OnKey), &accept);
  g_signal_connect(widget, "map-event", G_CALLBACK(OnMapped), nullptr);
  accept.timer = g_timeout_add(100, AcceptButton::OnTick, &accept);
  gtk_widget_grab_focus(cancel);

  const int response = gtk_dialog_run(box);
  g_source_remove(accept.timer);
  g_signal_handlers_disconnect_by_data(widget, &accept);
  g_signal_handlers_disconnect_by_data(presses, &accept);
  g_object_unref(presses);
  // A press that arrives as the button turns insensitive never reaches it,
  // but the answer is read from the gate too, so nothing else can accept.
  const bool accepted = response == GTK_RESPONSE_ACCEPT && accept.gate.MayAccept(ConsentGate::Clock::now());
  gtk_widget_destroy(widget);
  return accepted;
}

}  // namespace vantile
