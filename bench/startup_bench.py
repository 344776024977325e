#!/usr/bin/env python3
"""Start-up time and memory of vantile against a minimal WebKitGTK program
showing the same page full screen, under Xvfb with a window manager.

Start-up: from just before the process is started until the page's load
event has reached a loopback server (the page reports it with one request).
Memory: the PSS of the whole process tree (web and network processes
included), one second after the page completed.

Runs alternate between the programs; the figures are medians, printed as
ratios to the minimal program with WebKit's default settings.

    python3 bench/startup_bench.py [--runs 7] [--build build]
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


def tree_pss_kib(pid):
    total = 0
    for p in descendants(pid):
        try:
            with open(f"/proc/{p}/smaps_rollup") as f:
                for line in f:
                    if line.startswith("Pss:"):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def build_minimal(out_dir):
    binary = os.path.join(out_dir, "minimal_webkit")
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "webkit2gtk-4.1", "gtk+-3.0"],
                           capture_output=True, text=True, check=True).stdout.split()
    subprocess.run(["cc", "-O2", "-o", binary, os.path.join(HERE, "minimal_webkit.c"), *flags], check=True)
    return binary


def run_once(desktop, server, argv, env, settle=1.0, timeout=60):
    server.reset()
    started = time.monotonic()
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
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
    # Let the auxiliary processes go before the next run.
    time.sleep(0.5)
    return elapsed, pss


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


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
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

    variants = {
        "minimal (WebKit defaults)": lambda env: ([minimal, uri], env),
        "minimal, acceleration off": lambda env: ([minimal, uri], {**env, "MINIMAL_NO_ACCELERATION": "1"}),
        "vantile": lambda env: ([vantile], env),
        "vantile, WebKit rendering defaults": lambda env: (
            [vantile], {**env, "VANTILE_ACCELERATED_COMPOSITING": "1", "VANTILE_BROWSER_CACHES": "1"}),
    }
    results = {name: ([], []) for name in variants}
    desktop = harness.open_desktop(panel=False)
    try:
        for run in range(args.runs):
            for name, make in variants.items():
                env = fresh_env(desktop, root, "run")
                write_settings(env, page)
                argv, env = make(env)
                elapsed, pss = run_once(desktop, server, argv, env)
                results[name][0].append(elapsed)
                results[name][1].append(pss)
                print(f"run {run + 1} {name:36s} {elapsed * 1000:7.0f} ms {pss / 1024:7.1f} MiB", flush=True)
    finally:
        desktop.close()
        shutil.rmtree(root, ignore_errors=True)

    base_time = statistics.median(results["minimal (WebKit defaults)"][0])
    base_pss = statistics.median(results["minimal (WebKit defaults)"][1])
    print(f"\nmedians of {args.runs} alternating runs, ratios to the minimal program with WebKit defaults")
    print(f"{'program':38s} {'start-up':>10s} {'ratio':>6s} {'PSS':>10s} {'ratio':>6s}")
    for name, (times, pss) in results.items():
        t, m = statistics.median(times), statistics.median(pss)
        print(f"{name:38s} {t * 1000:8.0f}ms {t / base_time:6.2f} {m / 1024:7.1f}MiB {m / base_pss:6.2f}")
    print("targets for vantile: start-up <= 0.95, memory <= 0.66")


if __name__ == "__main__":
    main()
