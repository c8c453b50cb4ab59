#!/usr/bin/env python3
"""End-to-end checks of several copies of lensoro.exe working together under
Wine on Xvfb: the exclusion lists each copy gives its magnifier, closing,
which of two overlapping loupes is on top, and the file-name rule by which
a copy recognises the others.

    python3 tests/e2e/test_instances.py --build-dir build/mingw      # 32-bit, win32 prefix
    python3 tests/e2e/test_instances.py --build-dir build/mingw64    # 64-bit, win64 prefix

One Wine session for the class; its tests run in their numbered order
against the same running copies. Exits 77 (skipped) when the build or Wine
is missing.

The exclusion lists are read from the stand-in's log (one line per
MagSetWindowFilterList call, by Windows pid); the z-order from `lnsprobe
list`, which gives the top-level windows top first.
"""

import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_startup  # noqa: E402
from lnswine import StubLog, wait_for  # noqa: E402
from test_settings import write_utf16_ini  # noqa: E402
from test_startup import LOUPE_RECT  # noqa: E402

CONFIG = test_startup.CONFIG  # LoupeSession.out_path reads it
WS_EX_TOPMOST = 0x00000008
FILTER_LIST = re.compile(r"mode=(\d+) count=(\d+) list=\[([0-9A-Fa-fx,]*)\]")
# B starts 100 px right of and 50 px below A: they overlap, and each keeps
# a part the other does not cover, where a click reaches it.
B_OFFSET = (100, 50)
POINTER = (1100, 900)


def handle(value):
    return int(value, 16) if isinstance(value, str) else value


