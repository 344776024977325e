"""The first-run note: without a home page the empty view shows a note on
what to do next; the right-click menu and the shortcuts reach the window
through it, and it goes as soon as a page loads."""
import threading
import unittest

import harness
from harness import SessionTestCase

PAGE_COLOUR = (0x22, 0xAA, 0x66)
TITLE_ACCENT = (0xF2, 0xB4, 0x5A)  # "Vantile" in the note's title


def is_backdrop(pixel):
    """The note's night-blue backdrop (a gradient, so a range)."""
    r, g, b = pixel
    return r < 0x30 and g < 0x38 and 0x20 <= b < 0x48 and b > r


class FirstRunNoteTest(SessionTestCase):
    def corner(self):
        return self.desktop.pixels(20, 20, 1, 1)[0]

    def wait_for_note(self):
        d = self.desktop
        d.wait_for(lambda: is_backdrop(self.corner()), 20, "the note's backdrop")
        middle = d.pixels(240, 200, 800, 400)
        self.assertTrue(TITLE_ACCENT in middle, "the note's title in the middle of the screen")

    def test_first_run_shows_the_note_and_the_menu_and_keys_reach_through_it(self):
        d = self.desktop
        proc = harness.start_vantile(d)
        window = d.wait_for_window(pid=proc.pid)
        self.wait_for_note()

        d.click(640, 400)
        d.key("F6")  # a shortcut through the note: Options opens, Esc closes it
        options = d.wait_for_window(name="Vantile Options", timeout=20)
        d.run(["xdotool", "windowactivate", "--sync", str(options)], check=False)
        d.key("Escape")
        d.wait_for(lambda: not d.windows(name="Vantile Options"), 10, "Options closed")

        d.click(640, 400, button=3)  # on the note's card
        d.wait_for(lambda: [w for w in d.windows(pid=proc.pid) if w != window and d.geometry(w)[2] > 50],
                   10, "the popup menu over the note")
        # Demos (its mnemonic opens the submenu), then its first demo.
        d.key("d")
        d.key("Return")
        d.wait_for(lambda: not is_backdrop(self.corner()), 20, "the demo in place of the note")
        self.assertFalse(TITLE_ACCENT in d.pixels(240, 200, 800, 400), "the note's title is gone")
        d.run(["xdotool", "keydown", "Control_L", "key", "q", "keyup", "Control_L"])
        self.assertEqual(proc.wait(20), 0, "Ctrl+Q reached the window")
        home = harness.read_vantile_settings(d)[harness.SETTINGS_KEY]
        self.assertTrue(home["LastPage"].endswith("/Demos/Clock/index.html"), home["LastPage"])

    def test_the_note_goes_when_a_page_loads(self):
        # No home page, but the page left open last loads at start: the note
        # shows while it loads (the server holds it back) and goes with it.
        d = self.desktop
        release = threading.Event()

        def respond(path):
            release.wait(30)
            return 200, "text/html", b"<html><body style='margin:0;background:#2a6'>last page</body></html>"

        server = harness.LoopbackServer(respond)
        self.addCleanup(server.close)
        self.addCleanup(release.set)
        harness.write_vantile_settings(d, {"LoadLast": True, "LastPage": server.url + "/last.html"})
        proc = harness.start_vantile(d)
        self.addCleanup(harness.stop_vantile, proc)
        d.wait_for(lambda: server.paths, 20, "the page's request")
        self.wait_for_note()
        release.set()
        d.wait_for(lambda: self.corner() == PAGE_COLOUR, 20, "the page in place of the note")
        self.assertFalse(TITLE_ACCENT in d.pixels(240, 200, 800, 400), "the note's title is gone")


if __name__ == "__main__":
    unittest.main()
