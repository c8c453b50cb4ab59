#!/usr/bin/env python3
"""End-to-end checks of the options dialog, with lensoro.exe under Wine on
Xvfb.

    python3 tests/e2e/test_options.py --build-dir build/mingw

One Wine session and one running copy. The dialog is opened from the
loupe's popup menu (real right click, item chosen with `lnsprobe pick`), its
controls are read with `lnsprobe children` and pressed with BM_CLICK; the
stand-in magnification.dll logs what reaches the magnifier. The rate field
is stepped with a posted Up key and typed into with real keys; both must
reach the magnifier's transform at once, a comma typed as the point too.
Before it, a second copy saved almost off the screen must start where it
can be taken hold of; after it, the loupe's right edge dragged past its left
one must stop at the smallest image plus the frame. Exits 77 (skipped) when
the build or Wine is missing.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_startup  # noqa: E402
from lnswine import StubLog, wait_for  # noqa: E402
from test_settings import write_utf16_ini  # noqa: E402

CONFIG = test_startup.CONFIG
BOM = b"\xff\xfe"
BM_CLICK = 0xF5
WM_KEYDOWN, WM_KEYUP, VK_UP = 0x0100, 0x0101, 0x26
OPTIONS_ITEM = 12  # "オプション(&O)" in the default menu
CAPTION = "ぽてりん - オプション"
BUTTONS = {"とじる", "さくじょ", "ついか"}
RATE_GROUP = "ばいりつ"
FRAME_KEYS = ["ActivePointerModeFrameColor", "InactivePointerModeFrameColor", "ActiveWindowModeFrameColor",
              "InactiveWindowModeFrameColor"]  # the swatches, top to bottom
GROUPS = {"きどー", "ルーペ モード", "かくだい もと", "いろ", "フレーム", "ショートカット キー"}
FRAME = 4
SMALLEST = 32 + 2 * FRAME  # the smallest image at 96 DPI inside the frame


class OptionsTest(test_startup.LoupeSession):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        with cls.session_set_up() as s:
            s.xdotool("mousemove", 900, 200)
            cls.folder = s.install(cls.parts["dist"], "Options")
            cls.exe = os.path.join(cls.folder, "lensoro.exe")
            cls.ini = os.path.join(cls.folder, "lensoro.ini")
            cls.log = StubLog(os.path.join(s.root, "magstub.log"))
            cls.process = s.start(cls.exe, env={"LENSORO_MAGSTUB_LOG": cls.log.path})
            cls.loupe = cls.wait_loupe(cls.exe, 30)

    def dialog(self):
        found = [w for w in self.session.windows() if w["class"] == "TOptionForm"]
        return found[0] if found else None

    def child(self, title, cls=None):
        d = self.dialog()
        self.assertIsNotNone(d, "the options dialog is not open")
        found = [c for c in self.session.probe("children", d["hwnd"])
                 if c["title"] == title and (cls is None or c["class"] == cls)]
        self.assertTrue(found, "no control %r in the dialog" % title)
        return found[0]

    def click(self, title):
        c = self.child(title, "Button")
        r = self.session.probe("send", c["hwnd"], BM_CLICK, 0, 0)
        self.assertTrue(r and r[0].get("ok"), "BM_CLICK to %r: %r" % (title, r))

    def test_0_a_loupe_saved_almost_off_the_screen_starts_where_it_can_be_taken_hold_of(self):
        s = self.session
        folder = s.install(self.parts["dist"], "OptionsPlace")
        exe = os.path.join(folder, "lensoro.exe")
        # 10 x 10 pixels of it on the screen: too little to take hold of.
        left, top = s.width - 10, s.height - 10
        write_utf16_ini(os.path.join(folder, "lensoro.ini"),
                        "[MainForm]\r\nLeft=%d\r\nTop=%d\r\nWidth=268\r\nHeight=220\r\n" % (left, top))
        process = s.start(exe)
        loupe = self.wait_loupe(exe, 30)
        # Moved no further than fully onto the screen, its size kept.
        self.assertEqual(loupe["rect"], [s.width - 268, s.height - 220, s.width, s.height])
        time.sleep(0.5)
        shot = s.screenshot(self.out_path("start-place-%s.png" % self.arch))
        sys.stderr.write("start place screenshot: %s\n" % shot)
        self.close_and_wait(loupe, process, "send")

    def test_1_opens_from_the_menu_with_the_languages_captions(self):
        s = self.session
        r = self.loupe["rect"]
        items = self.open_menu(r[0] + 60, r[1] + 60)
        self.assertEqual(items[OPTIONS_ITEM]["text"], "オプション(&O)")
        self.pick(items, OPTIONS_ITEM)
        d = wait_for(lambda: (lambda w: w if w and w["visible"] else None)(self.dialog()), 10, 0.3,
                     "the options dialog shown")
        self.assertEqual(d["title"], CAPTION)
        self.assertEqual(d["owner"], self.loupe["hwnd"])
        children = s.probe("children", d["hwnd"])
        titles = {c["title"] for c in children}
        self.assertTrue(BUTTONS <= titles, "buttons: %r" % sorted(titles))
        self.assertTrue(GROUPS <= titles, "group captions: %r" % sorted(titles))
        # The client area is 366 x 592 at 96 DPI, inside the dialog frame.
        w, h = d["rect"][2] - d["rect"][0], d["rect"][3] - d["rect"][1]
        self.assertGreaterEqual(w, 366)
        self.assertGreaterEqual(h, 592)
        time.sleep(0.5)
        shot = s.screenshot(self.out_path("options-%s.png" % self.arch))
        sys.stderr.write("options dialog screenshot: %s\n" % shot)

    def rate_field(self):
        d = self.dialog()
        self.assertIsNotNone(d, "the options dialog is not open")
        # An edit's text is not its window title for another process: the
        # field is the edit inside the rate group.
        children = self.session.probe("children", d["hwnd"])
        groups = [c for c in children if c["class"] == "TGroupBox" and c["title"].startswith(RATE_GROUP)]
        self.assertEqual(len(groups), 1, "rate group among %r" % [(c["class"], c["title"]) for c in children])
        g = groups[0]["rect"]
        found = [c for c in children if c["class"] == "Edit" and g[0] <= c["rect"][0] and c["rect"][2] <= g[2]
                 and g[1] <= c["rect"][1] and c["rect"][3] <= g[3]]
        self.assertEqual(len(found), 1, "edits in the rate group: %r" % found)
        return found[0]

    def transform_call(self, rate, what):
        want = "m=[%s,0,0;0,%s,0;0,0,1]" % (rate, rate)
        call, _ = self.log.wait_call("MagSetWindowTransform", lambda a: want in a, 5)
        self.assertIn(want, call[2], what)

    def test_2_rate_field_changes_the_transform_at_once(self):
        s = self.session
        field = self.rate_field()  # the loupe starts at 2.0
        self.log.mark()
        s.probe("post", field["hwnd"], WM_KEYDOWN, VK_UP, 1)
        s.probe("post", field["hwnd"], WM_KEYUP, VK_UP, 0xC0000001)
        self.transform_call("2.1", "Up in the rate field")

        # Real keys: click into the field (left of its arrows), select all, type.
        r = field["rect"]
        s.xdotool("mousemove", r[0] + 8, (r[1] + r[3]) // 2)
        time.sleep(0.2)
        s.xdotool("click", 1)
        time.sleep(0.3)
        self.log.mark()
        s.xdotool("key", "ctrl+a")
        s.xdotool("type", "--delay", 80, "3")
        self.transform_call("3", "typing 3 into the rate field")
        # Out of range while typing: nothing reaches the magnifier.
        self.log.mark()
        s.xdotool("key", "ctrl+a")
        s.xdotool("type", "--delay", 80, "9")
        time.sleep(0.5)
        self.assertEqual([c for c in self.log.calls("MagSetWindowTransform") if "m=[9," in c[2]], [])
        s.xdotool("key", "BackSpace")
        s.xdotool("type", "--delay", 80, "3")
        self.transform_call("3", "typing 3 again")
        # A comma is the decimal point; leaving the field shows it with a point.
        self.log.mark()
        s.xdotool("key", "ctrl+a")
        s.xdotool("type", "--delay", 80, "3,5")
        self.transform_call("3.5", "typing 3,5 into the rate field")
        s.xdotool("key", "Tab")
        time.sleep(0.5)
        shot = s.screenshot(self.out_path("rate-comma-%s.png" % self.arch))
        sys.stderr.write("rate typed with a comma screenshot: %s\n" % shot)

    def test_3_colour_radio_group_changes_the_magnifier_at_once(self):
        self.log.mark()
        self.click("はんてん")
        call, _ = self.log.wait_call("MagSetColorEffect", lambda a: "m=[-1" in a, 5)
        self.assertIn("m=[-1", call[2])
        self.log.mark()
        self.click("グレー スケール")
        call, _ = self.log.wait_call("MagSetColorEffect", lambda a: "m=[0.29" in a, 5)

    def frame_points(self):
        """A point in each side of the loupe's frame (4 pixels wide) that the
        dialog does not cover."""
        l, t, r, b = self.loupe["rect"]
        d = self.dialog()["rect"]
        points = [(l + 1, (t + b) // 2), (r - 2, (t + b) // 2), ((l + r) // 2, t + 1), ((l + r) // 2, b - 2)]
        return [(x, y) for x, y in points if not (d[0] <= x < d[2] and d[1] <= y < d[3])]

    def swatches(self):
        """The four colour swatches, top to bottom, and their colours on screen."""
        d = self.dialog()
        panels = sorted((c for c in self.session.probe("children", d["hwnd"]) if c["class"] == "TPanel"),
                        key=lambda c: c["rect"][1])
        self.assertEqual(len(panels), 4, "colour swatches: %r" % panels)
        screen = self.session.pixels()
        return [(p, screen.get((p["rect"][0] + p["rect"][2]) // 2, (p["rect"][1] + p["rect"][3]) // 2))
                for p in panels]

    def test_3b_a_swatch_repaints_the_frame_at_once(self):
        s = self.session
        # The dialog opens over the loupe: drag it aside by its caption.
        d, loupe = self.dialog()["rect"], self.loupe["rect"]
        if d[0] < loupe[2]:
            x, y = d[0] + 80, d[1] + 8
            s.xdotool("mousemove", x, y)
            s.xdotool("mousedown", 1)
            for step in range(1, 6):
                s.xdotool("mousemove", x + (loupe[2] - d[0] + 20) * step // 5, y)
                time.sleep(0.1)
            s.xdotool("mouseup", 1)
            wait_for(lambda: self.dialog()["rect"][0] >= loupe[2], 5, 0.2, "the dialog beside the loupe")
        points = self.frame_points()
        self.assertTrue(points, "the dialog covers the whole loupe")
        screen = s.pixels()
        before = {screen.get(x, y) for x, y in points}
        self.assertEqual(len(before), 1, "the frame shows one colour: %r" % before)
        before = before.pop()
        # The swatch of the colour on show (the loupe is inactive while the
        # dialog has the focus).
        on_show = [(i, p) for i, (p, colour) in enumerate(self.swatches()) if colour == before]
        self.assertTrue(on_show, "no swatch shows the frame's colour %r" % (before,))
        index, swatch = on_show[0]
        r = swatch["rect"]
        s.xdotool("mousemove", (r[0] + r[2]) // 2, (r[1] + r[3]) // 2)
        time.sleep(0.2)
        s.xdotool("click", 1)
        picker = wait_for(lambda: [w for w in s.windows() if w["class"] == "#32770" and w["visible"]
                                   and w["owner"] == self.dialog()["hwnd"]], 10, 0.3, "the colour dialog")[0]
        children = s.probe("children", picker["hwnd"])
        basic = [c for c in children if c["id"] == 720]  # the basic colours
        self.assertEqual(len(basic), 1, "basic colours among %r" % [(c["class"], c["id"]) for c in children])
        g = basic[0]["rect"]
        s.xdotool("mousemove", g[0] + (g[2] - g[0]) // 16, g[1] + (g[3] - g[1]) // 12)
        time.sleep(0.2)
        s.xdotool("click", 1)
        time.sleep(0.3)
        ok = [c for c in children if c["id"] == 1 and c["class"] == "Button"]
        s.probe("send", ok[0]["hwnd"], BM_CLICK, 0, 0)
        wait_for(lambda: not [w for w in s.windows() if w["hwnd"] == picker["hwnd"]], 10, 0.3, "the colour dialog closed")
        chosen = self.swatches()[index][1]
        self.assertNotEqual(chosen, before, "the swatch kept its colour")
        after = wait_for(lambda: (lambda seen: seen if seen == {chosen} else None)(
            {s.pixels().get(x, y) for x, y in points}), 5, 0.2, "the frame in the chosen colour")
        self.assertEqual(after, {chosen})
        # Stored as $00BBGGRR under the swatch's key when the dialog closes.
        type(self).chosen_frame = "\r\n%s=$00%02X%02X%02X\r\n" % (FRAME_KEYS[index], chosen[2], chosen[1], chosen[0])
        shot = s.screenshot(self.out_path("frame-colour-%s.png" % self.arch))
        sys.stderr.write("frame colour screenshot: %s\n" % shot)

    def test_4_closing_saves_the_position_and_the_settings(self):
        self.click("とじる")
        wait_for(lambda: self.dialog() is None, 5, 0.2, "the dialog gone")
        text = wait_for(lambda: self.read_ini(), 5, 0.2, "the settings file")
        self.assertIn("[OptionForm]\r\nLeft=", text)
        self.assertIn("\r\nLoupeColorMode=2\r\n", text)
        self.assertIn("\r\nLoupeRate=3.5\r\n", text)
        if getattr(self, "chosen_frame", None):
            self.assertIn(self.chosen_frame, text)
        self.assertTrue(self.process.running(), "lensoro.exe ended after the dialog closed")

    def test_5_a_dragged_edge_stops_at_the_smallest_size(self):
        s = self.session
        l, t, r, b = self.loupes_of(self.exe)[0]["rect"]
        y = (t + b) // 2
        # The right edge, dragged in steps past the left edge.
        s.xdotool("mousemove", r - 3, y)
        time.sleep(0.2)
        s.xdotool("mousedown", 1)
        for step in range(1, 9):
            s.xdotool("mousemove", r - 3 - (r - l + 100) * step // 8, y)
            time.sleep(0.1)
        s.xdotool("mouseup", 1)
        loupe = wait_for(lambda: (lambda w: w if w["rect"][2] < r else None)(self.loupes_of(self.exe)[0]), 5, 0.2,
                         "the loupe narrower")
        self.assertEqual(loupe["rect"], [l, t, l + SMALLEST, b])
        mags = self.magnifier_children(loupe)
        self.assertEqual([m["client_pos"] for m in mags], [[FRAME, FRAME, SMALLEST - 2 * FRAME, b - t - 2 * FRAME]])
        s.xdotool("mousemove", l + 200, y)
        time.sleep(0.5)
        shot = s.screenshot(self.out_path("edge-drag-%s.png" % self.arch))
        sys.stderr.write("edge drag screenshot: %s\n" % shot)

    def read_ini(self):
        try:
            with open(self.ini, "rb") as f:
                data = f.read()
        except OSError:
            return None
        if data[:2] != BOM:
            return None
        text = data[2:].decode("utf-16-le")
        return text if "[OptionForm]" in text and "LoupeColorMode=2" in text else None


def main():
    return test_startup.run_suite(__doc__, OptionsTest)


if __name__ == "__main__":
    sys.exit(main())
