// The store behind ZqRegistry on Linux: one `.reg` file per hive in the
// settings folder, plus the autostart folder standing in for the machine's
// Run key.
//
// Promises (the files are shared with other processes and with people):
// - a hive is written by replacing it atomically (new file, flush, rename,
//   flush the folder), so a crash leaves the old or the new file, never half;
// - a write holds an exclusive lock on the hive and re-reads it first, so two
//   processes writing the same hive never lose each other's changes;
// - reads pick up changes another process made on disk;
// - a hive with lines that do not parse is copied aside before it is first
//   overwritten, and the bad lines are skipped rather than fatal.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/reg_file.h"
#include "common/registry_types.h"

namespace vantile {

class RegistryStore {
 public:
  struct Paths {
    std::filesystem::path settings_dir;   // holds HKEY_CURRENT_USER.reg ...
    std::filesystem::path autostart_dir;  // holds the Run key's entries
  };

  // $XDG_CONFIG_HOME/vantile and $XDG_CONFIG_HOME/autostart, with
  // XDG_CONFIG_HOME defaulting to $HOME/.config.
  static Paths DefaultPaths();

  explicit RegistryStore(Paths paths);

  const Paths& paths() const { return paths_; }
  std::filesystem::path HiveFile(RegRoot root) const;

  // Key operations. `path` is "A\B\C" below the root ("" is the root itself).
  bool KeyExists(RegRoot root, std::string_view path);
  // Whether this user may change the key: its hive file (or, for the Run key,
  // the autostart folder) can be written. A file or folder without any write
  // permission bit counts as read-only even for root, as a read-only file
  // does on Windows.
  bool KeyWritable(RegRoot root, std::string_view path);
  bool CreateKey(RegRoot root, std::string_view path);
  // Deletes a key that has no subkeys (the rule Windows NT applies).
  bool DeleteKey(RegRoot root, std::string_view path);

  // Subkey names in name order (ignoring case); nullopt when the key is missing.
  std::optional<std::vector<std::string>> EnumSubkeys(RegRoot root, std::string_view path);
  // Value names in the order the values were created; nullopt when the key is missing.
  std::optional<std::vector<std::string>> EnumValueNames(RegRoot root, std::string_view path);

  // nullopt when the key or the value is missing.
  std::optional<RegValue> QueryValue(RegRoot root, std::string_view path, std::string_view name);
  bool SetValue(RegRoot root, std::string_view path, const RegValue& value);
  bool DeleteValue(RegRoot root, std::string_view path, std::string_view name);

  // Problems found the last time the hive was read (bad lines skipped).
  std::vector<ParseIssue> Issues(RegRoot root);

 private:
  struct Cached {
    std::string signature;  // identity of the file contents on disk
    RegTree tree;
    std::vector<ParseIssue> issues;
  };

  const RegTree& Load(RegRoot root);
  // Runs `change` on a fresh copy of the hive under the hive's lock and
  // writes the result when it returns true.
  template <typename Change>
  bool Modify(RegRoot root, Change&& change);

  Paths paths_;
  std::map<RegRoot, Cached> cache_;
};

// True when the key path names the machine's Run key, which lives in the
// autostart folder rather than in the hive file.
bool IsRunKey(RegRoot root, std::string_view path);

}  // namespace vantile
