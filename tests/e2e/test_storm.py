#!/usr/bin/env python3
"""End-to-end check of messages from outside: `lnsprobe storm` sends two
running copies of lensoro.exe under Wine every instance code with every kind
of WParam, UM_MAGNOTIFY, foreign hot-key ids and foreign tray callbacks.

    python3 tests/e2e/test_storm.py --build-dir build/mingw      # 32-bit, win32 prefix

Afterwards both copies answer, A still magnifies, A's latest exclusion list
(the stand-in's log) holds exactly A and B, no message box is up, and
quitting A from its menu still saves its settings. Exits 77 (skipped) when
the build or Wine is missing.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_startup  # noqa: E402
from lnswine import StubLog, wait_for  # noqa: E402
from test_instances import FILTER_LIST, handle  # noqa: E402
from test_settings import write_utf16_ini  # noqa: E402

CONFIG = test_startup.CONFIG
WM_NULL = 0x0000
SEED_A, SEED_B = 9, 10
INVERT_ITEM, QUIT_ITEM = 9, 20


class StormTest(test_startup.LoupeSession):
    """A and B (lensoro.exe from two folders, apart), the storm at A, then at B."""

    maxDiff = None

    @classmethod
    def setUpClass(cls):
        with cls.session_set_up() as s:
            s.xdotool("mousemove", 900, 200)
            cls.log = StubLog(os.path.join(s.root, "magstub.log"))
            cls.env = {"LENSORO_MAGSTUB_LOG": cls.log.path}
            cls.folder_a = s.install(cls.parts["dist"], "LensoroA")
            cls.exe_a = os.path.join(cls.folder_a, "lensoro.exe")
            folder_b = s.install(cls.parts["dist"], "LensoroB")
            cls.exe_b = os.path.join(folder_b, "lensoro.exe")
            write_utf16_ini(os.path.join(folder_b, "lensoro.ini"), "[MainForm]\r\nLeft=800\r\nTop=60\r\n")
            cls.proc_a = s.start(cls.exe_a, env=cls.env)
            cls.loupe_a = cls.wait_loupe(cls.exe_a, 20)
            cls.proc_b = s.start(cls.exe_b, env=cls.env)
            cls.loupe_b = cls.wait_loupe(cls.exe_b, 20)
            cls.names = {handle(cls.loupe_a["hwnd"]): "A", handle(cls.loupe_b["hwnd"]): "B"}

    def latest_list(self, loupe):
        """The handles of the last exclusion list this copy gave its magnifier."""
        calls = [c for c in self.log.calls("MagSetWindowFilterList") if c[0] == loupe["pid"]]
        if not calls:
            return None
        m = FILTER_LIST.search(calls[-1][2])
        self.assertTrue(m and calls[-1][3] == "1", "filter-list call: %r" % (calls[-1],))
        return [int(h, 16) for h in m.group(3).split(",") if h]

    def named(self, handles):
        return [self.names.get(h, "0x%08X" % h) for h in handles]

    def storm(self, loupe, seed, count, timeout, *flags):
        t0 = time.monotonic()
        lines = self.session.probe("storm", loupe["hwnd"], seed, count, *flags, timeout=timeout)
        CONFIG["timings"]["storm %s" % self.names[handle(loupe["hwnd"])]] = round(time.monotonic() - t0, 1)
        self.assertEqual(self.session.last_probe_returncode, 0, "storm output: %r" % lines)
        head = lines[0]
        kinds = {line["kind"]: line for line in lines[1:]}
        print("storm at %s: %s" % (self.names[handle(loupe["hwnd"])],
                                   ", ".join("%s sent %d answered %d timed out %d failed %d"
                                             % (k, v["sent"], v["answered"], v["timed_out"], v["failed"])
                                             for k, v in kinds.items())))
        return head, kinds

    def test_1_both_copies_list_each_other(self):
        a, b = self.loupe_a, self.loupe_b
        wait_for(lambda: self.named(self.latest_list(a) or []) == ["A", "B"], 5, 0.2, "A's list [A, B]")
        wait_for(lambda: self.named(self.latest_list(b) or []) == ["B", "A"], 5, 0.2, "B's list [B, A]")

    def test_2_storm_changes_nothing_that_matters(self):
        s, a, b = self.session, self.loupe_a, self.loupe_b
        self.log.mark()
        head, kinds = self.storm(a, SEED_A, 24, 120)
        # The probe found what it was to name: B, the tray window, a decoy.
        self.assertEqual([handle(h) for h in head["peers"]], [handle(b["hwnd"])])
        self.assertNotEqual(handle(head["tray"]), 0, "A's tray window")
        self.assertTrue(kinds["total"]["alive"])
        self.assertEqual(kinds["UM_LOUPENOTIFY"]["sent"], 16 * (len(head["named"]) + 3 + 24))
        self.assertEqual(kinds["tray"]["sent"], 32767 - 1023 + 1)
        self.assertEqual(kinds["total"]["failed"], 0, "sends that failed outright: %r" % kinds)
        # Most are answered at once; only those that reach A while it waits
        # to rebuild its magnifier may time out.
        self.assertGreater(kinds["total"]["answered"], kinds["total"]["sent"] * 0.9)
        # B briefly: its tray icon is the same component as A's.
        head_b, kinds_b = self.storm(b, SEED_B, 2, 60, "notray")
        self.assertTrue(kinds_b["total"]["alive"])

        for name, loupe, proc in (("A", a, self.proc_a), ("B", b, self.proc_b)):
            self.assertTrue(proc.running(), "%s ended; output: %s" % (name, proc.output()[-500:]))
            r = s.probe("send", loupe["hwnd"], WM_NULL, 0, 0)
            self.assertTrue(r and r[0]["ok"], "%s does not answer WM_NULL: %r" % (name, r))
        # A loupe named as closing by a stranger is listed again after a
        # grace of 2 s; nothing the storm named besides them is.
        stormed = {handle(h) for h in head["named"] + head_b["named"]} - set(self.names)
        try:
            wait_for(lambda: self.named(self.latest_list(a) or []) == ["A", "B"], 6, 0.2, "A's list [A, B]")
        except TimeoutError:
            self.fail("A's latest exclusion list is %r, not [A, B]" % self.named(self.latest_list(a) or []))
        self.assertEqual(set(self.latest_list(a)) & stormed, set())
        wait_for(lambda: self.named(self.latest_list(b) or []) == ["B", "A"], 6, 0.2, "B's list [B, A]")
        # Still magnifying: sources keep coming after the storm.
        self.log.mark()
        time.sleep(1.0)
        sources = [c for c in self.log.calls("MagSetWindowSource") if c[0] == a["pid"]]
        self.assertGreater(len(sources), 5, "A's MagSetWindowSource calls in the second after the storm")
        self.assertEqual(s.probe("dialogs"), [], "a message box appeared")
        self.assertEqual([w["visible"] for w in self.loupes_of(self.exe_a)], [True], "A's loupe")

    def test_3_quit_from_the_menu_still_saves(self):
        if not self.proc_a.running():
            self.skipTest("A is not running")
        r = self.loupe_a["rect"]
        items = self.open_menu(r[0] + 60, r[1] + 60)
        self.pick(items, INVERT_ITEM)
        items = self.open_menu(r[0] + 60, r[1] + 60)
        self.log.mark()
        self.pick(items, QUIT_ITEM)
        self.assertEqual(self.proc_a.wait(20), 0, "exit code of A after the quit command (None = still running)")
        with open(os.path.join(self.folder_a, "lensoro.ini"), "rb") as f:
            data = f.read()
        self.assertEqual(data[:2], b"\xff\xfe")
        self.assertIn("\r\nLoupeColorMode=1\r\n", data[2:].decode("utf-16-le"))
        self.assertTrue(self.proc_b.running(), "B ended with A")
        wait_for(lambda: self.named(self.latest_list(self.loupe_b) or []) == ["B"], 5, 0.2, "B's list [B]")
        # A's own closing is not taken for a stranger's: past the 2 s grace
        # B has not listed A again.
        time.sleep(3.0)
        lists = [self.named([int(h, 16) for h in FILTER_LIST.search(c[2]).group(3).split(",") if h])
                 for c in self.log.calls("MagSetWindowFilterList") if c[0] == self.loupe_b["pid"]]
        self.assertTrue(lists and all(x == ["B"] for x in lists), "B's exclusion lists since A quit: %r" % lists)


def main():
    return test_startup.run_suite(__doc__, StormTest)


if __name__ == "__main__":
    sys.exit(main())
