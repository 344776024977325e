// Script and style text that the browser injects into pages.
//
// window.external is split over two script worlds. The page's own world gets
// only window.external, whose methods hand each call to our isolated world
// as a DOM event; the isolated world holds the token and the one script
// message channel that reaches the window. Page script, in any frame, can
// neither read the token nor post on the channel: both exist only in a world
// no page script runs in, and that world's script is injected only into the
// main frame of local (file:) documents.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantile {

// The isolated world of window.external and its message channel.
inline constexpr const char* kBridgeWorld = "vantile-bridge";
inline constexpr const char* kExternalChannel = "vantileExternal";
// The isolated world, injected into every frame, that reports clicks on
// launch: and folder: links in documents from elsewhere (WebKit refuses them
// those addresses) and page refreshes that would go to such a link.
inline constexpr const char* kLinksWorld = "vantile-links";
inline constexpr const char* kLinksChannel = "vantileLinks";
// getLocalDrives must answer synchronously, so the bridge asks through
// prompt(), which WebKit hands to us while the page waits; the question
// starts with this marker and the token.
inline constexpr std::string_view kDrivesQuestionMarker = "\x01vantile-external:";

// The bridge's secret: 16 random bytes as hex, or nothing when `random`
// (which fills a buffer and says how many bytes it could) cannot give them;
// then the bridge stays off.
using RandomBytes = std::function<std::size_t(unsigned char* buffer, std::size_t size)>;
std::optional<std::string> MakeBridgeToken(const RandomBytes& random);
// The system's random numbers (getrandom).
std::size_t SystemRandomBytes(unsigned char* buffer, std::size_t size);

// The page world's document-start script: window.external for a local
// document in the main frame. It holds no secret.
std::string ExternalScript();
// The isolated world's document-start script that carries out those calls;
// every message carries `token`.
std::string BridgeScript(const std::string& token);
// The links world's document-start script, for every frame.
std::string LinkWatchScript();

// The question getLocalDrives asks through prompt().
std::string DrivesQuestion(const std::string& token);

// Hides the document's scroll bars (the page can still be scrolled with the
// keyboard and the wheel).
extern const char* const kHideScrollbarsStyle;

}  // namespace vantile
