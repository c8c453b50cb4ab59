#!/usr/bin/env python3
"""Makes the shipped language files from their UTF-8 sources.

    make_lang_files.py SOURCE_DIR OUT_DIR

Every SOURCE_DIR/NAME.lang.txt (UTF-8, LF or CR LF line ends, kept in the
repository so that a diff shows the words) becomes OUT_DIR/NAME.lang as the
program reads and writes language files: the byte-order mark FF FE, UTF-16
LE, CR LF after every line, and one empty line at the end. Other files in
OUT_DIR are never touched (the program writes its default file there when
run from it).
"""

import os
import sys
import unicodedata

SUFFIX = ".lang.txt"


def shipped_bytes(source_text):
    text = source_text.lstrip("\ufeff").replace("\r\n", "\n")
    if "\r" in text:
        raise ValueError("a lone carriage return")
    lines = text.split("\n")
    # Ends as the default file does: the last line is an empty one.
    while lines and lines[-1] == "":
        lines.pop()
    lines.append("")
    return b"\xff\xfe" + "".join(line + "\r\n" for line in lines).encode("utf-16-le")


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    source_dir, out_dir = argv
    names = sorted(n for n in os.listdir(source_dir) if n.endswith(SUFFIX))
    if not names:
        sys.stderr.write("make_lang_files: no *%s in %s\n" % (SUFFIX, source_dir))
        return 1
    os.makedirs(out_dir, exist_ok=True)
    for name in names:
        with open(os.path.join(source_dir, name), "rb") as f:
            raw = f.read()
        try:
            data = shipped_bytes(raw.decode("utf-8", errors="strict"))
        except (UnicodeDecodeError, ValueError) as e:
            sys.stderr.write("make_lang_files: %s: %s\n" % (name, e))
            return 1
        # Windows keeps names composed; a checkout on another system may not.
        target = os.path.join(out_dir, unicodedata.normalize("NFC", name[:-len(".txt")]))
        tmp = target + ".tmp"
        with open(tmp, "wb") as f:
            f.write(data)
        os.replace(tmp, target)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
