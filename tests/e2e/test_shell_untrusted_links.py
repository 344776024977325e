"""launch: and folder: links by who asks, on the real binary: the user's own
page by any route; a web page or a frame from elsewhere only by a click,
never by script, frame load, page refresh or server redirect. And links as
the page wrote them: non-ASCII paths, and a bare program name that is looked
for on PATH only."""
import os
import time
import unittest

import harness
from harness import SessionTestCase

LINK_STYLE = ("<style>body{margin:0;background:#234} iframe{position:absolute;left:0;top:0;width:400px;"
              "height:300px;border:0} .big{display:block;width:400px;height:150px;background:#fc6}</style>")


class UntrustedLinkTest(SessionTestCase):
    panel = True

    def setUp(self):
        super().setUp()
        d = self.desktop
        self.program, self.log = harness.write_recorder(d.tmp, "allowed.sh")
        self.server = harness.Site()
        self.addCleanup(self.server.close)

    def start(self, home_page, env=None):
        d = self.desktop
        harness.write_vantile_settings(d, {"HomePage": home_page, "EnableScripting": True, "ShowTaskbar": False},
                                       [self.program])
        proc = harness.start_vantile(d, env=env)
        d.wait_for_window(pid=proc.pid)
        self.addCleanup(harness.stop_vantile, proc)

    def link(self, param):
        return f"launch:{self.program}?param={param}"

    def started(self):
        return sorted(args[0] for _, args in harness.recorded_runs(self.log))

    def started_after_clicking_the_link(self):
        """Clicks the big link at the top left once the page has had its
        time, and gives what has been started."""
        d = self.desktop
        time.sleep(2)
        d.click(200, 75)
        d.wait_for(lambda: "clicked" in self.started(), 15, "the clicked link")
        time.sleep(1)
        return self.started()

    def test_a_framed_page_starts_something_only_when_clicked(self):
        d = self.desktop
        self.server.pages["/redirect"] = (302, "text/plain", b"", {"Location": self.link("redirect")})
        frame = self.server.serve("/frame.html", "<html><head>"
                           f"<meta http-equiv='refresh' content='0;url={self.link('refresh')}'>{LINK_STYLE}</head><body>"
                           f"<a class='big' href='{self.link('clicked')}'>click</a>"
                           f"<iframe style='position:static' src='{self.link('frame-load')}'></iframe><script>"
                           f"setTimeout(function () {{ location.href = '{self.link('script')}'; }}, 300);"
                           f"setTimeout(function () {{ location.href = '{self.server.url}/?{self.link('query')}'; }}, 600);"
                           "setTimeout(function () { location.href = '/redirect'; }, 900);"
                           "</script></body></html>")
        # The user's own page keeps script navigation; its page refresh, like
        # every other, starts nothing.
        page = harness.write_page(d, "<html><head>"
                                     f"<meta http-equiv='refresh' content='0;url={self.link('own-refresh')}'>"
                                     f"{LINK_STYLE}</head><body><iframe src='{frame}'></iframe><script>"
                                     f"setTimeout(function () {{ location.href = '{self.link('own-script')}'; }}, 1500);"
                                     "</script></body></html>")
        self.start(page)
        d.wait_for(lambda: "/redirect" in self.server.paths, 20, "the frame's last try")
        self.assertEqual(self.started_after_clicking_the_link(), ["clicked", "own-script"])

    def test_a_web_page_as_the_desktop_starts_something_only_when_clicked(self):
        d = self.desktop
        # A click on something else, whose handler clicks a link itself, is
        # not a click on that link.
        hidden = f"{self.server.url}/?{self.link('handler')}"
        page = self.server.serve("/desk.html", f"<html><head>{LINK_STYLE}</head><body>"
                                 f"<a class='big' href='{self.link('clicked')}'>click</a>"
                                 f"<a id='hidden' href='{hidden}'></a>"
                                 "<div class='big' onclick=\"document.getElementById('hidden').click()\">button</div><script>"
                                 f"setTimeout(function () {{ location.href = '{self.link('script')}'; }}, 300);"
                                 "</script></body></html>")
        self.start(page)
        d.wait_for(lambda: "/desk.html" in self.server.paths, 20, "the web page")
        d.click(200, 225)
        self.assertEqual(self.started_after_clicking_the_link(), ["clicked"])

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
