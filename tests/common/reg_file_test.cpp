#include "common/reg_file.h"

#include <gtest/gtest.h>

#include "common/text.h"

namespace vantile {
namespace {

std::vector<std::uint8_t> Wide(std::string_view text) {
  std::vector<std::uint8_t> data = Utf8ToUtf16Le(text);
  data.push_back(0);
  data.push_back(0);
  return data;
}

// A file as regedit on Windows exports it: UTF-16LE with a byte-order mark,
// CR LF line ends, every value type, long hex lines continued with "\".
std::string WindowsExport() {
  std::string text =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile]\r\n"
      "@=\"default text\"\r\n"
      "\"HomePage\"=\"C:\\\\Users\\\\Ana\\\\desk \\\"top\\\".html\"\r\n"
      "\"LoadLast\"=dword:ffffffff\r\n"
      "\"Blob\"=hex:00,01,02,ff\r\n"
      "\"Path\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,78,00,00,00\r\n"
      "\"List\"=hex(7):61,00,00,00,62,00,c9,00,00,00,00,00\r\n"
      "\"Big\"=hex(5):00,00,01,02\r\n"
      "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\\r\n"
      "  15,16,17,18,19,1a,1b,1c,1d,1e,1f,20\r\n"
      "\"Qword\"=hex(b):01,00,00,00,00,00,00,00\r\n"
      "\"Empty\"=hex:\r\n"
      "\"Caf\xC3\xA9\"=\"\xE2\x82\xAC 5\"\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile\\Programs]\r\n"
      "\"Count\"=dword:00000002\r\n";
  std::vector<std::uint8_t> wide = Utf8ToUtf16Le(text);
  std::string bytes = "\xFF\xFE";
  bytes.append(wide.begin(), wide.end());
  return bytes;
}

TEST(RegFile, ReadsAWindowsExportInUtf16WithEveryValueType) {
  ParseResult r = ParseRegFile(WindowsExport(), HKEY_CURRENT_USER);
  EXPECT_TRUE(r.issues.empty()) << r.issues.front().line << ": " << r.issues.front().message;
  const RegKey* key = r.tree.Find("software\\QUOREL\\vantile");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->name, "Vantile");

  EXPECT_EQ(key->FindValue("")->data, Wide("default text"));
  EXPECT_EQ(key->FindValue("homepage")->type, REG_SZ);
  EXPECT_EQ(key->FindValue("HomePage")->data, Wide("C:\\Users\\Ana\\desk \"top\".html"));
  EXPECT_EQ(key->FindValue("LoadLast")->type, REG_DWORD);
  EXPECT_EQ(key->FindValue("LoadLast")->data, (std::vector<std::uint8_t>{0xff, 0xff, 0xff, 0xff}));
  EXPECT_EQ(key->FindValue("Blob")->type, REG_BINARY);
  EXPECT_EQ(key->FindValue("Blob")->data, (std::vector<std::uint8_t>{0, 1, 2, 0xff}));
  EXPECT_EQ(key->FindValue("Path")->type, REG_EXPAND_SZ);
  EXPECT_EQ(key->FindValue("Path")->data, Wide("%TEMP%\\x"));
  EXPECT_EQ(key->FindValue("List")->type, REG_MULTI_SZ);
  EXPECT_EQ(key->FindValue("Big")->type, REG_DWORD_BIG_ENDIAN);
  EXPECT_EQ(key->FindValue("Long")->data.size(), 33u);
  EXPECT_EQ(key->FindValue("Long")->data.back(), 0x20);
  EXPECT_EQ(key->FindValue("Qword")->type, 0xbu);
  EXPECT_TRUE(key->FindValue("Empty")->data.empty());
  EXPECT_EQ(key->FindValue("CAF\xC3\x89"), nullptr) << "only ASCII letters fold";
  EXPECT_NE(key->FindValue("CAF\xC3\xA9"), nullptr);
  EXPECT_EQ(key->FindValue("Caf\xC3\xA9")->data, Wide("\xE2\x82\xAC 5"));
  ASSERT_NE(r.tree.Find("Software\\Quorel\\Vantile\\Programs"), nullptr);
}

TEST(RegFile, WrittenFileReadsBackWithSameTypesAndBytes) {
  ParseResult first = ParseRegFile(WindowsExport(), HKEY_CURRENT_USER);
  // Add what the text form cannot show directly: strings with line breaks,
  // a zero inside, and a DWORD of the wrong length.
  RegKey& key = first.tree.Create("Software\\Odd");
  key.SetValue({"Lines", REG_SZ, Wide("a\r\nb")});
  key.SetValue({"Inner zero", REG_SZ, {0x61, 0, 0, 0, 0x62, 0, 0, 0}});
  key.SetValue({"Short dword", REG_DWORD, {1, 2}});
  key.SetValue({"Quote\"and\\slash", REG_SZ, Wide("x")});

  std::string written = FormatRegFile(first.tree, HKEY_CURRENT_USER);
  EXPECT_EQ(written.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
  ParseResult second = ParseRegFile(written, HKEY_CURRENT_USER);
  EXPECT_TRUE(second.issues.empty());
  EXPECT_EQ(FormatRegFile(second.tree, HKEY_CURRENT_USER), written);
  for (const char* path : {"Software\\Quorel\\Vantile", "Software\\Odd"}) {
    const RegKey* a = first.tree.Find(path);
    const RegKey* b = second.tree.Find(path);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->values(), b->values()) << path;
  }
}

