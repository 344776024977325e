"""The menu commands and shortcuts on the real binary, as a person uses
them: loading pages through the real file chooser, Back, Forward and Home
with the menu's items greyed and enabled to match, Set As Home Page, Edit
Page, Help, the demos, Refresh and the About box.

The menu's item states are read from the open menu through the
accessibility tree (the program runs with the accessibility bridge on), so
the test sees exactly what GTK shows, whatever the theme draws."""
import os
import shutil
import time
import unittest

import harness
from harness import SessionTestCase

CORNER = (30, 30)  # a point of the page that no dialog covers


def coloured_page(desktop, name, colour, body="", script=""):
    return harness.write_page(desktop, f"<html><body style='background:{colour};color:#fff'>{name}{body}"
                                       f"{script}</body></html>", name=name)


def counting_script(recorder, tag):
    """Page script that starts the recorder with `tag` each time the page loads."""
    return f"<script>window.external.openFile('{recorder}', '{tag}');</script>"


class CommandsTest(SessionTestCase):
    def start(self, settings, program=None):
        d = self.desktop
        harness.write_vantile_settings(d, settings)
        self.proc = harness.start_vantile(d, program=program, env=d.accessible_env())
        self.window = d.wait_for_window(pid=self.proc.pid)
        self.addCleanup(harness.stop_vantile, self.proc)

    # -- what a person does ---------------------------------------------------
    def focus(self):
        self.desktop.run(["xdotool", "windowactivate", "--sync", str(self.window)], check=False)

    def ctrl(self, key):
        # The key is let go while Ctrl is still held, as a person does.
        self.focus()
        self.desktop.run(["xdotool", "keydown", "Control_L", "key", key, "keyup", "Control_L"])

    def press(self, key):
        self.focus()
        self.desktop.key(key)

    def nodes(self, role, name=None, showing=True):
        return [n for n in self.desktop.accessible_tree(self.proc.pid)
                if n["role"] == role and (name is None or n["name"] == name) and (n["showing"] or not showing)]

    def open_menu(self):
        d = self.desktop
        d.click(600, 300, button=3)
        return d.wait_for(lambda: {n["name"]: n for n in self.nodes("menu item") + self.nodes("menu")},
                          15, "the popup menu")

    def menu_states(self):
        """{caption: enabled} of the navigation items, read from the open menu."""
        items = self.open_menu()
        self.desktop.key("Escape")
        self.desktop.wait_for(lambda: not self.nodes("menu item"), 10, "the menu to close")
        return {name: items[name]["sensitive"] for name in ("Go Back", "Go Forward", "Home", "Set As Home Page")}

    def choose(self, *path):
        """Clicks through the menu: right-click, then each caption in turn."""
        d = self.desktop
        items = self.open_menu()
        for caption in path:
            item = items.get(caption) or d.wait_for(
                lambda: {n["name"]: n for n in self.nodes("menu item")}.get(caption), 10, caption)
            x, y, w, h = item["box"]
            d.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2)])
            if caption == path[-1]:
                d.run(["xdotool", "click", "1"])
            items = {}

    def load_page(self, text, shortcut="o"):
        """Load Page: the shortcut, the text typed into the chooser, Enter."""
        d = self.desktop
        self.ctrl(shortcut)
        chooser = d.wait_for_window(name="^Load Web Page$", timeout=20)
        d.run(["xdotool", "windowactivate", "--sync", str(chooser)], check=False)
        time.sleep(0.8)  # the chooser fills its folder and shows its name field
        d.run(["xdotool", "type", "--delay", "30", text])
        d.key("Return")
        d.wait_for(lambda: chooser not in d.windows(name="^Load Web Page$"), 15, "the chooser to close")

    def shows(self, colour):
        self.desktop.wait_for(lambda: self.desktop.pixel(*CORNER) == colour, 20, f"the page coloured {colour}")

    def quit(self):
        self.ctrl("q")
        self.assertEqual(self.proc.wait(20), 0)


