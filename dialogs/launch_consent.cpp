#include "dialogs/launch_consent.h"

#include <cstdio>
#include <string>

namespace vantile {

namespace {

// The next UTF-8 character of `text` at `at` as a code point and its
// length; an invalid byte is taken alone (and shown as written).
std::pair<char32_t, std::size_t> NextCharacter(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || at + length > text.size()) return {U'\uFFFD', 1};
  char32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) return {U'\uFFFD', 1};
    code = (code << 6) | (next & 0x3F);
  }
  return {code, length};
}

bool IsDirectionControl(char32_t c) {
  return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
         c == 0x200B || c == 0xFEFF;
}

}  // namespace

std::string VisibleText(std::string_view text) {
  if (text.empty()) return "\"\"";
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto [code, length] = NextCharacter(text, i);
    if (code < 0x20) {
      // U+2400 + c: "␀" ... "␟", three UTF-8 bytes E2 90 80+c.
      out += "\xE2\x90";
      out.push_back(static_cast<char>(0x80 + code));
    } else if (code == 0x7F) {
      out += "\xE2\x90\xA1";  // ␡
    } else if (IsDirectionControl(code)) {
      char name[16];
      std::snprintf(name, sizeof name, "<U+%04X>", static_cast<unsigned>(code));
      out += name;
    } else {
      out.append(text.substr(i, length));
    }
    i += length;
  }
  return out;
}

ConsentText DescribeConsent(const LaunchConsent& consent) {
  ConsentText text;
  const std::string asker = consent.asker.empty() ? "A page from elsewhere" : VisibleText(consent.asker);
  if (consent.kind == LaunchConsent::Kind::Folder) {
    text.heading = asker + " wants to open a folder";
    text.explanation = "The page you see is not your own desktop page. Open this folder only if you expected it.";
    text.accept_caption = "&Open";
    text.rows.push_back({"Folder:", VisibleText(consent.folder)});
    return text;
  }
  text.heading = asker + " wants to start a program";
  text.explanation =
      "The page you see is not your own desktop page. Start the program only if you expected exactly this.";
  text.accept_caption = "&Start";
  // The folder before the arguments: a long list scrolls, and nothing
  // else may scroll out of sight with it.
  text.rows.push_back({"Program:", VisibleText(consent.program)});
  text.rows.push_back({"In folder:", VisibleText(consent.directory)});
  if (consent.arguments.empty()) {
    text.rows.push_back({"Arguments:", "none"});
  } else {
    for (std::size_t i = 0; i < consent.arguments.size(); ++i) {
      // The count tells how much a scrolled list holds.
      const std::string label = "Arguments (" + std::to_string(consent.arguments.size()) + "):";
      text.rows.push_back({i == 0 ? label : "", VisibleText(consent.arguments[i])});
    }
  }
  return text;
}

}  // namespace vantile
