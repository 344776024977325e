"""What documents other than the user's own page cannot reach, on the real
binary: window.external (not even with anything they could read from it),
the desktop's place (new windows, drops), and the disk (downloads)."""
import os
import subprocess
import time
import unittest
import urllib.parse

import harness
from harness import SessionTestCase

STYLE = ("<style>body{margin:0;background:#234} iframe{position:absolute;left:0;top:0;width:400px;"
         "height:300px;border:0} #alive{position:absolute;left:600px;top:400px;width:300px;height:200px;"
         "background:#6c6}</style>")
FRAME_STYLE = ("<style>body{margin:0;background:#fc6} a{display:block;width:400px;height:100px;"
               "background:#c63}</style>")


class BridgeTest(SessionTestCase):
    panel = True

    def setUp(self):
        super().setUp()
        d = self.desktop
        self.recorder, self.log = harness.write_recorder(d.tmp)
        self.alive, self.alive_log = harness.write_recorder(d.tmp, "alive.sh")
        self.server = harness.Site()
        self.addCleanup(self.server.close)

    def start(self, body):
        """The user's own page: `body`, and a green area whose click proves
        the page is still shown, with its bridge."""
        d = self.desktop
        page = harness.write_page(d, f"<html><head>{STYLE}</head><body>{body}<div id='alive' onclick=\""
                                     f"window.external.openFile('{self.alive}', 'alive ' + location.protocol)\">"
                                     "</div></body></html>")
        harness.write_vantile_settings(d, {"HomePage": page, "EnableScripting": True, "ShowTaskbar": False})
        proc = harness.start_vantile(d)
        d.wait_for_window(pid=proc.pid)
        self.addCleanup(harness.stop_vantile, proc)
        return proc

    def assert_desktop_page_stays(self):
        d = self.desktop
        d.click(750, 500)
        runs = d.wait_for(lambda: harness.recorded_runs(self.alive_log), 15, "the desktop's own page")
        self.assertEqual(runs[-1][1], ["alive", "file:"])

    def test_new_windows_from_a_framed_page_cannot_replace_the_desktop(self):
        d = self.desktop
        frame = self.server.serve("/frame.html", f"<html><head>{FRAME_STYLE}</head><body>"
                           f"<a target='_blank' href=\"javascript:window.external.openFile('{self.recorder}', 'blank')\">js</a>"
                           "<a target='_blank' style='margin-top:50px' href='data:text/html,"
                           "<body style=background:red>replaced</body>'>data</a></body></html>")
        self.start(f"<iframe src='{frame}'></iframe>")
        d.wait_for(lambda: "/frame.html" in self.server.paths, 20, "the frame")
        time.sleep(1)
        d.click(200, 50)
        d.click(200, 200)
        time.sleep(1)
        self.assert_desktop_page_stays()
        self.assertEqual(harness.recorded_runs(self.log), [])

    def test_a_dropped_page_does_not_replace_the_desktop(self):
        d = self.desktop
        dropped = harness.write_page(d, "<html><body>dropped<script>"
                                        f"window.external.openFile('{self.recorder}', 'dropped');</script></body></html>",
                                     "dropped.html")
        self.start("")
        time.sleep(1.5)
        probe = d.start([harness.build_path("tests", "e2e", "window_probe"), "drag", harness.file_uri(dropped),
                         "900", "100"], stdout=subprocess.PIPE)
        self.addCleanup(probe.stdout.close)
        d.wait_for_window(name="^Drag Probe$")
        time.sleep(0.5)
        x, y, w, h = d.geometry(d.windows(name="^Drag Probe$")[0])
        d.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "mousedown", "1", "sleep", "0.3",
               "mousemove", str(x + w // 2 - 20), str(y + h // 2 + 20), "sleep", "0.3",
               "mousemove", "700", "450", "sleep", "0.3", "mousemove", "720", "470", "sleep", "0.5", "mouseup", "1"])
        time.sleep(2)
        probe.kill()
        self.assert_desktop_page_stays()
        self.assertEqual(harness.recorded_runs(self.log), [], "the dropped page never ran")

    def test_a_framed_page_finds_no_token_to_forge_calls_with(self):
        d = self.desktop
        # Whatever the desktop's page could read of window.external, a frame
        # from elsewhere tries as the bridge's token.
        frame = self.server.serve("/frame.html", "<html><body><script>"
                           "addEventListener('message', function (e) {"
                           "  var found = JSON.parse(e.data), answers = [];"
                           "  found.forEach(function (token) {"
                           "    try { webkit.messageHandlers.vantileExternal.postMessage({ token: token,"
                           f"      command: 'openFile', a: '{self.recorder}', b: 'forged', c: '', n: 1 }}); }} catch (x) {{}}"
                           "    answers.push(prompt('\\u0001vantile-external:' + token + ':getLocalDrives'));"
                           "  });"
                           "  var x = new XMLHttpRequest();"
                           "  x.open('GET', '/report?' + encodeURIComponent(JSON.stringify(answers))); x.send();"
                           "});</script></body></html>")
        self.server.pages["/report"] = (200, "text/plain", b"ok")
        self.start(f"<iframe src='{frame}' onload='share(this)'></iframe><script>"
                   "function share(frame) {"
                   "  var text = '';"
                   "  for (var name in window.external) text += Function.prototype.toString.call(window.external[name]);"
                   "  frame.contentWindow.postMessage(JSON.stringify(text.match(/[0-9a-f]{32}/g) || []), '*');"
                   "}</script>")
        report = d.wait_for(lambda: [p for p in self.server.paths if p.startswith("/report?")], 20, "the report")
        answers = urllib.parse.unquote(report[0].split("?", 1)[1])
        self.assertNotIn("/", answers, "no drive list for a forged question")
        time.sleep(1)
        self.assertEqual(harness.recorded_runs(self.log), [], "no forged call started anything")

    def test_downloads_are_never_saved(self):
        d = self.desktop
        self.server.pages["/report.bin"] = (200, "application/x-vantile-test", b"unknown type" * 100)
        self.server.pages["/notes.txt"] = (200, "text/plain", b"attachment" * 100,
                                    {"Content-Disposition": "attachment; filename=notes.txt"})
        self.start(f"<script>setTimeout(function () {{ location.href = '{self.server.url}/report.bin'; }}, 500);"
                   f"setTimeout(function () {{ location.href = '{self.server.url}/notes.txt'; }}, 1500);</script>")
        d.wait_for(lambda: "/notes.txt" in self.server.paths, 20, "both downloads asked for")
        time.sleep(2)
        self.assert_desktop_page_stays()
        saved = [name for _, _, names in os.walk(d.home) for name in names
                 if name.startswith(("notes", "report"))]
        self.assertEqual(saved, [])


if __name__ == "__main__":
    unittest.main()
