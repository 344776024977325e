"""The dialogs with the keyboard alone and with a screen reader, on the real
binary: the Options dialog's pages by Ctrl+Page Down, a program added to the
allow-list and saved without the mouse, the tab strip as a page-tab list,
and the About box's link as a link that Enter follows."""
import os
import unittest

import harness
from test_shell_commands import CommandsTest, coloured_page


class KeyboardTest(CommandsTest):
    def focused(self, role, name):
        return self.desktop.wait_for(lambda: self.nodes(role, name) and self.nodes(role, name)[0]["focused"],
                                     15, f"the focus on {role} {name}")

    def test_options_pages_and_the_allow_list_by_keyboard_only(self):
        d = self.desktop
        program, _ = harness.write_recorder(d.tmp, "tool.sh")
        self.start({"HomePage": coloured_page(d, "home.html", "#123456")})
        self.shows("#123456")
        self.press("F6")
        options = d.wait_for_window(name="^Vantile Options$", timeout=20)
        for _ in range(2):
            d.run(["xdotool", "keydown", "Control_L", "key", "Next", "keyup", "Control_L"])
        tabs = d.wait_for(lambda: [n for n in self.nodes("page tab") if n["selected"]] and self.nodes("page tab"),
                          15, "the page tabs")
        self.assertEqual(len(self.nodes("page tab list")), 1)
        self.assertEqual([(t["name"], t["selected"]) for t in tabs],
                         [("General", False), ("Features", False), ("Programs", True)])
        self.assertTrue(self.nodes("push button", "Add"), "the screen shows Programs too")
        d.screenshot("options-programs.png")
        self.assertEqual(d.geometry(options)[2], 278, "the dialog keeps its width")

        # The focus went with the page; the strip comes before the page's
        # controls in Tab order.
        self.focused("table", "")
        d.key("shift+Tab")
        self.focused("page tab list", "")
        d.key("Tab", "Tab")
        self.focused("push button", "Add")
        d.key("space")
        chooser = d.wait_for_window(name="^Add Program$", timeout=20)
        d.run(["xdotool", "windowactivate", "--sync", str(chooser)], check=False)
        d.run(["xdotool", "sleep", "0.8", "type", "--delay", "30", program])
        d.key("Return")
        d.wait_for(lambda: not d.windows(name="^Add Program$"), 15, "the chooser to close")
        d.run(["xdotool", "windowactivate", "--sync", str(options)], check=False)
        d.key("alt+s")
        d.wait_for(lambda: not d.windows(name="^Vantile Options$"), 15, "Options to close")
        self.assertEqual(harness.read_vantile_settings(d)[harness.PROGRAMS_KEY], {"Count": 1, "Prog0": program})

    def test_the_about_link_is_a_link_that_enter_follows(self):
        d = self.desktop
        browser, log = harness.write_recorder(d.tmp, "browser.sh")
        harness.register_default_application(d, "fake-browser", browser, ["x-scheme-handler/http", "text/html"], "%u")
        self.start({"HomePage": coloured_page(d, "home.html", "#123456")})
        self.shows("#123456")
        self.choose("About...")
        box = d.wait_for_window(name="^About Vantile$", timeout=20)
        self.assertTrue(self.nodes("link", "Vantile Help"))
        d.run(["xdotool", "windowactivate", "--sync", str(box)], check=False)
        d.key("Tab")
        self.focused("link", "Vantile Help")
        d.key("Return")
        d.wait_for(lambda: harness.recorded_runs(log), 15, "the browser from the link")


if __name__ == "__main__":
    unittest.main()
