#!/usr/bin/env python3
"""End-to-end checks of the settings file and the default language file,
with lensoro.exe under Wine on Xvfb.

    python3 tests/e2e/test_settings.py --build-dir build/mingw      # 32-bit, win32 prefix
    python3 tests/e2e/test_settings.py --build-dir build/mingw64    # 64-bit, win64 prefix

One Wine session for the class; its tests run in their numbered order, each
starting and closing its own copy. Exits 77 (skipped) when the build or Wine
is missing.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_startup  # noqa: E402
from lnswine import StubLog, unix_to_windows, wait_for  # noqa: E402
from test_startup import LOUPE_RECT  # noqa: E402

CONFIG = test_startup.CONFIG  # LoupeSession.out_path reads it
HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_LANG = os.path.join(HERE, "..", "data", "DefaultLang.lang")
LANG_NAME = "LN日本語_かな.lang"
BOM = b"\xff\xfe"
WM_COMMAND = 0x0111
IDOK = 1
# Far from every loupe of these tests: a pointer-mode source would sit here.
POINTER = (1100, 900)

# The edited settings: window mode, grey, 3.5x, a frame of 6, another place.
EDIT_RECT = [100, 150, 500, 450]
EDIT_FRAME = 6
EDIT_RATE = 3.5
GREY_5 = ("[0.298912,0.298912,0.298912,0,0;0.586611,0.586611,0.586611,0,0;"
          "0.114478,0.114478,0.114478,0,0;0,0,0,1,0;0,0,0,0,1]")


def first_run_text(folder, rect=LOUPE_RECT):
    """The text of the settings file a first run leaves behind, after FF FE."""
    left, top, right, bottom = rect
    lang = unix_to_windows(os.path.join(folder, "Lang", LANG_NAME))
    return ("[Language]\r\nLangFileName=%s\r\n\r\n"
            "[MainForm]\r\nLeft=%d\r\nTop=%d\r\nWidth=%d\r\nHeight=%d\r\n\r\n"
            "[Loupe]\r\nIsSilentMode=0\r\nTrayIconIndex=0\r\nLoupeMode=0\r\nLoupeRate=2\r\nLoupeSrcOrigin=0\r\n"
            "LoupeColorMode=0\r\nFrameWidth=4\r\n"
            "ActivePointerModeFrameColor=$0000FF00\r\nInactivePointerModeFrameColor=$00CCFFCC\r\n"
            "ActiveWindowModeFrameColor=$00FFFF00\r\nInactiveWindowModeFrameColor=$00FFFFCC\r\n\r\n"
            "[ShortCut]\r\nActPopMinimizeAndRestore=0,\r\n\r\n"
            % (lang, left, top, right - left, bottom - top))


def write_utf16_ini(path, text):
    """A settings file as the program writes it: FF FE, UTF-16 LE."""
    with open(path, "wb") as f:
        f.write(BOM + text.encode("utf-16-le"))


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def ini_sections(text):
    """[(section, [(key, value), ...]), ...] in file order."""
    out = []
    for line in text.split("\r\n"):
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            out.append((line[1:-1], []))
        elif "=" in line and out:
            key, value = line.split("=", 1)
            out[-1][1].append((key, value))
    return out


class SettingsTest(test_startup.LoupeSession):
    """A first run, an edited file, a file saved as UTF-8 and one from a
    monitor that is gone, each run started and closed with WM_CLOSE in a
    folder of its own."""

    maxDiff = None

    @classmethod
    def setUpClass(cls):
        with cls.session_set_up():
            cls.session.xdotool("mousemove", *POINTER)
            cls.log = StubLog(os.path.join(cls.session.root, "magstub.log"))
            cls.env = {"LENSORO_MAGSTUB_LOG": cls.log.path}
            cls.folder = cls.session.install(cls.parts["dist"], "Settings")
            cls.exe = os.path.join(cls.folder, "lensoro.exe")
            cls.ini = os.path.join(cls.folder, "lensoro.ini")

    def start_copy(self, exe):
        """Starts exe with the stand-in's log; returns (process, loupe)."""
        self.log.mark()
        process = self.session.start(exe, env=self.env)
        try:
            loupe = self.wait_loupe(exe, 20)
        except TimeoutError:
            self.fail("no loupe of %s; process %s, output: %s; dialogs: %r"
                      % (exe, "running" if process.running() else "ended with %r" % process.returncode,
                         process.output()[-500:], self.session.probe("dialogs")))
        return process, loupe

    def calls_of(self, pid, name):
        return [(a, r) for (p, _, a, r) in self.log.calls(name) if p == pid]

    def wait_first_source(self, pid):
        return wait_for(lambda: self.calls_of(pid, "MagSetWindowSource"), 5, 0.1,
                        "a MagSetWindowSource call of pid %d" % pid)

    def assert_ini_file(self, path, expected_text):
        data = read_bytes(path)
        self.assertEqual(data[:2], BOM, "settings file does not start with FF FE: %r" % data[:8])
        text = data[2:].decode("utf-16-le")
        self.assertEqual([s for s, _ in ini_sections(text)], ["Language", "MainForm", "Loupe", "ShortCut"],
                         "sections of %s" % path)
        self.assertEqual(text, expected_text, "content of %s" % path)
        # Each copy's temporary carries its process id: path + ".<pid>.tmp".
        left = [n for n in os.listdir(os.path.dirname(path))
                if n.startswith(os.path.basename(path) + ".") and n.endswith(".tmp")]
        self.assertEqual(left, [], "a temporary file was left beside %s" % path)

    def test_1_first_run_writes_language_file_and_settings_at_exit(self):
        lang = os.path.join(self.folder, "Lang", LANG_NAME)
        shipped = os.listdir(os.path.join(self.folder, "Lang"))
        self.assertNotIn(LANG_NAME, shipped, "the default file is shipped")
        process, loupe = self.start_copy(self.exe)
        self.assertEqual(loupe["rect"], LOUPE_RECT)
        # Written at start, before any save.
        wait_for(lambda: os.path.exists(lang), 5, 0.1, "the default language file")
        self.assertEqual(read_bytes(lang), read_bytes(DEFAULT_LANG), "default language file differs from the copy "
                         "in tests/data")
        self.assertEqual(sorted(os.listdir(os.path.join(self.folder, "Lang"))), sorted(shipped + [LANG_NAME]))
        self.assertFalse(os.path.exists(self.ini), "settings file written before the exit")
        self.close_and_wait(loupe, process, "send")
        self.assert_ini_file(self.ini, first_run_text(self.folder))

    def test_2_edited_settings_are_what_the_restarted_loupe_shows(self):
        if not os.path.exists(self.ini):
            self.skipTest("no settings file from the first run")  # test_1 failed on that
        text = read_bytes(self.ini)[2:].decode("utf-16-le")
        left, top, right, bottom = EDIT_RECT
        edits = [("Left=243\r\n", "Left=%d\r\n" % left), ("Top=478\r\n", "Top=%d\r\n" % top),
                 ("Width=268\r\n", "Width=%d\r\n" % (right - left)),
                 ("Height=220\r\n", "Height=%d\r\n" % (bottom - top)),
                 ("LoupeMode=0\r\n", "LoupeMode=1\r\n"), ("LoupeRate=2\r\n", "LoupeRate=3.5\r\n"),
                 ("LoupeColorMode=0\r\n", "LoupeColorMode=2\r\n"),
                 ("FrameWidth=4\r\n", "FrameWidth=%d\r\nMyOwnKey=stays here\r\n" % EDIT_FRAME)]
        for old, new in edits:
            self.assertEqual(text.count(old), 1, "%r in the first-run file" % old)
            text = text.replace(old, new)
        write_utf16_ini(self.ini, text)

        process, loupe = self.start_copy(self.exe)
        pid = loupe["pid"]
        self.assertEqual(loupe["rect"], EDIT_RECT, "loupe rectangle from the edited file")
        mags = self.magnifier_children(loupe)
        self.assertEqual(len(mags), 1, "Magnifier children: %r" % mags)
        inner_w, inner_h = right - left - 2 * EDIT_FRAME, bottom - top - 2 * EDIT_FRAME
        self.assertEqual(mags[0]["client_pos"], [EDIT_FRAME, EDIT_FRAME, inner_w, inner_h])
        mag = "hwnd=%s" % mags[0]["hwnd"]

        sources = self.wait_first_source(pid)
        self.assertIn(("%s m=[3.5,0,0;0,3.5,0;0,0,1]" % mag, "1"), self.calls_of(pid, "MagSetWindowTransform"))
        effects = self.calls_of(pid, "MagSetColorEffect")
        self.assertTrue(effects, "no MagSetColorEffect call of pid %d" % pid)
        self.assertEqual(effects[-1], ("%s m=%s" % (mag, GREY_5), "1"), "latest colour effect")
        # Window mode, top-left origin: the source is the area under the
        # image, inner size / 3.5 rounded (388 / 3.5 = 110.9, 288 / 3.5 = 82.3).
        src_l, src_t = left + EDIT_FRAME, top + EDIT_FRAME
        want = "%s rect=(%d,%d,%d,%d)" % (mag, src_l, src_t, src_l + round(inner_w / EDIT_RATE),
                                         src_t + round(inner_h / EDIT_RATE))
        self.assertEqual(sources[-1], (want, "1"), "source of the window-mode loupe (pointer at %r)" % (POINTER,))

        self.close_and_wait(loupe, process, "send")
        # Saved as read, the unknown key in its place.
        self.assert_ini_file(self.ini, text)

    def test_3_settings_file_in_utf8_is_read_and_saved_back_as_utf16(self):
        folder = self.session.install(self.parts["dist"], "SettingsUtf8")
        exe, ini = os.path.join(folder, "lensoro.exe"), os.path.join(folder, "lensoro.ini")
        # As Notepad saves it: UTF-8 with its mark.
        left, top, right, bottom = EDIT_RECT
        original = ("\ufeff[MainForm]\r\nLeft=%d\r\nTop=%d\r\nWidth=%d\r\nHeight=%d\r\n"
                    "[Loupe]\r\nLoupeRate=3.5\r\nFrameWidth=%d\r\nNotiz=größer\r\n"
                    % (left, top, right - left, bottom - top, EDIT_FRAME)).encode("utf-8")
        with open(ini, "wb") as f:
            f.write(original)

        process, loupe = self.start_copy(exe)
        pid = loupe["pid"]
        self.assertEqual(loupe["rect"], EDIT_RECT, "loupe rectangle from the UTF-8 file")
        mags = self.magnifier_children(loupe)
        inner_w, inner_h = right - left - 2 * EDIT_FRAME, bottom - top - 2 * EDIT_FRAME
        self.assertEqual([m["client_pos"] for m in mags], [[EDIT_FRAME, EDIT_FRAME, inner_w, inner_h]])
        self.wait_first_source(pid)
        self.assertIn(("hwnd=%s m=[3.5,0,0;0,3.5,0;0,0,1]" % mags[0]["hwnd"], "1"),
                      self.calls_of(pid, "MagSetWindowTransform"))
        self.assertEqual([d for d in self.session.probe("dialogs") if d["pid"] == pid], [], "a message box at start")
        self.assertEqual(read_bytes(ini), original, "settings file changed while running")

        # The exit save writes UTF-16 LE with its mark, with the user's values
        # and key, and keeps nothing aside: nothing was lost.
        self.close_and_wait(loupe, process, "post")
        data = read_bytes(ini)
        self.assertEqual(data[:2], BOM, "saved settings file does not start with FF FE: %r" % data[:8])
        text = data[2:].decode("utf-16-le")
        for line in ("Left=%d" % left, "Width=%d" % (right - left), "LoupeRate=3.5", "FrameWidth=%d" % EDIT_FRAME,
                     "Notiz=größer"):
            self.assertIn("\r\n%s\r\n" % line, text, "saved settings file")
        self.assertFalse(os.path.exists(ini + ".bak"), "a UTF-8 file was kept aside")

    def test_4_settings_from_an_unplugged_monitor_bring_the_loupe_onto_the_screen(self):
        folder = self.session.install(self.parts["dist"], "SettingsOffScreen")
        exe, ini = os.path.join(folder, "lensoro.exe"), os.path.join(folder, "lensoro.ini")
        # Beyond the right and bottom edges of the one 1280 x 1024 screen.
        write_utf16_ini(ini, "[MainForm]\r\nLeft=3000\r\nTop=2000\r\nWidth=300\r\nHeight=240\r\n")
        process, loupe = self.start_copy(exe)
        left, top, right, bottom = loupe["rect"]
        width, height = self.session.width, self.session.height
        self.assertEqual((right - left, bottom - top), (300, 240), "loupe size: %r" % loupe["rect"])
        self.assertTrue(0 <= left and right <= width and 0 <= top and bottom <= height,
                        "loupe %r not whole on the %d x %d screen" % (loupe["rect"], width, height))
        # Moved no further than onto the screen: into its bottom right corner.
        self.assertEqual((right, bottom), (width, height), "loupe %r" % loupe["rect"])
        self.session.screenshot(self.out_path("settings-offscreen.png"))
        self.close_and_wait(loupe, process, "send")
        text = read_bytes(ini)[2:].decode("utf-16-le")
        self.assertIn("\r\nLeft=%d\r\nTop=%d\r\n" % (left, top), text, "saved place")

def main():
    return test_startup.run_suite(__doc__, SettingsTest)


if __name__ == "__main__":
    sys.exit(main())
