#include "common/gtk/gtk_file_chooser.h"

#include <filesystem>
#include <memory>
#include <string>

#include "common/gtk/glib_util.h"
#include "common/gtk/owner_window_gtk.h"

namespace vantile {
namespace {

// Our own "open" response: GtkFileChooserDialog checks the stock accept
// responses against the file system, which would refuse a web address typed
// into the name field when the caller asked for no validation.
constexpr int kUnvalidatedOpen = 1000;

// "*.png" matches PNG files whatever the case of their names, as the
// Windows dialogs do.
std::string CaseInsensitivePattern(const std::string& pattern) {
  std::string out;
  for (char c : pattern) {
    if (g_ascii_isalpha(c)) {
      out += '[';
      out += g_ascii_tolower(c);
      out += g_ascii_toupper(c);
      out += ']';
    } else {
      out += c;
    }
  }
  return out;
}

void AddFilters(GtkFileChooser* chooser, const FileChooser::Request& request) {
  std::vector<GtkFileFilter*> added;
  for (const FileFilter& f : request.filters) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, f.description.c_str());
    std::string patterns = f.pattern;
    std::size_t start = 0;
    while (start <= patterns.size()) {
      std::size_t end = patterns.find(';', start);
      if (end == std::string::npos) end = patterns.size();
      std::string p = patterns.substr(start, end - start);
      p.erase(0, p.find_first_not_of(' '));
      p.erase(p.find_last_not_of(' ') + 1);
      if (p == "*.*") p = "*";
      if (!p.empty()) gtk_file_filter_add_pattern(filter, CaseInsensitivePattern(p).c_str());
      // A filter for Windows programs means "programs": on Linux those are
      // executables, scripts and the desktop entries that start them.
      if (g_ascii_strcasecmp(p.c_str(), "*.exe") == 0) {
        for (const char* type : {"application/x-executable", "application/x-pie-executable",
                                 "application/x-sharedlib", "application/x-shellscript",
                                 "application/x-desktop", "application/x-ms-dos-executable"})
          gtk_file_filter_add_mime_type(filter, type);
      }
      start = end + 1;
    }
    gtk_file_chooser_add_filter(chooser, filter);  // the chooser takes the floating reference
    added.push_back(filter);
  }
  if (!added.empty()) {
    int index = request.filter_index;
    if (index < 1 || index > static_cast<int>(added.size())) index = 1;
    gtk_file_chooser_set_filter(chooser, added[static_cast<std::size_t>(index - 1)]);
  }
}

// The text in the chooser's visible name or location entry, if any.
GtkEntry* FindVisibleEntry(GtkWidget* widget) {
  if (GTK_IS_ENTRY(widget) && gtk_widget_get_mapped(widget)) return GTK_ENTRY(widget);
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  GtkEntry* found = nullptr;
  for (GList* l = children; l && !found; l = l->next) found = FindVisibleEntry(GTK_WIDGET(l->data));
  g_list_free(children);
  return found;
}

GtkWidget* FindChooserWidget(GtkWidget* widget) {
  if (GTK_IS_FILE_CHOOSER_WIDGET(widget)) return widget;
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  GtkWidget* found = nullptr;
  for (GList* l = children; l && !found; l = l->next) found = FindChooserWidget(GTK_WIDGET(l->data));
  g_list_free(children);
  return found;
}

// An Open dialog that takes any text (a web address), or that offers a name,
// starts with its name field showing, so typing goes there rather than into
// GTK's type-ahead search. Other Open dialogs keep GTK's own behaviour.
void ShowNameField(GtkWidget* dialog, gpointer text) {
  if (GtkWidget* widget = FindChooserWidget(dialog))
    g_signal_emit_by_name(widget, "location-popup", static_cast<const char*>(text));
}

std::string Owned(char* text) {
  GCharPtr holder(text);
  return text ? std::string(text) : std::string();
}

// What the user meant by text typed into the name field of an unvalidated
// Open dialog: a path as a path, anything else (a web address) as typed.
std::string TypedChoice(GtkFileChooser* chooser, const std::string& typed) {
  if (typed.empty()) return "";
  if (typed.front() == '/') return typed;
  std::string folder = Owned(gtk_file_chooser_get_current_folder(chooser));
  std::error_code ec;
  if (!folder.empty() && std::filesystem::exists(std::filesystem::path(folder) / typed, ec))
    return (std::filesystem::path(folder) / typed).string();
  return typed;
}

}  // namespace

