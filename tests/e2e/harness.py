"""End-to-end test harness: a private X server with a window manager (and,
when asked, a panel), private HOME and XDG folders, and helpers to find
windows, read their geometry, press keys and take screenshots.

Every test gets its own display and folders, so tests never see each other
or the real user's settings.
"""
import contextlib
import http.server
import json
import threading
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import urllib.parse

BUILD_DIR = os.environ.get("VANTILE_BUILD_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build"))
BUILD_DIR = os.path.abspath(BUILD_DIR)
SCREEN = (1280, 800)
PANEL_TASK_COLOUR = "#ff00ff"


class Desktop:
    """A running X session. Use as a context manager."""

    def __init__(self, panel=False, panel_position="bottom", window_manager=True):
        self.panel = panel
        self.panel_position = panel_position
        self.window_manager = window_manager
        self.procs = []
        self.tmp = tempfile.mkdtemp(prefix="vantile-e2e-")
        self.home = os.path.join(self.tmp, "home")
        self.config = os.path.join(self.home, ".config")
        self.data = os.path.join(self.home, ".local", "share")
        self.runtime = os.path.join(self.tmp, "run")
        for d in (self.home, self.config, self.data, self.runtime):
            os.makedirs(d, exist_ok=True)
        os.chmod(self.runtime, 0o700)
        self.display = None
        self.env = None

    # -- life cycle -------------------------------------------------------
    def __enter__(self):
        # Xvfb picks a free display itself and tells us which (-displayfd), so
        # tests running side by side never race for the same number.
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
             "-nolisten", "tcp", "-ac"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,))
        os.close(write_end)
        self.procs.append(xvfb)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip().isdigit():
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.strip().decode()

        self.env = dict(os.environ)
        for key in ("WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_SESSION_TYPE"):
            self.env.pop(key, None)
        self.env.update({
            "DISPLAY": self.display,
            "HOME": self.home,
            "XDG_CONFIG_HOME": self.config,
            "XDG_DATA_HOME": self.data,
            "XDG_RUNTIME_DIR": self.runtime,
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "GDK_BACKEND": "x11",
            "NO_AT_BRIDGE": "1",
            "GTK_A11Y": "none",
            "LC_ALL": "C.UTF-8",
        })
        bus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             env=self.env, capture_output=True, text=True)
        if bus.returncode == 0:
            lines = bus.stdout.split()
            self.env["DBUS_SESSION_BUS_ADDRESS"] = lines[0]
            self._bus_pid = int(lines[1])
        else:
            self._bus_pid = None
        if self.window_manager:
            self._start_window_manager()
        if self.panel:
            self.start_panel()
        return self

    def _start_window_manager(self):
        # On a loaded machine openbox can take a while, and now and then it
        # gives up at once; start it again rather than fail the test.
        for attempt in range(3):
            wm = self.start(["openbox", "--sm-disable"])
            deadline = time.time() + 30
            while time.time() < deadline and wm.poll() is None:
                if self._wm_running():
                    return
                time.sleep(0.1)
            if wm.poll() is None:
                wm.kill()
        raise AssertionError("the window manager did not start")

    def __exit__(self, *exc):
        self.close()
        return False

    def close(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                with contextlib.suppress(ProcessLookupError):
                    os.killpg(p.pid, signal.SIGTERM) if p.pid == os.getpgid(p.pid) else p.terminate()
        for p in reversed(self.procs):
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
        if self._bus_pid:
            with contextlib.suppress(ProcessLookupError):
                os.kill(self._bus_pid, signal.SIGTERM)
        self.procs = []
        if os.environ.get("VANTILE_KEEP_E2E") is None:
            shutil.rmtree(self.tmp, ignore_errors=True)

    def start(self, argv, **kw):
        """Starts a helper process of the session (ended with it)."""
        p = subprocess.Popen(argv, env=kw.pop("env", self.env), stdout=kw.pop("stdout", subprocess.DEVNULL),
                             stderr=kw.pop("stderr", subprocess.DEVNULL), **kw)
        self.procs.append(p)
        return p

    def start_panel(self):
        cfg = os.path.join(self.tmp, "tint2rc")
        # Background 1 the panel's, 2 its task buttons' (a colour no page
        # uses, so the buttons can be counted on a screenshot).
        backgrounds = "".join(f"rounded = 0\nborder_width = 0\nbackground_color = {colour} 100\n"
                              "border_color = #000000 0\n" for colour in ("#303030", PANEL_TASK_COLOUR))
        with open(cfg, "w") as f:
            f.write(backgrounds +
                    f"panel_position = {self.panel_position} center horizontal\n"
                    "panel_size = 100% 40\npanel_items = T\nstrut_policy = follow_size\n"
                    "panel_dock = 0\nwm_menu = 0\npanel_layer = top\n"
                    "panel_background_id = 1\ntask_background_id = 2\ntask_active_background_id = 2\n"
                    "task_maximum_size = 120 30\ntask_padding = 4 4\ntaskbar_padding = 4 4 8\n")
        self.start(["tint2", "-c", cfg])
        self.wait_for(lambda: self.dock_windows(), 10, "panel")

    # -- queries ------------------------------------------------------------
    def run(self, argv, check=True, **kw):
        return subprocess.run(argv, env=self.env, capture_output=True, text=True, check=check, **kw)

    def _wm_running(self):
        r = self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False)
        return "window id" in r.stdout

    @staticmethod
    def wait_for(predicate, timeout, what="condition"):
        deadline = time.time() + timeout
        while time.time() < deadline:
            value = predicate()
            if value:
                return value
            time.sleep(0.1)
        raise AssertionError(f"timed out after {timeout}s waiting for {what}")

    def windows(self, name=None, class_name=None, pid=None, only_visible=True):
        argv = ["xdotool", "search"]
        if only_visible:
            argv.append("--onlyvisible")
        if pid is not None:
            argv += ["--pid", str(pid)]
        if name is not None:
            argv += ["--name", name]
        elif class_name is not None:
            argv += ["--class", class_name]
        elif pid is None:
            argv += ["--name", "."]
        # xdotool gives up with an X error when a window (a tooltip, a closing
        # dialog) goes while it walks the tree, and then prints nothing: that
        # empty answer is no proof that the window asked for is gone.
        for _ in range(20):
            r = self.run(argv, check=False)
            if "X Error" not in r.stderr:
                break
            time.sleep(0.05)
        else:
            raise AssertionError(f"xdotool search kept failing: {r.stderr.strip()}")
        return [int(w) for w in r.stdout.split()]

    def wait_for_window(self, timeout=30, **kw):
        return self.wait_for(lambda: self.windows(**kw), timeout, f"window {kw}")[0]

    def geometry(self, wid):
        """(x, y, width, height) of the window's frame on the screen."""
        r = self.run(["xwininfo", "-id", str(wid)])
        vals = {}
        for line in r.stdout.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    vals[key] = int(line.split(":")[1])
        return (vals["Absolute upper-left X"], vals["Absolute upper-left Y"], vals["Width"], vals["Height"])

    def wait_for_geometry(self, wid, expected, timeout=10):
        """Waits until the window's frame is at `expected`; fails showing where it is."""
        try:
            self.wait_for(lambda: self.geometry(wid) == expected, timeout, f"window at {expected}")
        except AssertionError:
            actual = self.geometry(wid)
            if actual != expected:
                raise AssertionError(f"window at {actual}, expected {expected}") from None

    def is_mapped(self, wid):
        r = self.run(["xwininfo", "-id", str(wid)], check=False)
        return "IsViewable" in r.stdout

    def dock_windows(self):
        """Every panel, mapped or not: a window of type _NET_WM_WINDOW_TYPE_DOCK
        among the top-level windows and the window manager's clients (a panel
        it manages sits inside its frame). The window manager's own
        override-redirect helpers of that type are no panels."""
        r = self.run(["xwininfo", "-root", "-children"], check=False)
        candidates = [int(line.split()[0], 16) for line in (l.strip() for l in r.stdout.splitlines())
                      if line.startswith("0x")]
        clients = self.run(["xprop", "-root", "_NET_CLIENT_LIST"], check=False).stdout
        if "#" in clients:
            candidates += [int(w.strip(), 16) for w in clients.split("#", 1)[1].split(",") if w.strip()]
        docks = []
        for wid in dict.fromkeys(candidates):
            t = self.run(["xprop", "-id", str(wid), "_NET_WM_WINDOW_TYPE"], check=False).stdout
            if "_NET_WM_WINDOW_TYPE_DOCK" not in t:
                continue
            info = self.run(["xwininfo", "-id", str(wid)], check=False).stdout
            if "Override Redirect State: yes" not in info:
                docks.append(wid)
        return docks

    def workarea(self):
        r = self.run(["xprop", "-root", "_NET_WORKAREA"], check=False).stdout
        if "=" not in r:
            return (0, 0) + SCREEN
        nums = [int(v) for v in r.split("=")[1].replace(",", " ").split()[:4]]
        return tuple(nums)

    def panel_tasks(self):
        """How many task buttons the panel shows (runs of the buttons' colour
        along a row through them)."""
        x, y, width, height = max((self.geometry(w) for w in self.windows(class_name="tint2")),
                                  key=lambda g: g[2] * g[3])
        row = self.pixels(x, y + 6, width, 1)  # inside the buttons, above their icons
        task = tuple(int(PANEL_TASK_COLOUR[i:i + 2], 16) for i in (1, 3, 5))
        return sum(1 for i, p in enumerate(row) if p == task and (i == 0 or row[i - 1] != task))

    def pixels(self, x, y, width, height):
        """The screen's pixels in a rectangle, row by row, as (r, g, b)."""
        data = subprocess.run(["import", "-display", self.display, "-window", "root", "-crop",
                               f"{width}x{height}+{x}+{y}", "-depth", "8", "rgb:-"],
                              env=self.env, capture_output=True, check=True).stdout
        return [tuple(data[i:i + 3]) for i in range(0, len(data), 3)]

    def stacking(self):
        """Managed windows from bottom to top (_NET_CLIENT_LIST_STACKING)."""
        r = self.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"], check=False).stdout
        return [int(w, 16) for w in r.split("#")[1].replace(",", " ").split()] if "#" in r else []

    def key(self, *keys, window=None):
        argv = ["xdotool", "key"]
        if window is not None:
            argv += ["--window", str(window)]
        self.run(argv + list(keys))

    def pixel(self, x, y):
        """The colour of the screen at x, y as "#rrggbb"."""
        r = self.run(["import", "-display", self.display, "-window", "root", "-crop", f"1x1+{x}+{y}",
                      "-depth", "8", "txt:-"])
        return "#" + r.stdout.split("#", 2)[2][:6].lower() if r.stdout.count("#") >= 2 else ""

    def accessible_env(self):
        """The session's environment with the accessibility bridge on, for a
        program whose widgets a test reads through accessible_tree()."""
        env = dict(self.env)
        env.pop("NO_AT_BRIDGE", None)
        env.pop("GTK_A11Y", None)
        return env

    def accessible_tree(self, pid):
        """The accessibility tree of a program started with accessible_env(),
        as a list of nodes: role, name, sensitive, showing, selected, focused,
        box (x, y, w, h)."""
        python = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else "python3"
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "a11y_dump.py")
        r = subprocess.run([python, script, str(pid)], env=self.accessible_env(), capture_output=True,
                           text=True, timeout=60)
        if r.returncode != 0:
            raise AssertionError("reading the accessibility tree failed: " + r.stderr[-2000:])
        return json.loads(r.stdout)

    def click(self, x, y, button=1):
        self.run(["xdotool", "mousemove", str(x), str(y), "sleep", "0.1", "click", str(button)])

    def screenshot(self, name):
        """Saves the screen as `name` in a folder of its own and returns the
        path. Not beside the session's pages: a new picture there is a change
        the live page reloads for."""
        folder = os.path.join(self.tmp, "screenshots")
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, name)
        self.run(["import", "-display", self.display, "-window", "root", path])
        return path


