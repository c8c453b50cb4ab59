#!/usr/bin/env python3
"""Checks that every #include "..." of the sources runs downward only.

The layers, lowest first: platform/ (its sim/ and win32/ backends beside each
other, neither seeing the other), framework/, RsUnits/, src/. A file may
include headers of its own layer and of the layers below it; a header of a
higher layer, of the other backend or of no layer at all is reported with
the file and line. A library's header (<zlib.h>) must come with the
library in the layer's own target_link_libraries: a private link of a lower
layer compiles only where the header happens to be on the default path.

Inside src/ the units have an order of their own, lowest first, in
src/UnitOrder.txt: a unit (its .h and .cpp; a .cpp without a header of its
name belongs to the unit its name begins with, as MainLoupe.cpp to Main)
includes only itself and the units listed before it. A file of no listed
unit, and a listed unit with no file, are reported too.
Exits 1 when anything is reported.

    check_layers.py [--root DIR]   the tree to check (default: this repo)
    check_layers.py --self-test    shows that an upward include is caught
"""
import argparse
import os
import re
import sys
import tempfile

# (folder, rank): a file sees folders of a lower rank, and its own folder.
LAYERS = [
    ("platform", 0),
    ("platform/sim", 0),
    ("platform/win32", 0),
    ("framework", 1),
    ("RsUnits", 2),
    ("src", 3),
]
SOURCE = re.compile(r"\.(h|cpp|rc\.in)$")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SYSTEM_INCLUDE = re.compile(r"^\s*#\s*include\s+<([^>]+)>")
# Each layer's CMake target, and the libraries whose headers a layer may
# include only when its target links them.
TARGETS = {"platform": "lensoro_platform", "platform/sim": "lensoro_sim", "platform/win32": "lensoro_win32",
           "framework": "lensoro_framework", "RsUnits": "lensoro_components", "src": "lensoro_units"}
LIBRARIES = {"zlib.h": "ZLIB::ZLIB"}
LINK = re.compile(r"target_link_libraries\(\s*([\w-]+)([^)]*)\)")
UNIT_ORDER = os.path.join("src", "UnitOrder.txt")
UNIT_FILE = re.compile(r"^(\w+)\.(h|cpp|h\.in|rc\.in)$")


def target_links(root):
    """Target -> the names in its target_link_libraries, from every CMakeLists.txt of the layers."""
    links = {}
    for folder in ["."] + [folder for folder, _ in LAYERS]:
        path = os.path.join(root, folder, "CMakeLists.txt")
        if os.path.isfile(path):
            with open(path, encoding="utf-8") as f:
                for target, names in LINK.findall(f.read()):
                    links.setdefault(target, set()).update(names.split())
    return links


def header_homes(root):
    """Header name -> the layer folder that holds it (a generated header by its .in)."""
    homes = {}
    for folder, _ in LAYERS:
        path = os.path.join(root, folder)
        for name in sorted(os.listdir(path)) if os.path.isdir(path) else []:
            if name.endswith(".h"):
                homes[name] = folder
            elif name.endswith(".h.in"):
                homes[name[:-3]] = folder
    return homes


def unit_order(root):
    """The units of src/, lowest first, from UnitOrder.txt (the first word of each line)."""
    path = os.path.join(root, UNIT_ORDER)
    if not os.path.isfile(path):
        return None
    with open(path, encoding="utf-8") as f:
        return [line.split()[0] for line in f if line.strip() and not line.lstrip().startswith("#")]


def unit_of(name, units):
    """The unit a file of src/ belongs to: its own name, else the longest unit its name begins with."""
    m = UNIT_FILE.match(name)
    if not m:
        return None
    stem = m.group(1)
    if stem in units:
        return stem
    owners = [u for u in units if stem.startswith(u)]
    return max(owners, key=len) if owners else None


def check_units(root):
    """Faults of the order inside src/: includes that run back up, files of no unit, units of no file."""
    units = unit_order(root)
    if units is None:
        return [f"{UNIT_ORDER}: missing; it lists the units of src/, lowest first"]
    rank = {u: i for i, u in enumerate(units)}
    folder = os.path.join(root, "src")
    names = sorted(n for n in os.listdir(folder) if UNIT_FILE.match(n))
    # A header of src/ by its include name (a generated one by its .in) -> its unit.
    header_units = {(n[:-3] if n.endswith(".in") else n): unit_of(n, rank) for n in names
                    if n.endswith((".h", ".h.in"))}
    faults, seen = [], set()
    for name in names:
        unit = unit_of(name, rank)
        if unit is None:
            faults.append(f"src/{name}: belongs to no unit of {UNIT_ORDER}")
            continue
        seen.add(unit)
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                target = header_units.get(m.group(1)) if m else None
                if target is None or rank[target] <= rank[unit]:
                    continue
                faults.append(f"src/{name}:{number}: \"{m.group(1)}\" runs back up: {target} is above {unit} "
                              f"in {UNIT_ORDER}")
    faults += [f"{UNIT_ORDER}: {unit} has no file in src/" for unit in units if unit not in seen]
    return faults


