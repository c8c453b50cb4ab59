#!/usr/bin/env python3
"""End-to-end check of the loupe that follows typing, with lensoro.exe and
Wine's Notepad under Wine on Xvfb.

    python3 tests/e2e/test_follow.py --build-dir build/mingw64

One Wine session; its tests run in their numbered order. Notepad holds a
few lines of text; the settings file says FollowTyping=1; the pointer rests
away from the text. Typing with xdotool until the caret leaves the
source's margin brings the source to the caret: within two steps the
stand-in's logged source holds the caret's screen point, as the probe
computes it (GetGUIThreadInfo, ClientToScreen). Then the pointer moves and
the source follows it again; then Notepad's Find dialog opens and the
source goes to its focused field. With the option off, the same typing
leaves the source on the pointer. A screenshot of the loupe showing the
typed text magnified goes to the build folder's e2e-out/. Exits 77
(skipped) when the build or Wine is missing.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_startup  # noqa: E402
import test_tracking  # noqa: E402
from lnswine import STUB_RECT, StubLog, unix_to_windows, wait_for  # noqa: E402

CONFIG = test_startup.CONFIG
PARKED = (640, 1000)  # away from Notepad's text, off the loupe
# Beside Notepad's window rather than over it: an X window mapped later
# (Notepad) stacks above the loupe, which Wine only restacks when the
# loupe's place in its own z-order changes.
LOUPE_AT = (990, 760)
SRC_W, SRC_H = test_tracking.SRC_W, test_tracking.SRC_H
WM_CLOSE = 0x0010
TEXT = "Lensoro follows the caret\r\nsecond line of text\r\nthird line\r\n"
TYPED = "the quick brown fox jumps over the lazy dog "


def holds(rect, point):
    return rect[0] <= point[0] < rect[2] and rect[1] <= point[1] < rect[3]


class FollowTest(test_startup.LoupeSession):
    """Notepad and one copy with FollowTyping=1."""

    @classmethod
    def setUpClass(cls):
        with cls.session_set_up() as s:
            s.xdotool("mousemove", *PARKED)
            cls.folder = s.install(cls.parts["dist"], "Lensoro")
            cls.exe = os.path.join(cls.folder, "lensoro.exe")
            cls.log = StubLog(os.path.join(s.root, "magstub.log"))
            cls.write_settings(True)
            cls.process = s.start(cls.exe, env={"LENSORO_MAGSTUB_LOG": cls.log.path})
            cls.loupe = cls.wait_loupe(cls.exe)
            mags = [c for c in s.probe("children", cls.loupe["hwnd"]) if c["class"] == "Magnifier"]
            cls.mag = mags[0]["hwnd"] if mags else None
            text = os.path.join(s.root, "notes.txt")
            with open(text, "w", encoding="ascii", newline="") as f:
                f.write(TEXT)
            notepad = os.path.join(s.prefix, "drive_c", "windows", "notepad.exe")
            cls.notepad = s.start(notepad, [unix_to_windows(text)])
            cls.editor = wait_for(lambda: [w for w in s.windows() if w["class"] == "Notepad" and w["visible"]], 30,
                                  0.3, "Notepad's window")[0]

    @classmethod
    def write_settings(cls, follow):
        body = ("[MainForm]\r\nLeft=%d\r\nTop=%d\r\nWidth=268\r\nHeight=220\r\n" % LOUPE_AT
                + "[Loupe]\r\nFollowTyping=%d\r\n" % (1 if follow else 0))
        with open(os.path.join(cls.folder, "lensoro.ini"), "w", encoding="utf-16", newline="") as f:
            f.write(body)

    def setUp(self):
        super().setUp()
        self.assertTrue(self.process.running(), "lensoro.exe ended: %s" % self.process.output()[-500:])
        self.assertIsNotNone(self.mag, "the loupe has no Magnifier child")

    # --- helpers ---------------------------------------------------------------

    def my_sources(self):
        tag = "hwnd=%s " % self.mag
        return [tuple(map(int, STUB_RECT.search(a).groups()))
                for (_, _, a, _) in self.log.calls("MagSetWindowSource") if a.startswith(tag)]

    def caret(self):
        r = self.session.probe("caret")
        self.assertTrue(r and r[0]["ok"], "no caret from the probe: %r" % r)
        return r[0]

    def next_sources(self, n, timeout=2.0):
        """The next n sources of this loupe after now."""
        self.log.mark()
        return wait_for(lambda: (lambda got: got if len(got) >= n else None)(self.my_sources()), timeout, 0.02,
                        "%d sources" % n)[:n]

    def type_text(self, text):
        self.session.xdotool("type", "--delay", 60, text, timeout=60)
        time.sleep(0.3)

    # --- tests -----------------------------------------------------------------

    def test_1_typing_brings_the_source_to_the_caret(self):
        s = self.session
        time.sleep(1.0)  # the pointer has rested; Notepad has the focus
        before = self.next_sources(1)[0]
        self.type_text(TYPED)
        caret = self.caret()
        point = (caret["screen"][0], caret["screen"][1])
        self.assertNotEqual(caret["caret"], "0x00000000", "Notepad shows no caret: %r" % caret)
        sources = self.next_sources(2)
        self.assertTrue(holds(sources[-1], point), "the caret at %r is not in the sources %r (before typing %r)"
                        % (point, sources, before))
        # Not re-centred: the caret lies inside the margin of a sixth.
        src = sources[-1]
        mx, my = round(SRC_W / 6), round(SRC_H / 6)
        self.assertTrue(src[0] + mx <= point[0] <= src[2] - mx and src[1] + my <= point[1] <= src[3] - my,
                        "caret %r outside the inner area of %r" % (point, src))
        self.assertNotEqual(src, test_tracking.pointer_source(*PARKED, s.width, s.height))
        shot = s.screenshot(self.out_path("follow-typing-%s.png" % self.arch))
        print("screenshot of the loupe over typed text: %s (caret %r, source %r)" % (shot, point, src))

    def test_2_the_moving_pointer_takes_the_view_back(self):
        s = self.session
        x, y = 700, 300
        s.xdotool("mousemove", x, y)
        want = test_tracking.pointer_source(x, y, s.width, s.height)
        wait_for(lambda: want in self.my_sources()[-2:], 2.0, 0.05,
                 "the source on the pointer %r (seen %r)" % (want, self.my_sources()[-3:]))
        time.sleep(0.5)  # resting again

    def test_3_the_find_dialog_takes_the_source_to_its_field(self):
        s = self.session
        s.xdotool("key", "ctrl+f")
        dialog = wait_for(lambda: [w for w in s.windows() if w["class"] == "#32770" and w["visible"]
                                   and w["pid"] == self.editor["pid"]], 10, 0.3, "Notepad's Find dialog")[0]
        time.sleep(0.5)
        focus = self.caret()["focus"]
        fields = [c for c in s.probe("children", dialog["hwnd"]) if c["hwnd"] == focus]
        self.assertTrue(fields, "the focus %s is no child of the Find dialog" % focus)
        field = fields[0]["rect"]
        src = self.next_sources(2)[-1]
        self.assertTrue(holds(src, (field[0], field[1])) or holds(field, (src[0], src[1])),
                        "the source %r is not on the focused field %r" % (src, field))
        s.xdotool("key", "Escape")
        wait_for(lambda: not [w for w in s.windows() if w["hwnd"] == dialog["hwnd"] and w["visible"]], 5, 0.2,
                 "the Find dialog closed")

    def test_4_with_the_option_off_typing_leaves_the_source_on_the_pointer(self):
        s = self.session
        self.close_and_wait(self.loupe, self.process, "post")
        self.write_settings(False)
        type(self).process = s.start(self.exe, env={"LENSORO_MAGSTUB_LOG": self.log.path})
        type(self).loupe = self.wait_loupe(self.exe)
        mags = [c for c in s.probe("children", self.loupe["hwnd"]) if c["class"] == "Magnifier"]
        type(self).mag = mags[0]["hwnd"]
        # Notepad takes the keyboard back by a click into its text; then the
        # pointer rests away from it.
        r = self.editor["rect"]
        s.xdotool("mousemove", r[0] + 60, r[1] + 80)
        s.xdotool("click", 1)
        s.xdotool("mousemove", *PARKED)
        time.sleep(1.0)
        self.log.mark()
        self.type_text(TYPED)
        want = test_tracking.pointer_source(*PARKED, s.width, s.height)
        seen = set(self.my_sources())
        self.assertTrue(seen, "no sources while typing")
        self.assertEqual(seen, {want}, "sources while typing with the option off")


def main():
    return test_startup.run_suite(__doc__, FollowTest)


if __name__ == "__main__":
    sys.exit(main())
