#!/usr/bin/env python3
"""End-to-end check of the loupe on a desk of two monitors, with lensoro.exe
under Wine on an X server of several monitors (tests/e2e/xdesk).

    python3 tests/e2e/test_desk.py --build-dir build/mingw64

A 1280 x 1024 monitor left of a 1920 x 1080 primary one: Wine puts it at
x = -1280, so the virtual desktop is (-1280, 0) to (1920, 1080), with a hole
below the left monitor. With the pointer at each edge of each monitor, the
source the stand-in magnification.dll logs lies inside the virtual desktop
and is centred on the pointer wherever it can be. The loupe dragged onto the
left monitor shows the area around the pointer (pointer mode) and under
itself (window mode). A saved place of the loupe and of the options dialog
on the left monitor is kept; one on a monitor that is gone is brought back.
Leaves a screenshot of the whole desk as e2e-out/desk-ARCH.png. Exits 77
(skipped) with the reason when the build, Wine or Xorg's dummy driver is
missing.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lnswine  # noqa: E402
import test_startup  # noqa: E402
from lnswine import StubLog, pattern_colour, wait_for  # noqa: E402
from test_settings import BOM  # noqa: E402
from test_tracking import FRAME, MK_LBUTTON, RATE, SRC_H, SRC_W, WM_LBUTTONDBLCLK, lparam  # noqa: E402

CONFIG = test_startup.CONFIG
LAYOUT = "1280x1024+0+0,1920x1080+1280+0*"
LEFT, PRIMARY = [-1280, 0, 0, 1024], [0, 0, 1920, 1080]
DESKTOP = (-1280, 0, 1920, 1080)
X_OFFSET = 1280  # X's coordinates start at the left monitor's left edge
OPTIONS_ITEM = 12


def on_desktop(rect):
    return DESKTOP[0] <= rect[0] and DESKTOP[1] <= rect[1] and rect[2] <= DESKTOP[2] and rect[3] <= DESKTOP[3]


def around(x, y):
    """The source centred on (x, y), moved the least way onto the desktop."""
    left = min(max(x - SRC_W // 2, DESKTOP[0]), DESKTOP[2] - SRC_W)
    top = min(max(y - SRC_H // 2, DESKTOP[1]), DESKTOP[3] - SRC_H)
    return (left, top, left + SRC_W, top + SRC_H)


def edges(m):
    """The middle of each edge of a monitor, and its corners, on it."""
    l, t, r, b = m[0], m[1], m[2] - 1, m[3] - 1
    mx, my = (l + r) // 2, (t + b) // 2
    return [(l, my), (r, my), (mx, t), (mx, b), (l, t), (r, t), (l, b), (r, b)]


class DeskTest(test_startup.LoupeSession):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.parts = test_startup.build_parts(CONFIG["build_dir"])
        cls.arch = lnswine.pe_arch(cls.parts["exe"])
        cls.session = lnswine.WineSession(cls.arch, cls.parts["probe"], desk=LAYOUT)
        cls.session.__enter__()
        try:
            s = cls.session
            cls.log = StubLog(os.path.join(s.root, "magstub.log"))
            cls.exe = cls.install("Desk", {"MainForm": {"Left": 300, "Top": 300}})
            cls.process = s.start(cls.exe, env={"LENSORO_MAGSTUB_LOG": cls.log.path})
            cls.loupe = cls.wait_loupe(cls.exe, 30)
            wait_for(lambda: cls.log.sources(), 10, 0.1, "the first MagSetWindowSource")
        except BaseException:
            cls.session.close()
            raise

    @classmethod
    def install(cls, name, sections):
        folder = cls.session.install(cls.parts["dist"], name)
        text = "".join("[%s]\r\n" % s + "".join("%s=%s\r\n" % kv for kv in keys.items())
                       for s, keys in sections.items())
        with open(os.path.join(folder, "lensoro.ini"), "wb") as f:
            f.write(BOM + text.encode("utf-16-le"))
        return os.path.join(folder, "lensoro.exe")

    def move(self, x, y):
        self.session.xdotool("mousemove", x + X_OFFSET, y)

    def settled_source(self):
        """The source once the ticks after the last action agree."""
        self.log.mark()
        time.sleep(0.25)
        sources = self.log.sources()
        self.assertTrue(sources, "no source after the action")
        return sources[-1]

    def loupe_rect(self):
        return [w for w in self.session.loupes() if w["hwnd"] == self.loupe["hwnd"]][0]["rect"]

    def drag(self, dx, dy):
        """Drags the loupe with the bare mouse over its image; returns where
        the pointer let go."""
        r = self.loupe_rect()
        x, y = r[0] + 150, r[1] + 120
        self.move(x, y)
        time.sleep(0.1)
        self.session.xdotool("mousedown", 1)
        try:
            for i in range(1, 11):
                self.move(x + dx * i // 10, y + dy * i // 10)
                time.sleep(0.05)
        finally:
            self.session.xdotool("mouseup", 1)
        time.sleep(0.3)
        self.assertEqual(self.loupe_rect(), [r[0] + dx, r[1] + dy, r[2] + dx, r[3] + dy], "the loupe after the drag")
        return x + dx, y + dy

    def test_1_wine_sees_the_two_monitors(self):
        monitors = sorted((m["monitor"], m["primary"]) for m in self.session.probe("screen")[1:])
        self.assertEqual(monitors, [(LEFT, False), (PRIMARY, True)])

    def test_2_the_source_stays_on_the_desktop_at_every_edge(self):
        seen = []
        for x, y in edges(LEFT) + edges(PRIMARY) + [(1915, 500)]:
            self.move(x, y)
            source = self.settled_source()
            seen.append("(%d, %d): %r" % (x, y, source))
            self.assertTrue(on_desktop(source), "pointer at (%d, %d): source %r off the desktop" % (x, y, source))
            self.assertEqual(source, around(x, y), "pointer at (%d, %d)" % (x, y))
        print("sources: " + "; ".join(seen))

    def test_3_dragged_onto_the_left_monitor_it_shows_the_area_there(self):
        # Pointer mode: the area around the pointer, which is on the loupe.
        x, y = self.drag(-1000, 0)
        self.assertLess(self.loupe_rect()[2], 0, "not on the left monitor")
        self.assertEqual(self.settled_source(), around(x, y))
        self.drag(1000, 0)
        # Window mode (a double-click as passed on): the area under the image.
        self.session.probe("send", self.loupe["hwnd"], WM_LBUTTONDBLCLK, MK_LBUTTON, lparam(150, 120))
        self.drag(-1000, 0)
        r = self.loupe_rect()
        left, top = r[0] + FRAME, r[1] + FRAME
        self.assertEqual(self.settled_source(), (left, top, left + SRC_W, top + SRC_H))
        # X cannot leave the loupe out of the capture: a plain X window with
        # the pattern over the source area, and the rest of the image must
        # show it 2x (as the tracking test does on one monitor).
        s = self.session
        pattern = s.show_pattern(left + X_OFFSET, top, SRC_W, SRC_H)
        try:
            time.sleep(0.5)
            shot = s.screenshot(self.out_path("desk-%s.png" % self.arch))
            print("screenshot: " + shot)
            mw, mh = r[2] - r[0] - 2 * FRAME, r[3] - r[1] - 2 * FRAME
            n, bad = s.pixels().scaled_mismatches(left + X_OFFSET, top, mw, mh, pattern_colour, RATE,
                                                  skip=lambda dx, dy: dx < SRC_W and dy < SRC_H)
            self.assertGreater(n, 3000)
            self.assertLessEqual(len(bad), n // 100, "%d of %d sampled pixels differ from the 2x pattern, e.g. %r; "
                                 "see %s" % (len(bad), n, bad[:5], shot))
        finally:
            pattern.terminate()
            pattern.wait(5)
        self.close_and_wait(self.loupe, self.process, "post")

    def test_4_saved_places_on_the_left_monitor_are_kept_and_on_a_gone_one_brought_back(self):
        s = self.session
        for name, saved, expected in (("Kept", -1100, -1100), ("Back", -3000, -1280)):
            exe = self.install(name, {"MainForm": {"Left": saved, "Top": 200}, "OptionForm": {"Left": saved, "Top": 100}})
            process = s.start(exe)
            loupe = self.wait_loupe(exe, 30)
            self.assertEqual(loupe["rect"][:2], [expected, 200], "the loupe saved at (%d, 200)" % saved)
            self.pick(self.open_menu(expected + 60 + X_OFFSET, 260), OPTIONS_ITEM)
            dialog = wait_for(lambda: [w for w in s.windows() if w["class"] == "TOptionForm" and w["visible"]],
                              10, 0.3, "the options dialog")[0]
            self.assertEqual(dialog["rect"][:2], [expected, 100], "the options dialog saved at (%d, 100)" % saved)
            self.close_and_wait(loupe, process, "post")


def main():
    why = lnswine.desk_unavailable()
    if why:
        print("SKIPPED: " + why)
        return test_startup.SKIP
    return test_startup.run_suite(__doc__, DeskTest)


if __name__ == "__main__":
    sys.exit(main())
