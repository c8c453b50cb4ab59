#!/usr/bin/env python3
"""End-to-end checks of hostile files with lensoro.exe under Wine on Xvfb:
a read-only program folder, a file named Lang, a settings file another
program holds open, and a language file of 100 MB.

    python3 tests/e2e/test_hostile.py --build-dir build/mingw      # 32-bit, win32 prefix

Each case starts its own copy in a folder of its own, answers the message
boxes it shows, checks that the loupe runs, closes it and compares the
user's files byte for byte. The read-only folder is a read-only bind mount
(root only); without it that case is skipped with the reason. Exits 77
(skipped) when the build or Wine is missing.
"""

import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_startup  # noqa: E402
from lnswine import StubLog, unix_to_windows, wait_for  # noqa: E402
from test_settings import BOM, IDOK, LANG_NAME, POINTER, WM_COMMAND, read_bytes  # noqa: E402
from test_startup import LOUPE_RECT, WM_CLOSE  # noqa: E402

CONFIG = test_startup.CONFIG  # LoupeSession.out_path reads it
# The user's settings: another place and frame than a first run's.
USER_RECT = [100, 150, 500, 450]
USER_INI = BOM + ("[MainForm]\r\nLeft=100\r\nTop=150\r\nWidth=400\r\nHeight=300\r\n\r\n"
                  "[Loupe]\r\nFrameWidth=6\r\nLoupeRate=3.5\r\n; my note\r\nMine=1\r\n").encode("utf-16-le")
BIG_LANG_BYTES = 100 * 1024 * 1024


def run_root(*args):
    """A mount command; (ok, its error text)."""
    try:
        r = subprocess.run(list(args), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           timeout=20)
    except (OSError, subprocess.TimeoutExpired) as e:
        return False, str(e)
    return r.returncode == 0, r.stderr.decode(errors="replace").strip()


