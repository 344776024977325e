#include "common/text.h"

#include <gtest/gtest.h>

namespace vantile {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, QuotesLikeAShellWithoutExpanding) {
  struct Case {
    const char* text;
    Args args;
  } cases[] = {
      {"", {}},
      {"  a  b\tc ", {"a", "b", "c"}},
      {"'two words' \"and more\"", {"two words", "and more"}},
      {"it\\'s \"a \\\"q\\\"\"", {"it's", "a \"q\""}},
      {"$HOME *.txt `x` ;", {"$HOME", "*.txt", "`x`", ";"}},
      {"\"\" ''", {"", ""}},
      {"a\"b c\"d", {"ab cd"}},
      {"'\\n'", {"\\n"}},
  };
  for (const Case& c : cases) {
    auto args = SplitCommandLine(c.text);
    ASSERT_TRUE(args) << c.text;
    EXPECT_EQ(*args, c.args) << c.text;
  }
  EXPECT_FALSE(SplitCommandLine("'open"));
  EXPECT_FALSE(SplitCommandLine("\"open"));
}

TEST(SplitCommandLine, QuoteArgumentRoundTrips) {
  for (std::string arg : {"plain", "two words", "it's", "$x", "", "a\"b", "50%"}) {
    auto back = SplitCommandLine(QuoteArgument(arg));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, Args{arg});
  }
}

TEST(Text, Utf16ConversionKeepsEveryCharacterAndReplacesBrokenOnes) {
  std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  auto wide = Utf8ToUtf16Le(text);
  EXPECT_EQ(wide.size(), 10u);
  EXPECT_EQ(Utf16LeToUtf8(wide.data(), wide.size()), text);
  EXPECT_EQ(Utf8ToUtf16Le("\xFF"), (std::vector<std::uint8_t>{0xFD, 0xFF}));
  std::uint8_t lone[] = {0x00, 0xD8, 0x41, 0x00};
  EXPECT_EQ(Utf16LeToUtf8(lone, 4), "\xEF\xBF\xBD" "A");
}

TEST(Text, CaseInsensitiveSearchAndReplace) {
  EXPECT_EQ(FindIgnoreCase("xx LAUNCH:yy", "launch:"), 3u);
  EXPECT_EQ(FindIgnoreCase("abc", "abcd"), std::string_view::npos);
  EXPECT_EQ(FindIgnoreCase("a=b&dir=c", "DIR=", 4), 4u);
  EXPECT_EQ(ReplaceAll("a%20b%20", "%20", " "), "a b ");
  EXPECT_LT(CompareIgnoreCase("Alpha", "beta"), 0);
  EXPECT_TRUE(EqualsIgnoreCase("Vantile", "VANTILE"));
}

TEST(MnemonicLabel, TurnsAmpersandsIntoGtkMnemonics) {
  EXPECT_EQ(MnemonicLabel("&Load Page..."), "_Load Page...");
  EXPECT_EQ(MnemonicLabel("Go &Back"), "Go _Back");
  EXPECT_EQ(MnemonicLabel("Rock && Roll"), "Rock & Roll");
  EXPECT_EQ(MnemonicLabel("my_demo"), "my__demo");
  EXPECT_EQ(MnemonicLabel("trailing&"), "trailing_");
}

}  // namespace
}  // namespace vantile
