#include "shell/gtk/page_scripts.h"

namespace vantile {

namespace {

// Runs before any script of the page, so the page cannot replace the
// functions it captures. The token lives only in this closure.
constexpr const char* kExternalTemplate = R"JS((function () {
  "use strict";
  if (window.top !== window || location.protocol !== "file:") return;
  var handlers = window.webkit && window.webkit.messageHandlers;
  var channel = handlers && handlers.@CHANNEL@;
  if (!channel) return;
  var token = "@TOKEN@";
  var post = channel.postMessage.bind(channel);
  var ask = window.prompt.bind(window);
  var String_ = String, Number_ = Number;
  function text(v) { return v === undefined || v === null ? "" : String_(v); }
  function send(command, a, b, c, n) {
    post({ token: token, command: command, a: text(a), b: text(b), c: text(c), n: n | 0 });
  }
  var external = Object.freeze({
    openFile: function (sFile, sParams, sDir, showFormat) {
      send("openFile", sFile, sParams, sDir, showFormat === undefined ? 1 : Number_(showFormat));
    },
    openFolder: function (sFolder) { send("openFolder", sFolder); },
    openControlPanel: function () { send("openControlPanel"); },
    getLocalDrives: function () {
      var answer = ask("@QUESTION@");
      return answer === null ? "" : answer;
    }
  });
  try {
    Object.defineProperty(window, "external", { value: external, writable: false, configurable: false, enumerable: true });
  } catch (e) {
    window.external = external;
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

std::string DrivesQuestion(const std::string& token) {
  return std::string(kDrivesQuestionMarker) + token + ":getLocalDrives";
}

std::string ExternalScript(const std::string& token) {
  // The marker's control character is written as a JS escape.
  const std::string question = "\\u0001" + DrivesQuestion(token).substr(1);
  std::string script = Replace(kExternalTemplate, "@CHANNEL@", kExternalChannel);
  script = Replace(script, "@TOKEN@", token);
  return Replace(script, "@QUESTION@", question);
}

const char* const kHideScrollbarsStyle =
    "html::-webkit-scrollbar, body::-webkit-scrollbar { display: none !important; "
    "width: 0 !important; height: 0 !important; }\n"
    "html, body { scrollbar-width: none !important; }\n";

}  // namespace vantile
