"""One Wine run for the end-to-end tests: its own Xvfb, a fresh prefix, the
programs started in it and the probe that looks at them. Standard library only.

    with WineSession("win32", probe_exe) as s:
        folder = s.install("build/mingw/dist", "LensoroA")
        app = s.start(os.path.join(folder, "lensoro.exe"))
        windows = s.probe("list")

Everything it starts it ends by PID in close(); every outside call has a timeout.
"""

import hashlib
import json
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

LOUPE_CAPTION = "がめん かくだい ソフト ぽてりん"
JAPANESE_FONT_CANDIDATES = (
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/truetype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
)
JAPANESE_FONT_FILE = "ipag.ttf"
JAPANESE_FONT_FACE = "IPAGothic"
# Chinese and Korean glyphs, linked behind the Japanese font.
CJK_FONT_CANDIDATES = ("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",)
CJK_FONT_FILE = "wqy-zenhei.ttc"
CJK_FONT_FACE = "WenQuanYi Zen Hei"
# Wine has no Tahoma here, and the faces it falls back to draw Latin letters
# of one width and Cyrillic ones of double width: no Windows draws a dialog
# so. Tahoma (the face of Wine's dialogs, captions and menus) is replaced by
# DejaVu Sans, which covers the Latin, Cyrillic and Greek of the shipped
# languages and at Wine's 8 points runs a little wider than Windows 10's
# Segoe UI at 9: what fits here fits there.
PROPORTIONAL_FACE = "DejaVu Sans"
PROPORTIONAL_FONTS = ("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                      "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf")
# Faces Wine draws dialogs, captions and menus with (the dialog faces are
# substitutes of Tahoma, itself replaced); Japanese, Chinese and Korean text
# in them falls back to the linked fonts.
LINKED_FACES = ("Tahoma", "Tahoma Bold", "MS Shell Dlg", "MS Shell Dlg 2", "Microsoft Sans Serif",
                PROPORTIONAL_FACE, PROPORTIONAL_FACE + " Bold")
# Written last by init_prefix: a prefix without it is (re)made. It also names
# the prefix template: change it with what init_prefix sets up.
PREFIX_MARK = "lensoro-prefix-4"
FONTLINK_KEYS = (
    r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink",
    # 32-bit programs in a 64-bit prefix read the redirected view.
    r"HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink",
)


# An X server with several monitors (Xorg's dummy driver).
XDESK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "xdesk")


def desk_unavailable():
    """None when xdesk can start a server of several monitors here, else why."""
    for tool in ("Xorg", "xrandr"):
        if not shutil.which(tool):
            return "%s is not installed (xserver-xorg-core, x11-xserver-utils)" % tool
    if not any(os.path.exists(os.path.join(d, "dummy_drv.so"))
               for d in ("/usr/lib/xorg/modules/drivers", "/usr/lib64/xorg/modules/drivers")):
        return "Xorg's dummy driver is not installed (xserver-xorg-video-dummy)"
    return None


def desk_size(desk):
    """The X screen's size for an xdesk layout: the monitors' bounding box."""
    boxes = [tuple(map(int, re.match(r"(\d+)x(\d+)\+(\d+)\+(\d+)", m).groups())) for m in desk.split(",")]
    return max(x + w for w, h, x, y in boxes), max(y + h for w, h, x, y in boxes)


START_GAP = 0.7  # seconds between starting a program and the next probe


class WineError(RuntimeError):
    pass


# --- which Wine loader ---------------------------------------------------------
#
# Debian's /usr/bin/wine picks the 32-bit loader whenever wine32 is installed,
# even for a 64-bit prefix and a 64-bit exe, and fails where the kernel cannot
# run 32-bit programs. So every Wine program here is started with the loader
# of its prefix's architecture, named outright: wine64 for win64, wine for
# win32. Whether this host runs the 32-bit loader is asked once (run it, look
# at the answer) and handed to child processes in LENSORO_WIN32_STATUS.

WINE_LIB_DIRS = ("/usr/lib/wine", "/usr/lib64/wine", "/opt/wine-stable/bin")
# Set to 1 to take the 64-bit-only path on any host.
NO_WIN32_VAR = "LENSORO_NO_WIN32"
WIN32_STATUS_VAR = "LENSORO_WIN32_STATUS"
WIN32_RUNS = "runs"


