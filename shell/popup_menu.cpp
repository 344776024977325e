#include "shell/popup_menu.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "common/text.h"

namespace vantile {

std::vector<MenuEntry> PopupMenuEntries(const std::vector<std::string>& DemoNames,
                                        std::int32_t DemoCount) {
  std::vector<MenuEntry> entries;
  entries.reserve(kPopupMenuLayout.size());
  for (const MenuSlot& slot : kPopupMenuLayout) {
    MenuEntry entry;
    switch (slot.kind) {
      case MenuSlot::Kind::Separator:
        entry.kind = MenuEntry::Kind::Separator;
        break;
      case MenuSlot::Kind::Item: {
        const CommandRow& row = CommandRowOf(slot.command);
        entry.id = row.menu_id;
        entry.text = MenuItemText(row);
        break;
      }
      case MenuSlot::Kind::Demos: {
        entry.id = kMenuDemos;
        entry.text = kDemosCaption;
        std::size_t count = DemoCount > 0 ? static_cast<std::size_t>(DemoCount) : 0;
        count = std::min(count, DemoNames.size());
        for (std::size_t i = 0; i < count; ++i) {
          MenuEntry demo;
          demo.id = kMenuFirstDemo + static_cast<int>(i);
          demo.text = DemoNames[i];
          entry.submenu.push_back(std::move(demo));
        }
        entry.enabled = count > 0;
        break;
      }
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::optional<std::vector<DirectoryEntry>> ListDirectory(const std::string& folder) {
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) return std::nullopt;
  std::vector<DirectoryEntry> entries;
  for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code type_ec;
    bool is_directory = it->is_directory(type_ec);  // follows links
    entries.push_back({it->path().filename().string(), is_directory && !type_ec});
  }
  return entries;
}

void LoadDemoList(const std::string& folder, const DirectoryLister& lister,
                  std::vector<std::string>& DemoNames, std::int32_t& DemoCount) {
  std::string search = folder;
  if (search.empty() || search.back() != '/') search += '/';

  std::vector<std::string> names;
  if (std::optional<std::vector<DirectoryEntry>> entries = lister(search)) {
    for (const DirectoryEntry& entry : *entries) {
      if (!entry.is_directory || entry.name == "." || entry.name == "..") continue;
      names.push_back(entry.name);
    }
  }
  DemoCount = static_cast<std::int32_t>(names.size());
  if (names.empty()) names.emplace_back();
  DemoNames = std::move(names);
  QuickSort(DemoNames, 0, DemoCount - 1);
}

bool DemoNameLess(std::string_view a, std::string_view b) {
  // UTF-8 byte order is code point order, which differs from UTF-16 code unit
  // order above U+FFFF; compare the code units to keep one order everywhere.
  std::vector<std::uint8_t> ua = Utf8ToUtf16Le(a);
  std::vector<std::uint8_t> ub = Utf8ToUtf16Le(b);
  std::size_t n = std::min(ua.size(), ub.size()) / 2;
  for (std::size_t i = 0; i < n; ++i) {
    unsigned ca = ua[2 * i] | (unsigned(ua[2 * i + 1]) << 8);
    unsigned cb = ub[2 * i] | (unsigned(ub[2 * i + 1]) << 8);
    if (ca != cb) return ca < cb;
  }
  return ua.size() < ub.size();
}

namespace {

// (low + high) / 2 rounded to the nearest integer, halves to the even one.
std::int32_t MiddleIndex(std::int32_t low, std::int32_t high) {
  std::int64_t sum = std::int64_t{low} + high;
  std::int64_t down = sum >= 0 ? sum / 2 : -((-sum + 1) / 2);  // floor(sum / 2)
  if (sum % 2 == 0) return static_cast<std::int32_t>(down);
  return static_cast<std::int32_t>(down % 2 == 0 ? down : down + 1);
}

}  // namespace

void QuickSort(std::vector<std::string>& list, std::int32_t low, std::int32_t high) {
  // A range of one element or none is sorted; this also keeps an empty range
  // (low 0, high -1) from reading the pivot.
  if (low >= high || low < 0 || static_cast<std::size_t>(high) >= list.size()) return;
  const std::string pivot = list[static_cast<std::size_t>(MiddleIndex(low, high))];
  std::int32_t i = low;
  std::int32_t j = high;
  auto at = [&list](std::int32_t k) -> std::string& { return list[static_cast<std::size_t>(k)]; };
  while (i <= j) {
    while (DemoNameLess(at(i), pivot) && i < high) ++i;
    while (DemoNameLess(pivot, at(j)) && j > low) --j;
    if (i <= j) {
      std::swap(at(i), at(j));
      ++i;
      --j;
    }
  }
  if (low < j) QuickSort(list, low, j);
  if (i < high) QuickSort(list, i, high);
}

bool CreateMyPopupMenu(Menu& menu, const std::string& demos_folder, const DirectoryLister& lister,
                       AppLog* log, std::vector<std::string>& DemoNames, std::int32_t& DemoCount) {
  if (log) log->LogEvent("CreateMyPopupMenu:Begin", 0);
  LoadDemoList(demos_folder, lister, DemoNames, DemoCount);
  if (!menu.Build(PopupMenuEntries(DemoNames, DemoCount))) return false;
  if (log) log->LogEvent("CreateMyPopupMenu:End", 0);
  return true;
}

}  // namespace vantile
