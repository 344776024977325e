"""Addresses and history on the real binary, as a person uses them: https
typed in Load Page is requested over https, a home page typed as
"www.example.com" is a web address, Back and Edit Page act on the page on
screen after a link, and the shortcuts go by the key on a Russian layout."""
import os
import shutil
import socket
import threading
import unittest

import harness
from test_shell_commands import CommandsTest, coloured_page


class AddressTest(CommandsTest):
    def test_https_typed_in_load_page_is_requested_over_https(self):
        # Whoever connects is recorded by the first byte sent: 0x16 opens a
        # TLS handshake, so the page was asked for over https.
        listener = socket.create_server(("127.0.0.1", 0))
        self.addCleanup(listener.close)
        first_bytes = []
        def first_byte():
            with listener.accept()[0] as connection:
                first_bytes.append(connection.recv(1))
        threading.Thread(target=first_byte, daemon=True).start()
        self.start({"HomePage": coloured_page(self.desktop, "home.html", "#123456")})
        self.shows("#123456")
        self.load_page(f"https://127.0.0.1:{listener.getsockname()[1]}/")
        self.assertEqual(self.desktop.wait_for(lambda: first_bytes, 20, "the connection"), [b"\x16"])

    def test_a_home_page_without_a_scheme_is_a_web_address(self):
        folder = os.path.join(self.desktop.tmp, "program")  # debug.log goes beside the program
        os.makedirs(folder)
        shutil.copy2(harness.build_path("vantile"), folder)
        harness.write_vantile_settings(self.desktop, {"HomePage": "www.example.com"})
        proc = harness.start_vantile(self.desktop, ["/debug"], program=os.path.join(folder, "vantile"))
        self.addCleanup(harness.stop_vantile, proc)
        log = os.path.join(folder, "debug.log")
        line = "BeforeNavigate:Start - http://www.example.com/"
        self.desktop.wait_for(lambda: os.path.exists(log) and line in open(log).read(), 20, "the navigation line")

    def test_back_after_a_link_and_edit_page_act_on_the_page_shown(self):
        d = self.desktop
        editor, log = harness.write_recorder(d.tmp, "editor.sh")
        a = coloured_page(d, "a.html", "#202020", "<a href='b.html' style='position:fixed;left:0;top:100px;"
                                                  "width:600px;height:400px;background:#fc6'>B</a>")
        coloured_page(d, "b.html", "#303030")
        self.start({"HomePage": coloured_page(d, "s.html", "#101010"), "SourceEditor": editor})
        self.shows("#101010")
        self.load_page(a)
        self.shows("#202020")
        d.click(300, 300)
        self.shows("#303030")
        self.ctrl("b")
        self.shows("#202020")
        self.ctrl("e")
        self.assertEqual(d.wait_for(lambda: harness.recorded_runs(log), 15, "the editor")[0][1], [a])

    def test_ctrl_shortcuts_go_by_the_key_on_a_russian_layout(self):
        d = self.desktop
        d.run(["setxkbmap", "ru"])
        self.start({"HomePage": coloured_page(d, "home.html", "#123456")})
        self.shows("#123456")
        self.ctrl("Cyrillic_shcha")  # the key marked O
        d.wait_for_window(name="^Load Web Page$", timeout=20)
        d.run(["wmctrl", "-c", "Load Web Page"])
        d.wait_for(lambda: not d.windows(name="^Load Web Page$"), 15, "the chooser to close")
        self.ctrl("Cyrillic_shorti")  # the key marked Q
        self.assertEqual(self.proc.wait(20), 0)


if __name__ == "__main__":
    unittest.main()
