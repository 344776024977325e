// The user's desktop folder for the page's "desktop" source: listed with
// GIO the first time a page asks, then followed by a file monitor, so a
// page that watches it costs a directory listing only when something there
// was added, removed or renamed.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <optional>

#include "common/gtk/gobject_ptr.h"
#include "shell/page_api/system_data.h"

namespace vantile {

class DesktopFolderGtk {
 public:
  // A page shows at most this many entries of the folder.
  static constexpr std::size_t kMaxEntries = 500;

  DesktopFolderGtk() = default;
  ~DesktopFolderGtk();
  DesktopFolderGtk(const DesktopFolderGtk&) = delete;
  DesktopFolderGtk& operator=(const DesktopFolderGtk&) = delete;

  Reading<DesktopFolderFigures> Read();
  // `changed` is called when an entry may have been added, removed or
  // renamed since the last Read().
  void Follow(std::function<void()> changed) { changed_ = std::move(changed); }
  // The XDG desktop folder (the home folder's Desktop when none is set).
  static std::string Folder();

 private:
  static void OnChanged(GFileMonitor*, GFile*, GFile*, GFileMonitorEvent, gpointer self);
  static gboolean OnPoll(gpointer self);
  Reading<DesktopFolderFigures> List(const std::string& folder);

  GObjectPtr<GFileMonitor> monitor_;
  std::string watched_;
  std::optional<Reading<DesktopFolderFigures>> listed_;  // until the folder changes
  std::function<void()> changed_;
  guint poll_ = 0;  // without a monitor: a look every few seconds
};

}  // namespace vantile
