"""vantile is the desktop under X11: below every other window even when
clicked, on every workspace, not in the panel's task list, and a click
still gives it the keyboard."""
import unittest

import harness
from harness import SessionTestCase

PAGE_COLOUR = (0x22, 0xAA, 0x66)


class DesktopWindowTest(SessionTestCase):
    panel = True

    def colour_at(self, x, y):
        return self.desktop.pixels(x, y, 1, 1)[0]

    def current_workspace(self):
        r = self.desktop.run(["xprop", "-root", "_NET_CURRENT_DESKTOP"], check=False).stdout
        return int(r.split("=")[1]) if "=" in r else -1

    def switch_workspace(self, number):
        d = self.desktop
        d.run(["xdotool", "set_desktop", str(number)])
        d.wait_for(lambda: self.current_workspace() == number, 10, f"workspace {number}")

    def test_other_windows_stay_above_the_clicked_desktop_on_every_workspace(self):
        d = self.desktop
        page = harness.write_page(d, "<html><body style='margin:0;background:#2a6'></body></html>")
        harness.write_vantile_settings(d, {"HomePage": page, "ShowTaskbar": True})
        proc = harness.start_vantile(d)
        window = d.wait_for_window(pid=proc.pid)
        d.wait_for(lambda: self.colour_at(900, 400) == PAGE_COLOUR, 20, "the page")
        # The window's icon, for window lists, comes once its page is up.
        d.wait_for(lambda: "Icon (48 x 48)" in d.run(["xprop", "-id", str(window), "_NET_WM_ICON"], check=False).stdout,
                   10, "the window's icon")

        d.start(["xmessage", "-title", "Other window", "-geometry", "300x200+100+100", "above the desktop"])
        other = d.wait_for_window(name="^Other window$")
        inside_other = (250, 200)
        d.wait_for(lambda: self.colour_at(*inside_other) != PAGE_COLOUR, 10, "the other window drawn")

        # Another workspace shows the desktop page where the window was.
        self.switch_workspace(1)
        d.wait_for(lambda: self.colour_at(*inside_other) == PAGE_COLOUR, 10, "the page on workspace 2")
        self.assertTrue(d.is_mapped(window))
        self.switch_workspace(0)
        d.wait_for(lambda: self.colour_at(*inside_other) != PAGE_COLOUR, 10, "the other window back")

        # A click on the page gives vantile the keyboard without lifting it.
        d.click(900, 400)
        d.wait_for(lambda: f"0x{window:x}" in d.run(["xprop", "-root", "_NET_ACTIVE_WINDOW"]).stdout,
                   10, "the desktop to take the keyboard")
        stacking = d.stacking()
        self.assertLess(stacking.index(window), stacking.index(other), "the other window stays above")
        self.assertNotEqual(self.colour_at(*inside_other), PAGE_COLOUR)
        self.assertEqual(d.panel_tasks(), 1, "the panel lists the other window only")

        # A dialog of ours hands the keyboard back when it closes: window
        # managers do not give it back to a desktop window by themselves.
        d.key("F6")
        options = d.wait_for_window(name="Vantile Options", timeout=20)
        d.key("Escape")
        d.wait_for(lambda: not d.windows(name="Vantile Options"), 10, "Options closed")
        d.run(["xdotool", "keydown", "Control_L", "key", "q", "keyup", "Control_L"])
        self.assertEqual(proc.wait(20), 0, "Ctrl+Q reached the desktop without another click")


if __name__ == "__main__":
    unittest.main()
