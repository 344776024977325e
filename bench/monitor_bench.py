#!/usr/bin/env python3
"""CPU of a system monitor: vantile showing its Monitor demo (processor,
memory, network and disks read every second through window.vantile, and
the power watch) against conky showing the same four readings every second
in a window of its own, on the same Xvfb display with openbox. Each
program's whole process tree, in percent of one core, while shown and while
a full-screen window covers it. Rounds alternate between the programs; the
figures are medians.

    python3 bench/monitor_bench.py [--rounds 3] [--seconds 20] [--build build]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import harness  # noqa: E402
from startup_bench import fresh_env, write_settings  # noqa: E402
from visibility_bench import measure  # noqa: E402

# The same readings as the demo, once a second, in a window of conky's own.
CONKY = """conky.config = {
    out_to_x = true, own_window = true, own_window_type = 'normal', own_window_title = 'conky-bench',
    alignment = 'top_left', minimum_width = 600, minimum_height = 400, update_interval = 1.0,
    double_buffer = true, use_xft = true, font = 'DejaVu Sans:size=12', background = false,
    cpu_avg_samples = 1, net_avg_samples = 1,
};
conky.text = [[
CPU ${cpu cpu0}%  ${cpubar cpu0 8,200}
${cpu cpu1}% ${cpu cpu2}%  load ${loadavg}
Memory ${mem} of ${memmax}  ${membar 8,200}
Swap ${swap} of ${swapmax}
lo down ${downspeed lo} up ${upspeed lo}
eth0 down ${downspeed eth0} up ${upspeed eth0}
/ ${fs_used /} of ${fs_size /}  ${fs_bar 8,200 /}
]]
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--seconds", type=float, default=20)
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    conky = shutil.which("conky")
    if not conky:
        sys.exit("monitor_bench: conky is not installed (scripts/setup-debian.sh installs it)")
    probe = os.path.join(build, "tests", "e2e", "window_probe")
    root = tempfile.mkdtemp(prefix="monitor-bench-")
    config = os.path.join(root, "conky.conf")
    with open(config, "w") as f:
        f.write(CONKY)
    page = os.path.join(build, "Demos", "Monitor", "index.html")
    figures = {"vantile (Monitor demo)": [], "conky": []}
    with harness.Desktop() as desktop:
        for _ in range(args.rounds):
            env = fresh_env(desktop, root, "vantile")
            write_settings(env, page)
            figures["vantile (Monitor demo)"].append(
                measure(desktop, [os.path.join(build, "vantile")], env, args.seconds, probe))
            env = fresh_env(desktop, root, "conky")
            figures["conky"].append(measure(desktop, [conky, "-c", config], env, args.seconds, probe))
        print(f"{'program':24} {'shown %':>8} {'covered %':>10}   (percent of one core; {args.rounds} rounds of "
              f"{args.seconds:.0f} s each)")
        for program, runs in figures.items():
            shown = statistics.median(r[0] for r in runs)
            covered = statistics.median(r[1] for r in runs)
            print(f"{program:24} {shown:8.2f} {covered:10.2f}   shown: {', '.join(f'{r[0]:.2f}' for r in runs)}")
    shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
