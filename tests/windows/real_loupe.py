"""On real Windows (the hosted runner of .github/workflows/windows.yml): starts
lensoro.exe from its portable folder, where no stand-in magnification.dll
lies, so Windows' own is loaded; waits for its loupe window and checks that
it holds a child of the system's "Magnifier" class; leaves the loupe up for
the screenshot and prints the loupe's handle. `--close HWND` ends it again.

    python tests/windows/real_loupe.py --dist build/mingw64/dist --probe build/mingw64/wine/lnsprobe.exe
    python tests/windows/real_loupe.py --probe build/mingw64/wine/lnsprobe.exe --close 0x1234
"""

import argparse
import json
import os
import subprocess
import sys
import time

LOUPE_CAPTION = "がめん かくだい ソフト ぽてりん"
WAIT_S = 30


def probe(exe, *args):
    out = subprocess.run([exe] + list(args), capture_output=True, timeout=30).stdout.decode("utf-8")
    return [json.loads(line) for line in out.splitlines() if line.strip()]


def main(argv):
    ap = argparse.ArgumentParser()
    ap.add_argument("--dist")
    ap.add_argument("--probe", required=True)
    ap.add_argument("--close")
    args = ap.parse_args(argv)
    if args.close:
        probe(args.probe, "post", args.close, "0x10", "0", "0")  # WM_CLOSE, as "End task" does
        return 0
    exe = os.path.abspath(os.path.join(args.dist, "lensoro.exe"))
    if os.path.exists(os.path.join(args.dist, "magnification.dll")):
        print("a magnification.dll lies beside the exe: this would not be Windows' own")
        return 1
    proc = subprocess.Popen([exe], cwd=os.path.dirname(exe))
    deadline = time.monotonic() + WAIT_S
    loupe = None
    while loupe is None and time.monotonic() < deadline:
        time.sleep(0.5)
        loupe = next((w for w in probe(args.probe, "list")
                      if w.get("title") == LOUPE_CAPTION and w.get("pid") == proc.pid and w.get("visible")), None)
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
