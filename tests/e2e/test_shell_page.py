"""What page script and the page's requests reach on the real binary:
window.external on local pages only (never on a web page or in a foreign
frame, not even by forging its calls), page message boxes, and the popup
menu in place of WebKit's."""
import os
import time
import unittest
import urllib.parse

import harness
from harness import SessionTestCase


class PageServer(harness.LoopbackServer):
    """Serves `pages` and collects the queries of /report requests."""

    def __init__(self, pages):
        def respond(path):
            url = urllib.parse.urlsplit(path)
            body = b"ok" if url.path == "/report" else pages.get(url.path, "").encode()
            return (200 if body else 404), "text/html; charset=utf-8", body

        super().__init__(respond)

    @property
    def reports(self):
        return [urllib.parse.unquote(urllib.parse.urlsplit(p).query)
                for p in self.paths if urllib.parse.urlsplit(p).path == "/report"]


def probe_script(recorder):
    """Reports what window.external offers, then tries to reach the window's
    commands without it: the script message channel with a guessed token,
    and the synchronous drives question."""
    return ("<script>"
            "var ext = window.external || {};"
            "var report = 'openFile=' + typeof ext.openFile + ' getLocalDrives=' + typeof ext.getLocalDrives;"
            "try { window.webkit.messageHandlers.vantileExternal.postMessage("
            f"  {{ token: '0123456789abcdef0123456789abcdef', command: 'openFile', a: '{recorder}', b: 'forged', c: '', n: 1 }});"
            "  report += ' channel=reachable'; } catch (e) { report += ' channel=none'; }"
            "var answer = prompt('\\u0001vantile-external:0123456789abcdef0123456789abcdef:getLocalDrives');"
            "report += ' drives=' + JSON.stringify(answer);"
            "var x = new XMLHttpRequest(); x.open('GET', '/report?' + encodeURIComponent(report)); x.send();"
            "</script>")


class PageCommandTest(SessionTestCase):
    panel = True

    def setUp(self):
        super().setUp()
        d = self.desktop
        self.recorder, self.log = harness.write_recorder(d.tmp)
        self.work = os.path.join(d.tmp, "work")
        os.makedirs(self.work)

    def start(self, home_page, body=None):
        d = self.desktop
        if body is not None:
            with open(home_page, "w") as f:
                f.write(f"<html><body style='background:#246;color:#fff'>{body}</body></html>")
        harness.write_vantile_settings(d, {"HomePage": home_page, "EnableScripting": True})
        proc = harness.start_vantile(d)
        window = d.wait_for_window(pid=proc.pid)
        self.addCleanup(harness.stop_vantile, proc)
        return proc, window

    def wait_for_runs(self, count=1, timeout=15):
        return self.desktop.wait_for(lambda: len(harness.recorded_runs(self.log)) >= count and
                                     harness.recorded_runs(self.log), timeout, "the recorder")

    def test_local_page_lists_drives_and_starts_programs(self):
        page = os.path.join(self.desktop.tmp, "local.html")
        self.start(page, "<script>"
                         "var drives = window.external.getLocalDrives();"
                         f"window.external.openFile('{self.recorder}', drives + ' ' + typeof drives, '{self.work}');"
                         f"setTimeout(function () {{ window.external.openFile('{self.recorder}'); }}, 500);"
                         "</script>")
        first, second = self.wait_for_runs(2)
        self.assertEqual(first[0], self.work)
        drives, kind = first[1]
        self.assertEqual(kind, "string", "getLocalDrives answers synchronously")
        roots = drives.split(",")
        self.assertEqual(roots[0], "/")
        self.assertTrue(all(r.endswith("/") for r in roots), drives)
        self.assertEqual(len(roots), len(set(roots)))
        self.assertEqual(second[1], [], "left-out arguments are empty")

    def test_web_pages_and_foreign_frames_get_no_commands(self):
        d = self.desktop
        server = PageServer({"/page.html": "<html><body>web page" + probe_script(self.recorder) + "</body></html>",
                                 "/frame.html": "<html><body>frame" + probe_script(self.recorder) + "</body></html>"})
        self.addCleanup(server.close)
        # A local page that embeds a frame from the web, then the web page
        # itself, by a link of the local page (its script may not replace it
        # while a frame from elsewhere is in it).
        local = os.path.join(d.tmp, "local.html")
        self.start(local, f"<a href='{server.url}/page.html' style='display:block;width:300px;height:100px;"
                          f"background:#fc6'>web</a><iframe src='{server.url}/frame.html'></iframe>")
        d.wait_for(lambda: server.reports, 20, "the frame's report")
        d.click(100, 50)
        d.wait_for(lambda: len(server.reports) >= 2, 20, "both reports")
        for report in server.reports:
            self.assertIn("openFile=undefined getLocalDrives=undefined", report)
            self.assertIn('drives=""', report, "a forged drives question gets nothing")
        time.sleep(1)
        self.assertEqual(harness.recorded_runs(self.log), [], "a forged call starts nothing")

    def answer(self, title, key):
        """Waits for a message box titled `title`, presses `key` in it and
        waits for it to close."""
        d = self.desktop
        box = d.wait_for_window(name=title, timeout=20)
        d.run(["xdotool", "windowactivate", "--sync", str(box)], check=False)
        d.key(key)
        d.wait_for(lambda: box not in d.windows(name=title), 10, f"{title} closed")

    def test_alert_and_confirm_show_titled_boxes_and_confirm_gets_the_button(self):
        d = self.desktop
        page = os.path.join(d.tmp, "dialogs.html")
        self.start(page, "<script>setTimeout(function () {"
                         "alert('Hello from the page');"
                         "var first = confirm('Go on?');"
                         "var second = confirm('Really?');"
                         f"window.external.openFile('{self.recorder}', first + ' ' + second);"
                         "}, 500);</script>")
        self.answer("^Alert - Vantile$", "Return")
        self.answer("^Confirm - Vantile$", "Return")  # OK is the default button
        self.answer("^Confirm - Vantile$", "Escape")  # closing the box is Cancel
        self.assertEqual(self.wait_for_runs()[0][1], ["true", "false"])


class PopupMenuTest(SessionTestCase):
    panel = True

    def test_right_click_shows_our_menu_and_exit_closes_the_program(self):
        d = self.desktop
        page = harness.write_page(d, "<html><body style='background:#246'>right-click me</body></html>")
        harness.write_vantile_settings(d, {"HomePage": page})
        proc = harness.start_vantile(d)
        window = d.wait_for_window(pid=proc.pid)
        time.sleep(1)
        d.click(500, 300, button=3)
        menu = d.wait_for(lambda: [w for w in d.windows(pid=proc.pid)
                                   if w != window and d.geometry(w)[2] > 50], 10, "the popup menu")[0]
        x, y, width, height = d.geometry(menu)
        self.assertLessEqual(abs(x - 500) + abs(y - 300), 4, "the menu opens at the pointer")
        self.assertGreater(height, 12 * 20, "all of the menu's items")
        d.key("x")  # E&xit
        self.assertEqual(proc.wait(20), 0)
        self.assertIn(harness.SETTINGS_KEY, harness.read_vantile_settings(d), "a normal shutdown")


if __name__ == "__main__":
    unittest.main()
