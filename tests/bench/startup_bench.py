#!/usr/bin/env python3
"""Start-up benchmark under Wine: how long lensoro.exe takes from its spawn
until X maps its loupe window, against lnsbare.exe, a program of the same
build that only opens one plain window. Figures, not a test: it never fails
on time.

    python3 tests/bench/startup_bench.py [--runs N] [--arch win64|win32|all] [--build-root build]

For each architecture this host runs (the 32-bit build is skipped with the
reason where it cannot run), one Wine session (its own Xvfb, a fresh
prefix): the wineserver is kept up, each program is started once untimed
(so the loupe's folder holds its settings and language file, and Wine's own
services are up), then the two are started N times in turn, alternating
which goes first in each pair. With --before, an older build's lensoro.exe
(from its own folder) joins the rotation, so before and after are timed
under the same load. Each start is timed from just before the
spawn until the X server reports the MapNotify of a top-level window whose
_NET_WM_PID is the spawned process: an event watcher on its own connection
to the display (Xlib through ctypes) selects SubstructureNotify on the root
window and stamps each event as it is read, so polling adds no delay. The
program is then closed with WM_CLOSE and waited for before the next start.

The notification area is up before the first start, as on any Windows
desktop: a resident `lnsbare.exe tray` keeps one icon in it for the whole
session. (Under Wine without a desktop, the shell otherwise shows its own
tray window for the first icon and hides it after the last, so each start
would pay for that window.) --cold-tray leaves it out.

Prints every time, both medians, their spread (minimum, maximum and
interquartile range) and the ratio of the medians, with the load average.
"""

import argparse
import ctypes
import ctypes.util
import os
import select
import statistics
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import lnswine  # noqa: E402

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
WM_CLOSE = 0x0010
BARE_TITLE = "Lensoro bare window"
RESIDENT_TITLE = "Lensoro bare tray"


class _XMapEvent(ctypes.Structure):
    # The head of XEvent as a MapNotify fills it; the union is 24 longs.
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class _XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", _XMapEvent), ("pad", ctypes.c_long * 24)]


class MapWatcher:
    """Stamps every MapNotify of a top-level window on the display with
    time.monotonic() and the window's _NET_WM_PID, on a thread of its own."""

    def __init__(self, display_name):
        x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        x.XConnectionNumber.argtypes = [ctypes.c_void_p]
        x.XPending.argtypes = [ctypes.c_void_p]
        x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(_XEvent)]
        x.XFlush.argtypes = [ctypes.c_void_p]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XGetWindowProperty.argtypes = [
            ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long, ctypes.c_int,
            ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int),
            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self._x = x
        self._dpy = x.XOpenDisplay(display_name.encode())
        if not self._dpy:
            raise lnswine.WineError("cannot open display %s" % display_name)
        self._pid_atom = x.XInternAtom(self._dpy, b"_NET_WM_PID", 0)
        self._name_atom = x.XInternAtom(self._dpy, b"_NET_WM_NAME", 0)
        self._utf8_atom = x.XInternAtom(self._dpy, b"UTF8_STRING", 0)
        x.XSelectInput(self._dpy, x.XDefaultRootWindow(self._dpy), SUBSTRUCTURE_NOTIFY_MASK)
        x.XFlush(self._dpy)
        self._fd = x.XConnectionNumber(self._dpy)
        self._lock = threading.Lock()
        self._maps = []  # (monotonic time, window, pid or None, name)
        self._stop = False
        self._thread = threading.Thread(target=self._loop, daemon=True)
        self._thread.start()

    def _property(self, window, atom, kind, length):
        """(format, count, bytes) of a window property; None when it is not set."""
        x = self._x
        actual_type, actual_format = ctypes.c_ulong(), ctypes.c_int()
        count, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        status = x.XGetWindowProperty(self._dpy, window, atom, 0, length, 0, kind, ctypes.byref(actual_type),
                                      ctypes.byref(actual_format), ctypes.byref(count), ctypes.byref(after),
                                      ctypes.byref(data))
        if status != 0 or not data.value:
            return None
        try:
            # Xlib hands 32-bit items as longs.
            size = count.value * {8: 1, 16: 2, 32: ctypes.sizeof(ctypes.c_long)}.get(actual_format.value, 0)
            return actual_format.value, count.value, ctypes.string_at(data, size)
        finally:
            x.XFree(data)

    def _window_pid(self, window):
        prop = self._property(window, self._pid_atom, 6, 1)  # XA_CARDINAL
        if not prop or prop[0] != 32 or prop[1] != 1:
            return None
        return ctypes.c_ulong.from_buffer_copy(prop[2]).value

    def _window_name(self, window):
        prop = self._property(window, self._name_atom, self._utf8_atom, 256)
        return prop[2].decode("utf-8", errors="replace") if prop else ""

    def _loop(self):
        event = _XEvent()
        while not self._stop:
            # select() wakes as soon as the server writes; Xlib is only
            # entered when an event is there, so stop() is never blocked.
            if not self._x.XPending(self._dpy):
                select.select([self._fd], [], [], 0.05)
                continue
            self._x.XNextEvent(self._dpy, ctypes.byref(event))
            now = time.monotonic()
            if event.type == MAP_NOTIFY:
                window = event.xmap.window
                with self._lock:
                    self._maps.append((now, window, self._window_pid(window), self._window_name(window)))

    def first_map(self, pid, since):
        """(time, name) of the first map of a window of process pid at or
        after since; None before there is one."""
        with self._lock:
            return next(((t, name) for (t, _, p, name) in self._maps if p == pid and t >= since), None)

    def close(self):
        self._stop = True
        self._thread.join(2)
        self._x.XCloseDisplay(self._dpy)


