"""vantile under a Wayland compositor with the layer-shell protocol (sway,
headless): the page is a background surface that covers the output or keeps
clear of the bar's exclusive zone, other windows stay above it, and a click
gives it the keyboard.

sway will not run as root, so the session runs as a throw-away user that
the test creates and removes; without root, sway, grim or wtype the test is
skipped."""
import contextlib
import json
import os
import shutil
import subprocess
import time
import types
import unittest

import harness

USER = "vantile-e2e-wl"
OUTPUT = (1280, 720)
PAGE_COLOUR = (0x22, 0xAA, 0x66)
MISSING = [tool for tool in ("sway", "grim", "wtype", "useradd") if not shutil.which(tool)]


@unittest.skipIf(os.geteuid() != 0 or MISSING, f"needs root and {MISSING or 'sway'}")
class SwayTestCase(unittest.TestCase):
    """A headless sway session with `outputs` outputs and a bar; the
    programs copied into the user's folder (self.bin)."""
    outputs = 1

    def setUp(self):
        self.uid, self.gid, self.tmp = harness.throwaway_user(self, USER, "vantile-wl-")
        self.runtime = self.mkdir("run")
        self.home = self.mkdir("home")
        # The programs run as the test's user, who may not reach the build
        # folder (a clone under /root): they run from copies in its folder.
        self.bin = self.mkdir("bin")
        for program in ("vantile", "vantile-image-helper", "vantile-image-helper-gtk"):
            shutil.copy2(harness.build_path(program), self.bin)
        self.procs = []
        self.addCleanup(self.stop_all)
        # A bar with an exclusive zone along the top, and other programs'
        # windows floating so the page shows around them.
        config = os.path.join(self.tmp, "sway.conf")
        with open(config, "w") as f:
            f.write('for_window [app_id=".*"] floating enable\n'
                    "bar {\n  position top\n}\n")
        self.env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.home,
                    "XDG_RUNTIME_DIR": self.runtime, "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
                    "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
                    "XDG_CACHE_HOME": os.path.join(self.home, ".cache"), "LC_ALL": "C.UTF-8",
                    "NO_AT_BRIDGE": "1", "GDK_BACKEND": "wayland", "WAYLAND_DISPLAY": "wayland-1"}
        self.start(["sway", "-c", config], WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1",
                   WLR_RENDERER="pixman", WLR_HEADLESS_OUTPUTS=str(self.outputs))
        harness.Desktop.wait_for(lambda: os.path.exists(os.path.join(self.runtime, "wayland-1")), 20, "sway")
        harness.Desktop.wait_for(self.sway_socket, 10, "sway's command socket")

    def mkdir(self, name):
        return harness.user_folder(self.tmp, name, self.uid, self.gid)

    def start(self, argv, **env):
        p = subprocess.Popen(argv, env=dict(self.env, **env), user=self.uid, group=self.gid, extra_groups=[],
                             cwd=self.home, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(p)
        return p

    def run_as_user(self, argv):
        return subprocess.run(argv, env=dict(self.env, SWAYSOCK=self.sway_socket() or ""), user=self.uid,
                              group=self.gid, extra_groups=[], capture_output=True, text=True, check=True)

    def stop_all(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()

    def sway_socket(self):
        names = [n for n in os.listdir(self.runtime) if n.startswith("sway-ipc.")]
        return os.path.join(self.runtime, names[0]) if names else None

    def sway(self, *command):
        return self.run_as_user(["swaymsg", *command]).stdout

    def colour_at(self, x, y):
        shot = os.path.join(self.runtime, "shot.png")
        self.run_as_user(["grim", shot])
        data = subprocess.run(["convert", shot, "-crop", f"1x1+{x}+{y}", "-depth", "8", "rgb:-"],
                              capture_output=True, check=True).stdout
        return tuple(data[:3])

    def start_vantile(self, show_taskbar):
        """Starts vantile on a page that reports its size (innerWidth x
        innerHeight) through a recorder each time it changes."""
        recorder, log = harness.write_recorder(self.home)
        page = os.path.join(self.home, "page.html")
        with open(page, "w") as f:
            f.write("<html><body style='margin:0;background:#2a6'><script>"
                    f"function report() {{ window.external.openFile('{recorder}', innerWidth + 'x' + innerHeight); }}"
                    "report(); addEventListener('resize', report);"
                    "document.addEventListener('visibilitychange', function () {"
                    f" window.external.openFile('{recorder}', document.visibilityState); }});</script></body></html>")
        harness.write_vantile_settings(types.SimpleNamespace(config=self.env["XDG_CONFIG_HOME"]), {"HomePage": page, "ShowTaskbar": show_taskbar,
                                                "EnableScripting": True})
        return self.start_program("vantile"), log

    def start_program(self, name):
        """Starts one of the programs once what the test wrote in the
        user's home is the user's."""
        for root, dirs, files in os.walk(self.home):
            for entry in dirs + files:
                os.chown(os.path.join(root, entry), self.uid, self.gid)
        return self.start([os.path.join(self.bin, name)])

    def page_size(self, log, expected):
        def size():
            runs = harness.recorded_runs(log)
            last = runs and runs[-1][1][0]
            return last and expected(tuple(int(v) for v in last.split("x"))) and last
        return harness.Desktop.wait_for(size, 30, "the page's size")

class WaylandDesktopTest(SwayTestCase):
    def test_whole_output_other_windows_above_and_the_keyboard_on_a_click(self):
        proc, log = self.start_vantile(show_taskbar=False)
        self.page_size(log, lambda s: s == OUTPUT)
        harness.Desktop.wait_for(lambda: self.colour_at(1000, 600) == PAGE_COLOUR, 20, "the page on screen")
        # vantile is no window of the compositor's tree: it is a layer surface.
        self.assertIsNone(self.find_window(lambda node: node.get("pid") == proc.pid))

        self.start([os.path.join(self.bin, "vantile-image-helper")])
        helper = harness.Desktop.wait_for(lambda: self.find_window(
            lambda node: node.get("app_id") == "vantile-image-helper-gtk"), 20, "the helper")
        x, y = helper["x"] + helper["width"] // 2, helper["y"] + helper["height"] // 2
        harness.Desktop.wait_for(lambda: self.colour_at(x, y) != PAGE_COLOUR, 10, "the helper above the page")

        self.sway("seat", "seat0", "cursor", "set", "1000", "600")
        self.sway("seat", "seat0", "cursor", "press", "button1")
        self.sway("seat", "seat0", "cursor", "release", "button1")
        self.assertNotEqual(self.colour_at(x, y), PAGE_COLOUR, "the click does not lift the page")
        # The focus change reaches vantile through the compositor, later on a
        # busy machine: press again until the program has gone.
        deadline = time.time() + 30
        while proc.poll() is None and time.time() < deadline:
            self.run_as_user(["wtype", "-M", "ctrl", "q", "-m", "ctrl"])
            with contextlib.suppress(subprocess.TimeoutExpired):
                proc.wait(2)
        self.assertEqual(proc.poll(), 0, "Ctrl+Q reached the page")

    def test_a_focused_full_screen_window_pauses_the_page(self):
        proc, log = self.start_vantile(show_taskbar=False)
        self.page_size(log, lambda s: s == OUTPUT)
        self.start([os.path.join(self.bin, "vantile-image-helper")])
        harness.Desktop.wait_for(lambda: self.find_window(
            lambda node: node.get("app_id") == "vantile-image-helper-gtk"), 20, "the helper")
        states = lambda: [args[0] for _, args in harness.recorded_runs(log) if args[0] in ("hidden", "visible")]
        for full, state in (("enable", ["hidden"]), ("disable", ["hidden", "visible"])):
            self.sway("[app_id=vantile-image-helper-gtk]", "fullscreen", full)
            harness.Desktop.wait_for(lambda: states() == state, 20, f"the page {state[-1]}")

    def test_shown_taskbar_keeps_clear_of_the_bar(self):
        proc, log = self.start_vantile(show_taskbar=True)
        width, height = map(int, self.page_size(log, lambda s: s[0] == OUTPUT[0] and s[1] < OUTPUT[1]).split("x"))
        self.assertGreater(height, OUTPUT[1] - 100, "only the bar's height is kept clear")
        proc.terminate()
        self.assertEqual(proc.wait(20), 0)

    def find_window(self, predicate):
        """The screen rectangle of the first window in sway's tree that
        `predicate` accepts, or None."""
        def walk(node):
            if predicate(node):
                return node["rect"]
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                found = walk(child)
                if found:
                    return found
            return None
        return walk(json.loads(self.sway("-t", "get_tree")))


if __name__ == "__main__":
    unittest.main()
