#include "common/reg_file.h"

#include <cstdio>

#include "common/text.h"

namespace vantile {
namespace {

// Windows itself refuses deeper trees and longer names; the caps also keep
// a hostile file from exhausting the stack or memory through nesting.
constexpr std::size_t kMaxKeyDepth = 512;
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;
// regedit wraps long hex lines once they reach this many characters.
constexpr std::size_t kHexWrapColumn = 77;

const char* const kHeader5 = "Windows Registry Editor Version 5.00";
const char* const kHeader4 = "REGEDIT4";

bool IsValidUtf8(std::string_view s) {
  std::vector<std::uint8_t> wide = Utf8ToUtf16Le(s);
  return Utf16LeToUtf8(wide.data(), wide.size()) == s;
}

// Text of the file as UTF-8, whatever encoding it came in.
std::string DecodeInput(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    bytes.remove_prefix(2);
    return Utf16LeToUtf8(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF) {
    bytes.remove_prefix(3);
  }
  if (IsValidUtf8(bytes)) return std::string(bytes);
  // Old REGEDIT4 exports are in the Windows ANSI code page; Latin-1 keeps
  // their accented letters readable instead of turning them into U+FFFD.
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted string starting at s[0] == '"'. On success `consumed` is the
// length including both quotes.
bool ParseQuoted(std::string_view s, std::string& out, std::size_t& consumed) {
  out.clear();
  for (std::size_t i = 1; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
      out += s[i + 1];
      ++i;
    } else if (c == '"') {
      consumed = i + 1;
      return true;
    } else {
      out += c;
    }
  }
  return false;
}

bool RestIsEmpty(std::string_view rest) {
  rest = Trim(rest);
  return rest.empty() || rest.front() == ';';
}

bool ParseHexBytes(std::string_view s, std::vector<std::uint8_t>& out) {
  out.clear();
  std::size_t i = 0;
  auto skip_space = [&] {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  };
  skip_space();
  if (i < s.size() && s[i] == ';') return true;
  while (i < s.size()) {
    skip_space();
    if (i >= s.size()) break;
    if (s[i] == ';') break;
    int hi = HexDigit(s[i]);
    if (hi < 0) return false;
    int value = hi;
    ++i;
    if (i < s.size() && HexDigit(s[i]) >= 0) {
      value = value * 16 + HexDigit(s[i]);
      ++i;
    }
    out.push_back(static_cast<std::uint8_t>(value));
    skip_space();
    if (i < s.size() && s[i] == ',') {
      ++i;
    } else if (i < s.size() && s[i] != ';') {
      return false;
    }
  }
  return true;
}

// Parses what follows "=" in a value line. Returns false with `error` set.
bool ParseValueData(std::string_view data, RegValue& value, bool& is_delete, std::string& error) {
  is_delete = false;
  data = Trim(data);
  if (data == "-") {
    is_delete = true;
    return true;
  }
  if (!data.empty() && data.front() == '"') {
    std::string text;
    std::size_t used = 0;
    if (!ParseQuoted(data, text, used) || !RestIsEmpty(data.substr(used))) {
      error = "unterminated or malformed string";
      return false;
    }
    value.type = REG_SZ;
    value.data = Utf8ToUtf16Le(text);
    value.data.push_back(0);
    value.data.push_back(0);
    return true;
  }
  if (data.size() >= 6 && EqualsIgnoreCase(data.substr(0, 6), "dword:")) {
    std::string_view digits = Trim(data.substr(6));
    std::size_t comment = digits.find(';');
    if (comment != std::string_view::npos) digits = Trim(digits.substr(0, comment));
    if (digits.empty() || digits.size() > 8) {
      error = "dword needs 1 to 8 hex digits";
      return false;
    }
    std::uint32_t number = 0;
    for (char c : digits) {
      int d = HexDigit(c);
      if (d < 0) {
        error = "bad hex digit in dword";
        return false;
      }
      number = number * 16 + static_cast<std::uint32_t>(d);
    }
    value.type = REG_DWORD;
    value.data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                  static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
    return true;
  }
  if (data.size() >= 3 && EqualsIgnoreCase(data.substr(0, 3), "hex")) {
    std::string_view rest = data.substr(3);
    std::uint32_t type = REG_BINARY;
    if (!rest.empty() && rest.front() == '(') {
      std::size_t close = rest.find(')');
      if (close == std::string_view::npos || close == 1 || close > 9) {
        error = "bad hex(type)";
        return false;
      }
      type = 0;
      for (char c : rest.substr(1, close - 1)) {
        int d = HexDigit(c);
        if (d < 0) {
          error = "bad hex(type)";
          return false;
        }
        type = type * 16 + static_cast<std::uint32_t>(d);
      }
      rest = rest.substr(close + 1);
    }
    if (rest.empty() || rest.front() != ':') {
      error = "expected ':' after hex";
      return false;
    }
    if (!ParseHexBytes(rest.substr(1), value.data)) {
      error = "bad hex data";
      return false;
    }
    value.type = type;
    return true;
  }
  error = "unknown value data";
  return false;
}

bool RootMatches(std::string_view name, RegRoot root) {
  std::string_view full = RootName(root);
  if (EqualsIgnoreCase(name, full)) return true;
  if (root == HKEY_CURRENT_USER) return EqualsIgnoreCase(name, "HKCU");
  if (root == HKEY_LOCAL_MACHINE) return EqualsIgnoreCase(name, "HKLM");
  if (root == HKEY_CLASSES_ROOT) return EqualsIgnoreCase(name, "HKCR");
  return false;
}

std::string EscapeString(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

// The value's text when it can be written as "text": UTF-16LE that ends in
// exactly one zero, holds no other zero and no line breaks, and survives the
// trip through UTF-8 unchanged.
bool PrintableString(const RegValue& v, std::string& text) {
  const auto& d = v.data;
  if (d.size() < 2 || d.size() % 2 != 0 || d[d.size() - 1] != 0 || d[d.size() - 2] != 0) return false;
  for (std::size_t i = 0; i + 2 < d.size(); i += 2) {
    if (d[i] == 0 && d[i + 1] == 0) return false;
    if (d[i + 1] == 0 && (d[i] == '\n' || d[i] == '\r')) return false;
  }
  text = Utf16LeToUtf8(d.data(), d.size() - 2);
  std::vector<std::uint8_t> back = Utf8ToUtf16Le(text);
  back.push_back(0);
  back.push_back(0);
  return back == d;
}

void AppendHex(std::string& out, std::string_view prefix, const std::vector<std::uint8_t>& data) {
  out += prefix;
  std::size_t line_length = prefix.size();
  char buf[3];
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", data[i]);
    out += buf;
    if (i + 1 == data.size()) break;
    out += ',';
    line_length += 3;
    if (line_length >= kHexWrapColumn) {
      out += "\\\n  ";
      line_length = 2;
    }
  }
  out += '\n';
}

void AppendValue(std::string& out, const RegValue& v) {
  std::string name = v.name.empty() ? "@" : "\"" + EscapeString(v.name) + "\"";
  std::string text;
  if (v.type == REG_SZ && PrintableString(v, text)) {
    out += name + "=\"" + EscapeString(text) + "\"\n";
    return;
  }
  if (v.type == REG_DWORD && v.data.size() == 4) {
    char buf[16];
    std::uint32_t n = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) |
                      (static_cast<std::uint32_t>(v.data[3]) << 24);
    std::snprintf(buf, sizeof buf, "%08x", n);
    out += name + "=dword:" + buf + "\n";
    return;
  }
  std::string prefix = name + "=hex";
  if (v.type != REG_BINARY) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "(%x)", v.type);
    prefix += buf;
  }
  prefix += ":";
  AppendHex(out, prefix, v.data);
}

