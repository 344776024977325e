#include "shell/gtk/watches/web_memory_watch.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace vantile {

namespace {

// Without a web process (no page yet), /proc is walked every few seconds only.
constexpr int kSkipWhenNone = 4;

std::optional<pid_t> ParentOf(pid_t pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  FILE* file = std::fopen(path, "re");
  if (!file) return std::nullopt;
  char text[512] = {};
  const std::size_t read = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  // "pid (name) state ppid ...": the name may hold spaces and parentheses.
  const char* close = std::strrchr(text, ')');
  int parent = 0;
  if (read == 0 || !close || std::sscanf(close + 1, " %*c %d", &parent) != 1) return std::nullopt;
  return static_cast<pid_t>(parent);
}

bool IsWebProcess(pid_t pid) {
  char path[64], target[512];
  std::snprintf(path, sizeof path, "/proc/%d/exe", static_cast<int>(pid));
  const ssize_t length = readlink(path, target, sizeof target - 1);
  if (length <= 0) return false;
  target[length] = '\0';
  const char* name = std::strrchr(target, '/');
  return name && std::strcmp(name + 1, "WebKitWebProcess") == 0;
}

// The first web process among our descendants (the sandbox puts
// bubblewrap between), or 0.
pid_t FindWebProcess() {
  DIR* proc = opendir("/proc");
  if (!proc) return 0;
  std::vector<std::pair<pid_t, pid_t>> processes;  // pid, parent
  while (const dirent* entry = readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (*end != '\0' || pid <= 0) continue;
    if (const auto parent = ParentOf(static_cast<pid_t>(pid))) processes.emplace_back(static_cast<pid_t>(pid), *parent);
  }
  closedir(proc);
  std::vector<pid_t> ours{getpid()};
  for (std::size_t i = 0; i < ours.size(); ++i) {
    for (const auto& [pid, parent] : processes) {
      if (parent != ours[i]) continue;
      if (IsWebProcess(pid)) return pid;
      ours.push_back(pid);
    }
  }
  return 0;
}

std::optional<std::uint64_t> ResidentBytes(pid_t pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/statm", static_cast<int>(pid));
  FILE* file = std::fopen(path, "re");
  if (!file) return std::nullopt;
  unsigned long long size = 0, resident = 0;
  const bool read = std::fscanf(file, "%llu %llu", &size, &resident) == 2;
  std::fclose(file);
  if (!read) return std::nullopt;
  return resident * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

}  // namespace

WebMemoryWatch::WebMemoryWatch(std::uint32_t limit_mib, std::function<void()> over)
    : limit_bytes_(std::uint64_t{limit_mib} * 1024 * 1024), over_(std::move(over)) {
  // Once a second, on GLib's whole-second clock that the desktop's other
  // second timers share, so it adds no wake-up of its own.
  if (limit_bytes_) timer_ = g_timeout_add_seconds(1, OnTick, this);
}

WebMemoryWatch::~WebMemoryWatch() {
  if (timer_) g_source_remove(timer_);
}

gboolean WebMemoryWatch::OnTick(gpointer self) {
  static_cast<WebMemoryWatch*>(self)->Check();
  return G_SOURCE_CONTINUE;
}

void WebMemoryWatch::Check() {
  std::optional<std::uint64_t> resident = web_ ? ResidentBytes(web_) : std::nullopt;
  if (!resident) {
    // Not started yet, or ended (a crash, a new one since): looked for
    // again, which walks /proc, so only then.
    if (skip_ > 0) {
      --skip_;
      return;
    }
    web_ = FindWebProcess();
    if (!web_) {
      skip_ = kSkipWhenNone;
      return;
    }
    resident = ResidentBytes(web_);
  }
  if (resident && *resident > limit_bytes_) over_();
}

}  // namespace vantile
