// The main window's popup menu as data: the fixed layout of 17 entries over
// the command table, the Demos submenu made from the sub-folders of the
// program's Demos folder, and the sort that orders them. The platform's Menu
// only shows what this builds.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/app_log.h"
#include "shell/commands.h"
#include "shell/platform.h"

namespace vantile {

// The menu's layout: what stands where. Its items are the command table's
// rows with a menu item, so their captions and labels come from there.
struct MenuSlot {
  enum class Kind { Item, Demos, Separator };
  Kind kind;
  Command command = Command::kCount;  // for Kind::Item
};

constexpr MenuSlot MenuItem(Command command) { return {MenuSlot::Kind::Item, command}; }
inline constexpr MenuSlot kDemosSlot = {MenuSlot::Kind::Demos};
inline constexpr MenuSlot kMenuSeparator = {MenuSlot::Kind::Separator};
inline constexpr std::string_view kDemosCaption = "&Demos";

inline constexpr auto kPopupMenuLayout = std::to_array<MenuSlot>({
    MenuItem(Command::LoadPage),
    kDemosSlot,
    kMenuSeparator,
    MenuItem(Command::GoBack),
    MenuItem(Command::GoForward),
    MenuItem(Command::Refresh),
    MenuItem(Command::Home),
    kMenuSeparator,
    MenuItem(Command::EditPage),
    MenuItem(Command::SetAsHomePage),
    kMenuSeparator,
    MenuItem(Command::Options),
    kMenuSeparator,
    MenuItem(Command::Help),
    MenuItem(Command::About),
    kMenuSeparator,
    MenuItem(Command::Exit),
});

namespace popup_menu_checks {

// Every command with a menu item stands in the menu once, and nothing
// else does: an item nobody can reach, or one without a caption, would
// otherwise only show up on screen.
constexpr bool EveryMenuItemStandsOnce() {
  for (const CommandRow& row : kCommandTable) {
    int times = 0;
    for (const MenuSlot& slot : kPopupMenuLayout) {
      if (slot.kind == MenuSlot::Kind::Item && slot.command == row.command) ++times;
    }
    if (times != (row.has_menu_item() ? 1 : 0)) return false;
  }
  return true;
}

}  // namespace popup_menu_checks

static_assert(popup_menu_checks::EveryMenuItemStandsOnce(),
              "each command with a caption needs one place in the menu, and only those");

// The whole menu for the platform: the table, with the demos as the submenu
// of "&Demos", or "&Demos" greyed when there are none.
std::vector<MenuEntry> PopupMenuEntries(const std::vector<std::string>& DemoNames,
                                        std::int32_t DemoCount);

// A folder's entries (without "." and ".."), or nullopt when it cannot be read.
struct DirectoryEntry {
  std::string name;
  bool is_directory = false;
};
using DirectoryLister =
    std::function<std::optional<std::vector<DirectoryEntry>>(const std::string& folder)>;
// The real file system; a link to a folder counts as a folder.
std::optional<std::vector<DirectoryEntry>> ListDirectory(const std::string& folder);

// Fills DemoNames with the names of the sub-folders of `folder`, sorted, and
// DemoCount with their number. Files are never listed. With no demos,
// DemoNames holds one empty name and DemoCount is 0. There is no upper limit:
// every demo folder found is listed.
void LoadDemoList(const std::string& folder, const DirectoryLister& lister,
                  std::vector<std::string>& DemoNames, std::int32_t& DemoCount);

// Ordinal comparison of the names' UTF-16 code units: every upper-case letter
// before every lower-case one, a name before the longer names it begins.
bool DemoNameLess(std::string_view a, std::string_view b);

// Sorts list[low..high] in place, ascending by DemoNameLess: quicksort with a
// middle pivot (the mid index rounded half to even) and a two-index partition.
void QuickSort(std::vector<std::string>& list, std::int32_t low, std::int32_t high);

// Builds the menu: the demo list from `demos_folder`, then the platform menu.
// Logs "CreateMyPopupMenu:Begin"/"End" to `log` when it is not null (the
// caller passes it only in debug mode). Returns whether the menu exists; when
// it cannot be created nothing more is logged.
bool CreateMyPopupMenu(Menu& menu, const std::string& demos_folder, const DirectoryLister& lister,
                       AppLog* log, std::vector<std::string>& DemoNames, std::int32_t& DemoCount);

}  // namespace vantile
