// Runs a piece of a test as an ordinary user. Tests may run as root, and
// root reads and writes files whatever their permissions say; people do not.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

namespace vantile::testing {

// Runs `body` in a child process as an ordinary user who owns `home` and
// everything in it. The result is the child's exit status, 0 when `body`
// returned true.
template <typename Body>
int AsOrdinaryUser(const std::filesystem::path& home, Body body) {
  constexpr uid_t kNobody = 65534;
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0) {
      std::error_code ec;
      if (::chown(home.c_str(), kNobody, kNobody) != 0) ::_exit(90);
      for (auto it = std::filesystem::recursive_directory_iterator(home, ec);
           it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (::lchown(it->path().c_str(), kNobody, kNobody) != 0) ::_exit(91);
      if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(92);
    }
    ::_exit(body() ? 0 : 1);
  }
  int status = -1;
  ::waitpid(pid, &status, 0);
  return status;
}

}  // namespace vantile::testing
