#include "common/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace vantile {

InstanceLock::InstanceLock(InstanceLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

std::filesystem::path InstanceLock::LockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::filesystem::path(runtime) / "vantile";
  return std::filesystem::temp_directory_path() / ("vantile-" + std::to_string(getuid()));
}

static int OpenLockFile(const std::string& name) {
  std::filesystem::path folder = InstanceLock::LockFolder();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace, ec);
  std::filesystem::path file = folder / (name + ".lock");
  return ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
