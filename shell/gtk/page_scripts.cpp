#include "shell/gtk/page_scripts.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdio>

namespace vantile {

namespace {

// Names of the two DOM events between the page's world and the bridge.
constexpr const char* kCallEvent = "vantile-external-call";
constexpr const char* kReplyEvent = "vantile-external-reply";
constexpr std::string_view kDrivesQuestionSuffix = ":getLocalDrives";

// Runs before any script of the page, so the page cannot replace what it
// captures. There is nothing secret here: what it sends can only ever come
// from the main frame's own local document, the only one it runs in.
constexpr const char* kExternalTemplate = R"JS((function () {
  "use strict";
  if (window.top !== window || location.protocol !== "file:") return;
  var doc = document;
  var dispatch = EventTarget.prototype.dispatchEvent;
  var listen = EventTarget.prototype.addEventListener;
  var Event_ = CustomEvent, String_ = String, Number_ = Number, stringify = JSON.stringify;
  var answer = "";
  listen.call(doc, "@REPLY@", function (e) { answer = typeof e.detail === "string" ? e.detail : ""; });
  function text(v) { return v === undefined || v === null ? "" : String_(v); }
  function call(command, a, b, c, n) {
    answer = "";
    var detail = stringify({ command: command, a: text(a), b: text(b), c: text(c), n: n | 0 });
    dispatch.call(doc, new Event_("@CALL@", { detail: detail }));
    return answer;
  }
  var external = Object.freeze({
    openFile: function (sFile, sParams, sDir, showFormat) {
      call("openFile", sFile, sParams, sDir, showFormat === undefined ? 1 : Number_(showFormat));
    },
    openFolder: function (sFolder) { call("openFolder", sFolder); },
    openControlPanel: function () { call("openControlPanel"); },
    getLocalDrives: function () { return call("getLocalDrives"); }
  });
  try {
    Object.defineProperty(window, "external", { value: external, writable: false, configurable: false, enumerable: true });
  } catch (e) {
    window.external = external;
  }
})();
)JS";

// The isolated world: page script never runs here, so the token and the
// channel stay out of its reach.
constexpr const char* kBridgeTemplate = R"JS((function () {
  "use strict";
  if (window.top !== window || location.protocol !== "file:") return;
  var handlers = window.webkit && window.webkit.messageHandlers;
  var channel = handlers && handlers.@CHANNEL@;
  if (!channel) return;
  var token = "@TOKEN@";
  function text(v) { return typeof v === "string" ? v : ""; }
  document.addEventListener("@CALL@", function (e) {
    var call = null;
    try { call = JSON.parse(text(e.detail)); } catch (error) { return; }
    if (!call || typeof call !== "object") return;
    if (call.command === "getLocalDrives") {
      var drives = prompt("@MARKER@" + token + "@SUFFIX@");
      document.dispatchEvent(new CustomEvent("@REPLY@", { detail: drives === null ? "" : String(drives) }));
      return;
    }
    channel.postMessage({ token: token, command: text(call.command), a: text(call.a), b: text(call.b),
                          c: text(call.c), n: typeof call.n === "number" ? call.n | 0 : 0 });
  });
})();
)JS";