def build_path(*parts):
    return os.path.join(BUILD_DIR, *parts)


class DesktopTestCase(unittest.TestCase):
    """Base class: self.desktop is a fresh session per test."""
    panel = False

    def setUp(self):
        self.desktop = Desktop(panel=self.panel).__enter__()
        self.addCleanup(self.desktop.close)


# -- vantile helpers ----------------------------------------------------------
SETTINGS_KEY = r"HKEY_CURRENT_USER\Software\Quorel\Vantile"
PROGRAMS_KEY = SETTINGS_KEY + r"\Programs"


def reg_text(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def write_vantile_settings(desktop, values=None, programs=None):
    """Writes the settings hive before vantile starts. `values` maps names to
    str (REG_SZ) or bool/int (REG_DWORD); `programs` is the allow-list."""
    folder = os.path.join(desktop.config, "vantile")
    os.makedirs(folder, exist_ok=True)
    lines = ["Windows Registry Editor Version 5.00", "", f"[{SETTINGS_KEY}]"]
    for name, value in (values or {}).items():
        if isinstance(value, bool):
            value = -1 if value else 0
        if isinstance(value, int):
            lines.append(f'"{name}"=dword:{value & 0xFFFFFFFF:08x}')
        else:
            lines.append(f'"{name}"={reg_text(value)}')
    lines += ["", f"[{PROGRAMS_KEY}]", f'"Count"=dword:{len(programs or []):08x}']
    for i, program in enumerate(programs or []):
        lines.append(f'"Prog{i}"={reg_text(program)}')
    path = os.path.join(folder, "HKEY_CURRENT_USER.reg")
    with open(path, "w", encoding="utf-8", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")
    return path


def read_vantile_settings(desktop):
    """{key path: {value name: value}} from the settings hive (str, or int for dwords)."""
    path = os.path.join(desktop.config, "vantile", "HKEY_CURRENT_USER.reg")
    keys, current = {}, None
    with open(path, encoding="utf-8-sig") as f:
        for line in f.read().splitlines():
            line = line.strip()
            if line.startswith("[") and line.endswith("]"):
                current = keys.setdefault(line[1:-1], {})
            elif line.startswith('"') and current is not None and '"=' in line:
                name, value = line[1:].split('"=', 1)
                if value.startswith("dword:"):
                    current[name] = int(value[6:], 16)
                elif value.startswith('"'):
                    current[name] = value[1:-1].replace('\\"', '"').replace("\\\\", "\\")
                else:
                    current[name] = value
    return keys


def start_vantile(desktop, args=(), program=None, env=None):
    """Starts vantile in the session; its output goes to files in the session folder."""
    program = program or build_path("vantile")
    out = open(os.path.join(desktop.tmp, "vantile.out"), "ab")
    p = subprocess.Popen([program, *args], env=env or desktop.env, stdout=out, stderr=subprocess.STDOUT)
    out.close()
    desktop.procs.append(p)
    return p


def vantile_output(desktop):
    with open(os.path.join(desktop.tmp, "vantile.out"), encoding="utf-8", errors="replace") as f:
        return f.read()


def stop_vantile(proc, timeout=20):
    """Asks vantile to close (SIGTERM runs its normal shutdown) and returns its exit status."""
    if proc.poll() is None:
        proc.terminate()
    return proc.wait(timeout)


def write_recorder(folder, name="recorder.sh"):
    """A program that appends its working folder and arguments to `name`.log,
    one block per start: "cwd=...", then "arg=..." lines, then "end"."""
    script = os.path.join(folder, name)
    log = script + ".log"
    with open(script, "w") as f:
        f.write("#!/bin/sh\n"
                f"log='{log}'\n"
                'echo "cwd=$(pwd)" >> "$log"\n'
                'for a in "$@"; do printf "arg=%s\\n" "$a" >> "$log"; done\n'
                'echo end >> "$log"\n')
    os.chmod(script, 0o755)
    return script, log


def recorded_runs(log):
    """The starts a recorder logged: a list of (cwd, [args])."""
    if not os.path.exists(log):
        return []
    runs, cwd, args = [], None, []
    with open(log) as f:
        for line in f.read().splitlines():
            if line.startswith("cwd="):
                cwd, args = line[4:], []
            elif line.startswith("arg="):
                args.append(line[4:])
            elif line == "end":
                runs.append((cwd, args))
    return runs


def register_default_application(desktop, name, program, mime_types, arguments="%F"):
    """Makes `program` the default application for `mime_types` (such as
    "text/plain" or "x-scheme-handler/http") through a desktop entry
    `name`.desktop and mimeapps.list in $XDG_DATA_HOME/applications. Earlier
    registrations for other types stay."""
    apps = os.path.join(desktop.data, "applications")
    os.makedirs(apps, exist_ok=True)
    with open(os.path.join(apps, name + ".desktop"), "w") as f:
        f.write(f"[Desktop Entry]\nType=Application\nName={name}\n"
                f"Exec={program} {arguments}\nMimeType={';'.join(mime_types)};\nNoDisplay=true\n")
    defaults = os.path.join(apps, "mimeapps.list")
    lines = ["[Default Applications]"]
    if os.path.exists(defaults):
        with open(defaults) as f:
            lines = f.read().splitlines()
    lines += [f"{kind}={name}.desktop" for kind in mime_types]
    with open(defaults, "w") as f:
        f.write("\n".join(lines) + "\n")


def register_file_manager(desktop, program):
    """Makes `program` the user's file manager (default for inode/directory)."""
    register_default_application(desktop, "fake-files", program, ["inode/directory"])


def file_uri(path):
    return "file://" + urllib.parse.quote(os.path.abspath(path))


def open_desktop(attempts=3, **kw):
    """Desktop(**kw) entered, trying again when the session does not come up
    (a busy machine can keep the window manager from starting in time); a
    session that failed is closed rather than left running."""
    error = None
    for _ in range(attempts):
        desktop = Desktop(**kw)
        try:
            return desktop.__enter__()
        except (AssertionError, RuntimeError) as e:
            error = e
            desktop.close()
    raise error


class SessionTestCase(unittest.TestCase):
    """Like DesktopTestCase, with open_desktop's retries: self.desktop is a
    fresh session per test, with the panel when `panel` is set."""
    panel = False
    panel_position = "bottom"

    def setUp(self):
        self.desktop = open_desktop(panel=self.panel, panel_position=self.panel_position)
        self.addCleanup(self.desktop.close)


class ConsentTestCase(SessionTestCase):
    """A session with a recording program on the allow-list, a loopback
    site, and readers of the launch confirmation through AT-SPI."""

    def setUp(self):
        super().setUp()
        self.program, self.log = write_recorder(self.desktop.tmp, "allowed.sh")
        self.server = Site()
        self.addCleanup(self.server.close)

    def start(self, home_page, scripting=False, accessible=False, settings=None, **run):
        """Vantile on `home_page` with further `settings`; `run` goes to start_vantile."""
        d = self.desktop
        write_vantile_settings(d, {"HomePage": home_page, "EnableScripting": scripting, "ShowTaskbar": False,
                                   **(settings or {})}, [self.program])
        self.proc = start_vantile(d, env=d.accessible_env() if accessible else None, **run)
        self.window = d.wait_for_window(pid=self.proc.pid)
        self.addCleanup(stop_vantile, self.proc)

    def link(self, param):
        return f"launch:{self.program}?param={param}"

    def runs(self):
        return recorded_runs(self.log)

    def boxes(self):
        return [w for w in self.desktop.windows(name="^Vantile$", pid=self.proc.pid) if w != self.window]

    def activate(self, window):
        self.desktop.run(["xdotool", "windowactivate", "--sync", str(window)], check=False)

    def confirmation(self):
        """The open box's texts in reading order, and its Start button."""
        def read():
            nodes = self.desktop.accessible_tree(self.proc.pid)
            start = [n for n in nodes if n["role"] == "push button" and n["name"] == "Start"]
            labels = [n for n in nodes if n["role"] in ("label", "heading") and n["showing"] and n["name"] and n["box"]]
            labels = [n["name"] for n in sorted(labels, key=lambda n: (n["box"][1], n["box"][0]))]
            return start and (labels, start[0])
        return self.desktop.wait_for(read, 20, "the confirmation")



def web_processes(pid):
    """The WebKit web processes under `pid` (bubblewrap stands between)."""
    found, todo = [], [pid]
    while todo:
        parent = todo.pop()
        for entry in os.listdir("/proc"):
            try:
                with open(f"/proc/{entry}/stat") as f:
                    name, rest = f.read().split(" (", 1)[1].rsplit(")", 1)
            except (OSError, IndexError):
                continue
            if int(rest.split()[1]) == parent:
                todo.append(int(entry))
                if name.startswith("WebKitWebProces"):
                    found.append(int(entry))
    return found


def throwaway_user(test, name, prefix):
    """User `name` for one test (compositors refuse to run as root), made
    unless it exists and removed when `test` ends, with a fresh folder of
    its own (removed too). Returns (uid, gid, folder)."""
    import pwd
    if subprocess.run(["id", name], capture_output=True).returncode != 0:
        subprocess.run(["useradd", "--no-create-home", "--shell", "/usr/sbin/nologin", name], check=True)
        test.addCleanup(subprocess.run, ["userdel", name], capture_output=True)
    account = pwd.getpwnam(name)
    folder = tempfile.mkdtemp(prefix=prefix)
    test.addCleanup(shutil.rmtree, folder, True)
    os.chown(folder, account.pw_uid, account.pw_gid)
    return account.pw_uid, account.pw_gid, folder


def user_folder(parent, name, uid, gid):
    """A private folder `name` in `parent` that the user uid:gid owns."""
    path = os.path.join(parent, name)
    os.makedirs(path, mode=0o700)
    os.chown(path, uid, gid)
    return path


def write_page(desktop, html, name="page.html"):
    """Writes a local page into the session's folder and returns its path."""
    path = os.path.join(desktop.tmp, name)
    with open(path, "w") as f:
        f.write(html)
    return path


class LoopbackServer:
    """A web server on 127.0.0.1 for one test. `respond(path)` gives the
    answer as (status, content type, body bytes), optionally followed by a
    dict of further headers; every requested path is recorded in `paths`, in
    order."""

    def __init__(self, respond):
        self.paths = []
        outer = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                outer.paths.append(self.path)
                status, kind, body, *extra = respond(self.path)
                self.send_response(status)
                for name, value in (extra[0] if extra else {}).items():
                    self.send_header(name, value)
                self.send_header("Content-Type", kind)
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.server.server_address[1]}"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


class Site(LoopbackServer):
    """A loopback server of the pages a test sets: serve(path, html), or
    pages[path] = (status, content type, body[, headers]); anything else is
    404."""

    def __init__(self):
        self.pages = {}
        super().__init__(lambda path: self.pages.get(urllib.parse.urlsplit(path).path,
                                                     (404, "text/plain", b"none")))

    def serve(self, path, html):
        self.pages[path] = (200, "text/html; charset=utf-8", html.encode())
        return self.url + path
