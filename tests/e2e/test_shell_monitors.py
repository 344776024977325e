"""A page on every monitor: with "ShowOnAllMonitors" on, each monitor has a
desktop window of its own with its own page, and Set As Home Page on one
monitor is kept for that monitor across a restart. Under headless mutter
(two virtual monitors, through Xwayland, switched off, on and made primary
while it runs) and headless sway (two outputs, layer shell, an output added
and a scale changed while it runs)."""
import json
import os
import time
import types
import unittest

import harness
import test_shell_gnome as gnome
import test_shell_wayland as wayland

MONITORS_KEY = harness.SETTINGS_KEY + "\\Monitors"
# Each page reports which page it is, which showing of it (one per load),
# what happened, where it is and at what scale; the whole page is its link.
PAGE = ("<html><body style='margin:0;background:{colour}'><a href='{next}.html' style='display:block;height:100%'>"
        "{name}</a><script>var id = Math.random(); function report(what) {{ window.external.openFile('{recorder}',"
        " ['{name}', id, what, screenX, devicePixelRatio].join(' ')); }} report('load');"
        " addEventListener('resize', function () {{ report('resize'); }});</script></body></html>")


def write_pages(folder):
    """The two pages; returns a function giving every report as a tuple."""
    recorder, log = harness.write_recorder(folder)
    for name, colour, following in (("home", "#2a6", "other"), ("other", "#a26", "home")):
        with open(os.path.join(folder, name + ".html"), "w") as f:
            f.write(PAGE.format(colour=colour, next=following, name=name, recorder=recorder))
    return lambda: [tuple(args) for _, args in harness.recorded_runs(log)]


class MonitorsUnderMutter(gnome.MutterTestCase):
    monitors = ("1280x800", "1024x768")

    def setUp(self):
        super().setUp()
        self.reports = write_pages(self.home)

    def shown(self):
        """{screenX: page} of the last report from each place."""
        return {report[3]: report[0] for report in self.reports()}

    def start(self, on):
        self.write_settings({"ShowOnAllMonitors": on, "EnableScripting": True,
                             "HomePage": os.path.join(self.home, "home.html")})
        return self.start_vantile()

    def desktops(self, vantile, count):
        def found():
            out = self.x(["xdotool", "search", "--onlyvisible", "--pid", str(vantile.pid)], check=False).stdout.split()
            return len(out) == count and [int(w) for w in out]
        return harness.Desktop.wait_for(found, 30, f"{count} desktop windows")

    def test_every_monitor_gets_a_desktop_window_and_keeps_its_own_home_page(self):
        ordinary = self.start_ordinary_window()
        vantile = self.start(True)
        windows = self.desktops(vantile, 2)
        harness.Desktop.wait_for(lambda: len(self.shown()) == 2, 30, "a page on each monitor")
        self.assertEqual(self.shown(), {"0": "home", "1280": "home"})
        stack = self.stacking()
        for w in windows:
            self.assertIn("_NET_WM_WINDOW_TYPE_DESKTOP", self.x(["xprop", "-id", str(w), "_NET_WM_WINDOW_TYPE"]).stdout)
            self.assertLess(stack.index(w), stack.index(ordinary))
        # The second monitor follows its link and keeps that page as its home
        # (F4: Ctrl with another key does not pass xdotool under Xwayland).
        second = [w for w in windows if self.place(w) == "1280,0"][0]
        self.x(["xdotool", "mousemove", "1800", "400", "click", "1"])
        harness.Desktop.wait_for(lambda: self.shown().get("1280") == "other", 20, "the link followed")
        self.x(["xdotool", "windowactivate", "--sync", str(second)], check=False)
        harness.Desktop.wait_for(lambda: self.x(["xdotool", "getwindowfocus"]).stdout.strip() == str(second), 10,
                                 "the keyboard on the second monitor")
        self.x(["xdotool", "key", "F4"])
        kept = lambda: harness.read_vantile_settings(self.settings()).get(MONITORS_KEY, {}).get("XWAYLAND1")
        harness.Desktop.wait_for(kept, 20, "the page kept for the monitor")
        self.assertEqual(harness.stop_vantile(vantile), 0)
        self.assertEqual(harness.read_vantile_settings(self.settings())[harness.SETTINGS_KEY]["LastPage"],
                         os.path.join(self.home, "home.html"), "the primary's last page is its own")
        os.remove(os.path.join(self.home, "recorder.sh.log"))
        self.start_vantile()
        harness.Desktop.wait_for(lambda: len(self.shown()) == 2, 30, "a page on each monitor again")
        self.assertEqual(self.shown(), {"0": "home", "1280": "other"})

    def test_with_the_setting_off_only_the_primary_has_a_window(self):
        vantile = self.start(False)
        harness.Desktop.wait_for(lambda: self.shown(), 30, "the page")
        time.sleep(2)  # the other monitors' windows would come right after the primary's page
        self.assertEqual(len(self.desktops(vantile, 1)), 1)
        self.assertEqual(self.shown(), {"0": "home"})

    def test_monitors_come_and_go_and_the_main_desktop_follows_the_primary(self):
        vantile = self.start(True)
        first, second = ("Meta-0", "1280x800@60.000"), ("Meta-1", "1024x768@60.000")
        main = [w for w in self.desktops(vantile, 2) if self.place(w) == "0,0"][0]
        self.apply_monitors((*first, 0, True))
        self.desktops(vantile, 1)
        self.apply_monitors((*first, 0, True), (*second, 1280, False))
        self.desktops(vantile, 2)
        self.apply_monitors((*first, 0, False), (*second, 1280, True))
        harness.Desktop.wait_for(lambda: self.place(main) == "1280,0", 20, "the main desktop on the new primary")
        self.assertEqual(sorted(map(self.place, self.desktops(vantile, 2))), ["0,0", "1280,0"])

    def place(self, window):
        return self.x(["xdotool", "getwindowgeometry", str(window)]).stdout.split("Position: ")[1].split()[0]

    def settings(self):
        return types.SimpleNamespace(config=self.env["XDG_CONFIG_HOME"])


