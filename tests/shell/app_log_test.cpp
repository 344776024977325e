#include "shell/app_log.h"

#include <gtest/gtest.h>

#include <regex>

#include "temp_dir.h"

namespace vantile {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(AppLog, CreateReplacesTheFileAndWritesCrLfLines) {
  TempDir dir;
  std::string file = (dir / "debug.log").string();
  WriteFile(file, "old contents\r\n");
  {
    AppLog log;
    ASSERT_TRUE(log.CreateLog(file));
    log.LogEvent("CreateMyPopupMenu:Begin");
    log.LogEvent("LoadPage:FileExists Failed", 1);
    log.LogEvent("never written", 2);
    log.LogEvent("");
  }  // releasing the object closes the file
  std::string text = ReadFile(file);
  std::regex expected(
      "Log Started:  [^\r\n]+ [^\r\n]+\r\n"
      "INFORMATION:  CreateMyPopupMenu:Begin\r\n"
      "ERROR:  LoadPage:FileExists Failed\r\n"
      "INFORMATION:  \r\n");
  EXPECT_TRUE(std::regex_match(text, expected)) << text;
  EXPECT_EQ(text.find("old contents"), std::string::npos);
  EXPECT_EQ(text.find("===="), std::string::npos);
}

TEST(AppLog, AppendAddsSeparatorAndStartLine) {
  TempDir dir;
  std::string file = (dir / "debug.log").string();
  WriteFile(file, "INFORMATION:  before\r\n");
  AppLog log;
  ASSERT_TRUE(log.AppendLog(file));
  log.LogEvent("after");
  log.CloseLog();
  EXPECT_FALSE(log.LogIsOpen());
  log.LogEvent("after close");
  log.CloseLog();
  std::string text = ReadFile(file);
  EXPECT_TRUE(std::regex_match(text, std::regex("INFORMATION:  before\r\n=======================================\r\n"
                                                "Log Started:  [^\r\n]+\r\nINFORMATION:  after\r\n")))
      << text;
}

TEST(AppLog, UnwritableFolderLeavesTheLogClosed) {
  TempDir dir;
  AppLog log;
  EXPECT_FALSE(log.CreateLog((dir / "missing" / "debug.log").string()));
  EXPECT_FALSE(log.LogIsOpen());
  log.LogEvent("nothing happens");
}

TEST(AppLog, StartLineUsesTheLocaleDateAndTime) {
  std::string line = LogStartLine();
  // In the C locale %x %X is MM/DD/YY HH:MM:SS.
  EXPECT_TRUE(std::regex_match(line, std::regex("Log Started:  \\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d"))) << line;
}

}  // namespace
}  // namespace vantile