std::optional<FileChooser::Response> FileChooserGtk::Run(const Request& request) {
  const bool open = request.mode == Mode::Open;
  const bool unvalidated = open && (request.flags & OFN_NOVALIDATE);
  GtkWindow* parent = request.owner ? FromOwnerWindow(request.owner) : parent_;
  std::string title = request.title.empty() ? (open ? "Open" : "Save As") : request.title;

  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      title.c_str(), parent, open ? GTK_FILE_CHOOSER_ACTION_OPEN : GTK_FILE_CHOOSER_ACTION_SAVE,
      "_Cancel", GTK_RESPONSE_CANCEL, nullptr);
  int accept = unvalidated ? kUnvalidatedOpen : GTK_RESPONSE_ACCEPT;
  gtk_dialog_add_button(GTK_DIALOG(dialog), open ? "_Open" : "_Save", accept);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), accept);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  auto* chooser = GTK_FILE_CHOOSER(dialog);

  AddFilters(chooser, request);
  gtk_file_chooser_set_select_multiple(chooser, open && (request.flags & OFN_ALLOWMULTISELECT));
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, !open && (request.flags & OFN_OVERWRITEPROMPT));
  gtk_file_chooser_set_local_only(chooser, !unvalidated);
  // Without a folder of the caller's, start in the current folder as the
  // Windows dialogs do, not in GTK's list of recent files.
  std::string start_folder = request.initial_dir.empty() ? Owned(g_get_current_dir()) : request.initial_dir;
  gtk_file_chooser_set_current_folder(chooser, start_folder.c_str());
  if (!request.file_name.empty()) {
    std::filesystem::path name(request.file_name);
    if (name.is_absolute()) {
      if (open) gtk_file_chooser_select_filename(chooser, name.c_str());
      else gtk_file_chooser_set_filename(chooser, name.c_str());
      if (!open) gtk_file_chooser_set_current_name(chooser, name.filename().c_str());
    } else if (!open) {
      gtk_file_chooser_set_current_name(chooser, request.file_name.c_str());
    }
  }

  GtkWidget* read_only = nullptr;
  if (open && !(request.flags & OFN_HIDEREADONLY)) {
    read_only = gtk_check_button_new_with_mnemonic("Open as _read-only");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(read_only), (request.flags & OFN_READONLY) != 0);
    gtk_file_chooser_set_extra_widget(chooser, read_only);
  }

  std::string prefill = open && !request.file_name.empty() && request.file_name.front() != '/'
                            ? request.file_name
                            : std::string();
  if (unvalidated || !prefill.empty()) g_signal_connect(dialog, "map", G_CALLBACK(ShowNameField), prefill.data());

  int response = gtk_dialog_run(GTK_DIALOG(dialog));
  std::optional<Response> result;
  if (response == accept) {
    Response r;
    if (unvalidated) {
      GtkEntry* entry = FindVisibleEntry(dialog);
      std::string typed = entry ? gtk_entry_get_text(entry) : "";
      std::string choice = TypedChoice(chooser, typed);
      if (choice.empty()) choice = Owned(gtk_file_chooser_get_filename(chooser));
      if (choice.empty()) choice = Owned(gtk_file_chooser_get_uri(chooser));
      if (!choice.empty()) r.files.push_back(choice);
    } else {
      GSList* names = gtk_file_chooser_get_filenames(chooser);
      for (GSList* l = names; l; l = l->next) r.files.push_back(Owned(static_cast<char*>(l->data)));
      g_slist_free(names);
    }
    r.flags = request.flags;
    if (read_only) {
      if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(read_only))) r.flags |= OFN_READONLY;
      else r.flags &= ~OFN_READONLY;
    }
    if (!request.default_extension.empty() && !r.files.empty()) {
      std::string ext = std::filesystem::path(r.files.front()).extension().string();
      if (g_ascii_strcasecmp(ext.c_str(), ("." + request.default_extension).c_str()) != 0)
        r.flags |= OFN_EXTENSIONDIFFERENT;
      else
        r.flags &= ~OFN_EXTENSIONDIFFERENT;
    }
    r.filter_index = request.filter_index;
    if (GtkFileFilter* chosen = gtk_file_chooser_get_filter(chooser)) {
      GSList* all = gtk_file_chooser_list_filters(chooser);
      int index = g_slist_index(all, chosen);
      g_slist_free(all);
      if (index >= 0) r.filter_index = index + 1;
    }
    if (!r.files.empty()) result = std::move(r);
  }
  gtk_widget_destroy(dialog);
  ReturnFocusTo(parent);
  return result;
}

}  // namespace vantile
