#!/usr/bin/env python3
"""End-to-end check that a magnification.dll dropped beside lensoro.exe
never runs, under Wine on Xvfb.

    python3 tests/e2e/test_planted.py --build-dir build/mingw64

The planted DLL (tools/planted) writes planted-dllmain.txt beside itself
from its DllMain. The loupe must magnify through the stand-in in the
prefix's system folder with the planted DLL beside it; with no DLL in the
system folder it must say that the magnifier cannot start, and still not
load the planted one. Exits 77 (skipped) when the build or Wine is missing.
"""

import argparse
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_startup  # noqa: E402
from lnswine import StubLog, wait_for  # noqa: E402
from test_startup import PATTERN, POINTER  # noqa: E402

CONFIG = test_startup.CONFIG  # LoupeSession.out_path reads it
MARKER = "planted-dllmain.txt"
WM_COMMAND, IDOK = 0x0111, 1
# The start-up's report of a failed MagInitialize, and the quit notice after it.
MAG_INITIALIZE_FAILED = "ウィンドウ クラス を とーろく できません: ("
QUIT_NOTICE = "ぽてりんを しゅーりょー します"


def planted_dll(build_dir):
    return os.path.join(build_dir, "wine", "planted", "magnification.dll")


class PlantedDllTest(test_startup.LoupeSession):
    """One folder with the planted DLL beside the exe, one Wine session."""

    @classmethod
    def setUpClass(cls):
        with cls.session_set_up() as s:
            s.show_pattern(*PATTERN)
            s.xdotool("mousemove", *POINTER)
            cls.folder = s.install(cls.parts["dist"], "Planted")
            cls.exe = os.path.join(cls.folder, "lensoro.exe")
            shutil.copy2(planted_dll(CONFIG["build_dir"]), os.path.join(cls.folder, "magnification.dll"))
            cls.stub = s.install_stub(cls.parts["stub"])
            cls.log = StubLog(os.path.join(s.root, "magstub.log"))
            cls.env = {"LENSORO_MAGSTUB_LOG": cls.log.path}

    def assert_planted_never_ran(self):
        self.assertFalse(os.path.exists(os.path.join(self.folder, MARKER)),
                         "the planted magnification.dll ran: %s was written" % MARKER)

    def test_1_magnifies_through_the_system_folder_s_dll(self):
        process = self.session.start(self.exe, env=self.env)
        try:
            loupe = self.wait_loupe(self.exe)
        finally:
            self.assert_planted_never_ran()
        pid = loupe["pid"]
        self.assertEqual(len(self.magnifier_children(loupe)), 1, "no Magnifier child")
        wait_for(lambda: [c for c in self.log.calls("MagSetWindowSource") if c[0] == pid and c[3] == "1"], 10, 0.2,
                 "a MagSetWindowSource call of pid %d" % pid)
        transforms = [c for c in self.log.calls("MagSetWindowTransform") if c[0] == pid]
        self.assertIn("1", [c[3] for c in transforms], "MagSetWindowTransform calls: %r" % transforms)
        time.sleep(0.5)  # a few frames of the magnifier
        self.session.screenshot(self.out_path("planted-%s.png" % self.arch))
        self.assert_planted_never_ran()
        self.close_and_wait(loupe, process, "post")
        self.assert_planted_never_ran()

    def test_2_without_the_system_s_dll_the_start_says_so(self):
        os.remove(self.stub)
        process = self.session.start(self.exe, env=self.env)
        loupe = wait_for(lambda: self.loupes_of(self.exe), 20, 0.3, "the loupe window")[0]
        answered = {}
        # The failed initialisation is reported, then the missing window
        # class of the magnifier child; each is answered.
        deadline = time.monotonic() + 30
        while process.running() and time.monotonic() < deadline:
            for box in self.session.probe("dialogs"):
                if box["pid"] == loupe["pid"] and box["visible"] and box["hwnd"] not in answered:
                    answered[box["hwnd"]] = "\n".join(box["texts"])
                    self.session.probe("send", box["hwnd"], WM_COMMAND, IDOK, 0)
            process.wait(0.3)
        texts = list(answered.values())
        self.assert_planted_never_ran()
        self.assertEqual(process.returncode, 0, "exit code; output: %s" % process.output()[-500:])
        self.assertTrue(texts, "no message box")
        self.assertTrue(texts[0].startswith(MAG_INITIALIZE_FAILED) and texts[0].endswith(QUIT_NOTICE),
                        "first box: %r" % texts[0])


def main():
    ap = argparse.ArgumentParser(add_help=False)
    ap.add_argument("--build-dir", required=True)
    planted = planted_dll(os.path.abspath(ap.parse_known_args()[0].build_dir))
    if not os.path.isfile(planted):
        print("SKIPPED: not built: %s" % planted)
        return test_startup.SKIP
    return test_startup.run_suite(__doc__, PlantedDllTest)


if __name__ == "__main__":
    sys.exit(main())
