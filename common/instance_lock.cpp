#include "common/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "common/file_util.h"

namespace vantile {

namespace fs = std::filesystem;

namespace {

// A folder for our locks must be ours alone: a folder another user made
// (the temp folder is shared) would let them hold the lock, or swap the
// lock file, and keep Vantile from starting. Creates it when missing; false
// when it is a link, not a folder, or someone else's.
bool PrivateFolder(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder.parent_path().parent_path(), ec);
  ::mkdir(folder.parent_path().c_str(), 0700);  // a runtime or settings folder is private too
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
  return (st.st_mode & 077) == 0 || ::chmod(folder.c_str(), 0700) == 0;
}

}  // namespace

InstanceLock::InstanceLock(InstanceLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

fs::path InstanceLock::LockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return fs::path(runtime) / "vantile";
  // Without a runtime folder: our own folder under the temp folder, unless
  // someone else took that name first; then one in our settings folder,
  // which nobody else can create.
  fs::path shared = fs::temp_directory_path() / ("vantile-" + std::to_string(::getuid()));
  if (PrivateFolder(shared)) return shared;
  return ConfigHome() / "vantile" / ".locks";
}

static int OpenLockFile(const std::string& name) {
  fs::path folder = InstanceLock::LockFolder();
  if (!PrivateFolder(folder)) return -1;
  fs::path file = folder / (name + ".lock");
  return ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

InstanceLock::Result InstanceLock::TryAcquire(const std::string& name) {
  Release();
  int fd = OpenLockFile(name);
  if (fd < 0) return Result::Failed;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    ::close(fd);
    return err == EWOULDBLOCK ? Result::HeldElsewhere : Result::Failed;
  }
  fd_ = fd;
  return Result::Acquired;
}

bool InstanceLock::IsHeldElsewhere(const std::string& name) {
  int fd = OpenLockFile(name);
  if (fd < 0) return false;
  bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);  // closing drops the shared lock we may have taken
  return held;
}

void InstanceLock::Release() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace vantile
