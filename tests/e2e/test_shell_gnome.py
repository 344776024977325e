"""vantile in a GNOME Wayland session (mutter, headless, with Xwayland):
started as GNOME starts programs, with WAYLAND_DISPLAY and DISPLAY and no
GDK_BACKEND, it is a desktop window through Xwayland, kept below an
ordinary window also after it is activated.

mutter runs as a throw-away user that the test creates and removes; without
root, mutter or Xwayland the test is skipped."""
import os
import shutil
import subprocess
import types
import unittest

import harness

USER = "vantile-e2e-gn"
MISSING = [tool for tool in ("mutter", "Xwayland", "useradd", "dbus-run-session") if not shutil.which(tool)]


@unittest.skipIf(os.geteuid() != 0 or MISSING, f"needs root and {MISSING or 'mutter'}")
class MutterTestCase(unittest.TestCase):
    """A headless mutter session with `monitors` virtual monitors; vantile
    copied into the user's home (self.home)."""
    monitors = ("1280x800",)

    def setUp(self):
        self.uid, self.gid, self.tmp = harness.throwaway_user(self, USER, "vantile-gn-")
        self.runtime, self.home = (harness.user_folder(self.tmp, name, self.uid, self.gid) for name in ("run", "home"))
        shutil.copy2(harness.build_path("vantile"), self.home)  # the build folder may be out of the user's reach
        self.env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.home,
                    "XDG_RUNTIME_DIR": self.runtime, "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
                    "XDG_CACHE_HOME": os.path.join(self.home, ".cache"), "LC_ALL": "C.UTF-8", "NO_AT_BRIDGE": "1"}
        # mutter and every client share one D-Bus session, as in GNOME.
        script = os.path.join(self.tmp, "session.sh")
        with open(script, "w") as f:
            f.write('echo "$DBUS_SESSION_BUS_ADDRESS" > "$XDG_RUNTIME_DIR/bus"\n'
                    "mutter --wayland --headless --wayland-display=wl-test "
                    + " ".join(f"--virtual-monitor {size}" for size in self.monitors) + " &\n"
                    "wait\n")
        self.session = subprocess.Popen(["dbus-run-session", "--", "sh", script], env=self.env, user=self.uid,
                                        group=self.gid, extra_groups=[], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL, start_new_session=True)
        self.addCleanup(self.stop, self.session)
        auth = harness.Desktop.wait_for(lambda: [n for n in os.listdir(self.runtime)
                                                 if n.startswith(".mutter-Xwaylandauth.")], 60, "Xwayland")
        display = harness.Desktop.wait_for(self.xwayland_display, 30, "Xwayland's display")
        with open(os.path.join(self.runtime, "bus")) as f:
            bus = f.read().strip()
        self.env.update(WAYLAND_DISPLAY="wl-test", DISPLAY=display, XAUTHORITY=os.path.join(self.runtime, auth[0]),
                        DBUS_SESSION_BUS_ADDRESS=bus)
        harness.Desktop.wait_for(lambda: self.x(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False)
                                 .returncode == 0, 30, "mutter's X11 side")

    def xwayland_display(self):
        """The X display this session's mutter made (it holds the lock): an
        earlier session may have left its lock files, or not have ended yet."""
        for number in range(16):
            try:
                with open(f"/tmp/.X{number}-lock") as lock:
                    if os.getpgid(int(lock.read())) == self.session.pid:
                        return f":{number}"
            except (OSError, ValueError):
                pass
        return None

    def apply_monitors(self, *monitors):
        """Lays the monitors out as mutter's display settings would: a list of
        (connector, mode, x, primary); connectors left out are switched off."""
        def call(method, *args):
            return self.x(["gdbus", "call", "--session", "--dest", "org.gnome.Mutter.DisplayConfig", "--object-path",
                           "/org/gnome/Mutter/DisplayConfig", "--method", "org.gnome.Mutter.DisplayConfig." + method,
                           *args]).stdout
        serial = call("GetCurrentState").split(",")[0].split()[-1]
        layout = ", ".join(f"({x}, 0, 1.0, uint32 0, {str(primary).lower()}, [('{name}', '{mode}', @a{{sv}} {{}})])"
                           for name, mode, x, primary in monitors)
        call("ApplyMonitorsConfig", serial, "1", f"[{layout}]", "@a{sv} {}")

    def stop(self, proc):
        os.killpg(proc.pid, 15)
        proc.wait(10)

    def x(self, argv, check=True):
        return subprocess.run(argv, env=self.env, user=self.uid, group=self.gid, extra_groups=[],
                              capture_output=True, text=True, check=check)

    def stacking(self):
        out = self.x(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"]).stdout
        return [int(w, 16) for w in out.split("#")[1].replace(",", " ").split()] if "#" in out else []

    def window_of(self, *how):
        out = self.x(["xdotool", "search", "--onlyvisible", *how], check=False).stdout.split()
        return int(out[0]) if out else None

    def write_settings(self, values):
        page = os.path.join(self.home, "page.html")
        with open(page, "w") as f:
            f.write("<html><body style='background:#2a6'>GNOME</body></html>")
        harness.write_vantile_settings(types.SimpleNamespace(config=self.env["XDG_CONFIG_HOME"]),
                                       dict({"HomePage": page}, **values))
        for root, dirs, files in os.walk(self.home):
            for name in dirs + files:
                os.chown(os.path.join(root, name), self.uid, self.gid)
        return page

    def start_ordinary_window(self):
        other = subprocess.Popen(["xmessage", "an ordinary window"], env=self.env, user=self.uid, group=self.gid,
                                 extra_groups=[], stderr=subprocess.DEVNULL)
        self.addCleanup(other.kill)
        return harness.Desktop.wait_for(lambda: self.window_of("--class", "Xmessage"), 20, "the ordinary window")

    def start_vantile(self):
        vantile = subprocess.Popen([os.path.join(self.home, "vantile")], env=self.env, user=self.uid, group=self.gid,
                                   extra_groups=[], cwd=self.home, stderr=subprocess.DEVNULL)
        self.addCleanup(harness.stop_vantile, vantile)
        return vantile


class GnomeDesktopTest(MutterTestCase):
    def test_a_wayland_session_without_layer_shell_gets_a_desktop_window_through_xwayland(self):
        self.write_settings({})
        ordinary = self.start_ordinary_window()
        vantile = self.start_vantile()
        desktop = harness.Desktop.wait_for(lambda: self.window_of("--pid", str(vantile.pid)), 30, "vantile's window on :0")
        self.assertIn("_NET_WM_WINDOW_TYPE_DESKTOP", self.x(["xprop", "-id", str(desktop), "_NET_WM_WINDOW_TYPE"]).stdout)
        for moment in ("shown", "activated"):
            stack = harness.Desktop.wait_for(lambda: desktop in self.stacking() and self.stacking(), 20, "the stack")
            self.assertLess(stack.index(desktop), stack.index(ordinary), moment)
            self.x(["xdotool", "windowactivate", str(desktop)], check=False)


if __name__ == "__main__":
    unittest.main()
