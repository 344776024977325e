"""Window placement and the panels: ShowTaskbar false covers the screen with
the panels unmapped, true fills exactly the work area beside them, and the
panels are mapped again when vantile exits."""
import unittest

import harness
from harness import SCREEN, SessionTestCase


class PlacementTest(SessionTestCase):
    panel = True

    def start(self, show_taskbar):
        d = self.desktop
        page = harness.write_page(d, "<html><body style='margin:0;background:#2a6'>desktop</body></html>")
        harness.write_vantile_settings(d, {"HomePage": page, "ShowTaskbar": show_taskbar})
        proc = harness.start_vantile(d)
        return proc, d.wait_for_window(pid=proc.pid)

    def test_hidden_taskbar_covers_the_screen_and_panels_return_at_exit(self):
        d = self.desktop
        docks = d.dock_windows()
        self.assertTrue(docks)
        proc, window = self.start(show_taskbar=False)
        d.wait_for(lambda: not any(d.is_mapped(w) for w in d.dock_windows()), 10, "panels unmapped")
        self.desktop.wait_for_geometry(window, (0, 0) + SCREEN)
        self.assertEqual(harness.stop_vantile(proc), 0)
        d.wait_for(lambda: any(d.is_mapped(w) for w in d.dock_windows()), 10, "panel mapped again")

    def test_shown_taskbar_fills_exactly_the_work_area(self):
        d = self.desktop
        # The window manager takes the panel's space off the work area a
        # moment after the panel appears.
        x, y, w, h = d.wait_for(lambda: d.workarea()[3] < SCREEN[1] and d.workarea(), 10,
                                "the panel's space to leave the work area")
        proc, window = self.start(show_taskbar=True)
        self.desktop.wait_for_geometry(window, (x, y, w, h))
        self.assertTrue(all(d.is_mapped(dock) for dock in d.dock_windows()))
        self.assertEqual(harness.stop_vantile(proc), 0)
        self.assertTrue(any(d.is_mapped(dock) for dock in d.dock_windows()))


class TopPanelPlacementTest(PlacementTest):
    """The same with the panel along the top edge, where the work area does
    not start at 0, 0."""

    panel_position = "top"

    test_hidden_taskbar_covers_the_screen_and_panels_return_at_exit = None


if __name__ == "__main__":
    unittest.main()
