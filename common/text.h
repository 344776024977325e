// Small text helpers shared by both programs: encoding conversion between the
// UTF-8 used everywhere in the programs and the UTF-16LE that registry files
// keep for their text values, case-insensitive comparison as the registry
// does it, and shell-style splitting of a parameter text into arguments.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantile {

// UTF-8 to UTF-16LE bytes. Invalid input bytes become U+FFFD.
std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view utf8);

// UTF-16LE bytes to UTF-8. An odd trailing byte is dropped and unpaired
// surrogates become U+FFFD, so the result is always valid UTF-8.
std::string Utf16LeToUtf8(const std::uint8_t* data, std::size_t size);

// ASCII case folding, which is what key and value names need: the names this
// system uses are ASCII, and folding anything else by locale rules would make
// the same file mean different things on different machines.
std::string AsciiLower(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Whether `text` starts with `prefix`, ignoring ASCII case.
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
int CompareIgnoreCase(std::string_view a, std::string_view b);

// 0-based position of `needle` in `haystack` at or after `from`, ignoring
// ASCII case; npos when absent.
std::size_t FindIgnoreCase(std::string_view haystack, std::string_view needle,
                           std::size_t from = 0);

// The value of a hexadecimal digit (either case), or -1 for any other character.
int HexDigitValue(char c);

// `text` with every "%XY" escape decoded; nothing when an escape is broken
// or decodes to NUL, which no address the program compares may hold.
std::optional<std::string> PercentDecoded(std::string_view text);

// Replaces every occurrence of `from` (non-empty) by `to`, left to right.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Splits a parameter text into arguments the way a POSIX shell would quote
// them (single quotes, double quotes with \" \\ \$ \` escapes, backslash
// escapes, whitespace separating words), without any expansion. Returns
// nullopt for an unterminated quote.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view text);

// Quotes one argument so that SplitCommandLine (or a shell) gives it back
// unchanged.
std::string QuoteArgument(std::string_view argument);

// A caption with Windows mnemonics as GTK writes it: "&Load Page..." ->
// "_Load Page...": '&' marks the mnemonic, "&&" is a literal '&', and '_' is
// doubled so GTK shows it as written.
std::string MnemonicLabel(const std::string& caption);

}  // namespace vantile
