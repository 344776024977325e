// The links world, injected into every frame. In a document that is not
// local, WebKit refuses launch: and folder: addresses (they are local schemes),
// so a click on such a link there (which may as well be a key, a label or
// script: WebKit reports all of them as trusted clicks) is passed on here
// as a request from that document's site, for the user to decide. In the top document, the links
// and forms the user follows are reported, so that a frame setting
// top.location can be told from them. In every document, the address a page
// refresh resolves to (its <base> applied) is reported when it is a launch
// or folder link, so the guard can refuse it. Page script can reach neither
// this world nor its channel, nor fake a trusted event.
(function () {
  "use strict";
  var handlers = window.webkit && window.webkit.messageHandlers;
  var channel = handlers && handlers.vantileLinks;
  if (!channel) return;
  var linkScheme = /^(?:launch|folder):/i;
  var isTop = window.top === window;
  // What the user's own page makes (about:blank, srcdoc) has its origin.
  var local = location.protocol === "file:" || self.origin === "file://";
  // Who asks, named by the document's own address whatever origin it
  // reports (a sandboxed document's is opaque): scheme, host and port. One
  // without a host (data:, about:srcdoc) is named by what it is and the
  // host of the page that holds it, or that it came from.
  function hostOf(address) {
    try {
      var url = new URL(address);
      if (url.protocol === "blob:") url = new URL(url.pathname);
      return url.host ? url.protocol + "//" + url.host : "";
    } catch (e) {
      return "";
    }
  }
  function asker() {
    var here = hostOf(location.href);
    if (here) return here;
    var kind = "a " + location.protocol + " document";
    var up = location.ancestorOrigins;
    for (var i = 0; up && i < up.length; ++i) {
      if (hostOf(up[i])) return kind + " inside " + hostOf(up[i]);
      if (up[i] === "file://") return kind + " inside your desktop page";
    }
    if (hostOf(document.referrer)) return kind + " from " + hostOf(document.referrer);
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
