#!/usr/bin/env python3
"""End-to-end start-up checks of lensoro.exe under Wine on Xvfb.

    python3 tests/e2e/test_startup.py --build-dir build/mingw      # 32-bit, win32 prefix
    python3 tests/e2e/test_startup.py --build-dir build/mingw64    # 64-bit, win64 prefix
    python3 tests/e2e/test_startup.py --build-dir build/mingw64 --mixed --build-dir32 build/mingw

One Wine session (Xvfb + fresh prefix) per test class; the tests of a class
run in their numbered order against the same running copies. Exits 77
(skipped) when the build or Wine is missing.
"""

import argparse
import contextlib
import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lnswine  # noqa: E402
from lnswine import LOUPE_CAPTION, pe_arch, unix_to_windows, wait_for  # noqa: E402

SKIP = 77
WM_CLOSE = 0x0010
WS_VISIBLE = 0x10000000
LOUPE_STYLE = 0x86000000
LOUPE_EXSTYLE = 0x00080088
LOUPE_RECT = [243, 478, 511, 698]
MAG_CLIENT_POS = [4, 4, 260, 212]
POINTER = (640, 512)
# A picture under the pointer, clear of the loupe, for the magnified image.
PATTERN = (540, 430, 200, 170)
IDENTITY_5 = "[1,0,0,0,0;0,1,0,0,0;0,0,1,0,0;0,0,0,1,0;0,0,0,0,1]"

CONFIG = {}


def build_parts(build_dir):
    return {
        "dist": os.path.join(build_dir, "dist"),
        "exe": os.path.join(build_dir, "dist", "lensoro.exe"),
        "stub": os.path.join(build_dir, "wine", "magnification.dll"),
        "probe": os.path.join(build_dir, "wine", "lnsprobe.exe"),
    }


def missing_parts(build_dir):
    return [p for p in build_parts(build_dir).values() if not os.path.exists(p)]


def skip_reason(build_dirs):
    """Why these builds cannot run here (one line), or None."""
    missing = [m for d in build_dirs for m in missing_parts(d)]
    if missing:
        return "not built: " + ", ".join(missing)
    for d in build_dirs:
        arch = pe_arch(build_parts(d)["exe"])
        why = lnswine.arch_unavailable(arch)
        if why:
            return "%s build: %s" % ({"win32": "32-bit", "win64": "64-bit"}.get(arch, arch), why)
    return None


def read_log(path):
    try:
        with open(path, "r", encoding="utf-8", errors="replace") as f:
            return f.read().splitlines()
    except OSError:
        return []


LOG_LINE = re.compile(r"^pid=(\d+) (\w+)(.*) -> (\S+)")


def log_calls(path, name=None):
    """The stand-in's log as (pid, call, arguments, result) tuples."""
    calls = []
    for line in read_log(path):
        m = LOG_LINE.match(line)
        if m and (name is None or m.group(2) == name):
            calls.append((int(m.group(1)), m.group(2), m.group(3).strip(), m.group(4)))
    return calls


def downs_to(items, position):
    """The Down presses that select the item at a position: the first one
    selects the first item, separators are skipped."""
    return 1 + sum(1 for item in items[:position] if not item["separator"])


