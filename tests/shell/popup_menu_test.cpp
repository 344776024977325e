// The popup menu table, the Demos submenu and the order of the demos.
#include "shell/popup_menu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "tests/shell/fakes.h"

namespace vantile {
namespace {

using test::CallJournal;
using test::FakeMenu;

// A directory listing from a map; a folder not in it cannot be read.
struct FakeFolders {
  std::map<std::string, std::vector<DirectoryEntry>> folders;
  std::vector<std::string> asked;
  DirectoryLister Lister() {
    return [this](const std::string& folder) -> std::optional<std::vector<DirectoryEntry>> {
      asked.push_back(folder);
      auto it = folders.find(folder);
      if (it == folders.end()) return std::nullopt;
      return it->second;
    };
  }
};

std::vector<DirectoryEntry> Dirs(std::initializer_list<const char*> names) {
  std::vector<DirectoryEntry> entries;
  for (const char* n : names) entries.push_back({n, true});
  return entries;
}

TEST(PopupMenuTable, HasTheSeventeenEntriesInOrder) {
  struct Row {
    MenuEntry::Kind kind;
    int id;
    std::string text;
  };
  const auto S = MenuEntry::Kind::Separator;
  const auto I = MenuEntry::Kind::Item;
  const std::vector<Row> expected = {
      {I, 1, "&Load Page...\tCtrl+0"}, {I, 2, "&Demos"},
      {S, 0, ""},
      {I, 3, "Go &Back\tCtrl+B"},      {I, 4, "Go &Forward\tCtrl+F"},
      {I, 5, "&Refresh\tF5"},          {I, 6, "&Home\tCtrl+H"},
      {S, 0, ""},
      {I, 7, "&Edit Page\tCtrl+E"},    {I, 8, "&Set As Home Page\tCtrl+S"},
      {S, 0, ""},
      {I, 50, "&Options...\tF6"},
      {S, 0, ""},
      {I, 14, "Hel&p\tF1"},            {I, 15, "&About..."},
      {S, 0, ""},
      {I, 16, "E&xit\tCtrl+Q"},
  };
  std::vector<MenuEntry> entries = PopupMenuEntries({"Clock"}, 1);
  ASSERT_EQ(entries.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("position " + std::to_string(i + 1));
    EXPECT_EQ(entries[i].kind, expected[i].kind);
    EXPECT_EQ(entries[i].id, expected[i].id);
    EXPECT_EQ(entries[i].text, expected[i].text);
    EXPECT_TRUE(entries[i].enabled);
    if (i != 1) {
      EXPECT_TRUE(entries[i].submenu.empty());
    }
  }
}

TEST(PopupMenuTable, ShortcutLabelsAreMadeFromTheKeyAndItsShiftState) {
  const struct {
    KeyBinding key;
    std::string label;
  } cases[] = {
      {{'0', KeyShift::Ctrl}, "Ctrl+0"},
      {{'Z', KeyShift::Ctrl}, "Ctrl+Z"},
      {{FunctionKey(12), KeyShift::Nothing}, "F12"},
      {{FunctionKey(6), KeyShift::Any}, "F6"},
      {{FunctionKey(1), KeyShift::Ctrl}, "Ctrl+F1"},
  };
  for (const auto& c : cases) EXPECT_EQ(KeyLabel(c.key), c.label);
}

TEST(PopupMenuTable, DemosBecomeTheSubmenuWithIdsFrom100) {
  std::vector<MenuEntry> entries = PopupMenuEntries({"Alpha", "Zeta", "beta"}, 3);
  const MenuEntry& demos = entries[1];
  ASSERT_EQ(demos.submenu.size(), 3u);
  EXPECT_EQ(demos.submenu[0].id, 100);
  EXPECT_EQ(demos.submenu[0].text, "Alpha");
  EXPECT_EQ(demos.submenu[2].id, 102);
  EXPECT_EQ(demos.submenu[2].text, "beta");
  EXPECT_TRUE(demos.enabled);
}

TEST(PopupMenuTable, NoDemosGreysTheDemosItem) {
  std::vector<MenuEntry> entries = PopupMenuEntries({""}, 0);
  EXPECT_EQ(entries.size(), 17u);
  EXPECT_FALSE(entries[1].enabled);
  EXPECT_TRUE(entries[1].submenu.empty());
}

TEST(DemoList, SortsOrdinallyUpperCaseFirst) {
  FakeFolders fs;
  fs.folders["/prog/Demos/"] = Dirs({"beta", "Alpha", "gamma", "Zeta"});
  std::vector<std::string> names;
  std::int32_t count = -1;
  LoadDemoList("/prog/Demos/", fs.Lister(), names, count);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Zeta", "beta", "gamma"}));

  std::vector<MenuEntry> demos = PopupMenuEntries(names, count)[1].submenu;
  ASSERT_EQ(demos.size(), 4u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(demos[i].id, 100 + i);
  EXPECT_EQ(demos[3].text, "gamma");
}

TEST(DemoList, ListsOnlyFoldersAndNeverDotEntries) {
  FakeFolders fs;
  fs.folders["/prog/Demos/"] = {
      {".", true}, {"..", true}, {"readme.txt", false}, {"Clock", true}, {".hidden", true}};
  std::vector<std::string> names;
  std::int32_t count = 0;
  // The trailing separator is added when missing.
  LoadDemoList("/prog/Demos", fs.Lister(), names, count);
  EXPECT_EQ(fs.asked, std::vector<std::string>{"/prog/Demos/"});
  EXPECT_EQ(names, (std::vector<std::string>{".hidden", "Clock"}));
  EXPECT_EQ(count, 2);
}

TEST(DemoList, MissingOrEmptyFolderGivesOneEmptyNameAndCountZero) {
  FakeFolders fs;
  fs.folders["/empty/"] = {{"file.html", false}};
  std::vector<std::string> names = {"stale"};
  std::int32_t count = 7;
  LoadDemoList("/missing/", fs.Lister(), names, count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(names, std::vector<std::string>{""});
  LoadDemoList("/empty/", fs.Lister(), names, count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(names, std::vector<std::string>{""});
}

TEST(DemoList, MoreThan201FoldersAreAllListed) {
  FakeFolders fs;
  std::vector<DirectoryEntry> many;
  for (int i = 0; i < 250; ++i) many.push_back({"demo" + std::to_string(1000 + i), true});
  std::reverse(many.begin(), many.end());
  fs.folders["/d/"] = many;
  std::vector<std::string> names;
  std::int32_t count = 0;
  LoadDemoList("/d/", fs.Lister(), names, count);
  ASSERT_EQ(count, 250);
  EXPECT_EQ(names.front(), "demo1000");
  EXPECT_EQ(names.back(), "demo1249");
  EXPECT_EQ(PopupMenuEntries(names, count)[1].submenu.back().id, 349);
}

TEST(DemoList, RealFolderListingSkipsFiles) {
  std::filesystem::path root = std::filesystem::path(::testing::TempDir()) / "vantile_demo_list";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "Demos" / "Welcome");
  std::filesystem::create_directories(root / "Demos" / "Clock");
  std::ofstream(root / "Demos" / "notes.txt") << "x";
  std::vector<std::string> names;
  std::int32_t count = 0;
  LoadDemoList((root / "Demos").string(), ListDirectory, names, count);
  EXPECT_EQ(names, (std::vector<std::string>{"Clock", "Welcome"}));
  std::filesystem::remove_all(root);
}

TEST(DemoNameOrder, ComparesUtf16CodeUnits) {
  EXPECT_TRUE(DemoNameLess("Zeta", "alpha"));
  EXPECT_TRUE(DemoNameLess("Demo", "Demo2"));
  EXPECT_FALSE(DemoNameLess("Demo2", "Demo"));
  EXPECT_FALSE(DemoNameLess("same", "same"));
  // U+FF21 (one code unit 0xFF21) sorts after U+1F600 (surrogates 0xD83D ...),
  // although its UTF-8 bytes sort before.
  EXPECT_TRUE(DemoNameLess("\xF0\x9F\x98\x80", "\xEF\xBC\xA1"));
}

TEST(QuickSort, SortsEveryListAsStdSortDoes) {
  std::mt19937 random(12345);
  const std::vector<std::string> alphabet = {"a", "B", "b", "Ab", "aB", "", "z", "Z", "ab", "a"};
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> list(random() % 12);
    for (std::string& s : list) s = alphabet[random() % alphabet.size()];
    std::vector<std::string> expected = list;
    std::sort(expected.begin(), expected.end(),
              [](const std::string& a, const std::string& b) { return DemoNameLess(a, b); });
    QuickSort(list, 0, static_cast<std::int32_t>(list.size()) - 1);
    EXPECT_EQ(list, expected);
  }
}

TEST(QuickSort, SortsOnlyTheGivenRangeAndIgnoresEmptyOnes) {
  std::vector<std::string> list = {"d", "c", "b", "a"};
  QuickSort(list, 1, 2);
  EXPECT_EQ(list, (std::vector<std::string>{"d", "b", "c", "a"}));
  QuickSort(list, 0, -1);
  QuickSort(list, 3, 3);
  EXPECT_EQ(list, (std::vector<std::string>{"d", "b", "c", "a"}));
  std::vector<std::string> one = {""};
  QuickSort(one, 0, -1);
  EXPECT_EQ(one, std::vector<std::string>{""});
}

TEST(CreateMyPopupMenu, BuildsTheTableWithDemosAndLogsBeginAndEnd) {
  std::filesystem::path file = std::filesystem::path(::testing::TempDir()) / "vantile_menu.log";
  CallJournal journal;
  FakeMenu menu(journal);
  menu.Allow({"Build"});
  FakeFolders fs;
  fs.folders["/p/Demos/"] = Dirs({"Welcome", "Clock"});
  std::vector<std::string> names;
  std::int32_t count = 0;
  {
    AppLog log;
    ASSERT_TRUE(log.CreateLog(file.string()));
    EXPECT_TRUE(CreateMyPopupMenu(menu, "/p/Demos/", fs.Lister(), &log, names, count));
  }
  EXPECT_EQ(journal.Calls(), std::vector<std::string>{"menu.Build(17 entries)"});
  ASSERT_EQ(menu.entries[1].submenu.size(), 2u);
  EXPECT_EQ(menu.entries[1].submenu[0].text, "Clock");
  std::ifstream in(file);
  std::string line;
  std::vector<std::string> lines;
  while (std::getline(in, line)) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "INFORMATION:  CreateMyPopupMenu:Begin\r");
  EXPECT_EQ(lines[2], "INFORMATION:  CreateMyPopupMenu:End\r");
  std::filesystem::remove(file);
}

TEST(CreateMyPopupMenu, AMenuThatCannotBeCreatedLogsNoEnd) {
  std::filesystem::path file = std::filesystem::path(::testing::TempDir()) / "vantile_menu2.log";
  CallJournal journal;
  FakeMenu menu(journal);
  menu.Allow({"Build"});
  menu.build_result = false;
  FakeFolders fs;
  std::vector<std::string> names;
  std::int32_t count = 0;
  {
    AppLog log;
    ASSERT_TRUE(log.CreateLog(file.string()));
    EXPECT_FALSE(CreateMyPopupMenu(menu, "/none/", fs.Lister(), &log, names, count));
  }
  std::ifstream in(file);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(all.find("CreateMyPopupMenu:Begin"), std::string::npos);
  EXPECT_EQ(all.find("CreateMyPopupMenu:End"), std::string::npos);
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace vantile
