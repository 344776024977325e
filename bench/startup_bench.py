#!/usr/bin/env python3
"""Start-up time and memory of vantile against the fastest minimal WebKitGTK
program (bench/minimal_webkit.c) that shows the same page on the whole
monitor, under Xvfb with a window manager, on two pages:

- "tiles": a static grid of tiles over a gradient;
- "desktop": a desktop-like page loaded from a file: address with a query
  string, whose 24 SVG icons with CSS drop-shadow filters are built by
  script, with a clock, a gradient and pictures.

The floor is the minimal program with the fastest of the choices that
--explore compares one at a time: an undecorated window sized and placed
on the monitor before it is shown (rather than full screen asked of the
window manager), compositing switched off by WEBKIT_DISABLE_COMPOSITING_MODE=1
(rather than by the acceleration policy), WebKit's default caches.

Start-up: from just before the process is started until the page's load
event has reached a loopback server (the page reports it with one request).
Memory: the PSS of the whole process tree (web and network processes
included, and broken down by process), one second after the page completed.
vantile runs with VANTILE_STARTUP_TRACE=1, so the time up to the load event
is also broken down by start-up stage.

Runs alternate between the programs, each with a fresh profile; the
figures are medians, and ratios are medians of each round's own ratio.

    python3 bench/startup_bench.py [--runs 10] [--build build] [--pages tiles,desktop]
                                   [--explore] [--baseline-build DIR] [--without-sandbox] [--without-warm-up]
                                   [--with-webkit-defaults]
"""
import argparse
import glob
import http.server
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import harness  # noqa: E402

PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>bench</title>
<style>
body {{ margin: 0; font: 16px sans-serif; color: #eee;
        background: linear-gradient(160deg, #1b2433, #2c5364); min-height: 100vh; }}
.grid {{ display: grid; grid-template-columns: repeat(6, 1fr); gap: 16px; padding: 40px; }}
.tile {{ height: 120px; border-radius: 14px; background: rgba(255,255,255,.08);
         display: flex; align-items: center; justify-content: center; }}
</style></head>
<body><h1 style="padding:40px 40px 0">Desktop</h1><div class="grid">{tiles}</div>
<script>
window.addEventListener("load", function () {{
  var x = new XMLHttpRequest(); x.open("GET", "http://127.0.0.1:{port}/done"); x.send();
}});
</script></body></html>
"""

# Built by script like a real desktop page: icons as inline SVG with
# drop-shadow filters, a clock that ticks, a gradient and pictures.
DESKTOP_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>desktop</title>
<style>
body {{ margin: 0; font: 15px sans-serif; color: #fff; min-height: 100vh;
        background: radial-gradient(circle at 30% 20%, #3a6186, #89253e); }}
#clock {{ position: absolute; right: 40px; top: 30px; font-size: 48px; text-shadow: 0 2px 6px #000; }}
#icons {{ display: grid; grid-template-columns: repeat(8, 110px); gap: 24px; padding: 60px; }}
.icon {{ text-align: center; filter: drop-shadow(0 4px 6px rgba(0,0,0,.6)); }}
.icon svg {{ width: 64px; height: 64px; }}
.pictures img {{ width: 128px; height: 128px; margin: 0 20px; filter: drop-shadow(2px 4px 8px #000); }}
</style></head>
<body><div id="clock"></div><div id="icons"></div><div class="pictures">{pictures}</div>
<script>
var user = new URLSearchParams(location.search).get("user") || "";
var names = ["Files", "Mail", "Music", "Photos", "Games", "Notes", "Terminal", "Settings"];
var box = document.getElementById("icons");
for (var i = 0; i < 24; i++) {{
  var hue = i * 15;
  var d = document.createElement("div");
  d.className = "icon";
  d.innerHTML = '<svg viewBox="0 0 64 64"><defs><linearGradient id="g' + i + '" x1="0" y1="0" x2="0" y2="1">' +
    '<stop offset="0" stop-color="hsl(' + hue + ',80%,65%)"/><stop offset="1" stop-color="hsl(' + hue + ',70%,35%)"/>' +
    '</linearGradient></defs><rect x="6" y="6" width="52" height="52" rx="12" fill="url(#g' + i + ')"/>' +
    '<circle cx="32" cy="30" r="' + (8 + i % 6) + '" fill="rgba(255,255,255,.8)"/></svg><div>' +
    names[i % names.length] + " " + user + '</div>';
  box.appendChild(d);
}}
function tick() {{ document.getElementById("clock").textContent = new Date().toLocaleTimeString(); }}
tick(); setInterval(tick, 1000);
window.addEventListener("load", function () {{
  var x = new XMLHttpRequest(); x.open("GET", "http://127.0.0.1:{port}/done"); x.send();
}});
</script></body></html>
"""


def write_pages(root, port):
    """The two pages, as file: addresses (the desktop page's with a query
    string); the desktop page's pictures are icon theme images copied beside it."""
    tiles = os.path.join(root, "tiles.html")
    with open(tiles, "w") as f:
        f.write(PAGE.format(port=port, tiles="".join(f'<div class="tile">Tile {i}</div>' for i in range(24))))
    pictures = []
    for n, source in enumerate(sorted(glob.glob("/usr/share/icons/Adwaita/256x256/legacy/*.png"))[:4]):
        name = f"picture{n}.png"
        shutil.copy(source, os.path.join(root, name))
        pictures.append(f'<img src="{name}" alt="">')
    desktop = os.path.join(root, "desktop.html")
    with open(desktop, "w") as f:
        f.write(DESKTOP_PAGE.format(port=port, pictures="".join(pictures)))
    return {"tiles": "file://" + tiles, "desktop": "file://" + desktop + "?user=bench&view=grid"}


class DoneServer:
    def __init__(self):
        self.event = threading.Event()
        self.at = None
        outer = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                if self.path.startswith("/done") and outer.at is None:
                    outer.at = time.monotonic()
                    outer.event.set()
                self.send_response(204)
                self.send_header("Access-Control-Allow-Origin", "*")
                self.end_headers()

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.port = self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def reset(self):
        self.at = None
        self.event.clear()


def descendants(pid):
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            children.setdefault(int(fields[1]), []).append(int(entry))
        except OSError:
            continue
    tree, todo = [], [pid]
    while todo:
        p = todo.pop()
        tree.append(p)
        todo.extend(children.get(p, []))
    return tree


def process_kind(pid, root):
    """Which part of the program a process is: the program itself, or one of
    WebKit's auxiliary processes, by the name of its executable."""
    if pid == root:
        return "ui"
    try:
        name = os.path.basename(os.readlink(f"/proc/{pid}/exe"))
    except OSError:
        return "other"
    return {"WebKitWebProcess": "web", "WebKitNetworkProcess": "network"}.get(name, "other")


def tree_pss_kib(pid):
    """PSS of the whole process tree, in KiB, in total and by process kind."""
    by_kind = {}
    for p in descendants(pid):
        try:
            with open(f"/proc/{p}/smaps_rollup") as f:
                for line in f:
                    if line.startswith("Pss:"):
                        kind = process_kind(p, pid)
                        by_kind[kind] = by_kind.get(kind, 0) + int(line.split()[1])
        except OSError:
            pass
    return sum(by_kind.values()), by_kind


def build_minimal(out_dir):
    binary = os.path.join(out_dir, "minimal_webkit")
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "webkit2gtk-4.1", "gtk+-3.0"],
                           capture_output=True, text=True, check=True).stdout.split()
    subprocess.run(["cc", "-O2", "-o", binary, os.path.join(HERE, "minimal_webkit.c"), *flags], check=True)
    return binary


def run_once(desktop, server, argv, env, settle=1.0, timeout=60):
    """One start: the time from just before the process is started until the
    page's load event reached the server, the tree's PSS after `settle`, and
    the start-up trace marks (seconds after the start) the program printed."""
    server.reset()
    trace_file = tempfile.TemporaryFile()
    started = time.monotonic()
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=trace_file)
    try:
        if not server.event.wait(timeout):
            raise RuntimeError(f"{argv[0]}: the page never completed")
        elapsed = server.at - started
        time.sleep(settle)
        pss = tree_pss_kib(proc.pid)
    finally:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(20)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    trace_file.seek(0)
    marks = {}
    for line in trace_file.read().decode(errors="replace").splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[0] == "vantile-trace":
            marks[parts[1]] = float(parts[2]) - started
    trace_file.close()
    # Let the auxiliary processes go before the next run.
    time.sleep(0.5)
    return elapsed, pss, marks


