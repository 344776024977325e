#include "common/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "common/file_util.h"
#include "common/text.h"

namespace vantile {
namespace fs = std::filesystem;

namespace {

constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValueKey = "X-Vantile-Run-Value";
constexpr const char* kRunTypeKey = "X-Vantile-Run-Type";
constexpr const char* kRunDataKey = "X-Vantile-Run-Data";

std::string NormalizePath(std::string_view path) {
  std::string out;
  for (const std::string& part : SplitKeyPath(path)) out += (out.empty() ? "" : "\\") + part;
  return out;
}

std::string FileSignature(const fs::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return "missing";
  char buf[160];
  std::snprintf(buf, sizeof buf, "%llu:%llu:%lld:%lld.%09ld:%lld.%09ld",
                static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
                static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec),
                st.st_mtim.tv_nsec, static_cast<long long>(st.st_ctim.tv_sec), st.st_ctim.tv_nsec);
  return buf;
}

class HiveLock {
 public:
  explicit HiveLock(const fs::path& lock_file) {
    fd_ = ::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~HiveLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  HiveLock(const HiveLock&) = delete;
  HiveLock& operator=(const HiveLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Keeps a copy of a hive that did not parse cleanly, so that rewriting it
// never silently drops what a person or another program put there. False
// when no copy could be made: the caller must then leave the hive alone.
bool BackUpDamagedHive(const fs::path& hive, std::string_view bytes) {
  std::time_t now = std::time(nullptr);
  std::tm local {};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  for (int i = 0; i < 1000; ++i) {
    fs::path backup = hive;
    backup += std::string(".damaged-") + stamp + (i ? "-" + std::to_string(i) : "");
    if (WriteNewFile(backup, bytes)) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

// --- The Run key: one XDG autostart entry per value -------------------------

std::string HexBytes(const std::vector<std::uint8_t>& data) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : data) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

bool ParseHex(std::string_view text, std::vector<std::uint8_t>& out) {
  if (text.size() % 2) return false;
  out.clear();
  for (std::size_t i = 0; i < text.size(); i += 2) {
    int v = 0;
    for (int k = 0; k < 2; ++k) {
      char c = text[i + k];
      int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
      if (d < 0) return false;
      v = v * 16 + d;
    }
    out.push_back(static_cast<std::uint8_t>(v));
  }
  return true;
}

// Escapes text for a desktop entry's string value.
std::string DesktopString(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

// One argument of an Exec line, quoted as the desktop entry rules ask.
std::string ExecArgument(std::string_view arg) {
  static const std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string quoted;
  bool needs_quotes = arg.empty() || arg.find_first_of(reserved) != std::string_view::npos;
  for (char c : arg) {
    if (c == '%') {
      quoted += "%%";
    } else if (needs_quotes && (c == '"' || c == '`' || c == '$' || c == '\\')) {
      quoted += '\\';
      quoted += c;
    } else {
      quoted += c;
    }
  }
  return needs_quotes ? "\"" + quoted + "\"" : quoted;
}

// The Exec line for a Run command. Our own Run value is the full path of the
// program, which may hold spaces and need not exist yet (a moved install), so
// an unquoted absolute path is one argument unless a shorter prefix of it, up
// to a space, names an existing file: then the rest are its arguments, as in
// a command line another program wrote.
std::string ExecLine(const std::string& command) {
  std::vector<std::string> argv;
  std::error_code ec;
  bool unquoted_path = !command.empty() && command.front() == '/' &&
                       command.find_first_of("\"'\\") == std::string::npos;
  if (unquoted_path) {
    std::size_t program_end = command.size();
    if (!fs::exists(command, ec)) {
      for (std::size_t space = command.find(' '); space != std::string::npos; space = command.find(' ', space + 1)) {
        if (fs::is_regular_file(command.substr(0, space), ec)) program_end = space;
      }
    }
    argv.push_back(command.substr(0, program_end));
    if (program_end < command.size()) {
      auto rest = SplitCommandLine(std::string_view(command).substr(program_end));
      if (rest) argv.insert(argv.end(), rest->begin(), rest->end());
    }
  } else if (auto split = SplitCommandLine(command); split && !split->empty()) {
    argv = *split;
  } else {
    argv.push_back(command);
  }
  std::string line;
  for (const std::string& a : argv) line += (line.empty() ? "" : " ") + ExecArgument(a);
  return line;
}

std::string DesktopFileName(std::string_view value_name) {
  std::string name;
  for (char c : value_name) name += (c == '/' || c == '\0') ? '_' : c;
  if (name.empty() || name == "." || name == "..") name = "_" + name;
  return name + ".desktop";
}

struct RunEntry {
  fs::path file;
  RegValue value;
};

std::optional<RunEntry> ReadRunEntry(const fs::path& file) {
  std::string text;
  if (!ReadWholeFile(file, text)) return std::nullopt;
  RunEntry entry{file, {}};
  bool has_name = false, has_type = false, has_data = false;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == kRunValueKey) {
      // Undo DesktopString's escaping.
      std::string name;
      for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
          char n = value[++i];
          name += n == 'n' ? '\n' : n == 'r' ? '\r' : n == 't' ? '\t' : n;
        } else {
          name += value[i];
        }
      }
      entry.value.name = name;
      has_name = true;
    } else if (key == kRunTypeKey) {
      entry.value.type = static_cast<std::uint32_t>(std::strtoul(std::string(value).c_str(), nullptr, 10));
      has_type = true;
    } else if (key == kRunDataKey) {
      has_data = ParseHex(value, entry.value.data);
    }
  }
  if (!has_name || !has_type || !has_data) return std::nullopt;
  return entry;
}

std::vector<RunEntry> ReadRunEntries(const fs::path& folder) {
  std::vector<RunEntry> entries;
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(folder, ec)) {
    if (item.path().extension() != ".desktop") continue;
    if (auto entry = ReadRunEntry(item.path())) entries.push_back(std::move(*entry));
  }
  std::sort(entries.begin(), entries.end(), [](const RunEntry& a, const RunEntry& b) {
    return CompareIgnoreCase(a.value.name, b.value.name) < 0;
  });
  return entries;
}

std::string RunEntryText(const RegValue& value) {
  std::string command;
  bool startable = false;
  if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
    std::size_t n = value.data.size();
    if (n >= 2 && value.data[n - 1] == 0 && value.data[n - 2] == 0) n -= 2;
    command = Utf16LeToUtf8(value.data.data(), n);
    startable = !command.empty();
  }
  std::string text = "[Desktop Entry]\nType=Application\n";
  text += "Name=" + DesktopString(value.name) + "\n";
  text += "Comment=Started when you log in\n";
  if (startable) {
    text += "Exec=" + DesktopString(ExecLine(command)) + "\n";
    text += "X-GNOME-Autostart-enabled=true\n";
  } else {
    // The value exists but names nothing to start: keep the entry so the
    // value reads back, but mark it as one the session must not start.
    text += "Hidden=true\n";
  }
  text += std::string(kRunValueKey) + "=" + DesktopString(value.name) + "\n";
  text += std::string(kRunTypeKey) + "=" + std::to_string(value.type) + "\n";
  text += std::string(kRunDataKey) + "=" + HexBytes(value.data) + "\n";
  return text;
}

}  // namespace

