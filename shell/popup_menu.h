// The main window's popup menu as data: the fixed table of 17 entries, the
// Demos submenu made from the sub-folders of the program's Demos folder, and
// the sort that orders them. The platform's Menu only shows what this builds.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/app_log.h"
#include "shell/platform.h"

namespace vantile {

// Command ids of the menu items (also used by the keyboard commands).
enum MenuCommand : int {
  kMenuDismissed = 0,
  kMenuLoadPage = 1,
  kMenuDemos = 2,
  kMenuGoBack = 3,
  kMenuGoForward = 4,
  kMenuRefresh = 5,
  kMenuHome = 6,
  kMenuEditPage = 7,
  kMenuSetAsHomePage = 8,
  kMenuHelp = 14,
  kMenuAbout = 15,
  kMenuExit = 16,
  kMenuOptions = 50,
  kMenuFirstDemo = 100,  // demo i has id 100 + i
};

// One row of the menu table. A separator has id 0 and no caption.
struct PopupMenuRow {
  int id;
  std::string_view caption;   // "&" marks the mnemonic
  std::string_view shortcut;  // a label only; empty when the item shows none
  bool separator() const { return caption.empty(); }
};

inline constexpr std::array<PopupMenuRow, 17> kPopupMenuTable = {{
    {kMenuLoadPage, "&Load Page...", "Ctrl+0"},
    {kMenuDemos, "&Demos", ""},
    {0, "", ""},
    {kMenuGoBack, "Go &Back", "Ctrl+B"},
    {kMenuGoForward, "Go &Forward", "Ctrl+F"},
    {kMenuRefresh, "&Refresh", "F5"},
    {kMenuHome, "&Home", "Ctrl+H"},
    {0, "", ""},
    {kMenuEditPage, "&Edit Page", "Ctrl+E"},
    {kMenuSetAsHomePage, "&Set As Home Page", "Ctrl+S"},
    {0, "", ""},
    {kMenuOptions, "&Options...", "F6"},
    {0, "", ""},
    {kMenuHelp, "Hel&p", "F1"},
    {kMenuAbout, "&About...", ""},
    {0, "", ""},
    {kMenuExit, "E&xit", "Ctrl+Q"},
}};

// The item's text: the caption, then a TAB and the shortcut text when it has one.
std::string MenuItemText(const PopupMenuRow& row);

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
