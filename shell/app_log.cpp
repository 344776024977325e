#include "shell/app_log.h"

#include <cstdio>
#include <ctime>

namespace vantile {

std::string LogStartLine() {
  std::time_t now = std::time(nullptr);
  std::tm local {};
  localtime_r(&now, &local);
  char date[128] = "";
  char time[128] = "";
  std::strftime(date, sizeof date, "%x", &local);
  std::strftime(time, sizeof time, "%X", &local);
  return std::string("Log Started:  ") + date + " " + time;
}

bool AppLog::Open(const std::string& sFilename, const char* mode, bool separator) {
  CloseLog();
  LogFileName_ = sFilename;
  LogFile_.reset(std::fopen(sFilename.c_str(), mode));
  if (!LogFile_) return false;
  LogIsOpen_ = true;
  if (separator) WriteLine("=======================================");
  WriteLine(LogStartLine());
  return true;
}

bool AppLog::CreateLog(const std::string& sFilename) {
  std::remove(sFilename.c_str());  // a failure here is of no consequence
  return Open(sFilename, "wb", false);
}

bool AppLog::AppendLog(const std::string& sFilename) { return Open(sFilename, "ab", true); }

void AppLog::LogEvent(std::string_view sEvent, std::int32_t iEventType) {
  if (!LogIsOpen_) return;
  if (iEventType == 0) WriteLine(std::string("INFORMATION:  ").append(sEvent));
  else if (iEventType == 1) WriteLine(std::string("ERROR:  ").append(sEvent));
}

void AppLog::CloseLog() {
  if (!LogIsOpen_) return;
  LogFile_.reset();
  LogIsOpen_ = false;
}

void AppLog::WriteLine(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), LogFile_.get());
  std::fwrite("\r\n", 1, 2, LogFile_.get());
  // Flushed per line: the log is for finding out what happened before a
  // hang or a crash, so nothing may wait in a buffer.
  std::fflush(LogFile_.get());
}

}  // namespace vantile
