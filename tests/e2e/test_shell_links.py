"""The link guard on the real binary: launch: links start only allow-listed
programs, directly, with their arguments and working folder; nothing else
(frames, new windows, case variants) gets round it; folder: links reach the
user's file manager; the page stays where it was."""
import os
import time
import unittest
import urllib.parse

import harness
from harness import SessionTestCase

LINK_STYLE = ("<style>body{margin:0;background:#234} a{position:absolute;display:block;"
              "background:#fc6;width:300px;height:150px}</style>")


class LinkTest(SessionTestCase):
    panel = True

    def setUp(self):
        super().setUp()
        d = self.desktop
        self.allowed, self.allowed_log = harness.write_recorder(d.tmp, "allowed.sh")
        self.blocked, self.blocked_log = harness.write_recorder(d.tmp, "blocked.sh")
        self.alive, self.alive_log = harness.write_recorder(d.tmp, "alive.sh")
        self.work = os.path.join(d.tmp, "work dir")
        os.makedirs(self.work)

    def start_page(self, body, programs):
        d = self.desktop
        page = harness.write_page(d, f"<html><head>{LINK_STYLE}</head><body>{body}</body></html>")
        harness.write_vantile_settings(d, {"HomePage": page, "EnableScripting": True, "ShowTaskbar": False},
                                       programs)
        proc = harness.start_vantile(d)
        window = d.wait_for_window(pid=proc.pid)
        self.addCleanup(harness.stop_vantile, proc)
        return proc, window

    def still_here_script(self, delay_ms):
        """After the links, the page itself proves it is still shown."""
        return (f"<script>setTimeout(function () {{ window.external.openFile('{self.alive}', "
                f"'still-here ' + location.protocol); }}, {delay_ms});</script>")

    def wait_for_runs(self, log, count=1, timeout=15):
        return self.desktop.wait_for(lambda: len(harness.recorded_runs(log)) >= count and
                                     harness.recorded_runs(log), timeout, f"{count} run(s) in {log}")

    def test_allowed_launch_link_starts_the_program_with_its_arguments_and_folder(self):
        d = self.desktop
        folder = urllib.parse.quote(self.work)  # the space travels as %20
        href = f"launch:{self.allowed}?dir={folder}&param=one+'two+three'"
        proc, _ = self.start_page(f'<a id="go" style="left:50px;top:50px" href="{href}">go</a>'
                                  "<script>document.getElementById('go').addEventListener('click', function () {"
                                  f"setTimeout(function () {{ window.external.openFile('{self.alive}', 'clicked'); }}, 1500);"
                                  "});</script>", [self.blocked, self.allowed])
        time.sleep(1.5)
        d.click(200, 120)
        runs = self.wait_for_runs(self.allowed_log)
        self.assertEqual(runs, [(self.work, ["one", "two three"])])
        self.assertEqual(self.wait_for_runs(self.alive_log)[0][1], ["clicked"], "the page stayed after the link")
        self.assertIsNone(proc.poll())

    def test_nothing_outside_the_allow_list_starts_by_any_route(self):
        d = self.desktop
        body = (
            # clicked by the test: a program that is not on the list
            f'<a id="plain" style="left:50px;top:50px" href="launch:{self.blocked}?param=clicked">x</a>'
            # the listed program with different letter case is not the listed program
            f'<a id="case" style="left:400px;top:50px" href="LAUNCH:{self.allowed.upper()}?param=case">x</a>'
            # new windows and frames go through the same guard
            f'<a id="blank" target="_blank" style="left:50px;top:300px" href="launch:{self.blocked}?param=blank">x</a>'
            f'<iframe src="launch:{self.blocked}?param=frame"></iframe>'
            # an allowed program through a frame does start: frames are guarded, not ignored
            f'<iframe src="launch:{self.allowed}?param=frame"></iframe>'
            "<script>document.getElementById('plain').addEventListener('click', function () {"
            f"  window.open('launch:{self.blocked}?param=window-open');"
            "  document.getElementById('blank').click();"
            "  document.getElementById('case').click();"
            "});</script>" + self.still_here_script(3000))
        proc, _ = self.start_page(body, [self.allowed])
        time.sleep(1.5)
        d.click(200, 120)
        self.assertEqual(self.wait_for_runs(self.alive_log)[0][1], ["still-here", "file:"])
        self.assertEqual(harness.recorded_runs(self.blocked_log), [])
        self.assertEqual([args for _, args in harness.recorded_runs(self.allowed_log)], [["frame"]])
        self.assertIsNone(proc.poll())

    def test_folder_link_opens_the_users_file_manager(self):
        d = self.desktop
        fm, fm_log = harness.write_recorder(d.tmp, "file-manager.sh")
        harness.register_file_manager(d, fm)
        target = os.path.join(self.work, "a+b")
        os.makedirs(target)
        href = "folder:" + urllib.parse.quote(target).replace("%2B", "+")
        proc, _ = self.start_page(f'<a style="left:50px;top:50px" href="{href}">f</a>' + self.still_here_script(3500),
                                  [])
        time.sleep(1.5)
        d.click(200, 120)
        runs = self.wait_for_runs(fm_log)
        self.assertEqual(runs[0][1], [target], "%20 becomes a space, + stays a +")
        self.assertEqual(self.wait_for_runs(self.alive_log)[0][1], ["still-here", "file:"])

    def test_started_programs_do_not_inherit_webkits_compositing_switch(self):
        # Set for our own web process, but kept from what the desktop starts:
        # directly (window.external.openFile) and through GIO (the file manager).
        d = self.desktop
        seen = os.path.join(d.tmp, "seen.log")
        for name in ("direct.sh", "file-manager.sh"):
            with open(os.path.join(d.tmp, name), "w") as f:
                f.write(f'#!/bin/sh\necho "{name} ${{WEBKIT_DISABLE_COMPOSITING_MODE-unset}}" >> "{seen}"\n')
            os.chmod(os.path.join(d.tmp, name), 0o755)
        harness.register_file_manager(d, os.path.join(d.tmp, "file-manager.sh"))
        d.env.pop("WEBKIT_DISABLE_COMPOSITING_MODE", None)
        proc, _ = self.start_page(f"<script>window.external.openFile('{d.tmp}/direct.sh', '');"
                                  f"window.external.openFolder('{self.work}');</script>", [])
        def seen_lines():
            if not os.path.exists(seen):
                return []
            with open(seen) as f:
                return sorted(f.read().splitlines())
        lines = d.wait_for(lambda: len(seen_lines()) >= 2 and seen_lines(), 15, "both programs started")
        self.assertEqual(lines, ["direct.sh unset", "file-manager.sh unset"])
        tree, web = [str(proc.pid)], []
        while tree:
            children = d.run(["pgrep", "-P", tree.pop()], check=False).stdout.split()
            tree += children
            web += [p for p in children if os.readlink(f"/proc/{p}/exe").endswith("WebKitWebProcess")]
        with open(f"/proc/{web[0]}/environ", "rb") as f:
            self.assertIn(b"WEBKIT_DISABLE_COMPOSITING_MODE=1", f.read().split(b"\0"), "our web process has it")


if __name__ == "__main__":
    unittest.main()