def fresh_env(desktop, root, name):
    home = tempfile.mkdtemp(prefix=name + "-", dir=root)
    env = dict(desktop.env)
    env.update({"HOME": home, "XDG_CONFIG_HOME": os.path.join(home, ".config"),
                "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
                "XDG_CACHE_HOME": os.path.join(home, ".cache"),
                "XDG_RUNTIME_DIR": os.path.join(home, "run")})
    for key in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"):
        os.makedirs(env[key], exist_ok=True)
    os.chmod(env["XDG_RUNTIME_DIR"], 0o700)
    return env


def write_settings(env, page):
    folder = os.path.join(env["XDG_CONFIG_HOME"], "vantile")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "HKEY_CURRENT_USER.reg"), "w", newline="\r\n") as f:
        f.write("Windows Registry Editor Version 5.00\n\n"
                "[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile]\n"
                f'"HomePage"="{page}"\n'
                '"EnableImages"=dword:ffffffff\n"EnableScripting"=dword:ffffffff\n'
                '"EnableSound"=dword:ffffffff\n"EnableVideo"=dword:ffffffff\n')


# The stages of vantile's start-up, in order, as its trace names them.
STAGES = [
    ("main", "process start to main()"),
    ("gtk-init", "GTK set up"),
    ("context", "WebKit's context set up"),
    ("network-process", "the network process asked for"),
    ("menu", "the first view made (and the menu's table)"),
    ("settings-loaded", "settings loaded"),
    ("navigate", "window load and browser set-up; the start page asked for"),
    ("message-passes", "WebKit starting its web process (holds the main thread)"),
    ("placement", "the 10,001 message passes"),
    ("show", "placement"),
    ("shown", "the window shown (the view realized)"),
    ("load-committed", "to the start page's commit"),
    ("load", "committed to the page's load event"),
]


def minimal_variants(minimal):
    """The minimal program's choices, one at a time from the floor's."""
    off = {"WEBKIT_DISABLE_COMPOSITING_MODE": "1"}
    return {
        FLOOR: (minimal, {"MINIMAL_WINDOW": "placed", **off}),
        "minimal, full screen": (minimal, {"MINIMAL_WINDOW": "fullscreen", **off}),
        "minimal, policy never": (minimal, {"MINIMAL_WINDOW": "placed", "MINIMAL_NO_ACCELERATION": "1"}),
        "minimal, policy and switch": (minimal, {"MINIMAL_WINDOW": "placed", "MINIMAL_NO_ACCELERATION": "1", **off}),
        "minimal, small caches": (minimal, {"MINIMAL_WINDOW": "placed", "MINIMAL_SMALL_CACHES": "1", **off}),
        "minimal, compositing on": (minimal, {"MINIMAL_WINDOW": "placed"}),
        HANDICAPPED: (minimal, {"MINIMAL_WINDOW": "fullscreen", "MINIMAL_NO_ACCELERATION": "1",
                                "MINIMAL_SMALL_CACHES": "1"}),
    }


