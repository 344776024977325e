"""The Open and Save dialogs on the real GTK file chooser: what a caller reads
back after a person types, selects and confirms."""
import os
import subprocess
import time
import unittest

import harness


class FileChooserTest(harness.DesktopTestCase):
    def setUp(self):
        super().setUp()
        self.folder = os.path.join(self.desktop.tmp, "files")
        os.makedirs(self.folder)
        for name in ("a.txt", "b.txt"):
            with open(os.path.join(self.folder, name), "w") as f:
                f.write("x")
        self.probe = harness.build_path("tests", "e2e", "chooser_probe")

    def show(self, mode, flags, *extra, title=None):
        p = subprocess.Popen([self.probe, mode, flags, self.folder, *extra], env=self.desktop.env,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.addCleanup(lambda: p.poll() is None and p.kill())
        w = self.desktop.wait_for_window(name=title or ("Probe Open" if mode == "open" else "Probe Save"))
        time.sleep(0.8)  # let the chooser load the folder
        self.desktop.run(["xdotool", "windowactivate", "--sync", str(w)], check=False)
        return p

    def answer(self, p):
        out, _ = p.communicate(timeout=30)
        lines = out.splitlines()
        self.assertTrue(lines, "the probe printed nothing")
        return [line.split("\t") for line in lines]

    def type_and_confirm(self, p, text):
        self.desktop.run(["xdotool", "type", "--delay", "40", text])
        time.sleep(0.4)
        self.desktop.key("Return")
        return self.answer(p)

    def test_typed_web_addresses_come_back_exactly_as_typed_without_validation(self):
        for text in ("www.example.com", "http://example.com/a.html"):
            with self.subTest(text=text):
                result = self.type_and_confirm(self.show("open", "100"), text)
                self.assertEqual(result[0][:2], ["OK", text])

    def test_typed_path_opens_the_file(self):
        path = os.path.join(self.folder, "b.txt")
        result = self.type_and_confirm(self.show("open", "0"), path)
        self.assertEqual(result[0][:3], ["OK", path, "b.txt"])
        self.assertEqual(result[0][5], "1")

    def test_multiple_selection_gives_the_folder_and_bare_names(self):
        p = self.show("open", "80200")
        # Focus the file list, select everything, confirm.
        self.desktop.click(700, 110)
        self.desktop.key("ctrl+a")
        time.sleep(0.3)
        self.desktop.key("Return")
        result = self.answer(p)
        self.assertEqual(result[0][0], "OK")
        self.assertEqual(result[0][1], self.folder)
        self.assertEqual(result[0][5], "2")
        self.assertEqual(sorted(r[1] for r in result[1:]), ["a.txt", "b.txt"])

    def test_programs_filter_shows_linux_programs_too(self):
        with open(os.path.join(self.folder, "tool.desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=Tool\nExec=tool\n")
        script = os.path.join(self.folder, "run.sh")
        with open(script, "w") as f:
            f.write("#!/bin/sh\necho hi\n")
        os.chmod(script, 0o755)
        p = self.show("open", "80200", "Programs (*.exe)|*.exe|All Files (*.*)|*.*")
        self.desktop.click(700, 110)
        self.desktop.key("ctrl+a")
        time.sleep(0.3)
        self.desktop.key("Return")
        result = self.answer(p)
        self.assertEqual(result[0][0], "OK")
        self.assertEqual(sorted(r[1] for r in result[1:]), ["run.sh", "tool.desktop"],
                         "text files stay hidden under the programs filter")

    def test_save_forces_the_default_extension(self):
        p = self.show("save", "2", "PNG Images (*.png)|*.png|All Files (*.*)|*.*", "png")
        self.desktop.key("ctrl+a")
        result = self.type_and_confirm(p, "picture")
        self.assertEqual(result[0][:3], ["OK", os.path.join(self.folder, "picture.png"), "picture"])
        self.assertEqual(result[0][4], "1")

    def test_cancel_changes_nothing(self):
        p = self.show("open", "0")
        self.desktop.key("Escape")
        self.assertEqual(self.answer(p), [["CANCEL"]])


if __name__ == "__main__":
    unittest.main()
