"""Runs the platform contract's Windows program (lensoro_contract.exe, the
cases against the Win32 backend) under Wine: one Xvfb and a fresh prefix of
the exe's architecture, through the e2e harness, with the stand-in
magnification.dll in the prefix's system folder (the one built beside the
program is never loaded: the backend takes it from the system folder only). Exits with the program's
code, or 77 (skipped) with the reason when the build or Wine for it is
missing here.

    contract_wine.py --build-dir build/mingw64 [-- GTEST-ARGS...]
"""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import lnswine  # noqa: E402

SKIP = 77
RUN_TIMEOUT = 120


def main(argv):
    ap = argparse.ArgumentParser()
    ap.add_argument("--build-dir", required=True)
    ap.add_argument("gtest_args", nargs="*")
    args = ap.parse_args(argv)
    wine_dir = os.path.join(os.path.abspath(args.build_dir), "wine")
    exe = os.path.join(wine_dir, "lensoro_contract.exe")
    for need in (exe, os.path.join(wine_dir, "magnification.dll")):
        if not os.path.isfile(need):
            print("skipped: %s is not built (bash scripts/build makes it)" % need)
            return SKIP
    arch = lnswine.pe_arch(exe)
    why = lnswine.arch_unavailable(arch)
    if why:
        print("skipped: %s" % why)
        return SKIP
    # A 64-bit prefix also runs the 32-bit build's program: the peer of the
    # other bitness, where this machine runs 32-bit programs at all.
    env = {}
    stubs = [os.path.join(wine_dir, "magnification.dll")]
    other = os.path.join(os.path.dirname(os.path.abspath(args.build_dir)), "mingw", "wine", "lensoro_contract.exe")
    if arch == "win64" and os.path.isfile(other) and lnswine.arch_unavailable("win32") is None:
        env["LENSORO_CONTRACT_OTHER_BITNESS"] = lnswine.unix_to_windows(other)
        other_stub = os.path.join(os.path.dirname(other), "magnification.dll")
        if os.path.isfile(other_stub):
            stubs.append(other_stub)
    t0 = time.monotonic()
    with lnswine.WineSession(arch) as session:
        for stub in stubs:
            session.install_stub(stub)
        t1 = time.monotonic()
        proc = session.start(exe, ["--gtest_brief=1"] + args.gtest_args, env=env)
        code = proc.wait(RUN_TIMEOUT)
        t2 = time.monotonic()
        if code is None:
            proc.kill()
        sys.stdout.write(proc.output())
    print("contract %s: prefix %.1f s, cases %.1f s, in all %.1f s" % (arch, t1 - t0, t2 - t1, time.monotonic() - t0))
    if code is None:
        print("the cases did not end within %d s" % RUN_TIMEOUT)
        return 1
    return code


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
