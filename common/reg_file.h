// Reading and writing the Windows registry export format
// ("Windows Registry Editor Version 5.00" and "REGEDIT4").
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/registry_types.h"

namespace vantile {

// One key: its name as first written, its values in creation order and its
// subkeys by lower-cased name (so they enumerate in name order, ignoring case).
struct RegKey {
  std::string name;
  std::map<std::string, std::unique_ptr<RegKey>> subkeys;

  RegKey() = default;
  explicit RegKey(std::string key_name) : name(std::move(key_name)) {}
  RegKey(const RegKey& other);
  RegKey& operator=(const RegKey& other);
  RegKey(RegKey&&) noexcept = default;
  RegKey& operator=(RegKey&&) noexcept = default;

  const RegValue* FindValue(std::string_view value_name) const;
  RegValue* FindValue(std::string_view value_name);
  // Replaces the value's type and data, keeping its place; appends a new one.
  void SetValue(const RegValue& value);
  bool DeleteValue(std::string_view value_name);
  const std::vector<RegValue>& values() const { return values_; }

 private:
  std::vector<RegValue> values_;
  // Lower-cased name -> place in values_: a key of many values (a long
  // allow-list, a file someone generated) is read and saved in linear time.
  std::unordered_map<std::string, std::size_t> places_;
};

// A hive: the root key and everything below it.
class RegTree {
 public:
  RegKey& root() { return root_; }
  const RegKey& root() const { return root_; }

  // `path` is "A\B\C"; empty levels (from "A\\B" or a trailing "\") are ignored.
  const RegKey* Find(std::string_view path) const;
  RegKey* Find(std::string_view path);
  RegKey& Create(std::string_view path);
  // Removes the key and everything below it; false when it does not exist.
  bool Remove(std::string_view path);

 private:
  RegKey root_;
};

std::vector<std::string> SplitKeyPath(std::string_view path);

// Whether a key path is one Windows would accept: at most 512 levels below
// the root, each name at most 255 characters. The file format keeps the same
// limits, so nothing we write is refused when read back.
bool IsValidKeyPath(std::string_view path);

struct ParseIssue {
  int line = 0;  // 1-based
  std::string message;
};

struct ParseResult {
  RegTree tree;
  std::vector<ParseIssue> issues;
};

// Parses an export. Only sections below `root` are taken; others are
// reported as issues. The input may be UTF-16LE with a byte-order mark, or
// UTF-8 with or without one. Never throws; bounded work per input byte.
ParseResult ParseRegFile(std::string_view bytes, RegRoot root);

// Writes the hive in the version 5 format, UTF-8 without a byte-order mark.
std::string FormatRegFile(const RegTree& tree, RegRoot root);

}  // namespace vantile
