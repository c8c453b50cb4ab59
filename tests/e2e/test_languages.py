#!/usr/bin/env python3
"""End-to-end check of the shipped languages, with lensoro.exe under Wine on
Xvfb.

    python3 tests/e2e/test_languages.py --build-dir build/mingw64

One Wine session and one copy, installed from the portable folder with its
twelve language files. The language submenu must list them and the default
file in the order the user's locale sorts names (asked of Wine with
`lnsprobe collate`); choosing a language from the tray icon's menu while the
options dialog and the About dialog are open turns the menu and both dialogs
into it at once. In every language no label of either dialog runs into
another control, and every caption of both dialogs and of the menu fits its
control, measured inside the program with the font it is drawn in
(`lnsprobe measure`), at 96 DPI and, the copy started again, at 144 DPI;
screenshots of both dialogs are left in the build folder's e2e-out/ (look
at them: a clipped word shows there). Exits 77
(skipped) when the build or Wine is missing.

The prefix draws dialogs and menus with DejaVu Sans in place of Tahoma, the
Japanese, Chinese and Korean fonts linked behind it (lnswine.py), a little
wider than Windows' own: what fits here fits there.
"""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_startup  # noqa: E402
import test_tray  # noqa: E402
from lnswine import unix_to_windows, wait_for  # noqa: E402
from test_settings import BOM, LANG_NAME, ini_sections  # noqa: E402

CONFIG = test_startup.CONFIG
# The shipped languages and the tags of their screenshots.
SHIPPED = {"English": "en", "Deutsch": "de", "Français": "fr", "Español": "es", "Italiano": "it",
           "Português (Brasil)": "pt-BR", "Nederlands": "nl", "Polski": "pl", "Русский": "ru", "中文(简体)": "zh-CN",
           "한국어": "ko", "日本語": "ja"}
DEFAULT_NAME = LANG_NAME[:-len(".lang")]
# Positions in the popup menu, separators counted.
OPTIONS_ITEM, LANGUAGE_ITEM, ABOUT_ITEM = 12, 13, 18
# The menu's captions in their order (separators left out); the zoom items
# add the next rates to their captions.
MENU_KEYS = (("Lang: Menu", "MinimizeToTrayCaption"), ("MainForm", "ActPopSetLoupeModelmPointer.Caption"),
             ("MainForm", "ActPopSetLoupeModelmWindow.Caption"), ("MainForm", "ActPopZoomIn.Caption"),
             ("MainForm", "ActPopZoomOut.Caption"), ("MainForm", "ActPopSetLoupeColorModelcmOriginal.Caption"),
             ("MainForm", "ActPopSetLoupeColorModelcmInvert.Caption"),
             ("MainForm", "ActPopSetLoupeColorModelcmGrayscale.Caption"), ("MainForm", "ActPopShowOption.Caption"),
             ("MainForm", "ActPopShowLanguage.Caption"), ("MainForm", "ActPopReset.Caption"),
             ("MainForm", "ActPopShowHelp.Caption"), ("MainForm", "ActPopShowVersionInfo.Caption"),
             ("MainForm", "ActPopQuit.Caption"))
ZOOM_SUFFIX = {"ActPopZoomIn.Caption": " (-> 2.1x)", "ActPopZoomOut.Caption": " (-> 1.9x)"}
# The options dialog at the right, the loupe (with the About dialog centred
# over it) at the left: each screenshot shows one whole dialog.
OPTIONS_AT = (880, 40)
BM_CLICK = 0xF5
WM_KEYDOWN, WM_KEYUP, VK_ESCAPE = 0x100, 0x101, 0x1B


