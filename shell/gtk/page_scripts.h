// Script and style text that the browser injects into pages.
#pragma once

#include <string>
#include <string_view>

namespace vantile {

// Name of the script message channel that window.external posts to.
inline constexpr const char* kExternalChannel = "vantileExternal";
// getLocalDrives must answer synchronously, so it asks through prompt(),
// which WebKit hands to us while the page waits; the question starts with
// this marker and the token.
inline constexpr std::string_view kDrivesQuestionMarker = "\x01vantile-external:";

// The document-start script that defines window.external for a local
// document in the main frame; every call carries `token`.
std::string ExternalScript(const std::string& token);

// The question getLocalDrives asks through prompt().
std::string DrivesQuestion(const std::string& token);

// Hides the document's scroll bars (the page can still be scrolled with the
// keyboard and the wheel).
extern const char* const kHideScrollbarsStyle;

}  // namespace vantile
