// Turning the stored current page into something the browser can load.
#pragma once

#include <string>
#include <string_view>

namespace vantile {

// Whether `address` starts with a URI scheme ("file:", "http:", "about:" ...).
// One letter before the colon is a drive letter, not a scheme.
bool HasUriScheme(std::string_view address);

// "file://" and the absolute form of `path`, with every byte that a file URI
// cannot hold literally percent-encoded (space, "%", "#", "?", non-ASCII ...).
std::string FileUriFromPath(std::string_view path);

// The address that reloads the current page: an address with a scheme as it
// is, a plain file path as a file URI.
std::string ReloadAddress(std::string_view current_address);

}  // namespace vantile