def median_spread(values):
    ordered = sorted(values)
    q = statistics.quantiles(ordered, n=4) if len(ordered) >= 2 else [ordered[0]] * 3
    return statistics.median(ordered), ordered[0], ordered[-1], q[2] - q[0]


def load_average():
    try:
        with open("/proc/loadavg") as f:
            return " ".join(f.read().split()[:3])
    except OSError:
        return "?"


class Bench:
    def __init__(self, session, watcher, verbose, settle=0.0):
        self.s = session
        self.watcher = watcher
        self.verbose = verbose
        self.settle = settle

    def close_window(self, title, exe):
        """Posts WM_CLOSE to the program's top-level window with this title."""
        image = lnswine.unix_to_windows(exe).lower()
        found = lnswine.wait_for(
            lambda: [w for w in self.s.windows(title) if w["image"].lower() == image and w["owner"] == "0x00000000"],
            20, 0.2, "the window %r" % title)
        self.s.probe("post", found[0]["hwnd"], WM_CLOSE, 0, 0)

    def time_start(self, exe, title):
        """Seconds from the spawn of exe until X maps its window; the program
        is closed and waited for afterwards."""
        # The last program's and the probe's ends are still being cleaned
        # up by Wine and X for a while; a start right after them shares the
        # processors with that.
        time.sleep(self.settle)
        t0 = time.monotonic()
        proc = self.s.start(exe)
        def mapped_or_ended():
            seen = self.watcher.first_map(proc.pid, t0)
            if not seen and not proc.running():
                raise lnswine.WineError("%s ended (%s) before its window was mapped: %s"
                                        % (exe, proc.returncode, proc.output()[-500:]))
            return seen
        mapped, name = lnswine.wait_for(mapped_or_ended, 60, 0.01, "the window of %s mapped" % os.path.basename(exe))
        if name != title:
            raise lnswine.WineError("%s mapped %r before its window %r" % (exe, name, title))
        self.close_window(title, exe)
        if proc.wait(30) is None:
            raise lnswine.WineError("%s did not end after WM_CLOSE" % exe)
        return mapped - t0


def install_bare(session, build_dir, folder_name="Bare"):
    src = os.path.join(build_dir, "wine", "lnsbare.exe")
    folder = os.path.join(session.root, "apps", folder_name)
    os.makedirs(folder)
    bare = os.path.join(folder, "lnsbare.exe")
    with open(src, "rb") as f, open(bare, "wb") as g:
        g.write(f.read())
    return bare


def check_build(build_dir):
    for f in ("dist/lensoro.exe", "wine/lnsprobe.exe", "wine/lnsbare.exe", "wine/magnification.dll"):
        if not os.path.isfile(os.path.join(build_dir, f)):
            raise lnswine.WineError("%s is missing: build with `bash scripts/build`" % os.path.join(build_dir, f))


def start_resident_tray(session, build_dir):
    """Starts lnsbare.exe with its one notification-area icon and waits until
    its window is there (the icon is added before its message loop runs)."""
    exe = install_bare(session, build_dir, "Resident")
    proc = session.start(exe, ["tray"])
    lnswine.wait_for(lambda: session.windows(RESIDENT_TITLE) or not proc.running(), 30, 0.2, "the resident tray icon")
    if not proc.running():
        raise lnswine.WineError("lnsbare.exe tray ended (%s): %s" % (proc.returncode, proc.output()[-500:]))


