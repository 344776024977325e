// Starting programs and opening things for the "open" action. Programs are
// exec'd directly (page text never reaches a shell); everything else goes to
// the default application that GIO finds through the XDG MIME associations.
#include "common/gtk/gio_launcher.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cstring>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>
#include <filesystem>

#include "common/gtk/child_environment.h"
#include "common/gtk/glib_util.h"
#include "common/text.h"

namespace vantile {
namespace {

namespace fs = std::filesystem;

LaunchResult Ok() { return LaunchResult{true, {}}; }
LaunchResult Fail(std::string text) { return LaunchResult{false, std::move(text)}; }

// A file we would run rather than open: executable for us, and either a
// binary or a script with an interpreter line. Without that test a document
// with the execute bit (everything on a FAT stick) would be handed to
// /bin/sh by exec's ENOEXEC fallback.
bool IsRunnableFile(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec) || access(path.c_str(), X_OK) != 0) return false;
  std::ifstream in(path, std::ios::binary);
  std::array<char, 4> magic{};
  in.read(magic.data(), magic.size());
  if (in.gcount() >= 2 && magic[0] == '#' && magic[1] == '!') return true;
  return in.gcount() == 4 && magic[0] == '\x7f' && magic[1] == 'E' && magic[2] == 'L' &&
         magic[3] == 'F';
}

// Owners of posix_spawn's two setting records.
struct SpawnActions {
  posix_spawn_file_actions_t value;
  SpawnActions() { posix_spawn_file_actions_init(&value); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&value); }
};
struct SpawnAttributes {
  posix_spawnattr_t value;
  SpawnAttributes() { posix_spawnattr_init(&value); }
  ~SpawnAttributes() { posix_spawnattr_destroy(&value); }
};

// `name` on PATH: only folders PATH names by absolute path count. An empty
// or relative entry would mean the current folder, which is wherever we were
// started from, not a place the user put programs.
std::string FindOnPath(const std::string& name) {
  const char* path = g_getenv("PATH");
  std::string_view rest = path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string folder(rest.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    if (folder.empty() || folder.front() != '/') continue;
    const fs::path candidate = fs::path(folder) / name;
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec) && access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return {};
}

std::string SchemeOf(const std::string& text) {
  const char* scheme = g_uri_peek_scheme(text.c_str());
  if (!scheme) return {};
  std::string s = scheme;  // already lower case
  return s.size() >= 2 ? s : std::string();  // "c:" is a drive, not a scheme
}

}  // namespace

LaunchResult OpenUriWithDefault(const std::string& uri) {
  GError* raw = nullptr;
  if (!g_app_info_launch_default_for_uri(uri.c_str(), ChildLaunchContext().get(), &raw)) {
    GErrorPtr error(raw);
    return Fail("open " + uri + ": " + ErrorText(error));
  }
  return Ok();
}