// A key that holds no values but has subkeys gets no section of its own:
// reading any section creates the keys on its path (here and in regedit).
// Writing one per level would make a deeply nested key's file grow with the
// square of its depth. `path` is extended and restored in place for the same
// reason.
void AppendKey(std::string& out, const RegKey& key, std::string& path, bool is_root) {
  const bool implied = key.values().empty() && (is_root || !key.subkeys.empty());
  if (!implied) {
    out += "[" + path + "]\n";
    for (const RegValue& v : key.values()) AppendValue(out, v);
    out += "\n";
  }
  for (const auto& [lower, child] : key.subkeys) {
    const std::size_t length = path.size();
    path += "\\";
    path += child->name;
    AppendKey(out, *child, path, false);
    path.resize(length);
  }
}

}  // namespace

const char* RootName(RegRoot root) {
  switch (root) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    default: return "";
  }
}

RegKey::RegKey(const RegKey& other) : name(other.name), values_(other.values_), places_(other.places_) {
  for (const auto& [lower, child] : other.subkeys) subkeys.emplace(lower, std::make_unique<RegKey>(*child));
}

RegKey& RegKey::operator=(const RegKey& other) {
  if (this != &other) {
    RegKey copy(other);
    *this = std::move(copy);
  }
  return *this;
}

