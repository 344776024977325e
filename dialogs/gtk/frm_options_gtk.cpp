#include "dialogs/gtk/frm_options_gtk.h"

#include <algorithm>

#include "common/gtk/owner_window_gtk.h"
#include "common/gtk/widget_style.h"
#include "common/text.h"

namespace vantile {
namespace {

using Kind = OptionsControl::Kind;
using Id = OptionsControlId;

// The theme's controls are taller than the dialog's rows; without their
// minimum heights and with slimmer padding they fit the rows while the
// default font still fits them.
constexpr const char* kCompactCss =
    "entry { min-height: 0; padding-top: 0; padding-bottom: 0; }"
    "button { min-height: 0; min-width: 0; padding: 0 4px; }"
    "button.image-button { padding: 0; }"
    "checkbutton { padding: 0; }"
    "check { min-height: 14px; min-width: 14px; margin: 0 4px 0 0; }";

const char* IconTooltip(Id id) { return id == Id::cmdHome ? "Choose the home page" : "Choose the page editor"; }

}  // namespace

OptionsDialogGtk::OptionsDialogGtk(frmOptions& dialog, GtkWindow* owner)
    : dialog_(dialog),
      owner_(owner),
      window_(GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL))),
      chooser_(window_),
      loop_(g_main_loop_new(nullptr, FALSE)) {}

OptionsDialogGtk::~OptionsDialogGtk() {
  dialog_.SetHost(nullptr);
  tab_.reset();
  gtk_widget_destroy(GTK_WIDGET(window_));
}

OwnerWindow OptionsDialogGtk::WindowHandle() { return ToOwnerWindow(window_); }

void OptionsDialogGtk::Build() {
  gtk_window_set_title(window_, kOptionsTitle);
  gtk_window_set_resizable(window_, FALSE);
  gtk_window_set_type_hint(window_, GDK_WINDOW_TYPE_HINT_UTILITY);
  gtk_window_set_skip_taskbar_hint(window_, TRUE);
  if (owner_) gtk_window_set_transient_for(window_, owner_);
  gtk_window_set_modal(window_, TRUE);
  gtk_window_set_position(window_, GTK_WIN_POS_CENTER);
  // The main window may cover the whole screen.
  gtk_window_set_keep_above(window_, TRUE);
  g_signal_connect(window_, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                     static_cast<OptionsDialogGtk*>(self)->dialog_.cmdCancel_Click();
                     return TRUE;
                   }), this);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);

  GtkWidget* root = gtk_fixed_new();
  gtk_widget_set_size_request(root, TwipsToPixels(kOptionsWidth), TwipsToPixels(kOptionsHeight));
  gtk_container_add(GTK_CONTAINER(window_), root);

  for (const OptionsControl& control : OptionsLayout()) {
    GtkWidget* widget = MakeControl(control);
    widgets_[control.id] = widget;
    gtk_widget_set_size_request(widget, TwipsToPixels(control.width), TwipsToPixels(control.height));
    GtkWidget* parent = control.page < 0 ? root : widgets_.at(static_cast<Id>(static_cast<int>(Id::fraPage0) + control.page));
    gtk_fixed_put(GTK_FIXED(parent), widget, TwipsToPixels(control.left), TwipsToPixels(control.top));
    Connect(control, widget);
  }
  // A label's mnemonic moves the focus to the control after it in tab order.
  for (const OptionsControl& label : OptionsLayout()) {
    if (label.kind != Kind::Label) continue;
    for (const OptionsControl& next : OptionsLayout()) {
      if (next.tab_index == label.tab_index + 1 && next.kind == Kind::TextBox)
        gtk_label_set_mnemonic_widget(GTK_LABEL(widgets_.at(label.id)), widgets_.at(next.id));
    }
  }
  std::sort(tab_order_.begin(), tab_order_.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });

  StyleWidgetTree(root, kCompactCss);

  gtk_widget_show_all(root);
  ControlsChanged();
  // No minimise or maximise: the dialog can only be moved and closed.
  gtk_widget_realize(GTK_WIDGET(window_));
  if (GdkWindow* gdk_window = gtk_widget_get_window(GTK_WIDGET(window_)))
    gdk_window_set_functions(gdk_window, static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_CLOSE));
}

