#!/usr/bin/env python3
"""Benchmark (not a test): vantile-image-helper against `pngquant --speed 1`
on the same RGBA icons, one process per file for both.

Corpus: PNG icons of the installed icon themes (16 to 64 pixels a side,
a few hundred), plus the images of the test ICO and PE samples extracted
with icoutils. Each PNG is wrapped unchanged into an .ico (icotool -c -r),
so the helper reads exactly the RGBA that pngquant reads.

Prints files per second, total bytes, how often each is lossless, and the
error of each output against its source (PSNR on alpha-premultiplied
pixels), and lists every file where the helper's error is above pngquant's.

    python3 bench/imagehelper_bench.py [--build build] [--limit 400]
"""
import argparse
import glob
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from test_imagehelper import read_png  # noqa: E402  (our own zlib-only decoder)


def theme_pngs(limit):
    found = []
    for path in sorted(glob.glob("/usr/share/icons/**/*.png", recursive=True)):
        if "/cursors/" in path:
            continue
        parts = [p for p in path.split("/") if "x" in p and p.split("x")[0].isdigit()]
        if parts and 16 <= int(parts[0].split("x")[0]) <= 64:
            found.append(path)
    step = max(1, len(found) // limit)
    return found[::step][:limit]


def sample_pngs(work):
    """The images of the test samples as PNGs (icoutils does the extracting)."""
    out = []
    samples = glob.glob(os.path.join(ROOT, "tests", "data", "ico", "*.ico"))
    for pe in glob.glob(os.path.join(ROOT, "tests", "data", "pe", "*")):
        folder = os.path.join(work, "wrestool-" + os.path.basename(pe))
        os.makedirs(folder)
        subprocess.run(["wrestool", "-x", "-t14", "-o", folder, pe], capture_output=True)
        samples += glob.glob(os.path.join(folder, "*.ico"))
    for ico in samples:
        folder = os.path.join(work, "icotool-" + os.path.basename(os.path.dirname(ico)) + "-" + os.path.basename(ico))
        os.makedirs(folder)
        subprocess.run(["icotool", "-x", "-o", folder, ico], capture_output=True)
        out += sorted(glob.glob(os.path.join(folder, "*.png")))
    return out


def premultiplied_mse(a, b):
    total = 0.0
    for (r1, g1, b1, a1), (r2, g2, b2, a2) in zip(a, b):
        f1, f2 = a1 / 255.0, a2 / 255.0
        total += (r1 * f1 - r2 * f2) ** 2 + (g1 * f1 - g2 * f2) ** 2 + (b1 * f1 - b2 * f2) ** 2 + (a1 - a2) ** 2
    return total / (4 * len(a))


def psnr(mse):
    return float("inf") if mse == 0 else 10 * math.log10(255 * 255 / mse)


def run_all(argvs):
    start = time.perf_counter()
    failures = 0
    for argv in argvs:
        if subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode != 0:
            failures += 1
    return time.perf_counter() - start, failures


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--limit", type=int, default=400)
    args = ap.parse_args()
    helper = os.path.join(args.build, "vantile-image-helper")
    for tool in (helper, shutil.which("pngquant"), shutil.which("icotool")):
        if not tool or not os.path.exists(tool):
            sys.exit(f"missing: {tool}")

    work = tempfile.mkdtemp(prefix="vantile-bench-")
    try:
        sources = theme_pngs(args.limit) + sample_pngs(work)
        items = []
        for i, png in enumerate(sources):
            with open(png, "rb") as f:
                header = f.read(26)
            # RGBA at 8 bits, the form of nearly every icon; other forms would
            # be converted differently by the two programs' readers.
            if header[24] != 8 or header[25] != 6:
                continue
            base = os.path.join(work, f"{i:04d}")
            shutil.copy(png, base + "-src.png")
            ico = base + ".ico"
            if subprocess.run(["icotool", "-c", "-r", png, "-o", ico], capture_output=True).returncode != 0:
                continue
            items.append((png, base, ico))

        ours = [[helper, ico, base + "-ours.png"] for (_, base, ico) in items]
        theirs = [["pngquant", "--speed", "1", "--force", "--output", base + "-pq.png", base + "-src.png"]
                  for (_, base, _) in items]
        # Warm the page cache, then time the tools file by file in turn, so
        # that changes in the machine's load fall on both alike.
        run_all(ours[:20])
        run_all(theirs[:20])
        t_ours = t_theirs = 0.0
        f_ours = f_theirs = 0
        for a, b in zip(ours, theirs):
            t, f = run_all([a])
            t_ours, f_ours = t_ours + t, f_ours + f
            t, f = run_all([b])
            t_theirs, f_theirs = t_theirs + t, f_theirs + f
        originals = glob.glob(os.path.join(ROOT, "tests", "data", "ico", "*.ico")) + \
            glob.glob(os.path.join(ROOT, "tests", "data", "pe", "*"))
        t_orig, f_orig = run_all([[helper, s, os.path.join(work, f"orig-{i}.png")] for i, s in enumerate(originals * 10)])

        stats = {"ours": [0, 0, [], 0], "pq": [0, 0, [], 0]}  # bytes, lossless, psnrs, compared
        worse = []
        palette_ok = 0
        for (png, base, _) in items:
            src = read_png(base + "-src.png")["rgba"]
            errs = {}
            for key, suffix in (("ours", "-ours.png"), ("pq", "-pq.png")):
                out = base + suffix
                if not os.path.exists(out):
                    continue
                decoded = read_png(out)
                if key == "ours" and decoded["colour_type"] == 3 and decoded["palette_entries"] == 256 \
                        and len(decoded["trns"]) == 256:
                    palette_ok += 1
                mse = premultiplied_mse(src, decoded["rgba"])
                errs[key] = mse
                s = stats[key]
                s[0] += os.path.getsize(out)
                s[1] += mse == 0
                s[2].append(psnr(mse))
                s[3] += 1
            if "ours" in errs and "pq" in errs and errs["ours"] > errs["pq"] + 1e-9:
                worse.append((png, psnr(errs["ours"]), psnr(errs["pq"])))

        n = len(items)

        def mean_psnr(values):
            finite = [v for v in values if v != float("inf")]
            return (sum(finite) / len(finite)) if finite else float("inf")

        def mean_mse(values):
            return sum(255 * 255 / 10 ** (v / 10) if v != float("inf") else 0 for v in values) / max(1, len(values))

        print(f"corpus: {n} icons ({len(sources) - n} skipped), RGBA in; one process per file")
        print(f"{'':28}{'vantile-image-helper':>22}{'pngquant --speed 1':>22}")
        print(f"{'files per second':28}{n / t_ours:22.1f}{n / t_theirs:22.1f}")
        print(f"{'failures':28}{f_ours:22d}{f_theirs:22d}")
        print(f"{'total bytes':28}{stats['ours'][0]:22d}{stats['pq'][0]:22d}")
        print(f"{'lossless outputs':28}{stats['ours'][1] / n:21.1%} {stats['pq'][1] / max(1, stats['pq'][3]):21.1%}")
        print(f"{'mean premultiplied MSE':28}{mean_mse(stats['ours'][2]):22.3f}{mean_mse(stats['pq'][2]):22.3f}")
        print(f"{'mean PSNR of lossy (dB)':28}{mean_psnr(stats['ours'][2]):22.2f}{mean_psnr(stats['pq'][2]):22.2f}")
        print(f"{'min PSNR (dB)':28}{min(stats['ours'][2]):22.2f}{min(stats['pq'][2]):22.2f}")
        print(f"helper outputs that are 8-bit indexed with 256-entry PLTE and tRNS: {palette_ok}/{n}")
        print(f"helper on the original ICO/PE samples: {len(originals) * 10 / t_orig:.1f} files per second, "
              f"{f_orig} failures")
        print(f"files where the helper's error is above pngquant's: {len(worse)}")
        for png, a, b in worse:
            print(f"  {png}: {a:.2f} dB vs {b:.2f} dB")
    finally:
        if os.environ.get("VANTILE_KEEP_BENCH") is None:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