namespace {

LaunchResult OpenPathWithDefault(const fs::path& path) {
  GError* raw = nullptr;
  GCharPtr uri(g_filename_to_uri(fs::absolute(path).c_str(), nullptr, &raw));
  GErrorPtr error(raw);
  if (!uri) return Fail("open " + path.string() + ": " + ErrorText(error));
  return OpenUriWithDefault(uri.get());
}

std::string DecodeMountField(std::string_view field) {
  // /proc/self/mounts writes space, tab, newline and backslash as \ooo.
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const auto d = field.substr(i + 1, 3);
      if (d.size() == 3 && std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        out.push_back(static_cast<char>((d[0] - '0') * 64 + (d[1] - '0') * 8 + (d[2] - '0')));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

bool IsDiskFileSystem(const std::string& type) {
  static constexpr std::array<std::string_view, 21> kDisk = {
      "ext2", "ext3", "ext4", "xfs", "btrfs", "vfat", "exfat", "ntfs", "ntfs3", "fuseblk", "f2fs",
      "jfs", "reiserfs", "zfs", "hfs", "hfsplus", "iso9660", "udf", "nilfs2", "bcachefs", "msdos"};
  return std::find(kDisk.begin(), kDisk.end(), type) != kDisk.end();
}

bool IsSystemMountPoint(const std::string& point) {
  for (std::string_view prefix : {"/proc", "/sys", "/dev", "/boot", "/snap"}) {
    if (point == prefix || point.rfind(std::string(prefix) + "/", 0) == 0) return true;
  }
  return false;
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

}  // namespace

bool IsStartableProgram(const std::filesystem::path& path) { return IsRunnableFile(path); }

LaunchResult StartProgram(const std::string& program, const std::string& parameters,
                          const std::string& directory) {
  std::string resolved = program;
  if (program.find('/') == std::string::npos) {
    resolved = FindOnPath(program);
    if (resolved.empty()) return Fail("start " + program + ": not found on PATH");
  }
  const auto arguments = SplitCommandLine(parameters);
  if (!arguments) return Fail("start " + program + ": unterminated quote in parameters: " + parameters);
  if (!directory.empty() && !IsFolder(directory)) {
    return Fail("start " + program + ": working folder does not exist: " + directory);
  }

  std::vector<char*> argv;
  argv.push_back(resolved.data());
  std::vector<std::string> args = *arguments;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  // posix_spawn rather than g_spawn or execvp: their fallback hands a file
  // the kernel refuses to run (no valid program, no "#!" line) to /bin/sh,
  // which would run its lines. Here such a file fails with ENOEXEC; a "#!"
  // script still runs through its interpreter, started by the kernel.
  SpawnActions actions;
  posix_spawn_file_actions_addopen(&actions.value, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions.value, directory.c_str());
  posix_spawn_file_actions_addclosefrom_np(&actions.value, STDERR_FILENO + 1);
  // The child leaves our session so that it outlives us and is not hit by
  // signals sent to our process group (it is a program the user started,
  // not a helper of ours), and starts with default signal handling.
  SpawnAttributes attributes;
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes.value, &none);
  posix_spawnattr_setsigdefault(&attributes.value, &all);
  posix_spawnattr_setflags(&attributes.value, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> environment = ChildEnvironment();
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, resolved.c_str(), &actions.value, &attributes.value, argv.data(), environment.data());
  if (failed != 0) return Fail("start " + resolved + ": " + std::strerror(failed));
  // Reaped from the main loop when it ends, so no zombie stays behind.
  g_child_watch_add(pid, [](GPid child, gint, gpointer) { g_spawn_close_pid(child); }, nullptr);
  return Ok();
}

LaunchResult OpenListedProgram(const std::string& entry, const std::string& parameters,
                               const std::string& directory) {
  if (entry.empty()) return Fail("start: nothing to start");
  if (!SchemeOf(entry).empty() || entry.front() == '/') return OpenTarget(entry, parameters, directory);
  // A relative entry must not be found in the link's folder (dir= is part of
  // the link, written by whoever wrote the page) nor in ours.
  if (entry.find('/') != std::string::npos) {
    return Fail("start " + entry + ": a relative path names no program; list the full path");
  }
  return StartProgram(entry, parameters, directory);
}

std::string ListedProgramPath(const std::string& entry) {
  if (entry.empty()) return {};
  if (!SchemeOf(entry).empty() || entry.front() == '/') return entry;
  if (entry.find('/') != std::string::npos) return {};
  return FindOnPath(entry);
}

LaunchResult OpenTarget(const std::string& target, const std::string& parameters,
                        const std::string& directory) {
  if (target.empty()) return Fail("open: nothing to open");

  std::string path_text = target;
  const std::string scheme = SchemeOf(target);
  if (scheme == "file") {
    GCharPtr local(g_filename_from_uri(target.c_str(), nullptr, nullptr));
    if (!local) return Fail("open " + target + ": not a local file address");
    path_text = local.get();
  } else if (!scheme.empty()) {
    return OpenUriWithDefault(target);
  }

  fs::path path(path_text);
  if (path.is_relative() && !directory.empty()) path = fs::path(directory) / path;
  std::error_code ec;
  const bool exists = fs::exists(path, ec);

  if (exists && IsRunnableFile(path)) return StartProgram(path.string(), parameters, directory);
  if (exists) return OpenPathWithDefault(path);
  if (path_text.find('/') == std::string::npos) return StartProgram(path_text, parameters, directory);
  return Fail("open " + path_text + ": no such file or folder");
}

LaunchResult OpenFolderWindow(const std::string& folder) {
  std::string path = folder.empty() ? std::string(g_get_home_dir()) : folder;
  if (SchemeOf(path) == "file") {
    GCharPtr local(g_filename_from_uri(path.c_str(), nullptr, nullptr));
    if (!local) return Fail("open folder " + folder + ": not a local file address");
    path = local.get();
  }
  if (!IsFolder(path)) return Fail("open folder " + path + ": no such folder");

  auto app = GObjectPtr<GAppInfo>(g_app_info_get_default_for_type("inode/directory", FALSE));
  if (!app) return Fail("open folder " + path + ": no file manager is registered for inode/directory");
  auto file = GObjectPtr<GFile>(g_file_new_for_path(path.c_str()));
  GList files{};
  files.data = file.get();
  GError* raw = nullptr;
  const gboolean launched = g_app_info_launch(app.get(), &files, ChildLaunchContext().get(), &raw);
  GErrorPtr error(raw);
  if (!launched) {
    return Fail("open folder " + path + " with " + g_app_info_get_name(app.get()) + ": " + ErrorText(error));
  }
  return Ok();
}

LaunchResult OpenSettingsProgram() {
  struct Candidate {
    const char* desktop;  // an XDG_CURRENT_DESKTOP token
    const char* program;
  };
  static constexpr std::array<Candidate, 12> kCandidates = {{
      {"GNOME", "gnome-control-center"},
      {"KDE", "systemsettings"},
      {"KDE", "systemsettings5"},
      {"XFCE", "xfce4-settings-manager"},
      {"MATE", "mate-control-center"},
      {"X-Cinnamon", "cinnamon-settings"},
      {"LXQt", "lxqt-config"},
      {"Budgie", "budgie-control-center"},
      {"Unity", "unity-control-center"},
      {"Pantheon", "io.elementary.switchboard"},
      {"Deepin", "dde-control-center"},
      {"LXDE", "lxappearance"},
  }};
  const char* current = g_getenv("XDG_CURRENT_DESKTOP");
  const std::string desktops = current ? std::string(":") + current + ":" : std::string();
  auto on_path = [](const char* program) { return GCharPtr(g_find_program_in_path(program)) != nullptr; };

  for (const auto& c : kCandidates) {
    if (desktops.find(std::string(":") + c.desktop + ":") != std::string::npos && on_path(c.program)) {
      return StartProgram(c.program, "", "");
    }
  }
  for (const auto& c : kCandidates) {
    if (on_path(c.program)) return StartProgram(c.program, "", "");
  }
  return Fail("open control panel: no desktop settings program is installed");
}

std::vector<std::string> LocalMountPointsFrom(std::string_view mounts_table,
                                              bool (*is_folder)(const std::string&)) {
  std::vector<std::string> points{"/"};
  std::istringstream lines{std::string(mounts_table)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string source, point, type;
    if (!(fields >> source >> point >> type)) continue;
    source = DecodeMountField(source);
    point = DecodeMountField(point);
    const bool local = IsDiskFileSystem(type) || (source.rfind("/dev/", 0) == 0 && type != "squashfs");
    if (!local || IsSystemMountPoint(point) || !is_folder(point)) continue;
    if (std::find(points.begin(), points.end(), point) != points.end()) continue;
    points.push_back(point);
  }
  for (auto& p : points) {
    if (p.empty() || p.back() != '/') p.push_back('/');
  }
  return points;
}

std::vector<std::string> LocalMountPoints() {
  std::ifstream in("/proc/self/mounts");
  std::stringstream text;
  text << in.rdbuf();
  return LocalMountPointsFrom(text.str(), IsFolder);
}

}  // namespace vantile
