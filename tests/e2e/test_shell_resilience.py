"""The desktop stays alive on the real binary: a page cannot lock it with
message boxes, a killed web process brings the page back, a close request
at any moment of start-up ends the program, and the panels come back, only
ours, also after a crash."""
import os
import random
import signal
import subprocess
import time
import unittest

import harness
from harness import SessionTestCase


class PageTest(SessionTestCase):
    panel = True

    def setUp(self):
        super().setUp()
        self.recorder, self.log = harness.write_recorder(self.desktop.tmp)

    def start(self, script):
        d = self.desktop
        page = harness.write_page(d, f"<html><body style='background:#246'><script>{script}</script></body></html>")
        harness.write_vantile_settings(d, {"HomePage": page, "EnableScripting": True})
        proc = harness.start_vantile(d)
        d.wait_for_window(pid=proc.pid)
        self.addCleanup(harness.stop_vantile, proc)
        return proc

    def runs(self):
        return [args for _, args in harness.recorded_runs(self.log)]

    def test_a_page_cannot_lock_the_desktop_with_message_boxes(self):
        d = self.desktop
        self.start("setTimeout(function () { for (var i = 0; i < 1000; i++) alert('again ' + i);"
                   f" window.external.openFile('{self.recorder}', 'after-the-boxes'); }}, 500);")
        shown = 0
        while shown < 8 and not self.runs():
            boxes = d.windows(name="^Alert - Vantile$")
            if not boxes:
                time.sleep(0.2)
                continue
            shown += 1
            d.run(["xdotool", "windowactivate", "--sync", str(boxes[0])], check=False)
            d.key("Return")
            d.wait_for(lambda: boxes[0] not in d.windows(name="^Alert - Vantile$"), 10, "the box closed")
        self.assertEqual(d.wait_for(self.runs, 15, "the page going on"), [["after-the-boxes"]])
        self.assertLessEqual(shown, 3, "a few boxes, then the rest were dropped")
        self.assertEqual(d.windows(name="^Alert - Vantile$"), [])

    def test_a_killed_web_process_brings_the_page_back(self):
        d = self.desktop
        proc = self.start(f"window.external.openFile('{self.recorder}', 'loaded');")
        d.wait_for(self.runs, 20, "the page")
        web = harness.web_processes(proc.pid)
        self.assertTrue(web)
        for pid in web:
            os.kill(pid, signal.SIGKILL)
        self.assertEqual(d.wait_for(lambda: len(self.runs()) == 2 and self.runs(), 20, "the page again"),
                         [["loaded"], ["loaded"]])
        self.assertIsNone(proc.poll())


def catches_sigterm(pid):
    """Whether the process has its own SIGTERM handler yet (it is past the
    point where the signal would simply end it)."""
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("SigCgt:"):
                    return bool(int(line.split()[1], 16) & (1 << (signal.SIGTERM - 1)))
    except OSError:
        pass
    return False


class StartUpCloseTest(SessionTestCase):
    panel = True

    def test_a_close_request_at_any_moment_of_start_up_ends_the_program(self):
        d = self.desktop
        page = harness.write_page(d, "<html><body style='background:#246'>desk</body></html>")
        harness.write_vantile_settings(d, {"HomePage": page, "ShowTaskbar": False})
        panel = d.dock_windows()[0]
        # Counted from the start, and from the moment the program listens for
        # the request: right then, start-up is still settling.
        rng = random.Random(11)
        moments = [("start", 0), ("start", rng.randrange(300))] + \
                  [("listening", ms) for ms in [0, 2, 5] + rng.sample(range(10, 300), 7)]
        for origin, delay in moments:
            proc = harness.start_vantile(d)
            if origin == "listening":
                d.wait_for(lambda: catches_sigterm(proc.pid) or proc.poll() is not None, 30, "the signal handler")
            time.sleep(delay / 1000)
            proc.terminate()
            try:
                proc.wait(10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                self.fail(f"still running 10 s after SIGTERM {delay} ms after its {origin}")
            d.wait_for(lambda: d.is_mapped(panel), 5, f"the panel after SIGTERM {delay} ms after the {origin}")


class PanelTest(SessionTestCase):
    panel = True

    def run_vantile(self, show_taskbar):
        harness.write_vantile_settings(self.desktop, {"ShowTaskbar": show_taskbar})
        proc = harness.start_vantile(self.desktop)
        self.desktop.wait_for_window(pid=proc.pid)
        return proc

    def test_only_the_panels_vantile_unmapped_come_back_also_after_a_crash(self):
        d = self.desktop
        tint2 = d.dock_windows()[0]
        probe = d.start([harness.build_path("tests", "e2e", "window_probe"), "dock"], stdout=subprocess.PIPE)
        self.addCleanup(probe.stdout.close)
        withdrawn = int(probe.stdout.readline())
        d.wait_for(lambda: withdrawn in d.dock_windows(), 10, "the withdrawn panel")

        first = self.run_vantile(False)
        d.wait_for(lambda: not d.is_mapped(tint2), 10, "the panel hidden")
        self.assertEqual(harness.stop_vantile(first), 0)
        d.wait_for(lambda: d.is_mapped(tint2), 10, "the panel back at exit")
        self.assertFalse(d.is_mapped(withdrawn), "a panel its program withdrew stays withdrawn")

        crashed = self.run_vantile(False)
        d.wait_for(lambda: not d.is_mapped(tint2), 10, "the panel hidden again")
        crashed.kill()
        crashed.wait(10)
        time.sleep(1)
        self.assertFalse(d.is_mapped(tint2), "nobody gave the panel back yet")

        after = self.run_vantile(True)
        d.wait_for(lambda: d.is_mapped(tint2), 10, "the panel back at the next start")
        self.assertEqual(harness.stop_vantile(after), 0)
        self.assertTrue(d.is_mapped(tint2))
        self.assertFalse(d.is_mapped(withdrawn))


if __name__ == "__main__":
    unittest.main()