def read_lang(path):
    """{(section, key): text} of a language file as shipped."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:2] == BOM, "%s has no byte-order mark" % path
    return {(s, k.strip()): v.strip() for s, entries in ini_sections(data[2:].decode("utf-16-le")) for k, v in entries}


# The room a control's own drawing takes beside its text, at 96 DPI: a push
# button's edges, a check box's or radio button's box and the gap after it,
# a group box's caption indent on each side (ours is not scaled).
BUTTON_EDGES, CHECK_BOX, GROUP_INDENT = 3, 16, 8
BS_TYPE, BS_GROUPBOX = 0x0F, 0x07
CHECKS = (0x2, 0x3, 0x4, 0x5, 0x6, 0x9)
NOT_CAPTIONS = {"EDIT", "COMBOBOX", "TRSSPACER", "TIMAGE", "TPANEL", "TRSUPDOWNBUTTON", "TRSTIMERBUTTON"}


def need(entry, dpi):
    """The width a measured text needs in its control (`lnsprobe measure`),
    None for a text that is no caption."""
    cls, cx, kind = entry["class"].upper(), entry["cx"], entry["style"] & BS_TYPE
    if cls in NOT_CAPTIONS:
        return None
    if cls in ("TGROUPBOX", "TRADIOGROUP") or (cls == "BUTTON" and kind == BS_GROUPBOX):
        return cx + 2 * GROUP_INDENT
    if cls == "BUTTON":
        return cx + round((CHECK_BOX if kind in CHECKS else 2 * BUTTON_EDGES) * dpi / 96)
    return cx


def overlaps(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def inside(inner, outer):
    return outer[0] <= inner[0] and outer[1] <= inner[1] and inner[2] <= outer[2] and inner[3] <= outer[3]


class LanguagesTest(test_startup.LoupeSession):
    maxDiff = None
    clipped = []  # captions that did not fit, told at the end
    tray_icons = classmethod(test_tray.TrayTest.tray_icons.__func__)

    @classmethod
    def setUpClass(cls):
        with cls.session_set_up() as s:
            s.xdotool("mousemove", 700, 900)
            cls.folder = s.install(cls.parts["dist"], "Languages")
            cls.lang_dir = os.path.join(cls.folder, "Lang")
            cls.shipped = sorted(os.listdir(cls.lang_dir))
            cls.texts = {name: read_lang(os.path.join(cls.lang_dir, name + ".lang")) for name in SHIPPED}
            cls.ini = os.path.join(cls.folder, "lensoro.ini")
            with open(cls.ini, "wb") as f:
                f.write(BOM + ("[OptionForm]\r\nLeft=%d\r\nTop=%d\r\n" % OPTIONS_AT).encode("utf-16-le"))
            cls.exe = os.path.join(cls.folder, "lensoro.exe")
            cls.process = s.start(cls.exe)
            cls.loupe = cls.wait_loupe(cls.exe, 30)

    @classmethod
    def tearDownClass(cls):
        for line in cls.clipped:
            print("clipped: " + line)
        super().tearDownClass()

    # --- what is on the screen ---------------------------------------------------------

    def text(self, language, section, key):
        return self.texts[language][(section, key)]

    def window_of_class(self, cls):
        found = [w for w in self.session.windows() if w["class"] == cls and w["visible"]]
        return found[0] if found else None

    def wait_dialog(self, cls, title):
        return wait_for(lambda: (lambda w: w if w and w["title"] == title else None)(self.window_of_class(cls)),
                        10, 0.3, "the %s titled %r" % (cls, title))

    def expected_order(self, names):
        """The names as the user's locale sorts them, case ignored."""
        path = os.path.join(self.session.root, "names.txt")
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(names) + "\n")
        return [line["text"] for line in self.session.probe("collate", unix_to_windows(path))]

    def loupe_menu(self):
        r = self.loupe["rect"]
        return self.open_menu(r[0] + 60, r[1] + 60)

    def tray_menu(self):
        # The icon stays where it is: looked for once.
        if not getattr(type(self), "tray_rect", None):
            type(self).tray_rect = wait_for(self.tray_icons, 5, 0.3, "the tray icon")[0]["rect"]
        r = self.tray_rect
        return self.open_menu((r[0] + r[2]) // 2, (r[1] + r[3]) // 2)

    def open_language_submenu(self, items, access_key=None):
        """Opens the submenu from the open menu with the keyboard (its access
        key pressed, or Down to it and Enter) and returns its items."""
        self.assertTrue(items[LANGUAGE_ITEM]["popup"], "item %d is no submenu: %r" % (LANGUAGE_ITEM, items))
        if access_key:
            self.session.xdotool("key", access_key)
        else:
            r = self.session.probe("pick", test_startup.downs_to(items, LANGUAGE_ITEM))
            self.assertTrue(r and r[0].get("ok"), "opening the submenu: %r" % r)
        def two_menus():
            menus = [m for m in self.session.probe("menus") if m["items"]]
            return menus if len(menus) == 2 else None
        menus = wait_for(two_menus, 5, 0.3, "the language submenu beside the menu")
        subs = [m for m in menus if not any(i["popup"] for i in m["items"])]
        self.assertEqual(len(subs), 1, "open menus: %r" % menus)
        return subs[0]["items"]

    def choose_language(self, name, measure_as=None):
        """Chooses a language from the tray icon's menu; measure_as: (the
        language in use, DPI) to measure the menu's captions first."""
        items = self.tray_menu()
        if measure_as:
            self.measure_menu(*measure_as)
        sub = self.open_language_submenu(items)
        captions = [i["text"] for i in sub]
        self.assertIn(name, captions)
        # Opened from the keyboard, the submenu has its first item selected.
        r = self.session.probe("pick", captions.index(name))
        self.assertTrue(r and r[0].get("ok"), "choosing %s: %r" % (name, r))
        wait_for(lambda: not self.session.probe("menus"), 5, 0.2, "the menus closed")

    def assert_options_in(self, language):
        dialog = self.wait_dialog("TOptionForm", self.text(language, "OptionForm", "OptionForm.Caption"))
        children = self.session.probe("children", dialog["hwnd"])
        titles = {c["title"] for c in children}
        wanted = {v for (section, key), v in self.texts[language].items()
                  if section == "OptionForm" and key != "OptionForm.Caption"}
        # From test 3 on, a key that types is in the capture field: its hint shows.
        if getattr(self, "hint_shown", False):
            wanted.add(self.text(language, "Lang: Notices", "HintHotKeyNeedsCtrlOrAlt"))
        self.assertEqual(sorted(wanted - titles), [], "%s texts missing from the options dialog" % language)
        return dialog, children

    def assert_about_in(self, language):
        dialog = self.wait_dialog("TAboutForm", self.text(language, "AboutForm", "AboutForm.Caption"))
        children = self.session.probe("children", dialog["hwnd"])
        titles = {c["title"] for c in children}
        wanted = {self.text(language, "AboutForm", k) for k in ("TitleLabel.Caption", "AuthorLabel.Caption",
                                                                "WebSiteLabel.Caption", "OKButton.Caption")}
        self.assertEqual(sorted(wanted - titles), [], "%s texts missing from the About dialog" % language)
        return dialog, children

    def assert_labels_clear(self, dialog, children, what):
        """Every label (sized to its text) lies inside its parent and clear of
        the controls beside it."""
        rects = {c["hwnd"]: c["rect"] for c in children}
        rects[dialog["hwnd"]] = dialog["rect"]
        for label in (c for c in children if c["class"] == "TLabel" and c["visible"] and c["title"]):
            self.assertTrue(inside(label["rect"], rects[label["parent"]]),
                            "%s: label %r %r leaves its parent %r" % (what, label["title"], label["rect"],
                                                                      rects[label["parent"]]))
            for other in children:
                if other["parent"] == label["parent"] and other["class"] != "TLabel" and other["visible"] \
                        and other["class"] not in ("TRsSpacer", "TImage"):
                    self.assertFalse(overlaps(label["rect"], other["rect"]),
                                     "%s: label %r %r runs into %s %r %r" % (what, label["title"], label["rect"],
                                                                            other["class"], other["title"],
                                                                            other["rect"]))

    def measure(self, hwnd, what, dpi):
        """Measures every caption of a dialog or an open menu; each that does
        not fit is noted in self.clipped (told all together at the end)."""
        found = self.session.probe("measure", hwnd)
        self.assertTrue(found and found[0]["texts"], "%s: nothing measured: %r" % (what, found))
        for e in found[0]["texts"]:
            wanted = need(e, dpi)
            if wanted is not None and wanted > e["room"]:
                type(self).clipped.append("%s at %d DPI: %s %r needs %d px, has %d (%s %d)" % (
                    what, dpi, e["class"], e["text"], wanted, e["room"], e["font"], e["font_height"]))
        return found[0]["texts"]

    def measure_menu(self, language, dpi):
        menus = [m for m in self.session.probe("menus") if m["items"]]
        self.assertEqual(len(menus), 1, "open menus: %r" % menus)
        self.measure(menus[0]["hwnd"], "%s menu" % language, dpi)
        return menus[0]["hwnd"]

    def measure_menu_and_close_it(self, language, dpi):
        """Opens the tray icon's menu, measures it and closes it with Esc."""
        self.tray_menu()
        menu = self.measure_menu(language, dpi)
        self.session.probe("post", menu, WM_KEYDOWN, VK_ESCAPE, 1)
        self.session.probe("post", menu, WM_KEYUP, VK_ESCAPE, 0xC0000001)
        wait_for(lambda: not self.session.probe("menus"), 5, 0.2, "the menu closed by Esc")

    def measure_both_dialogs(self, language, dpi):
        shown = {w["class"]: w for w in self.session.windows() if w["visible"]}
        for cls, what in (("TOptionForm", "options"), ("TAboutForm", "About")):
            self.measure(shown[cls]["hwnd"], "%s %s" % (language, what), dpi)

    def screenshot_of(self, window, name):
        shot = self.session.screenshot(os.path.join(self.session.root, "screen.png"))
        l, t, r, b = window["rect"]
        out = self.out_path("%s-%s.png" % (name, self.arch))
        subprocess.run(["convert", shot, "-crop", "%dx%d+%d+%d" % (r - l, b - t, l, t), "+repage", out],
                       check=True, timeout=30, stdin=subprocess.DEVNULL)
        sys.stderr.write("screenshot: %s\n" % out)

    # --- the tests, in order -----------------------------------------------------------

    def test_1_twelve_files_are_shipped_and_the_default_is_written_beside_them(self):
        self.assertEqual(self.shipped, sorted(n + ".lang" for n in SHIPPED))
        wait_for(lambda: os.path.exists(os.path.join(self.lang_dir, LANG_NAME)), 5, 0.2, "the default file")

    def test_2_submenu_lists_the_thirteen_in_the_users_sort_order(self):
        # As the help page tells: L opens the language list of the Japanese menu.
        sub = self.open_language_submenu(self.loupe_menu(), access_key="l")
        captions = [i["text"] for i in sub]
        # Choosing the language in use closes the menus and changes nothing.
        self.session.probe("pick", captions.index(DEFAULT_NAME) if DEFAULT_NAME in captions else 0)
        wait_for(lambda: not self.session.probe("menus"), 5, 0.2, "the menus closed")
        self.assertEqual(captions, self.expected_order(list(SHIPPED) + [DEFAULT_NAME]))
        self.assertEqual([i["text"] for i in sub if i["checked"]], [DEFAULT_NAME])

    def test_3_english_turns_the_menu_and_both_open_dialogs_at_once(self):
        self.pick(self.loupe_menu(), OPTIONS_ITEM)
        self.wait_dialog("TOptionForm", "ぽてりん - オプション")
        self.pick(self.loupe_menu(), ABOUT_ITEM)
        self.wait_dialog("TAboutForm", "ぽてりん - バージョン じょーほー")

        # X alone in the capture field: Add stays off and the hint says why,
        # in every language that follows.
        options = self.wait_dialog("TOptionForm", "ぽてりん - オプション")
        field = [c for c in self.session.probe("children", options["hwnd"]) if c["client_pos"][:2] == [124, 70]]
        self.assertEqual(len(field), 1, "the capture field")
        r = field[0]["rect"]
        self.session.xdotool("mousemove", (r[0] + r[2]) // 2, (r[1] + r[3]) // 2)
        self.session.xdotool("click", 1)
        time.sleep(0.3)
        self.session.xdotool("key", "x")
        type(self).hint_shown = True
        self.choose_language("English")
        self.assert_about_in("English")
        self.assert_options_in("English")
        items = self.tray_menu()
        want = [self.text("English", s, k) + ZOOM_SUFFIX.get(k, "") for s, k in MENU_KEYS]
        self.assertEqual([i["text"] for i in items if not i["separator"]], want)
        self.pick(items, LANGUAGE_ITEM - 1)  # options: open already, so nothing happens

    def test_4_every_language_fits_both_dialogs(self):
        # German first and Russian last (it stays for the next test): the two longest.
        order = ["Deutsch"] + [n for n in SHIPPED if n not in ("Deutsch", "Русский")] + ["Русский"]
        previous = "English"
        for language in order:
            self.choose_language(language, (previous, 96))
            previous = language
            self.measure_both_dialogs(language, 96)
            about, about_children = self.assert_about_in(language)
            options, options_children = self.assert_options_in(language)
            self.assertFalse(overlaps(about["rect"], options["rect"]), "the dialogs overlap: no clean screenshot")
            self.screenshot_of(options, "options-" + SHIPPED[language])
            self.screenshot_of(about, "about-" + SHIPPED[language])
            self.assert_labels_clear(options, options_children, "%s options" % language)
            self.assert_labels_clear(about, about_children, "%s About" % language)

    def test_5_the_choice_is_saved_at_exit(self):
        self.measure_menu_and_close_it("Русский", 96)
        about = self.window_of_class("TAboutForm")
        ok = [c for c in self.session.probe("children", about["hwnd"]) if c["class"] == "Button"]
        self.assertEqual(len(ok), 1, "the About dialog's buttons: %r" % ok)
        self.session.probe("send", ok[0]["hwnd"], BM_CLICK, 0, 0)
        wait_for(lambda: self.window_of_class("TAboutForm") is None, 5, 0.2, "the About dialog closed")
        self.close_and_wait(self.loupe, self.process, "post")
        with open(self.ini, "rb") as f:
            text = f.read()[2:].decode("utf-16-le")
        self.assertIn("\r\nLangFileName=%s\r\n" % unix_to_windows(os.path.join(self.lang_dir, "Русский.lang")), text)

    def test_6_every_language_fits_at_144_dpi(self):
        # The same copy started again on a screen of 150 %, in Russian.
        s = self.session
        s.set_dpi(144)
        process = s.start(self.exe)
        loupe = self.wait_loupe(self.exe, 30)
        type(self).tray_rect = None  # a new icon
        r = loupe["rect"]
        self.pick(self.open_menu(r[0] + 60, r[1] + 60), OPTIONS_ITEM)
        self.wait_dialog("TOptionForm", self.text("Русский", "OptionForm", "OptionForm.Caption"))
        self.pick(self.open_menu(r[0] + 60, r[1] + 60), ABOUT_ITEM)
        self.wait_dialog("TAboutForm", self.text("Русский", "AboutForm", "AboutForm.Caption"))
        previous = "Русский"
        self.measure_both_dialogs(previous, 144)
        for language in [n for n in SHIPPED if n != "Русский"]:
            self.choose_language(language, (previous, 144))
            previous = language
            self.wait_dialog("TAboutForm", self.text(language, "AboutForm", "AboutForm.Caption"))
            self.measure_both_dialogs(language, 144)
            if language in ("Deutsch", "English"):
                self.screenshot_of(self.window_of_class("TOptionForm"), "options-%s-144" % SHIPPED[language])
        self.measure_menu_and_close_it(previous, 144)
        self.close_and_wait(loupe, process, "post")
        self.assertEqual(self.clipped, [])


def main():
    return test_startup.run_suite(__doc__, LanguagesTest)


if __name__ == "__main__":
    sys.exit(main())
