// The scripts and style the browser injects into pages. The scripts are the
// .js files beside this one, built into the program as a resource.
//
// The page's calls are split over two script worlds. The page's own world
// gets only window.external and window.vantile, whose methods hand each
// call to the isolated bridge world as a DOM event; the bridge holds the token and the one
// channel that reaches the window. Page script, in any frame, can neither
// read the token nor post on the channel: both exist only in a world no page
// script runs in, and the bridge is injected only into the main frame of
// local (file:) documents.
#pragma once

#include <string>
#include <string_view>

namespace vantile {

// The bridge's isolated world and the channel its calls come on.
inline constexpr const char* kBridgeWorld = "vantile-bridge";
inline constexpr const char* kPageChannel = "vantilePage";
// The isolated world, injected into every frame, that reports clicks on
// launch: and folder: links in documents from elsewhere (WebKit refuses them
// those addresses) and page refreshes that would go to such a link.
inline constexpr const char* kLinksWorld = "vantile-links";
inline constexpr const char* kLinksChannel = "vantileLinks";
// A call whose answer the page waits for comes through prompt(), which
// WebKit hands to us while the page waits: the question is this marker, the
// token, ':' and the request.
inline constexpr std::string_view kAtOnceMarker = "\x01vantile-external:";

// The page world's document-start script: window.external and window.vantile.
std::string PageWorldScript();
// The bridge world's document-start script, with the token in it.
std::string BridgeScript(const std::string& token);
// The links world's document-start script.
std::string LinkWatchScript();

// Hides the document's scroll bars (the page can still be scrolled with the
// keyboard and the wheel).
extern const char* const kHideScrollbarsStyle;

}  // namespace vantile
