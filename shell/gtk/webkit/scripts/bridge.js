// The bridge between the page's calls and the desktop, in an isolated world
// that no page script runs in: the token and the channel stay out of the
// page's reach. Injected only into the main frame of local documents.
(function () {
  "use strict";
  if (window.top !== window || location.protocol !== "file:") return;
  var handlers = window.webkit && window.webkit.messageHandlers;
  var channel = handlers && handlers.vantilePage;
  if (!channel) return;
  var token = "@TOKEN@";

  function answer(text) {
    document.dispatchEvent(new CustomEvent("vantile-page-answer", { detail: text }));
  }
  function failure(id, why) { return JSON.stringify({ id: id, error: String(why) }); }

  document.addEventListener("vantile-page-call", function (e) {
    var call = null;
    try { call = JSON.parse(typeof e.detail === "string" ? e.detail : ""); } catch (error) { return; }
    if (!call || typeof call !== "object" || typeof call.name !== "string") return;
    var request = JSON.stringify({
      id: typeof call.id === "number" ? call.id : 0,
      name: call.name,
      args: call.args && typeof call.args === "object" ? call.args : {}
    });
    if (call.atOnce) {
      // The one way WebKit lets page script wait for the desktop: prompt(),
      // which the desktop answers while the page waits.
      var text = prompt("\u0001vantile-external:" + token + ":" + request);
      answer(text === null ? failure(call.id, "no answer") : text);
      return;
    }
    channel.postMessage({ token: token, request: request }).then(function (reply) {
      answer(typeof reply === "string" ? reply : failure(call.id, "no answer"));
    }, function (error) {
      answer(failure(call.id, error && error.message ? error.message : error));
    });
  });
})();