const RegValue* RegKey::FindValue(std::string_view value_name) const {
  auto it = places_.find(AsciiLower(value_name));
  return it == places_.end() ? nullptr : &values_[it->second];
}

RegValue* RegKey::FindValue(std::string_view value_name) {
  return const_cast<RegValue*>(static_cast<const RegKey*>(this)->FindValue(value_name));
}

void RegKey::SetValue(const RegValue& value) {
  auto [it, added] = places_.try_emplace(AsciiLower(value.name), values_.size());
  if (added) {
    values_.push_back(value);
  } else {
    values_[it->second].type = value.type;
    values_[it->second].data = value.data;
  }
}

bool RegKey::DeleteValue(std::string_view value_name) {
  auto it = places_.find(AsciiLower(value_name));
  if (it == places_.end()) return false;
  const std::size_t place = it->second;
  places_.erase(it);
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(place));
  for (auto& [lower, p] : places_) {
    if (p > place) --p;
  }
  return true;
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool IsValidKeyPath(std::string_view path) {
  std::vector<std::string> parts = SplitKeyPath(path);
  if (parts.size() > kMaxKeyDepth) return false;
  for (const std::string& p : parts)
    if (p.size() > kMaxKeyNameLength) return false;
  return true;
}

const RegKey* RegTree::Find(std::string_view path) const {
  const RegKey* key = &root_;
  for (const std::string& part : SplitKeyPath(path)) {
    auto it = key->subkeys.find(AsciiLower(part));
    if (it == key->subkeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

RegKey* RegTree::Find(std::string_view path) {
  return const_cast<RegKey*>(static_cast<const RegTree*>(this)->Find(path));
}

RegKey& RegTree::Create(std::string_view path) {
  RegKey* key = &root_;
  for (const std::string& part : SplitKeyPath(path)) {
    auto& slot = key->subkeys[AsciiLower(part)];
    if (!slot) slot = std::make_unique<RegKey>(part);
    key = slot.get();
  }
  return *key;
}

bool RegTree::Remove(std::string_view path) {
  std::vector<std::string> parts = SplitKeyPath(path);
  if (parts.empty()) return false;
  std::string leaf = parts.back();
  parts.pop_back();
  RegKey* parent = &root_;
  for (const std::string& part : parts) {
    auto it = parent->subkeys.find(AsciiLower(part));
    if (it == parent->subkeys.end()) return false;
    parent = it->second.get();
  }
  return parent->subkeys.erase(AsciiLower(leaf)) > 0;
}

ParseResult ParseRegFile(std::string_view bytes, RegRoot root) {
  ParseResult result;
  std::string text = DecodeInput(bytes);

  // Split into physical lines, remembering where each starts.
  std::vector<std::string_view> lines;
  {
    std::string_view all(text);
    std::size_t start = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (all[i] == '\n' || all[i] == '\r') {
        lines.push_back(all.substr(start, i - start));
        if (all[i] == '\r' && i + 1 < all.size() && all[i + 1] == '\n') ++i;
        start = i + 1;
      }
    }
    if (start < all.size()) lines.push_back(all.substr(start));
  }

  auto issue = [&](std::size_t line_index, std::string message) {
    result.issues.push_back({static_cast<int>(line_index + 1), std::move(message)});
  };

  bool header_seen = false;
  RegKey* current = nullptr;
  bool in_foreign_section = false;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    std::string_view line = Trim(lines[n]);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (!header_seen) {
      header_seen = true;
      if (line == kHeader5 || line == kHeader4) continue;
      issue(n, "missing \"" + std::string(kHeader5) + "\" header");
    }
    if (line.front() == '[') {
      current = nullptr;
      in_foreign_section = false;
      if (line.back() != ']') {
        issue(n, "section without closing ']'");
        in_foreign_section = true;
        continue;
      }
      std::string_view inner = line.substr(1, line.size() - 2);
      bool remove = !inner.empty() && inner.front() == '-';
      if (remove) inner.remove_prefix(1);
      std::vector<std::string> parts = SplitKeyPath(inner);
      if (parts.empty() || !RootMatches(parts.front(), root)) {
        issue(n, "section is not under " + std::string(RootName(root)));
        in_foreign_section = true;
        continue;
      }
      if (parts.size() - 1 > kMaxKeyDepth) {
        issue(n, "key nested too deeply");
        in_foreign_section = true;
        continue;
      }
      bool bad_name = false;
      for (const std::string& p : parts) bad_name |= p.size() > kMaxKeyNameLength;
      if (bad_name) {
        issue(n, "key name longer than 255 characters");
        in_foreign_section = true;
        continue;
      }
      std::string path;
      for (std::size_t i = 1; i < parts.size(); ++i) path += (i > 1 ? "\\" : "") + parts[i];
      if (remove) {
        result.tree.Remove(path);
        in_foreign_section = true;  // values after a deletion have no key
      } else {
        current = &result.tree.Create(path);
      }
      continue;
    }

    // A value line: "name"=data or @=data, hex data possibly continued.
    std::string name;
    std::size_t used = 0;
    if (line.front() == '@') {
      used = 1;
    } else if (line.front() == '"') {
      if (!ParseQuoted(line, name, used)) {
        issue(n, "unterminated value name");
        continue;
      }
    } else {
      issue(n, "unrecognised line");
      continue;
    }
    std::string_view after = Trim(line.substr(used));
    if (after.empty() || after.front() != '=') {
      issue(n, "expected '=' after value name");
      continue;
    }
    std::string data(Trim(after.substr(1)));
    std::size_t first_line = n;
    if (data.size() >= 3 && EqualsIgnoreCase(std::string_view(data).substr(0, 3), "hex")) {
      while (!data.empty() && data.back() == '\\' && n + 1 < lines.size()) {
        data.pop_back();
        data += Trim(lines[++n]);
      }
    }
    if (in_foreign_section) continue;
    if (!current) {
      issue(first_line, "value outside any section");
      continue;
    }
    if (name.size() > kMaxValueNameLength) {
      issue(first_line, "value name too long");
      continue;
    }
    RegValue value;
    value.name = name;
    bool is_delete = false;
    std::string error;
    if (!ParseValueData(data, value, is_delete, error)) {
      issue(first_line, error);
      continue;
    }
    if (is_delete) current->DeleteValue(name);
    else current->SetValue(value);
  }
  return result;
}

std::string FormatRegFile(const RegTree& tree, RegRoot root) {
  std::string out = std::string(kHeader5) + "\n\n";
  std::string path = RootName(root);
  AppendKey(out, tree.root(), path, true);
  return out;
}

}  // namespace vantile