def visible(from_folder, to_folder):
    rank = dict(LAYERS)
    if from_folder == to_folder:
        return True
    if to_folder == "platform":
        return True  # the interface, under both backends
    if rank[to_folder] == rank[from_folder]:
        return False  # one backend never sees the other
    return rank[to_folder] < rank[from_folder]


def check(root):
    homes = header_homes(root)
    links = target_links(root)
    faults = []
    files = 0
    for folder, _ in LAYERS:
        path = os.path.join(root, folder)
        for name in sorted(os.listdir(path)) if os.path.isdir(path) else []:
            if not SOURCE.search(name):
                continue
            files += 1
            with open(os.path.join(path, name), encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    lib = SYSTEM_INCLUDE.match(line)
                    if lib and lib.group(1) in LIBRARIES:
                        need, target = LIBRARIES[lib.group(1)], TARGETS[folder]
                        if need not in links.get(target, set()):
                            faults.append(f"{folder}/{name}:{number}: <{lib.group(1)}> but {target} does not link {need}")
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    header = m.group(1)
                    home = homes.get(header)
                    where = f"{folder}/{name}:{number}"
                    if home is None:
                        faults.append(f"{where}: \"{header}\" lies in no layer")
                    elif not visible(folder, home):
                        faults.append(f"{where}: \"{header}\" is in {home}/, above or beside {folder}/")
    if os.path.isdir(os.path.join(root, "src")):
        faults += check_units(root)
    return files, faults


def self_test():
    """Each kind of fault is caught, and a downward include is not."""
    cases = [
        ("framework/Up.cpp", '#include "Main.h"\n', True),
        ("platform/sim/Side.cpp", '#include "Win32Platform.h"\n', True),
        ("RsUnits/Lost.cpp", '#include "Nowhere.h"\n', True),
        ("src/MainDown.cpp", '#include "Controls.h"\n#include "Platform.h"\n#include "Lang.h"\n', False),
        ("src/MainZip.cpp", "#include <zlib.h>\n", True),  # only the framework links zlib
        ("framework/Zip.cpp", "#include <zlib.h>\n", False),
        # Inside src/: back up the order, a file of no unit, a unit of no file.
        ("src/Lang.cpp", '#include "Lang.h"\n#include "Main.h"\n', True),
        ("src/Stray.cpp", '#include "Lang.h"\n', True),
        ("src/UnitOrder.txt", "# lowest first\nLang\nMain\nGone\n", True),
    ]
    failed = 0
    for path, text, expect_fault in cases:
        with tempfile.TemporaryDirectory() as root:
            for folder, header in [("platform", "Platform.h"), ("platform/win32", "Win32Platform.h"),
                                   ("framework", "Controls.h"), ("src", "Main.h"), ("src", "Lang.h"),
                                   ("RsUnits", "RsEdit.h")]:
                os.makedirs(os.path.join(root, folder), exist_ok=True)
                open(os.path.join(root, folder, header), "w").close()
            with open(os.path.join(root, UNIT_ORDER), "w") as f:
                f.write("Lang  texts\nMain  the window\n")
            with open(os.path.join(root, "CMakeLists.txt"), "w") as f:
                f.write("target_link_libraries(lensoro_framework PUBLIC lensoro_platform PRIVATE ZLIB::ZLIB)\n"
                        "target_link_libraries(lensoro_units PUBLIC lensoro_components)\n")
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w") as f:
                f.write(text)
            _, faults = check(root)
            if bool(faults) != expect_fault:
                print(f"self-test: {path} with {text.strip()!r}: {faults or 'nothing reported'}")
                failed += 1
    print(f"self-test: {len(cases) - failed} of {len(cases)} cases as expected")
    return 1 if failed else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    if args.self_test:
        return self_test()
    files, faults = check(args.root)
    for fault in faults:
        print(fault)
    print(f"{files} files read, {len(faults)} includes against the layers")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
