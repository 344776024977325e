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
//   overwritten, and the bad lines are skipped rather than fatal; when the
//   copy cannot be made, the hive is not overwritten;
// - a hive that exists but cannot be read is never written: its keys read as
//   missing, and UnreadableHives() says why;
// - a hive that is a symbolic link is written through to its target.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
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
  ~RegistryStore();
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  // Gathers every change made to one hive while it is open and writes the
  // hive once, atomically, on Commit: a save of many values costs one write,
  // and a crash leaves all of them or none. It holds the hive's lock from
  // start to end and starts from the hive as it is on disk, so the whole
  // read-change-write is one step to other processes. Reads through the
  // store see the gathered changes. Without Commit nothing is written. A
  // transaction opened while one is open on the same hive joins it.
  class Transaction {
   public:
    Transaction(RegistryStore& store, RegRoot root);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    // True when the changes are on disk (for a joined transaction: when the
    // outer one can still write them).
    bool Commit();

   private:
    RegistryStore& store_;
    RegRoot root_;
    bool owner_;
  };

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

  // One line per hive read so far that exists but could not be read
  // ("cannot read FILE: REASON"); those hives are left as they are.
  std::vector<std::string> UnreadableHives() const;

 private:
  struct Cached {
    std::string signature;  // identity of the file contents on disk
    RegTree tree;
    std::vector<ParseIssue> issues;
    std::string read_error;  // set when the file exists but cannot be read
  };
  struct Pending;  // an open transaction on one hive

  Cached ReadHive(RegRoot root, std::string* bytes = nullptr) const;
  const RegTree& Load(RegRoot root);
  bool Begin(RegRoot root);
  bool Commit(RegRoot root);
  bool Usable(RegRoot root) const;
  // Runs `change` on the hive inside a transaction (the open one, or one of
  // its own) and counts the hive changed when it returns true.
  template <typename Change>
  bool Modify(RegRoot root, Change&& change);

  Paths paths_;
  std::map<RegRoot, Cached> cache_;
  std::map<RegRoot, std::unique_ptr<Pending>> pending_;
};

// True when the key path names the machine's Run key, which lives in the
// autostart folder rather than in the hive file.
bool IsRunKey(RegRoot root, std::string_view path);

}  // namespace vantile