def _wine_file(*names):
    for d in WINE_LIB_DIRS:
        for n in names:
            f = os.path.join(d, n)
            if os.path.isfile(f) and os.access(f, os.X_OK):
                return f
    return None


def loader(arch):
    """The Wine loader for a prefix of this architecture, or None."""
    if arch == "win64":
        return _wine_file("wine64") or shutil.which("wine64")
    return _wine_file("wine")


def wineserver():
    # The 64-bit server serves 32-bit clients too.
    return _wine_file("wineserver64", "wineserver32") or shutil.which("wineserver")


def win32_unavailable():
    """None when this host runs the 32-bit Wine loader, else a one-line reason."""
    if os.environ.get(NO_WIN32_VAR) == "1":
        return "%s=1 forces the 64-bit-only path" % NO_WIN32_VAR
    known = os.environ.get(WIN32_STATUS_VAR)
    if known:
        return None if known == WIN32_RUNS else known
    reason = _ask_win32_loader()
    os.environ[WIN32_STATUS_VAR] = reason or WIN32_RUNS
    return reason


def _ask_win32_loader():
    path = loader("win32")
    if not path:
        return "the 32-bit Wine loader is not installed (wine32:i386)"
    try:
        r = subprocess.run([path, "--version"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, timeout=30)
    except OSError as e:
        return "this host cannot run the 32-bit Wine loader (%s: %s)" % (path, e.strerror or e)
    except subprocess.TimeoutExpired:
        return "the 32-bit Wine loader did not answer within 30 s"
    out = r.stdout.decode(errors="replace").strip()
    if r.returncode != 0 or not out.startswith("wine-"):
        last = out.splitlines()[-1] if out else "exit code %d" % r.returncode
        return "this host cannot run the 32-bit Wine loader (%s)" % last
    return None


def arch_unavailable(arch):
    """None when a prefix of this architecture can run here, else the reason."""
    if not shutil.which("Xvfb"):
        return "Xvfb is not installed"
    if not loader("win64"):
        return "the 64-bit Wine loader is not installed (wine64)"
    return win32_unavailable() if arch == "win32" else None


def describe_loaders():
    """Lines for the test command's output: which builds run under Wine here."""
    lines = []
    for arch, build in (("win64", "64-bit"), ("win32", "32-bit")):
        why = arch_unavailable(arch)
        lines.append("%s build: %s" % (build, "runs under Wine with " + loader(arch) if why is None
                                       else "skipped under Wine: " + why))
    return lines


def unix_to_windows(path):
    """Wine maps the Unix root to drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wait_for(predicate, timeout, interval=0.25, what="condition"):
    """Polls predicate until it returns something truthy and returns that;
    raises TimeoutError naming what was awaited and the last value seen."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        last = predicate()
        if last:
            return last
        if time.monotonic() >= deadline:
            raise TimeoutError("%s not reached within %.1f s (last: %r)" % (what, timeout, last))
        time.sleep(interval)


def _free_display(start=90):
    for n in range(start, start + 400):
        if not os.path.exists("/tmp/.X11-unix/X%d" % n) and not os.path.exists("/tmp/.X%d-lock" % n):
            return n
    raise WineError("no free X display number")


def _run(env, args, timeout, what, cwd, check=True):
    try:
        r = subprocess.run(args, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise WineError("%s timed out after %s s" % (what, timeout))
    if check and r.returncode != 0:
        raise WineError("%s failed with %d: %s" % (what, r.returncode, r.stderr.decode(errors="replace")))
    return r


def font_links():
    """(file in the prefix's Fonts, face, file on this host) of each linked
    font that is installed here, in the order Wine falls back to them."""
    found = []
    for candidates, name, face in ((JAPANESE_FONT_CANDIDATES, JAPANESE_FONT_FILE, JAPANESE_FONT_FACE),
                                   (CJK_FONT_CANDIDATES, CJK_FONT_FILE, CJK_FONT_FACE)):
        path = next((f for f in candidates if os.path.exists(f)), None)
        if path:
            found.append((name, face, path))
    return found


def font_link_value(links):
    """A FontLink entry: "FILE,FACE" of each font, each ended by a zero."""
    return "".join("%s,%s\0" % (name, face) for name, face, _ in links)


def proportional_fonts():
    """The files of PROPORTIONAL_FACE installed here (fonts-dejavu-core)."""
    return [f for f in PROPORTIONAL_FONTS if os.path.exists(f)]


def init_prefix(env, prefix, scratch):
    """Creates a prefix for Lensoro runs: wineboot, Tahoma replaced by a face
    with the shipped languages' letters, the Japanese and Chinese and Korean
    font links and no window manager. env is wine_env()'s for this prefix."""
    os.makedirs(prefix, exist_ok=True)
    _run(env, [env["WINELOADER"], "wineboot", "--init"], 120, "wineboot", scratch)
    # `wineserver -w` waits for the server to end: every client gone, registry on disk.
    _run(env, [env["WINESERVER"], "-w"], 60, "wineserver -w", scratch, check=False)
    links = font_links()
    proportional = proportional_fonts()
    fonts_dir = os.path.join(prefix, "drive_c", "windows", "Fonts")
    for name, path in [(n, p) for n, _, p in links] + [(os.path.basename(p), p) for p in proportional]:
        target = os.path.join(fonts_dir, name)
        if os.path.isdir(fonts_dir) and not os.path.lexists(target):
            os.symlink(path, target)
    lines = ["Windows Registry Editor Version 5.00", "",
             r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]",
             # No window manager on the Xvfb: Wine draws frames and moves focus itself.
             '"Managed"="N"', ""]
    if proportional:
        lines += [r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]", '"Tahoma"="%s"' % PROPORTIONAL_FACE, ""]
    if links:
        value = font_link_value(links).encode("utf-16-le") + b"\0\0"
        multi = ",".join("%02x" % b for b in value)
        for key in FONTLINK_KEYS:
            lines += ["[%s]" % key] + ['"%s"=hex(7):%s' % (face, multi) for face in LINKED_FACES] + [""]
    reg = os.path.join(scratch, "lensoro-prefix.reg")
    # A file of this version is UTF-16 with a byte-order mark; Wine's regedit
    # reads one without as ANSI and widens hex(7) data a second time.
    with open(reg, "w", encoding="utf-16", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")
    _run(env, [env["WINELOADER"], "regedit", "/S", unix_to_windows(reg)], 60, "regedit", scratch)
    _run(env, [env["WINESERVER"], "-w"], 30, "wineserver -w", scratch, check=False)
    if links:
        check_font_link(prefix, links)
    with open(os.path.join(prefix, PREFIX_MARK), "w") as f:
        f.write("Lensoro prefix set up\n")


def check_font_link(prefix, links):
    """Raises WineError unless the prefix's registry links Tahoma to the
    fonts, character for character (a mangled value draws boxes)."""
    with open(os.path.join(prefix, "system.reg"), encoding="utf-8", errors="replace") as f:
        text = f.read()
    key = "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\FontLink\\\\SystemLink]"
    at = text.find(key)
    section = text[at:text.find("\n[", at + 1)] if at >= 0 else ""
    wanted = '"Tahoma"=str(7):"%s"' % font_link_value(links).replace("\0", "\\0")
    if wanted not in section.splitlines():
        raise WineError("the font link did not reach the registry: %r"
                        % [l for l in section.splitlines() if l.startswith('"Tahoma"')])


# --- prefix templates ----------------------------------------------------------
#
# wineboot takes 15 to 30 s, most of a short scenario. Each arch's prefix is
# made once per machine into a template, keyed by the Wine version and this
# file's own text (so that a changed set-up never meets an old template), and
# every session gets a fresh prefix cloned from it: the program modules, which
# nothing writes, as hard links, every other file (registry, .ini) as a copy
# of its own.

MODULE_EXTENSIONS = (".dll", ".exe", ".drv", ".sys", ".ocx", ".cpl", ".acm", ".ax", ".tlb", ".nls", ".mui")
# Set to 1 to run wineboot for every session.
NO_TEMPLATE_VAR = "LENSORO_E2E_NO_TEMPLATE"


def template_dir(arch):
    version = _run(None, [loader(arch), "--version"], 30, "wine --version", None).stdout.decode().strip()
    with open(__file__, "rb") as f:
        harness = hashlib.sha1(f.read()).hexdigest()[:12]
    fonts = [name for name, _, _ in font_links()] + [os.path.basename(f) for f in proportional_fonts()]
    key = "%s-%s-%s-%s-%s" % (PREFIX_MARK, arch, re.sub(r"[^\w.]+", "_", version), "-".join(fonts), harness)
    return os.path.join(tempfile.gettempdir(), "lnswine-templates-%d" % os.getuid(), key)


def _clone_file(src, dst):
    if src.lower().endswith(MODULE_EXTENSIONS):
        try:
            os.link(src, dst)
            return dst
        except OSError:
            pass  # another file system: a copy
    return shutil.copy2(src, dst)


def make_prefix(env, prefix, scratch):
    """A fresh prefix at env's WINEPREFIX: cloned from the arch's template
    (made first when missing), or set up by init_prefix itself."""
    if os.environ.get(NO_TEMPLATE_VAR) == "1":
        init_prefix(env, prefix, scratch)
        return
    import fcntl
    template = template_dir(env["WINEARCH"])
    os.makedirs(os.path.dirname(template), exist_ok=True)
    with open(template + ".lock", "w") as lock:
        # Tests started together wait for the one that makes it.
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.exists(os.path.join(template, PREFIX_MARK)):
            shutil.rmtree(template, ignore_errors=True)
            init_prefix(dict(env, WINEPREFIX=template), template, scratch)
    # The server's own files stay with the template.
    shutil.copytree(template, prefix, symlinks=True, copy_function=_clone_file,
                    ignore=lambda d, names: ["wineserver"] if d == template else [])


def wine_env(display, prefix, arch, base=None):
    """The environment of every Wine program of one prefix: its architecture's
    loader (also for the programs Wine itself starts) and the server."""
    why = arch_unavailable(arch)
    if why:
        raise WineError("cannot run a %s prefix: %s" % (arch, why))
    env = dict(os.environ if base is None else base)
    for k in ("WINEPREFIX", "WINEARCH", "WINEDEBUG", "WINEDLLOVERRIDES", "WINELOADER", "WINESERVER"):
        env.pop(k, None)
    env.update({
        "DISPLAY": display,
        "WINEPREFIX": prefix,
        "WINEARCH": arch,
        "WINELOADER": loader(arch),
        "WINESERVER": wineserver(),
        "WINEDEBUG": "-all",
        # No Mono or Gecko install prompts in a fresh prefix.
        "WINEDLLOVERRIDES": "mscoree,mshtml=",
    })
    return env


def pe_arch(exe):
    """win32 or win64, from the PE header's machine field."""
    with open(exe, "rb") as f:
        head = f.read(4096)
    pe = struct.unpack_from("<I", head, 0x3C)[0]
    machine = struct.unpack_from("<H", head, pe + 4)[0]
    return {0x14C: "win32", 0x8664: "win64"}.get(machine)


def system_folder(prefix, prefix_arch, program_arch):
    """The folder a program of program_arch sees as its system folder in a
    prefix of prefix_arch: system32, or syswow64 for a 32-bit program in a
    64-bit prefix."""
    if prefix_arch == "win32" and program_arch != "win32":
        raise WineError("a win32 prefix runs no %s program" % program_arch)
    name = "syswow64" if (prefix_arch, program_arch) == ("win64", "win32") else "system32"
    return os.path.join(prefix, "drive_c", "windows", name)


def install_stub(prefix, prefix_arch, stub_dll):
    """Copies the stand-in magnification.dll into the prefix's system folder
    of its bitness, where Windows keeps its own; returns the path."""
    arch = pe_arch(stub_dll)
    if arch is None:
        raise WineError("%s is no Windows DLL" % stub_dll)
    path = os.path.join(system_folder(prefix, prefix_arch, arch), "magnification.dll")
    # A prefix's modules are hard links into the template: never write through one.
    if os.path.lexists(path):
        os.remove(path)
    shutil.copy2(stub_dll, path)
    return path


class WineProcess:
    """A program started with the Wine loader; the PID is the Unix one of the
    loader, and the return code is the Windows exit code wine forwards."""

    def __init__(self, popen, exe, log_path):
        self._popen = popen
        self.exe = exe
        self.log_path = log_path

    @property
    def pid(self):
        return self._popen.pid

    @property
    def returncode(self):
        return self._popen.poll()

    def running(self):
        return self._popen.poll() is None

    def wait(self, timeout):
        """The exit code, or None if it is still running after timeout seconds."""
        try:
            return self._popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def output(self):
        try:
            with open(self.log_path, "r", encoding="utf-8", errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def kill(self):
        if self.running():
            try:
                os.kill(self._popen.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.wait(5)


class WineSession:
    """One Xvfb, one fresh WINEPREFIX and what runs in them, for one test run."""

    def __init__(self, arch="win32", probe_exe=None, width=1280, height=1024, keep=False, desk=None):
        """desk: monitors for xdesk (see desk_unavailable) instead of one
        Xvfb screen of width x height."""
        if arch not in ("win32", "win64"):
            raise ValueError("arch must be win32 or win64")
        self.arch = arch
        self.probe_exe = probe_exe
        self.desk = desk
        if desk:
            width, height = desk_size(desk)
        self.width, self.height = width, height
        self.keep = keep or os.environ.get("LENSORO_E2E_KEEP") == "1"
        self.root = tempfile.mkdtemp(prefix="lnswine-")
        self.prefix = os.path.join(self.root, "prefix")
        self.display = None
        self.timings = {}
        self._xvfb = None
        self._processes = []
        self._helpers = []
        self._count = 0
        self._last_start = 0.0
        self.env = None

    # --- lifetime -------------------------------------------------------------

    def __enter__(self):
        try:
            self.open()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def open(self):
        t0 = time.monotonic()
        self._start_xdesk() if self.desk else self._start_xvfb()
        self.timings["xvfb"] = time.monotonic() - t0
        self.env = wine_env(":%d" % self.display, self.prefix, self.arch)
        t0 = time.monotonic()
        self._make_prefix()
        self.timings["prefix"] = time.monotonic() - t0

    def _start_xvfb(self):
        for _ in range(5):
            n = _free_display()
            log = open(os.path.join(self.root, "xvfb-%d.log" % n), "wb")
            p = subprocess.Popen(
                ["Xvfb", ":%d" % n, "-screen", "0", "%dx%dx24" % (self.width, self.height), "-nolisten", "tcp"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
            log.close()
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and p.poll() is None:
                if os.path.exists("/tmp/.X11-unix/X%d" % n):
                    self._xvfb, self.display = p, n
                    return
                time.sleep(0.1)
            # Another run took the number between our look and its start: next one.
            if p.poll() is None:
                p.kill()
            p.wait(5)
        raise WineError("Xvfb did not start")

    def _start_xdesk(self):
        env = dict(os.environ, XDESK_STATE=self.root)
        r = _run(env, ["bash", XDESK, "start", self.desk], 60, "xdesk start", self.root)
        m = re.search(r"DISPLAY=:(\d+)", r.stdout.decode())
        if not m:
            raise WineError("xdesk gave no display: %r" % r.stdout)
        self.display = int(m.group(1))
        self._xdesk_env = env

    def _make_prefix(self):
        make_prefix(self.env, self.prefix, self.root)

    def close(self):
        for p in self._processes + self._helpers:
            if p.running() if isinstance(p, WineProcess) else p.poll() is None:
                try:
                    p.terminate() if not isinstance(p, WineProcess) else os.kill(p.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        if self.env is not None and os.path.isdir(self.prefix):
            try:
                subprocess.run([self.env["WINESERVER"], "-k"], env=self.env, timeout=15,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            except subprocess.TimeoutExpired:
                pass
        for p in self._processes:
            if p.wait(5) is None:
                p.kill()
        for p in self._helpers + [self._xvfb]:
            if p is None:
                continue
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait(5)
        if self.desk and self.display is not None:
            _run(self._xdesk_env, ["bash", XDESK, "stop", ":%d" % self.display], 30, "xdesk stop", self.root,
                 check=False)
        self._processes, self._helpers = [], []
        self._xvfb = None
        if not self.keep:
            shutil.rmtree(self.root, ignore_errors=True)

    # --- programs -------------------------------------------------------------

    def install(self, dist_dir, folder_name, stub_dll=None):
        """Copies the portable folder into a new folder, and the stand-in
        magnification.dll (default: the build's wine/ beside dist/) into the
        prefix's system folder for its bitness: the program takes it from
        there only, as it takes Windows' own."""
        dist_dir = os.path.abspath(dist_dir)
        if stub_dll is None:
            stub_dll = os.path.join(os.path.dirname(dist_dir), "wine", "magnification.dll")
        target = os.path.join(self.root, "apps", folder_name)
        if os.path.exists(target):
            raise WineError("folder %s exists already" % target)
        shutil.copytree(dist_dir, target)
        self.install_stub(stub_dll)
        return target

    def install_stub(self, stub_dll):
        """The stand-in into this prefix's system folder (install_stub)."""
        return install_stub(self.prefix, self.arch, stub_dll)

    def set_dpi(self, dpi):
        """The screen's scale for the programs started from now on, as the
        display settings store it (LogPixels under Control Panel\\Desktop)."""
        reg = os.path.join(self.root, "dpi-%d.reg" % dpi)
        with open(reg, "w", encoding="utf-16", newline="\r\n") as f:
            f.write("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"
                    '"LogPixels"=dword:%08x\n' % dpi)
        _run(self.env, [self.env["WINELOADER"], "regedit", "/S", unix_to_windows(reg)], 60, "regedit", self.root)

    def start(self, exe_path, args=(), env=None):
        self._count += 1
        log = os.path.join(self.root, "proc-%d-%s.log" % (self._count, os.path.basename(exe_path)))
        full_env = dict(self.env)
        full_env.update(env or {})
        with open(log, "wb") as out:
            p = subprocess.Popen([self.env["WINELOADER"], exe_path] + list(args), env=full_env, cwd=os.path.dirname(exe_path),
                                 stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
        self._last_start = time.monotonic()
        proc = WineProcess(p, exe_path, log)
        self._processes.append(proc)
        return proc

    def start_helper(self, args):
        """A plain X client on the session's display (a picture behind the loupe)."""
        p = subprocess.Popen(list(args), env=self.env, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._helpers.append(p)
        return p

    def probe(self, *args, timeout=10, check=True):
        """Runs lnsprobe.exe in the session and returns its JSON lines as a
        list; one retry, as a wine client started just as another program
        starts can hang."""
        if not self.probe_exe:
            raise WineError("no probe given to the session")
        # NOTE: the hang is seen when the probe starts within a few hundred
        # milliseconds of another program; half a second apart it never was.
        gap = self._last_start + START_GAP - time.monotonic()
        if gap > 0:
            time.sleep(gap)
        cmd = [self.env["WINELOADER"], self.probe_exe] + [str(a) for a in args]
        for attempt in range(2):
            try:
                r = subprocess.run(cmd, env=self.env, cwd=self.root, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
                break
            except subprocess.TimeoutExpired:
                if attempt == 1:
                    raise WineError("lnsprobe %s timed out twice" % " ".join(map(str, args)))
        lines = []
        for text in r.stdout.decode("utf-8", errors="replace").splitlines():
            try:
                lines.append(json.loads(text))
            except ValueError:
                # NOTE: seen once on a 64-bit prefix: a line on stdout that was
                # not ours. Kept visible, not fatal.
                if text.strip():
                    sys.stderr.write("lnsprobe %s: not JSON: %r\n" % (args[0], text))
        if check and r.returncode not in (0, 1):
            raise WineError("lnsprobe %s exited %d: %s" % (" ".join(map(str, args)), r.returncode,
                                                           r.stderr.decode(errors="replace")))
        self.last_probe_returncode = r.returncode
        return lines

    def windows(self, title=None):
        """Top-level windows, optionally only those with this exact title."""
        return [w for w in self.probe("list") if title is None or w["title"] == title]

    def loupes(self):
        return [w for w in self.windows(LOUPE_CAPTION) if w["owner"] == "0x00000000"]

    def screenshot(self, path, timeout=20):
        subprocess.run(["import", "-display", ":%d" % self.display, "-window", "root", path],
                       env=self.env, timeout=timeout, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        return path

    def xdotool(self, *args, timeout=10):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, timeout=timeout,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def pixels(self, timeout=20):
        """The screen as (width, height, bytes of RGB rows)."""
        r = subprocess.run(["import", "-display", ":%d" % self.display, "-window", "root", "-depth", "8", "rgb:-"],
                           env=self.env, timeout=timeout, check=True,
                           stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if len(r.stdout) != self.width * self.height * 3:
            raise WineError("screen grab has %d bytes" % len(r.stdout))
        return Screen(self.width, self.height, r.stdout)

    def show_pattern(self, x, y, width, height):
        """Shows test_pattern() in a plain X window at (x, y), behind any Wine
        window, so that a magnified image is visibly something."""
        path = os.path.join(self.root, "pattern-%dx%d.ppm" % (width, height))
        with open(path, "wb") as f:
            f.write(b"P6 %d %d 255\n" % (width, height))
            f.write(bytes(test_pattern(width, height)))
        p = self.start_helper(["display", "-borderwidth", "0", "-geometry", "+%d+%d" % (x, y), path])
        wait_for(lambda: self.pixels().get(x + width // 2, y + height // 2) == pattern_colour(width // 2, height // 2),
                 15, 0.3, "the test pattern on screen")
        return p


def pattern_colour(x, y):
    """Neighbouring pixels differ, so a wrong scale or offset shows."""
    return ((x * 37) % 256, (y * 53) % 256, ((x + 2 * y) * 23 + 40) % 256)


def test_pattern(width, height):
    out = bytearray()
    for y in range(height):
        for x in range(width):
            out += bytes(pattern_colour(x, y))
    return out


STUB_LOG_LINE = re.compile(r"^pid=(\d+) (\w+)(.*) -> (\S+)")
STUB_RECT = re.compile(r"rect=\((-?\d+),(-?\d+),(-?\d+),(-?\d+)\)")


class StubLog:
    """The stand-in's log (LENSORO_MAGSTUB_LOG) read from a mark on, so a
    check sees only what followed the action it made."""

    def __init__(self, path):
        self.path = path
        self.offset = 0

    def mark(self):
        try:
            self.offset = os.path.getsize(self.path)
        except OSError:
            self.offset = 0

    def calls(self, name=None):
        """(pid, call, arguments, result) of the lines since the mark; a
        line still being written is left for the next read."""
        try:
            with open(self.path, "rb") as f:
                f.seek(self.offset)
                data = f.read()
        except OSError:
            return []
        out = []
        for raw in data.split(b"\n")[:-1]:
            m = STUB_LOG_LINE.match(raw.decode("utf-8", errors="replace").rstrip("\r"))
            if m and (name is None or m.group(2) == name):
                out.append((int(m.group(1)), m.group(2), m.group(3).strip(), m.group(4)))
        return out

    def sources(self):
        """The MagSetWindowSource rectangles since the mark, as (l, t, r, b)."""
        return [tuple(map(int, STUB_RECT.search(a).groups())) for (_, _, a, _) in self.calls("MagSetWindowSource")
                if STUB_RECT.search(a)]

    def wait_call(self, name, predicate, timeout, interval=0.005):
        """Polls for the first call since the mark for which predicate(arguments)
        holds; returns (call, seconds waited) or raises TimeoutError."""
        t0 = time.monotonic()
        found = wait_for(lambda: next((c for c in self.calls(name) if predicate(c[2])), None),
                         timeout, interval, "a %s call" % name)
        return found, time.monotonic() - t0


class Screen:
    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def get(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def scaled_mismatches(self, left, top, width, height, expected, rate, step=3, skip=None):
        """Samples every step-th pixel of the rectangle and compares it with
        expected(floor(dx / rate), floor(dy / rate)), nearest neighbour as the
        stand-in scales; skip(dx, dy) leaves pixels out. Returns (sampled,
        [(dx, dy, expected, seen), ...])."""
        total, bad = 0, []
        for dy in range(0, height, step):
            for dx in range(0, width, step):
                if skip and skip(dx, dy):
                    continue
                total += 1
                want = tuple(expected(int(dx // rate), int(dy // rate)))
                seen = self.get(left + dx, top + dy)
                if seen != want:
                    bad.append((dx, dy, want, seen))
        return total, bad

    def colours(self, left, top, right, bottom):
        """The distinct colours in a rectangle (right and bottom exclusive)."""
        seen = set()
        for y in range(top, bottom):
            row = self.data[(y * self.width + left) * 3:(y * self.width + right) * 3]
            seen.update(row[i:i + 3] for i in range(0, len(row), 3))
        return seen


def headless_run(exe, probe_exe, stub_dll, shot, settle=2.5):
    """Starts exe on an Xvfb of its own in a fresh prefix with the stand-in
    in its system folder, with a test pattern under the pointer,
    screenshots the running loupe to shot and closes it with WM_CLOSE.
    Returns the program's exit code."""
    with WineSession(pe_arch(exe) or "win32", probe_exe) as s:
        s.install_stub(stub_dll)
        s.show_pattern(540, 430, 200, 170)
        s.xdotool("mousemove", 640, 512)
        app = s.start(exe)
        loupes = wait_for(lambda: [w for w in s.loupes() if w["image"].lower() == unix_to_windows(exe).lower()],
                          30, 0.3, "the loupe window")
        time.sleep(settle)  # a few frames of the magnifier
        s.screenshot(shot)
        s.probe("post", loupes[0]["hwnd"], 0x0010, 0, 0)
        code = app.wait(20)
        return code if code is not None else -1


USAGE = """usage: lnswine.py COMMAND
  wine-for EXE              prints "ARCH LOADER SERVER" for the exe; prints ARCH
                            and exits 1, with the reason on stderr, where this
                            host cannot run it
  loaders [--setup]         which builds run under Wine on this host
  win32-status              "runs", or why the 32-bit loader cannot run here
                            (for LENSORO_WIN32_STATUS: ask once per run)
  init-prefix PREFIX ARCH   set up a persistent prefix (scripts/run)
  install-stub PREFIX ARCH DLL
                            put the stand-in magnification.dll DLL into the
                            system folder of its bitness in the ARCH prefix
  headless EXE PROBE STUB SHOT
                            run EXE on a private Xvfb, with the stand-in STUB
                            in the system folder, and screenshot it
"""


def _main(argv):
    if len(argv) == 2 and argv[0] == "wine-for":
        arch = pe_arch(argv[1]) or "win32"
        why = arch_unavailable(arch)
        if why:
            print(arch)
            sys.stderr.write(why + "\n")
            return 1
        print(arch, loader(arch), wineserver())
        return 0
    if argv == ["win32-status"]:
        print(win32_unavailable() or WIN32_RUNS)
        return 0
    if argv[:1] == ["loaders"] and argv[1:] in ([], ["--setup"]):
        head = "setup: " if argv[1:] else ""
        for line in describe_loaders():
            print(head + line)
        return 0
    if len(argv) == 3 and argv[0] == "init-prefix":
        prefix = os.path.abspath(argv[1])
        scratch = tempfile.mkdtemp(prefix="lnsprefix-")
        try:
            init_prefix(wine_env(os.environ.get("DISPLAY", ""), prefix, argv[2]), prefix, scratch)
        finally:
            shutil.rmtree(scratch, ignore_errors=True)
        return 0
    if len(argv) == 4 and argv[0] == "install-stub":
        try:
            print(install_stub(os.path.abspath(argv[1]), argv[2], os.path.abspath(argv[3])))
        except (WineError, OSError) as e:
            sys.stderr.write("install-stub: %s\n" % e)
            return 1
        return 0
    if len(argv) == 5 and argv[0] == "headless":
        shot = os.path.abspath(argv[4])
        code = headless_run(*(os.path.abspath(a) for a in argv[1:4]), shot)
        print(shot)
        return code
    sys.stderr.write(USAGE)
    return 2


if __name__ == "__main__":
    sys.exit(_main(sys.argv[1:]))
