#!/usr/bin/env python3
"""End-to-end check of the options dialog on a small laptop's screen, with
lensoro.exe under Wine on Xvfb.

    python3 tests/e2e/test_small_screen.py --build-dir build/mingw64

One Wine session on a 1366 x 768 screen at 150 % (144 DPI), where the
options dialog is taller than the work area. Opened from the popup menu, it
lies on the screen with its title bar, beside the loupe, and has a vertical
scroll bar; the mouse wheel scrolls it; Tab from its first control to Close
brings each control it reaches into view, and Enter on Close closes it.
Screenshots of the dialog at its top, half way and at Close go to the build
folder's e2e-out/ (look at them). Exits 77 (skipped) when the build or Wine
is missing.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_languages  # noqa: E402
import test_startup  # noqa: E402
from lnswine import wait_for  # noqa: E402

SCREEN = (1366, 768)
DPI = 144
WS_VSCROLL = 0x00200000
BS_TYPEMASK, BS_PUSHBUTTON, BS_DEFPUSHBUTTON = 0x0F, 0x00, 0x01
DESIGNED_WIDTH = 366  # the options dialog's client area at 96 DPI


class SmallScreenTest(test_startup.LoupeSession):
    maxDiff = None
    screenshot_of = test_languages.LanguagesTest.screenshot_of

    @classmethod
    def setUpClass(cls):
        with cls.session_set_up(width=SCREEN[0], height=SCREEN[1]) as s:
            s.set_dpi(DPI)
            s.xdotool("mousemove", 1200, 700)
            cls.exe = os.path.join(s.install(cls.parts["dist"], "Small"), "lensoro.exe")
            cls.process = s.start(cls.exe)
            cls.loupe = cls.wait_loupe(cls.exe, 30)

    def client_area(self, dialog, vscroll):
        """The dialog's client area on the screen, from where its own
        children sit in it (the frame is as wide at the sides as below),
        the scroll bar at its right."""
        top = [c for c in self.session.probe("children", dialog["hwnd"]) if c["parent"] == dialog["hwnd"]]
        self.assertTrue(top, "the dialog has no controls")
        x = top[0]["rect"][0] - top[0]["client_pos"][0]
        y = top[0]["rect"][1] - top[0]["client_pos"][1]
        frame = x - dialog["rect"][0]
        return [x, y, dialog["rect"][2] - frame - vscroll, dialog["rect"][3] - frame]

    def test_the_options_dialog_scrolls_on_a_small_screen(self):
        s = self.session
        screen = s.probe("screen")
        self.assertEqual(screen[0]["dpi"], DPI)
        work, vscroll = screen[1]["work"], screen[0]["vscroll"]
        r = self.loupe["rect"]
        self.pick(self.open_menu(r[0] + 60, r[1] + 60), test_languages.OPTIONS_ITEM)
        dialog = wait_for(lambda: next((w for w in s.windows() if w["class"] == "TOptionForm" and w["visible"]), None),
                          10, 0.3, "the options dialog")
        d = dialog["rect"]
        print("screen %dx%d at %d DPI, work area %r; loupe %r; dialog %r" % (SCREEN + (DPI, work, r, d)))
        self.assertTrue(test_languages.inside(d, work), "the dialog %r is not on the work area %r" % (d, work))
        self.assertFalse(test_languages.overlaps(d, r), "the dialog %r covers the loupe %r" % (d, r))
        self.assertTrue(int(dialog["style"], 16) & WS_VSCROLL, "no scroll bar: style %s" % dialog["style"])
        client = self.client_area(dialog, vscroll)
        # The designed width beside the scroll bar, the height of the work area.
        self.assertEqual(client[2] - client[0], round(DESIGNED_WIDTH * DPI / 96), "the client area %r" % client)
        self.assertEqual(d[3] - d[1], work[3] - work[1])
        self.screenshot_of(dialog, "small-screen-options-top")

        # The wheel scrolls it down and back.
        children = s.probe("children", dialog["hwnd"])
        first = [c for c in children if c["parent"] == dialog["hwnd"]][0]
        s.xdotool("mousemove", (client[0] + client[2]) // 2, (client[1] + client[3]) // 2)
        s.xdotool("click", 5)
        moved = wait_for(lambda: next(c for c in s.probe("children", dialog["hwnd"]) if c["hwnd"] == first["hwnd"])
                         ["rect"][1] < first["rect"][1] or None, 5, 0.3, "the dialog scrolled by the wheel")
        self.assertTrue(moved)
        s.xdotool("click", 4)
        wait_for(lambda: next(c for c in s.probe("children", dialog["hwnd"]) if c["hwnd"] == first["hwnd"])
                 ["rect"] == first["rect"], 5, 0.3, "the dialog scrolled back to its top")

        # Tab from the first control to Close: each lands in view.
        close = [c for c in children if c["parent"] == dialog["hwnd"] and c["class"].lower() == "button"
                 and int(c["style"], 16) & BS_TYPEMASK in (BS_PUSHBUTTON, BS_DEFPUSHBUTTON)]
        self.assertEqual(len(close), 1, "the dialog's own buttons: %r" % close)
        focus = s.probe("focus", dialog["hwnd"])[0]
        seen = [focus]
        for _ in range(40):
            if focus["focus"] == close[0]["hwnd"]:
                break
            s.xdotool("key", "Tab")
            time.sleep(0.2)
            focus = s.probe("focus", dialog["hwnd"])[0]
            seen.append(focus)
            self.assertTrue(test_languages.inside(focus["rect"], client), "%s %r at %r is not in view %r" % (
                focus["class"], focus["title"], focus["rect"], client))
            if len(seen) == 8:
                self.screenshot_of(dialog, "small-screen-options-half")
        print("Tab stops: " + "; ".join("%s %r %r" % (f["class"], f["title"], f["rect"]) for f in seen))
        self.assertEqual(focus["focus"], close[0]["hwnd"], "Close was not reached by Tab")
        self.assertGreaterEqual(len(set(f["focus"] for f in seen)), 12, "too few Tab stops")
        self.screenshot_of(dialog, "small-screen-options-close")
        s.xdotool("key", "Return")
        wait_for(lambda: not any(w["class"] == "TOptionForm" and w["visible"] for w in s.windows()), 5, 0.3,
                 "the dialog closed by Enter on Close")
        self.close_and_wait(self.loupe, self.process, "post")


def main():
    return test_startup.run_suite(__doc__, SmallScreenTest)


if __name__ == "__main__":
    sys.exit(main())
