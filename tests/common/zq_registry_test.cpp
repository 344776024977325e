#include "common/zq_registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "common/text.h"
#include "temp_dir.h"

namespace vantile {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class ZqRegistryTest : public ::testing::Test {
 protected:
  TempDir dir_;
  RegistryStore store_{{dir_ / "settings", dir_ / "autostart"}};

  // Stores a value as another program would, bypassing the class's own
  // choice of type.
  void Put(std::string_view path, std::string name, std::uint32_t type, std::vector<std::uint8_t> data) {
    ASSERT_TRUE(store_.CreateKey(HKEY_CURRENT_USER, path));
    ASSERT_TRUE(store_.SetValue(HKEY_CURRENT_USER, path, RegValue{std::move(name), type, std::move(data)}));
  }
  static std::vector<std::uint8_t> Wide(std::string_view text) {
    auto d = Utf8ToUtf16Le(text);
    d.push_back(0);
    d.push_back(0);
    return d;
  }
};

TEST_F(ZqRegistryTest, MissingKeyDoesNotOpenAndReadsGiveEmptyResults) {
  ZqRegistry reg(store_);
  EXPECT_FALSE(reg.OpenRegistry(HKEY_CURRENT_USER, "Software\\Nothing"));
  EXPECT_FALSE(reg.IsOpen());
  EXPECT_EQ(reg.GetStringValue("x"), "");
  EXPECT_EQ(reg.GetLongValue("x"), 0);
  EXPECT_FALSE(reg.GetBooleanValue("x"));
  EXPECT_FALSE(reg.SetStringValue("x", "y"));
  EXPECT_FALSE(reg.DeleteValue("x"));
  EXPECT_FALSE(reg.DeleteAllValues());
  EXPECT_FALSE(std::filesystem::exists(dir_ / "settings"));
}

TEST_F(ZqRegistryTest, StringsAndNumbersRoundTripAndNamesIgnoreCase) {
  ZqRegistry reg(store_);
  ASSERT_TRUE(reg.OpenRegistry(HKEY_CURRENT_USER, "Software\\Quorel\\Vantile", true));
  EXPECT_TRUE(reg.SetStringValue("Name", "abc"));
  EXPECT_TRUE(reg.SetLongValue("Number", -1));
  EXPECT_EQ(reg.GetStringValue("NAME"), "abc");
  EXPECT_EQ(reg.GetStringValue("name").size(), 3u);
  EXPECT_EQ(reg.GetLongValue("number"), -1);
  EXPECT_TRUE(reg.GetBooleanValue("Number"));
  EXPECT_TRUE(reg.KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\quorel\\VANTILE"));
  EXPECT_TRUE(reg.OpenRegistry(HKEY_CURRENT_USER, "software\\quorel\\vantile"));
  EXPECT_EQ(reg.GetStringValue("Name"), "abc");
  // Setting under another spelling keeps the first spelling and the place.
  EXPECT_TRUE(reg.SetStringValue("NAME", "def"));
  std::vector<std::string> names;
  EXPECT_EQ(reg.EnumValueNames(HKEY_CURRENT_USER, "Software\\Quorel\\Vantile", names), 2);
  EXPECT_EQ(names, (std::vector<std::string>{"Name", "Number"}));
}

TEST_F(ZqRegistryTest, PercentTextIsStoredExpandableAndExpandsFromTheEnvironment) {
  ::setenv("VANTILE_TEST_DIR", "/tmp/x", 1);
  ::unsetenv("VANTILE_UNSET_NAME");
  ZqRegistry reg(store_);
  ASSERT_TRUE(reg.OpenRegistry(HKEY_CURRENT_USER, "K", true));
  struct Case {
    const char* text;
    std::uint32_t type;
    const char* read_back;
  } cases[] = {
      {"x%VANTILE_TEST_DIR%y", REG_EXPAND_SZ, "x/tmp/xy"},
      {"%%", REG_SZ, "%%"},
      {"50%", REG_SZ, "50%"},
      {"50% of 80%", REG_EXPAND_SZ, "50% of 80%"},
      {"%A%", REG_EXPAND_SZ, "%A%"},
      {"%VANTILE_UNSET_NAME%/%VANTILE_TEST_DIR%", REG_EXPAND_SZ, "%VANTILE_UNSET_NAME%//tmp/x"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(reg.SetStringValue("v", c.text));
    EXPECT_EQ(store_.QueryValue(HKEY_CURRENT_USER, "K", "v")->type, c.type) << c.text;
    EXPECT_EQ(reg.GetStringValue("v"), c.read_back) << c.text;
  }
  // The same text stored as plain text by another program stays unexpanded.
  Put("K", "plain", REG_SZ, Wide("x%VANTILE_TEST_DIR%y"));
  EXPECT_EQ(reg.GetStringValue("plain"), "x%VANTILE_TEST_DIR%y");
}

TEST_F(ZqRegistryTest, NumbersOfEveryStoredForm) {
  Put("K", "big", REG_DWORD_BIG_ENDIAN, {0, 0, 1, 2});
  Put("K", "ff", REG_DWORD, {0xff, 0xff, 0xff, 0xff});
  Put("K", "raw", REG_BINARY, {1, 2, 3});
  Put("K", "t", REG_SZ, Wide("TRUE"));
  Put("K", "f", REG_SZ, Wide("false"));
  Put("K", "n", REG_SZ, Wide(" 12 "));
  Put("K", "zero", REG_SZ, Wide("0"));
  Put("K", "word", REG_SZ, Wide("maybe"));
  Put("K", "empty", REG_DWORD, {});  // "empty"=hex(4): in a file
  ZqRegistry reg(store_);
  ASSERT_TRUE(reg.OpenRegistry(HKEY_CURRENT_USER, "K"));
  EXPECT_EQ(reg.GetLongValue("big"), 258);
  EXPECT_EQ(reg.GetLongValue("ff"), -1);
  EXPECT_EQ(reg.GetLongValue("empty"), 0);
  EXPECT_FALSE(reg.GetBooleanValue("empty"));
  EXPECT_TRUE(reg.GetBooleanValue("big"));
  EXPECT_FALSE(reg.GetBooleanValue("raw"));
  EXPECT_TRUE(reg.GetBooleanValue("t"));
  EXPECT_FALSE(reg.GetBooleanValue("f"));
  EXPECT_TRUE(reg.GetBooleanValue("n"));
  EXPECT_FALSE(reg.GetBooleanValue("zero"));
  EXPECT_THROW(reg.GetBooleanValue("word"), RegistryConversionError);
  // A value of another type read as text gives its bytes less the last.
  EXPECT_EQ(reg.GetStringValue("raw"), std::string("\x01\x02"));

  std::vector<std::string> names, values{"stale"};
  EXPECT_EQ(reg.EnumValues(HKEY_CURRENT_USER, "K", names, values), 9);
  EXPECT_EQ(values, (std::vector<std::string>{"258", "-1", "", "TRUE", "false", " 12 ", "0", "maybe", "0"}));
}

TEST_F(ZqRegistryTest, DeleteAllValuesAndDeleteKey) {
  ZqRegistry reg(store_);
  ASSERT_TRUE(reg.OpenRegistry(HKEY_CURRENT_USER, "A\\B", true));
  EXPECT_FALSE(reg.DeleteAllValues()) << "a key without values reports false";
  reg.SetStringValue("1", "a");
  reg.SetStringValue("2", "b");
  reg.SetLongValue("3", 3);
  EXPECT_TRUE(reg.DeleteAllValues());
  std::vector<std::string> names{"kept"};
  EXPECT_EQ(reg.EnumValueNames(HKEY_CURRENT_USER, "A\\B", names), 0);
  EXPECT_EQ(names, std::vector<std::string>{"kept"});

  EXPECT_FALSE(reg.DeleteKey(HKEY_CURRENT_USER, "A")) << "a key with subkeys stays";
  EXPECT_TRUE(reg.DeleteKey(HKEY_CURRENT_USER, "A\\B"));
  EXPECT_FALSE(reg.KeyExists(HKEY_CURRENT_USER, "A\\B"));
  EXPECT_TRUE(reg.KeyExists(HKEY_CURRENT_USER, "A"));
  EXPECT_FALSE(reg.DeleteKey(HKEY_CURRENT_USER, "A\\B"));
}

TEST_F(ZqRegistryTest, EnumerationKeepsTheArrayWhenThereIsNothingAndStopsAtOverlongNames) {
  ZqRegistry reg(store_);
  ASSERT_TRUE(reg.OpenRegistry(HKEY_CURRENT_USER, "P", true));
  std::vector<std::string> keys{"earlier"};
  EXPECT_EQ(reg.EnumKeys(keys), 0);
  EXPECT_EQ(keys, std::vector<std::string>{"earlier"});
  store_.CreateKey(HKEY_CURRENT_USER, "P\\b");
  store_.CreateKey(HKEY_CURRENT_USER, "P\\A");
  EXPECT_FALSE(store_.CreateKey(HKEY_CURRENT_USER, "P\\c" + std::string(300, 'x')))
      << "key names are limited to 255 characters, as on Windows";
  EXPECT_EQ(reg.EnumKeys(keys), 2);
  EXPECT_EQ(keys, (std::vector<std::string>{"A", "b"}));

  // Value names may be longer, but enumeration ends at the first one that
  // would not fit the 256-character buffer.
  reg.SetLongValue("first", 1);
  reg.SetLongValue(std::string(256, 'n'), 2);
  reg.SetLongValue("third", 3);
  std::vector<std::string> names;
  EXPECT_EQ(reg.EnumValueNames(HKEY_CURRENT_USER, "P", names), 1);
  EXPECT_EQ(names, std::vector<std::string>{"first"});
  EXPECT_EQ(reg.GetLongValue(std::string(256, 'N')), 2);
}

TEST_F(ZqRegistryTest, FileAssociations) {
  ZqRegistry reg(store_);
  EXPECT_EQ(reg.GetFileAssociation("txt"), "");
  EXPECT_TRUE(reg.SetFileAssociation("txt", "textfile", "/usr/bin/editor %1", false));
  EXPECT_EQ(reg.GetFileAssociation("txt"), "/usr/bin/editor %1");
  EXPECT_EQ(reg.GetFileAssociation(".txt"), "/usr/bin/editor %1");
  // Without Overwrite an existing command stays, but the extension is
  // pointed at the type anyway.
  EXPECT_TRUE(reg.SetFileAssociation("log", "textfile", "/other", false));
  EXPECT_EQ(reg.GetFileAssociation("log"), "/usr/bin/editor %1");
  EXPECT_TRUE(reg.SetFileAssociation(".log", "textfile", "/other", true));
  EXPECT_EQ(reg.GetFileAssociation("txt"), "/other");
  EXPECT_FALSE(reg.IsOpen()) << "the held key is not touched";
}

TEST_F(ZqRegistryTest, ReadOnlyHiveRefusesOpeningButStillEnumerates) {
  {
    ZqRegistry reg(store_);
    ASSERT_TRUE(reg.OpenRegistry(HKEY_CURRENT_USER, "K", true));
    reg.SetStringValue("v", "1");
  }
  std::filesystem::path hive = store_.HiveFile(HKEY_CURRENT_USER);
  std::filesystem::permissions(hive, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  std::string before = ReadFile(hive);

  ZqRegistry reg(store_);
  EXPECT_FALSE(reg.OpenRegistry(HKEY_CURRENT_USER, "K"));
  EXPECT_FALSE(reg.OpenRegistry(HKEY_CURRENT_USER, "New", true));
  EXPECT_TRUE(reg.KeyExists(HKEY_CURRENT_USER, "K"));
  std::vector<std::string> names, values;
  EXPECT_EQ(reg.EnumValues(HKEY_CURRENT_USER, "K", names, values), 1);
  EXPECT_EQ(values, std::vector<std::string>{"1"});
  EXPECT_FALSE(reg.DeleteKey(HKEY_CURRENT_USER, "K"));
  EXPECT_EQ(ReadFile(hive), before);
}

TEST_F(ZqRegistryTest, RunValueIsAnAutostartEntry) {
  const char* run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  ZqRegistry reg(store_);
  ASSERT_TRUE(reg.OpenRegistry(HKEY_LOCAL_MACHINE, run)) << "the Run key always exists";
  EXPECT_EQ(reg.GetStringValue("Vantile"), "");
  std::string command = "/opt/My Apps/vantile";
  ASSERT_TRUE(reg.SetStringValue("Vantile", command));
  std::filesystem::path entry = dir_ / "autostart" / "Vantile.desktop";
  ASSERT_TRUE(std::filesystem::exists(entry));
  EXPECT_EQ(reg.GetStringValue("vantile"), command);
  std::string text = ReadFile(entry);
  EXPECT_NE(text.find("\nExec=\"/opt/My Apps/vantile\"\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Hidden=true"), std::string::npos);

  std::vector<std::string> names;
  EXPECT_EQ(reg.EnumValueNames(HKEY_LOCAL_MACHINE, run, names), 1);
  EXPECT_EQ(names, std::vector<std::string>{"Vantile"});

  // An empty command keeps the value but starts nothing.
  ASSERT_TRUE(reg.SetStringValue("Vantile", ""));
  text = ReadFile(entry);
  EXPECT_NE(text.find("Hidden=true"), std::string::npos);
  EXPECT_EQ(text.find("Exec="), std::string::npos);

  EXPECT_TRUE(reg.DeleteValue("VANTILE"));
  EXPECT_FALSE(std::filesystem::exists(entry));
  EXPECT_FALSE(reg.DeleteValue("Vantile"));
  EXPECT_FALSE(std::filesystem::exists(store_.HiveFile(HKEY_LOCAL_MACHINE)));

  // Entries of other programs in the folder are not ours to list.
  WriteFile(dir_ / "autostart" / "other.desktop", "[Desktop Entry]\nType=Application\nExec=other\n");
  EXPECT_EQ(reg.EnumValueNames(HKEY_LOCAL_MACHINE, run, names), 0);

  std::filesystem::permissions(dir_ / "autostart", std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::owner_exec);
  EXPECT_FALSE(reg.OpenRegistry(HKEY_LOCAL_MACHINE, run)) << "a read-only autostart folder";
}

TEST_F(ZqRegistryTest, RunCommandLinesAreQuotedForTheExecLine) {
  ZqRegistry reg(store_);
  ASSERT_TRUE(reg.OpenRegistry(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"));
  ASSERT_TRUE(reg.SetStringValue("Tool", "'/opt/a b/tool' --size=50% \"x$y\""));
  std::string text = ReadFile(dir_ / "autostart" / "Tool.desktop");
  EXPECT_NE(text.find("\nExec=\"/opt/a b/tool\" --size=50%% \"x\\\\$y\"\n"), std::string::npos) << text;
  EXPECT_EQ(reg.GetStringValue("Tool"), "'/opt/a b/tool' --size=50% \"x$y\"");
}

}  // namespace
}  // namespace vantile