class LoadPageTest(CommandsTest):
    def test_load_back_forward_and_home_with_the_menu_following(self):
        d = self.desktop
        start = coloured_page(d, "start.html", "#204060")
        second = coloured_page(d, "second page.html", "#603010")
        self.start({"HomePage": start})
        self.shows("#204060")
        off = {"Go Back": False, "Go Forward": False, "Home": False, "Set As Home Page": False}
        self.assertEqual(self.menu_states(), off)

        self.load_page(second)
        self.shows("#603010")
        self.assertEqual(self.menu_states(), {"Go Back": True, "Go Forward": False, "Home": True,
                                              "Set As Home Page": True})
        self.ctrl("b")
        self.shows("#204060")
        self.assertEqual(self.menu_states(), {"Go Back": False, "Go Forward": True, "Home": False,
                                              "Set As Home Page": False})
        self.ctrl("f")
        self.shows("#603010")
        self.assertEqual(self.menu_states(), {"Go Back": True, "Go Forward": False, "Home": True,
                                              "Set As Home Page": True})
        self.ctrl("h")
        self.shows("#204060")
        self.assertEqual(self.menu_states(), {"Go Back": True, "Go Forward": False, "Home": False,
                                              "Set As Home Page": False})

    def test_missing_file_is_refused_and_a_web_address_loads(self):
        d = self.desktop
        server = harness.LoopbackServer(
            lambda path: (200, "text/html", b"<html><body style='background:#106030'>served</body></html>"))
        self.addCleanup(server.close)
        self.start({"HomePage": coloured_page(d, "start.html", "#204060")})
        self.shows("#204060")

        self.load_page(os.path.join(d.tmp, "missing.html"), shortcut="0")
        box = d.wait_for_window(name="^Load Page Canceled$", timeout=20)
        texts = [n["name"] for n in self.nodes("label")]
        self.assertIn("That file doesn't appear to exist.", texts)
        d.run(["xdotool", "windowactivate", "--sync", str(box)], check=False)
        d.key("Return")
        d.wait_for(lambda: not d.windows(name="^Load Page Canceled$"), 10, "the message to close")
        self.assertEqual(d.pixel(*CORNER), "#204060")

        self.load_page(server.url + "/served.html")
        self.shows("#106030")
        self.assertIn("/served.html", server.paths)

    def test_set_as_home_page_is_stored_at_exit(self):
        d = self.desktop
        start = coloured_page(d, "start.html", "#204060")
        second = coloured_page(d, "second.html", "#603010")
        self.start({"HomePage": start})
        self.shows("#204060")
        self.load_page(second)
        self.shows("#603010")
        self.ctrl("s")
        self.quit()
        values = harness.read_vantile_settings(d)[harness.SETTINGS_KEY]
        self.assertEqual(values["HomePage"], "file://" + second)
        self.assertEqual(values["LastPage"], "file://" + second)


class EditPageTest(CommandsTest):
    def test_edit_page_starts_the_editor_or_the_desktops_text_editor(self):
        d = self.desktop
        page = coloured_page(d, "my page.html", "#204060")
        editor, editor_log = harness.write_recorder(d.tmp, "editor.sh")
        text_editor, text_editor_log = harness.write_recorder(d.tmp, "text-editor.sh")
        harness.register_default_application(d, "fake-text-editor", text_editor, ["text/plain"])

        # The page as an address: the editor gets its local path, as one argument.
        self.start({"HomePage": harness.file_uri(page), "SourceEditor": editor})
        self.shows("#204060")
        self.ctrl("e")
        runs = d.wait_for(lambda: harness.recorded_runs(editor_log), 15, "the editor")
        self.assertEqual(runs[0][1], [page])
        self.quit()

        # The Windows default is no program here: the text editor opens the page.
        self.start({"HomePage": harness.file_uri(page), "SourceEditor": "notepad.exe"})
        self.shows("#204060")
        self.ctrl("e")
        runs = d.wait_for(lambda: harness.recorded_runs(text_editor_log), 15, "the text editor")
        self.assertEqual(runs[0][1], [page])
        self.assertEqual(len(harness.recorded_runs(editor_log)), 1)


