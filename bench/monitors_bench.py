#!/usr/bin/env python3
"""What a second monitor costs, and whether monitors coming and going leak.

Under headless mutter (through Xwayland), as a throw-away user (run as root):
- PSS of vantile's whole process tree (web and network processes included)
  on the Welcome desktop with one monitor and with two, "ShowOnAllMonitors" on,
  in alternating rounds; the figure is the median of the per-round ratios.
  It also counts WebKit's web processes: the windows share one.
- A hundred cycles of the second monitor switched off (its window goes) and
  on again (a new window, its page loaded), and a hundred of the primary
  moved from one monitor to the other (a new window each time): the
  program's own anonymous memory (its heap, thread stacks: what a leak
  grows) after the first cycle and every 25 after it, with the number of
  WebKit's "VBlankMonitor" threads (WebKit keeps one per display it has
  drawn on, and Xwayland makes a monitor switched on again a new display).

    python3 bench/monitors_bench.py [--rounds 5] [--cycles 100] [--build build]
"""
import argparse
import os
import pathlib
import shutil
import subprocess
import statistics
import sys
import time
import types

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import harness  # noqa: E402
import test_shell_gnome as gnome  # noqa: E402
from startup_bench import process_kind, descendants, tree_pss_kib  # noqa: E402

PAGE = os.path.join(HERE, "..", "Demos", "Welcome", "index.html")


class Session(gnome.MutterTestCase):
    """A mutter session, set up and torn down outside a test run."""
    def runTest(self):
        pass

    def __init__(self, monitors):
        super().__init__()
        self.monitors = ("1280x800",) * monitors

    def __enter__(self):
        self.setUp()
        return self

    def __exit__(self, *exc):
        self.doCleanups()

    def start_desktop(self):
        shutil.copy2(os.path.abspath(PAGE), self.home)
        self.write_settings({"HomePage": os.path.join(self.home, "index.html"), "ShowOnAllMonitors": True,
                             "EnableScripting": True, "EnableImages": True})
        self.log = pathlib.Path(self.home, "debug.log")
        proc = subprocess.Popen([os.path.join(self.home, "vantile"), "/debug"], env=self.env, user=self.uid,
                                group=self.gid, extra_groups=[], cwd=self.home, stderr=subprocess.DEVNULL)
        self.addCleanup(harness.stop_vantile, proc)
        return proc

    def windows(self):
        """How many monitors besides the primary have a window, by the debug log."""
        text = self.log.read_text() if self.log.exists() else ""
        return text.count("Monitors:Window Added") - text.count("Monitors:Window Removed")


def own_anonymous_kib(pid):
    """The program's own anonymous memory (its heap and the like): what a
    leak grows. Its PSS moves with what other processes share with it."""
    with open(f"/proc/{pid}/smaps_rollup") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("Anonymous:"))


def measure(monitors):
    with Session(monitors) as session:
        proc = session.start_desktop()
        harness.Desktop.wait_for(lambda: session.log.exists() and session.windows() == monitors - 1, 60, "the windows")
        time.sleep(4)  # the pages loaded and drawn
        total, by_kind = tree_pss_kib(proc.pid)
        web = sum(1 for p in descendants(proc.pid) if process_kind(p, proc.pid) == "web")
        return total, by_kind, web


def cycles(count, swap=False):
    """Anonymous memory and WebKit's vblank threads over `count` cycles of
    the second monitor switched off and on (a new monitor each time to the
    display server) or, with `swap`, of the primary moved between the two
    monitors (each move makes one new window, on a monitor already known)."""
    with Session(2) as session:
        proc = session.start_desktop()
        harness.Desktop.wait_for(lambda: session.windows() == 1, 60, "the desktop")
        time.sleep(3)
        added = lambda: session.log.read_text().count("Monitors:Window Added")
        figures = []
        for cycle in range(1, count + 1):
            first, second = ("Meta-0", "1280x800@60.000", 0, True), ("Meta-1", "1280x800@60.000", 1280, False)
            if swap:
                before = added()
                session.apply_monitors(first[:3] + (cycle % 2 == 0,), second[:3] + (cycle % 2 == 1,))
                harness.Desktop.wait_for(lambda: added() > before and session.windows() == 1, 30, "the new window")
            else:
                session.apply_monitors(first)
                harness.Desktop.wait_for(lambda: session.windows() == 0, 30, "the window gone")
                session.apply_monitors(first, second)
                harness.Desktop.wait_for(lambda: session.windows() == 1, 30, "the window back")
            if cycle == 1 or cycle % 25 == 0:
                time.sleep(3)  # its page loaded, the window before it destroyed
                threads = [open(f"/proc/{proc.pid}/task/{t}/comm").read().strip()
                           for t in os.listdir(f"/proc/{proc.pid}/task")]
                figures.append((cycle, own_anonymous_kib(proc.pid), threads.count("VBlankMonitor")))
        return figures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--cycles", type=int, default=100)
    parser.add_argument("--build", default=os.environ.get("VANTILE_BUILD_DIR", "build"))
    args = parser.parse_args()
    harness.BUILD_DIR = os.path.abspath(args.build)
    ratios = []
    for round_number in range(args.rounds):
        one, one_kinds, one_web = measure(1)
        two, two_kinds, two_web = measure(2)
        ratios.append(two / one)
        print(f"round {round_number + 1}: one monitor {one / 1024:.1f} MiB ({one_web} web process), "
              f"two {two / 1024:.1f} MiB ({two_web} web process): {two / one:.3f}  "
              f"[ui +{(two_kinds.get('ui', 0) - one_kinds.get('ui', 0)) / 1024:.1f} MiB, "
              f"web +{(two_kinds.get('web', 0) - one_kinds.get('web', 0)) / 1024:.1f} MiB]", flush=True)
    if ratios:
        print(f"PSS with two monitors over one: median {statistics.median(ratios):.3f} of {len(ratios)} rounds")
    for swap in (False, True):
        if not args.cycles:
            break
        figures = cycles(args.cycles, swap)
        first = figures[0][1]
        print(("primary moved between the monitors" if swap else "second monitor switched off and on") +
              ", vantile's own anonymous memory (WebKit's vblank threads) after cycle " + ", ".join(
                  f"{cycle}: {kib / 1024:.1f} MiB ({(kib - first) / 1024:+.1f}, {vblank})" for cycle, kib, vblank in figures))

if __name__ == "__main__":
    main()
