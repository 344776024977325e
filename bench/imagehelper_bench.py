#!/usr/bin/env python3
"""Benchmark (not a test): vantile-image-helper against pngquant with its
default settings on the same RGBA icons, one process per file for both.

Corpus, like the icons people take the helper to:
- every 32 and 48 pixel PNG of the installed icon themes (full-colour and
  symbolic), read by the helper from an .ico that holds the PNG unchanged
  (icotool -c -r), so both programs read exactly the same RGBA;
- every distinct image up to 64 pixels of the Windows programs and .ico
  files found under /usr (nsis-common brings a few dozen) and of the test
  samples, each cut out of its icon file with its bytes unchanged into a
  one-image .ico (a DIB stays a DIB); pngquant gets icotool's PNG of it,
  with the icon's AND mask applied as the helper applies it.

Timing: both programs run from shell loops, in chunks of files that
alternate between them, so that changes in the machine's load fall on both
alike; over several rounds. Prints files per second, the median of the
chunks' speed ratios, total bytes, how many outputs are lossless, the error
of each output against its source (PSNR on alpha-premultiplied pixels), and
every file where the helper's error is above pngquant's.

    python3 bench/imagehelper_bench.py [--build build] [--rounds 3] [--chunk 40]
                                       [--pngquant-args="--speed 1"]
"""
import argparse
import glob
import hashlib
import math
import os
import shlex
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from test_imagehelper import read_png  # noqa: E402  (our own zlib-only decoder)


def theme_pngs():
    found = []
    for path in sorted(glob.glob("/usr/share/icons/**/*.png", recursive=True)):
        if "/cursors/" in path:
            continue
        if any(part in ("32x32", "48x48") for part in path.split("/")):
            found.append(path)
    return found


def plain_rgba(png):
    """RGBA at 8 bits, not interlaced: the form of nearly every icon, and
    one that both programs' readers take the same way."""
    with open(png, "rb") as f:
        header = f.read(29)
    return len(header) == 29 and header[24] == 8 and header[25] == 6 and header[28] == 0


def split_ico(data):
    """Each image of an .ico as a one-image .ico with the same bytes."""
    if len(data) < 6:
        return []
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    out = []
    for i in range(count if kind == 1 else 0):
        if 6 + 16 * (i + 1) > len(data):
            break
        entry = data[6 + 16 * i:6 + 16 * (i + 1)]
        size, offset = struct.unpack_from("<II", entry, 8)
        if offset + size > len(data):
            continue
        out.append(struct.pack("<HHH", 0, 1, 1) + entry[:12] + struct.pack("<I", 22) + data[offset:offset + size])
    return out


def windows_icons(work):
    """One-image .ico files of every icon of the Windows programs and .ico
    files under /usr and of the test samples."""
    sources = []
    for top in ("/usr", os.path.join(ROOT, "tests", "data", "ico"), os.path.join(ROOT, "tests", "data", "pe")):
        for folder, _, files in os.walk(top):
            sources += [os.path.join(folder, f) for f in files if f.lower().endswith((".ico", ".exe", ".dll"))]
    sources += glob.glob(os.path.join(ROOT, "tests", "data", "pe", "*"))
    icos = []
    for n, path in enumerate(sorted(set(sources))):
        if path.lower().endswith(".ico"):
            with open(path, "rb") as f:
                icos.append(f.read())
            continue
        folder = os.path.join(work, f"wrestool-{n}")
        os.makedirs(folder)
        subprocess.run(["wrestool", "-x", "-t14", "-o", folder, path], capture_output=True)
        for ico in glob.glob(os.path.join(folder, "*")):
            with open(ico, "rb") as f:
                icos.append(f.read())
    singles, seen = [], set()
    for data in icos:
        for single in split_ico(data):
            digest = hashlib.sha1(single[22:]).digest()
            if digest not in seen:
                seen.add(digest)
                singles.append(single)
    return singles