def run_arch(arch, build_dir, runs, verbose, before_dir=None, cold_tray=False, settle=0.0):
    """{name: [seconds, ...]} for "lensoro", "bare" and, with before_dir
    (an older build of the same architecture), "before"."""
    check_build(build_dir)
    with lnswine.WineSession(arch, os.path.join(build_dir, "wine", "lnsprobe.exe")) as s:
        programs = {}
        folder = s.install(os.path.join(build_dir, "dist"), "Lensoro")
        programs["lensoro"] = (os.path.join(folder, "lensoro.exe"), lnswine.LOUPE_CAPTION)
        programs["bare"] = (install_bare(s, build_dir), BARE_TITLE)
        if before_dir:
            old = s.install(os.path.join(before_dir, "dist"), "LensoroBefore",
                            stub_dll=os.path.join(build_dir, "wine", "magnification.dll"))
            programs["before"] = (os.path.join(old, "lensoro.exe"), lnswine.LOUPE_CAPTION)
        # Warm: the server stays up between the starts (ended by the session).
        subprocess.run([s.env["WINESERVER"], "-p"], env=s.env, timeout=30, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not cold_tray:
            start_resident_tray(s, build_dir)
        watcher = MapWatcher(":%d" % s.display)
        try:
            b = Bench(s, watcher, verbose, settle)
            for path, title in programs.values():
                b.time_start(path, title)  # untimed: the folders' files, Wine's services
            for path, title in programs.values():
                if title == lnswine.LOUPE_CAPTION:
                    ini = os.path.splitext(path)[0] + ".ini"
                    lang = os.path.join(os.path.dirname(path), "Lang")
                    if not os.path.isfile(ini) or not os.listdir(lang):
                        raise lnswine.WineError("the warm-up left no settings or language file beside %s" % path)
            names = list(programs)
            times = {name: [] for name in names}
            for i in range(runs):
                # Each round starts with the next program, so none is always first.
                for k in range(len(names)):
                    name = names[(i + k) % len(names)]
                    t = b.time_start(*programs[name])
                    times[name].append(t)
                    if verbose:
                        print("  %-7s run %2d: %6.1f ms" % (name, i + 1, t * 1000), flush=True)
        finally:
            watcher.close()
    return times


def report(arch, times, load_before, load_after, cold_tray):
    print("%s build, %d alternating runs each, %s (load average %s before, %s after):"
          % ({"win64": "64-bit", "win32": "32-bit"}[arch], len(times["lensoro"]),
             "no icon in the notification area before" if cold_tray else "notification area up",
             load_before, load_after))
    medians = {}
    for name in times:
        med, lo, hi, iqr = median_spread(times[name])
        medians[name] = med
        print("  %-8s median %6.1f ms   min %6.1f  max %6.1f  IQR %5.1f ms   [%s]"
              % (name, med * 1000, lo * 1000, hi * 1000, iqr * 1000,
                 " ".join("%.0f" % (t * 1000) for t in times[name])))
    for name in ("before", "lensoro"):
        if name in medians:
            print("  ratio %s / bare (medians): %.2f" % (name, medians[name] / medians["bare"]))


def main(argv):
    root = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--runs", type=int, default=9, help="starts of each program (at least 9; default 9)")
    ap.add_argument("--arch", choices=("win64", "win32", "all"), default="all")
    ap.add_argument("--build-root", default=os.path.join(root, "build"),
                    help="folder holding mingw64/ and mingw/ (default: the repository's build/)")
    ap.add_argument("--before", metavar="BUILD_ROOT",
                    help="build root of an older lensoro.exe to time in the same rotation (before and after)")
    ap.add_argument("--cold-tray", action="store_true",
                    help="no resident notification-area icon: each start pays for Wine's tray window")
    ap.add_argument("--settle", type=float, default=0.5, metavar="SECONDS",
                    help="pause before each start (default 0.5 s), so that it does not share the processors with the end of the last one and of the probe; 0: back to back")
    ap.add_argument("-v", "--verbose", action="store_true", help="print each time as it is taken")
    args = ap.parse_args(argv)
    runs = max(9, args.runs)
    arches = ("win64", "win32") if args.arch == "all" else (args.arch,)
    builds = {"win64": "mingw64", "win32": "mingw"}
    for arch in arches:
        why = lnswine.arch_unavailable(arch)
        if why:
            print("%s build: skipped: %s" % (arch, why))
            continue
        load_before = load_average()
        before = os.path.join(args.before, builds[arch]) if args.before else None
        times = run_arch(arch, os.path.join(args.build_root, builds[arch]), runs, args.verbose, before, args.cold_tray,
                         args.settle)
        report(arch, times, load_before, load_average(), args.cold_tray)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
