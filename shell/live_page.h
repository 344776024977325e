// The live page: while the page shown is a local file, saving it (or a
// stylesheet, script or picture beside it) reloads it once the writes have
// settled, so a person editing their desktop sees each save.
//
// This class decides; the GTK layer watches the folder it names, passes on
// every change the watch reports, runs a timer for the wait it asks for and
// reloads the page when it says so. Editors write a file in several steps
// (truncate, write, write again; or a new file renamed over the old one), so
// every change restarts the wait and only its end reloads.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "common/registry_store.h"

namespace vantile {

class LivePage {
 public:
  using Clock = std::chrono::steady_clock;
  // How long the folder must stay quiet before the page is reloaded.
  static constexpr std::chrono::milliseconds kSettle{300};

  // The page now shown (the browser's address). Returns the folder to watch:
  // the page file's folder for a local file, empty for anything else. A
  // different folder drops a reload that was still waiting.
  const std::string& Watch(std::string_view location_url);
  const std::string& folder() const { return folder_; }

  // A file in the watched folder was created, changed, deleted, or renamed
  // (from or to `path`). True when the change concerns the page, which then
  // reloads kSettle after the last such change: the page file itself, and
  // pages, stylesheets, scripts, JSON, pictures and fonts beside it (known
  // by their extensions). Other files, which programs started from the page
  // may well write there, and hidden files and editors' backups (name~,
  // #name#), rewritten while a person types, do not.
  bool Changed(std::string_view path, Clock::time_point now);

  // How long until a waiting reload is due (zero when due); nullopt when
  // nothing waits.
  std::optional<Clock::duration> Remaining(Clock::time_point now) const;

  // True once, when a waiting reload is due and the browser is not loading
  // a page; while it is, the reload waits another kSettle.
  bool TakeDue(Clock::time_point now, bool page_loading);

 private:
  std::string folder_;
  std::string page_name_;
  std::optional<Clock::time_point> due_;
};

// The local file an address names: "file://" addresses with an empty host or
// "localhost", escapes decoded, query and fragment dropped; empty otherwise.
std::string LocalPathFromFileUri(std::string_view uri);

// The settings value "LiveReload" (a DWORD beside the other settings): 0
// turns the live page off; missing or any other value leaves it on.
bool LivePageEnabled(RegistryStore& store);

}  // namespace vantile
