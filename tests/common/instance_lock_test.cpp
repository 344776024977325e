// The instance lock's folder when there is no runtime folder: the temp
// folder is shared by every user, so a folder of our name there counts only
// when it is ours and private.
#include "common/instance_lock.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <fcntl.h>

#include "temp_dir.h"

namespace vantile {
namespace {

using testing::TempDir;

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { old_.empty() ? ::unsetenv(name_) : ::setenv(name_, old_.c_str(), 1); }

 private:
  const char* name_;
  std::string old_;
};

TEST(InstanceLock, FallbackFolderIsUsedOnlyWhenItIsOursAndPrivate) {
  struct Case {
    const char* what;
    void (*make)(const std::filesystem::path& folder, const std::filesystem::path& elsewhere);
    bool used;
  };
  const Case cases[] = {
      {"missing: created private", [](const std::filesystem::path&, const std::filesystem::path&) {}, true},
      {"ours but open to all: made private",
       [](const std::filesystem::path& folder, const std::filesystem::path&) { ::mkdir(folder.c_str(), 0777); }, true},
      {"another user's, open to all",
       [](const std::filesystem::path& folder, const std::filesystem::path&) {
         ::mkdir(folder.c_str(), 0777);
         ::chmod(folder.c_str(), 0777);
         if (::chown(folder.c_str(), 65534, 65534) != 0) GTEST_SKIP() << "needs root to make another user's folder";
       },
       false},
      {"a link to a folder of someone's choosing",
       [](const std::filesystem::path& folder, const std::filesystem::path& elsewhere) {
         std::filesystem::create_directories(elsewhere);
         std::filesystem::create_directory_symlink(elsewhere, folder);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
    ScopedEnv tmp("TMPDIR", dir.path().c_str());
    ScopedEnv config("XDG_CONFIG_HOME", (dir / "config").c_str());
    const std::filesystem::path folder = dir / ("vantile-" + std::to_string(::getuid()));
    c.make(folder, dir / "elsewhere");
    if (::testing::Test::IsSkipped()) return;
    // Whoever made a folder that is not ours holds the lock in it.
    int theirs = c.used ? -1 : ::open((folder / "VantileMain.lock").c_str(), O_RDWR | O_CREAT, 0666);
    if (theirs >= 0) ::flock(theirs, LOCK_EX);

    EXPECT_EQ(InstanceLock::IsHeldElsewhere("VantileMain"), false);
    InstanceLock lock;
    EXPECT_EQ(lock.TryAcquire("VantileMain"), InstanceLock::Result::Acquired);
    EXPECT_EQ(InstanceLock::LockFolder() == folder, c.used);
    struct stat st {};
    ASSERT_EQ(::lstat(InstanceLock::LockFolder().c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, ::geteuid());
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    if (theirs >= 0) ::close(theirs);
  }
}

}  // namespace
}  // namespace vantile
