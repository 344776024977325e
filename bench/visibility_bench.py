#!/usr/bin/env python3
"""CPU of a desktop page that nobody sees: vantile's processes together (UI,
web, network), in percent of one core, while the page is shown and while a
full-screen window covers it, for a static page, a clock ticking once a
second and a CSS animation; next to the minimal WebKitGTK program with
Vantile's WebKit settings showing the same page (which goes on painting
when covered). Under Xvfb with openbox; rounds alternate between the
programs; the figures are medians.

    python3 bench/visibility_bench.py [--rounds 3] [--seconds 10] [--build build]
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import harness  # noqa: E402
from startup_bench import build_minimal, descendants, fresh_env, write_settings  # noqa: E402

PAGES = {
    "static text": "<p>Desktop</p>",
    "a clock ticking once a second": "<p id=c></p><script>setInterval(function () {"
                                     " document.getElementById('c').textContent = new Date(); }, 1000);</script>",
    "one CSS animation": "<style>@keyframes r { to { transform: rotate(360deg); } }"
                         " div { width: 80px; height: 80px; background: #fc6; animation: r 2s linear infinite; }"
                         "</style><div></div>",
}


def cpu_seconds(pid):
    total = 0
    for p in descendants(pid):
        try:
            with open(f"/proc/{p}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            pass
    return total / os.sysconf("SC_CLK_TCK")


def sample(pid, seconds):
    before = cpu_seconds(pid)
    time.sleep(seconds)
    return 100 * (cpu_seconds(pid) - before) / seconds


def measure(desktop, argv, env, seconds, probe):
    """Percent of one core shown, then covered by a full-screen window."""
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(4)  # loaded and settled
        shown = sample(proc.pid, seconds)
        cover = subprocess.Popen([probe, "plain", "300", "200"], env=desktop.env, stdout=subprocess.PIPE)
        window = cover.stdout.readline().strip().decode()
        desktop.run(["wmctrl", "-i", "-r", window, "-b", "add,fullscreen"])
        time.sleep(2)
        covered = sample(proc.pid, seconds)
        cover.terminate()
        cover.wait()
        return shown, covered
    finally:
        proc.terminate()
        proc.wait(20)
        time.sleep(0.5)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    args = parser.parse_args()
    vantile = os.path.join(os.path.abspath(args.build), "vantile")
    probe = os.path.join(os.path.abspath(args.build), "tests", "e2e", "window_probe")
    root = tempfile.mkdtemp(prefix="visibility-bench-")
    minimal = build_minimal(root)
    with harness.Desktop() as desktop:
        print(f"{'page':32} {'program':8} {'shown %':>8} {'covered %':>10}")
        for name, body in PAGES.items():
            page = os.path.join(root, name.replace(" ", "-") + ".html")
            with open(page, "w") as f:
                f.write(f"<html><body style='background:#234;color:#eee'>{body}</body></html>")
            figures = {"vantile": [], "minimal": []}
            for _ in range(args.rounds):
                env = fresh_env(desktop, root, "vantile")
                write_settings(env, page)
                figures["vantile"].append(measure(desktop, [vantile], env, args.seconds, probe))
                env = dict(fresh_env(desktop, root, "minimal"), MINIMAL_NO_ACCELERATION="1")
                figures["minimal"].append(measure(desktop, [minimal, "file://" + page], env, args.seconds, probe))
            for program, runs in figures.items():
                shown = statistics.median(r[0] for r in runs)
                covered = statistics.median(r[1] for r in runs)
                print(f"{name:32} {program:8} {shown:8.2f} {covered:10.2f}")


if __name__ == "__main__":
    main()