class LoupeSession(unittest.TestCase):
    """Shared helpers: finding a copy's loupe and its magnifier child; its
    popup menu opened with the mouse and an item picked with the keyboard;
    one Wine session per class, closed after its tests; each test's time."""

    session = None

    @classmethod
    def open_session(cls, **screen):
        """The build's parts, its architecture and a fresh Wine session (its
        set-up time goes into the timings); screen: width and height."""
        cls.parts = build_parts(CONFIG["build_dir"])
        cls.arch = pe_arch(cls.parts["exe"])
        t0 = time.monotonic()
        cls.session = lnswine.WineSession(cls.arch, cls.parts["probe"], **screen)
        cls.session.__enter__()
        CONFIG["timings"]["prefix"] = round(time.monotonic() - t0, 1)

    @classmethod
    @contextlib.contextmanager
    def session_set_up(cls, **screen):
        """open_session for the block that sets the class up: a set-up that
        fails closes the session again (tearDownClass does not run then)."""
        cls.open_session(**screen)
        try:
            yield cls.session
        except BaseException:
            cls.session.close()
            raise

    @classmethod
    def tearDownClass(cls):
        if cls.session:
            cls.session.close()

    def setUp(self):
        self._t0 = time.monotonic()

    def tearDown(self):
        CONFIG["timings"]["%s.%s" % (type(self).__name__, self._testMethodName)] = round(time.monotonic() - self._t0, 1)

    @classmethod
    def out_path(cls, name):
        os.makedirs(CONFIG["out"], exist_ok=True)
        return os.path.join(CONFIG["out"], name)

    @classmethod
    def loupes_of(cls, exe):
        image = unix_to_windows(exe).lower()
        return [w for w in cls.session.loupes() if w["image"].lower() == image]

    @classmethod
    def wait_loupe(cls, exe, timeout=30):
        # The window exists, hidden, while the program wires itself up; the
        # message loop shows it afterwards.
        return wait_for(lambda: [w for w in cls.loupes_of(exe) if w["visible"]], timeout, 0.3,
                        "a shown loupe window of %s" % exe)[0]

    def magnifier_children(self, loupe):
        return [c for c in self.session.probe("children", loupe["hwnd"]) if c["class"] == "Magnifier"]

    def open_menu(self, x, y):
        """Right-clicks at (x, y) and returns the open menu's items."""
        s = self.session
        s.xdotool("mousemove", x, y)
        time.sleep(0.2)
        s.xdotool("click", 3)
        menus = wait_for(lambda: [m for m in s.probe("menus") if m["items"]], 5, 0.3, "an open popup menu")
        self.assertEqual(len(menus), 1, "open menus: %r" % menus)
        return menus[0]["items"]

    def pick(self, items, position):
        """Chooses the item at a position of the open menu as the keyboard
        does, and waits for the menu to close."""
        r = self.session.probe("pick", downs_to(items, position))
        self.assertTrue(r and r[0].get("ok"), "pick %d: %r" % (position, r))
        wait_for(lambda: not self.session.probe("menus"), 5, 0.2, "the menu closed")

    def close_and_wait(self, loupe, process, how):
        r = self.session.probe(how, loupe["hwnd"], WM_CLOSE, 0, 0)
        self.assertTrue(r and r[0]["ok"], "%s WM_CLOSE failed: %r" % (how, r))
        code = process.wait(20)
        self.assertEqual(code, 0, "exit code after %s WM_CLOSE (None = still running); output: %s"
                         % (how, process.output()[-500:]))


