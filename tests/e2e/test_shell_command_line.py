"""vantile --help and --version on the real binary: they answer and exit
without a display, and leave every setting, lock and runtime folder alone."""
import os
import re
import subprocess
import tempfile
import unittest

import harness


def project_version():
    with open(harness.build_path("CMakeCache.txt"), encoding="utf-8") as cache:
        return re.search(r"^CMAKE_PROJECT_VERSION:\w+=(.*)$", cache.read(), re.M).group(1)


class InformationOptionsTest(unittest.TestCase):
    def run_vantile(self, *args):
        """Runs vantile in an empty home with no display; returns the result
        and every file or folder that appeared anywhere in that home."""
        with tempfile.TemporaryDirectory(prefix="vantile-cli-") as root:
            env = {key: value for key, value in os.environ.items()
                   if key not in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS")}
            env.update({"HOME": root, "XDG_CONFIG_HOME": os.path.join(root, "config"),
                        "XDG_DATA_HOME": os.path.join(root, "data"), "XDG_CACHE_HOME": os.path.join(root, "cache"),
                        "XDG_RUNTIME_DIR": os.path.join(root, "run"), "TMPDIR": root, "LC_ALL": "C.UTF-8"})
            result = subprocess.run([harness.build_path("vantile"), *args], env=env, capture_output=True,
                                    text=True, timeout=30)
            created = sorted(os.path.relpath(os.path.join(folder, name), root)
                             for folder, folders, files in os.walk(root) for name in folders + files)
        return result, created

    def test_help_and_version_print_and_exit_0_creating_nothing(self):
        version_line = "vantile " + project_version()
        for args, expected in [(["--version"], version_line), (["--help"], "Usage: vantile [/debug]"),
                               (["/debug", "--version"], version_line), (["--help", "--version"], "Usage: vantile [/debug]")]:
            with self.subTest(args=args):
                result, created = self.run_vantile(*args)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(result.stdout.splitlines()[0], expected)
                self.assertEqual(result.stderr, "")
                self.assertEqual(created, [], "no setting, lock or runtime folder")

    def test_any_other_argument_still_starts_the_program(self):
        # Without a display the start stops at the display, but only after the
        # instance test made its lock folder: proof that the run above would
        # have shown a folder had it started anything.
        for args in (["-h"], ["--Version"], ["/debug"]):
            with self.subTest(args=args):
                result, created = self.run_vantile(*args)
                self.assertEqual(result.returncode, 1)
                self.assertIn("cannot open the display", result.stderr)
                self.assertEqual(result.stdout, "")
                self.assertIn(os.path.join("run", "vantile"), created)


if __name__ == "__main__":
    unittest.main()
