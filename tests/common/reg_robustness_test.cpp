// Thousands of malformed .reg inputs: the parser must neither crash nor hang,
// and what it accepts must write out and read back the same.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "common/reg_file.h"
#include "common/text.h"
#include "temp_dir.h"

namespace vantile {
namespace {

const char* const kSeed =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile]\r\n"
    "@=\"x\"\r\n\"HomePage\"=\"C:\\\\a \\\"b\\\"\"\r\n\"LoadLast\"=dword:ffffffff\r\n"
    "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
    "\"Bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
    "  16,17\r\n\"del\"=-\r\n[-HKEY_CURRENT_USER\\Software\\Gone]\r\n";

void CheckRoundTrip(std::string_view input) {
  ParseResult r = ParseRegFile(input, HKEY_CURRENT_USER);
  std::string written = FormatRegFile(r.tree, HKEY_CURRENT_USER);
  ParseResult again = ParseRegFile(written, HKEY_CURRENT_USER);
  ASSERT_TRUE(again.issues.empty()) << "our own output must parse cleanly";
  ASSERT_EQ(FormatRegFile(again.tree, HKEY_CURRENT_USER), written);
}

std::string Mutate(std::string s, std::mt19937& rng) {
  std::uniform_int_distribution<int> op(0, 9);
  std::uniform_int_distribution<int> byte(0, 255);
  using namespace std::string_view_literals;  // "\0"sv keeps its zero byte
  const std::string_view tokens[] = {"["sv, "]"sv, "\""sv, "\\"sv, "="sv, "hex("sv, "):"sv, "dword:"sv, ","sv, "\r\n"sv,
                                     "@"sv, "-"sv, "%"sv, "\xFF\xFE"sv, "\xEF\xBB\xBF"sv, "\0"sv,
                                     "[HKEY_CURRENT_USER\\"sv, "hex(7):"sv, "\\\n"sv};
  int edits = 1 + static_cast<int>(rng() % 8);
  for (int e = 0; e < edits; ++e) {
    std::size_t pos = s.empty() ? 0 : rng() % s.size();
    switch (op(rng)) {
      case 0: s.erase(pos, rng() % 16); break;                                      // delete a run
      case 1: s.insert(pos, 1, static_cast<char>(byte(rng))); break;                // random byte
      case 2: s.insert(pos, tokens[rng() % std::size(tokens)]); break;             // syntax token
      case 3: s.resize(pos); break;                                                 // truncate
      case 4: if (!s.empty()) s[pos] = static_cast<char>(byte(rng)); break;         // flip
      case 5: s.insert(pos, std::string(rng() % 5000, "a,\\[\""[rng() % 5])); break;  // huge run
      case 6: s.insert(pos, s.substr(pos / 2, rng() % 200)); break;                  // duplicate
      case 7: s.insert(pos, "\"x\"=hex:" + std::string(rng() % 300, 'z')); break;   // bad hex
      case 8: s.insert(pos, std::string(rng() % 600, '\\') + "]"); break;          // deep path
      default: s.insert(pos, "[HKEY_CURRENT_USER" + std::string(rng() % 40, '[')); break;
    }
  }
  return s;
}

TEST(RegRobustness, ThousandsOfMalformedInputsNeitherCrashNorHang) {
  std::mt19937 rng(20261207);
  for (int i = 0; i < 4000; ++i) {
    std::string input = Mutate(kSeed, rng);
    SCOPED_TRACE(i);
    CheckRoundTrip(input);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

TEST(RegRobustness, PathologicalShapes) {
  std::string deep = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER";
  for (int i = 0; i < 20000; ++i) deep += "\\k";
  deep += "]\n\"v\"=\"1\"\n";
  ParseResult r = ParseRegFile(deep, HKEY_CURRENT_USER);
  EXPECT_EQ(r.issues.size(), 1u) << "nesting beyond Windows' limit is refused, not followed";
  std::string nested = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER";
  for (int i = 0; i < 500; ++i) nested += "\\" + std::string(100, 'k');
  nested += "]\n\"v\"=\"1\"\n";
  EXPECT_LT(FormatRegFile(ParseRegFile(nested, HKEY_CURRENT_USER).tree, HKEY_CURRENT_USER).size(), 2 * nested.size())
      << "a deep key is written once, not once per level of its path";

  std::string long_line = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\K]\n\"v\"=hex:";
  for (int i = 0; i < 200000; ++i) long_line += "ab,\\\n  ";
  long_line += "cd\n";
  r = ParseRegFile(long_line, HKEY_CURRENT_USER);
  EXPECT_TRUE(r.issues.empty());
  EXPECT_EQ(r.tree.Find("K")->FindValue("v")->data.size(), 200001u);

  std::string odd_utf16 = "\xFF\xFE\x57";  // a BOM and half a character
  CheckRoundTrip(odd_utf16);
  std::string zeros(10000, '\0');
  CheckRoundTrip(zeros);
  CheckRoundTrip("[");
  CheckRoundTrip("\"");
  CheckRoundTrip("\"a\"=\"");
  CheckRoundTrip("[HKEY_CURRENT_USER\\K]\n\"a\"=hex(ffffffffff):00");
}

// Every file kept in tests/data/bad/reg is a sample that once caused trouble.
TEST(RegRobustness, KeptBadSamplesParseCleanlyEnough) {
  std::filesystem::path folder = std::filesystem::path(VANTILE_TEST_DATA) / "bad" / "reg";
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    SCOPED_TRACE(entry.path().string());
    ParseResult r = ParseRegFile(testing::ReadFile(entry.path()), HKEY_CURRENT_USER);
    EXPECT_FALSE(r.issues.empty()) << "a bad sample should report what is wrong";
    CheckRoundTrip(testing::ReadFile(entry.path()));
    ++seen;
  }
  EXPECT_GT(seen, 0);
}

}  // namespace
}  // namespace vantile
