"""A page on every monitor: with "ShowOnAllMonitors" on, each monitor has a
desktop window of its own with its own page, and Set As Home Page on one
monitor is kept for that monitor across a restart. Under headless mutter
(two virtual monitors, through Xwayland) and headless sway (two outputs,
layer shell, an output added and removed while it runs)."""
import os
import time
import types
import unittest

import harness
import test_shell_gnome as gnome

MONITORS_KEY = harness.SETTINGS_KEY + "\\Monitors"
# Each page says which page it is, where it is and how large.
PAGE = ("<html><body style='margin:0;background:{colour}'><a id=next href='{next}' "
        "style='display:block;width:100%;height:100%'>{name}</a><script>"
        "window.external.openFile('{recorder}', '{name} ' + screenX + ' ' + innerWidth + 'x' + innerHeight);"
        "</script></body></html>")


class MonitorsUnderMutter(gnome.MutterTestCase):
    monitors = ("1280x800", "1024x768")

    def setUp(self):
        super().setUp()
        self.recorder, self.log = harness.write_recorder(self.home)
        for name, colour, following in (("home", "#2a6", "other"), ("other", "#a26", "home")):
            with open(os.path.join(self.home, name + ".html"), "w") as f:
                f.write(PAGE.format(colour=colour, next=following + ".html", name=name, recorder=self.recorder))

    def shown(self):
        """{page name: (screenX, size)} of the last report from each place."""
        return {args[1]: args[0] for _, args in harness.recorded_runs(self.log)}

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
        second = [w for w in windows if "1280,0" in self.x(["xdotool", "getwindowgeometry", str(w)]).stdout][0]
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
        os.remove(self.log)
        vantile = self.start_vantile()
        harness.Desktop.wait_for(lambda: len(self.shown()) == 2, 30, "a page on each monitor again")
        self.assertEqual(self.shown(), {"0": "home", "1280": "other"})

    def test_with_the_setting_off_only_the_primary_has_a_window(self):
        vantile = self.start(False)
        harness.Desktop.wait_for(lambda: self.shown(), 30, "the page")
        time.sleep(2)  # the other monitors' windows would come right after the primary's page
        self.assertEqual(len(self.desktops(vantile, 1)), 1)
        self.assertEqual(self.shown(), {"0": "home"})

    def settings(self):
        return types.SimpleNamespace(config=self.env["XDG_CONFIG_HOME"])


if __name__ == "__main__":
    unittest.main()
