// A named lock held while a program runs, standing in for a named mutex: an
// exclusive flock on $XDG_RUNTIME_DIR/vantile/NAME.lock (or a per-user folder
// under the temp folder). The kernel releases it when the process dies. The
// folder must be the user's own and private; a folder of that name under the
// temp folder that another user made is never used.
#pragma once

#include <filesystem>
#include <string>

namespace vantile {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock() { Release(); }
  InstanceLock(InstanceLock&& other) noexcept;
  InstanceLock& operator=(InstanceLock&& other) noexcept;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  enum class Result { Acquired, HeldElsewhere, Failed };
  // Tries to take the lock without waiting.
  Result TryAcquire(const std::string& name);
  // Whether another process holds the lock now (without taking it).
  static bool IsHeldElsewhere(const std::string& name);
  void Release();
  bool held() const { return fd_ >= 0; }

  // The folder the locks live in: $XDG_RUNTIME_DIR/vantile; without it the
  // temp folder's vantile-UID when that is ours and private (created when
  // missing), else a folder in our settings folder.
  static std::filesystem::path LockFolder();

 private:
  int fd_ = -1;
};

}  // namespace vantile
