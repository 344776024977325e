// AppLog: the main program's plain-text trace, written only with "/debug".
// Lines end in CR LF. Nothing is written while no file is open, and a file
// that cannot be opened leaves the log closed rather than failing anything.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace vantile {

class AppLog {
 public:
  AppLog() = default;
  ~AppLog() { CloseLog(); }
  AppLog(const AppLog&) = delete;
  AppLog& operator=(const AppLog&) = delete;

  // Starts a new log, replacing any file of that name. False when the file
  // cannot be opened (the log then stays closed).
  bool CreateLog(const std::string& sFilename);
  // Continues a log: a separator line, then a new start line.
  bool AppendLog(const std::string& sFilename);
  // Type 0 information, 1 error, anything else writes nothing.
  void LogEvent(std::string_view sEvent, std::int32_t iEventType = 0);
  void CloseLog();

  bool LogIsOpen() const { return LogIsOpen_; }
  const std::string& LogFileName() const { return LogFileName_; }

 private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  bool Open(const std::string& sFilename, const char* mode, bool separator);
  void WriteLine(std::string_view text);

  std::string LogFileName_;
  std::unique_ptr<std::FILE, FileCloser> LogFile_;
  bool LogIsOpen_ = false;
};

// "Log Started:  " and the local date and time as the locale's short date and
// long time.
std::string LogStartLine();

}  // namespace vantile
