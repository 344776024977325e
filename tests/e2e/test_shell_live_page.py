"""The live page: saving the local page shown, or a stylesheet beside it,
reloads it once per save, however the editor writes; files elsewhere,
editors' scratch files and files a page does not draw on do not, and
"LiveReload"=0 turns it off. The page counts its loads in its localStorage
and reports each through a recorder."""
import os
import time
import unittest

import harness
from harness import SessionTestCase


class LivePageTest(SessionTestCase):
    def setUp(self):
        super().setUp()
        d = self.desktop
        self.recorder, self.log = harness.write_recorder(d.tmp)
        self.site = os.path.join(d.tmp, "site")
        os.makedirs(self.site)
        self.page = os.path.join(self.site, "index.html")

    def html(self, version):
        return ("<html><head><link rel='stylesheet' href='style.css'></head><body><script>"
                "var loads = Number(localStorage.getItem('loads') || 0) + 1;"
                "localStorage.setItem('loads', loads);"
                f"window.external.openFile('{self.recorder}', '{version} ' + loads);"
                "</script></body></html>")

    def start(self, **settings):
        d = self.desktop
        with open(self.page, "w") as f:
            f.write(self.html("v1"))
        harness.write_vantile_settings(d, {"HomePage": self.page, "EnableScripting": True, **settings})
        proc = harness.start_vantile(d)
        self.addCleanup(harness.stop_vantile, proc)
        self.wait_for_loads([["v1", "1"]])
        return proc

    def loads(self):
        return [args for _, args in harness.recorded_runs(self.log)]

    def wait_for_loads(self, expected):
        try:
            self.desktop.wait_for(lambda: len(self.loads()) >= len(expected), 20, f"{len(expected)} loads")
        finally:
            self.assertEqual(self.loads(), expected)

    def test_each_save_reloads_the_page_once(self):
        self.start()
        # Saved in place, in two writes a moment apart, as a slow editor does.
        text = self.html("v2")
        with open(self.page, "w") as f:
            f.write(text[:40])
            f.flush()
            time.sleep(0.1)
            f.write(text[40:])
        self.wait_for_loads([["v1", "1"], ["v2", "2"]])

        # Written as a new hidden file, then renamed over the page.
        scratch = os.path.join(self.site, ".index.html.new")
        with open(scratch, "w") as f:
            f.write(self.html("v3"))
        os.replace(scratch, self.page)
        self.wait_for_loads([["v1", "1"], ["v2", "2"], ["v3", "3"]])

        # A stylesheet beside the page.
        with open(os.path.join(self.site, "style.css"), "w") as f:
            f.write("body { background: #2a6; }")
        self.wait_for_loads([["v1", "1"], ["v2", "2"], ["v3", "3"], ["v3", "4"]])

        # A page in another folder; beside the page, an editor's backup and
        # a log a program writes.
        elsewhere = os.path.join(self.desktop.tmp, "elsewhere")
        os.makedirs(elsewhere)
        for path in (os.path.join(elsewhere, "index.html"), self.page + "~", os.path.join(self.site, "run.log")):
            with open(path, "w") as f:
                f.write(self.html("other"))
        time.sleep(1.5)  # several settle times: long enough for a reload to show
        self.assertEqual(len(self.loads()), 4, self.loads())

    def test_live_reload_zero_turns_it_off(self):
        proc = self.start(LiveReload=0)
        with open(self.page, "w") as f:
            f.write(self.html("v2"))
        time.sleep(1.5)
        self.assertEqual(self.loads(), [["v1", "1"]])
        self.assertEqual(harness.stop_vantile(proc), 0)
        settings = harness.read_vantile_settings(self.desktop)[harness.SETTINGS_KEY]
        self.assertEqual(settings["LiveReload"], 0, "the exit keeps the setting")


if __name__ == "__main__":
    unittest.main()