bool IsRunKey(RegRoot root, std::string_view path) {
  return root == HKEY_LOCAL_MACHINE && EqualsIgnoreCase(NormalizePath(path), kRunKeyPath);
}

RegistryStore::Paths RegistryStore::DefaultPaths() {
  fs::path config = ConfigHome();
  return {config / "vantile", config / "autostart"};
}

// The state of an open transaction. `usable` is false when the hive may not
// be written (no lock, not writable, unreadable): every change then fails.
struct RegistryStore::Pending {
  std::unique_ptr<HiveLock> lock;
  RegTree tree;
  std::string on_disk;  // the bytes read, kept for the backup of a damaged hive
  bool usable = false;
  bool damaged = false;
  bool changed = false;
};

RegistryStore::RegistryStore(Paths paths) : paths_(std::move(paths)) {}

RegistryStore::~RegistryStore() = default;

fs::path RegistryStore::HiveFile(RegRoot root) const {
  return paths_.settings_dir / (std::string(RootName(root)) + ".reg");
}

RegistryStore::Cached RegistryStore::ReadHive(RegRoot root, std::string* bytes_out) const {
  fs::path file = HiveFile(root);
  Cached cached;
  cached.signature = FileSignature(file);
  std::string bytes;
  if (cached.signature != "missing") {
    std::string error;
    if (ReadWholeFile(file, bytes, &error)) {
      ParseResult parsed = ParseRegFile(bytes, root);
      cached.tree = std::move(parsed.tree);
      cached.issues = std::move(parsed.issues);
    } else {
      cached.read_error = "cannot read " + file.string() + ": " + error;
    }
  }
  if (root == HKEY_LOCAL_MACHINE) cached.tree.Create(kRunKeyPath);
  if (bytes_out) *bytes_out = std::move(bytes);
  return cached;
}

