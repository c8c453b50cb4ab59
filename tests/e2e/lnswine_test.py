#!/usr/bin/env python3
"""The harness's choice of Wine loader, against fake loaders in a scratch
folder, and where it puts the stand-in magnification.dll: no Wine or
display needed.

    python3 tests/e2e/lnswine_test.py
"""

import os
import shutil
import stat
import struct
import sys
import tempfile
import unittest
from unittest import mock

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lnswine  # noqa: E402

SCRIPT_OK = "#!/bin/sh\necho wine-8.0 '(fake)'\n"
# What a kernel without 32-bit support makes of an i386 ELF: not a format it runs.
NOT_RUNNABLE = "\x7fELF\x01\x01\x01 not for this kernel"
SCRIPT_FAILS = "#!/bin/sh\necho 'wine: could not load ntdll.so' >&2\nexit 126\n"


class LoaderTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="lnsloader-")
        self.addCleanup(lambda: __import__("shutil").rmtree(self.dir, ignore_errors=True))
        self.write("wine64", SCRIPT_OK)
        self.write("wineserver64", SCRIPT_OK)
        self.write("Xvfb", SCRIPT_OK)
        env = {k: v for k, v in os.environ.items()
               if k not in (lnswine.NO_WIN32_VAR, lnswine.WIN32_STATUS_VAR)}
        env["PATH"] = self.dir
        patches = [mock.patch.dict(os.environ, env, clear=True),
                   mock.patch.object(lnswine, "WINE_LIB_DIRS", (self.dir,))]
        for p in patches:
            p.start()
            self.addCleanup(p.stop)

    def write(self, name, text):
        path = os.path.join(self.dir, name)
        with open(path, "w") as f:
            f.write(text)
        os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)
        return path

    def test_32_bit_loader_is_asked_whether_it_runs(self):
        cases = [
            ("runs", SCRIPT_OK, None),
            ("not runnable by this kernel", NOT_RUNNABLE, "Exec format error"),
            ("fails at start", SCRIPT_FAILS, "could not load ntdll.so"),
            ("not installed", None, "not installed"),
        ]
        for name, loader_text, reason in cases:
            with self.subTest(name):
                os.environ.pop(lnswine.WIN32_STATUS_VAR, None)
                path = os.path.join(self.dir, "wine")
                if os.path.exists(path):
                    os.remove(path)
                if loader_text is not None:
                    self.write("wine", loader_text)
                why = lnswine.arch_unavailable("win32")
                if reason is None:
                    self.assertIsNone(why)
                else:
                    self.assertIn(reason, why)
                self.assertIsNone(lnswine.arch_unavailable("win64"))

    def test_the_answer_is_asked_once_and_the_variable_forces_no_32_bit(self):
        self.write("wine", SCRIPT_OK)
        self.assertIsNone(lnswine.win32_unavailable())
        self.assertEqual(os.environ[lnswine.WIN32_STATUS_VAR], lnswine.WIN32_RUNS)
        # A later change of the loader is not seen within the same run.
        self.write("wine", NOT_RUNNABLE)
        self.assertIsNone(lnswine.win32_unavailable())
        os.environ[lnswine.NO_WIN32_VAR] = "1"
        self.assertIn(lnswine.NO_WIN32_VAR, lnswine.win32_unavailable())

    def test_each_prefix_gets_its_own_architecture_s_loader(self):
        self.write("wine", SCRIPT_OK)
        for arch, name in (("win64", "wine64"), ("win32", "wine")):
            with self.subTest(arch):
                env = lnswine.wine_env(":99", "/tmp/prefix", arch)
                self.assertEqual(env["WINELOADER"], os.path.join(self.dir, name))
                self.assertEqual(env["WINESERVER"], os.path.join(self.dir, "wineserver64"))
                self.assertEqual(env["WINEARCH"], arch)
        os.environ[lnswine.NO_WIN32_VAR] = "1"
        with self.assertRaises(lnswine.WineError):
            lnswine.wine_env(":99", "/tmp/prefix", "win32")


def fake_pe(path, machine):
    """A file whose PE header names the machine (0x14C i386, 0x8664 x64)."""
    head = bytearray(0x100)
    head[0:2] = b"MZ"
    struct.pack_into("<I", head, 0x3C, 0x80)
    head[0x80:0x84] = b"PE\0\0"
    struct.pack_into("<H", head, 0x84, machine)
    with open(path, "wb") as f:
        f.write(head)
    return path


class StubPlaceTest(unittest.TestCase):
    """The stand-in goes where Windows keeps its own magnification.dll for
    the program's bitness, never beside the exe."""

    def setUp(self):
        self.session = lnswine.WineSession("win64")
        self.addCleanup(lambda: shutil.rmtree(self.session.root, ignore_errors=True))
        self.build = os.path.join(self.session.root, "build")
        os.makedirs(os.path.join(self.build, "dist"))
        os.makedirs(os.path.join(self.build, "wine"))
        fake_pe(os.path.join(self.build, "dist", "lensoro.exe"), 0x8664)
        self.stub64 = fake_pe(os.path.join(self.build, "wine", "magnification.dll"), 0x8664)
        self.stub32 = fake_pe(os.path.join(self.session.root, "stub32.dll"), 0x14C)
        for name in ("system32", "syswow64"):
            os.makedirs(os.path.join(self.session.prefix, "drive_c", "windows", name))

    def test_each_bitness_gets_its_system_folder(self):
        cases = [  # prefix, stand-in, folder (None: refused)
            ("win64", "win64", "system32"),
            ("win64", "win32", "syswow64"),
            ("win32", "win32", "system32"),
            ("win32", "win64", None),
        ]
        for prefix_arch, stub_arch, folder in cases:
            with self.subTest(prefix=prefix_arch, stub=stub_arch):
                stub = self.stub64 if stub_arch == "win64" else self.stub32
                if folder is None:
                    with self.assertRaises(lnswine.WineError):
                        lnswine.install_stub(self.session.prefix, prefix_arch, stub)
                    continue
                path = lnswine.install_stub(self.session.prefix, prefix_arch, stub)
                self.assertEqual(path, os.path.join(self.session.prefix, "drive_c", "windows", folder,
                                                    "magnification.dll"))
                with open(path, "rb") as a, open(stub, "rb") as b:
                    self.assertEqual(a.read(), b.read())

    def test_install_leaves_nothing_beside_the_exe_and_the_template_whole(self):
        # A prefix's modules are hard links into the template.
        template_copy = os.path.join(self.session.root, "template-magnification.dll")
        placed = os.path.join(self.session.prefix, "drive_c", "windows", "system32", "magnification.dll")
        with open(template_copy, "wb") as f:
            f.write(b"the template's")
        os.link(template_copy, placed)
        folder = self.session.install(os.path.join(self.build, "dist"), "Lensoro")
        self.assertEqual(sorted(os.listdir(folder)), ["lensoro.exe"])
        self.assertEqual(lnswine.pe_arch(placed), "win64")
        with open(template_copy, "rb") as f:
            self.assertEqual(f.read(), b"the template's")


if __name__ == "__main__":
    unittest.main(verbosity=2)
