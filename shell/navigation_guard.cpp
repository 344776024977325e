#include "shell/navigation_guard.h"

#include <algorithm>

#include "common/text.h"

namespace vantile {

namespace {

constexpr std::string_view kLaunch = "launch:";
constexpr std::string_view kFolder = "folder:";
constexpr std::string_view kDir = "dir=";
constexpr std::string_view kParam = "param=";
constexpr const char* kFinished = "BeforeNavigate:Finished";

// The value of `key` in the query: from the first occurrence of the key at or
// after `from` (ignoring case) to the next "&" after it, or to the end.
std::string QueryValue(const std::string& rest, std::size_t from, std::string_view key) {
  std::size_t at = FindIgnoreCase(rest, key, from);
  if (at == std::string::npos) return {};
  std::size_t begin = at + key.size();
  std::size_t end = rest.find('&', at);
  if (end == std::string::npos) end = rest.size();
  return rest.substr(begin, end - begin);
}

}  // namespace

std::string GuardStartLine(std::string_view url) {
  return "BeforeNavigate:Start - " + std::string(url);
}

GuardDecision DecideNavigation(std::string_view url, const std::vector<std::string>& programs,
                               std::int32_t program_count) {
  GuardDecision decision;
  // Addresses this short cannot hold either link form; they pass without a
  // closing log line.
  if (url.size() < 4) return decision;

  if (std::size_t p = FindIgnoreCase(url, kLaunch); p != std::string_view::npos) {
    // Only these three decodings, in this order: a page author writes paths
    // with %5C and spaces as %20 or "+"; lower-case %5c is deliberately kept.
    std::string rest(url.substr(p + kLaunch.size()));
    rest = ReplaceAll(rest, "%20", " ");
    rest = ReplaceAll(rest, "%5C", "\\");
    rest = ReplaceAll(rest, "+", " ");

    std::string program = rest;
    std::string directory;
    std::string parameters;
    if (std::size_t q = rest.find('?'); q != std::string::npos) {
      directory = QueryValue(rest, q, kDir);
      parameters = QueryValue(rest, q, kParam);
      program = rest.substr(0, q);
    }

    // Exact comparison: a path that differs in case, in separators or by a
    // "./" is a different program as far as the allow-list is concerned.
    std::size_t count = program_count > 0 ? static_cast<std::size_t>(program_count) : 0;
    count = std::min(count, programs.size());
    bool allowed = std::find(programs.begin(), programs.begin() + static_cast<std::ptrdiff_t>(count),
                             program) != programs.begin() + static_cast<std::ptrdiff_t>(count);
    if (allowed) {
      decision.action = GuardDecision::Action::Launch;
      decision.program = std::move(program);
      decision.parameters = std::move(parameters);
      decision.directory = std::move(directory);
    }
    decision.cancel = true;
    return decision;
  }

  if (std::size_t f = FindIgnoreCase(url, kFolder); f != std::string_view::npos) {
    std::string folder(url.substr(f + kFolder.size()));
    folder = ReplaceAll(folder, "%20", " ");
    folder = ReplaceAll(folder, "%5C", "\\");
    decision.action = GuardDecision::Action::OpenFolder;
    decision.folder = std::move(folder);
    decision.cancel = true;
    return decision;
  }

  decision.log_lines.push_back(kFinished);
  return decision;
}

}  // namespace vantile
