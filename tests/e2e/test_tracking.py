#!/usr/bin/env python3
"""End-to-end checks of the tracking step and the mouse on the loupe, with
lensoro.exe under Wine on Xvfb.

    python3 tests/e2e/test_tracking.py --build-dir build/mingw

One Wine session for the class; its tests run in their numbered order
against one running copy. Exits 77 (skipped) when the build or Wine is
missing.

The 4-pixel frame lies wholly in the resize zones (6 px from the left and
top, 5 from the right and bottom), so a press on it resizes. The stand-in's
image lets the mouse through to the loupe (HTTRANSPARENT), so the bare mouse
over the image drags the loupe (test 6). A bare double-click does not toggle
the mode under Wine: the first press starts the platform's move loop, which
takes the second press (test 5 records that, as an expected failure); tests 3
and 4 deliver the press as a message, to check the handlers on their own.
"""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_startup  # noqa: E402
from lnswine import StubLog, pattern_colour, wait_for  # noqa: E402
from test_startup import LOUPE_RECT  # noqa: E402

CONFIG = test_startup.CONFIG  # LoupeSession.out_path reads it
WM_LBUTTONDOWN = 0x0201
WM_LBUTTONDBLCLK = 0x0203
MK_LBUTTON = 0x0001
FRAME = 4
RATE = 2.0
SRC_W, SRC_H = 130, 106  # 260 x 212 at 2x
LIME, AQUA = (0, 255, 0), (0, 255, 255)
TICKS_WAIT = 1.0  # how long to wait for the ticks that follow the first match
START_POINTER = (900, 250)  # off the loupe


def lparam(x, y):
    return ((y & 0xFFFF) << 16) | (x & 0xFFFF)


