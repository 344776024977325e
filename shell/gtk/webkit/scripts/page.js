// The objects the desktop's own page (the main frame of a local document)
// gets in its own world: window.external, and window.vantile, a read-only
// view of the machine. They hold no secret: each call goes as a DOM event to
// the isolated bridge world, which alone reaches the desktop. This runs
// before any script of the page, so the page cannot replace what it
// captures here.
(function () {
  "use strict";
  if (window.top !== window || location.protocol !== "file:") return;
  var doc = document;
  var dispatch = EventTarget.prototype.dispatchEvent;
  var listen = EventTarget.prototype.addEventListener;
  var Event_ = CustomEvent, String_ = String, Number_ = Number, Error_ = Error, TypeError_ = TypeError;
  var Promise_ = Promise, freeze = Object.freeze, isFinite_ = isFinite, min = Math.min, max = Math.max;
  var setTimeout_ = setTimeout.bind(window), clearTimeout_ = clearTimeout.bind(window);
  var stringify = JSON.stringify, parse = JSON.parse;
  var hidden = Object.getOwnPropertyDescriptor(Document.prototype, "hidden").get;
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

  // Sends one call; `done` gets the answer ({value} or {error}). With
  // `atOnce` it has it before this returns.
  function send(name, args, atOnce, done) {
    var id = nextId++;
    waiting[id] = done;
    dispatch.call(doc, new Event_("vantile-page-call", { detail: stringify({ id: id, name: name, args: args, atOnce: atOnce }) }));
  }
  function text(v) { return v === undefined || v === null ? "" : String_(v); }
  function failure(answer) { return new Error_(answer && answer.error ? String_(answer.error) : "the desktop did not answer"); }

  var external = freeze({
    openFile: function (sFile, sParams, sDir, showFormat) {
      var show = showFormat === undefined ? 1 : Number_(showFormat);
      send("openFile", { sFile: text(sFile), sParams: text(sParams), sDir: text(sDir), showFormat: show | 0 }, false, function () {});
    },
    openFolder: function (sFolder) { send("openFolder", { sFolder: text(sFolder) }, false, function () {}); },
    openControlPanel: function () { send("openControlPanel", {}, false, function () {}); },
    getLocalDrives: function () {
      var drives = "";
      send("getLocalDrives", {}, true, function (answer) {
        if (answer && typeof answer.value === "string") drives = answer.value;
      });
      return drives;
    }
  });

  // window.vantile: readings of the machine. A watch asks again every
  // interval, never while the page is hidden, and ends with the page. The
  // watches due at one moment ask in one call, so a page of several
  // watches wakes the desktop once, not once for each. A watch of a source
  // that changes now and then keeps one call waiting, which the desktop
  // answers at the next change: it costs nothing in between.
  var kMaxWatches = 64, kMinInterval = 250, kMaxInterval = 86400000, kSlack = 50;
  var changeOnly = { power: true, desktop: true };
  var active = [], watchIds = 0, timer = 0, timerAt = Infinity;
  var now = Date.now;

  function read(source) {
    return new Promise_(function (resolve, reject) {
      if (typeof source !== "string") {
        reject(new TypeError_("name a source to read, such as \"cpu\""));
        return;
      }
      send("read", { source: source }, false, function (answer) {
        if (answer && "value" in answer) resolve(answer.value); else reject(failure(answer));
      });
    });
  }
  function tell(callback, reading, error) {
    // The page's own mistake surfaces in its console without ending the watch.
    try { callback(reading, error); } catch (thrown) { setTimeout_(function () { throw thrown; }, 0); }
  }
  function refused(callback, why) {
    setTimeout_(function () { tell(callback, null, new Error_(why)); }, 0);
    return freeze({ stop: function () {} });
  }
  // One timer for every watch: at the earliest one due, never while hidden.
  function schedule() {
    if (hidden.call(doc)) {
      if (timer) clearTimeout_(timer);
      timer = 0;
      timerAt = Infinity;
      return;
    }
    var next = Infinity;
    for (var i = 0; i < active.length; ++i) {
      if (!active[i].follows && !active[i].asking && active[i].at < next) next = active[i].at;
    }
    if (next === Infinity || (timer && timerAt <= next)) return;
    if (timer) clearTimeout_(timer);
    timerAt = next;
    timer = setTimeout_(tick, max(0, next - now()));
  }
  function tick() {
    timer = 0;
    timerAt = Infinity;
    if (hidden.call(doc)) return;
    var at = now(), batch = [];
    for (var i = 0; i < active.length; ++i) {
      var due = active[i];
      if (!due.follows && !due.asking && due.at <= at + kSlack) {
        due.asking = true;
        batch.push(due);
      }
    }
    if (batch.length) {
      var sources = batch.map(function (w) { return { source: w.source, watch: w.id }; });
      send("read", { sources: sources }, false, function (answer) {
        var readings = answer && answer.value && answer.value.length === batch.length ? answer.value : null;
        batch.forEach(function (w, k) {
          w.asking = false;
          w.at = at + w.every;
          if (!w.stopped) w.take(readings ? readings[k] : { error: failure(answer).message });
        });
        schedule();
      });
    }
    schedule();
  }
  // The call of a watch that follows changes. An answer that comes while
  // the page is hidden is told when it is shown.
  function follow(w) {
    w.timer = 0;
    if (w.stopped || w.asking || hidden.call(doc)) return;
    w.asking = true;
    var sent = now();
    send("read", { source: w.source, watch: w.id, change: true }, false, function (answer) {
      w.asking = false;
      if (w.stopped) return;
      if (hidden.call(doc)) {
        w.held = answer;
        return;
      }
      w.take(answer);
      // Again at once, but no faster than a watch may read, so a call that
      // fails before it reaches the desktop cannot spin.
      w.timer = setTimeout_(function () { follow(w); }, max(0, sent + kMinInterval - now()));
    });
  }
  listen.call(doc, "visibilitychange", function () {
    // Shown again: every watch reads at once.
    for (var i = 0; i < active.length; ++i) {
      var w = active[i];
      w.at = now();
      if (!w.follows || hidden.call(doc)) continue;
      if (w.held) {
        var held = w.held;
        w.held = null;
        w.take(held);
      }
      if (!w.timer) follow(w);
    }
    schedule();
  });

  function watch(source, options, callback) {
    if (typeof options === "function" && callback === undefined) { callback = options; options = undefined; }
    if (typeof callback !== "function") throw new TypeError_("vantile.watch needs a function to call with each reading");
    var interval = 1000;
    if (options !== undefined && options !== null) {
      if (typeof options !== "object") return refused(callback, "the options of a watch are an object, such as { interval: 1000 }");
      if (options.interval !== undefined) {
        if (typeof options.interval !== "number" || !isFinite_(options.interval)) {
          return refused(callback, "a watch's interval is a number of milliseconds");
        }
        interval = min(max(options.interval, kMinInterval), kMaxInterval);
      }
    }
    if (typeof source !== "string") return refused(callback, "name a source to watch, such as \"cpu\"");
    if (active.length >= kMaxWatches) return refused(callback, "a page may keep " + kMaxWatches + " watches at once; stop one first");
    var last = null;
    var w = {
      source: source, id: ++watchIds, at: now(), every: interval, follows: changeOnly[source] === true,
      asking: false, stopped: false, timer: 0, held: null,
      take: function (answer) {
        if (!answer || typeof answer !== "object") answer = { error: "the desktop did not answer" };
        var ok = "value" in answer;
        // A lasting failure is told once, not at every interval; a source
        // that changes now and then, only when it did.
        if (w.follows || !ok) {
          var seen = ok ? stringify(answer.value) : "error:" + answer.error;
          if (seen === last) return;
          last = seen;
        } else {
          last = null;
        }
        if (ok) tell(callback, answer.value, null); else tell(callback, null, new Error_(String_(answer.error)));
      }
    };
    active.push(w);
    if (w.follows) follow(w); else schedule();
    return freeze({
      stop: function () {
        if (w.stopped) return;
        w.stopped = true;
        if (w.timer) clearTimeout_(w.timer);
        active.splice(active.indexOf(w), 1);
        schedule();
      }
    });
  }
  var vantile = freeze({ read: read, watch: watch });

  function offer(name, object) {
    try {
      Object.defineProperty(window, name, { value: object, writable: false, configurable: false, enumerable: true });
    } catch (e) {
      window[name] = object;
    }
  }
  offer("external", external);
  offer("vantile", vantile);
})();