class HostileFilesTest(test_startup.LoupeSession):
    """Four folders, four copies, one Wine session."""

    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.open_session()
        # The stand-in's log shows each copy tracking.
        cls.log = StubLog(os.path.join(cls.session.root, "magstub.log"))
        cls.env = {"LENSORO_MAGSTUB_LOG": cls.log.path}
        try:
            cls.session.xdotool("mousemove", *POINTER)  # far from every loupe
        except BaseException:
            cls.session.close()
            raise

    def install(self, name):
        folder = self.session.install(self.parts["dist"], name)
        return folder, os.path.join(folder, "lensoro.exe"), os.path.join(folder, "lensoro.ini")

    def boxes_of(self, pid):
        return [d for d in self.session.probe("dialogs") if d["pid"] == pid and d["visible"]]

    def answer_box(self, process, expected_start, what):
        """Waits for the copy's one message box, checks its text and answers
        it with OK; returns the text."""
        # The Windows pid is only known from a window; the loupe exists
        # (hidden) before any box can be shown.
        loupe = wait_for(lambda: self.loupes_of(process.exe), 20, 0.3, "the loupe window of %s" % process.exe)[0]
        boxes = wait_for(lambda: self.boxes_of(loupe["pid"]), 20, 0.3, "a message box: %s" % what)
        self.assertEqual(len(boxes), 1, "message boxes at once: %r" % boxes)
        text = "\n".join(boxes[0]["texts"])
        self.assertTrue(text.startswith(expected_start), "box text %r, expected it to start with %r"
                        % (text, expected_start))
        r = self.session.probe("send", boxes[0]["hwnd"], WM_COMMAND, IDOK, 0)
        self.assertTrue(r and r[0]["ok"], "answering the box failed: %r" % r)
        wait_for(lambda: not self.boxes_of(loupe["pid"]), 10, 0.3, "the box closed")
        return text

    def wait_running_loupe(self, process):
        """The loupe shown and tracking: the stand-in gets a source."""
        loupe = self.wait_loupe(process.exe, 20)
        pid = loupe["pid"]
        wait_for(lambda: [c for c in self.log.calls("MagSetWindowSource") if c[0] == pid], 10, 0.2,
                 "a MagSetWindowSource call of pid %d" % pid)
        self.assertTrue(process.running(), "the copy ended")
        return loupe

    def assert_no_more_boxes(self, pid, seconds=1.5):
        time.sleep(seconds)
        self.assertEqual(self.boxes_of(pid), [], "a further message box")

    def test_1_read_only_program_folder(self):
        if os.geteuid() != 0:
            self.skipTest("a read-only bind mount needs root")
        folder, exe, ini = self.install("ReadOnly")
        with open(ini, "wb") as f:
            f.write(USER_INI)
        before = sorted(os.listdir(folder))
        ok, err = run_root("mount", "--bind", folder, folder)
        if not ok:
            self.skipTest("mount --bind refused: %s" % err)
        try:
            ok, err = run_root("mount", "-o", "remount,ro,bind", folder)
            if not ok:
                self.skipTest("remount read-only refused: %s" % err)
            self.assertFalse(os.access(folder, os.W_OK) and self._can_write(folder), "the folder is still writable")
            self.log.mark()
            process = self.session.start(exe, env=self.env)
            # The shipped Lang folder is there; the default file cannot be written into it.
            self.answer_box(process, "ぽてりんは言語ファイルを書き込めません: [%s]"
                            % unix_to_windows(os.path.join(folder, "Lang", LANG_NAME)),
                            "the default language file cannot be written")
            loupe = self.wait_running_loupe(process)
            self.assertEqual(loupe["rect"], USER_RECT, "the user's settings were read")
            self.assert_no_more_boxes(loupe["pid"])
            # The exit save cannot write: told once, then the copy ends.
            r = self.session.probe("post", loupe["hwnd"], WM_CLOSE, 0, 0)
            self.assertTrue(r and r[0]["ok"], "post WM_CLOSE failed: %r" % r)
            self.answer_box(process, "ぽてりんは設定を保存できません: [%s]" % unix_to_windows(ini),
                            "the settings cannot be saved")
            self.assertEqual(process.wait(20), 0, "exit code; output: %s" % process.output()[-500:])
            self.assertEqual(read_bytes(ini), USER_INI, "the settings file changed")
            self.assertEqual(sorted(os.listdir(folder)), before, "what the run left in the folder")
        finally:
            ok, err = run_root("umount", folder)
            if not ok:
                run_root("umount", "-l", folder)

    @staticmethod
    def _can_write(folder):
        probe = os.path.join(folder, ".write-test")
        try:
            with open(probe, "wb"):
                pass
            os.remove(probe)
            return True
        except OSError:
            return False

    def test_2_a_file_named_lang(self):
        folder, exe, ini = self.install("LangIsAFile")
        notes = os.path.join(folder, "Lang")
        shutil.rmtree(notes)  # the shipped folder, replaced by the user's file
        with open(notes, "wb") as f:
            f.write(b"my notes, not a folder\r\n")
        self.log.mark()
        process = self.session.start(exe, env=self.env)
        self.answer_box(process, "Lensoro cannot make directory: [%s\\]" % unix_to_windows(notes),
                        "the Lang folder cannot be made")
        loupe = self.wait_running_loupe(process)
        self.assertEqual(loupe["rect"], LOUPE_RECT)
        beside = os.path.join(folder, LANG_NAME)
        wait_for(lambda: os.path.exists(beside), 5, 0.2, "the default language file beside the exe")
        self.assert_no_more_boxes(loupe["pid"])
        self.close_and_wait(loupe, process, "send")
        self.assertEqual(read_bytes(notes), b"my notes, not a folder\r\n", "the file named Lang changed")
        text = read_bytes(ini)[2:].decode("utf-16-le")
        self.assertIn("LangFileName=%s\r\n" % unix_to_windows(beside), text)

    def test_3_settings_file_held_by_another_program(self):
        folder, exe, ini = self.install("Locked")
        with open(ini, "wb") as f:
            f.write(USER_INI)
        holder = self.session.start(self.parts["probe"], args=["lock", unix_to_windows(ini), "60"])
        try:
            wait_for(lambda: '"locked":true' in holder.output(), 15, 0.2, "the probe holding the settings file")
            self.log.mark()
            process = self.session.start(exe, env=self.env)
            text = self.answer_box(process, "ぽてりんは設定ファイルを読み込めません: [%s]" % unix_to_windows(ini),
                                   "the settings file cannot be read")
            self.assertIn("設定は保存しません", text)
            loupe = self.wait_running_loupe(process)
            self.assertEqual(loupe["rect"], LOUPE_RECT, "the defaults while the file is held")
            # Closing ends the copy without a second box and without a save.
            self.close_and_wait(loupe, process, "send")
            self.assertEqual(self.boxes_of(loupe["pid"]), [])
        finally:
            holder.kill()
        self.assertEqual(read_bytes(ini), USER_INI, "the settings file changed")
        self.assertEqual(sorted(f for f in os.listdir(folder) if f.startswith("lensoro.ini")), ["lensoro.ini"])

    def test_4_language_file_of_100_mb(self):
        folder, exe, ini = self.install("BigLang")
        lang_dir = os.path.join(folder, "Lang")
        os.makedirs(lang_dir, exist_ok=True)
        big = os.path.join(lang_dir, "Big.lang")
        head = BOM + "[MainForm]\r\nActPopQuit.Caption=Quit\r\n".encode("utf-16-le")
        with open(big, "wb") as f:
            f.write(head)
            f.truncate(BIG_LANG_BYTES)  # sparse: no 100 MB on the disk
        with open(ini, "wb") as f:
            f.write(BOM + ("[Language]\r\nLangFileName=%s\r\n" % unix_to_windows(big)).encode("utf-16-le"))
        self.log.mark()
        t0 = time.monotonic()
        process = self.session.start(exe, env=self.env)
        self.answer_box(process, "ぽてりんは言語ファイルを読み込めません: [%s] (1 MB より大きいファイルです)"
                        % unix_to_windows(big), "the language file is too large")
        CONFIG["timings"]["100 MB file to its message"] = round(time.monotonic() - t0, 1)
        loupe = self.wait_running_loupe(process)
        self.assert_no_more_boxes(loupe["pid"])
        self.close_and_wait(loupe, process, "send")
        self.assertEqual(os.path.getsize(big), BIG_LANG_BYTES)
        with open(big, "rb") as f:
            self.assertEqual(f.read(len(head)), head, "the language file changed")
        text = read_bytes(ini)[2:].decode("utf-16-le")
        self.assertIn("LangFileName=%s\r\n" % unix_to_windows(big), text, "the user's choice of language was lost")


def main():
    return test_startup.run_suite(__doc__, HostileFilesTest)


if __name__ == "__main__":
    sys.exit(main())