GtkWidget* OptionsDialogGtk::MakeControl(const OptionsControl& control) {
  switch (control.kind) {
    case Kind::TabStrip:
      tab_ = std::make_unique<LightTabWidget>(dialog_.LightTab1);
      return tab_->widget();
    case Kind::Frame:
      return gtk_fixed_new();
    case Kind::Label: {
      GtkWidget* label = gtk_label_new_with_mnemonic(MnemonicLabel(control.caption).c_str());
      gtk_label_set_xalign(GTK_LABEL(label), 0);
      gtk_label_set_yalign(GTK_LABEL(label), 0);
      // The one long text wraps inside its width; the short ones stay whole.
      // A wrapping label asks for the width of its whole text unless told
      // otherwise, and the fixed layout would widen the window to give it.
      gtk_label_set_line_wrap(GTK_LABEL(label), control.id == Id::Label2);
      if (control.id == Id::Label2) gtk_label_set_max_width_chars(GTK_LABEL(label), 1);
      return label;
    }
    case Kind::TextBox:
      return gtk_entry_new();
    case Kind::IconButton: {
      GtkWidget* button = gtk_button_new_from_icon_name("document-open", GTK_ICON_SIZE_MENU);
      gtk_widget_set_tooltip_text(button, IconTooltip(control.id));
      return button;
    }
    case Kind::CheckBox:
      return gtk_check_button_new_with_mnemonic(MnemonicLabel(control.caption).c_str());
    case Kind::ListBox: {
      programs_store_ = gtk_list_store_new(1, G_TYPE_STRING);
      GtkWidget* view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(programs_store_));
      g_object_unref(programs_store_);  // the view holds it
      gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(view), FALSE);
      gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(view), -1, "Program",
                                                  gtk_cell_renderer_text_new(), "text", 0, nullptr);
      GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
      gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
      gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
      gtk_container_add(GTK_CONTAINER(scroller), view);
      return scroller;
    }
    case Kind::Button:
      return gtk_button_new_with_mnemonic(MnemonicLabel(control.caption).c_str());
  }
  return gtk_label_new("");
}