def pointer_source(x, y, screen_w, screen_h):
    """What the loupe must show around the pointer: centred, stopped at the
    desktop's edges."""
    left = min(max(x - SRC_W // 2, 0), screen_w - SRC_W)
    top = min(max(y - SRC_H // 2, 0), screen_h - SRC_H)
    return (left, top, left + SRC_W, top + SRC_H)


def window_source(rect):
    """Window mode, top-left origin: the area under the magnified image's own
    top-left corner, away from the desktop's edges."""
    left, top = rect[0] + FRAME, rect[1] + FRAME
    return (left, top, left + SRC_W, top + SRC_H)


class TrackingTest(test_startup.LoupeSession):
    """One copy at its designed place: the pointer, the wheel, window mode
    over a pattern, dragging."""

    @classmethod
    def setUpClass(cls):
        cls.open_session()
        parts = cls.parts
        try:
            s = cls.session
            s.xdotool("mousemove", *START_POINTER)
            exe = os.path.join(s.install(parts["dist"], "Lensoro"), "lensoro.exe")
            cls.log = StubLog(os.path.join(s.root, "magstub.log"))
            t0 = time.monotonic()
            cls.process = s.start(exe, env={"LENSORO_MAGSTUB_LOG": cls.log.path})
            cls.loupe = cls.wait_loupe(exe)
            CONFIG["timings"]["first loupe"] = round(time.monotonic() - t0, 1)
            cls.hwnd = cls.loupe["hwnd"]
            mags = [c for c in s.probe("children", cls.hwnd) if c["class"] == "Magnifier"]
            cls.mag = mags[0]["hwnd"] if mags else None
            wait_for(lambda: cls.log.sources(), 10, 0.1, "the first MagSetWindowSource")
        except BaseException:
            cls.session.close()
            raise

    def setUp(self):
        super().setUp()
        self.assertTrue(self.process.running(), "lensoro.exe ended: %s" % self.process.output()[-500:])
        self.assertIsNotNone(self.mag, "the loupe has no Magnifier child")

    # --- helpers ---------------------------------------------------------------

    def loupe_rect(self):
        loupes = [w for w in self.session.loupes() if w["hwnd"] == self.hwnd]
        self.assertTrue(loupes, "the loupe window is gone")
        return loupes[0]["rect"]

    def frame_colours(self, rect):
        """The frame's colour at the middle of each side (and the left side
        low down), from one screen grab."""
        screen = self.session.pixels()
        l, t, r, b = rect
        mx, my = (l + r) // 2, (t + b) // 2
        return {screen.get(l + 1, my), screen.get(r - 2, my), screen.get(mx, t + 1), screen.get(mx, b - 2),
                screen.get(l + 2, b - 30)}

    def wait_frame(self, colour, rect, timeout=2.0):
        return wait_for(lambda: self.frame_colours(rect) == {colour}, timeout, 0.1,
                        "a frame of %r (seen %r)" % (colour, self.frame_colours(rect)))

    def my_sources(self):
        """The sources since the mark that this copy set on its magnifier."""
        tag = "hwnd=%s " % self.mag
        return [c for c in self.log.calls("MagSetWindowSource") if c[0] == self.loupe["pid"] and c[2].startswith(tag)]

    def transforms_since_mark(self):
        return [a.split(" m=")[1] for (_, _, a, r) in self.log.calls("MagSetWindowTransform")
                if a.startswith("hwnd=%s " % self.mag) and r == "1"]

    def wheel(self, button, *keys, notches=1):
        for k in keys:
            self.session.xdotool("keydown", k)
        try:
            self.session.xdotool("click", "--repeat", notches, "--delay", 60, button)
        finally:
            for k in reversed(keys):
                self.session.xdotool("keyup", k)

    def double_click_as_passed_on(self, x, y):
        """A double-click at screen (x, y) as the loupe gets it from a control
        that passes clicks on: WM_LBUTTONDBLCLK in client coordinates."""
        l, t = self.loupe_rect()[:2]
        r = self.session.probe("send", self.hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, lparam(x - l, y - t))
        self.assertTrue(r and r[0]["ok"], "WM_LBUTTONDBLCLK not delivered: %r" % r)

    # --- tests -----------------------------------------------------------------

    def test_1_source_follows_the_pointer(self):
        s = self.session
        points = [(700, 300), (20, 10), (1279, 1023), (100, 900), (640, 512), (1200, 40)]
        latencies = []
        for x, y in points:
            want = pointer_source(x, y, s.width, s.height)
            rect = "rect=(%d,%d,%d,%d)" % want
            self.log.mark()
            s.xdotool("mousemove", x, y)
            try:
                _, waited = self.log.wait_call("MagSetWindowSource",
                                               lambda a: a.startswith("hwnd=%s " % self.mag) and rect in a, 1.0)
            except TimeoutError:
                self.fail("pointer at (%d, %d): no source %s within 1 s; sources seen: %r"
                          % (x, y, rect, self.log.sources()[-5:]))
            # The latency is a figure for the report, not a pass mark: a busy machine
            # delays xdotool and the X server as much as the program.
            latencies.append(round(waited * 1000))
            # Once there, it stays while the pointer rests; every source has the rate's size.
            deadline = time.monotonic() + TICKS_WAIT
            while True:
                mine = self.my_sources()
                tail = mine[next(i for i, c in enumerate(mine) if rect in c[2]):]
                if len(tail) >= 3 or time.monotonic() > deadline:
                    break
                time.sleep(0.02)
            self.assertGreaterEqual(len(tail), 3, "fewer than 3 ticks in %.0f s: %r" % (TICKS_WAIT, tail))
            self.assertTrue(all(rect in c[2] and c[3] == "1" for c in tail),
                            "pointer at (%d, %d): sources after the first match %r" % (x, y, tail))
        CONFIG["timings"]["pointer to source, ms"] = latencies

    def test_2_ctrl_wheel_zooms_by_a_tenth_per_notch(self):
        s = self.session
        rect = self.loupe_rect()
        s.xdotool("mousemove", rect[0] + 150, rect[1] + 120)  # over the magnified image
        time.sleep(0.1)
        cases = [
            # (keys, button, transform expected or None, source size after)
            (("ctrl",), 4, "[2.1,0,0;0,2.1,0;0,0,1]", (124, 101)),  # round(260 / 2.1), round(212 / 2.1)
            (("ctrl",), 4, "[2.2,0,0;0,2.2,0;0,0,1]", (118, 96)),
            (("ctrl",), 5, "[2.1,0,0;0,2.1,0;0,0,1]", (124, 101)),
            (("ctrl",), 5, "[2,0,0;0,2,0;0,0,1]", (SRC_W, SRC_H)),
            ((), 4, None, (SRC_W, SRC_H)),  # the wheel alone does not zoom
            (("ctrl", "shift"), 4, None, (SRC_W, SRC_H)),
            (("ctrl", "alt"), 5, None, (SRC_W, SRC_H)),
        ]
        for keys, button, want, size in cases:
            what = "%s wheel %s" % ("+".join(keys) or "bare", "up" if button == 4 else "down")
            self.log.mark()
            self.wheel(button, *keys)
            if want:
                wait_for(lambda: self.transforms_since_mark(), 1.0, 0.02, "a transform after " + what)
            else:
                time.sleep(0.4)
            self.assertEqual(self.transforms_since_mark(), [want] if want else [], what)
            # The next ticks show the rate's source size.
            self.log.mark()
            wait_for(lambda: len(self.log.sources()) >= 2, 1.0, 0.02, "sources after " + what)
            sizes = {(r - l, b - t) for (l, t, r, b) in self.log.sources()}
            self.assertEqual(sizes, {size}, "source sizes after %s" % what)

    def test_3_window_mode_shows_the_area_under_itself_2x(self):
        s = self.session
        rect = self.loupe_rect()
        self.assertEqual(rect, LOUPE_RECT)
        self.wait_frame(LIME, rect)
        self.log.mark()
        self.double_click_as_passed_on(rect[0] + 150, rect[1] + 120)
        self.wait_frame(AQUA, rect)
        want = window_source(rect)
        wait_for(lambda: any("rect=(%d,%d,%d,%d)" % want in c[2] for c in self.my_sources()), 1.0, 0.02,
                 "the window-mode source %r (seen %r)" % (want, self.log.sources()[-3:]))
        # X gives no way to leave windows out of a capture, so the source
        # area, which lies inside the loupe, would show the loupe itself. A
        # plain X window mapped now stacks above the loupe (Wine restacks
        # only among its own windows): put the pattern exactly over the
        # source area, and the rest of the magnified image must show it 2x.
        left, top = want[0], want[1]
        pattern = s.show_pattern(left, top, SRC_W, SRC_H)
        try:
            time.sleep(0.5)  # a few 40 ms repaints
            shot = s.screenshot(self.out_path("tracking-window-mode-%s.png" % self.arch))
            screen = s.pixels()
            # The source area is the pattern...
            n, bad = screen.scaled_mismatches(left, top, SRC_W, SRC_H, pattern_colour, 1, step=5)
            self.assertEqual(bad, [], "pattern not on the source area; see %s" % shot)
            # ...and the magnifier child outside it shows it magnified 2x.
            mw, mh = rect[2] - rect[0] - 2 * FRAME, rect[3] - rect[1] - 2 * FRAME
            n, bad = screen.scaled_mismatches(left, top, mw, mh, pattern_colour, RATE,
                                              skip=lambda dx, dy: dx < SRC_W and dy < SRC_H)
            self.assertGreater(n, 3000)
            self.assertLessEqual(len(bad), n // 100, "%d of %d sampled pixels differ from the 2x pattern, e.g. "
                                 "(dx, dy, expected, seen) %r; see %s" % (len(bad), n, bad[:5], shot))
            self.assertEqual(self.frame_colours(rect), {AQUA})
        finally:
            pattern.terminate()
            pattern.wait(5)

    def test_4_left_drag_moves_the_loupe_and_the_source_follows(self):
        s = self.session
        before = self.loupe_rect()
        px, py = before[0] + 200, before[1] + 170  # over the magnified image
        dx, dy = 120, -60
        s.xdotool("mousemove", px, py)
        time.sleep(0.1)
        s.xdotool("mousedown", 1)
        try:
            self.log.mark()
            # The press, passed on with the button really held: the loupe
            # hands it to the platform's move loop, which follows the mouse.
            r = s.probe("post", self.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, lparam(px - before[0], py - before[1]))
            self.assertTrue(r and r[0]["ok"], "WM_LBUTTONDOWN not posted: %r" % r)
            time.sleep(0.2)
            for i in range(1, 13):
                s.xdotool("mousemove", px + dx * i // 12, py + dy * i // 12)
                time.sleep(0.04)
            time.sleep(0.2)
            during = self.log.sources()
        finally:
            s.xdotool("mouseup", 1)
        time.sleep(0.3)
        after = self.loupe_rect()
        self.assertEqual(after, [before[0] + dx, before[1] + dy, before[2] + dx, before[3] + dy],
                         "loupe rectangle after a drag by (%d, %d) from %r" % (dx, dy, before))
        # Ticks keep coming in the move loop: the source walks with the loupe.
        steps = {(dx * i // 12, dy * i // 12) for i in range(13)}
        offsets = [(l - before[0] - FRAME, t - before[1] - FRAME, r - l, b - t) for (l, t, r, b) in during]
        self.assertEqual([o for o in offsets if (o[0], o[1]) not in steps or o[2:] != (SRC_W, SRC_H)], [],
                         "sources during the drag that match no place of the loupe on its way")
        self.assertGreaterEqual(len({o[:2] for o in offsets}), 4, "window-mode sources during the drag: %r" % during)
        self.assertEqual(during[-1], window_source(after), "last source during the drag")
        self.log.mark()
        wait_for(lambda: self.log.sources(), 1.0, 0.02, "a source after the drag")
        self.assertEqual(set(self.log.sources()), {window_source(after)})

    # The bare mouse over the image: the stand-in's image lets the mouse
    # through to the loupe, as a picture should.

    @unittest.expectedFailure
    def test_5_real_double_click_over_the_image_toggles_the_mode(self):
        rect = self.loupe_rect()
        now = self.frame_colours(rect)
        if now not in ({LIME}, {AQUA}):
            self.skipTest("frame neither lime nor aqua: %r" % now)  # not the failure expected here
        self.session.xdotool("mousemove", rect[0] + 120, rect[1] + 100)
        time.sleep(0.1)
        self.session.xdotool("click", "--repeat", 2, "--delay", 80, 1)
        self.wait_frame(AQUA if now == {LIME} else LIME, rect)

    def test_6_real_left_drag_over_the_image_moves_the_loupe(self):
        s = self.session
        before = self.loupe_rect()
        px, py = before[0] + 150, before[1] + 120
        s.xdotool("mousemove", px, py)
        time.sleep(0.1)
        s.xdotool("mousedown", 1)
        try:
            for i in range(1, 6):
                s.xdotool("mousemove", px - 10 * i, py + 10 * i)
                time.sleep(0.05)
        finally:
            s.xdotool("mouseup", 1)
        time.sleep(0.3)
        self.assertEqual(self.loupe_rect(), [before[0] - 50, before[1] + 50, before[2] - 50, before[3] + 50])


def main():
    return test_startup.run_suite(__doc__, TrackingTest)


if __name__ == "__main__":
    sys.exit(main())
