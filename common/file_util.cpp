#include "common/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

namespace vantile {
namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

std::string TempPrefix(const fs::path& target) { return "." + target.filename().string() + ".tmp-"; }

fs::path FolderOf(const fs::path& path) {
  fs::path folder = path.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

}  // namespace

fs::path ResolveLinks(const fs::path& path) {
  // The kernel's own limit on links followed while resolving one path.
  constexpr int kMaxLinks = 40;
  fs::path current = path;
  for (int i = 0; i < kMaxLinks; ++i) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::error_code ec;
    fs::path target = fs::read_symlink(current, ec);
    if (ec) return current;
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return path;
}

bool IsWritableByUser(const fs::path& path) {
  fs::path probe = ResolveLinks(path);
  struct stat st {};
  // Walk up to the nearest thing that exists: that is what a write or a
  // create would have to change.
  while (::stat(probe.c_str(), &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return false;
    fs::path parent = FolderOf(probe);
    if (parent == probe) return false;
    probe = parent;
  }
  if ((st.st_mode & 0222) == 0) return false;
  if (::access(probe.c_str(), W_OK) != 0) return false;
  if (S_ISDIR(st.st_mode) && ::access(probe.c_str(), X_OK) != 0) return false;
  // A file is replaced by renaming a new one over it, so its folder must be
  // writable too.
  if (!S_ISDIR(st.st_mode)) {
    fs::path folder = FolderOf(probe);
    struct stat dst {};
    if (::stat(folder.c_str(), &dst) != 0 || (dst.st_mode & 0222) == 0 ||
        ::access(folder.c_str(), W_OK | X_OK) != 0)
      return false;
  }
  return true;
}

bool ReplaceFileAtomically(const fs::path& path, std::string_view contents) {
  const fs::path target = ResolveLinks(path);
  const fs::path folder = FolderOf(target);
  std::error_code ec;
  fs::create_directories(folder, ec);

  std::random_device rd;
  fs::path temp = folder / (TempPrefix(target) + std::to_string(::getpid()) + "-" + std::to_string(rd()));
  {
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.get() < 0) return false;
    // Keep the permissions of the file being replaced.
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) ::fchmod(fd.get(), st.st_mode & 07777);
    if (!WriteAll(fd.get(), contents) || ::fsync(fd.get()) != 0 || !fd.Close()) {
      ::unlink(temp.c_str());
      return false;
    }
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

void RemoveStaleTempFiles(const fs::path& path) {
  const fs::path target = ResolveLinks(path);
  const std::string prefix = TempPrefix(target);
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(FolderOf(target), ec)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) fs::remove(entry.path(), ec);
  }
}

bool WriteNewFile(const fs::path& path, std::string_view contents) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (fd.get() < 0) return false;
  if (!WriteAll(fd.get(), contents) || ::fsync(fd.get()) != 0 || !fd.Close()) {
    const int error = errno;  // the caller reads why, not the clean-up's result
    ::unlink(path.c_str());
    errno = error;
    return false;
  }
  return true;
}

bool ReadWholeFile(const fs::path& path, std::string& contents, std::string* error) {
  auto fail = [&] {
    if (error) *error = std::strerror(errno);
    return false;
  };
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return fail();
  std::string data;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail();
    }
    data.append(buffer, static_cast<std::size_t>(n));
  }
  contents = std::move(data);
  return true;
}

fs::path ProgramPath() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe;
}

fs::path ProgramFolder() { return ProgramPath().parent_path(); }

fs::path ConfigHome() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return fs::path(config);
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/") / ".config";
}

}  // namespace vantile