def write_rgba_png(path, width, height, rgba):
    rows = b"".join(b"\0" + bytes(c for px in rgba[y * width:(y + 1) * width] for c in px) for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def apply_and_mask(single, png):
    """A DIB icon's pixels are transparent where its AND mask is set, also
    when its colour bitmap says otherwise (the helper's rule, and the
    mask's meaning on Windows); icotool's PNG keeps the colour bitmap's
    alpha, so the mask is applied here to give pngquant the same picture."""
    image = single[22:]
    if image[:4] == b"\x89PNG":
        return
    size, width, height2, _, bits, _ = struct.unpack_from("<IiiHHI", image, 0)
    clr_used = struct.unpack_from("<I", image, 32)[0]
    height = abs(height2) // 2
    colours = (clr_used or (1 << bits)) if bits <= 8 else 0
    mask_at = size + 4 * colours + ((width * bits + 31) // 32) * 4 * height
    stride = ((width + 31) // 32) * 4
    decoded = read_png(png)
    rgba = [tuple(p) for p in decoded["rgba"]]
    changed = False
    for y in range(height):
        row = image[mask_at + (height - 1 - y) * stride:mask_at + (height - y) * stride]
        for x in range(width):
            if len(row) > x // 8 and row[x // 8] & (0x80 >> (x % 8)) and rgba[y * width + x][3]:
                rgba[y * width + x] = rgba[y * width + x][:3] + (0,)
                changed = True
    if changed:
        write_rgba_png(png, width, height, rgba)


def premultiplied_mse(a, b):
    total = 0.0
    for (r1, g1, b1, a1), (r2, g2, b2, a2) in zip(a, b):
        f1, f2 = a1 / 255.0, a2 / 255.0
        total += (r1 * f1 - r2 * f2) ** 2 + (g1 * f1 - g2 * f2) ** 2 + (b1 * f1 - b2 * f2) ** 2 + (a1 - a2) ** 2
    return total / (4 * len(a))


def psnr(mse):
    return float("inf") if mse == 0 else 10 * math.log10(255 * 255 / mse)


def timed_loop(argvs, work):
    """Seconds for a shell loop that runs each command in turn."""
    script = os.path.join(work, "loop.sh")
    with open(script, "w") as f:
        for argv in argvs:
            f.write(shlex.join(argv) + " >/dev/null 2>&1\n")
    start = time.perf_counter()
    subprocess.run(["sh", script])
    return time.perf_counter() - start


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--chunk", type=int, default=40)
    ap.add_argument("--pngquant-args", default="", help="extra pngquant options (default: none, its defaults)")
    ap.add_argument("--limit", type=int, default=0, help="use only every n-th icon to get about this many")
    args = ap.parse_args()
    helper = os.path.join(args.build, "vantile-image-helper")
    for tool in (helper, shutil.which("pngquant"), shutil.which("icotool"), shutil.which("wrestool")):
        if not tool or not os.path.exists(tool):
            sys.exit(f"missing: {tool}")

    work = tempfile.mkdtemp(prefix="vantile-bench-")
    try:
        items, skipped = [], 0  # (label, base, ico, source png)
        for i, png in enumerate(theme_pngs()):
            if not plain_rgba(png):
                skipped += 1
                continue
            base = os.path.join(work, f"t{i:04d}")
            shutil.copy(png, base + "-src.png")
            if subprocess.run(["icotool", "-c", "-r", png, "-o", base + ".ico"], capture_output=True).returncode:
                skipped += 1
                continue
            items.append((png, base))
        themed = len(items)
        for i, single in enumerate(windows_icons(work)):
            width, height = single[6] or 256, single[7] or 256
            if width > 64 or height > 64:
                continue
            base = os.path.join(work, f"w{i:04d}")
            with open(base + ".ico", "wb") as f:
                f.write(single)
            folder = base + "-x"
            os.makedirs(folder)
            subprocess.run(["icotool", "-x", "-o", folder, base + ".ico"], capture_output=True)
            pngs = glob.glob(os.path.join(folder, "*.png"))
            if len(pngs) != 1 or not plain_rgba(pngs[0]):
                skipped += 1
                continue
            shutil.move(pngs[0], base + "-src.png")
            apply_and_mask(single, base + "-src.png")
            items.append((f"windows icon {width}x{height} #{i}", base))
        if args.limit and len(items) > args.limit:
            items = items[::len(items) // args.limit]

        pq_options = shlex.split(args.pngquant_args)
        ours = [[helper, base + ".ico", base + "-ours.png"] for (_, base) in items]
        theirs = [["pngquant", *pq_options, "--force", "--output", base + "-pq.png", base + "-src.png"]
                  for (_, base) in items]
        # Warm the page cache and the programs' libraries first.
        timed_loop(ours[:20], work)
        timed_loop(theirs[:20], work)
        t_ours = t_theirs = 0.0
        ratios = []
        for _ in range(args.rounds):
            for at in range(0, len(items), args.chunk):
                a = timed_loop(ours[at:at + args.chunk], work)
                b = timed_loop(theirs[at:at + args.chunk], work)
                t_ours, t_theirs = t_ours + a, t_theirs + b
                ratios.append(b / a)
        failures = {"ours": 0, "pq": 0}

        stats = {"ours": [0, 0, [], 0], "pq": [0, 0, [], 0]}  # bytes, lossless, psnrs, compared
        worse, better, palette_ok = [], 0, 0
        for (label, base) in items:
            src = read_png(base + "-src.png")["rgba"]
            errs = {}
            for key, suffix in (("ours", "-ours.png"), ("pq", "-pq.png")):
                out = base + suffix
                if not os.path.exists(out):
                    failures[key] += 1
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
                worse.append((label, psnr(errs["ours"]), psnr(errs["pq"])))
            if "ours" in errs and "pq" in errs and errs["ours"] < errs["pq"] - 1e-9:
                better += 1

        n = len(items)
        runs = n * args.rounds

        def mean_psnr(values):
            finite = [v for v in values if v != float("inf")]
            return (sum(finite) / len(finite)) if finite else float("inf")

        def mean_mse(values):
            return sum(255 * 255 / 10 ** (v / 10) if v != float("inf") else 0 for v in values) / max(1, len(values))

        pq_name = "pngquant " + (args.pngquant_args or "(defaults)")
        print(f"corpus: {n} icons ({themed} themed PNGs, {n - themed} Windows icons; {skipped} skipped), "
              f"RGBA in; one process per file from a shell loop, {args.rounds} rounds")
        print(f"{'':28}{'vantile-image-helper':>22}{pq_name:>24}")
        print(f"{'files per second':28}{runs / t_ours:22.1f}{runs / t_theirs:24.1f}")
        print(f"{'speed / pngquant':28}{statistics.median(ratios):22.2f}{'(median of chunks)':>24}")
        print(f"{'failures':28}{failures['ours']:22d}{failures['pq']:24d}")
        print(f"{'total bytes':28}{stats['ours'][0]:22d}{stats['pq'][0]:24d}")
        print(f"{'lossless outputs':28}{stats['ours'][1]:22d}{stats['pq'][1]:24d}")
        print(f"{'mean premultiplied MSE':28}{mean_mse(stats['ours'][2]):22.3f}{mean_mse(stats['pq'][2]):24.3f}")
        print(f"{'mean PSNR of lossy (dB)':28}{mean_psnr(stats['ours'][2]):22.2f}{mean_psnr(stats['pq'][2]):24.2f}")
        print(f"{'min PSNR (dB)':28}{min(stats['ours'][2]):22.2f}{min(stats['pq'][2]):24.2f}")
        print(f"files where the helper's error is below pngquant's: "
              f"{better}")
        print(f"helper outputs that are 8-bit indexed with 256-entry PLTE and tRNS: {palette_ok}/{n}")
        print(f"files where the helper's error is above pngquant's: {len(worse)}")
        for label, a, b in worse:
            print(f"  {label}: {a:.2f} dB vs {b:.2f} dB")
    finally:
        if os.environ.get("VANTILE_KEEP_BENCH") is None:
            shutil.rmtree(work, ignore_errors=True)
        else:
            print(f"kept: {work}")


if __name__ == "__main__":
    main()
