#include "shell/gtk/windows/popup_menu_gtk.h"

#include <sstream>
#include <string>

#include "common/gtk/glib_util.h"
#include "common/text.h"
#include "shell/gtk/glue/startup_trace.h"

namespace vantile {

namespace {

const char* kIdKey = "vantile-menu-id";

// "Ctrl+0", "F5", "Ctrl+Shift+X" as a key and modifiers for the label; false
// for a text GTK cannot show that way.
bool ParseShortcut(const std::string& text, guint& key, GdkModifierType& mods) {
  key = 0;
  mods = static_cast<GdkModifierType>(0);
  std::stringstream parts(text);
  std::string part;
  std::vector<std::string> tokens;
  while (std::getline(parts, part, '+')) tokens.push_back(part);
  if (tokens.empty()) return false;
  for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
    if (tokens[i] == "Ctrl") mods = static_cast<GdkModifierType>(mods | GDK_CONTROL_MASK);
    else if (tokens[i] == "Shift") mods = static_cast<GdkModifierType>(mods | GDK_SHIFT_MASK);
    else if (tokens[i] == "Alt") mods = static_cast<GdkModifierType>(mods | GDK_MOD1_MASK);
    else return false;
  }
  key = gdk_keyval_from_name(tokens.back().c_str());
  return key != GDK_KEY_VoidSymbol && key != 0;
}

}  // namespace

GtkWidget* PopupMenuGtk::BuildMenu(const std::vector<MenuEntry>& entries) {
  GtkWidget* menu = gtk_menu_new();
  for (const auto& entry : entries) {
    if (entry.kind == MenuEntry::Kind::Separator) {
      gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
      continue;
    }
    const auto tab = entry.text.find('\t');
    const std::string caption = entry.text.substr(0, tab);
    const std::string shortcut = tab == std::string::npos ? std::string() : entry.text.substr(tab + 1);

    GtkWidget* item = gtk_menu_item_new_with_mnemonic(MnemonicLabel(caption).c_str());
    guint key = 0;
    GdkModifierType mods{};
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(item));
    if (!shortcut.empty() && GTK_IS_ACCEL_LABEL(label) && ParseShortcut(shortcut, key, mods)) {
      gtk_accel_label_set_accel(GTK_ACCEL_LABEL(label), key, mods);
    }
    g_object_set_data(G_OBJECT(item), kIdKey, GINT_TO_POINTER(entry.id));
    if (!entry.submenu.empty()) {
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), BuildMenu(entry.submenu));
    } else {
      g_signal_connect(item, "activate", G_CALLBACK(OnActivate), this);
    }
    gtk_widget_set_sensitive(item, entry.enabled);
    items_[entry.id] = item;
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  }
  gtk_widget_show_all(menu);
  return menu;
}

bool PopupMenuGtk::Build(const std::vector<MenuEntry>& entries) {
  StartupMark("menu");
  Destroy();
  // The widgets wait for the first right-click: made at start-up they cost
  // its time and the program's memory for a menu that may never open.
  entries_ = entries;
  return true;
}

bool PopupMenuGtk::MakeWidgets() {
  if (menu_) return true;
  if (entries_.empty()) return false;
  GtkWidget* menu = BuildMenu(entries_);
  menu_ = GObjectPtr<GtkWidget>(GTK_WIDGET(g_object_ref_sink(menu)));
  gtk_menu_attach_to_widget(GTK_MENU(menu), attach_, nullptr);
  g_signal_connect(menu, "deactivate", G_CALLBACK(OnDeactivate), this);
  return true;
}

void PopupMenuGtk::SetItemEnabled(int id, bool enabled) {
  auto it = items_.find(id);
  if (it != items_.end()) gtk_widget_set_sensitive(it->second, enabled);
  // Kept in the table too, which the widgets are made from.
  auto set = [id, enabled](auto& self, std::vector<MenuEntry>& entries) -> void {
    for (MenuEntry& entry : entries) {
      if (entry.id == id && entry.kind != MenuEntry::Kind::Separator) entry.enabled = enabled;
      self(self, entry.submenu);
    }
  };
  set(set, entries_);
}

void PopupMenuGtk::SetTriggerEvent(const GdkEvent* event) {
  trigger_.reset(event ? gdk_event_copy(event) : nullptr);
}

int PopupMenuGtk::Track() {
  if (loop_ || !MakeWidgets()) return 0;
  chosen_ = 0;
  GMainLoopPtr loop(g_main_loop_new(nullptr, FALSE));
  loop_ = loop.get();
  gtk_menu_popup_at_pointer(GTK_MENU(menu_.get()), trigger_.get());
  trigger_.reset();
  if (gtk_widget_get_visible(menu_.get())) g_main_loop_run(loop_);
  loop_ = nullptr;
  return chosen_;
}

void PopupMenuGtk::Dismiss() {
  if (menu_ && loop_) gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu_.get()));
}

void PopupMenuGtk::Destroy() {
  Dismiss();
  entries_.clear();
  items_.clear();
  if (menu_) {
    gtk_menu_detach(GTK_MENU(menu_.get()));
    gtk_widget_destroy(menu_.get());
    menu_.reset();
  }
}

void PopupMenuGtk::OnActivate(GtkMenuItem* item, gpointer self) {
  static_cast<PopupMenuGtk*>(self)->chosen_ = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), kIdKey));
}

void PopupMenuGtk::OnDeactivate(GtkMenuShell*, gpointer self) {
  // GTK closes the menu before it activates the chosen item, so the loop
  // ends on the next idle pass, after "activate" has recorded the id.
  g_idle_add(QuitLoop, self);
}

gboolean PopupMenuGtk::QuitLoop(gpointer self) {
  auto* menu = static_cast<PopupMenuGtk*>(self);
  if (menu->loop_) g_main_loop_quit(menu->loop_);
  return G_SOURCE_REMOVE;
}

}  // namespace vantile
