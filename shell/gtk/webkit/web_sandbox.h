// WebKit's sandbox for the web process, the one that parses what pages
// send: bubblewrap gives it namespaces of its own, so a page that finds a
// bug in it finds no home folder, no network of its own and no other
// process. WebKit fails to start its web process where bubblewrap cannot
// run (not installed, user namespaces refused, some containers), so that
// is tried first: there the desktop runs without the sandbox and says so.
#pragma once

#include <webkit2/webkit2.h>

#include <string>

namespace vantile {

// Turns the sandbox on for `context` where it can run, before its first
// web process starts; the first call decides for the whole program. ""
// when it is on, else why it is off, in plain words.
const std::string& SetUpWebSandbox(WebKitWebContext* context);

// Why the sandbox is off ("" when on, or not decided yet).
const std::string& WebSandboxOff();

}  // namespace vantile
