#include "common/text.h"

#include <algorithm>

namespace vantile {
namespace {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16(std::vector<std::uint8_t>& out, char32_t cp) {
  auto unit = [&out](std::uint16_t u) {
    out.push_back(static_cast<std::uint8_t>(u & 0xFF));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  };
  if (cp < 0x10000) {
    unit(static_cast<std::uint16_t>(cp));
  } else {
    cp -= 0x10000;
    unit(static_cast<std::uint16_t>(0xD800 | (cp >> 10)));
    unit(static_cast<std::uint16_t>(0xDC00 | (cp & 0x3FF)));
  }
}

// Decodes one UTF-8 sequence at `i`; invalid or overlong sequences give
// U+FFFD and consume one byte.
char32_t NextUtf8(std::string_view s, std::size_t& i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b0 = byte(i);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int extra = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (i + extra >= s.size()) {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k <= extra; ++k) {
    unsigned char b = byte(i + k);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += extra + 1;
  return cp;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view utf8) {
  std::vector<std::uint8_t> out;
  out.reserve(utf8.size() * 2);
  for (std::size_t i = 0; i < utf8.size();) AppendUtf16(out, NextUtf8(utf8, i));
  return out;
}

std::string Utf16LeToUtf8(const std::uint8_t* data, std::size_t size) {
  std::string out;
  out.reserve(size / 2);
  std::size_t units = size / 2;
  for (std::size_t k = 0; k < units; ++k) {
    char32_t u = data[2 * k] | (data[2 * k + 1] << 8);
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (k + 1 < units) {
        char32_t low = data[2 * k + 2] | (data[2 * k + 3] << 8);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
          ++k;
          continue;
        }
      }
      u = 0xFFFD;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      u = 0xFFFD;
    }
    AppendUtf8(out, u);
  }
  return out;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareIgnoreCase(a, b) == 0;
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(LowerAscii(a[i]));
    unsigned char y = static_cast<unsigned char>(LowerAscii(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::size_t FindIgnoreCase(std::string_view haystack, std::string_view needle, std::size_t from) {
  if (needle.size() > haystack.size()) return std::string_view::npos;
  for (std::size_t i = from; i + needle.size() <= haystack.size(); ++i) {
    if (EqualsIgnoreCase(haystack.substr(i, needle.size()), needle)) return i;
  }
  return std::string_view::npos;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  if (from.empty()) return std::string(text);
  std::size_t pos = 0;
  while (true) {
    std::size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::optional<std::vector<std::string>> SplitCommandLine(std::string_view text) {
  std::vector<std::string> args;
  std::string current;
  bool in_word = false;
  enum class Quote { None, Single, Double } quote = Quote::None;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    switch (quote) {
      case Quote::Single:
        if (c == '\'') quote = Quote::None;
        else current += c;
        break;
      case Quote::Double:
        if (c == '"') {
          quote = Quote::None;
        } else if (c == '\\' && i + 1 < text.size() &&
                   (text[i + 1] == '"' || text[i + 1] == '\\' || text[i + 1] == '$' ||
                    text[i + 1] == '`' || text[i + 1] == '\n')) {
          if (text[i + 1] != '\n') current += text[i + 1];
          ++i;
        } else {
          current += c;
        }
        break;
      case Quote::None:
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
          if (in_word) {
            args.push_back(std::move(current));
            current.clear();
            in_word = false;
          }
        } else if (c == '\'') {
          quote = Quote::Single;
          in_word = true;
        } else if (c == '"') {
          quote = Quote::Double;
          in_word = true;
        } else if (c == '\\') {
          in_word = true;
          if (i + 1 < text.size()) {
            if (text[i + 1] != '\n') current += text[i + 1];
            ++i;
          }
        } else {
          current += c;
          in_word = true;
        }
        break;
    }
  }
  if (quote != Quote::None) return std::nullopt;
  if (in_word) args.push_back(std::move(current));
  return args;
}

std::string QuoteArgument(std::string_view argument) {
  bool plain = !argument.empty() && std::all_of(argument.begin(), argument.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '/' || c == '.' || c == '_' || c == '-' || c == '+' || c == ':' || c == ',' ||
           c == '@' || c == '%';
  });
  if (plain) return std::string(argument);
  std::string out = "'";
  for (char c : argument) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  out += "'";
  return out;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::string MnemonicLabel(const std::string& caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (c == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out += '&';
        ++i;
      } else {
        out += '_';
      }
    } else if (c == '_') {
      out += "__";
    } else {
      out += c;
    }
  }
  return out;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> PercentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    const int high = i + 2 < text.size() ? HexDigitValue(text[i + 1]) : -1;
    const int low = i + 2 < text.size() ? HexDigitValue(text[i + 2]) : -1;
    if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
    out.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return out;
}

}  // namespace vantile
