"""A page nobody sees is paused, on the real binary under Xvfb with openbox:
a full-screen window over the desktop makes the page hidden (it hears
visibilitychange and its animation frames stop) and closing it brings the
page back where it was; a window that leaves some of the page in sight does
not; nor does anything when the settings file turns pausing off; the
screensaver's ActiveChanged on the session bus pauses it too."""
import subprocess
import time
import unittest

import harness
from harness import SessionTestCase


class VisibilityTest(SessionTestCase):
    def start(self, **settings):
        d = self.desktop
        self.recorder, self.log = harness.write_recorder(d.tmp)
        # Counts animation frames, and those that ran while the page was hidden.
        page = harness.write_page(d, "<html><body style='background:#234'><script>var frames = 0, hidden = 0;"
                                     "(function count() { frames++; if (document.hidden) hidden++;"
                                     " requestAnimationFrame(count); })();"
                                     "document.addEventListener('visibilitychange', function () {"
                                     f" window.external.openFile('{self.recorder}', [document.visibilityState, frames, hidden].join(' '));"
                                     "});</script></body></html>")
        harness.write_vantile_settings(d, {"HomePage": page, "EnableScripting": True, **settings})
        proc = harness.start_vantile(d)
        d.wait_for_window(pid=proc.pid)
        self.addCleanup(harness.stop_vantile, proc)
        time.sleep(2)  # loaded, and the watches set up

    def window(self, width, height, fullscreen):
        probe = subprocess.Popen([harness.build_path("tests", "e2e", "window_probe"), "plain", str(width), str(height)],
                                 env=self.desktop.env, stdout=subprocess.PIPE)
        self.addCleanup(probe.kill)
        window = probe.stdout.readline().strip().decode()
        if fullscreen:
            self.desktop.run(["wmctrl", "-i", "-r", window, "-b", "add,fullscreen"])
        return probe

    def states(self):
        return [tuple(args) for _, args in harness.recorded_runs(self.log)]

    def screensaver(self, active):
        self.desktop.run(["dbus-send", "--session", "--type=signal", "/org/freedesktop/ScreenSaver",
                          "org.freedesktop.ScreenSaver.ActiveChanged", f"boolean:{str(active).lower()}"])

    def test_a_full_screen_window_pauses_the_page_and_closing_it_brings_it_back(self):
        d = self.desktop
        self.start()
        small = self.window(400, 300, fullscreen=False)
        time.sleep(1.5)
        self.assertEqual(self.states(), [], "some of the page can still be seen")
        small.kill()
        cover = self.window(300, 200, fullscreen=True)
        d.wait_for(self.states, 10, "the page hidden")
        time.sleep(1)
        cover.kill()
        d.wait_for(lambda: len(self.states()) == 2, 10, "the page shown again")
        (hidden, at_hide, _), (visible, at_show, while_hidden) = self.states()
        self.assertEqual((hidden, visible, while_hidden), ("hidden", "visible", "0"), "no frame while hidden")
        self.assertLessEqual(int(at_show) - int(at_hide), 1, "at most the frame that shows it again")

    def test_the_screensaver_pauses_the_page(self):
        d = self.desktop
        self.start()
        self.screensaver(True)
        d.wait_for(lambda: len(self.states()) == 1, 10, "the page hidden")
        self.screensaver(False)
        d.wait_for(lambda: len(self.states()) == 2, 10, "the page shown again")
        self.assertEqual([state for state, *_ in self.states()], ["hidden", "visible"])

    def test_pausing_turned_off_in_the_settings_file(self):
        self.start(PauseWhenHidden=0)
        self.window(300, 200, fullscreen=True)
        self.screensaver(True)
        time.sleep(2)
        self.assertEqual(self.states(), [])


if __name__ == "__main__":
    unittest.main()
