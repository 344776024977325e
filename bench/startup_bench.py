#!/usr/bin/env python3
"""Start-up time and memory of vantile against a minimal WebKitGTK program
showing the same page full screen, under Xvfb with a window manager: once
with WebKit's defaults, once with the WebKit settings Vantile runs with
(compositing off, small caches), which is the floor vantile is held to.

Start-up: from just before the process is started until the page's load
event has reached a loopback server (the page reports it with one request).
Memory: the PSS of the whole process tree (web and network processes
included, and broken down by process), one second after the page completed.
vantile runs with VANTILE_STARTUP_TRACE=1, so the time up to the load event
is also broken down by start-up stage.

Runs alternate between the programs; the figures are medians.

    python3 bench/startup_bench.py [--runs 10] [--build build] [--baseline-build DIR]
                                   [--without-warm-up] [--with-webkit-defaults]
"""
import argparse
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
    ("warm-load", "the web process asked for (hidden view)"),
    ("menu", "the menu built (demo scan included)"),
    ("settings-loaded", "settings loaded"),
    ("message-passes", "window load and browser set-up"),
    ("placement", "the 10,001 message passes"),
    ("show", "placement"),
    ("shown", "the window shown (the view realized)"),
    ("navigate", "to the activate step's navigation"),
    ("load-committed", "navigation to the page committed"),
    ("load", "committed to the page's load event"),
]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    parser.add_argument("--with-webkit-defaults", action="store_true",
                        help="also run vantile with WebKit's own rendering defaults")
    parser.add_argument("--baseline-build", metavar="DIR",
                        help="also run the vantile of another build folder (an earlier version), for before and after")
    parser.add_argument("--without-warm-up", action="store_true",
                        help="also run vantile without starting WebKit's web process early (VANTILE_WARM_UP=0)")
    args = parser.parse_args()
    vantile = os.path.abspath(os.path.join(args.build, "vantile"))
    out_dir = os.path.join(HERE, "out")
    os.makedirs(out_dir, exist_ok=True)
    minimal = build_minimal(out_dir)

    server = DoneServer()
    root = tempfile.mkdtemp(prefix="vantile-bench-")
    page = os.path.join(root, "desktop.html")
    with open(page, "w") as f:
        f.write(PAGE.format(port=server.port,
                            tiles="".join(f'<div class="tile">Tile {i}</div>' for i in range(24))))
    uri = "file://" + page

    default = "minimal (WebKit defaults)"
    floor = "minimal (compositing off)"
    variants = {
        default: lambda env: ([minimal, uri], env),
        floor: lambda env: ([minimal, uri], {**env, "MINIMAL_NO_ACCELERATION": "1", "VANTILE_STARTUP_TRACE": "1"}),
        "vantile": lambda env: ([vantile], {**env, "VANTILE_STARTUP_TRACE": "1"}),
    }
    if args.with_webkit_defaults:
        variants["vantile, WebKit defaults"] = lambda env: (
            [vantile], {**env, "VANTILE_ACCELERATED_COMPOSITING": "1", "VANTILE_BROWSER_CACHES": "1"})
    if args.baseline_build:
        baseline = os.path.abspath(os.path.join(args.baseline_build, "vantile"))
        variants["vantile, baseline build"] = lambda env: ([baseline], {**env, "VANTILE_STARTUP_TRACE": "1"})
    if args.without_warm_up:
        variants["vantile, no warm-up"] = lambda env: ([vantile], {**env, "VANTILE_WARM_UP": "0"})
    results = {name: {"time": [], "pss": [], "kinds": [], "marks": []} for name in variants}
    desktop = harness.open_desktop(panel=False)
    try:
        for run in range(args.runs):
            for name, make in variants.items():
                env = fresh_env(desktop, root, "run")
                write_settings(env, page)
                argv, env = make(env)
                elapsed, (pss, kinds), marks = run_once(desktop, server, argv, env)
                r = results[name]
                r["time"].append(elapsed)
                r["pss"].append(pss)
                r["kinds"].append(kinds)
                r["marks"].append({**marks, "load": elapsed})
                print(f"run {run + 1:2d} {name:28s} {elapsed * 1000:7.0f} ms {pss / 1024:7.1f} MiB", flush=True)
    finally:
        desktop.close()
        shutil.rmtree(root, ignore_errors=True)

    med = statistics.median
    base_pss = med(results[default]["pss"])
    floor_pss = med(results[floor]["pss"])
    print(f"\nmedians of {args.runs} alternating runs; start-up ratios are medians of each round's ratio")
    print(f"{'program':28s} {'start-up':>9s} {'/default':>8s} {'/floor':>7s} {'PSS':>9s} {'/default':>8s} {'/floor':>7s}"
          f" {'ui':>7s} {'web':>7s} {'network':>7s}")
    # Start-up times drift over a session (the first rounds are slower, the
    # machine's load changes), so ratios are medians of each round's own
    # ratio: the programs of one round ran side by side.
    def paired(name, reference):
        return med([a / b for a, b in zip(results[name]["time"], results[reference]["time"])])

    for name, r in results.items():
        t, m = med(r["time"]), med(r["pss"])
        kinds = {k: med([d.get(k, 0) for d in r["kinds"]]) / 1024 for k in ("ui", "web", "network")}
        print(f"{name:28s} {t * 1000:7.0f}ms {paired(name, default):8.2f} {paired(name, floor):7.2f} {m / 1024:6.1f}MiB"
              f" {m / base_pss:8.2f} {m / floor_pss:7.2f} {kinds['ui']:6.1f}M {kinds['web']:6.1f}M"
              f" {kinds['network']:6.1f}M")

    print("\nwhere vantile's start-up goes (medians; ms)")
    marks = results["vantile"]["marks"]
    previous = None
    for stage, meaning in STAGES:
        at = [m[stage] for m in marks if stage in m]
        if not at:
            continue
        spans = [m[stage] - (m[previous] if previous else 0.0) for m in marks if stage in m and (not previous or previous in m)]
        print(f"  {meaning:46s} {med(spans) * 1000:7.1f}   (at {med(at) * 1000:7.1f})")
        previous = stage
    floor_marks = results[floor]["marks"]
    print(f"the compositing-off minimal program, for comparison: main() at "
          + ", ".join(f"{label} at {med([m[stage] for m in floor_marks if stage in m]) * 1000:.1f}"
                      for stage, label in (("main", "main()"), ("context", "WebKit's context"), ("navigate", "navigation"),
                                           ("shown", "shown"),
                                           ("load-committed", "committed"), ("load", "load event"))
                      if any(stage in m for m in floor_marks)).split("main() at ", 1)[1])
    print("targets for vantile: start-up <= 1.00 and memory <= 1.00 of the compositing-off minimal program")


if __name__ == "__main__":
    main()
