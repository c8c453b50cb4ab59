#!/usr/bin/env python3
"""End-to-end check of the loupe and both dialogs on scaled screens, with
lensoro.exe under Wine on Xvfb.

    python3 tests/e2e/test_scaled.py --build-dir build/mingw64

One Wine session on a 1280 x 1024 screen. At 96, 120, 144 and 192 DPI (the
display settings' LogPixels set in the prefix before the program starts) a
fresh copy starts: its loupe's client area is the designed 268 x 220 scaled
by DPI / 96. The options dialog and the About dialog, opened from the popup
menu, open on the screen's work area with their title bars on it (at 192 DPI
the options dialog is taller than the screen: it is cut to it and scrolls);
every control lies inside the client area (or below it, scrolled), each spin edit's arrow pair is as wide as the system's vertical
scroll bar at that DPI, no label runs into its neighbour; Esc closes each.
Screenshots of both dialogs at 144 and 192 DPI go to the build folder's
e2e-out/ (look at them). Exits 77 (skipped) when the build or Wine is
missing.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_languages  # noqa: E402
import test_startup  # noqa: E402
from lnswine import wait_for  # noqa: E402

DPIS = (96, 120, 144, 192)
SHOTS = (144, 192)
DESIGNED = (268, 220)
DIALOGS = ((test_languages.OPTIONS_ITEM, "TOptionForm"), (test_languages.ABOUT_ITEM, "TAboutForm"))
ARROWS = "TRsUpDownButton"
WS_VSCROLL = 0x00200000


class ScaledTest(test_startup.LoupeSession):
    maxDiff = None
    assert_labels_clear = test_languages.LanguagesTest.assert_labels_clear
    screenshot_of = test_languages.LanguagesTest.screenshot_of
    seen = []

    @classmethod
    def setUpClass(cls):
        cls.open_session()

    @classmethod
    def tearDownClass(cls):
        for line in cls.seen:
            print(line)
        super().tearDownClass()

    def visible(self, cls):
        found = [w for w in self.session.windows() if w["class"] == cls and w["visible"]]
        return found[0] if found else None

    def assert_fits(self, dialog, children, work, vscroll, what):
        d = dialog["rect"]
        # On the work area with its title bar; one too tall for it is cut to
        # it and scrolls.
        self.assertTrue(test_languages.inside(d, work), "%s: %r not on the work area %r" % (what, d, work))
        scrolls = bool(int(dialog["style"], 16) & WS_VSCROLL)
        # The client area, from where the dialog's own children sit in it;
        # the frame is as wide at the sides as at the bottom.
        top = [c for c in children if c["parent"] == dialog["hwnd"]]
        self.assertTrue(top, "%s: no controls" % what)
        x = top[0]["rect"][0] - top[0]["client_pos"][0]
        y = top[0]["rect"][1] - top[0]["client_pos"][1]
        frame = x - d[0]
        client = [x, y, d[2] - frame - (vscroll if scrolls else 0), d[3] - frame]
        for c in children:
            # What is scrolled below the client area is not cut off.
            room = client[:3] + [max(client[3], c["rect"][3])] if scrolls else client
            if c["visible"]:
                self.assertTrue(test_languages.inside(c["rect"], room), "%s: %s %r %r outside the client area %r"
                                % (what, c["class"], c["title"], c["rect"], client))
        widths = sorted({c["rect"][2] - c["rect"][0] for c in children if c["class"] == ARROWS})
        self.assertTrue(widths or dialog["class"] != "TOptionForm", "%s: no arrow pairs" % what)
        if any(w != vscroll for w in widths):
            self.narrow.append("%s: arrow pairs %r wide, the scroll bar %d" % (what, widths, vscroll))
        self.assert_labels_clear(dialog, children, what)
        return "%dx%d" % (d[2] - d[0], d[3] - d[1]), widths

    def test_the_loupe_and_both_dialogs_at_four_scales(self):
        s = self.session
        # Told at the end, after every other check at every scale.
        self.narrow = []
        for dpi in DPIS:
            s.set_dpi(dpi)
            folder = s.install(self.parts["dist"], "Scaled%d" % dpi)
            exe = os.path.join(folder, "lensoro.exe")
            s.xdotool("mousemove", 1000, 900)
            process = s.start(exe)
            loupe = self.wait_loupe(exe, 30)
            screen = s.probe("screen")
            self.assertEqual(screen[0]["dpi"], dpi, "the screen's DPI: %r" % screen)
            vscroll, work = screen[0]["vscroll"], screen[1]["work"]
            r = loupe["rect"]
            size = (r[2] - r[0], r[3] - r[1])
            self.assertEqual(size, tuple(round(n * dpi / 96) for n in DESIGNED), "the loupe at %d DPI" % dpi)
            line = ["%d DPI: loupe %dx%d, scroll bar %d" % (dpi, size[0], size[1], vscroll)]
            for item, cls in DIALOGS:
                self.pick(self.open_menu(r[0] + 60, r[1] + 60), item)
                dialog = wait_for(lambda: self.visible(cls), 10, 0.3, "the %s at %d DPI" % (cls, dpi))
                children = s.probe("children", dialog["hwnd"])
                measured, widths = self.assert_fits(dialog, children, work, vscroll, "%s at %d DPI" % (cls, dpi))
                line.append("%s %s at (%d, %d)%s" % (cls, measured, dialog["rect"][0], dialog["rect"][1],
                                                    ", arrows %r" % widths if widths else ""))
                if dpi in SHOTS:
                    self.screenshot_of(dialog, "%s-%d" % (cls, dpi))
                s.xdotool("key", "Escape")
                wait_for(lambda: not self.visible(cls), 5, 0.2, "the %s closed by Esc at %d DPI" % (cls, dpi))
            self.seen.append("; ".join(line))
            self.close_and_wait(loupe, process, "post")
        self.assertEqual(self.narrow, [])


def main():
    return test_startup.run_suite(__doc__, ScaledTest)


if __name__ == "__main__":
    sys.exit(main())