void OptionsDialogGtk::Connect(const OptionsControl& control, GtkWidget* widget) {
  OptionCheck box;
  if (CheckOfControl(control.id, box)) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget), dialog_.Checked(box));
    g_object_set_data(G_OBJECT(widget), "vantile-check", GINT_TO_POINTER(static_cast<int>(box)));
    g_signal_connect(widget, "toggled", G_CALLBACK(+[](GtkToggleButton* button, gpointer self) {
                       auto* view = static_cast<OptionsDialogGtk*>(self);
                       auto which = static_cast<OptionCheck>(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "vantile-check")));
                       view->dialog_.SetCheckValue(which, gtk_toggle_button_get_active(button));
                     }), this);
    tab_order_.emplace_back(control.tab_index, widget);
    return;
  }
  switch (control.kind) {
    case Kind::TabStrip:
      // First in the keyboard's order, so that Tab goes from the strip to
      // the page it shows.
      tab_order_.emplace_back(-1, widget);
      break;
    case Kind::TextBox: {
      std::string& text = control.id == Id::txtHome ? dialog_.txtHome : dialog_.txtEditor;
      gtk_entry_set_text(GTK_ENTRY(widget), text.c_str());
      g_object_set_data(G_OBJECT(widget), "vantile-text", &text);
      g_signal_connect(widget, "changed", G_CALLBACK(+[](GtkEditable* entry, gpointer) {
                         auto* target = static_cast<std::string*>(g_object_get_data(G_OBJECT(entry), "vantile-text"));
                         *target = gtk_entry_get_text(GTK_ENTRY(entry));
                       }), nullptr);
      tab_order_.emplace_back(control.tab_index, widget);
      break;
    }
    case Kind::ListBox: {
      GtkWidget* view = gtk_bin_get_child(GTK_BIN(widget));
      g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(view)), "changed",
                       G_CALLBACK(+[](GtkTreeSelection* selection, gpointer self) {
                         auto* dialog = static_cast<OptionsDialogGtk*>(self);
                         if (dialog->syncing_) return;
                         GtkTreeIter iter;
                         GtkTreeModel* model = nullptr;
                         int index = -1;
                         if (gtk_tree_selection_get_selected(selection, &model, &iter)) {
                           GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
                           index = gtk_tree_path_get_indices(path)[0];
                           gtk_tree_path_free(path);
                         }
                         dialog->dialog_.SetListIndex(index);
                       }), this);
      tab_order_.emplace_back(control.tab_index, view);
      break;
    }
    case Kind::IconButton:
    case Kind::Button: {
      g_object_set_data(G_OBJECT(widget), "vantile-id", GINT_TO_POINTER(static_cast<int>(control.id)));
      g_signal_connect(widget, "clicked", G_CALLBACK(+[](GtkButton* button, gpointer self) {
                         frmOptions& d = static_cast<OptionsDialogGtk*>(self)->dialog_;
                         switch (static_cast<Id>(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "vantile-id")))) {
                           case Id::cmdHome: d.cmdHome_Click(); break;
                           case Id::cmdEditor: d.cmdEditor_Click(); break;
                           case Id::cmdAddProgram: d.cmdAddProgram_Click(); break;
                           case Id::cmdRemoveProgram: d.cmdRemoveProgram_Click(); break;
                           case Id::cmdClearPrograms: d.cmdClearPrograms_Click(); break;
                           case Id::cmdSave: d.cmdSave_Click(); break;
                           case Id::cmdCancel: d.cmdCancel_Click(); break;
                           default: break;
                         }
                       }), this);
      tab_order_.emplace_back(control.tab_index, widget);
      break;
    }
    default:
      break;
  }
}

void OptionsDialogGtk::ControlsChanged() {
  syncing_ = true;
  for (Id id : {Id::txtHome, Id::txtEditor}) {
    auto* entry = GTK_ENTRY(widgets_.at(id));
    const std::string& text = id == Id::txtHome ? dialog_.txtHome : dialog_.txtEditor;
    if (text != gtk_entry_get_text(entry)) gtk_entry_set_text(entry, text.c_str());
  }
  gtk_list_store_clear(programs_store_);
  for (const std::string& program : dialog_.lstPrograms())
    gtk_list_store_insert_with_values(programs_store_, nullptr, -1, 0, program.c_str(), -1);
  GtkWidget* view = gtk_bin_get_child(GTK_BIN(widgets_.at(Id::lstPrograms)));
  GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(view));
  gtk_tree_selection_unselect_all(selection);
  if (dialog_.ListIndex() >= 0) {
    GtkTreePath* path = gtk_tree_path_new_from_indices(dialog_.ListIndex(), -1);
    gtk_tree_selection_select_path(selection, path);
    gtk_tree_path_free(path);
  }
  for (int page = 0; page < 3; ++page)
    gtk_widget_set_visible(widgets_.at(static_cast<Id>(static_cast<int>(Id::fraPage0) + page)), dialog_.PageVisible(page));
  syncing_ = false;
}

