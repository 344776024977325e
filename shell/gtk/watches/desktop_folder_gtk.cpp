#include "shell/gtk/watches/desktop_folder_gtk.h"

#include <glib.h>

#include <utility>

#include "common/gtk/glib_util.h"

namespace vantile {

namespace {

constexpr const char* kAttributes = G_FILE_ATTRIBUTE_STANDARD_NAME "," G_FILE_ATTRIBUTE_STANDARD_TYPE ","
    G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE "," G_FILE_ATTRIBUTE_STANDARD_SIZE "," G_FILE_ATTRIBUTE_STANDARD_IS_HIDDEN
    "," G_FILE_ATTRIBUTE_TIME_MODIFIED;

DesktopEntryFigures EntryOf(GFileInfo* info, const std::string& folder) {
  DesktopEntryFigures entry;
  entry.name = g_file_info_get_name(info);
  entry.path = folder + "/" + entry.name;
  const char* type = g_file_info_get_content_type(info);
  entry.type = type ? type : "application/octet-stream";
  entry.size = static_cast<std::uint64_t>(std::max<goffset>(g_file_info_get_size(info), 0));
  entry.modified = static_cast<std::int64_t>(g_file_info_get_attribute_uint64(info, G_FILE_ATTRIBUTE_TIME_MODIFIED));
  if (g_file_info_get_file_type(info) == G_FILE_TYPE_DIRECTORY) {
    entry.kind = DesktopEntryFigures::Kind::Folder;
  } else if (g_str_has_suffix(entry.name.c_str(), ".desktop")) {
    entry.kind = DesktopEntryFigures::Kind::Program;
  }
  return entry;
}

}  // namespace

DesktopFolderGtk::~DesktopFolderGtk() {
  if (monitor_) g_signal_handlers_disconnect_by_data(monitor_.get(), this);
  if (poll_) g_source_remove(poll_);
}

std::string DesktopFolderGtk::Folder() {
  const char* desktop = g_get_user_special_dir(G_USER_DIRECTORY_DESKTOP);
  std::string folder = desktop ? desktop : std::string(g_get_home_dir()) + "/Desktop";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

Reading<DesktopFolderFigures> DesktopFolderGtk::Read() {
  const std::string folder = Folder();
  if (folder != watched_) {
    // Followed from the first reading on; a change there makes the next
    // reading list the folder again.
    if (monitor_) g_signal_handlers_disconnect_by_data(monitor_.get(), this);
    auto file = GObjectPtr<GFile>(g_file_new_for_path(folder.c_str()));
    monitor_ = GObjectPtr<GFileMonitor>(g_file_monitor_directory(file.get(), G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr));
    if (monitor_) g_signal_connect(monitor_.get(), "changed", G_CALLBACK(OnChanged), this);
    watched_ = folder;
    listed_.reset();
  }
  // Without a monitor (no inotify watches left) nothing tells of changes:
  // every reading lists the folder, and a follower is told to look again
  // every few seconds.
  if (!monitor_ && !poll_) poll_ = g_timeout_add_seconds(3, OnPoll, this);
  if (monitor_ && poll_) g_source_remove(std::exchange(poll_, 0));
  if (!listed_ || !monitor_) listed_ = List(folder);
  return *listed_;
}

gboolean DesktopFolderGtk::OnPoll(gpointer data) {
  auto* self = static_cast<DesktopFolderGtk*>(data);
  if (self->changed_) self->changed_();
  return G_SOURCE_CONTINUE;
}

void DesktopFolderGtk::OnChanged(GFileMonitor*, GFile*, GFile*, GFileMonitorEvent event, gpointer data) {
  // A file's contents changing leaves its entry as it was, except its size
  // and time, which the next listing takes anyway.
  if (event == G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT || event == G_FILE_MONITOR_EVENT_PRE_UNMOUNT) return;
  auto* self = static_cast<DesktopFolderGtk*>(data);
  self->listed_.reset();
  if (self->changed_) self->changed_();
}

Reading<DesktopFolderFigures> DesktopFolderGtk::List(const std::string& folder) {
  auto file = GObjectPtr<GFile>(g_file_new_for_path(folder.c_str()));
  GError* raw = nullptr;
  auto children = GObjectPtr<GFileEnumerator>(
      g_file_enumerate_children(file.get(), kAttributes, G_FILE_QUERY_INFO_NONE, nullptr, &raw));
  GErrorPtr error(raw);
  if (!children) return Reading<DesktopFolderFigures>::Missing("the desktop folder " + folder + " cannot be read: " + ErrorText(error));
  DesktopFolderFigures figures{folder, {}};
  while (figures.entries.size() < kMaxEntries) {
    auto info = GObjectPtr<GFileInfo>(g_file_enumerator_next_file(children.get(), nullptr, nullptr));
    if (!info) break;
    if (g_file_info_get_is_hidden(info.get())) continue;
    figures.entries.push_back(EntryOf(info.get(), folder));
  }
  return Reading<DesktopFolderFigures>::Of(std::move(figures));
}

}  // namespace vantile