class StartupTest(LoupeSession):
    """One copy started in a fresh folder, then a second start from the same
    folder, a copy from another folder, and closing."""

    @classmethod
    def setUpClass(cls):
        parts = build_parts(CONFIG["build_dir"])
        cls.arch = pe_arch(parts["exe"])
        t0 = time.monotonic()
        cls.session = lnswine.WineSession(cls.arch, parts["probe"])
        cls.session.__enter__()
        CONFIG["timings"]["%s prefix" % cls.__name__] = round(time.monotonic() - t0, 1)
        try:
            cls.session.show_pattern(*PATTERN)
            cls.session.xdotool("mousemove", *POINTER)
            cls.folder_a = cls.session.install(parts["dist"], "LensoroA")
            cls.exe_a = os.path.join(cls.folder_a, "lensoro.exe")
            cls.log = os.path.join(cls.session.root, "magstub.log")
            cls.env = {"LENSORO_MAGSTUB_LOG": cls.log}
            t0 = time.monotonic()
            cls.first = cls.session.start(cls.exe_a, env=cls.env)
            try:
                cls.loupe_a = cls.wait_loupe(cls.exe_a)
            except TimeoutError:
                cls.loupe_a = None
            CONFIG["timings"]["%s first loupe" % cls.__name__] = round(time.monotonic() - t0, 1)
        except BaseException:
            cls.session.close()
            raise

    def require_first(self):
        if self.loupe_a is None:
            self.fail("no loupe window appeared within 30 s; process %s, output: %s; windows: %r"
                      % ("running" if self.first.running() else "ended with %r" % self.first.returncode,
                         self.first.output()[-500:], self.session.windows()))

    def test_1_loupe_window_and_magnifier_child(self):
        self.require_first()
        w = self.loupe_a
        self.assertEqual(w["title"], LOUPE_CAPTION)
        self.assertTrue(w["visible"], "loupe not visible")
        style = int(w["style"], 16)
        self.assertEqual(style & ~WS_VISIBLE, LOUPE_STYLE, "style is %s" % w["style"])
        self.assertEqual(int(w["exstyle"], 16), LOUPE_EXSTYLE, "extended style is %s" % w["exstyle"])
        self.assertEqual(w["rect"], LOUPE_RECT)
        mags = self.magnifier_children(w)
        self.assertEqual(len(mags), 1, "Magnifier children: %r" % mags)
        mag = mags[0]
        self.assertEqual(mag["parent"], w["hwnd"])
        self.assertEqual(mag["client_pos"], MAG_CLIENT_POS)
        self.assertRegex(mag["title"], r"^[0-9A-Fa-f]{32}$")
        self.assertTrue(mag["visible"], "magnifier child not visible")

    def test_2_magnification_calls(self):
        self.require_first()
        mag = self.magnifier_children(self.loupe_a)
        self.assertTrue(mag, "no Magnifier child")
        hwnd = "hwnd=%s" % mag[0]["hwnd"]
        # The tracking tick sets a source within 50 ms; give it a few.
        wait_for(lambda: log_calls(self.log, "MagSetWindowSource"), 5, 0.2, "a MagSetWindowSource call")
        calls = log_calls(self.log)
        self.assertIn("1", [r for (_, c, _, r) in calls if c == "MagInitialize"], "MagInitialize calls: %r"
                      % [x for x in calls if x[1] == "MagInitialize"])
        transforms = [(a, r) for (_, c, a, r) in calls if c == "MagSetWindowTransform"]
        self.assertIn(("%s m=[2,0,0;0,2,0;0,0,1]" % hwnd, "1"), transforms)
        effects = [(a, r) for (_, c, a, r) in calls if c == "MagSetColorEffect"]
        self.assertIn(("%s m=%s" % (hwnd, IDENTITY_5), "1"), effects)
        sources = [(a, r) for (_, c, a, r) in calls if c == "MagSetWindowSource"]
        self.assertTrue(all(r == "1" for _, r in sources), "failed MagSetWindowSource: %r" % sources[:5])

    def test_3_screenshot_shows_magnified_pattern(self):
        self.require_first()
        time.sleep(0.5)  # a few frames after the last source change
        shot = self.session.screenshot(self.out_path("startup-%s.png" % self.arch))
        screen = self.session.pixels()
        self.assertGreater(len(screen.colours(0, 0, screen.width, screen.height)), 1, "blank screenshot " + shot)
        mag = self.magnifier_children(self.loupe_a)[0]
        left, top, right, bottom = mag["rect"]
        self.assertGreater(len(screen.colours(left, top, right, bottom)), 50,
                           "magnifier area nearly uniform in %s" % shot)
        sources = log_calls(self.log, "MagSetWindowSource")
        m = re.search(r"rect=\((-?\d+),(-?\d+),(-?\d+),(-?\d+)\)", sources[-1][2])
        sl, st, sr, sb = map(int, m.groups())
        # Pointer mode: the source is centred on the pointer; 2x shows 130 x 106.
        self.assertEqual(((sl + sr) // 2, (st + sb) // 2, sr - sl, sb - st), (POINTER[0], POINTER[1], 130, 106),
                         "source rectangle %r" % ((sl, st, sr, sb),))
        matches = total = 0
        for dy in range(0, bottom - top, 3):
            for dx in range(0, right - left, 3):
                total += 1
                matches += screen.get(left + dx, top + dy) == screen.get(sl + dx // 2, st + dy // 2)
        self.assertGreater(matches / total, 0.9, "only %d of %d sampled pixels show the 2x source; see %s"
                           % (matches, total, shot))

    def test_4_second_start_same_folder_is_refused(self):
        self.require_first()
        second = self.session.start(self.exe_a, env=self.env)
        title = "Lensoro [Information]"
        boxes = wait_for(lambda: [d for d in self.session.probe("dialogs") if d["title"] == title], 20, 0.3,
                         "the message box")
        self.assertIn("Lensoro is already running.", boxes[0]["texts"])
        self.assertTrue(second.running(), "second copy ended before the box was answered")
        answer = self.session.probe("answer", title)
        self.assertTrue(answer and answer[0].get("sent"), "answer: %r" % answer)
        self.assertEqual(second.wait(20), 0, "second copy's exit code (None = still running)")
        self.assertTrue(self.first.running(), "first copy ended")
        self.assertEqual(len(self.loupes_of(self.exe_a)), 1, "loupes of folder A")

    def test_5_second_folder_runs_beside(self):
        self.require_first()
        folder_b = self.session.install(build_parts(CONFIG["build_dir"])["dist"], "LensoroB")
        exe_b = os.path.join(folder_b, "lensoro.exe")
        other = self.session.start(exe_b, env=self.env)
        loupe_b = self.wait_loupe(exe_b)
        loupes = self.session.loupes()
        self.assertEqual(len(loupes), 2, "loupes: %r" % loupes)
        self.assertNotEqual(loupes[0]["pid"], loupes[1]["pid"])
        # Without a place of its own it opens beside the first, not on it.
        a = [w for w in loupes if w["hwnd"] != loupe_b["hwnd"]][0]["rect"]
        b = loupe_b["rect"]
        self.assertEqual((b[0], b[1]), (a[2] + 8, a[1]), "the second loupe %r beside the first %r" % (b, a))
        self.assertEqual(len(self.magnifier_children(loupe_b)), 1)
        self.assertEqual(self.session.probe("dialogs"), [], "a message box appeared")
        self.assertTrue(self.first.running() and other.running())
        self.close_and_wait(loupe_b, other, "post")
        self.assertTrue(self.first.running(), "first copy ended with the second")

    def test_6_wm_close_ends_program(self):
        self.require_first()
        pid = self.loupe_a["pid"]
        self.close_and_wait(self.loupe_a, self.first, "send")
        self.assertEqual(self.session.loupes(), [])
        # The log's pid is the Windows one, as the probe reports it.
        uninit = [r for (p, _, _, r) in log_calls(self.log, "MagUninitialize") if p == pid]
        self.assertIn("1", uninit, "MagUninitialize results of Windows pid %d: %r" % (pid, uninit))


class MixedTest(LoupeSession):
    """The 32-bit and the 64-bit exe, each from its own folder, in one win64 prefix."""

    @classmethod
    def setUpClass(cls):
        p64, p32 = build_parts(CONFIG["build_dir"]), build_parts(CONFIG["build_dir32"])
        t0 = time.monotonic()
        cls.session = lnswine.WineSession("win64", p64["probe"])
        cls.session.__enter__()
        CONFIG["timings"]["MixedTest prefix"] = round(time.monotonic() - t0, 1)
        try:
            cls.exe32 = os.path.join(cls.session.install(p32["dist"], "Lensoro32"), "lensoro.exe")
            cls.exe64 = os.path.join(cls.session.install(p64["dist"], "Lensoro64"), "lensoro.exe")
        except BaseException:
            cls.session.close()
            raise

    def test_32_and_64_bit_copies_run_side_by_side(self):
        t0 = time.monotonic()
        self.assertEqual(pe_arch(self.exe32), "win32")
        self.assertEqual(pe_arch(self.exe64), "win64")
        p32 = self.session.start(self.exe32)
        loupe32 = self.wait_loupe(self.exe32)
        p64 = self.session.start(self.exe64)
        loupe64 = self.wait_loupe(self.exe64)
        loupes = self.session.loupes()
        self.assertEqual(len(loupes), 2, "loupes: %r" % loupes)
        self.assertNotEqual(loupe32["image"].lower(), loupe64["image"].lower())
        self.assertEqual(self.session.probe("dialogs"), [], "a message box appeared")
        for loupe in (loupe32, loupe64):
            self.assertEqual(len(self.magnifier_children(loupe)), 1, "Magnifier child of %s" % loupe["image"])
        self.assertTrue(p32.running() and p64.running())
        self.session.screenshot(self.out_path("mixed.png"))
        self.close_and_wait(loupe64, p64, "post")
        self.assertTrue(p32.running(), "32-bit copy ended with the 64-bit one")
        self.close_and_wait(loupe32, p32, "post")
        CONFIG["timings"]["MixedTest.test"] = round(time.monotonic() - t0, 1)


def run_suite(doc, test_class):
    """The command line of one e2e file: --build-dir [--out]; runs the class,
    prints the timings; 77 when Wine or the build is missing."""
    ap = argparse.ArgumentParser(description=doc, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build-dir", required=True, help="build/mingw or build/mingw64")
    ap.add_argument("--out", help="where screenshots go (default: BUILD_DIR/e2e-out)")
    args, _ = ap.parse_known_args()
    CONFIG["build_dir"] = os.path.abspath(args.build_dir)
    CONFIG["out"] = os.path.abspath(args.out or os.path.join(CONFIG["build_dir"], "e2e-out"))
    CONFIG["timings"] = {}
    why = skip_reason([CONFIG["build_dir"]])
    if why:
        print("SKIPPED: " + why)
        return SKIP
    t0 = time.monotonic()
    suite = unittest.TestLoader().loadTestsFromTestCase(test_class)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    CONFIG["timings"]["total"] = round(time.monotonic() - t0, 1)
    print("timings (s): " + ", ".join("%s %s" % kv for kv in CONFIG["timings"].items()))
    return 0 if result.wasSuccessful() else 1


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build-dir", required=True, help="build/mingw or build/mingw64")
    ap.add_argument("--mixed", action="store_true", help="run the 32-bit + 64-bit case in a win64 prefix")
    ap.add_argument("--build-dir32", help="the 32-bit build for --mixed (default: build/mingw beside --build-dir)")
    ap.add_argument("--out", help="where screenshots go (default: BUILD_DIR/e2e-out)")
    args, rest = ap.parse_known_args()
    CONFIG["build_dir"] = os.path.abspath(args.build_dir)
    CONFIG["build_dir32"] = os.path.abspath(args.build_dir32 or os.path.join(os.path.dirname(CONFIG["build_dir"]),
                                                                              "mingw"))
    CONFIG["out"] = os.path.abspath(args.out or os.path.join(CONFIG["build_dir"], "e2e-out"))
    CONFIG["timings"] = {}

    why = skip_reason([CONFIG["build_dir"]] + ([CONFIG["build_dir32"]] if args.mixed else []))
    if why:
        print("SKIPPED: " + why)
        return SKIP
    if args.mixed and pe_arch(build_parts(CONFIG["build_dir"])["exe"]) != "win64":
        print("--mixed needs the 64-bit build as --build-dir")
        return 2

    suite = unittest.TestLoader().loadTestsFromTestCase(MixedTest if args.mixed else StartupTest)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    print("timings (s): " + ", ".join("%s %s" % kv for kv in CONFIG["timings"].items()))
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
