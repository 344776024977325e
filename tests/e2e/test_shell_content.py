"""What the settings let a page load, as the browser applies them: pictures
and scripts only when enabled, and no scroll bars with NoScrollbars."""
import os
import re
import subprocess
import time
import unittest

import harness
from harness import SessionTestCase


# the smallest valid PNG: one transparent pixel
TINY_PNG = bytes.fromhex("89504e470d0a1a0a0000000d4948445200000001000000010806000000"
                         "1f15c4890000000d49444154789c6360000002000154a24f5d00000000"
                         "49454e44ae426082")


def asset(path):
    """What the request log serves: a picture, a script or a style sheet."""
    if path.endswith(".png"):
        return 200, "image/png", TINY_PNG
    if path.endswith(".js"):
        return 200, "text/javascript", b"var loaded = true;"
    if path.endswith(".css"):
        return 200, "text/css", b"body { color: #fff }"
    return 200, "text/plain", b""


class ContentTest(SessionTestCase):

    def run_page(self, html, settings, then=None):
        d = self.desktop
        page = harness.write_page(d, html)
        harness.write_vantile_settings(d, {"HomePage": page, **settings})
        proc = harness.start_vantile(d)
        d.wait_for_window(pid=proc.pid)
        try:
            return then() if then else None
        finally:
            self.assertEqual(harness.stop_vantile(proc), 0)

    def test_pictures_and_scripts_load_only_when_enabled(self):
        server = harness.LoopbackServer(asset)
        self.addCleanup(server.close)
        html = (f"<html><head><link rel='stylesheet' href='{server.url}/style.css'></head>"
                f"<body><img src='{server.url}/picture.png'><script src='{server.url}/script.js'></script>"
                "</body></html>")

        def wait_for_page():
            # The style sheet always loads, so it marks the page as read.
            self.desktop.wait_for(lambda: "/style.css" in server.paths, 20, "the page")
            time.sleep(1.5)
            return set(server.paths)

        off = self.run_page(html, {"EnableImages": False, "EnableScripting": False}, wait_for_page)
        self.assertEqual(off, {"/style.css"})
        server.paths.clear()
        on = self.run_page(html, {"EnableImages": True, "EnableScripting": True}, wait_for_page)
        self.assertEqual(on, {"/style.css", "/picture.png", "/script.js"})

    def test_no_scrollbars_hides_the_page_scroll_bar(self):
        d = self.desktop
        html = "<html><body style='margin:0;height:4000px;background:#204060'></body></html>"

        def right_edge_colours():
            """The colours along the right edge, where the scroll bar's thumb sits."""
            time.sleep(2)
            shot = d.screenshot("shot.png")
            out = subprocess.run(["convert", shot, "-crop", "12x120+1268+10", "txt:-"],
                                 capture_output=True, text=True, check=True).stdout
            return set(m.upper() for m in re.findall(r"\s#([0-9A-Fa-f]{6})", out))

        self.assertNotEqual(self.run_page(html, {"NoScrollbars": False}, right_edge_colours), {"204060"},
                            "a scroll bar is drawn over the page's right edge")
        self.assertEqual(self.run_page(html, {"NoScrollbars": True}, right_edge_colours), {"204060"})


if __name__ == "__main__":
    unittest.main()
