#include "common/gtk/gio_launcher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace vantile {
namespace {

namespace fs = std::filesystem;

bool AlwaysFolder(const std::string&) { return true; }
bool NeverHosts(const std::string& path) { return path != "/etc/hosts"; }

TEST(LocalMountPoints, KeepsDiskFileSystemsRootFirstAndDecodesEscapes) {
  const std::string mounts =
      "overlay / overlay rw 0 0\n"
      "proc /proc proc rw 0 0\n"
      "tmpfs /tmp tmpfs rw 0 0\n"
      "/dev/sda2 /home ext4 rw 0 0\n"
      "/dev/sda1 /boot/efi vfat rw 0 0\n"
      "/dev/sdb1 /media/me/USB\\040STICK vfat rw 0 0\n"
      "server:/export /mnt/nfs nfs4 rw 0 0\n"
      "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
      "/dev/sda2 /etc/hosts ext4 rw 0 0\n"
      "/dev/sda2 /home ext4 rw 0 0\n"
      "/dev/sdc1 /mnt/windows fuseblk rw 0 0\n";
  EXPECT_EQ(LocalMountPointsFrom(mounts, NeverHosts),
            (std::vector<std::string>{"/", "/home/", "/media/me/USB STICK/", "/mnt/windows/"}));
}

TEST(LocalMountPoints, RootIsListedEvenWhenTheTableIsEmpty) {
  EXPECT_EQ(LocalMountPointsFrom("", AlwaysFolder), (std::vector<std::string>{"/"}));
  EXPECT_EQ(LocalMountPointsFrom("/dev/sda1 / ext4 rw 0 0\n", AlwaysFolder), (std::vector<std::string>{"/"}));
}

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("vantile-launcher-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "work dir");
    log_ = folder_ / "runs.log";
    recorder_ = folder_ / "recorder.sh";
    std::ofstream(recorder_) << "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; echo end; } >> '"
                             << log_.string() << "'\n";
    fs::permissions(recorder_, fs::perms::owner_all);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // What the recorder wrote once it has finished (it runs detached).
  std::string WaitForLog() {
    for (int i = 0; i < 100; ++i) {
      std::ifstream in(log_);
      std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (text.find("end\n") != std::string::npos) return text;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return "";
  }

  fs::path folder_, log_, recorder_;
};

TEST_F(LauncherTest, StartsAProgramDirectlyWithSplitArgumentsInTheWorkingFolder) {
  const auto work = (folder_ / "work dir").string();
  ASSERT_TRUE(OpenTarget(recorder_.string(), "one 'two three' \"$HOME\" ;touch pwned", work).ok);
  EXPECT_EQ(WaitForLog(), work + "\n[one]\n[two three]\n[$HOME]\n[;touch]\n[pwned]\nend\n");
  EXPECT_FALSE(fs::exists(work + "/pwned"));
}

TEST_F(LauncherTest, ReportsWhatCannotBeStarted) {
  const auto unterminated = OpenTarget(recorder_.string(), "'open", "");
  EXPECT_FALSE(unterminated.ok);
  EXPECT_NE(unterminated.error.find("quote"), std::string::npos) << unterminated.error;
  EXPECT_FALSE(OpenTarget(recorder_.string(), "", (folder_ / "missing").string()).ok);
  EXPECT_FALSE(OpenTarget((folder_ / "missing.sh").string(), "", "").ok);
  EXPECT_FALSE(OpenTarget("no-such-program-anywhere", "", "").ok);
  EXPECT_FALSE(OpenTarget("", "", "").ok);
  EXPECT_FALSE(OpenFolderWindow((folder_ / "missing").string()).ok);
}

TEST_F(LauncherTest, AnExecutableDocumentIsNeverRunByAShell) {
  // A text file with the execute bit (as everything on a FAT stick has):
  // exec would hand it to /bin/sh, which would run its lines.
  const auto document = folder_ / "notes.txt";
  std::ofstream(document) << "touch '" << (folder_ / "ran").string() << "'\n";
  fs::permissions(document, fs::perms::owner_all);
  OpenTarget(document.string(), "", "");  // opens in a viewer, or fails: either way it is not run
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(fs::exists(folder_ / "ran"));
}

TEST_F(LauncherTest, AFileThatIsNoValidProgramFailsInsteadOfGoingToAShell) {
  // The ELF magic passes the "is it a program" test, but the kernel refuses
  // the file; a shell fallback would run its lines.
  const auto fake = folder_ / "fake-program";
  std::ofstream(fake) << "\x7f" "ELF\ntouch '" << (folder_ / "ran").string() << "'\n";
  fs::permissions(fake, fs::perms::owner_all);
  EXPECT_FALSE(OpenTarget(fake.string(), "", "").ok);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(fs::exists(folder_ / "ran"));
}

TEST_F(LauncherTest, AListedNameIsFoundOnPathOnlyNeverInTheLinksFolder) {
  // The link's folder holds a program of the listed name; so does a folder
  // on PATH. Only the one on PATH may run, in the link's folder.
  const auto usb = folder_ / "usb";
  const auto bin = folder_ / "bin";
  fs::create_directories(usb);
  fs::create_directories(bin);
  std::ofstream(usb / "tool") << "#!/bin/sh\ntouch '" << (folder_ / "usb-tool-ran").string() << "'\n";
  fs::permissions(usb / "tool", fs::perms::owner_all);
  fs::copy_file(recorder_, bin / "tool");
  const std::string saved_path = getenv("PATH");
  for (const std::string& path : std::vector<std::string>{".", "", "usb", "bin"}) {
    setenv("PATH", path.c_str(), 1);
    ::chdir(folder_.c_str());
    EXPECT_FALSE(OpenListedProgram("tool", "", usb.string()).ok) << "PATH=" << path;
  }
  EXPECT_FALSE(OpenListedProgram("./tool", "", usb.string()).ok);
  EXPECT_FALSE(OpenListedProgram("usb/tool", "", folder_.string()).ok);
  setenv("PATH", (":" + bin.string() + ":/usr/bin:/bin").c_str(), 1);
  EXPECT_TRUE(OpenListedProgram("tool", "x", usb.string()).ok);
  setenv("PATH", saved_path.c_str(), 1);
  EXPECT_EQ(WaitForLog(), usb.string() + "\n[x]\nend\n");
  EXPECT_FALSE(fs::exists(folder_ / "usb-tool-ran"));
}

TEST_F(LauncherTest, ARelativeProgramIsFoundInTheWorkingFolder) {
  ASSERT_TRUE(OpenTarget("recorder.sh", "x", folder_.string()).ok);
  EXPECT_EQ(WaitForLog(), folder_.string() + "\n[x]\nend\n");
}

}  // namespace
}  // namespace vantile
