#!/usr/bin/env python3
"""Finishes a linked NT driver image: marks its INIT section discardable (GNU
ld cannot) and writes the image checksum the kernel loader checks for boot
drivers.

usage: pe_finish_driver.py IMAGE
"""
import struct
import sys

IMAGE_SCN_MEM_DISCARDABLE = 0x02000000


def pe_offsets(image):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise SystemExit("not a PE image")
    sections = struct.unpack_from("<H", image, pe + 6)[0]
    optional_size = struct.unpack_from("<H", image, pe + 20)[0]
    optional = pe + 24
    return optional, optional + optional_size, sections


def checksum(image, checksum_offset):
    total = 0
    data = image + (b"\0" if len(image) % 2 else b"")
    for i in range(0, len(data), 2):
        if checksum_offset <= i < checksum_offset + 4:
            continue
        total += struct.unpack_from("<H", data, i)[0]
        total = (total & 0xFFFF) + (total >> 16)
    total = (total & 0xFFFF) + (total >> 16)
    return (total + len(image)) & 0xFFFFFFFF


def main(path):
    image = bytearray(open(path, "rb").read())
    optional, table, count = pe_offsets(image)
    found = False
    for i in range(count):
        header = table + 40 * i
        name = image[header:header + 8].rstrip(b"\0")
        if name == b"INIT":
            flags_at = header + 36
            flags = struct.unpack_from("<I", image, flags_at)[0]
            struct.pack_into("<I", image, flags_at, flags | IMAGE_SCN_MEM_DISCARDABLE)
            found = True
    if not found:
        raise SystemExit("no INIT section in " + path)
    checksum_at = optional + 64
    struct.pack_into("<I", image, checksum_at, 0)
    struct.pack_into("<I", image, checksum_at, checksum(bytes(image), checksum_at))
    open(path, "wb").write(image)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    main(sys.argv[1])
