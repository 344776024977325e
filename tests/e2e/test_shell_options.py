"""The Options dialog on the real binary: F6 opens it; a program added
through the real chooser may be launched at once and is stored; Cancel
changes nothing; the taskbar check box moves the window between the work
area and the whole screen; pictures off stops pictures on the next load."""
import os
import time
import unittest

import harness
from harness import SCREEN, SessionTestCase

# Points in the dialog's client area (pixels; the layout is in twips / 15).
TAB_FEATURES = (105, 16)
TAB_PROGRAMS = (200, 16)
CHK_TASKBAR = (40, 170)
CHK_GRAPHICS = (40, 69)
CMD_ADD = (54, 236)
CMD_CLEAR = (214, 236)
CMD_SAVE = (95, 289)


class OptionsTest(SessionTestCase):
    panel = True

    def start(self, body, settings, programs=()):
        d = self.desktop
        page = harness.write_page(d, f"<html><body style='margin:0;background:#246'>{body}</body></html>")
        self.settings_file = harness.write_vantile_settings(d, {"HomePage": page, **settings}, list(programs))
        proc = harness.start_vantile(d)
        self.addCleanup(harness.stop_vantile, proc)
        window = d.wait_for_window(pid=proc.pid)
        return proc, window

    def open_options(self, window):
        """Presses F6 over the desktop and returns the dialog's window."""
        d = self.desktop
        d.run(["xdotool", "windowactivate", "--sync", str(window)], check=False)
        d.key("F6")
        dialog = d.wait_for_window(name="Vantile Options")
        d.run(["xdotool", "windowactivate", "--sync", str(dialog)], check=False)
        time.sleep(0.5)
        return dialog

    def click_in(self, dialog, point):
        x, y, _, _ = self.desktop.geometry(dialog)
        self.desktop.click(x + point[0], y + point[1])
        time.sleep(0.3)

    def wait_closed(self, dialog):
        self.desktop.wait_for(lambda: not self.desktop.is_mapped(dialog), 15, "the dialog to close")

    def test_f6_opens_options_and_an_added_program_starts_from_a_link_and_is_stored(self):
        d = self.desktop
        script, log = harness.write_recorder(d.tmp, "added.sh")
        link = ("<a id='go' href='launch:" + script + "?param=hello' style='position:absolute;left:50px;"
                "top:50px;width:300px;height:150px;background:#fc6'>go</a>")
        proc, window = self.start(link, {"ShowTaskbar": False, "EnableScripting": True})
        time.sleep(1.5)
        d.click(200, 120)
        time.sleep(1.5)
        self.assertEqual(harness.recorded_runs(log), [], "not on the allow-list yet")

        dialog = self.open_options(window)
        self.assertEqual(d.run(["xdotool", "getwindowname", str(dialog)]).stdout.strip(), "Vantile Options")
        _, _, width, height = d.geometry(dialog)
        self.assertEqual((width, height), (278, 309), "4170 x 4635 twips")
        self.click_in(dialog, TAB_PROGRAMS)
        self.click_in(dialog, CMD_ADD)
        chooser = d.wait_for_window(name="Add Program")
        time.sleep(0.8)
        d.run(["xdotool", "windowactivate", "--sync", str(chooser)], check=False)
        d.run(["xdotool", "type", "--delay", "40", script])
        time.sleep(0.4)
        d.key("Return")
        d.wait_for(lambda: not d.windows(name="Add Program"), 15, "the chooser to close")
        self.click_in(dialog, CMD_SAVE)
        self.wait_closed(dialog)
        # Save writes the settings at once, not only at exit.
        stored = d.wait_for(lambda: harness.read_vantile_settings(d).get(harness.PROGRAMS_KEY, {}).get("Prog0"),
                            10, "the program in the settings file")
        self.assertEqual(stored, script)

        time.sleep(1.5)  # the activate step reloads the page
        d.click(200, 120)
        runs = d.wait_for(lambda: harness.recorded_runs(log), 15, "the added program to start")
        self.assertEqual(runs[0][1], ["hello"])
        self.assertEqual(harness.stop_vantile(proc), 0)
        programs = harness.read_vantile_settings(d)[harness.PROGRAMS_KEY]
        self.assertEqual((programs["Count"], programs["Prog0"]), (1, script))

    def test_cancel_after_changes_leaves_the_file_and_the_window_as_they_were(self):
        d = self.desktop
        proc, window = self.start("", {"ShowTaskbar": False, "EnableImages": True}, ["/usr/bin/true"])
        d.wait_for(lambda: not any(d.is_mapped(w) for w in d.dock_windows()), 10, "panels unmapped")
        d.wait_for_geometry(window, (0, 0) + SCREEN)
        with open(self.settings_file, "rb") as f:
            before = f.read()

        dialog = self.open_options(window)
        self.click_in(dialog, CHK_TASKBAR)
        self.click_in(dialog, TAB_PROGRAMS)
        self.click_in(dialog, CMD_CLEAR)
        d.key("Escape")
        self.wait_closed(dialog)
        time.sleep(1.5)
        self.assertEqual(d.geometry(window), (0, 0) + SCREEN)
        self.assertFalse(any(d.is_mapped(w) for w in d.dock_windows()), "the panels stay hidden")
        with open(self.settings_file, "rb") as f:
            self.assertEqual(f.read(), before)

        # A session that ends while the dialog is open still closes vantile
        # properly: panels back, settings written.
        self.open_options(window)
        self.assertEqual(harness.stop_vantile(proc), 0)
        d.wait_for(lambda: all(d.is_mapped(w) for w in d.dock_windows()), 10, "panels mapped again")
        self.assertEqual(harness.read_vantile_settings(d)[harness.PROGRAMS_KEY]["Prog0"], "/usr/bin/true")

    def test_taskbar_check_box_moves_the_window_between_work_area_and_screen(self):
        d = self.desktop
        proc, window = self.start("", {"ShowTaskbar": False})
        d.wait_for(lambda: not any(d.is_mapped(w) for w in d.dock_windows()), 10, "panels unmapped")
        d.wait_for_geometry(window, (0, 0) + SCREEN)

        dialog = self.open_options(window)
        self.click_in(dialog, CHK_TASKBAR)
        self.click_in(dialog, CMD_SAVE)
        self.wait_closed(dialog)
        d.wait_for(lambda: all(d.is_mapped(w) for w in d.dock_windows()), 10, "panels mapped")
        area = d.wait_for(lambda: d.workarea()[3] < SCREEN[1] and d.workarea(), 10, "the panel's space")
        d.wait_for_geometry(window, area, 15)
        time.sleep(1)
        self.assertEqual(d.geometry(window), area, "and it stays there")

        dialog = self.open_options(window)
        self.click_in(dialog, CHK_TASKBAR)
        self.click_in(dialog, CMD_SAVE)
        self.wait_closed(dialog)
        d.wait_for(lambda: not any(d.is_mapped(w) for w in d.dock_windows()), 10, "panels unmapped")
        d.wait_for_geometry(window, (0, 0) + SCREEN)
        self.assertEqual(harness.stop_vantile(proc), 0)
        self.assertEqual(harness.read_vantile_settings(d)[harness.SETTINGS_KEY]["ShowTaskbar"], 0)

    def test_pictures_off_stops_pictures_on_the_next_load(self):
        d = self.desktop
        server = harness.LoopbackServer(lambda path: (200, "image/png" if ".png" in path else "text/css",
                                                      TINY_PNG if ".png" in path else b""))
        self.addCleanup(server.close)
        # Every load asks for new addresses, so nothing comes from a cache.
        body = ("<script>var t = Date.now(); document.write(\"<link rel='stylesheet' href='" + server.url +
                "/marker.css?\" + t + \"'><img src='" + server.url + "/picture.png?\" + t + \"'>\");</script>")
        proc, window = self.start(body, {"ShowTaskbar": False, "EnableImages": True, "EnableScripting": True})

        def loads(kind):
            return [p for p in server.paths if p.startswith("/" + kind)]

        d.wait_for(lambda: loads("picture"), 20, "the picture with pictures on")
        dialog = self.open_options(window)
        self.click_in(dialog, TAB_FEATURES)
        self.click_in(dialog, CHK_GRAPHICS)
        self.click_in(dialog, CMD_SAVE)
        self.wait_closed(dialog)
        d.wait_for(lambda: len(loads("marker")) >= 2, 20, "the page loaded again")
        time.sleep(1.5)
        self.assertEqual(len(loads("picture")), 1, server.paths)


TINY_PNG = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                         "1f15c4890000000d49444154789c6360000002000154a24f5d00000000"
                         "49454e44ae426082")

if __name__ == "__main__":
    unittest.main()