TEST(RegFile, WritesTextTypesAsUtf16HexAndWrapsLongLinesLikeRegedit) {
  RegTree tree;
  RegKey& key = tree.Create("K");
  key.SetValue({"E", REG_EXPAND_SZ, Wide("%A%")});
  key.SetValue({"D", REG_DWORD, {0x78, 0x56, 0x34, 0x12}});
  std::vector<std::uint8_t> many(100, 0xab);
  key.SetValue({"B", REG_BINARY, many});
  std::string text = FormatRegFile(tree, HKEY_CURRENT_USER);
  EXPECT_NE(text.find("\"E\"=hex(2):25,00,41,00,25,00,00,00\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"D\"=dword:12345678\n"), std::string::npos);
  std::size_t start = text.find("\"B\"=hex:");
  ASSERT_NE(start, std::string::npos);
  std::string hex = text.substr(start);
  std::size_t lines = 0, pos = 0;
  while ((pos = hex.find('\n', pos)) != std::string::npos && pos + 1 < hex.size() && hex[pos - 1] == '\\') {
    ++lines;
    ++pos;
    EXPECT_EQ(hex.substr(pos, 2), "  ");
  }
  EXPECT_GE(lines, 3u);
  for (std::size_t b = 0, e; (e = hex.find('\n', b)) != std::string::npos; b = e + 1)
    EXPECT_LE(e - b, 80u) << "line too long: " << hex.substr(b, e - b);
}

TEST(RegFile, AppliesDeletionsAndAcceptsRegedit4AndUtf8ByteOrderMark) {
  std::string text =
      "\xEF\xBB\xBFREGEDIT4\n"
      "[HKEY_CURRENT_USER\\A\\B]\n\"x\"=\"1\"\n\"y\"=\"2\"\n"
      "[HKEY_CURRENT_USER\\A\\C]\n\"z\"=\"3\"\n"
      "[HKEY_CURRENT_USER\\A\\B]\n\"x\"=-\n"
      "[-HKEY_CURRENT_USER\\A\\C]\n";
  ParseResult r = ParseRegFile(text, HKEY_CURRENT_USER);
  EXPECT_TRUE(r.issues.empty());
  ASSERT_NE(r.tree.Find("A\\B"), nullptr);
  EXPECT_EQ(r.tree.Find("A\\B")->FindValue("x"), nullptr);
  EXPECT_NE(r.tree.Find("A\\B")->FindValue("y"), nullptr);
  EXPECT_EQ(r.tree.Find("A\\C"), nullptr);
}

TEST(RegFile, SkipsBadLinesAndSaysWhere) {
  std::string text =
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "[HKEY_CURRENT_USER\\K]\n"
      "\"good\"=dword:00000001\n"
      "\"bad hex\"=hex:zz,01\n"
      "garbage line\n"
      "\"too long dword\"=dword:123456789\n"
      "[HKEY_LOCAL_MACHINE\\Other]\n"
      "\"foreign\"=\"x\"\n"
      "[HKEY_CURRENT_USER\\K\n"
      "\"after\"=\"still good\"\n";
  ParseResult r = ParseRegFile(text, HKEY_CURRENT_USER);
  ASSERT_EQ(r.issues.size(), 5u);
  EXPECT_EQ(r.issues[0].line, 5);
  EXPECT_EQ(r.issues[1].line, 6);
  EXPECT_EQ(r.issues[2].line, 7);
  EXPECT_EQ(r.issues[3].line, 8);
  EXPECT_EQ(r.issues[4].line, 10);
  const RegKey* key = r.tree.Find("K");
  ASSERT_NE(key, nullptr);
  EXPECT_NE(key->FindValue("good"), nullptr);
  EXPECT_EQ(key->values().size(), 1u);
  EXPECT_EQ(r.tree.Find("Other"), nullptr);
}

TEST(RegFile, KeysEnumerateInNameOrderAndValuesInCreationOrder) {
  ParseResult r = ParseRegFile(
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\P\\beta]\n[HKEY_CURRENT_USER\\P\\Alpha]\n"
      "[HKEY_CURRENT_USER\\P\\gamma]\n[HKEY_CURRENT_USER\\P]\n\"z\"=\"\"\n\"a\"=\"\"\n\"M\"=\"\"\n",
      HKEY_CURRENT_USER);
  std::vector<std::string> keys, values;
  for (const auto& [lower, child] : r.tree.Find("P")->subkeys) keys.push_back(child->name);
  for (const RegValue& v : r.tree.Find("P")->values()) values.push_back(v.name);
  EXPECT_EQ(keys, (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  EXPECT_EQ(values, (std::vector<std::string>{"z", "a", "M"}));
}

}  // namespace
}  // namespace vantile