class HelpAndAboutTest(CommandsTest):
    def test_help_and_the_about_link_open_the_help_in_the_browser(self):
        d = self.desktop
        browser, browser_log = harness.write_recorder(d.tmp, "browser.sh")
        harness.register_default_application(
            d, "fake-browser", browser, ["x-scheme-handler/http", "x-scheme-handler/https", "text/html"], "%u")
        recorder, loads_log = harness.write_recorder(d.tmp, "loads.sh")
        page = coloured_page(d, "start.html", "#204060", script=counting_script(recorder, "start"))
        self.start({"HomePage": page, "EnableScripting": True})
        self.shows("#204060")
        d.wait_for(lambda: harness.recorded_runs(loads_log), 15, "the page's first load")
        help_page = harness.build_path("help", "index.html")  # GIO hands a local address over as a path

        self.press("F1")
        d.wait_for(lambda: len(harness.recorded_runs(browser_log)) == 1, 15, "the browser from F1")
        self.choose("Help")
        d.wait_for(lambda: len(harness.recorded_runs(browser_log)) == 2, 15, "the browser from the menu")

        self.choose("About...")
        box = d.wait_for_window(name="^About Vantile$", timeout=20)
        self.assertEqual(d.geometry(box)[2:], (312, 187), "4680 x 2805 twips")
        labels = {n["name"]: n for n in self.nodes("label")}
        self.assertIn("Version:  1.02.0006", labels)
        d.screenshot("about.png")
        x, y, w, h = labels["Vantile Help"]["box"]
        d.click(x + w // 2, y + h // 2)
        d.wait_for(lambda: len(harness.recorded_runs(browser_log)) == 3, 15, "the browser from the link")
        self.assertEqual([args for _, args in harness.recorded_runs(browser_log)], [[help_page]] * 3)

        # Close: the main window's activate step loads the page again.
        loads = len(harness.recorded_runs(loads_log))
        d.run(["xdotool", "windowactivate", "--sync", str(box)], check=False)
        d.key("Return")
        d.wait_for(lambda: not d.windows(name="^About Vantile$"), 10, "the About box to close")
        d.wait_for(lambda: len(harness.recorded_runs(loads_log)) == loads + 1, 15, "the page loaded again")

        # The session ends while the box is open: the program still closes properly.
        self.choose("About...")
        d.wait_for_window(name="^About Vantile$", timeout=20)
        self.assertEqual(harness.stop_vantile(self.proc), 0)


class DemosTest(CommandsTest):
    def test_a_demo_from_the_submenu_loads_and_f5_reloads_it(self):
        d = self.desktop
        recorder, loads_log = harness.write_recorder(d.tmp, "loads.sh")
        folder = os.path.join(d.tmp, "program")
        for name in ("Alpha", "Beta"):
            os.makedirs(os.path.join(folder, "Demos", name))
            with open(os.path.join(folder, "Demos", name, "index.html"), "w") as f:
                f.write(f"<html><body style='background:#603010'>{name}{counting_script(recorder, name)}"
                        "</body></html>")
        shutil.copy2(harness.build_path("vantile"), folder)
        self.start({"HomePage": coloured_page(d, "start.html", "#204060"), "EnableScripting": True},
                   program=os.path.join(folder, "vantile"))
        self.shows("#204060")

        self.choose("Demos", "Beta")
        self.shows("#603010")
        self.assertEqual(d.wait_for(lambda: harness.recorded_runs(loads_log), 15, "the demo")[0][1], ["Beta"])
        self.press("F5")
        d.wait_for(lambda: len(harness.recorded_runs(loads_log)) == 2, 15, "the page reloaded")
        self.assertEqual(harness.recorded_runs(loads_log)[1][1], ["Beta"])
        self.assertTrue(self.menu_states()["Go Back"])


if __name__ == "__main__":
    unittest.main()
