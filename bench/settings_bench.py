#!/usr/bin/env python3
"""Benchmark (not a test): the settings store on large input.

- parse: one key of N values read from a .reg file (25,000 to 200,000);
  linear time shows as a steady time per value.
- save: SaveSettings with an allow-list of N programs, the whole hive
  written once; N from 100 to 10,000.

Builds bench/settings_bench.cpp against the project's libraries in the
build folder (build them first) and prints its figures.

    python3 bench/settings_bench.py [--build build]
"""
import argparse
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    with tempfile.TemporaryDirectory(prefix="vantile-bench-") as work:
        binary = os.path.join(work, "settings_bench")
        subprocess.run(["c++", "-std=c++20", "-O2", "-I", ROOT, "-I", os.path.join(build, "generated"),
                        "-o", binary, os.path.join(HERE, "settings_bench.cpp"),
                        os.path.join(build, "shell", "libvantile_shell.a"),
                        os.path.join(build, "common", "libvantile_common.a")], check=True)
        out = subprocess.run([binary, work], capture_output=True, text=True, check=True).stdout
    rows = [line.split() for line in out.splitlines()]
    for kind, title, heads in (("parse", "Reading one key of N values:", ("values", "ms", "ns/value")),
                               ("save", "SaveSettings with N programs (one write of the hive):",
                                ("programs", "ms", "bytes"))):
        print(title)
        print("".join(f"{h:>10}" for h in heads))
        for _, n, ms, extra in (r for r in rows if r[0] == kind):
            print(f"{int(n):>10}{float(ms):>10.1f}{int(extra):>10}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
