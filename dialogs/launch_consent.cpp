#include "dialogs/launch_consent.h"

#include <cstdio>
#include <string>

namespace vantile {

namespace {

constexpr char32_t kNotUtf8 = 0xFFFFFFFF;

// The next UTF-8 character of `text` at `at` as a code point and its
// length; a byte that does not start a well-formed character (overlong
// forms, surrogates and code points past U+10FFFF included) is taken
// alone, as kNotUtf8.
std::pair<char32_t, std::size_t> NextCharacter(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || at + length > text.size()) return {kNotUtf8, 1};
  char32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) return {kNotUtf8, 1};
    code = (code << 6) | (next & 0x3F);
  }
  constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {kNotUtf8, 1};
  return {code, length};
}

// Whether a character of the text shows as itself. A combining mark does
// only on a character that does; `after_visible` says whether the one
// before it did.
bool ShowsAsItself(char32_t c, bool after_visible, CharacterLook look) {
  if (c == kNotUtf8) return false;
  switch (look(c)) {
    case Glyph::Itself: return true;
    case Glyph::Combining: return after_visible;
    case Glyph::Mark: break;
  }
  return false;
}

}  // namespace

std::string VisibleText(std::string_view text, CharacterLook look) {
  if (text.empty()) return "\"\"";
  std::string out;
  bool after_visible = false;
  for (std::size_t i = 0; i < text.size();) {
    const auto [code, length] = NextCharacter(text, i);
    const bool shows = ShowsAsItself(code, after_visible, look);
    after_visible = shows && code != U' ';
    if (shows) {
      out.append(text.substr(i, length));
    } else if (code < 0x20) {
      // U+2400 + c: "␀" ... "␟", three UTF-8 bytes E2 90 80+c.
      out += "\xE2\x90";
      out.push_back(static_cast<char>(0x80 + code));
    } else if (code == 0x7F) {
      out += "\xE2\x90\xA1";  // ␡
    } else if (code == kNotUtf8) {
      // Not UTF-8: the byte's value, which the program gets as it is.
      char byte[8];
      std::snprintf(byte, sizeof byte, "<0x%02X>", static_cast<unsigned>(static_cast<unsigned char>(text[i])));
      out += byte;
    } else {
      char name[16];
      std::snprintf(name, sizeof name, "<U+%04X>", static_cast<unsigned>(code));
      out += name;
    }
    i += length;
  }
  return out;
}

std::string CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += NextCharacter(text, i).second) ++count;
  return std::to_string(count) + (count == 1 ? " character" : " characters");
}

ConsentText DescribeConsent(const LaunchConsent& consent, CharacterLook look) {
  ConsentText text;
  const std::string asker = consent.asker.empty() ? "A page from elsewhere" : VisibleText(consent.asker, look);
  if (consent.kind == LaunchConsent::Kind::Folder) {
    text.heading = asker + " wants to open a folder";
    text.explanation = "The page you see is not your own desktop page. Open this folder only if you expected it.";
    text.accept_caption = "&Open";
    text.rows.push_back({"Folder:", VisibleText(consent.folder, look)});
    return text;
  }
  text.heading = asker + " wants to start a program";
  text.explanation =
      "The page you see is not your own desktop page. Start the program only if you expected exactly this.";
  text.accept_caption = "&Start";
  // The folder before the arguments: a long list scrolls, and nothing
  // else may scroll out of sight with it.
  text.rows.push_back({"Program:", VisibleText(consent.program, look)});
  text.rows.push_back({"In folder:", VisibleText(consent.directory, look)});
  if (consent.arguments.empty()) {
    text.rows.push_back({"Arguments:", "none"});
  } else {
    for (std::size_t i = 0; i < consent.arguments.size(); ++i) {
      // The count tells how much a scrolled list holds.
      const std::string label = "Arguments (" + std::to_string(consent.arguments.size()) + "):";
      text.rows.push_back({i == 0 ? label : "", VisibleText(consent.arguments[i], look), CharacterCount(consent.arguments[i])});
    }
  }
  return text;
}

}  // namespace vantile
