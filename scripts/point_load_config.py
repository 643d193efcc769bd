#!/usr/bin/env python3
"""Points a program's PE header at its load configuration, which the program
keeps in a section of its own (.ldcfg). Run by the build after linking: the
linker of this toolchain (GNU ld 2.40) leaves that header entry empty.

    python3 scripts/point_load_config.py Quorvane.exe
"""

import struct
import sys

import pe_image

SECTION = ".ldcfg"


def point(path):
    image = pe_image.read(path)
    section = image.section(SECTION)
    if section is None:
        raise SystemExit(f"{path}: no {SECTION} section")
    # The table starts with its own size.
    size = struct.unpack_from("<I", image.data, section.raw_offset)[0]
    image.set_directory(pe_image.LOAD_CONFIG_DIRECTORY, section.rva, size)
    image.write(path)


if __name__ == "__main__":
    for argument in sys.argv[1:]:
        point(argument)
