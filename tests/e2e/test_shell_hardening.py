"""A web page against the launch confirmation on the real binary: clicks
that keep coming never say yes, the page cannot ask again at once, the box
opens away from the pointer and names the asker by its address even when
its origin is opaque, and every invisible character shows as a mark."""
import os
import time
import unittest

import harness


class HardeningTest(harness.ConsentTestCase):
    def serve_asking_page(self, param, headers=None):
        """A page where a click anywhere follows a launch link (a label over
        everything whose control sits in an off-screen link)."""
        body = ("<html><body style='margin:0;background:#234'><label style='position:fixed;inset:0'>"
                f"<a href='{self.link(param)}' style='position:fixed;left:-999px'><input type='checkbox'></a>"
                "</label></body></html>")
        self.server.pages["/ask.html"] = (200, "text/html; charset=utf-8", body.encode(), headers or {})
        self.start(self.server.url + "/ask.html", accessible=True)
        self.desktop.wait_for(lambda: "/ask.html" in self.server.paths, 20, "the web page")
        time.sleep(2)

    def ask(self, what, x=20, y=20):
        self.desktop.click(x, y)
        box = self.desktop.wait_for(self.boxes, 15, what)[0]
        self.activate(box)
        return box

    def test_clicks_that_keep_coming_start_nothing_and_the_page_waits_to_ask_again(self):
        d = self.desktop
        # An opaque origin (a sandboxed document) still names its host.
        self.serve_asking_page("fast", {"Content-Security-Policy": "sandbox allow-scripts"})
        self.ask("the confirmation")
        labels, start = self.confirmation()
        self.assertIn(f"{self.server.url} wants to start a program", labels)
        x, y, w, h = start["box"]
        spot = (x + w // 2, y + h // 2)
        d.run(["xdotool", "mousemove", *map(str, spot), "click", "--repeat", "30", "--delay", "100", "1"])
        self.assertFalse(self.confirmation()[1]["sensitive"], "three seconds of clicks, and Start is still waiting")
        d.wait_for(lambda: self.confirmation()[1]["sensitive"], 5, "Start once the clicks stopped")
        self.assertEqual(self.runs(), [])
        d.key("Escape")
        d.wait_for(lambda: not self.boxes(), 10, "Escape closed the box")

        d.click(20, 20)
        time.sleep(1)
        self.assertEqual(self.boxes(), [], "the page asked again at once")
        time.sleep(1.5)
        # Led to where Start was, the pointer finds no box there.
        box = self.ask("the confirmation two seconds later", *spot)
        time.sleep(0.5)
        g = dict(line.split("=") for line in d.run(["xdotool", "getwindowgeometry", "--shell", str(box)]).stdout.split())
        left, top, width, height = (int(g[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        self.assertFalse(left <= spot[0] < left + width and top <= spot[1] < top + height, "the box opened under the pointer")
        d.key("Escape")
        self.assertEqual(self.runs(), [])

    def test_every_invisible_character_shows_as_a_mark_with_each_arguments_length(self):
        self.serve_asking_page("echo+Welcome%E2%80%A8%E2%80%A8;+x%C2%ADy%E2%81%A0z%F3%A0%81%81")
        self.ask("the confirmation")
        labels = self.confirmation()[0]
        arguments = labels[labels.index("Arguments (3):") + 1:]
        self.assertEqual(arguments, ["echo", "4 characters", "Welcome<U+2028><U+2028>;", "10 characters",
                                     "x<U+00AD>y<U+2060>z<U+E0041>", "6 characters"])
        self.desktop.key("Escape")

    def test_the_web_process_has_namespaces_of_its_own_and_no_home_folder(self):
        d = self.desktop
        key = os.path.join(d.home, ".ssh", "id_rsa")
        os.makedirs(os.path.dirname(key))
        with open(key, "w") as f:
            f.write("not a real key\n")
        self.serve_asking_page("none")
        web = d.wait_for(lambda: harness.web_processes(self.proc.pid), 20, "the web process")[0]
        self.assertNotEqual(os.readlink(f"/proc/{web}/ns/mnt"), os.readlink(f"/proc/{self.proc.pid}/ns/mnt"))
        self.assertTrue(os.path.exists(key))
        self.assertFalse(os.path.exists(f"/proc/{web}/root{key}"), "the web process sees the user's key")

    def test_without_bubblewrap_the_page_still_shows_and_the_about_box_says_the_sandbox_is_off(self):
        d = self.desktop
        broken = os.path.join(d.tmp, "bwrap")
        with open(broken, "w") as f:
            f.write("#!/bin/sh\necho 'bwrap: Creating new namespace failed: Operation not permitted' >&2\nexit 1\n")
        os.chmod(broken, 0o755)
        page = self.server.serve("/plain.html", "<html><body style='background:#123456'>desk</body></html>")
        # bubblewrap refusing its namespaces, for this process alone.
        self.start(page, accessible=True, program="/usr/bin/unshare", args=[
            "--mount", "--propagation", "private", "sh", "-c",
            f"mount --bind {broken} /usr/bin/bwrap && exec {harness.build_path('vantile')}"])
        d.wait_for(lambda: d.pixel(400, 300) == "#123456", 20, "the page shown without the sandbox")
        self.assertIn("vantile: the web page sandbox is off: bubblewrap cannot make its namespaces here "
                      "(bwrap: Creating new namespace failed: Operation not permitted)", harness.vantile_output(d))
        d.click(400, 300, button=3)
        about = d.wait_for(lambda: [n for n in d.accessible_tree(self.proc.pid)
                                    if n["role"] == "menu item" and n["name"] == "About..."], 10, "the menu")[0]
        x, y, w, h = about["box"]
        d.click(x + w // 2, y + h // 2)
        d.wait_for_window(name="^About Vantile$", timeout=20)
        d.wait_for(lambda: [n for n in d.accessible_tree(self.proc.pid) if n["name"] == "The web page sandbox is off."],
                   10, "the About box's line on the sandbox")

    def test_a_page_that_takes_memory_without_end_is_stopped_and_told_why(self):
        d = self.desktop
        page = self.server.serve("/hungry.html", "<html><body><script>var kept = []; setInterval(function () {"
                                 " var block = new Uint8Array(100e6); block.fill(1); kept.push(block); }, 100);"
                                 "</script></body></html>")
        self.start(page, scripting=True, accessible=True, settings={"WebMemoryLimitMB": 512})
        peak, began = 0, time.monotonic()
        while time.monotonic() - began < 8:
            for web in harness.web_processes(self.proc.pid):
                try:
                    with open(f"/proc/{web}/statm") as f:
                        peak = max(peak, int(f.read().split()[1]) * os.sysconf("SC_PAGESIZE") >> 20)
                except OSError:
                    pass
            time.sleep(0.05)
        print(f"\nthe web process held at most {peak} MiB under a limit of 512")
        self.assertGreater(peak, 300, "the page did take memory")
        self.assertLess(peak, 512 + 1024, "stopped within a second of passing the limit")
        self.assertIn("used more memory than a page may", harness.vantile_output(d))
        d.wait_for(lambda: [n for n in d.accessible_tree(self.proc.pid)
                            if n["name"] == "The desktop page used too much memory"],
                   15, "the page saying it used too much memory")
        self.assertIsNone(self.proc.poll())

    def test_a_web_page_cannot_take_the_whole_screen(self):
        d = self.desktop
        page = self.server.serve("/full.html", "<html><body style='margin:0;height:100vh' onclick=\"if"
                                 " (!document.fullscreenEnabled) fetch('/report?unavailable'); else document.body"
                                 ".requestFullscreen().then(function () { fetch('/report?entered'); }, function () {"
                                 " fetch('/report?refused'); })\">click</body></html>")
        self.start(page, scripting=True)
        d.wait_for(lambda: "/full.html" in self.server.paths, 20, "the web page")
        time.sleep(1)
        d.click(400, 300)
        report = d.wait_for(lambda: [p for p in self.server.paths if p.startswith("/report")], 10, "the page's report")
        self.assertEqual(report, ["/report?unavailable"])



if __name__ == "__main__":
    unittest.main()
