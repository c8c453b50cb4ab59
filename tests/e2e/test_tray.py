#!/usr/bin/env python3
"""End-to-end checks of the tray icon, the popup menu and the global hot
key, with lensoro.exe under Wine on Xvfb.

    python3 tests/e2e/test_tray.py --build-dir build/mingw

One Wine session for the class; its tests run in their numbered order
against one running copy, started with Ctrl+Alt+L as its hot key. Menus are
opened with the real mouse (xdotool) and read with `lnsprobe menus`; items
are chosen as the keyboard does (`lnsprobe pick`). The hot key is pressed
with `xdotool key`, which Wine delivers as WM_HOTKEY. Last, a second start
is closed by a WM_CLOSE posted while its menu is open. Exits 77 (skipped)
when the build or Wine is missing.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_startup  # noqa: E402
from lnswine import wait_for  # noqa: E402
from test_startup import LOUPE_RECT  # noqa: E402

CONFIG = test_startup.CONFIG
BOM = b"\xff\xfe"
HOT_KEY = "76,Ctrl+Alt+"  # Ctrl+Alt+L as the settings file keeps it
SHORTCUT_TEXT = "\tCtrl+Alt+L"
# The menu with the default language file, pointer mode, original colours, 2.0x.
DEFAULT_ITEMS = [
    "タスク トレイに しまう" + SHORTCUT_TEXT, "-", "ポインター モード", "ウィンドウ モード", "-",
    "ズーム イン (-> 2.1x)", "ズーム アウト (-> 1.9x)", "-", "オリジナル", "はんてん", "グレー スケール", "-",
    "オプション(&O)", "ことば(&L)", "-", "リセット", "-", "ヘルプ(&H)", "バージョン じょーほー(&A)", "-",
    "しゅーりょー(&X)",
]
TRAY_CLASS, TRAY_ICON_CLASS = "__winex11_standalone_tray", "__winex11_tray_icon"


class TrayTest(test_startup.LoupeSession):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        with cls.session_set_up():
            cls.session.xdotool("mousemove", 900, 200)
            cls.folder = cls.session.install(cls.parts["dist"], "Tray")
            cls.exe = os.path.join(cls.folder, "lensoro.exe")
            cls.ini = os.path.join(cls.folder, "lensoro.ini")
            with open(cls.ini, "wb") as f:
                f.write(BOM + ("[ShortCut]\r\nActPopMinimizeAndRestore=%s\r\n" % HOT_KEY).encode("utf-16-le"))
            cls.icons_before = cls.tray_icons()
            cls.process = cls.session.start(cls.exe)
            cls.loupe = cls.wait_loupe(cls.exe, 30)

    @classmethod
    def tray_icons(cls):
        """The icons in Wine's own notification area window."""
        icons = []
        for w in cls.session.windows():
            if w["class"] == TRAY_CLASS:
                icons += [c for c in cls.session.probe("children", w["hwnd"]) if c["class"] == TRAY_ICON_CLASS]
        return icons

    def loupe_shown(self):
        found = self.loupes_of(self.exe)
        self.assertEqual(len(found), 1, "loupe windows of the copy: %r" % found)
        return found[0]["visible"]

    def wait_shown(self, shown, how):
        wait_for(lambda: self.loupe_shown() == shown, 5, 0.2, "the loupe %s after %s" % (
            "shown" if shown else "hidden", how))

    def test_1_tray_icon_is_added(self):
        self.assertEqual(self.icons_before, [], "tray icons before the start")
        icons = wait_for(self.tray_icons, 5, 0.3, "an icon in the notification area")
        self.assertEqual(len(icons), 1, "tray icons: %r" % icons)
        self.assertTrue(icons[0]["visible"])
        # The icon's callback window: hidden, of our process.
        own = [w for w in self.session.windows() if w["class"] == "TRsTrayIconWindow"]
        self.assertEqual([(w["pid"], w["visible"]) for w in own], [(self.loupe["pid"], False)])

    def test_2_context_menu_carries_the_default_captions_and_hides_the_loupe(self):
        r = self.loupe["rect"]
        self.assertEqual(r, LOUPE_RECT)
        items = self.open_menu(r[0] + 60, r[1] + 60)
        self.assertEqual(["-" if i["separator"] else i["text"] for i in items], DEFAULT_ITEMS)
        self.assertEqual([i["text"] for i in items if not i["separator"] and i["grayed"]], [], "disabled items")
        self.assertEqual([i["text"] for i in items if i["checked"]], ["ポインター モード", "オリジナル"])
        self.assertEqual([i["text"] for i in items if i["popup"]], ["ことば(&L)"])
        self.pick(items, 0)
        self.wait_shown(False, "the menu's hide command")

    def test_3_tray_icon_menu_restores_the_loupe(self):
        icon = wait_for(self.tray_icons, 5, 0.3, "the tray icon")[0]
        r = icon["rect"]
        items = self.open_menu((r[0] + r[2]) // 2, (r[1] + r[3]) // 2)
        self.assertEqual(items[0]["text"], "もとの サイズに もどす" + SHORTCUT_TEXT)
        self.pick(items, 0)
        self.wait_shown(True, "the tray menu's restore command")

    def hide_by_hot_key(self):
        s = self.session
        # The keyboard goes to the active Wine window: the loupe's.
        r = self.loupe["rect"]
        s.xdotool("mousemove", r[0] + 60, r[1] + 60)
        s.xdotool("click", 1)
        time.sleep(0.3)
        s.xdotool("key", "ctrl+alt+l")
        self.wait_shown(False, "Ctrl+Alt+L")

    def test_4_hot_key_hides_and_restores(self):
        s = self.session
        self.hide_by_hot_key()
        s.xdotool("key", "ctrl+alt+l")
        self.wait_shown(True, "Ctrl+Alt+L again")
        atoms = s.probe("atoms")
        self.assertEqual(len(atoms), 1, "hot-key atoms: %r" % atoms)
        self.assertEqual(len(atoms[0]["name"]), 17)

    def test_4b_second_start_restores_the_hidden_loupe(self):
        s = self.session
        r = self.loupe["rect"]
        self.hide_by_hot_key()
        second = s.start(self.exe)
        title = "Lensoro [Information]"
        boxes = wait_for(lambda: [d for d in s.probe("dialogs") if d["title"] == title], 20, 0.3, "the message box")
        self.assertIn("Lensoro is already running.", boxes[0]["texts"])
        answer = s.probe("answer", title)
        self.assertTrue(answer and answer[0].get("sent"), "answer: %r" % answer)
        self.assertEqual(second.wait(20), 0, "second copy's exit code (None = still running)")
        self.wait_shown(True, "a second start")
        loupe = wait_for(lambda: [w for w in self.loupes_of(self.exe) if w["foreground"]], 5, 0.2,
                         "the restored loupe in the foreground")[0]
        self.assertEqual(loupe["rect"], r)
        shot = s.screenshot(self.out_path("second-start-restored-%s.png" % self.arch))
        # On top of everything: its frame is drawn in the pointer mode's colour.
        frame = s.pixels().get(r[0] + 1, r[1] + 1)
        self.assertIn(frame, [(0, 255, 0), (204, 255, 204)], "frame pixel in " + shot)
        self.assertTrue(self.process.running(), "the first copy ended")

    def test_4c_a_second_folder_with_the_same_hot_key_is_told_beside_the_loupe(self):
        # The running loupe stays above every window: the second copy's
        # message must not lie under it.
        s = self.session
        folder = s.install(self.parts["dist"], "TraySameKey")
        exe, ini = os.path.join(folder, "lensoro.exe"), os.path.join(folder, "lensoro.ini")
        with open(ini, "wb") as f:
            f.write(BOM + ("[ShortCut]\r\nActPopMinimizeAndRestore=%s\r\n" % HOT_KEY).encode("utf-16-le"))
        second = s.start(exe)
        # In the default language, as the caption is.
        said = "ショートカットキー Ctrl+Alt+L は使えません: 別のプログラムが使っています。オプションで別のキーを選んでください。"
        box = wait_for(lambda: [d for d in s.probe("dialogs") if said in d["texts"]], 20, 0.3, "the hot-key message")[0]
        rect = [w for w in s.windows() if w["hwnd"] == box["hwnd"]][0]["rect"]
        shot = s.screenshot(self.out_path("hot-key-refused-%s.png" % self.arch))
        loupe = self.loupe["rect"]
        self.assertTrue(0 <= rect[0] and 0 <= rect[1] and rect[2] <= 1280 and rect[3] <= 1024,
                        "box %r off the screen; see %s" % (rect, shot))
        self.assertTrue(rect[2] <= loupe[0] or rect[0] >= loupe[2] or rect[3] <= loupe[1] or rect[1] >= loupe[3],
                        "box %r under the running loupe %r; see %s" % (rect, loupe, shot))
        answer = s.probe("answer", box["title"])
        self.assertTrue(answer and answer[0].get("sent"), "answer: %r" % answer)
        other = self.wait_loupe(exe)
        self.close_and_wait(other, second, "send")
        with open(ini, "rb") as f:
            # Kept: the key may be free at the next start.
            self.assertIn("\r\nActPopMinimizeAndRestore=%s\r\n" % HOT_KEY, f.read()[2:].decode("utf-16-le"))

    def test_5_quit_from_the_menu_saves_and_ends(self):
        r = self.loupe["rect"]
        items = self.open_menu(r[0] + 60, r[1] + 60)
        self.pick(items, 9)  # invert, so that the saved file shows the change
        items = self.open_menu(r[0] + 60, r[1] + 60)
        self.assertEqual([i["text"] for i in items if i["checked"]], ["ポインター モード", "はんてん"])
        self.pick(items, 20)
        code = self.process.wait(20)
        self.assertEqual(code, 0, "exit code after the quit command (None = still running)")
        with open(self.ini, "rb") as f:
            data = f.read()
        self.assertEqual(data[:2], BOM)
        text = data[2:].decode("utf-16-le")
        self.assertIn("\r\nLoupeColorMode=1\r\n", text)
        self.assertIn("\r\nActPopMinimizeAndRestore=%s\r\n" % HOT_KEY, text)
        wait_for(lambda: not self.tray_icons(), 5, 0.3, "the tray icon removed")
        self.assertEqual(self.session.probe("atoms"), [], "the hot-key atom is left")

    def test_6_close_request_during_the_menu_ends_the_program(self):
        # "End task" posts WM_CLOSE; with the menu up, Wine's menu loop used
        # to take the quit message that followed, and nothing ended the copy.
        folder = self.session.install(self.parts["dist"], "TrayClose")
        exe, ini = os.path.join(folder, "lensoro.exe"), os.path.join(folder, "lensoro.ini")
        process = self.session.start(exe)
        loupe = self.wait_loupe(exe, 30)
        r = loupe["rect"]
        items = self.open_menu(r[0] + 60, r[1] + 60)
        self.assertEqual(items[0]["text"], "タスク トレイに しまう")
        posted = self.session.probe("post", loupe["hwnd"], test_startup.WM_CLOSE, 0, 0)
        self.assertTrue(posted and posted[0]["ok"], "post WM_CLOSE failed: %r" % posted)
        code = process.wait(20)
        self.assertEqual(code, 0, "exit code after WM_CLOSE during the menu (None = still running); menus: %r"
                         % (self.session.probe("menus", check=False),))
        self.assertEqual(self.session.probe("menus"), [], "a menu was left")
        self.assertEqual(self.loupes_of(exe), [], "a loupe was left")
        with open(ini, "rb") as f:
            data = f.read()
        self.assertEqual(data[:2], BOM, "settings saved at the end")
        self.assertIn("\r\nLoupeRate=2\r\n", data[2:].decode("utf-16-le"))
        wait_for(lambda: not self.tray_icons(), 5, 0.3, "the tray icon removed")


def main():
    return test_startup.run_suite(__doc__, TrayTest)


if __name__ == "__main__":
    sys.exit(main())