class InstancesTest(test_startup.LoupeSession):
    """A and B (lensoro.exe from two folders, overlapping), then M
    (mylensoro.exe) and C (lensoro.exe from a third folder)."""

    maxDiff = None

    @classmethod
    def setUpClass(cls):
        with cls.session_set_up() as s:
            s.xdotool("mousemove", *POINTER)
            cls.log = StubLog(os.path.join(s.root, "magstub.log"))
            cls.env = {"LENSORO_MAGSTUB_LOG": cls.log.path}
            cls.exe_a = os.path.join(s.install(cls.parts["dist"], "LensoroA"), "lensoro.exe")
            folder_b = s.install(cls.parts["dist"], "LensoroB")
            cls.exe_b = os.path.join(folder_b, "lensoro.exe")
            l, t, r, b = LOUPE_RECT
            cls.rect_b = [l + B_OFFSET[0], t + B_OFFSET[1], r + B_OFFSET[0], b + B_OFFSET[1]]
            write_utf16_ini(os.path.join(folder_b, "lensoro.ini"),
                            "[MainForm]\r\nLeft=%d\r\nTop=%d\r\n" % tuple(cls.rect_b[:2]))
            cls.procs, cls.loupes = {}, {}

    # --- helpers ---------------------------------------------------------------

    def start_copy(self, name, exe):
        process = self.session.start(exe, env=self.env)
        try:
            loupe = self.wait_loupe(exe, 20)
        except TimeoutError:
            self.fail("no loupe of %s; process %s, output: %s; dialogs: %r"
                      % (exe, "running" if process.running() else "ended with %r" % process.returncode,
                         process.output()[-500:], self.session.probe("dialogs")))
        self.procs[name], self.loupes[name] = process, loupe
        return loupe

    def need(self, *names):
        missing = [n for n in names if n not in self.loupes or not self.procs[n].running()]
        if missing:
            self.skipTest("copies not running (an earlier test failed): %s" % ", ".join(missing))

    def hwnd(self, name):
        return handle(self.loupes[name]["hwnd"])

    def filter_lists(self, name):
        """Every exclusion list copy `name` set since the log's mark, as
        loupe names (or hex handles for windows that are none of ours)."""
        pid = self.loupes[name]["pid"]
        names = {self.hwnd(n): n for n in self.loupes}
        lists = []
        for (p, _, args, result) in self.log.calls("MagSetWindowFilterList"):
            if p != pid:
                continue
            m = FILTER_LIST.search(args)
            self.assertTrue(m and result == "1", "filter-list call of %s: %s -> %s" % (name, args, result))
            self.assertEqual(m.group(1), "0", "filter mode of %s (0 = exclude)" % name)
            items = [int(h, 16) for h in m.group(3).split(",") if h]
            self.assertEqual(len(items), int(m.group(2)), "count and list of %s: %s" % (name, args))
            lists.append([names.get(h, "0x%08X" % h) for h in items])
        return lists

    def wait_latest_list(self, name, want, timeout=5):
        """Waits until the latest exclusion list of `name` is `want`."""
        try:
            wait_for(lambda: (self.filter_lists(name) or [None])[-1] == want, timeout, 0.1,
                     "exclusion list %r of %s" % (want, name))
        except TimeoutError:
            self.fail("latest exclusion list of %s is not %r; its lists since the mark: %r"
                      % (name, want, self.filter_lists(name)))

    def z_order(self, *names):
        """The names in EnumWindows order (top first), with each one's topmost flag."""
        by_hwnd = {self.hwnd(n): n for n in names}
        return [(by_hwnd[handle(w["hwnd"])], bool(int(w["exstyle"], 16) & WS_EX_TOPMOST))
                for w in self.session.loupes() if handle(w["hwnd"]) in by_hwnd]

    def wait_on_top(self, top, below, timeout=3):
        """Waits until `top` lies above `below`, top-most, and `below` is not."""
        want = [(top, True), (below, False)]
        try:
            wait_for(lambda: self.z_order(top, below) == want, timeout, 0.2, "%s above %s" % (top, below))
        except TimeoutError:
            self.fail("z-order (top first, with the top-most flag) is %r, not %r"
                      % (self.z_order(top, below), want))
        # And it stays so over further ticks (50 ms each).
        time.sleep(0.4)
        self.assertEqual(self.z_order(top, below), want, "z-order a few ticks later")

    def click(self, x, y):
        self.session.xdotool("mousemove", x, y)
        time.sleep(0.1)
        self.session.xdotool("click", 1)
        self.session.xdotool("mousemove", *POINTER)

    # --- the tests -----------------------------------------------------------------

    def test_1_each_exclusion_list_holds_both_loupes_own_first(self):
        self.log.mark()
        self.start_copy("A", self.exe_a)
        self.wait_latest_list("A", ["A"])
        self.start_copy("B", self.exe_b)
        self.assertEqual(self.loupes["B"]["rect"], self.rect_b)
        self.wait_latest_list("B", ["B", "A"])
        self.wait_latest_list("A", ["A", "B"])
        self.assertEqual(self.filter_lists("B")[0], ["B"], "B's first list, before it looked for the others")

    def test_2_newer_overlapping_loupe_starts_on_top(self):
        self.need("A", "B")
        self.wait_on_top("B", "A")

    def test_3_activated_loupe_goes_on_top(self):
        self.need("A", "B")
        a, b = self.loupes["A"]["rect"], self.rect_b
        # On the magnified images, where the other loupe does not reach.
        self.click(a[0] + 40, a[1] + 25)
        self.wait_on_top("A", "B")
        self.click(b[2] - 40, b[3] - 25)
        self.wait_on_top("B", "A")

    def test_4_closing_one_takes_it_out_of_the_others_list(self):
        self.need("A", "B")
        self.log.mark()
        self.close_and_wait(self.loupes["B"], self.procs["B"], "send")
        self.wait_latest_list("A", ["A"])
        lists = self.filter_lists("A")
        self.assertEqual(lists[0], ["A"], "A's next exclusion list after B closed; all since: %r" % lists)
        # Where Wine reports Windows 7, B's closing also has A rebuild its
        # magnifier a second later; the new one must not bring B back.
        try:
            wait_for(lambda: len(self.filter_lists("A")) > 1, 2.5, 0.1, "A's rebuilt magnifier")
        except TimeoutError:
            pass
        lists = self.filter_lists("A")
        self.assertTrue(all(x == ["A"] for x in lists), "A's exclusion lists since B closed: %r" % lists)
        self.assertTrue(self.procs["A"].running(), "A ended with B")

    def test_5_file_name_rule_is_one_way(self):
        # A copy lists another when the other's path contains its own file
        # name: lensoro.exe finds mylensoro.exe, not the other way round.
        self.need("A")
        s = self.session
        exe_m = os.path.join(s.install(self.parts["dist"], "LensoroM"), "lensoro.exe")
        os.rename(exe_m, os.path.join(os.path.dirname(exe_m), "mylensoro.exe"))
        exe_m = os.path.join(os.path.dirname(exe_m), "mylensoro.exe")
        exe_c = os.path.join(s.install(self.parts["dist"], "LensoroC"), "lensoro.exe")

        self.log.mark()
        self.start_copy("M", exe_m)
        self.wait_latest_list("M", ["M"])
        time.sleep(0.5)  # what A would do on hearing of M has had its time
        self.assertEqual([x for x in self.filter_lists("A") if "M" in x], [],
                         "A (lensoro.exe) listed M, which never announced itself to it")
        self.assertEqual(self.filter_lists("M"), [["M"]], "exclusion lists of M (mylensoro.exe) beside A")

        self.start_copy("C", exe_c)
        try:
            wait_for(lambda: (self.filter_lists("C") or [[]])[-1][:1] == ["C"]
                     and sorted(self.filter_lists("C")[-1]) == ["A", "C", "M"], 5, 0.1, "C's list")
        except TimeoutError:
            self.fail("C (lensoro.exe) does not list A and M after itself: %r" % self.filter_lists("C"))
        # C announced itself to both: each adds C after its own loupe.
        self.wait_latest_list("A", ["A", "C"])
        self.wait_latest_list("M", ["M", "C"])
        self.assertEqual([x for x in self.filter_lists("M") if "A" in x], [], "M listed A")
        # All three at the designed place: the newest is on top, and it
        # told the two it found to give up the top.
        def c_on_top():
            z = self.z_order("A", "M", "C")
            return z[:1] == [("C", True)] and sorted(z[1:]) == [("A", False), ("M", False)]
        try:
            wait_for(c_on_top, 3, 0.2, "C on top")
        except TimeoutError:
            self.fail("z-order (top first, with the top-most flag) is %r, not C on top of A and M, neither "
                      "top-most" % self.z_order("A", "M", "C"))
        for name in ("A", "M", "C"):
            self.assertTrue(self.procs[name].running(), "%s ended" % name)
        self.assertEqual(s.probe("dialogs"), [], "a message box appeared")


def main():
    return test_startup.run_suite(__doc__, InstancesTest)


if __name__ == "__main__":
    sys.exit(main())
