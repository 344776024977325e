// window.external for the desktop's own page (the main frame of a local
// document), in the page's own world. It holds no secret: each call goes as
// a DOM event to the isolated bridge world, which alone reaches the desktop.
// It runs before any script of the page, so the page cannot replace what it
// captures here.
(function () {
  "use strict";
  if (window.top !== window || location.protocol !== "file:") return;
  var doc = document;
  var dispatch = EventTarget.prototype.dispatchEvent;
  var listen = EventTarget.prototype.addEventListener;
  var Event_ = CustomEvent, String_ = String, Number_ = Number;
  var stringify = JSON.stringify, parse = JSON.parse;
  var waiting = Object.create(null);
  var nextId = 1;

  listen.call(doc, "vantile-page-answer", function (e) {
    var answer = null;
    try { answer = parse(typeof e.detail === "string" ? e.detail : ""); } catch (error) { return; }
    var done = answer && waiting[answer.id];
    if (!done) return;
    delete waiting[answer.id];
    done(answer);
  });

  // Sends one call; with `atOnce` the answer is back when this returns.
  function call(name, args, atOnce) {
    var id = nextId++, answer = null;
    waiting[id] = function (a) { answer = a; };
    dispatch.call(doc, new Event_("vantile-page-call", { detail: stringify({ id: id, name: name, args: args, atOnce: atOnce }) }));
    return answer;
  }
  function text(v) { return v === undefined || v === null ? "" : String_(v); }

  var external = Object.freeze({
    openFile: function (sFile, sParams, sDir, showFormat) {
      var show = showFormat === undefined ? 1 : Number_(showFormat);
      call("openFile", { sFile: text(sFile), sParams: text(sParams), sDir: text(sDir), showFormat: show | 0 }, false);
    },
    openFolder: function (sFolder) { call("openFolder", { sFolder: text(sFolder) }, false); },
    openControlPanel: function () { call("openControlPanel", {}, false); },
    getLocalDrives: function () {
      var answer = call("getLocalDrives", {}, true);
      return answer && typeof answer.value === "string" ? answer.value : "";
    }
  });
  try {
    Object.defineProperty(window, "external", { value: external, writable: false, configurable: false, enumerable: true });
  } catch (e) {
    window.external = external;
  }
})();