// Every frame. In a document that is not local, WebKit refuses launch: and
// folder: addresses (they are local schemes), so a click on such a link
// there (which may as well be a key, a label or script: WebKit reports all
// of them as trusted clicks) is passed on here as a request from that
// document's site, for the user to decide. In the top document, the links
// and forms the user follows are reported, so that a frame setting
// top.location can be told from them. In every document, the address a page
// refresh resolves to (its <base> applied) is reported when it is a launch
// or folder link, so the guard can refuse it. Page script can reach neither
// this world nor its channel, nor fake a trusted event.
constexpr const char* kLinksTemplate = R"JS((function () {
  "use strict";
  var handlers = window.webkit && window.webkit.messageHandlers;
  var channel = handlers && handlers.@LINKS@;
  if (!channel) return;
  var linkScheme = /^(?:launch|folder):/i;
  var isTop = window.top === window;
  // What the user's own page makes (about:blank, srcdoc) has its origin.
  var local = location.protocol === "file:" || self.origin === "file://";
  function asker() {
    var origin = self.origin;
    if (origin && origin !== "null") return origin;
    var kind = "a " + location.protocol + " document";
    var up = location.ancestorOrigins;
    for (var i = 0; up && i < up.length; ++i) {
      if (up[i] !== "null") return kind + " inside " + up[i];
    }
    return kind;
  }
  window.addEventListener("click", function (e) {
    if (!e.isTrusted || e.defaultPrevented || e.button !== 0) return;
    var path = e.composedPath();
    for (var i = 0; i < path.length; ++i) {
      var node = path[i];
      if (!(node instanceof HTMLAnchorElement || node instanceof HTMLAreaElement)) continue;
      if (!node.hasAttribute("href")) return;
      if (linkScheme.test(node.href)) {
        if (local) return;
        e.preventDefault();
        channel.postMessage({ kind: "ask", url: node.href, asker: asker() });
      } else if (isTop) {
        channel.postMessage({ kind: "top", url: node.href });
      }
      return;
    }
  });
  window.addEventListener("submit", function (e) {
    if (isTop && e.isTrusted && !e.defaultPrevented && e.target instanceof HTMLFormElement) {
      channel.postMessage({ kind: "top", url: e.target.action, form: true });
    }
  });
  function check(meta) {
    var equiv = meta.getAttribute("http-equiv");
    var content = meta.getAttribute("content");
    if (!equiv || equiv.toLowerCase() !== "refresh" || !content) return;
    var parts = /^\s*[\d.]*\s*[;,]?\s*(?:url\s*=\s*)?([\s\S]*)$/i.exec(content);
    var target = parts ? parts[1].trim().replace(/^(['"])([\s\S]*?)\1?$/, "$2") : "";
    if (!target) return;
    var href = "";
    try { href = new URL(target, document.baseURI).href; } catch (error) { return; }
    if (linkScheme.test(href)) channel.postMessage({ kind: "refresh", url: href });
  }
  function scan(node) {
    if (node.nodeType !== 1) return;
    if (node.localName === "meta") check(node);
    if (!node.firstElementChild) return;
    var metas = node.getElementsByTagName("meta");
    for (var i = 0; i < metas.length; ++i) check(metas[i]);
  }
  function watch() {
    new MutationObserver(function (records) {
      for (var r = 0; r < records.length; ++r) {
        var record = records[r];
        if (record.type === "attributes") scan(record.target);
        for (var n = 0; n < record.addedNodes.length; ++n) scan(record.addedNodes[n]);
      }
    }).observe(document, { childList: true, subtree: true, attributes: true, attributeFilter: ["http-equiv", "content"] });
  }
  // A refresh the parser meets waits for the document to finish loading, so
  // the parsed document is read once, when it is complete, and only later
  // changes are watched: watching the parser's every node costs the page's
  // first paint and memory for nothing.
  if (document.readyState === "loading") {
    document.addEventListener("DOMContentLoaded", function () { scan(document.documentElement); watch(); });
  } else {
    scan(document.documentElement);
    watch();
  }
})();
)JS";

std::string Replace(std::string text, std::string_view key, std::string_view value) {
  for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size())) {
    text.replace(at, key.size(), value);
  }
  return text;
}

}  // namespace

std::optional<std::string> MakeBridgeToken(const RandomBytes& random) {
  unsigned char bytes[16] = {};
  if (random(bytes, sizeof bytes) != sizeof bytes) return std::nullopt;
  std::string token;
  char hex[3];
  for (unsigned char b : bytes) {
    std::snprintf(hex, sizeof hex, "%02x", b);
    token += hex;
  }
  return token;
}

std::size_t SystemRandomBytes(unsigned char* buffer, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = getrandom(buffer + got, size - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

std::string DrivesQuestion(const std::string& token) {
  return std::string(kDrivesQuestionMarker) + token + std::string(kDrivesQuestionSuffix);
}

std::string ExternalScript() {
  return Replace(Replace(kExternalTemplate, "@CALL@", kCallEvent), "@REPLY@", kReplyEvent);
}

std::string BridgeScript(const std::string& token) {
  std::string script = Replace(kBridgeTemplate, "@CHANNEL@", kExternalChannel);
  script = Replace(script, "@CALL@", kCallEvent);
  script = Replace(script, "@REPLY@", kReplyEvent);
  // The marker's control character is written as a JS escape.
  script = Replace(script, "@MARKER@", "\\u0001" + std::string(kDrivesQuestionMarker.substr(1)));
  script = Replace(script, "@SUFFIX@", kDrivesQuestionSuffix);
  return Replace(script, "@TOKEN@", token);
}

std::string LinkWatchScript() { return Replace(kLinksTemplate, "@LINKS@", kLinksChannel); }

const char* const kHideScrollbarsStyle =
    "html::-webkit-scrollbar, body::-webkit-scrollbar { display: none !important; "
    "width: 0 !important; height: 0 !important; }\n"
    "html, body { scrollbar-width: none !important; }\n";

}  // namespace vantile