FLOOR = "minimal (floor)"
HANDICAPPED = "minimal (old floor)"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    parser.add_argument("--pages", default="tiles,desktop", help="which pages, of tiles and desktop")
    parser.add_argument("--explore", action="store_true",
                        help="run the minimal program with each of its choices changed one at a time")
    parser.add_argument("--with-webkit-defaults", action="store_true",
                        help="also run vantile with WebKit's own rendering defaults")
    parser.add_argument("--baseline-build", metavar="DIR",
                        help="also run the vantile of another build folder (an earlier version), for before and after")
    parser.add_argument("--without-sandbox", action="store_true",
                        help="also run vantile with WebKit's web-process sandbox off (VANTILE_WEB_SANDBOX=0)")
    parser.add_argument("--without-warm-up", action="store_true",
                        help="also run vantile without starting WebKit's network process early (VANTILE_WARM_UP=0)")
    args = parser.parse_args()
    vantile = os.path.abspath(os.path.join(args.build, "vantile"))
    out_dir = os.path.join(HERE, "out")
    os.makedirs(out_dir, exist_ok=True)
    minimal = build_minimal(out_dir)

    server = DoneServer()
    root = tempfile.mkdtemp(prefix="vantile-bench-")
    pages = write_pages(root, server.port)
    chosen_pages = [p for p in args.pages.split(",") if p in pages]

    trace = {"VANTILE_STARTUP_TRACE": "1"}
    variants = {}
    for name, (program, extra) in minimal_variants(minimal).items():
        if args.explore or name in (FLOOR, HANDICAPPED):
            variants[name] = lambda env, uri, program=program, extra=extra: ([program, uri], {**env, **extra, **trace})
    variants["vantile"] = lambda env, uri: ([vantile], {**env, **trace})
    if args.with_webkit_defaults:
        variants["vantile, WebKit defaults"] = lambda env, uri: (
            [vantile], {**env, "VANTILE_ACCELERATED_COMPOSITING": "1", "VANTILE_BROWSER_CACHES": "1"})
    if args.baseline_build:
        baseline = os.path.abspath(os.path.join(args.baseline_build, "vantile"))
        variants["vantile, baseline build"] = lambda env, uri: ([baseline], {**env, **trace})
    if args.without_sandbox:
        variants["vantile, no sandbox"] = lambda env, uri: ([vantile], {**env, **trace, "VANTILE_WEB_SANDBOX": "0"})
    if args.without_warm_up:
        variants["vantile, no warm-up"] = lambda env, uri: ([vantile], {**env, "VANTILE_WARM_UP": "0"})
    results = {page: {name: {"time": [], "pss": [], "kinds": [], "marks": []} for name in variants}
               for page in chosen_pages}
    desktop = harness.open_desktop(panel=False)
    try:
        for run in range(args.runs):
            for page in chosen_pages:
                for name, make in variants.items():
                    env = fresh_env(desktop, root, "run")
                    write_settings(env, pages[page])
                    argv, env = make(env, pages[page])
                    elapsed, (pss, kinds), marks = run_once(desktop, server, argv, env)
                    r = results[page][name]
                    r["time"].append(elapsed)
                    r["pss"].append(pss)
                    r["kinds"].append(kinds)
                    r["marks"].append({**marks, "load": elapsed})
                    print(f"run {run + 1:2d} {page:8s} {name:28s} {elapsed * 1000:7.0f} ms {pss / 1024:7.1f} MiB",
                          flush=True)
    finally:
        desktop.close()
        shutil.rmtree(root, ignore_errors=True)

    med = statistics.median
    for page in chosen_pages:
        report(page, results[page], args.runs)


def report(page, results, runs):
    med = statistics.median
    print(f"\npage '{page}': medians of {runs} alternating runs; ratios are medians of each round's own ratio")
    print(f"{'program':28s} {'start-up':>9s} {'/floor':>7s} {'PSS':>9s} {'/floor':>7s}"
          f" {'ui':>7s} {'web':>7s} {'network':>7s}")

    # Start-up times and memory drift over a session (the first rounds are
    # slower, the machine's load changes), so ratios are medians of each
    # round's own ratio: the programs of one round ran side by side.
    def paired(name, key):
        return med([a / b for a, b in zip(results[name][key], results[FLOOR][key])])

    for name, r in results.items():
        t, m = med(r["time"]), med(r["pss"])
        kinds = {k: med([d.get(k, 0) for d in r["kinds"]]) / 1024 for k in ("ui", "web", "network")}
        print(f"{name:28s} {t * 1000:7.0f}ms {paired(name, 'time'):7.2f} {m / 1024:6.1f}MiB"
              f" {paired(name, 'pss'):7.3f} {kinds['ui']:6.1f}M {kinds['web']:6.1f}M {kinds['network']:6.1f}M")

    print(f"where vantile's start-up goes on '{page}' (medians; ms)")
    marks = results["vantile"]["marks"]
    previous = None
    for stage, meaning in STAGES:
        at = [m[stage] for m in marks if stage in m]
        if not at:
            continue
        spans = [m[stage] - (m[previous] if previous else 0.0) for m in marks if stage in m and (not previous or previous in m)]
        print(f"  {meaning:46s} {med(spans) * 1000:7.1f}   (at {med(at) * 1000:7.1f})")
        previous = stage
    floor_marks = results[FLOOR]["marks"]
    print("the floor program, for comparison: "
          + ", ".join(f"{label} at {med([m[stage] for m in floor_marks if stage in m]) * 1000:.1f}"
                      for stage, label in (("main", "main()"), ("gtk-init", "GTK set up"), ("context", "WebKit's context"),
                                           ("navigate", "navigation"), ("shown", "shown"),
                                           ("load-committed", "committed"), ("load", "load event"))
                      if any(stage in m for m in floor_marks)))
    print("targets for vantile: start-up <= 1.00 and PSS <= 1.01 of the floor")


if __name__ == "__main__":
    main()
