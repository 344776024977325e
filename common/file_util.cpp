#include "common/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

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

}  // namespace

bool IsWritableByUser(const fs::path& path) {
  fs::path probe = path;
  struct stat st {};
  // Walk up to the nearest thing that exists: that is what a write or a
  // create would have to change.
  while (::stat(probe.c_str(), &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return false;
    fs::path parent = probe.parent_path();
    if (parent.empty() || parent == probe) return false;
    probe = parent;
  }
  if ((st.st_mode & 0222) == 0) return false;
  if (::access(probe.c_str(), W_OK) != 0) return false;
  if (S_ISDIR(st.st_mode) && ::access(probe.c_str(), X_OK) != 0) return false;
  // A file is replaced by renaming a new one over it, so its folder must be
  // writable too.
  if (!S_ISDIR(st.st_mode)) {
    fs::path folder = probe.parent_path();
    if (folder.empty()) folder = ".";
    struct stat dst {};
    if (::stat(folder.c_str(), &dst) != 0 || (dst.st_mode & 0222) == 0 ||
        ::access(folder.c_str(), W_OK | X_OK) != 0)
      return false;
  }
  return true;
}

bool ReplaceFileAtomically(const fs::path& path, std::string_view contents) {
  fs::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  fs::create_directories(folder, ec);

  std::random_device rd;
  fs::path temp = folder / ("." + path.filename().string() + ".tmp-" + std::to_string(::getpid()) +
                            "-" + std::to_string(rd()));
  {
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.get() < 0) return false;
    // Keep the permissions of the file being replaced.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) ::fchmod(fd.get(), st.st_mode & 07777);
    if (!WriteAll(fd.get(), contents) || ::fsync(fd.get()) != 0 || !fd.Close()) {
      ::unlink(temp.c_str());
      return false;
    }
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

bool ReadWholeFile(const fs::path& path, std::string& contents) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return false;
  contents = std::move(buffer).str();
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
