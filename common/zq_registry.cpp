#include "common/zq_registry.h"

#include <cstdlib>
#include <cstring>

#include "common/text.h"

namespace vantile {
namespace {

bool IsTextType(std::uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::vector<std::uint8_t> TextData(std::string_view text) {
  std::vector<std::uint8_t> data = Utf8ToUtf16Le(text);
  data.push_back(0);
  data.push_back(0);
  return data;
}

std::uint32_t LittleEndian32(const std::vector<std::uint8_t>& data) {
  std::uint8_t bytes[4] = {0, 0, 0, 0};
  // An empty value ("hex(4):") has no buffer at all; it reads as 0.
  if (!data.empty()) std::memcpy(bytes, data.data(), std::min<std::size_t>(4, data.size()));
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// A value read for its number: the DWORD, byte-swapped when stored big-endian.
std::int32_t NumberOf(const RegValue& v, std::uint32_t (*swap)(std::uint32_t)) {
  std::uint32_t raw = LittleEndian32(v.data);
  if (v.type == REG_DWORD_BIG_ENDIAN) raw = swap(raw);
  return static_cast<std::int32_t>(raw);
}

// Enumerated names stop at the first one the 256-character buffer of the
// original could not hold.
std::vector<std::string> Truncated(std::vector<std::string> names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].size() > kMaxEnumNameLength) {
      names.resize(i);
      break;
    }
  }
  return names;
}

std::string WithDot(std::string_view ext) {
  return (!ext.empty() && ext.front() == '.') ? std::string(ext) : "." + std::string(ext);
}

}  // namespace

std::uint32_t ZqRegistry::SwapLongBytes(std::uint32_t value) {
  return ((value & 0xFF) << 24) | ((value & 0xFF00) << 8) | ((value >> 8) & 0xFF00) | (value >> 24);
}

std::string ZqRegistry::ExpandValueString(std::string_view text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '%') {
      out += text[i++];
      continue;
    }
    std::size_t close = text.find('%', i + 1);
    if (close == std::string_view::npos) {
      out.append(text.substr(i));
      break;
    }
    std::string name(text.substr(i + 1, close - i - 1));
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value) {
      out += value;
      i = close + 1;
    } else {
      // Unknown names stay as written; the closing '%' may open the next one.
      out += '%';
      ++i;
    }
  }
  return out;
}

std::optional<std::string> ZqRegistry::ReadText(const Key& key, std::string_view name) {
  std::optional<RegValue> v = store_.QueryValue(key.root, key.path, name);
  if (!v) return std::nullopt;
  std::string text;
  if (IsTextType(v->type)) {
    text = Utf16LeToUtf8(v->data.data(), v->data.size());
    if (!text.empty() && text.back() == '\0') text.pop_back();
  } else if (!v->data.empty()) {
    text.assign(v->data.begin(), v->data.end() - 1);
  }
  if (v->type == REG_EXPAND_SZ) text = ExpandValueString(text);
  return text;
}

bool ZqRegistry::OpenKeyForWrite(RegRoot root, std::string_view path, bool create, Key& out) {
  if (!store_.KeyWritable(root, path)) return false;
  if (create ? !store_.CreateKey(root, path) : !store_.KeyExists(root, path)) return false;
  out = Key{root, std::string(path)};
  return true;
}

bool ZqRegistry::OpenRegistry(RegRoot HKEYRoot, std::string_view sRegSection, bool CreateIt) {
  CloseRegistry();
  Key key;
  if (!OpenKeyForWrite(HKEYRoot, sRegSection, CreateIt, key)) return false;
  held_ = std::move(key);
  return true;
}

void ZqRegistry::CloseRegistry() { held_.reset(); }

std::string ZqRegistry::GetStringValue(std::string_view sValueName) {
  if (!held_) return "";
  return ReadText(*held_, sValueName).value_or("");
}

std::int32_t ZqRegistry::GetLongValue(std::string_view sValueName) {
  if (!held_) return 0;
  std::optional<RegValue> v = store_.QueryValue(held_->root, held_->path, sValueName);
  return v ? NumberOf(*v, &SwapLongBytes) : 0;
}

bool ZqRegistry::GetBooleanValue(std::string_view sValueName) {
  if (!held_) return false;
  std::optional<RegValue> v = store_.QueryValue(held_->root, held_->path, sValueName);
  if (!v) return false;
  if (v->type == REG_DWORD || v->type == REG_DWORD_BIG_ENDIAN) return GetLongValue(sValueName) != 0;
  if (!IsTextType(v->type)) return false;

  std::string text = GetStringValue(sValueName);
  if (EqualsIgnoreCase(text, "true")) return true;
  if (EqualsIgnoreCase(text, "false")) return false;
  std::size_t start = text.find_first_not_of(" \t");
  std::size_t end = text.find_last_not_of(" \t");
  if (start != std::string::npos) {
    std::string number = text.substr(start, end - start + 1);
    char* stop = nullptr;
    double d = std::strtod(number.c_str(), &stop);
    if (stop && *stop == '\0' && stop != number.c_str()) return d != 0.0;
  }
  throw RegistryConversionError("value \"" + std::string(sValueName) + "\" holds \"" + text +
                                "\", which is neither True, False nor a number");
}