const RegTree& RegistryStore::Load(RegRoot root) {
  auto pending = pending_.find(root);
  if (pending != pending_.end() && pending->second->usable) return pending->second->tree;
  auto it = cache_.find(root);
  if (it != cache_.end() && it->second.signature == FileSignature(HiveFile(root))) return it->second.tree;
  auto& slot = cache_[root];
  slot = ReadHive(root);
  return slot.tree;
}

bool RegistryStore::Begin(RegRoot root) {
  if (pending_.count(root)) return false;
  auto pending = std::make_unique<Pending>();
  fs::path file = HiveFile(root);
  if (*RootName(root) != '\0' && IsWritableByUser(file)) {
    std::error_code ec;
    if (!fs::exists(paths_.settings_dir, ec)) {
      fs::create_directories(paths_.settings_dir, ec);
      fs::permissions(paths_.settings_dir, fs::perms::owner_all, fs::perm_options::replace, ec);
    }
    pending->lock = std::make_unique<HiveLock>(paths_.settings_dir / ("." + file.filename().string() + ".lock"));
    if (pending->lock->held()) {
      // Under the lock, start from what is on disk now, not from the cache:
      // another process may have written since we last looked.
      Cached fresh = ReadHive(root, &pending->on_disk);
      if (fresh.read_error.empty()) {
        pending->tree = fresh.tree;
        pending->damaged = !fresh.issues.empty();
        pending->usable = true;
      }
      cache_[root] = std::move(fresh);
    }
  }
  pending_[root] = std::move(pending);
  return true;
}

bool RegistryStore::Usable(RegRoot root) const {
  auto it = pending_.find(root);
  return it != pending_.end() && it->second->usable;
}

bool RegistryStore::Commit(RegRoot root) {
  auto it = pending_.find(root);
  if (it == pending_.end()) return false;
  std::unique_ptr<Pending> pending = std::move(it->second);
  pending_.erase(it);
  if (!pending->usable) return false;
  if (!pending->changed) return true;
  fs::path file = HiveFile(root);
  if (pending->damaged && !BackUpDamagedHive(file, pending->on_disk)) return false;
  // Every writer holds the lock while its temporary file exists, so any
  // found now belongs to a save that was killed.
  RemoveStaleTempFiles(file);
  if (!ReplaceFileAtomically(file, FormatRegFile(pending->tree, root))) return false;
  Cached fresh;
  fresh.signature = FileSignature(file);
  fresh.tree = std::move(pending->tree);
  cache_[root] = std::move(fresh);
  return true;
}

RegistryStore::Transaction::Transaction(RegistryStore& store, RegRoot root)
    : store_(store), root_(root), owner_(store.Begin(root)) {}

RegistryStore::Transaction::~Transaction() {
  if (owner_) store_.pending_.erase(root_);
}

bool RegistryStore::Transaction::Commit() {
  if (!owner_) return store_.Usable(root_);
  owner_ = false;
  return store_.Commit(root_);
}

template <typename Change>
bool RegistryStore::Modify(RegRoot root, Change&& change) {
  Transaction transaction(*this, root);
  Pending& pending = *pending_.at(root);
  if (!pending.usable || !change(pending.tree)) return false;
  pending.changed = true;
  return transaction.Commit();
}

bool RegistryStore::KeyExists(RegRoot root, std::string_view path) {
  if (*RootName(root) == '\0') return false;
  return Load(root).Find(path) != nullptr;
}

bool RegistryStore::KeyWritable(RegRoot root, std::string_view path) {
  if (IsRunKey(root, path)) return IsWritableByUser(paths_.autostart_dir);
  if (*RootName(root) == '\0' || !IsWritableByUser(HiveFile(root))) return false;
  Load(root);
  return Usable(root) || cache_[root].read_error.empty();
}

