"""vantile's start-up and shutdown on the real binary: settings written at
exit, the instance guard, and the debug log."""
import os
import shutil
import subprocess
import time
import unittest

import harness
from harness import SessionTestCase

EVERY_SETTING = ["LastPage", "HomePage", "LoadLast", "ShowTaskbar", "NoScrollbars", "SourceEditor", "ShowOnAllMonitors",
                 "EnableImages", "EnableSound", "EnableVideo", "EnableScripting", "EnableActiveX", "EnableJava"]


class FirstRunTest(SessionTestCase):
    panel = True

    def test_first_run_writes_every_setting_when_the_user_exits_with_ctrl_q(self):
        d = self.desktop
        settings = os.path.join(d.config, "vantile", "HKEY_CURRENT_USER.reg")
        self.assertFalse(os.path.exists(settings))
        p = harness.start_vantile(d)
        window = d.wait_for_window(pid=p.pid)
        self.assertFalse(os.path.exists(settings), "nothing is stored while the program runs")
        d.run(["xdotool", "windowactivate", "--sync", str(window)], check=False)
        # Q is let go while Ctrl is still held, as the key-up handler expects.
        d.run(["xdotool", "keydown", "Control_L", "key", "q", "keyup", "Control_L"])
        self.assertEqual(p.wait(20), 0)

        keys = harness.read_vantile_settings(d)
        values = keys[harness.SETTINGS_KEY]
        self.assertEqual(sorted(values), sorted(EVERY_SETTING))
        self.assertEqual(values["LastPage"], "")
        self.assertEqual(values["HomePage"], "")
        for name in EVERY_SETTING[2:]:
            if name != "SourceEditor":
                self.assertEqual(values[name], 0, name)
        self.assertEqual(keys[harness.PROGRAMS_KEY], {"Count": 0})
        self.assertFalse(os.path.exists(os.path.join(d.config, "autostart", "Vantile.desktop")))
        # The toolkit had nothing to complain of on the way out either.
        output = harness.vantile_output(d)
        self.assertNotIn("-CRITICAL **", output)
        self.assertNotIn("-WARNING **", output)


class SecondInstanceTest(SessionTestCase):
    panel = True

    def test_a_second_instance_ends_at_once_touching_nothing(self):
        d = self.desktop
        page = harness.write_page(d, "<html><body style='background:#345'>first</body></html>")
        settings = harness.write_vantile_settings(d, {"HomePage": page, "ShowTaskbar": False})
        first = harness.start_vantile(d)
        d.wait_for_window(pid=first.pid)
        d.wait_for(lambda: not any(d.is_mapped(w) for w in d.dock_windows()), 10, "panel hidden by the first")
        before = os.stat(settings).st_mtime_ns
        docks_before = {w: d.is_mapped(w) for w in d.dock_windows()}

        started = time.time()
        second = subprocess.run([harness.build_path("vantile"), "/debug"], env=d.env, capture_output=True, timeout=30)
        self.assertEqual(second.returncode, 0)
        self.assertLess(time.time() - started, 5)
        self.assertIsNone(first.poll(), "the first instance keeps running")
        self.assertEqual(len(d.windows(name="Vantile")), 1)
        self.assertEqual(os.stat(settings).st_mtime_ns, before)
        self.assertEqual({w: d.is_mapped(w) for w in d.dock_windows()}, docks_before)
        self.assertFalse(os.path.exists(harness.build_path("debug.log")) and
                         os.stat(harness.build_path("debug.log")).st_mtime > started)
        self.assertEqual(harness.stop_vantile(first), 0)


class DebugLogTest(SessionTestCase):
    panel = True

    def setUp(self):
        super().setUp()
        # debug.log goes beside the program, so run a private copy of it.
        self.folder = os.path.join(self.desktop.tmp, "program")
        os.makedirs(self.folder)
        self.program = os.path.join(self.folder, "vantile")
        shutil.copy2(harness.build_path("vantile"), self.program)
        shutil.copytree(harness.build_path("Demos"), os.path.join(self.folder, "Demos"))

    def run_once(self, *args, page=None):
        d = self.desktop
        if page:
            harness.write_vantile_settings(d, {"HomePage": page, "EnableScripting": True})
        p = harness.start_vantile(d, args, program=self.program)
        d.wait_for_window(pid=p.pid)
        return p

    def test_debug_writes_the_log_lines_in_order(self):
        d = self.desktop
        blocked, blocked_log = harness.write_recorder(d.tmp, "blocked.sh")
        page = harness.write_page(d, "<html><body>log me<script>"
                                     f"setTimeout(function () {{ location.href = 'launch:{blocked}?param=x'; }}, 300);"
                                     "</script></body></html>")
        p = self.run_once("/debug", page=page)
        log_path = os.path.join(self.folder, "debug.log")
        launch = f"INFORMATION:  BeforeNavigate:Start - launch:{blocked}?param=x"
        d.wait_for(lambda: os.path.exists(log_path) and launch in open(log_path).read(), 20, "the launch line")
        self.assertEqual(harness.stop_vantile(p), 0)

        with open(log_path, "rb") as f:
            raw = f.read()
        self.assertTrue(raw.endswith(b"\r\n"))
        lines = raw.decode().split("\r\n")[:-1]
        self.assertTrue(lines[0].startswith("Log Started:  "), lines[0])
        expected = [
            "INFORMATION:  CreateMyPopupMenu:Begin",
            "INFORMATION:  CreateMyPopupMenu:End",
            "INFORMATION:  BeforeNavigate:Start - " + harness.file_uri(page),
            "INFORMATION:  BeforeNavigate:Finished",
            launch,
            "INFORMATION:  QueryUnload",
        ]
        positions = [lines.index(line) if line in lines else -1 for line in expected]
        self.assertNotIn(-1, positions, "\n".join(lines))
        self.assertEqual(positions, sorted(positions), "\n".join(lines))
        self.assertEqual(lines[-1], "INFORMATION:  QueryUnload")
        # A refused launch link ends with its start line: no "Finished" after it.
        self.assertNotEqual(lines[lines.index(launch) + 1], "INFORMATION:  BeforeNavigate:Finished")
        self.assertEqual(harness.recorded_runs(blocked_log), [])

    def test_a_first_run_that_only_starts_and_exits_logs_the_menu_and_the_exit(self):
        # The first-run note over the empty view adds no line of its own.
        p = self.run_once("/debug")
        self.assertEqual(harness.stop_vantile(p), 0)
        with open(os.path.join(self.folder, "debug.log"), "rb") as f:
            lines = f.read().decode().split("\r\n")
        self.assertTrue(lines[0].startswith("Log Started:  "), lines[0])
        self.assertEqual(lines[1:], ["INFORMATION:  CreateMyPopupMenu:Begin", "INFORMATION:  CreateMyPopupMenu:End",
                                     "INFORMATION:  QueryUnload", ""])

    def test_only_the_exact_switch_opens_the_log(self):
        for args in (("/DEBUG",), ("/debug", "x")):
            p = self.run_once(*args)
            self.assertEqual(harness.stop_vantile(p), 0)
            self.assertFalse(os.path.exists(os.path.join(self.folder, "debug.log")), args)


if __name__ == "__main__":
    unittest.main()
