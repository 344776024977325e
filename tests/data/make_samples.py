#!/usr/bin/env python3
"""Writes the image helper's test samples: small Windows programs (PE files)
with icon resources, .ico files, and malformed variants of both.

The files are committed; run this again only to change them:
    python3 tests/data/make_samples.py
Icons are drawn here from simple patterns so every pixel is known.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


# -- pictures ---------------------------------------------------------------
def pattern(w, h, seed=0):
    """RGBA rows: a diagonal gradient with a transparent ring of corners."""
    px = []
    for y in range(h):
        row = []
        for x in range(w):
            r = (x * 255 // max(1, w - 1) + seed) & 255
            g = (y * 255 // max(1, h - 1)) & 255
            b = ((x + y) * 4 + seed * 3) & 255
            corner = (x < 3 and y < 3) or (x >= w - 3 and y >= h - 3)
            a = 0 if corner else (128 if x == w // 2 else 255)
            row.append((r, g, b, a))
        px.append(row)
    return px


def and_mask(px):
    w = len(px[0])
    stride = ((w + 31) // 32) * 4
    out = b""
    for row in reversed(px):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def bih(w, h, bits, compression=0, clr_used=0, size=40):
    return struct.pack("<IiiHHIIiiII", size, w, h, bits, 1, 0, 0, 0, 0, 0, 0)[:0] + struct.pack(
        "<IiiHHIIiiII", size, w, h, 1, bits, compression, 0, 0, 0, clr_used, 0)


def dib32(px):
    w, h = len(px[0]), len(px)
    rows = b"".join(bytes(c for (r, g, b, a) in row for c in (b, g, r, a)) for row in reversed(px))
    return bih(w, 2 * h, 32) + rows + and_mask(px)


def dib24(px):
    w, h = len(px[0]), len(px)
    stride = ((w * 24 + 31) // 32) * 4
    rows = b""
    for row in reversed(px):
        line = bytes(c for (r, g, b, a) in row for c in (b, g, r))
        rows += line + bytes(stride - len(line))
    return bih(w, 2 * h, 24) + rows + and_mask(px)


def dib_indexed(px, bits, palette, clr_used=None):
    """px holds palette indexes (int) per pixel; mask from index 0 when transparent."""
    w, h = len(px[0]), len(px)
    stride = ((w * bits + 31) // 32) * 4
    rows = b""
    for row in reversed(px):
        line = bytearray(stride)
        for x, idx in enumerate(row):
            bitpos = x * bits
            line[bitpos // 8] |= idx << (8 - bits - bitpos % 8)
        rows += bytes(line)
    pal = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in palette)
    mask_px = [[(0, 0, 0, 255 if (x + y) % 7 else 0) for x in range(w)] for y in range(h)]
    used = len(palette) if clr_used is None else clr_used
    return bih(w, 2 * h, bits, clr_used=used) + pal + rows + and_mask(mask_px)


def png(px, depth=8, gamma=None):
    """RGBA rows as a PNG; at depth 16 each 8-bit sample v is stored as v * 257.
    `gamma` adds a gAMA chunk (in units of 1/100000)."""
    w, h = len(px[0]), len(px)
    if depth == 16:
        raw = b"".join(b"\0" + b"".join(struct.pack(">H", c * 257) for p in row for c in p) for row in px)
    else:
        raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in px)

    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xffffffff)
    extra = chunk(b"gAMA", struct.pack(">I", gamma)) if gamma is not None else b""
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, 6, 0, 0, 0)) + extra
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


# -- containers -------------------------------------------------------------
def ico(images, offsets=None, count=None):
    """images: list of (w, h, bits, bytes)."""
    n = len(images)
    head = struct.pack("<HHH", 0, 1, n if count is None else count)
    pos = 6 + 16 * n
    entries, blobs = b"", b""
    for i, (w, h, bits, data) in enumerate(images):
        off = pos if offsets is None else offsets[i]
        entries += struct.pack("<BBBBHHII", w & 255, h & 255, 0, 0, 1, bits, len(data), off)
        blobs += data
        pos += len(data)
    return head + entries + blobs


def group(entries, count=None):
    """entries: list of (w, h, bits, size, id)."""
    out = struct.pack("<HHH", 0, 1, len(entries) if count is None else count)
    for (w, h, bits, size, rid) in entries:
        out += struct.pack("<BBBBHHIH", w & 255, h & 255, 0, 0, 1, bits, size, rid)
    return out


def resource_tree(resources, base_rva, patch=None):
    """resources: {type: [(id, bytes)]} -> bytes of a .rsrc section at base_rva."""
    types = sorted(resources)
    dirs = []  # (offset placeholder) computed in two passes
    # Layout: root dir, then per type a name dir, then per name a lang dir,
    # then data entries, then data.
    def dir_size(n):
        return 16 + 8 * n
    off = dir_size(len(types))
    type_dir_off, name_lang_off = {}, {}
    for t in types:
        type_dir_off[t] = off
        off += dir_size(len(resources[t]))
    for t in types:
        for (rid, _) in resources[t]:
            name_lang_off[(t, rid)] = off
            off += dir_size(1)
    data_entry_off = {}
    for t in types:
        for (rid, _) in resources[t]:
            data_entry_off[(t, rid)] = off
            off += 16
    data_off = {}
    for t in types:
        for (rid, blob) in resources[t]:
            off = (off + 3) & ~3
            data_off[(t, rid)] = off
            off += len(blob)
    buf = bytearray(off)

    def put_dir(at, entries):
        struct.pack_into("<IIHHHH", buf, at, 0, 0, 4, 0, 0, len(entries))
        for i, (name, target) in enumerate(entries):
            struct.pack_into("<II", buf, at + 16 + 8 * i, name, target)
    put_dir(0, [(t, type_dir_off[t] | 0x80000000) for t in types])
    for t in types:
        put_dir(type_dir_off[t], [(rid, name_lang_off[(t, rid)] | 0x80000000) for (rid, _) in resources[t]])
        for (rid, blob) in resources[t]:
            put_dir(name_lang_off[(t, rid)], [(1033, data_entry_off[(t, rid)])])
            struct.pack_into("<IIII", buf, data_entry_off[(t, rid)], base_rva + data_off[(t, rid)], len(blob), 0, 0)
            buf[data_off[(t, rid)]:data_off[(t, rid)] + len(blob)] = blob
    if patch:
        patch(buf, type_dir_off, name_lang_off, data_entry_off)
    return bytes(buf)


def pe(resources, plus=False, patch_tree=None, patch_file=None, sections=1):
    rsrc = resource_tree(resources, 0x1000, patch_tree) if resources is not None else b""
    raw = rsrc + bytes((-len(rsrc)) % 0x200)
    dos = bytearray(64)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 0x3c, 0x40)
    opt_size = 240 if plus else 224
    fh = struct.pack("<HHIIIHH", 0x8664 if plus else 0x14c, sections, 0, 0, 0, opt_size, 0x0102)
    opt = bytearray(opt_size)
    struct.pack_into("<H", opt, 0, 0x20b if plus else 0x10b)
    struct.pack_into("<II", opt, 32, 0x1000, 0x200)  # section / file alignment
    struct.pack_into("<I", opt, 56, 0x1000 + len(raw))  # size of image
    struct.pack_into("<I", opt, 60, 0x200)  # size of headers
    struct.pack_into("<H", opt, 68, 2)  # GUI subsystem
    dirs = 112 if plus else 96
    struct.pack_into("<I", opt, dirs - 4, 16)
    if resources is not None:
        struct.pack_into("<II", opt, dirs + 16, 0x1000, len(rsrc))
    sec = struct.pack("<8sIIIIIIHHI", b".rsrc", len(rsrc), 0x1000, len(raw), 0x200, 0, 0, 0, 0, 0x40000040)
    head = bytes(dos) + b"PE\0\0" + fh + bytes(opt) + sec
    head += bytes(0x200 - len(head))
    data = bytearray(head + raw)
    if patch_file:
        patch_file(data)
    return bytes(data)


def icon_resources(images, group_sizes=None, first_id=1):
    icons = [(first_id + i, data) for i, (_, _, _, data) in enumerate(images)]
    entries = [(w, h, bits, (group_sizes[i] if group_sizes else len(data)), first_id + i)
               for i, (w, h, bits, data) in enumerate(images)]
    return icons, group(entries)


def write(folder, name, data):
    with open(os.path.join(HERE, folder, name), "wb") as f:
        f.write(data)


def main():
    p16, p32, p48 = pattern(16, 16, 10), pattern(32, 32), pattern(48, 48, 40)
    idx16 = [[(x + y) % 16 for x in range(16)] for y in range(16)]
    pal16 = [(i * 16, 255 - i * 16, (i * 37) & 255) for i in range(16)]
    idx48 = [[(x * 5 + y) % 256 for x in range(48)] for y in range(48)]
    pal256 = [(i, (i * 3) & 255, 255 - i) for i in range(256)]
    images = [(16, 16, 4, dib_indexed(idx16, 4, pal16)), (32, 32, 32, dib32(p32)),
              (48, 48, 8, dib_indexed(idx48, 8, pal256, clr_used=0))]

    # Good samples.
    icons, grp = icon_resources(images)
    write("pe", "icons.exe", pe({3: icons, 14: [(1, grp)]}))
    write("pe", "icons64.dll", pe({3: icons, 14: [(1, grp)]}, plus=True))
    red = [[(220, 30, 30, 255)] * 32 for _ in range(32)]
    blue = [[(30, 30, 220, 255)] * 32 for _ in range(32)]
    g1 = group([(32, 32, 24, 0, 1)])
    g2 = group([(32, 32, 24, 0, 2)])
    write("pe", "two_groups.dll", pe({3: [(1, dib24(red)), (2, dib24(blue))], 14: [(5, g1), (9, g2)]}))
    mono = [[(x // 4 + y // 4) % 2 for x in range(32)] for y in range(32)]
    write("pe", "mono.dll", pe({3: [(1, dib_indexed(mono, 1, [(0, 0, 0), (255, 255, 255)]))],
                                14: [(1, group([(32, 32, 1, 0, 1)]))]}))
    write("pe", "png_icon.exe", pe({3: [(1, png(p32))], 14: [(1, group([(32, 32, 32, 0, 1)]))]}))
    icons, grp = icon_resources(images[1:2], group_sizes=[0x7fffffff])
    write("pe", "group_size_hint_too_large.exe", pe({3: icons, 14: [(1, grp)]}))

    write("ico", "sizes.ico", ico(images))
    write("ico", "png32.ico", ico([(32, 32, 32, png(p32))]))
    write("ico", "only48.ico", ico([(48, 48, 32, dib32(p48))]))
    write("ico", "mono.ico", ico([(32, 32, 1, dib_indexed(mono, 1, [(0, 0, 0), (255, 255, 255)]))]))
    # Samples are taken as stored: neither 16 bits nor a gAMA chunk (gamma 1.0
    # here) may lighten them. Also as plain PNGs, as the icon theme reads them.
    for name, data in (("png16", png(p32, depth=16)), ("png_gamma", png(p32, gamma=100000))):
        write("ico", name + ".png", data)
        write("ico", name + ".ico", ico([(32, 32, 32, data)]))

    # Malformed samples: each must be refused cleanly.
    good32 = dib32(p32)
    one = icon_resources(images[1:2])

    def pe_with(patch_tree=None, patch_file=None, res=None, **kw):
        icons, grp = one
        return pe(res if res is not None else {3: icons, 14: [(1, grp)]}, patch_tree=patch_tree,
                  patch_file=patch_file, **kw)

    def set_u32(buf, at, v):
        struct.pack_into("<I", buf, at, v)

    def set_u16(buf, at, v):
        struct.pack_into("<H", buf, at, v)

    sec = 0x40 + 24 + 224
    write("bad", "pe_section_offset_overflow.exe", pe_with(patch_file=lambda d: set_u32(d, sec + 20, 0xffffff00)))
    # A raw size that wraps a 32-bit sum, with the icon data cut off the file.
    write("bad", "pe_section_size_overflow.exe",
          pe_with(patch_file=lambda d: set_u32(d, sec + 16, 0xfffffff0))[:0x200 + 0x100])
    write("bad", "pe_section_count_huge.exe", pe_with(patch_file=lambda d: set_u16(d, 0x46, 0xffff)))
    write("bad", "pe_resource_rva_overflow.exe", pe_with(
        patch_tree=lambda b, t, n, de: [set_u32(b, de[k], 0xfffffff0) for k in de]))
    write("bad", "pe_resource_size_overflow.exe", pe_with(
        patch_tree=lambda b, t, n, de: [set_u32(b, de[k] + 4, 0xfffffff0) for k in de]))
    # The language level points back at the root directory: a cycle.
    write("bad", "pe_cyclic_directory.exe", pe_with(
        patch_tree=lambda b, t, n, de: [set_u32(b, n[k] + 20, 0x80000000) for k in n]))
    # The type level points at itself.
    write("bad", "pe_self_directory.exe", pe_with(
        patch_tree=lambda b, t, n, de: [set_u32(b, t[k] + 20, 0x80000000 | t[k]) for k in t]))
    # A fourth level where data should be.
    write("bad", "pe_deep_directory.exe", pe_with(
        patch_tree=lambda b, t, n, de: [set_u32(b, n[k] + 20, 0x80000000 | n[k]) for k in n]))
    write("bad", "pe_directory_offset_outside.exe", pe_with(
        patch_tree=lambda b, t, n, de: set_u32(b, 20, 0x80000000 | 0x7ffffff0)))
    write("bad", "pe_entry_count_overflow.exe", pe_with(
        patch_tree=lambda b, t, n, de: (set_u16(b, 12, 0xffff), set_u16(b, 14, 0xffff))))
    write("bad", "pe_group_count_overflow.exe", pe_with(
        res={3: one[0], 14: [(1, struct.pack("<HHH", 0, 1, 0xffff) + one[1][6:])]}))
    # The group claims a 32 x 32 image far larger than the RT_ICON holds,
    # and the RT_ICON itself is cut short.
    write("bad", "pe_group_entry_larger_than_icon.exe", pe({
        3: [(1, good32[:300])], 14: [(1, group([(32, 32, 32, len(good32) * 50, 1)]))]}))
    write("bad", "pe_group_names_missing_icon.exe", pe({3: [(7, good32)], 14: [(1, group([(32, 32, 32, len(good32), 1)]))]}))
    write("bad", "pe_truncated_headers.exe", pe_with()[:0x50])
    write("bad", "pe_no_resources.exe", pe(None))
    write("bad", "pe_bad_optional_magic.exe", pe_with(patch_file=lambda d: set_u16(d, 0x58, 0x1234)))
    write("bad", "pe_lfanew_outside.exe", pe_with(patch_file=lambda d: set_u32(d, 0x3c, 0xfffffff0)))

    def with_header(**fields):
        data = bytearray(good32)
        layout = {"size": (0, "<I"), "width": (4, "<i"), "height": (8, "<i"), "bits": (14, "<H"),
                  "compression": (16, "<I"), "clr_used": (32, "<I")}
        for k, v in fields.items():
            at, fmt = layout[k]
            struct.pack_into(fmt, data, at, v)
        return bytes(data)

    write("bad", "ico_count_overflow.ico", ico([(32, 32, 32, good32)], count=0xffff))
    write("bad", "ico_offset_size_overflow.ico", ico([(32, 32, 32, good32)], offsets=[0xfffffff0]))
    write("bad", "ico_offset_past_end.ico", ico([(32, 32, 32, good32)], offsets=[len(good32) * 4]))
    write("bad", "ico_height_zero.ico", ico([(32, 32, 32, with_header(height=0))]))
    write("bad", "ico_height_int_min.ico", ico([(32, 32, 32, with_header(height=-2 ** 31))]))
    write("bad", "ico_width_negative.ico", ico([(32, 32, 32, with_header(width=-32))]))
    write("bad", "ico_width_huge.ico", ico([(32, 32, 32, with_header(width=0x7fffffff))]))
    write("bad", "ico_bitcount_7.ico", ico([(32, 32, 7, with_header(bits=7))]))
    write("bad", "ico_bitcount_0.ico", ico([(32, 32, 0, with_header(bits=0))]))
    write("bad", "ico_bitcount_64.ico", ico([(32, 32, 64, with_header(bits=64))]))
    write("bad", "ico_compression_rle.ico", ico([(32, 32, 32, with_header(compression=1))]))
    write("bad", "ico_bitfields_at_24_bits.ico", ico([(32, 32, 24, dib24(p32)[:16] + struct.pack("<I", 3) + dib24(p32)[20:])]))
    write("bad", "ico_header_size_huge.ico", ico([(32, 32, 32, with_header(size=0xffffffff))]))
    pal_big = bytearray(dib_indexed(idx16, 4, pal16))
    struct.pack_into("<I", pal_big, 32, 17)
    write("bad", "ico_palette_larger_than_depth.ico", ico([(16, 16, 4, bytes(pal_big))]))
    pal_huge = bytearray(dib_indexed(idx16, 4, pal16))
    struct.pack_into("<I", pal_huge, 32, 0xffffffff)
    write("bad", "ico_palette_count_overflow.ico", ico([(16, 16, 4, bytes(pal_huge))]))
    write("bad", "ico_truncated_xor.ico", ico([(32, 32, 32, good32[:40 + 32 * 32 * 2])]))
    write("bad", "ico_truncated_and.ico", ico([(32, 32, 32, good32[:-10])]))
    huge = bytearray(png(p32))
    struct.pack_into(">II", huge, 16, 100000, 100000)
    struct.pack_into(">I", huge, 29, zlib.crc32(bytes(huge[12:29])) & 0xffffffff)
    write("bad", "ico_png_huge_dimensions.ico", ico([(0, 0, 32, bytes(huge))]))
    # An ancillary chunk claiming a gigabyte: libpng would allocate it.
    big_chunk = png(p32)
    big_chunk = big_chunk[:33] + struct.pack(">I4s", 0x40000052, b"tEXt") + b"Comment\0x" + big_chunk[33:]
    write("bad", "ico_png_chunk_length_huge.ico", ico([(32, 32, 32, big_chunk)]))
    write("bad", "ico_png_truncated.ico", ico([(32, 32, 32, png(p32)[:60])]))
    # 512 entries that all name one large PNG whose pixel data stops a row
    # short: each decode inflates megabytes before it fails, so it must run once.
    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xffffffff)
    rows = (b"\0" + bytes(1024 * 4)) * 1023
    short = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 1024, 1024, 8, 6, 0, 0, 0))
             + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
    directory = struct.pack("<HHH", 0, 1, 512) + struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(short), 6 + 16 * 512) * 512
    write("bad", "ico_512_entries_one_truncated_png.ico", directory + short)
    write("bad", "pe_512_entries_one_truncated_png.exe",
          pe({3: [(1, short)], 14: [(1, group([(0, 0, 32, len(short), 1)] * 512))]}))
    write("bad", "ico_duplicate_offsets.ico", ico([(32, 32, 32, good32[:500]), (16, 16, 32, b"")],
                                                  offsets=[6 + 32, 6 + 32]))
    write("bad", "ico_no_entries.ico", struct.pack("<HHH", 0, 1, 0))
    write("bad", "ico_empty.ico", b"")

    # Seeds for the fuzzers: the good samples and a few broken ones.
    for folder, corpus in (("pe", "pe"), ("ico", "ico")):
        for name in sorted(os.listdir(os.path.join(HERE, folder))):
            with open(os.path.join(HERE, folder, name), "rb") as f:
                data = f.read()
            with open(os.path.join(HERE, "..", "fuzz", "corpus", corpus, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
