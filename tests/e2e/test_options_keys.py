#!/usr/bin/env python3
"""The options dialog driven with the keyboard alone, with lensoro.exe under
Wine on Xvfb, in English (its captions carry access keys).

    python3 tests/e2e/test_options_keys.py --build-dir build/mingw64

One Wine session and one running copy. The dialog is opened from the
loupe's popup menu; from then on only keys are pressed (xdotool), and
`lnsprobe focus` tells where the focus is. Tab goes once round every control,
the four colour swatches included; a hot key is captured, Tab reaches Add and
Enter assigns it; Alt+P reaches the first swatch, Space opens the colour
chooser, which is answered with its own access keys and Enter; Alt+C closes
the dialog and the settings file holds the key and the colour. Screenshots of
each step are left in the output folder. Exits 77 (skipped) when the build or
Wine is missing.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_startup  # noqa: E402
from lnswine import unix_to_windows, wait_for  # noqa: E402
from test_settings import write_utf16_ini  # noqa: E402

OPTIONS_ITEM = 12  # "&Options..." among the menu's items, separators counted
CAPTION = "Lensoro - Options"
WS_DISABLED = 0x08000000
# Every stop of the dialog's tab order with nothing assigned yet (Delete and
# Add are greyed), named as describe() names them.
TAB_ORDER = [
    "button Don't show the window at start&up",
    "ComboBox in &Startup",
    "radio in &Loupe mode",
    "Edit in &Zoom level (1.3x\u20138.0x)",
    "radio in &Magnify from",
    "radio in C&olors",
    "Edit in &Frame",
    "swatch 1",
    "swatch 2",
    "swatch 3",
    "swatch 4",
    "Edit in Sho&rtcut key",
    "button Follow the key&board focus and text cursor",
    "button &Close",
]
# The colour typed into the chooser, and how the settings file stores it.
RED, GREEN, BLUE = 200, 40, 160
STORED_COLOUR = "\r\nActivePointerModeFrameColor=$00%02X%02X%02X\r\n" % (BLUE, GREEN, RED)
STORED_KEY = "\r\nActPopMinimizeAndRestore=77,Ctrl+Alt+\r\n"


class OptionsKeysTest(test_startup.LoupeSession):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        with cls.session_set_up() as s:
            s.xdotool("mousemove", 900, 200)
            cls.folder = s.install(cls.parts["dist"], "Keys")
            cls.ini = os.path.join(cls.folder, "lensoro.ini")
            english = unix_to_windows(os.path.join(cls.folder, "Lang", "English.lang"))
            write_utf16_ini(cls.ini, "[Language]\r\nLangFileName=%s\r\n" % english)
            cls.exe = os.path.join(cls.folder, "lensoro.exe")
            cls.process = s.start(cls.exe)
            cls.loupe = cls.wait_loupe(cls.exe, 30)

    def dialog(self):
        found = [w for w in self.session.windows() if w["class"] == "TOptionForm" and w["visible"]]
        return found[0] if found else None

    def controls(self):
        d = self.dialog()
        self.assertIsNotNone(d, "the options dialog is not open")
        return {c["hwnd"]: c for c in self.session.probe("children", d["hwnd"])}

    def describe(self, hwnd, controls):
        """A control as TAB_ORDER names it."""
        c = controls.get(hwnd)
        if c is None:
            return "not in the dialog: %s" % hwnd
        parent = controls.get(c["parent"])
        if c["class"] == "Button":
            if parent and parent["class"] == "TRadioGroup":
                return "radio in %s" % parent["title"]
            return "button %s" % c["title"]
        if c["class"] == "TPanel":
            swatches = sorted((p for p in controls.values() if p["class"] == "TPanel"), key=lambda p: p["rect"][1])
            return "swatch %d" % (1 + [p["hwnd"] for p in swatches].index(hwnd))
        return "%s in %s" % (c["class"], parent["title"] if parent else "?")

    def focus(self):
        """The window with the keyboard focus in the loupe's thread (the dialog's too)."""
        found = self.session.probe("focus", self.loupe["hwnd"], check=False)
        return found[0]["focus"] if found else None

    def press(self, *keys):
        for key in keys:
            self.session.xdotool("key", key)
            time.sleep(0.25)

    def focused(self, want, what):
        """Waits for the focus to be on the control TAB_ORDER names `want`."""
        controls = self.controls()
        return wait_for(lambda: (lambda f: f if self.describe(f, controls) == want else None)(self.focus()), 5, 0.2,
                        "%s: the focus on %s (it is on %s)" % (what, want, self.describe(self.focus(), controls)))

    def shot(self, name):
        path = self.session.screenshot(self.out_path("%s-%s.png" % (name, self.arch)))
        sys.stderr.write("%s screenshot: %s\n" % (name, path))

    def test_1_tab_goes_once_round_every_control(self):
        s = self.session
        r = self.loupe["rect"]
        items = self.open_menu(r[0] + 60, r[1] + 60)
        self.assertEqual(items[OPTIONS_ITEM]["text"], "&Options...")
        self.pick(items, OPTIONS_ITEM)
        d = wait_for(self.dialog, 10, 0.3, "the options dialog shown")
        self.assertEqual(d["title"], CAPTION)
        # Out of the pointer's way: from here on, the keyboard only.
        s.xdotool("mousemove", 5, s.height - 5)
        controls = self.controls()
        first = wait_for(lambda: (lambda f: f if f in controls else None)(self.focus()), 5, 0.2,
                         "the focus in the dialog")
        seen = [self.describe(first, controls)]
        for _ in range(len(TAB_ORDER)):
            self.press("Tab")
            seen.append(self.describe(self.focus(), controls))
            if seen[-1] == "swatch 2":
                self.shot("keys-swatch-focus")
        self.assertEqual(seen, TAB_ORDER + TAB_ORDER[:1], "the tab order once round")
        self.press("shift+Tab")
        self.assertEqual(self.describe(self.focus(), controls), TAB_ORDER[-1], "Shift+Tab back round")

    def test_2_a_hot_key_is_captured_and_assigned_with_tab_and_enter(self):
        self.press("alt+k")  # the label "Key to assign" gives its key to the field
        field = self.focused("Edit in Sho&rtcut key", "Alt+K")
        self.press("ctrl+alt+m", "Tab")
        self.focused("button &Add", "Tab after the captured key")
        self.shot("keys-tab-to-add")
        self.press("Return")
        # Assigned: Add greys out and hands the focus back to the field; Delete wakes up.
        wait_for(lambda: self.focus() == field, 5, 0.2, "the focus back in the capture field")
        delete = [c for c in self.controls().values() if c["title"] == "&Delete"][0]
        self.assertFalse(int(delete["style"], 16) & WS_DISABLED, "Delete still greyed")
        add = [c for c in self.controls().values() if c["title"] == "&Add"][0]
        self.assertTrue(int(add["style"], 16) & WS_DISABLED, "Add not greyed after assigning")
        self.shot("keys-hot-key-assigned")

    def test_3_a_frame_colour_is_changed_with_space_and_the_choosers_keys(self):
        s = self.session
        # Out of the capture field first: there Alt+P is a combination like any other.
        self.press("Tab")
        self.focused("button Follow the key&board focus and text cursor", "Tab out of the capture field")
        self.press("alt+p")  # "Pointer mode (active)" names the first swatch
        swatch = self.focused("swatch 1", "Alt+P")
        dialog = self.dialog()
        self.press("space")
        chooser = wait_for(lambda: [w for w in s.windows() if w["class"] == "#32770" and w["visible"]
                                    and w["owner"] == dialog["hwnd"]], 10, 0.3, "the colour chooser")[0]
        # Its own access keys: open the custom colours, then Red, Green, Blue.
        self.press("alt+d")
        for letter, value in (("r", RED), ("g", GREEN), ("b", BLUE)):
            self.press("alt+" + letter)
            s.xdotool("type", "--delay", 60, str(value))
            time.sleep(0.2)
        self.shot("keys-colour-chooser")
        self.press("Return")
        wait_for(lambda: not [w for w in s.windows() if w["hwnd"] == chooser["hwnd"]], 10, 0.3,
                 "the colour chooser closed")
        wait_for(lambda: self.focus() == swatch, 5, 0.2, "the focus back on the swatch")
        c = self.controls()[swatch]["rect"]
        shown = wait_for(lambda: (lambda p: p if p == (RED, GREEN, BLUE) else None)(
            s.pixels().get((c[0] + c[2]) // 2, (c[1] + c[3]) // 2)), 5, 0.3, "the swatch in the typed colour")
        self.assertEqual(shown, (RED, GREEN, BLUE))
        self.shot("keys-colour-chosen")

    def test_4_alt_c_closes_and_the_settings_hold_the_key_and_the_colour(self):
        self.press("alt+c")
        wait_for(lambda: self.dialog() is None, 5, 0.2, "the dialog closed")
        text = wait_for(lambda: self.read_ini(), 5, 0.2, "the settings file with the key")
        self.assertIn(STORED_KEY, text)
        self.assertIn(STORED_COLOUR, text)
        self.assertTrue(self.process.running(), "lensoro.exe ended after the dialog closed")

    def read_ini(self):
        try:
            with open(self.ini, "rb") as f:
                data = f.read()
        except OSError:
            return None
        text = data[2:].decode("utf-16-le", errors="replace") if data[:2] == b"\xff\xfe" else ""
        return text if STORED_KEY in text else None


def main():
    return test_startup.run_suite(__doc__, OptionsKeysTest)


if __name__ == "__main__":
    sys.exit(main())
