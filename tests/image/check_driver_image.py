#!/usr/bin/env python3
"""Checks the built Dorvik.sys: a native NT driver for 32-bit x86.

usage: check_driver_image.py DORVIK_SYS NM
"""
import re
import struct
import subprocess
import sys

from peimage import RT_VERSION, PeImage

IMAGE_FILE_MACHINE_I386 = 0x14C
IMAGE_FILE_DLL = 0x2000
IMAGE_SUBSYSTEM_NATIVE = 1
IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE = 0x40
IMAGE_SCN_MEM_DISCARDABLE = 0x02000000

failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def symbols(nm, path):
    table = {}
    for line in subprocess.run([nm, path], capture_output=True, text=True, check=True).stdout.splitlines():
        parts = line.split()
        if len(parts) == 3:
            table.setdefault(parts[2], int(parts[0], 16))
    return table


def version_strings(blob):
    text = blob.decode("utf-16-le", "replace")
    found = {}
    for key in ("FileDescription", "ProductName", "InternalName", "OriginalFilename",
                "FileVersion", "ProductVersion"):
        m = re.search(key + r"\x00+([^\x00]+)\x00", text)
        found[key] = m.group(1) if m else None
    return found


def main(path, nm):
    image = PeImage(path)
    check(image.machine == IMAGE_FILE_MACHINE_I386 and image.magic == 0x10B, "32-bit x86 image")
    check(image.subsystem == IMAGE_SUBSYSTEM_NATIVE, "subsystem native")
    check(not image.characteristics & IMAGE_FILE_DLL, "not marked as a DLL")
    check(image.section(".reloc") is not None and image.directories[5][1] > 0, "base relocations present")
    check(image.dll_characteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE, "relocatable (dynamic base)")
    check(image.checksum != 0 and image.checksum == image.computed_checksum(), "image checksum is right")

    imports = image.imports()
    check(sorted(imports) == ["hal.dll", "ntoskrnl.exe"],
          "imports only ntoskrnl.exe and hal.dll (found %s)" % sorted(imports))
    check(image.exports() == [], "exports nothing")

    init = image.section("INIT")
    check(init is not None, "INIT section present")
    if init is None:
        return
    check(init.flags & IMAGE_SCN_MEM_DISCARDABLE, "INIT is discardable")

    table = symbols(nm, path)
    entry_symbol = table.get("_DriverEntry@8")
    check(entry_symbol is not None and entry_symbol - image.image_base == image.entry_rva,
          "entry point is DriverEntry")
    check(image.section_of(image.entry_rva) is init, "DriverEntry lies in INIT")
    constructors = [name for name in table if re.match(r"__ZN7CDorvikC[12]E", name)]
    check(len(constructors) >= 1, "CDorvik constructor present")
    for name in constructors:
        check(image.section_of(table[name] - image.image_base) is init, name + " lies in INIT")
    resident = [name for name in table if not name.startswith("__imp") and re.search(
        r"DorvikIoctlDorvik|DorvikIoctlDispatch|12CreateDevice|FwCreateFile|FwDriverUnload", name)]
    check(len(resident) == 11,
          "handlers, dispatch, CreateDevice, open and unload routines found (%d)" % len(resident))
    for name in resident:
        check(image.section_of(table[name] - image.image_base).name == ".text",
              name + " stays resident")

    init_bytes = image.section_bytes("INIT")
    for literal in (b"DORVIK: CDorvik::CDorvik - Missing device name in registry",
                    b"DORVIK: CDorvik::CDorvik - Missing key PortAddress0",
                    b"DORVIK:CDorvik::CDorvik resource conflict",
                    "\\Parameters".encode("utf-16-le")):
        check(literal in init_bytes, "literal %r lies in INIT" % literal[:40])

    versions = [r for r in image.resources() if r[0] == RT_VERSION]
    check(len(versions) == 1, "one version resource")
    if versions:
        _, _, lang, blob = versions[0]
        check(lang == 0x409, "version resource is US English")
        fixed = blob.find(struct.pack("<I", 0xFEEF04BD))
        check(fixed >= 0, "fixed file info present")
        if fixed >= 0:
            fms, fls, pms, pls = struct.unpack_from("<IIII", blob, fixed + 8)
            check((fms, fls) == (0x00010000, 0), "file version 1.0.0.0")
            check((pms, pls) == (0x00010000, 0), "product version 1.0.0.0")
        strings = version_strings(blob)
        expected = {"FileDescription": "Dorvik Driver", "ProductName": "Dorvik Driver",
                    "InternalName": "Dorvik.sys", "OriginalFilename": "Dorvik.sys",
                    "FileVersion": "1.0", "ProductVersion": "1.0"}
        for key, value in expected.items():
            check(strings.get(key) == value, "%s is %r (found %r)" % (key, value, strings.get(key)))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    main(sys.argv[1], sys.argv[2])
    print("%d failed" % len(failures))
    sys.exit(1 if failures else 0)
