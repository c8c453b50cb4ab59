#!/usr/bin/env python3
"""End-to-end check of the About dialog, with lensoro.exe under Wine on Xvfb.

    python3 tests/e2e/test_about.py --build-dir build/mingw

The dialog is opened from the loupe's popup menu (right click, then the
version command picked as the keyboard does); its version label must show
the ProductVersion of the exe's own version resource, read here from the
file by a reader of this script's own; Esc closes it and the loupe goes on.
Leaves a screenshot of the open dialog as e2e-out/about.png in the build
folder. Exits 77 (skipped) when the build or Wine is missing.
"""

import os
import struct
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "fuzz"))
import lnswine  # noqa: E402
import test_startup  # noqa: E402
from lnswine import pe_arch, wait_for  # noqa: E402
from test_startup import build_parts  # noqa: E402
from version_seed import version_resource  # noqa: E402

CONFIG = test_startup.CONFIG
ABOUT_CLASS = "TAboutForm"
ABOUT_CAPTION = "ぽてりん - バージョン じょーほー"
VERSION_ITEM = "バージョン じょーほー(&A)"
WEB_SITE_CAPTION = "「ソラマメ ラボ」"


def version_strings(block):
    """{name: text} of every string in the block's StringFileInfo tables."""
    found = {}

    def walk(at, end, depth):
        while at + 6 <= end:
            length, value_length, kind = struct.unpack_from("<HHH", block, at)
            if length < 6:
                return
            key_end = at + 6
            while key_end + 2 <= end and block[key_end:key_end + 2] != b"\0\0":
                key_end += 2
            key = block[at + 6:key_end].decode("utf-16-le")
            value = (key_end + 2 + 3) & ~3
            size = value_length * 2 if kind == 1 else value_length
            if depth == 3:
                found[key] = block[value:value + size].decode("utf-16-le").split("\0")[0]
            elif depth != 1 or key == "StringFileInfo":
                walk((value + size + 3) & ~3, at + length, depth + 1)
            at = (at + length + 3) & ~3

    walk(0, len(block), 0)
    return found


class AboutTest(test_startup.LoupeSession):

    @classmethod
    def setUpClass(cls):
        cls.parts = build_parts(CONFIG["build_dir"])
        with open(cls.parts["exe"], "rb") as f:
            cls.strings = version_strings(version_resource(f.read()))
        cls.session = lnswine.WineSession(pe_arch(cls.parts["exe"]), cls.parts["probe"])
        cls.session.__enter__()
        try:
            cls.session.xdotool("mousemove", 900, 200)
            cls.folder = cls.session.install(cls.parts["dist"], "About")
            cls.exe = os.path.join(cls.folder, "lensoro.exe")
            cls.process = cls.session.start(cls.exe)
            cls.loupe = cls.wait_loupe(cls.exe, 30)
        except BaseException:
            cls.session.close()
            raise

    def about_windows(self):
        return [w for w in self.session.windows() if w["class"] == ABOUT_CLASS and w["visible"]]

    def test_about_command_shows_the_version_and_esc_closes_it(self):
        s = self.session
        product = self.strings.get("ProductVersion")
        self.assertTrue(product, "no ProductVersion in the exe: %r" % self.strings)
        r = self.loupe["rect"]
        items = self.open_menu(r[0] + 60, r[1] + 60)
        position = [i.get("text") for i in items].index(VERSION_ITEM)
        self.pick(items, position)
        about = wait_for(self.about_windows, 10, 0.3, "the About dialog")
        self.assertEqual(len(about), 1, "About dialogs: %r" % about)
        dialog = about[0]
        self.assertEqual(dialog["title"], ABOUT_CAPTION)
        self.assertEqual(dialog["pid"], self.loupe["pid"])
        children = s.probe("children", dialog["hwnd"])
        labels = [c["title"] for c in children if c["class"] == "TLabel"]
        self.assertIn(product, labels, "the labels: %r" % labels)
        self.assertIn("がめん かくだい ソフト ぽてりん", labels)
        memo = [c for c in children if c["class"].upper() == "EDIT"]
        self.assertEqual(len(memo), 1, "the credits box: %r" % children)
        # Centred over the loupe, which stays where it was.
        self.assertEqual(self.loupes_of(self.exe)[0]["rect"], r)
        d = dialog["rect"]
        self.assertLessEqual(abs((d[0] + d[2]) - (r[0] + r[2])), 2, "not centred across: %r over %r" % (d, r))
        print("screenshot: " + s.screenshot(self.out_path("about.png")))

        # The pointer on the link gives the dialog its tooltip window.
        def tooltips():
            return [w for w in s.windows() if w["class"].lower() == "tooltips_class32"
                    and w["owner"] == dialog["hwnd"]]
        self.assertEqual(tooltips(), [], "a tooltip before any control wanted one")
        link = [c for c in children if c["class"] == "TLabel" and c["title"] == WEB_SITE_CAPTION]
        self.assertEqual(len(link), 1, "the link among %r" % children)
        lr = link[0]["rect"]
        for dx in (0, 2):
            s.xdotool("mousemove", (lr[0] + lr[2]) // 2 + dx, (lr[1] + lr[3]) // 2)
            time.sleep(0.2)
        tips = wait_for(tooltips, 5, 0.2, "the link's tooltip window")
        self.assertEqual(tips[0]["pid"], dialog["pid"])
        s.xdotool("mousemove", d[0] + 5, d[3] - 5)

        # The dialog has the keyboard: Esc presses its OK button.
        s.xdotool("key", "Escape")
        wait_for(lambda: not self.about_windows(), 5, 0.2, "the About dialog closed by Esc")
        self.assertTrue(self.process.running(), "the program ended with the dialog")
        self.assertTrue(self.loupes_of(self.exe)[0]["visible"], "the loupe after the dialog")
        self.close_and_wait(self.loupes_of(self.exe)[0], self.process, "post")


def main():
    return test_startup.run_suite(__doc__, AboutTest)


if __name__ == "__main__":
    sys.exit(main())
