#!/usr/bin/env python3
"""Writes the version resource of a built exe as a seed for version_fuzz.

    tests/fuzz/version_seed.py build/mingw/dist/lensoro.exe tests/fuzz/corpus/version_fuzz/lensoro_exe
"""
import struct
import sys

RT_VERSION = 16


def version_resource(image: bytes) -> bytes:
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE image")
    sections, optional_size = struct.unpack_from("<2xH12xH", image, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva = struct.unpack_from("<I", image, directories + 2 * 8)[0]
    table = optional + optional_size

    def offset(rva):
        for i in range(sections):
            vsize, vaddr, rsize, raw = struct.unpack_from("<8xIIII", image, table + 40 * i)
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return raw + rva - vaddr
        raise ValueError("address outside every section")

    base = offset(resource_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<12xHH", image, base + directory)
        for i in range(named + numbered):
            yield struct.unpack_from("<II", image, base + directory + 16 + 8 * i)

    def first_leaf(target):
        while target & 0x80000000:
            target = next(entries(target & 0x7FFFFFFF))[1]
        rva, size = struct.unpack_from("<II", image, base + target)
        return image[offset(rva):offset(rva) + size]

    for ident, target in entries(0):
        if ident == RT_VERSION:
            return first_leaf(target)
    raise ValueError("no version resource")


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        data = version_resource(f.read())
    with open(sys.argv[2], "wb") as f:
        f.write(data)
