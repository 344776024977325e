// Turning the stored current page into something the browser can load.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vantile {

// Whether `address` starts with a URI scheme ("file:", "http:", "about:" ...).
// One letter before the colon is a drive letter, not a scheme.
bool HasUriScheme(std::string_view address);

// "file://" and the absolute form of `path`, with every byte that a file URI
// cannot hold literally percent-encoded (space, "%", "#", "?", non-ASCII ...).
std::string FileUriFromPath(std::string_view path);

// The page that says the web process crashed, which offers the user's page
// again: help/crashed.html in `program_folder`, as a file address.
std::string CrashPageAddress(const std::filesystem::path& program_folder);

// Every valid "%XX" escape of `text` replaced by its byte; a "%" that starts
// no escape stays as it is.
std::string PercentDecode(std::string_view text);

// The local path a "file:" address names ("file:///p", "file://localhost/p",
// "file:/p"), percent-decoded; a file whose own name holds such an escape
// keeps it. nullopt for any other address, or a file on another host.
std::optional<std::string> LocalPathOfFileAddress(std::string_view address);

// What the browser is given to load a page address: a plain file path (or a
// name that exists here) as a file URI; other text without a scheme as a web
// address (WebAddressOf); a "file:" address of an existing file re-encoded, since the
// addresses this program makes keep the path as written and a "#", "?" or
// "%" in it would otherwise cut the path short; anything else as it is.
std::string BrowserAddress(std::string_view address);

// Whether the browser showing `shown` shows the page address `address`
// names: the same once escapes are undone, a trailing "/" aside.
bool ShowsAddress(std::string_view shown, std::string_view address);

// `shown`, an address the browser reports, in the form the program stores
// page addresses: a local file as "file://" and its path as written, any
// other address as it is.
std::string StoredAddressOf(std::string_view shown);

// The address that reloads the current page (see BrowserAddress).
std::string ReloadAddress(std::string_view current_address);

}  // namespace vantile