bool RegistryStore::CreateKey(RegRoot root, std::string_view path) {
  if (KeyExists(root, path)) return true;
  if (!IsValidKeyPath(path)) return false;
  return Modify(root, [&](RegTree& tree) {
    tree.Create(path);
    return true;
  });
}

bool RegistryStore::DeleteKey(RegRoot root, std::string_view path) {
  if (SplitKeyPath(path).empty() || IsRunKey(root, path)) return false;
  const RegKey* key = Load(root).Find(path);
  if (!key || !key->subkeys.empty()) return false;
  return Modify(root, [&](RegTree& tree) {
    const RegKey* fresh = tree.Find(path);
    return fresh && fresh->subkeys.empty() && tree.Remove(path);
  });
}

std::optional<std::vector<std::string>> RegistryStore::EnumSubkeys(RegRoot root, std::string_view path) {
  if (*RootName(root) == '\0') return std::nullopt;
  const RegKey* key = Load(root).Find(path);
  if (!key) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& [lower, child] : key->subkeys) names.push_back(child->name);
  return names;
}

std::optional<std::vector<std::string>> RegistryStore::EnumValueNames(RegRoot root, std::string_view path) {
  if (IsRunKey(root, path)) {
    std::vector<std::string> names;
    for (const RunEntry& e : ReadRunEntries(paths_.autostart_dir)) names.push_back(e.value.name);
    return names;
  }
  if (*RootName(root) == '\0') return std::nullopt;
  const RegKey* key = Load(root).Find(path);
  if (!key) return std::nullopt;
  std::vector<std::string> names;
  for (const RegValue& v : key->values()) names.push_back(v.name);
  return names;
}

std::optional<RegValue> RegistryStore::QueryValue(RegRoot root, std::string_view path, std::string_view name) {
  if (IsRunKey(root, path)) {
    for (RunEntry& e : ReadRunEntries(paths_.autostart_dir))
      if (EqualsIgnoreCase(e.value.name, name)) return std::move(e.value);
    return std::nullopt;
  }
  if (*RootName(root) == '\0') return std::nullopt;
  const RegKey* key = Load(root).Find(path);
  if (!key) return std::nullopt;
  if (const RegValue* v = key->FindValue(name)) return *v;
  return std::nullopt;
}

bool RegistryStore::SetValue(RegRoot root, std::string_view path, const RegValue& value) {
  if (IsRunKey(root, path)) {
    if (!IsWritableByUser(paths_.autostart_dir)) return false;
    std::error_code ec;
    fs::create_directories(paths_.autostart_dir, ec);
    fs::path file = paths_.autostart_dir / DesktopFileName(value.name);
    RegValue stored = value;
    for (const RunEntry& e : ReadRunEntries(paths_.autostart_dir)) {
      if (EqualsIgnoreCase(e.value.name, value.name)) {
        file = e.file;  // names are case-preserving: keep the first spelling
        stored.name = e.value.name;
      }
    }
    return ReplaceFileAtomically(file, RunEntryText(stored));
  }
  return Modify(root, [&](RegTree& tree) {
    RegKey* key = tree.Find(path);
    if (!key) return false;  // deleted by someone else since it was opened
    key->SetValue(value);
    return true;
  });
}

bool RegistryStore::DeleteValue(RegRoot root, std::string_view path, std::string_view name) {
  if (IsRunKey(root, path)) {
    if (!IsWritableByUser(paths_.autostart_dir)) return false;
    for (const RunEntry& e : ReadRunEntries(paths_.autostart_dir)) {
      if (EqualsIgnoreCase(e.value.name, name)) return ::unlink(e.file.c_str()) == 0;
    }
    return false;
  }
  const RegKey* key = Load(root).Find(path);
  if (!key || !key->FindValue(name)) return false;
  return Modify(root, [&](RegTree& tree) {
    RegKey* fresh = tree.Find(path);
    return fresh && fresh->DeleteValue(name);
  });
}

std::vector<ParseIssue> RegistryStore::Issues(RegRoot root) {
  Load(root);
  return cache_[root].issues;
}

std::vector<std::string> RegistryStore::UnreadableHives() const {
  std::vector<std::string> lines;
  for (const auto& [root, cached] : cache_) {
    if (!cached.read_error.empty()) lines.push_back(cached.read_error);
  }
  return lines;
}

}  // namespace vantile
