"""On real Windows (the hosted runner of .github/workflows/windows.yml): starts
lensoro.exe from its portable folder, where no stand-in magnification.dll
lies, so Windows' own is loaded; waits for its loupe window and checks that
it holds a child of the system's "Magnifier" class; leaves the loupe up for
the screenshot and prints the loupe's handle. `--close HWND` ends it again.

    python tests/windows/real_loupe.py --dist build/mingw64/dist --probe build/mingw64/wine/lnsprobe.exe
    python tests/windows/real_loupe.py --probe build/mingw64/wine/lnsprobe.exe --close 0x1234

`--loader /usr/lib/wine/wine64` runs the exes through Wine's loader: how the
script itself is tried on Linux, with the stand-in DLL in the prefix's
system folder standing for Windows' own.
"""

import argparse
import json
import os
import subprocess
import sys
import time

LOUPE_CAPTION = "がめん かくだい ソフト ぽてりん"
WAIT_S = 30
LOADER = []


def probe(exe, *args):
    out = subprocess.run(LOADER + [exe] + list(args), capture_output=True, timeout=30).stdout.decode("utf-8")
    return [json.loads(line) for line in out.splitlines() if line.strip()]


def main(argv):
    ap = argparse.ArgumentParser()
    ap.add_argument("--dist")
    ap.add_argument("--probe", required=True)
    ap.add_argument("--close")
    ap.add_argument("--loader")
    args = ap.parse_args(argv)
    if args.loader:
        LOADER.append(args.loader)
    if args.close:
        probe(args.probe, "post", args.close, "0x10", "0", "0")  # WM_CLOSE, as "End task" does
        return 0
    exe = os.path.abspath(os.path.join(args.dist, "lensoro.exe"))
    if os.path.exists(os.path.join(args.dist, "magnification.dll")):
        print("a magnification.dll lies beside the exe: this would not be Windows' own")
        return 1
    # No handle of ours goes with it: a pipe reading our output must end with us.
    proc = subprocess.Popen(LOADER + [exe], cwd=os.path.dirname(exe), stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # Under Wine's loader the process id is Linux's: the image path tells.
    wine_path = ("z:" + exe.replace("/", "\\")).lower()

    def ours(w):
        mine = w.get("image", "").lower() == wine_path if LOADER else w.get("pid") == proc.pid
        return mine and w.get("title") == LOUPE_CAPTION and w.get("visible")

    deadline = time.monotonic() + WAIT_S
    loupe = None
    while loupe is None and time.monotonic() < deadline:
        time.sleep(0.5)
        loupe = next((w for w in probe(args.probe, "list") if ours(w)), None)
    if loupe is None:
        print("no visible loupe window of pid %d within %d s (exit code %s)" % (proc.pid, WAIT_S, proc.poll()))
        return 1
    children = probe(args.probe, "children", str(loupe["hwnd"]))
    magnifiers = [c for c in children if c.get("class", "").lower() == "magnifier"]
    print("loupe %s at %s, exstyle %s; children: %s" % (loupe["hwnd"], loupe["rect"], loupe["exstyle"],
                                                          [c.get("class") for c in children]))
    if len(magnifiers) != 1 or not magnifiers[0].get("visible"):
        print("the loupe holds no visible Magnifier child")
        return 1
    print("LOUPE_HWND=%s" % loupe["hwnd"])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
