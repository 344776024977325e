#include "shell/trust/navigation_guard.h"

#include <algorithm>

#include "common/text.h"
#include "shell/trust/document_trust.h"

namespace vantile {

namespace {

constexpr std::string_view kLaunch = "launch:";
constexpr std::string_view kFolder = "folder:";
constexpr std::string_view kDir = "dir=";
constexpr std::string_view kParam = "param=";
constexpr const char* kFinished = "BeforeNavigate:Finished";
constexpr const char* kRefused = "BeforeNavigate:Refused - ";

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

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The byte of the escape "%XY" at `at`, or -1 when there is none there.
int EscapedByte(std::string_view text, std::size_t at) {
  if (at + 2 >= text.size() || text[at] != '%') return -1;
  const int high = HexValue(text[at + 1]);
  const int low = HexValue(text[at + 2]);
  return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// Every "%XY" escape decoded, for comparing two spellings of one address.
std::string DecodeAllEscapes(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int byte = EscapedByte(text, i);
    if (byte < 0) {
      out.push_back(text[i]);
    } else {
      out.push_back(static_cast<char>(byte));
      i += 2;
    }
  }
  return out;
}

// The user's own page asked: the browser lets only local documents ask for
// these schemes, and the program's own requests are the user's.
bool Trusted(const NavigationSource& source) { return source.FromUsersOwnPage() || source.local_schemes_checked; }

// Why `source` may not trigger a link; empty when it may (with or without
// asking the user first).
std::string RefusalReason(const NavigationSource& source) {
  if (source.redirect) return "a server redirect";
  if (source.client_pull) return "a page refresh";
  if (Trusted(source) || !source.foreign_asker.empty()) return {};
  return "a document from elsewhere may have asked";
}

}  // namespace

std::string DecodeUtf8Escapes(std::string_view url) {
  std::string out;
  out.reserve(url.size());
  for (std::size_t i = 0; i < url.size();) {
    const int lead = EscapedByte(url, i);
    // The length of the character a lead byte starts, and the range its
    // second byte must fall in (no overlong forms, no surrogates, nothing
    // past U+10FFFF); everything else is kept as written.
    int length = 0, second_low = 0x80, second_high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) second_low = 0xA0;
      if (lead == 0xED) second_high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) second_low = 0x90;
      if (lead == 0xF4) second_high = 0x8F;
    }
    std::string bytes;
    for (int k = 0; k < length; ++k) {
      const int byte = EscapedByte(url, i + 3 * static_cast<std::size_t>(k));
      const int low = k == 1 ? second_low : 0x80;
      const int high = k == 1 ? second_high : 0xBF;
      if (k > 0 && (byte < low || byte > high)) break;
      bytes.push_back(static_cast<char>(byte));
    }
    if (length > 0 && bytes.size() == static_cast<std::size_t>(length)) {
      out += bytes;
      i += 3 * static_cast<std::size_t>(length);
    } else {
      out.push_back(url[i]);
      ++i;
    }
  }
  return out;
}

NewWindowPlace DecideNewWindow(std::string_view url, const NavigationSource& source) {
  if (url.empty()) return NewWindowPlace::Nowhere;
  if (StartsWithIgnoreCase(url, "http://") || StartsWithIgnoreCase(url, "https://")) {
    return NewWindowPlace::UserBrowser;
  }
  // javascript:, data:, blob:, about: ... in the desktop's place would run in,
  // or replace, the user's page: only that page itself may ask for it.
  if (source.FromUsersOwnPage()) return NewWindowPlace::ThisView;
  if (source.local_schemes_checked && IsLocalDocument(url)) return NewWindowPlace::ThisView;
  return NewWindowPlace::Nowhere;
}

TopLoad DecideTopLoad(std::string_view url, const TopLoadFacts& facts) {
  if (facts.FromUsersOwnPage() || facts.top_clicked) return TopLoad::Allow;
  // What a click in a frame asks for is a web page the user may want to
  // see: it gets one, in the user's browser, not in the desktop's place.
  if (facts.user_gesture && (StartsWithIgnoreCase(url, "http://") || StartsWithIgnoreCase(url, "https://"))) {
    return TopLoad::OpenInBrowser;
  }
  return TopLoad::Refuse;
}

bool IsLinkScheme(std::string_view url) { return StartsWithIgnoreCase(url, kLaunch) || StartsWithIgnoreCase(url, kFolder); }

bool IsRefreshTarget(std::string_view url, const std::vector<std::string>& refresh_targets) {
  if (!IsLinkScheme(url)) return false;
  const std::string link = DecodeAllEscapes(url);
  return std::any_of(refresh_targets.begin(), refresh_targets.end(), [&](const std::string& target) {
    return EqualsIgnoreCase(DecodeAllEscapes(target), link);
  });
}

std::string GuardStartLine(std::string_view url) {
  return "BeforeNavigate:Start - " + std::string(url);
}

GuardDecision DecideNavigation(std::string_view raw_url, const std::vector<std::string>& programs,
                               std::int32_t program_count, const NavigationSource& source) {
  GuardDecision decision;
  // Addresses this short cannot hold either link form; they pass without a
  // closing log line.
  if (raw_url.size() < 4) return decision;
  const std::string decoded = DecodeUtf8Escapes(raw_url);
  const std::string_view url = decoded;

  if (IsLinkScheme(url)) {
    if (std::string reason = RefusalReason(source); !reason.empty()) {
      decision.cancel = true;
      decision.log_lines.push_back(kRefused + reason);
      return decision;
    }
    // Only a link that would act is put to the user: a program off the
    // allow-list is refused without asking, as for the user's own page.
    if (!Trusted(source)) decision.asker = source.foreign_asker;
  }

  if (StartsWithIgnoreCase(url, kLaunch)) {
    // Only these three decodings, in this order: a page author writes paths
    // with %5C and spaces as %20 or "+"; lower-case %5c is deliberately kept.
    std::string rest(url.substr(kLaunch.size()));
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
      decision.needs_consent = !decision.asker.empty();
    }
    decision.cancel = true;
    return decision;
  }

  if (StartsWithIgnoreCase(url, kFolder)) {
    std::string folder(url.substr(kFolder.size()));
    folder = ReplaceAll(folder, "%20", " ");
    folder = ReplaceAll(folder, "%5C", "\\");
    decision.action = GuardDecision::Action::OpenFolder;
    decision.folder = std::move(folder);
    decision.needs_consent = !decision.asker.empty();
    decision.cancel = true;
    return decision;
  }

  decision.log_lines.push_back(kFinished);
  return decision;
}

}  // namespace vantile
