"""window.vantile on the real binary under Xvfb with openbox: the user's own
page reads the machine's figures as the kernel has them, a watch follows a
busy core, loopback traffic, mocked power services and a file made on the
desktop with an icon that loads; it stops while the page is covered and goes on after, bad input
gets a plain error, and a web page has neither window.vantile nor the icons."""
import json
import os
import socket
import subprocess
import sys
import threading
import time
import unittest
import urllib.parse

import harness
from harness import SessionTestCase


def report_script(site, body):
    """A page script with report(x): x as JSON to the test's site."""
    return ("<script>function report(x) {"
            f" fetch('{site.url}/report?' + encodeURIComponent(JSON.stringify(x)), {{ mode: 'no-cors' }}); }}"
            + body + "</script>")


class SystemDataTest(SessionTestCase):
    def setUp(self):
        super().setUp()
        self.site = harness.Site()
        self.addCleanup(self.site.close)
        self.site.pages["/report"] = (200, "text/plain", b"ok")

    def reports(self):
        return [json.loads(urllib.parse.unquote(p.split("?", 1)[1]))
                for p in list(self.site.paths) if p.startswith("/report?")]

    def wait_for_report(self, predicate, timeout, what):
        return self.desktop.wait_for(lambda: next((r for r in self.reports() if predicate(r)), None), timeout, what)

    def start(self, script, env=None):
        d = self.desktop
        page = harness.write_page(d, "<html><body style='background:#123'>" + report_script(self.site, script) +
                                  "</body></html>")
        harness.write_vantile_settings(d, {"HomePage": page, "EnableScripting": True, "EnableImages": True})
        proc = harness.start_vantile(d, env=env)
        d.wait_for_window(pid=proc.pid)
        self.addCleanup(harness.stop_vantile, proc)

    def test_readings_are_the_kernels_figures(self):
        self.start("Promise.all(['memory', 'disks', 'network', 'cpu'].map(function (s) { return vantile.read(s); }))"
                   ".then(function (r) { report({ memory: r[0], disks: r[1], network: r[2], cpu: r[3],"
                   " frozen: Object.isFrozen(vantile) }); }, function (e) { report({ failed: e.message }); });")
        got = self.wait_for_report(lambda r: True, 20, "the readings")
        self.assertNotIn("failed", got)
        total = next(int(line.split()[1]) * 1024 for line in open("/proc/meminfo") if line.startswith("MemTotal:"))
        self.assertEqual((got["memory"]["total"], got["memory"]["used"]), (total, total - got["memory"]["available"]))
        root = os.statvfs("/")
        self.assertEqual([d["total"] for d in got["disks"] if d["mount"] == "/"], [root.f_blocks * root.f_frsize])
        self.assertFalse([d for d in got["disks"] if d["type"] in ("proc", "sysfs", "tmpfs", "cgroup2")])
        self.assertEqual([i["up"] for i in got["network"]["interfaces"] if i["name"] == "lo"], [True])
        cores = sum(1 for line in open("/proc/stat") if line.startswith("cpu") and line[3].isdigit())
        self.assertEqual((len(got["cpu"]["cores"]), len(got["cpu"]["load"]), got["frozen"]), (cores, 3, True))

    def test_a_watch_follows_a_busy_core_and_loopback_traffic(self):
        self.start("vantile.watch('cpu', { interval: 500 }, function (r) { report({ cpu: r.usage }); });"
                   "vantile.watch('network', { interval: 500 }, function (r) {"
                   "  r.interfaces.forEach(function (i) { if (i.name === 'lo') report({ lo: i.rxRate }); }); });")
        busy = subprocess.Popen([sys.executable, "-c", "while True: pass"])
        self.addCleanup(busy.kill)
        self.wait_for_report(lambda r: r.get("cpu", 0) > 40, 20, "usage above 40 with a core busy")
        busy.kill()
        stop = threading.Event()
        threading.Thread(target=self.send_over_loopback, args=(stop,), daemon=True).start()
        self.addCleanup(stop.set)
        self.wait_for_report(lambda r: r.get("lo", 0) > 1_000_000, 20, "lo's rxRate rising with the traffic")

    @staticmethod
    def send_over_loopback(stop):
        # To the discard port: received on loopback whether anyone listens or not.
        sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        for _ in range(3000):
            if stop.is_set():
                break
            for _ in range(20):
                sender.sendto(b"x" * 60000, ("127.0.0.1", 9))
            time.sleep(0.01)
        sender.close()

    def test_a_covered_page_samples_nothing_and_goes_on_after(self):
        d = self.desktop
        self.start("var n = 0; vantile.watch('memory', { interval: 250 }, function () { report({ n: ++n }); });")
        self.wait_for_report(lambda r: r["n"] >= 3, 15, "readings while shown")
        probe = subprocess.Popen([harness.build_path("tests", "e2e", "window_probe"), "plain", "300", "200"],
                                 env=d.env, stdout=subprocess.PIPE)
        self.addCleanup(probe.kill)
        d.run(["wmctrl", "-i", "-r", probe.stdout.readline().strip().decode(), "-b", "add,fullscreen"])
        time.sleep(2)  # covered, and the reading in flight told
        covered = len(self.reports())
        time.sleep(2)
        self.assertEqual(len(self.reports()), covered, "no reading while covered")
        probe.kill()
        self.wait_for_report(lambda r: r["n"] > covered + 1, 10, "readings again once shown")

    def test_bad_input_gets_a_plain_error_and_harms_nothing(self):
        self.start("var errors = {};"
                   "vantile.read('gpu').catch(function (e) { errors.unknown = e.message; });"
                   "vantile.read(7).catch(function (e) { errors.type = e.message; });"
                   "vantile.watch('cpu', 'fast', function (r, e) { errors.options = e && e.message; });"
                   "vantile.watch('cpu', { interval: '1s' }, function (r, e) { errors.interval = e && e.message; });"
                   "var zero = 0; vantile.watch('memory', { interval: 0 }, function () { zero++; });"
                   "var handles = [], excess = 0;"
                   "for (var i = 0; i < 1000; i++) handles.push(vantile.watch('memory', { interval: 1e6 },"
                   "  function (r, e) { if (e) excess++; }));"
                   "setTimeout(function () { handles.forEach(function (h) { h.stop(); });"
                   "  report({ errors: errors, zero: zero, excess: excess }); }, 2000);")
        got = self.wait_for_report(lambda r: "errors" in r, 20, "the errors")
        self.assertEqual(got["errors"], {
            "unknown": 'there is no source "gpu"; the sources are cpu, memory, network, disks, power, desktop',
            "type": 'name a source to read, such as "cpu"',
            "options": "the options of a watch are an object, such as { interval: 1000 }",
            "interval": "a watch's interval is a number of milliseconds"})
        self.assertTrue(2 <= got["zero"] <= 10, "an interval of 0 reads as the shortest one, four times a second")
        self.assertEqual(got["excess"], 1000 - 63, "the watches past 64 at once are refused")

    def test_power_from_mocked_services_and_a_change_within_a_second(self):
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE)
        self.addCleanup(lambda: (bus.kill(), bus.stdout.close()))
        env = dict(self.desktop.env, DBUS_SYSTEM_BUS_ADDRESS=bus.stdout.readline().decode().strip())

        def gdbus(*args):
            subprocess.run(["gdbus", *args], env=env, check=True, stdout=subprocess.DEVNULL)
        for template, parameters, name in (("upower", '{"OnBattery": true}', "org.freedesktop.UPower"),
                                           ("power_profiles_daemon", '{"ActiveProfile": "power-saver"}',
                                            "net.hadess.PowerProfiles")):
            self.addCleanup(subprocess.Popen(["/usr/bin/python3", "-m", "dbusmock", "--template", template, "-p",
                                              parameters], env=env, stdout=subprocess.DEVNULL).kill)
            gdbus("wait", "--system", "--timeout", "10", name)
        gdbus("call", "--system", "--dest", "org.freedesktop.UPower", "--object-path", "/org/freedesktop/UPower",
              "--method", "org.freedesktop.DBus.Mock.SetupDisplayDevice", "2", "2", "42.0", "42.0", "100.0", "10.0",
              "3600", "0", "true", "battery", "1")
        self.start("vantile.watch('power', function (p, e) { report(e ? { error: e.message } : p); });", env=env)
        got = self.wait_for_report(lambda r: True, 15, "the power reading")
        self.assertEqual(got, {"battery": {"percent": 42, "state": "discharging", "timeToEmpty": 3600, "timeToFull": 0},
                               "onBattery": True, "profile": "power-saver"})
        changed = time.time()
        gdbus("call", "--system", "--dest", "net.hadess.PowerProfiles", "--object-path", "/net/hadess/PowerProfiles",
              "--method", "org.freedesktop.DBus.Properties.Set", "net.hadess.PowerProfiles", "ActiveProfile",
              "<'balanced'>")
        self.wait_for_report(lambda r: r.get("profile") == "balanced", 5, "the profile's change")
        self.assertLess(time.time() - changed, 1.0, "within a second")

    def desktop_folder(self):
        os.makedirs(os.path.join(self.desktop.env["HOME"], "Desktop"), exist_ok=True)
        return os.path.join(self.desktop.env["HOME"], "Desktop")

    def test_a_file_made_on_the_desktop_reaches_a_watch_with_an_icon_that_loads(self):
        folder = self.desktop_folder()
        self.start("vantile.watch('desktop', function (d, e) {"
                   "  if (e) { report({ error: e.message }); return; }"
                   "  var note = d.entries.filter(function (x) { return x.name === 'note.txt'; })[0];"
                   "  if (!note) { report({ folder: d.folder, count: d.entries.length }); return; }"
                   "  report({ seen: note.kind + ' ' + note.type + ' ' + note.size });"
                   "  var img = new Image();"
                   "  img.onload = function () { report({ icon: img.naturalWidth }); };"
                   "  img.onerror = function () { report({ icon: 0 }); };"
                   "  img.src = note.icon; });")
        self.assertEqual(self.wait_for_report(lambda r: "folder" in r or "error" in r, 15, "the desktop folder"),
                         {"folder": folder, "count": 0})
        made = time.time()
        with open(os.path.join(folder, "note.txt"), "w") as f:
            f.write("hello")
        self.assertEqual(self.wait_for_report(lambda r: "seen" in r, 10, "the new file")["seen"], "file text/plain 5")
        self.assertLess(time.time() - made, 2.5, "within two seconds")
        self.assertGreaterEqual(self.wait_for_report(lambda r: "icon" in r, 10, "its icon")["icon"], 16)

    def test_a_web_page_has_no_window_vantile_nor_its_icons(self):
        note = os.path.join(self.desktop_folder(), "note.txt")
        with open(note, "w") as f:
            f.write("hello")
        icon = "vantile-icon://" + urllib.parse.quote(note)
        web = self.site.serve("/web.html", "<html><body>" + report_script(
            self.site, "var img = new Image();"
                       "img.onload = function () { report({ icon: 'loaded' }); };"
                       "img.onerror = function () { report({ web: typeof window.vantile, webkit: typeof (window.webkit"
                       " && window.webkit.messageHandlers && window.webkit.messageHandlers.vantilePage),"
                       " icon: 'failed' }); };"
                       f"img.src = '{icon}';") + "</body></html>")
        self.start(f"report({{ local: typeof vantile }}); location.href = '{web}';")
        got = self.wait_for_report(lambda r: "icon" in r, 15, "the web page's report")
        self.assertEqual(self.reports()[0], {"local": "object"})
        self.assertEqual(got, {"web": "undefined", "webkit": "undefined", "icon": "failed"})


if __name__ == "__main__":
    unittest.main()
