"""End to end: the image helper's window under Xvfb, its settings file and
its command line."""
import os
import re
import shutil
import signal
import struct
import subprocess
import time
import unittest
import zlib

import harness

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data")
HELPER = harness.build_path("vantile-image-helper")
PROBE = harness.build_path("tests", "e2e", "helper_window_probe")


def read_png(path):
    """A PNG decoder of our own (zlib only): returns a dict with the header
    fields, the palette, tRNS and RGBA pixels. Handles colour types 2 and 6
    at bit depth 8 and palettes at 1, 2, 4 and 8 bits, no interlace."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, chunks, idat = 8, {}, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        assert zlib.crc32(kind + body) & 0xffffffff == struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0]
        if kind == b"IDAT":
            idat += body
        else:
            chunks[kind] = body
        pos += 12 + length
    w, h, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    assert interlace == 0 and ((ctype in (2, 6) and depth == 8) or (ctype == 3 and depth in (1, 2, 4, 8)))
    bpp = {2: 3, 3: 1, 6: 4}[ctype]
    stride = (w * depth + 7) // 8 if ctype == 3 else w * bpp
    raw, rows, prev = zlib.decompress(idat), [], bytearray(stride)
    for y in range(h):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b, c = prev[x], prev[x - bpp] if x >= bpp else 0
            if f == 1:
                line[x] = (line[x] + a) & 255
            elif f == 2:
                line[x] = (line[x] + b) & 255
            elif f == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    palette = chunks.get(b"PLTE", b"")
    trns = chunks.get(b"tRNS", b"")
    rgba = []
    for line in rows:
        for x in range(w):
            if ctype == 3:
                per_byte = 8 // depth
                i = (line[x // per_byte] >> (8 - depth * (x % per_byte + 1))) & ((1 << depth) - 1)
                rgba.append(tuple(palette[i * 3:i * 3 + 3]) + (trns[i] if i < len(trns) else 255,))
            elif ctype == 6:
                rgba.append(tuple(line[x * 4:x * 4 + 4]))
            else:
                rgba.append(tuple(line[x * 3:x * 3 + 3]) + (255,))
    return {"width": w, "height": h, "depth": depth, "colour_type": ctype,
            "palette_entries": len(palette) // 3, "trns": trns, "rgba": rgba}


def expected_from_source(source_png):
    """The icotool-made .ico of this PNG, as the helper reads it: pixels
    whose alpha is below half carry the mask and become transparent."""
    src = read_png(source_png)
    return [(0, 0, 0, 0) if a < 128 else (r, g, b, a) for (r, g, b, a) in src["rgba"]]


def same_visible(a, b):
    return all((x[3] == 0 and y[3] == 0) or x == y for x, y in zip(a, b))


def enabled_buttons(shot):
    """How many of the three buttons (Select, Save, Exit, stacked in the
    window's right fifth) show their caption in dark, enabled text: rows
    holding such text, counted as separate bands. A greyed caption is
    lighter than the threshold; a focus ring too."""
    png = read_png(shot)
    w, h = png["width"], png["height"]
    bands, in_band = 0, False
    for y in range(h):
        dark = min(sum(png["rgba"][y * w + x][:3]) // 3 for x in range(w * 4 // 5, w)) < 120
        bands += dark and not in_band
        in_band = dark
    return bands


def write_settings(desktop, values):
    folder = os.path.join(desktop.config, "vantile")
    os.makedirs(folder, exist_ok=True)
    lines = ["Windows Registry Editor Version 5.00", "",
             "[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile Helper]"]
    for name, value in values.items():
        lines.append('"%s"="%s"' % (name, value.replace("\\", "\\\\")))
    with open(os.path.join(folder, "HKEY_CURRENT_USER.reg"), "w") as f:
        f.write("\r\n".join(lines) + "\r\n")


def read_settings(desktop):
    path = os.path.join(desktop.config, "vantile", "HKEY_CURRENT_USER.reg")
    with open(path, encoding="utf-8-sig") as f:
        text = f.read()
    section = text.split("[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile Helper]")[1].split("\n[")[0]
    return {m.group(1): m.group(2).replace("\\\\", "\\") for m in re.finditer(r'^"([^"]+)"="(.*)"\s*$', section, re.M)}


class ImageHelperWindow(harness.DesktopTestCase):
    def start_helper(self, *args):
        self.proc = self.desktop.start([HELPER, *args])
        self.win = self.desktop.wait_for_window(name="Vantile Image Helper")
        time.sleep(0.5)
        self.focus()
        return self.win

    def focus(self):
        self.desktop.run(["xdotool", "windowactivate", "--sync", str(self.win)], check=False)
        time.sleep(0.2)

    def choose(self, title, path, location_bar=True):
        self.desktop.wait_for_window(name=title)
        time.sleep(0.5)
        if location_bar:
            self.desktop.key("ctrl+l")
            time.sleep(0.3)
        else:
            self.desktop.key("ctrl+a")
        self.desktop.run(["xdotool", "type", "--delay", "15", path])
        time.sleep(0.3)
        self.desktop.key("Return")
        self.desktop.wait_for(lambda: not self.desktop.windows(name=title), 15, f"{title} to close")
        time.sleep(0.5)

    def window_shot(self, name):
        path = os.path.join(self.desktop.tmp, name)
        self.desktop.run(["import", "-display", self.desktop.display, "-window", str(self.win), path])
        return path

    def exit_helper(self):
        self.focus()
        self.desktop.key("alt+x")
        self.assertEqual(self.proc.wait(15), 0)

    def test_select_shows_the_icon_and_save_writes_a_palette_png(self):
        self.start_helper()
        before = self.window_shot("before.png")
        self.desktop.key("alt+e")
        self.choose("Select a program or file", os.path.join(DATA, "ico", "adwaita_folder.ico"))
        after = self.window_shot("after.png")
        diff = self.desktop.run(["compare", "-metric", "AE", before, after, "null:"], check=False)
        changed = int(float(diff.stderr.split()[0]))
        self.assertGreater(changed, 300, "the preview should show the folder icon")
        self.assertEqual((enabled_buttons(before), enabled_buttons(after)), (2, 3), "Save is enabled by the picture")

        out_dir = os.path.join(self.desktop.home, "art")
        os.makedirs(out_dir)
        out = os.path.join(out_dir, "folder.png")
        self.focus()
        self.desktop.key("alt+s")
        self.choose("Save Image", out, location_bar=False)
        self.desktop.wait_for(lambda: os.path.exists(out), 10, "the PNG")
        png = read_png(out)
        self.assertEqual((png["width"], png["height"], png["depth"], png["colour_type"]), (32, 32, 8, 3))
        self.assertEqual(png["palette_entries"], 256)
        self.assertEqual(len(png["trns"]), 256)
        self.assertTrue(any(a not in (0, 255) for (_, _, _, a) in png["rgba"]), "soft alpha kept")
        expected = expected_from_source(os.path.join(DATA, "ico", "adwaita_folder_32.png"))
        self.assertTrue(same_visible(png["rgba"], expected), "written pixels differ from the icon")

        self.exit_helper()
        settings = read_settings(self.desktop)
        self.assertEqual(settings["LastSaveDir"], out_dir)
        left, top = (int(v) for v in settings["WindowPos"].split(","))
        self.assertEqual((left % 15, top % 15), (0, 0))

    def test_a_file_on_the_command_line_opens_the_window_with_its_icon_ready_to_save(self):
        # What "Open With" in a file manager runs.
        self.start_helper(os.path.join(DATA, "pe", "icons.exe"))
        out = os.path.join(self.desktop.home, "program.png")
        self.desktop.key("alt+s")
        self.choose("Save Image", out, location_bar=False)
        self.desktop.wait_for(lambda: os.path.exists(out), 10, "the PNG")
        self.assertEqual((read_png(out)["width"], read_png(out)["colour_type"]), (32, 3))
        self.exit_helper()

    def test_window_position_and_save_folder_round_trip(self):
        write_settings(self.desktop, {"LastSaveDir": "/srv/artwork", "WindowPos": "3000,1500"})
        self.start_helper()
        x, y, _, _ = self.desktop.geometry(self.win)
        # The stored position is the frame's; the client sits inside it.
        self.assertTrue(200 <= x <= 210 and 100 <= y <= 140, (x, y))
        self.exit_helper()
        self.assertEqual(read_settings(self.desktop), {"LastSaveDir": "/srv/artwork", "WindowPos": "3000,1500"})

    def test_off_screen_left_is_replaced_and_save_starts_disabled(self):
        write_settings(self.desktop, {"WindowPos": "-50,300"})
        self.start_helper()
        x, y, _, _ = self.desktop.geometry(self.win)
        self.assertTrue(0 <= x <= 10 and 20 <= y <= 60, (x, y))
        self.assertEqual(enabled_buttons(self.window_shot("start.png")), 2, "Select and Exit only: Save greyed")
        self.exit_helper()
        self.assertTrue(read_settings(self.desktop)["WindowPos"].startswith("15,"))

    def test_window_is_placed_and_save_disabled_before_it_is_first_shown(self):
        # The probe reports Save at the moment the window is shown, and the
        # frame once the window manager maps it.
        write_settings(self.desktop, {"WindowPos": "3000,1500"})
        probe = self.desktop.start([PROBE], stdout=subprocess.PIPE, text=True)
        out, _ = probe.communicate(timeout=60)
        self.assertEqual(probe.returncode, 0)
        self.assertEqual(out.splitlines(), ["SHOWN save=0", "MAPPED 200 100"])

    def test_logout_and_kill_save_the_window_state_as_exit_does(self):
        settings = os.path.join(self.desktop.config, "vantile", "HKEY_CURRENT_USER.reg")
        for number in (signal.SIGHUP, signal.SIGTERM):
            with self.subTest(signal=number.name):
                if os.path.exists(settings):
                    os.remove(settings)
                self.start_helper()
                self.proc.send_signal(number)
                self.assertEqual(self.proc.wait(15), 0)
                saved = read_settings(self.desktop)
                self.assertEqual(saved["LastSaveDir"], "")
                self.assertRegex(saved["WindowPos"], r"^\d+,\d+$")


class ImageHelperCommandLine(unittest.TestCase):
    def run_helper(self, *args, env=None, cwd=None):
        return subprocess.run([HELPER, *args], capture_output=True, text=True, env=env, cwd=cwd, timeout=60)

    def test_help_explains_both_uses(self):
        r = self.run_helper("--help")
        self.assertEqual(r.returncode, 0)
        self.assertIn("SOURCE OUTPUT.png", r.stdout)
        self.assertIn("window", r.stdout)

    def test_version_and_unknown_options(self):
        r = self.run_helper("--version")
        self.assertEqual((r.returncode, r.stdout.split()[0]), (0, "vantile-image-helper"))
        r = self.run_helper("--frobnicate")
        self.assertEqual(r.returncode, 2)
        self.assertIn("Usage:", r.stderr)

    def test_converts_programs_icons_and_desktop_entries(self):
        with harness.Desktop(window_manager=False) as d:
            entry = os.path.join(d.home, "app.desktop")
            with open(entry, "w") as f:
                f.write("[Desktop Entry]\nType=Application\nName=App\nIcon=folder\n")
            env = dict(d.env)
            env.pop("DISPLAY")
            for source in (os.path.join(DATA, "pe", "icons.exe"), os.path.join(DATA, "ico", "adwaita_folder.ico"), entry):
                out = os.path.join(d.home, os.path.basename(source) + ".png")
                r = self.run_helper(source, out, env=env)
                self.assertEqual(r.returncode, 0, r.stderr)
                png = read_png(out)
                self.assertEqual((png["colour_type"], png["palette_entries"], len(png["trns"])), (3, 256, 256))
                self.assertEqual((png["width"], png["height"]), (32, 32))
            # Both names relative to the current folder, as in any command.
            shutil.copy(os.path.join(DATA, "ico", "adwaita_folder.ico"), os.path.join(d.home, "icon.ico"))
            r = self.run_helper("icon.ico", "out.png", env=env, cwd=d.home)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(read_png(os.path.join(d.home, "out.png"))["colour_type"], 3)

    def test_failures_print_the_message_and_exit_non_zero(self):
        r = self.run_helper(os.path.join(DATA, "bad", "pe_cyclic_directory.exe"), "/tmp/never-written.png")
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("Unable to read an image from the selected file.", r.stderr)
        self.assertFalse(os.path.exists("/tmp/never-written.png"))
        r = self.run_helper(os.path.join(DATA, "pe", "icons.exe"), "/nonexistent-folder/x.png")
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("Open File Error: Error on file open.", r.stderr)
        self.assertEqual(self.run_helper("one", "two", "three").returncode, 2)


if __name__ == "__main__":
    unittest.main()
