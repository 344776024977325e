// The main window's commands as one table that the popup menu and the keys
// both read: a command's caption and its keys are written once, and the
// label the menu shows beside a caption is made from the command's first
// key, so the two can never tell the user different things.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vantile {

// Command ids of the menu items. They are what the menu gives back, and
// what enables or greys an item.
enum MenuCommand : int {
  kMenuDismissed = 0,  // also: a command without a menu item
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

// Everything the menu items and the keys can do; kCommandTable has one row
// for each, in this order.
enum class Command : int {
  LoadPage,
  GoBack,
  GoForward,
  Refresh,
  Home,
  EditPage,
  SetAsHomePage,
  Options,
  Help,
  About,
  Exit,
  // F4: the page on screen becomes the home page, with no menu item.
  StoreHomePage,
  kCount,
};

// Shift bits as the window's key handler passes them.
inline constexpr int kShiftBit = 1;
inline constexpr int kCtrlBit = 2;
inline constexpr int kAltBit = 4;

// What a key asks of Shift, Ctrl and Alt.
enum class KeyShift {
  Ctrl,     // exactly Ctrl
  Nothing,  // none of the three
  Any,      // whatever is held
};

// Windows virtual-key code of function key Fn.
constexpr int FunctionKey(int n) { return 0x6F + n; }

struct KeyBinding {
  int key = 0;  // Windows virtual-key code: '0'..'9', 'A'..'Z', FunctionKey(n); 0: none
  KeyShift shift = KeyShift::Nothing;
  bool Matches(int key_code, int shift_bits) const;
};

inline constexpr std::size_t kMaxKeysPerCommand = 2;

struct CommandRow {
  Command command;
  int menu_id;               // kMenuDismissed: no menu item
  std::string_view caption;  // "&" marks the mnemonic; empty without a menu item
  std::array<KeyBinding, kMaxKeysPerCommand> keys;  // the first one is the menu's label
  constexpr bool has_menu_item() const { return !caption.empty(); }
};

inline constexpr auto kCommandTable = std::to_array<CommandRow>({
    // The menu labels Load Page "Ctrl+0"; Ctrl+O loads a page too.
    {Command::LoadPage, kMenuLoadPage, "&Load Page...", {{{'0', KeyShift::Ctrl}, {'O', KeyShift::Ctrl}}}},
    {Command::GoBack, kMenuGoBack, "Go &Back", {{{'B', KeyShift::Ctrl}}}},
    {Command::GoForward, kMenuGoForward, "Go &Forward", {{{'F', KeyShift::Ctrl}}}},
    {Command::Refresh, kMenuRefresh, "&Refresh", {{{FunctionKey(5), KeyShift::Nothing}}}},
    {Command::Home, kMenuHome, "&Home", {{{'H', KeyShift::Ctrl}}}},
    {Command::EditPage, kMenuEditPage, "&Edit Page", {{{'E', KeyShift::Ctrl}}}},
    {Command::SetAsHomePage, kMenuSetAsHomePage, "&Set As Home Page", {{{'S', KeyShift::Ctrl}}}},
    {Command::Options, kMenuOptions, "&Options...", {{{FunctionKey(6), KeyShift::Any}}}},
    {Command::Help, kMenuHelp, "Hel&p", {{{FunctionKey(1), KeyShift::Nothing}}}},
    {Command::About, kMenuAbout, "&About...", {}},
    {Command::Exit, kMenuExit, "E&xit", {{{'Q', KeyShift::Ctrl}}}},
    {Command::StoreHomePage, kMenuDismissed, "", {{{FunctionKey(4), KeyShift::Nothing}}}},
});

constexpr const CommandRow& CommandRowOf(Command command) {
  return kCommandTable[static_cast<std::size_t>(command)];
}

// The row of the menu item `id`; null for ids without one (dismissed,
// Demos, a demo, ids the menu never gives).
const CommandRow* CommandForMenuItem(int id);
// The row bound to the key and shift bits; null when none is.
const CommandRow* CommandForKey(int key_code, int shift_bits);

// The key as the menu shows it: "Ctrl+0", "F5".
std::string KeyLabel(const KeyBinding& binding);
// The menu item's text: the caption, then a TAB and the first key's label
// when the command has a key.
std::string MenuItemText(const CommandRow& row);

namespace command_table_checks {

constexpr bool RowsFollowTheCommands() {
  for (std::size_t i = 0; i < kCommandTable.size(); ++i) {
    if (kCommandTable[i].command != static_cast<Command>(i)) return false;
  }
  return true;
}

constexpr bool MenuItemsHaveIdsOfTheirOwn() {
  for (const CommandRow& row : kCommandTable) {
    if (row.has_menu_item() != (row.menu_id != kMenuDismissed)) return false;
    if (row.menu_id == kMenuDemos || row.menu_id >= kMenuFirstDemo) return false;
    for (const CommandRow& other : kCommandTable) {
      if (&other != &row && row.has_menu_item() && other.menu_id == row.menu_id) return false;
    }
  }
  return true;
}

constexpr bool Overlap(const KeyBinding& a, const KeyBinding& b) {
  return a.key != 0 && a.key == b.key &&
         (a.shift == b.shift || a.shift == KeyShift::Any || b.shift == KeyShift::Any);
}

constexpr bool NoKeyRunsTwoCommands() {
  for (const CommandRow& row : kCommandTable) {
    for (const CommandRow& other : kCommandTable) {
      for (std::size_t i = 0; i < kMaxKeysPerCommand; ++i) {
        for (std::size_t j = 0; j < kMaxKeysPerCommand; ++j) {
          if ((&other != &row || i != j) && Overlap(row.keys[i], other.keys[j])) return false;
        }
      }
    }
  }
  return true;
}

}  // namespace command_table_checks

static_assert(kCommandTable.size() == static_cast<std::size_t>(Command::kCount),
              "every command needs exactly one row");
static_assert(command_table_checks::RowsFollowTheCommands(), "rows must be in the order of Command");
static_assert(command_table_checks::MenuItemsHaveIdsOfTheirOwn(),
              "a menu item needs an id no other item or the Demos submenu uses");
static_assert(command_table_checks::NoKeyRunsTwoCommands(), "a key and shift state may run one command only");

}  // namespace vantile
