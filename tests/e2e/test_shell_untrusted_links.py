"""Web content on the real binary starts nothing without the user's yes to
what is shown, never replaces the desktop and cannot lock it; the user's own
page starts at once. And links as the page wrote them: non-ASCII paths, and
a bare program name that is looked for on PATH only."""
import os
import time
import unittest

import harness


class UntrustedContentTest(harness.ConsentTestCase):
    def quit(self, what):
        self.activate(self.window)
        began = time.monotonic()
        self.desktop.run(["xdotool", "keydown", "Control_L", "key", "q", "keyup", "Control_L"])
        self.assertEqual(self.proc.wait(20), 0, what)
        print(f"\nCtrl+Q ended vantile {time.monotonic() - began:.2f} s after the key ({what})")

    def test_a_web_page_asks_by_every_route_and_starts_only_what_the_user_accepted(self):
        d = self.desktop
        hidden = "position:fixed;left:-999px;top:0"
        page = self.server.serve("/desk.html", "<html><body style='margin:0;background:#234'>"
                                 f"<a autofocus href='{self.link('autofocus')}' style='{hidden}'>a</a>"
                                 f"<a accesskey='k' href='{self.link('access')}' style='{hidden}'>k</a>"
                                 "<label style='position:fixed;left:0;top:0;right:0;bottom:0'>"
                                 f"<a href='{self.link('-e+sh+-c+&#39;echo+hi&#39;')}&dir=/tmp' style='{hidden}'>"
                                 "<input type='checkbox'></a></label></body></html>")
        self.start(page, accessible=True)
        d.wait_for(lambda: "/desk.html" in self.server.paths, 20, "the web page")
        time.sleep(2)
        for route, keys in (("autofocus", ["Return"]), ("an access key", ["alt+k"])):
            self.activate(self.window)
            d.key(*keys)
            self.activate(d.wait_for(self.boxes, 15, f"the confirmation for {route}")[0])
            labels, start = self.confirmation()
            self.assertIn(self.program, labels, route)
            self.assertFalse(start["sensitive"], "Start waits a second")
            d.key("alt+s", "Escape")
            d.wait_for(lambda: not self.boxes(), 10, f"{route}: Escape closed the box")
            time.sleep(2)  # the page may not ask again at once
        self.assertEqual(self.runs(), [], "Escape, and a key already on its way, start nothing")

        # A click anywhere on the empty-looking desktop: a label whose control
        # sits in an off-screen link.
        d.click(600, 400)
        d.wait_for(self.boxes, 15, "the confirmation for the label")
        labels, start = self.confirmation()
        self.assertEqual(labels[labels.index("Program:"):],
                         ["Program:", self.program, "In folder:", "/tmp", "Arguments (4):", "-e", "2 characters", "sh",
                          "2 characters", "-c", "2 characters", "echo hi", "7 characters"])
        self.assertIn(f"{self.server.url} wants to start a program", labels)
        x, y, w, h = start["box"]
        d.click(x + w // 2, y + h // 2)  # the click that came with the box
        time.sleep(1.5)
        self.assertEqual(self.runs(), [])
        self.assertTrue(self.confirmation()[1]["sensitive"])
        d.click(x + w // 2, y + h // 2)
        self.assertEqual(d.wait_for(self.runs, 15, "the accepted program"), [("/tmp", ["-e", "sh", "-c", "echo hi"])])
        d.wait_for(lambda: not self.boxes(), 10, "the box closed")

    def test_the_users_own_page_starts_at_once_and_a_frame_cannot_take_the_desktop(self):
        d = self.desktop
        own = self.link("own")
        self.server.serve("/taken.html", "<html><body style='background:#f00'>taken</body></html>")
        frame = self.server.serve("/frame.html", "<html><head>"
                                  f"<meta http-equiv='refresh' content='0;url={own}'></head>"
                                  "<body style='background:#0f0' onclick=\"setTimeout(function () {"
                                  " top.location = '/taken.html'; }, 1500)\">frame</body></html>")
        # Its own refresh through a launch: base starts nothing either.
        page = harness.write_page(d, "<html><head>"
                                  f"<base href='launch:{os.path.dirname(self.program)}/'>"
                                  f"<meta http-equiv='refresh' content='1;url=allowed.sh?param=base-refresh'>"
                                  f"</head><body style='margin:0;background:#234'><a href='{own}' style='display:block;width:400px;"
                                  "height:150px;background:#fc6'>mine</a>"
                                  f"<iframe src='{frame}' style='position:absolute;left:500px;top:0;width:300px;"
                                  "height:200px;border:0'></iframe></body></html>")
        self.start(page, scripting=True)
        d.wait_for(lambda: "/frame.html" in self.server.paths, 20, "the frame")
        time.sleep(2)
        d.click(650, 100)  # inside the frame: it may now ask for top
        time.sleep(4)
        self.assertEqual(d.pixel(1000, 600), "#223344", "the desktop still shows the user's page")
        self.assertIn("refused to replace the desktop's page with", harness.vantile_output(d))
        d.click(200, 75)
        self.assertEqual(d.wait_for(self.runs, 15, "the user's own link")[0][1], ["own"])
        time.sleep(1)
        self.assertEqual([args for _, args in self.runs()], [["own"]])
        self.assertEqual(self.boxes(), [], "the user's own page is never asked about")

    def test_print_and_message_box_loops_end_with_ctrl_q(self):
        d = self.desktop
        page = self.server.serve("/print.html", "<html><body style='background:#234'><script>"
                                 "setInterval(function () { window.print(); }, 100);</script></body></html>")
        self.start(page, scripting=True)
        d.wait_for(lambda: "refused to print" in harness.vantile_output(d), 20, "the refused print")
        self.assertEqual(self.boxes() + d.windows(name="Print"), [])
        self.quit("print loop")

        # Five boxes then a reload, for ever: a few boxes, however often it reloads.
        page = harness.write_page(d, "<html><body style='background:#234'><script>"
                                  "setTimeout(function () { for (var i = 0; i < 5; i++) alert('box ' + i);"
                                  " location.reload(); }, 300);</script></body></html>", "alerts.html")
        self.start(page, scripting=True)
        shown, until = 0, time.monotonic() + 8
        while time.monotonic() < until:
            boxes = d.windows(name="^Alert - Vantile$")
            if boxes:
                shown += 1
                self.activate(boxes[0])
                d.key("Escape")
                d.wait_for(lambda: boxes[0] not in d.windows(name="^Alert - Vantile$"), 10, "the box closed")
            time.sleep(0.05)
        self.assertLessEqual(shown, 3)
        self.quit("message box loop")

    def test_the_menu_opens_and_ctrl_q_works_while_the_page_never_returns(self):
        d = self.desktop
        page = harness.write_page(d, "<html><body style='background:#234'><script>"
                                  "setTimeout(function () { for (;;) {} }, 500);</script></body></html>")
        self.start(page, scripting=True)
        time.sleep(3)
        self.assertEqual(d.pixel(620, 420), "#223344")
        began = time.monotonic()
        d.click(600, 400, button=3)
        d.wait_for(lambda: d.pixel(620, 420) != "#223344", 10, "the right-click menu")
        print(f"\nthe menu showed {time.monotonic() - began:.2f} s after the right-click during for(;;)")
        d.key("Escape")
        self.quit("page in an endless loop")

    def test_links_as_written_non_ascii_paths_and_a_bare_name_on_path_only(self):
        d = self.desktop
        # /…/josé/bin/tool is on the allow-list as written; so is the bare
        # name "tool", which a folder on PATH holds, and so does the folder
        # the link names in dir=.
        home = os.path.join(d.tmp, "jos\u00e9")
        os.makedirs(os.path.join(home, "bin"))
        accented, accented_log = harness.write_recorder(os.path.join(home, "bin"), "tool")
        bin_folder, usb = os.path.join(d.tmp, "bin"), os.path.join(d.tmp, "usb")
        os.makedirs(bin_folder)
        os.makedirs(usb)
        on_path, on_path_log = harness.write_recorder(bin_folder, "tool")
        _, usb_log = harness.write_recorder(usb, "tool")
        fm, fm_log = harness.write_recorder(d.tmp, "file-manager.sh")
        harness.register_file_manager(d, fm)
        links = [f"launch:{accented}?param=\u00e9t\u00e9", f"folder:{home}", f"launch:tool?dir={usb}&param=x"]
        page = harness.write_page(d, "<html><head><meta charset='utf-8'></head><body><script>var links = " + repr(links).replace("'", '"') + ";"
                                     "links.forEach(function (link, i) {"
                                     "  setTimeout(function () { location.href = link; }, 300 * (i + 1)); });"
                                     "</script></body></html>")
        harness.write_vantile_settings(d, {"HomePage": page, "EnableScripting": True},
                                       [accented, "tool"])
        env = dict(d.env, PATH=bin_folder + ":" + d.env["PATH"])
        proc = harness.start_vantile(d, env=env)
        self.addCleanup(harness.stop_vantile, proc)
        runs = d.wait_for(lambda: harness.recorded_runs(accented_log), 20, "the program in jos\u00e9/bin")
        self.assertEqual([args for _, args in runs], [["\u00e9t\u00e9"]])
        self.assertEqual(d.wait_for(lambda: harness.recorded_runs(fm_log), 15, "the file manager")[0][1], [home])
        self.assertEqual(d.wait_for(lambda: harness.recorded_runs(on_path_log), 15, "tool from PATH"),
                         [(usb, ["x"])])
        self.assertEqual(harness.recorded_runs(usb_log), [], "never the link folder's own tool")


if __name__ == "__main__":
    unittest.main()