void OptionsDialogGtk::MoveFocus(bool forward, bool first) {
  // One order across the pages, by tab index, skipping what cannot take
  // the focus now (controls of hidden pages).
  GtkWidget* focus = first ? nullptr : gtk_window_get_focus(window_);
  const int n = static_cast<int>(tab_order_.size());
  int current = -1;
  for (int i = 0; i < n; ++i)
    if (tab_order_[static_cast<std::size_t>(i)].second == focus) current = i;
  for (int step = 1; step <= n; ++step) {
    int i = current < 0 ? (forward ? step - 1 : n - step) : ((current + (forward ? step : -step)) % n + n) % n;
    GtkWidget* candidate = tab_order_[static_cast<std::size_t>(i)].second;
    if (gtk_widget_is_visible(candidate) && gtk_widget_is_sensitive(candidate)) {
      gtk_widget_grab_focus(candidate);
      return;
    }
  }
}

void OptionsDialogGtk::FocusFirstOfPage() {
  // The first control of the page in tab order (the strip comes before it),
  // not GTK's choice.
  MoveFocus(true, true);
  if (tab_ && gtk_widget_is_focus(tab_->widget())) MoveFocus(true);
}

gboolean OptionsDialogGtk::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* view = static_cast<OptionsDialogGtk*>(self);
  const guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
  // The pages, from anywhere in the dialog, as in every tabbed GTK dialog.
  if (modifiers == GDK_CONTROL_MASK || modifiers == (GDK_CONTROL_MASK | GDK_SHIFT_MASK)) {
    int step = 0;
    switch (event->keyval) {
      case GDK_KEY_Page_Down: case GDK_KEY_KP_Page_Down: step = modifiers == GDK_CONTROL_MASK ? 1 : 0; break;
      case GDK_KEY_Page_Up: case GDK_KEY_KP_Page_Up: step = modifiers == GDK_CONTROL_MASK ? -1 : 0; break;
      case GDK_KEY_Tab: step = 1; break;
      case GDK_KEY_ISO_Left_Tab: step = -1; break;
      default: break;
    }
    if (step != 0) {
      view->dialog_.LightTab1.SetActiveTab(view->dialog_.LightTab1.TabAfter(step));
      // The focus was on the page that went: it goes to the new page's
      // first control, as in a GtkNotebook.
      GtkWidget* focus = gtk_window_get_focus(view->window_);
      if (!focus || !gtk_widget_is_visible(focus)) view->FocusFirstOfPage();
      return TRUE;
    }
  }
  switch (event->keyval) {
    case GDK_KEY_Escape:
      view->dialog_.cmdCancel_Click();  // the dialog's cancel button
      return TRUE;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
      if (event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) return FALSE;
      view->MoveFocus(event->keyval == GDK_KEY_Tab && !(event->state & GDK_SHIFT_MASK));
      return TRUE;
    default:
      return FALSE;
  }
}

void OptionsDialogGtk::ShowModal() {
  dialog_.SetHost(this);
  dialog_.Form_Load();
  Build();
  gtk_window_present(window_);
  FocusFirstOfPage();
  g_main_loop_run(loop_.get());
  gtk_widget_hide(GTK_WIDGET(window_));
  dialog_.SetHost(nullptr);
}

void OptionsDialogGtk::EndModal() {
  if (g_main_loop_is_running(loop_.get())) g_main_loop_quit(loop_.get());
}

void OptionsDialogGtk::ShowMessage(const std::string& text, const std::string& title) {
  GtkWidget* box = gtk_message_dialog_new(window_, GTK_DIALOG_MODAL, GTK_MESSAGE_INFO, GTK_BUTTONS_OK, "%s",
                                          text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), title.c_str());
  gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

void OptionsDialogGtk::Cancel() {
  // A chooser or message box of ours still open answers "closed" first.
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* l = toplevels; l; l = l->next) {
    auto* window = GTK_WINDOW(l->data);
    if (GTK_IS_DIALOG(window) && gtk_window_get_transient_for(window) == window_)
      gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_DELETE_EVENT);
  }
  g_list_free(toplevels);
  dialog_.cmdCancel_Click();
}

}  // namespace vantile
