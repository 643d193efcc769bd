#!/usr/bin/env python3
"""Reads from a built program's PE header (32- or 64-bit) what Windows
expects of a hardened GUI program, and fails naming each property that is
missing. Also fails where the C++ exception runtime, which the program is
built without, came in from the toolchain's libraries after all, and where
the embedded manifest names another processor than the program's.

    python3 scripts/check_hardening.py build/windows/platform/win32/Quorvane.exe
"""

import sys

import pe_image

HIGH_ENTROPY_VA = 0x0020
DYNAMIC_BASE = 0x0040
NX_COMPAT = 0x0100
TERMINAL_SERVER_AWARE = 0x8000
RELOCS_STRIPPED = 0x0001
MEM_EXECUTE = 0x20000000
MEM_WRITE = 0x80000000
LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x0800
# The type name of std::exception, which libstdc++'s exception runtime
# carries wherever any of it is linked in (the program has no type names).
EXCEPTION_RUNTIME_MARK = b"St9exception"
# What the embedded manifest must call the program's processor: Windows
# refuses to start a program whose Common Controls dependency names another.
MANIFEST_PROCESSOR = {False: b'processorArchitecture="x86"',
                      True: b'processorArchitecture="amd64"'}


def missing(image):
    """What the program lacks, in words; empty when it has everything."""
    flags = image.dll_characteristics
    found = []
    if not flags & DYNAMIC_BASE:
        found.append("loading at a random address (DYNAMIC_BASE)")
    if image.is_64_bit and not flags & HIGH_ENTROPY_VA:
        found.append("an address chosen from all of a 64-bit space (HIGH_ENTROPY_VA)")
    if image.characteristics & RELOCS_STRIPPED or \
            image.directory(pe_image.RELOCATIONS_DIRECTORY).size == 0:
        found.append("the relocations that loading at a random address needs")
    if not flags & NX_COMPAT:
        found.append("data that is never executable (NX_COMPAT)")
    if not flags & TERMINAL_SERVER_AWARE:
        found.append("TERMINAL_SERVER_AWARE")
    for section in image.sections:
        if section.characteristics & MEM_WRITE and section.characteristics & MEM_EXECUTE:
            found.append(f"no section both writable and executable ({section.name} is)")
    dependent = image.dependent_load_flags()
    if dependent is None or not dependent & LOAD_LIBRARY_SEARCH_SYSTEM32:
        found.append("imported DLLs from the system folder only (load configuration's "
                     "DependentLoadFlags with LOAD_LIBRARY_SEARCH_SYSTEM32)")
    if EXCEPTION_RUNTIME_MARK in image.data:
        found.append("freedom from the C++ exception runtime (libstdc++'s was linked in: "
                     "look in a linker map for what pulled it)")
    own = MANIFEST_PROCESSOR[image.is_64_bit]
    other = MANIFEST_PROCESSOR[not image.is_64_bit]
    if own not in image.data or other in image.data:
        found.append(f"a manifest naming only its own processor ({own.decode()})")
    return found


def main(paths):
    failed = False
    for path in paths:
        for lack in missing(pe_image.read(path)):
            print(f"{path}: lacks {lack}", file=sys.stderr)
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