class MonitorsUnderSway(wayland.SwayTestCase):
    outputs = 2

    def test_every_output_gets_a_background_page_that_follows_plugging_and_scale(self):
        reports = write_pages(self.home)
        settings = types.SimpleNamespace(config=self.env["XDG_CONFIG_HOME"])
        harness.write_vantile_settings(settings, {"HomePage": os.path.join(self.home, "home.html"),
                                                  "ShowOnAllMonitors": True, "EnableScripting": True})
        self.start_program("vantile")
        showings = lambda page="home": [r[1] for r in reports() if r[2] == "load" and r[0] == page]
        harness.Desktop.wait_for(lambda: len(showings()) == 2, 30, "a page on each output")
        middle = {o["name"]: (o["rect"]["x"] + 640, 360) for o in json.loads(self.sway("-t", "get_outputs"))}
        for name, (x, y) in middle.items():
            harness.Desktop.wait_for(lambda: self.colour_at(x, y) == (0x22, 0xAA, 0x66), 20, f"the page on {name}")

        # A click gives the second output's page the keyboard (the headless
        # seat has no pointer for clients): it follows its link, and F4 keeps
        # that page for the output.
        for action in (["set", *map(str, middle["HEADLESS-2"])], ["press", "button1"], ["release", "button1"]):
            self.sway("seat", "seat0", "cursor", *action)
        kept = lambda: harness.read_vantile_settings(settings).get(MONITORS_KEY, {}).get("HEADLESS-2")
        for keys, done in ((["-k", "Tab", "-k", "Return"], lambda: showings("other")), (["-k", "F4"], kept)):
            deadline = time.time() + 20
            while not done() and time.time() < deadline:  # the keyboard comes a moment after the click
                self.run_as_user(["wtype", *keys])
                time.sleep(1)
        self.assertEqual(kept(), harness.file_uri(os.path.join(self.home, "other.html")))
        self.assertEqual(self.colour_at(*middle["HEADLESS-1"]), (0x22, 0xAA, 0x66), "the first output kept its page")

        # Scale 2: the same showing of the page, drawn at twice the pixels.
        self.sway("output", "HEADLESS-2", "scale", "2")
        harness.Desktop.wait_for(lambda: (showings("other")[0], "2") in [(r[1], r[4]) for r in reports()], 20,
                                 "the page at scale 2")

        # A new output gets its page. (Unplugging is tested under mutter:
        # this sway's headless outputs cannot be switched off.)
        plugged_at = time.time()
        self.sway("create_output")
        harness.Desktop.wait_for(lambda: len(showings()) == 3, 20, "a third page")
        print(f"\n  page on a new output after {time.time() - plugged_at:.2f} s", end=" ")


if __name__ == "__main__":
    unittest.main()