bool ZqRegistry::SetStringValue(std::string_view sValueName, std::string_view sValue) {
  if (!held_) return false;
  // Text with a %NAME% reference (at least one character between two '%')
  // is stored expandable, as the original did, so it expands when read.
  bool expandable = false;
  std::size_t first = sValue.find('%');
  if (first != std::string_view::npos && first + 2 < sValue.size())
    expandable = sValue.find('%', first + 2) != std::string_view::npos;
  RegValue v{std::string(sValueName), expandable ? REG_EXPAND_SZ : REG_SZ, TextData(sValue)};
  return store_.SetValue(held_->root, held_->path, v);
}

bool ZqRegistry::SetLongValue(std::string_view sValueName, std::int32_t iValue) {
  if (!held_) return false;
  auto u = static_cast<std::uint32_t>(iValue);
  RegValue v{std::string(sValueName), REG_DWORD,
             {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
              static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)}};
  return store_.SetValue(held_->root, held_->path, v);
}

bool ZqRegistry::KeyExists(RegRoot HKEYRoot, std::string_view sRegSection) {
  return store_.KeyExists(HKEYRoot, sRegSection);
}

bool ZqRegistry::DeleteKey(RegRoot HKEYRoot, std::string_view sRegSection) {
  return store_.KeyWritable(HKEYRoot, sRegSection) && store_.DeleteKey(HKEYRoot, sRegSection);
}

bool ZqRegistry::DeleteValue(std::string_view sValueName) {
  if (!held_) return false;
  return store_.DeleteValue(held_->root, held_->path, sValueName);
}

bool ZqRegistry::DeleteAllValues() {
  if (!held_) return false;
  std::optional<std::vector<std::string>> names = store_.EnumValueNames(held_->root, held_->path);
  if (!names || names->empty()) return false;
  for (const std::string& name : Truncated(*names)) {
    if (!store_.DeleteValue(held_->root, held_->path, name)) return false;
  }
  return true;
}

bool ZqRegistry::SetFileAssociation(std::string_view ext, std::string_view KeySection,
                                    std::string_view Prog, bool Overwrite) {
  Key command;
  std::string command_path = std::string(KeySection) + "\\shell\\open\\command";
  if (!OpenKeyForWrite(HKEY_CLASSES_ROOT, command_path, true, command)) return false;
  std::string current = ReadText(command, "").value_or("");
  if (current.empty() || (current != Prog && Overwrite)) {
    if (!store_.SetValue(command.root, command.path, RegValue{"", REG_SZ, TextData(Prog)})) return false;
  }
  Key extension;
  if (!OpenKeyForWrite(HKEY_CLASSES_ROOT, WithDot(ext), true, extension)) return false;
  return store_.SetValue(extension.root, extension.path, RegValue{"", REG_SZ, TextData(KeySection)});
}

std::string ZqRegistry::GetFileAssociation(std::string_view ext) {
  Key extension;
  if (!OpenKeyForWrite(HKEY_CLASSES_ROOT, WithDot(ext), false, extension)) return "";
  std::optional<std::string> type_name = ReadText(extension, "");
  if (!type_name) return "";
  Key command;
  if (!OpenKeyForWrite(HKEY_CLASSES_ROOT, *type_name + "\\shell\\open\\command", false, command)) return "";
  return ReadText(command, "").value_or("");
}

std::int32_t ZqRegistry::EnumKeys(std::vector<std::string>& KeyArray) {
  if (!held_) return 0;
  std::optional<std::vector<std::string>> names = store_.EnumSubkeys(held_->root, held_->path);
  if (!names) return 0;
  std::vector<std::string> found = Truncated(std::move(*names));
  if (found.empty()) return 0;
  KeyArray = std::move(found);
  return static_cast<std::int32_t>(KeyArray.size());
}

std::int32_t ZqRegistry::EnumValueNames(RegRoot RootKey, std::string_view sRegSection,
                                        std::vector<std::string>& ValueNames) {
  std::optional<std::vector<std::string>> names = store_.EnumValueNames(RootKey, sRegSection);
  if (!names) return 0;
  std::vector<std::string> found = Truncated(std::move(*names));
  if (found.empty()) return 0;
  ValueNames = std::move(found);
  return static_cast<std::int32_t>(ValueNames.size());
}

std::int32_t ZqRegistry::EnumValues(RegRoot RootKey, std::string_view sRegSection,
                                    std::vector<std::string>& ValueNames, std::vector<std::string>& Values) {
  std::int32_t count = EnumValueNames(RootKey, sRegSection, ValueNames);
  if (count == 0) return 0;
  Values.assign(static_cast<std::size_t>(count), "");
  Key key{RootKey, std::string(sRegSection)};
  for (std::int32_t i = 0; i < count; ++i) {
    std::optional<RegValue> v = store_.QueryValue(RootKey, sRegSection, ValueNames[i]);
    if (!v) continue;
    if (IsTextType(v->type)) {
      Values[i] = ReadText(key, ValueNames[i]).value_or("");
    } else if (v->type == REG_DWORD || v->type == REG_DWORD_BIG_ENDIAN) {
      Values[i] = std::to_string(NumberOf(*v, &SwapLongBytes));
    }
  }
  return count;
}

}  // namespace vantile
