#!/usr/bin/env python3
"""Builds the Windows Installer package from dist/Quorvane.wxs with msitools'
wixl, the same to the byte wherever and whenever it runs on the same inputs.

    make_installer.py --source DIR --version X.Y.Z.W --output MSI EXE README ICON

wixl stamps every package with a random package code and the time of the
build (in the summary information) and packs the files with their own
modification times. Here the files are staged dated with the commit's time
(SOURCE_DATE_EPOCH when set, as for the ZIP), and afterwards the package's
creation and save times are set to that time and its package code to a GUID
made from the package's own bytes: a different package never shares a code
with another, as Windows Installer requires, and the same one always has the
same.
"""

import argparse
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import uuid

sys.dont_write_bytecode = True  # keep the source tree clean
from make_release import release_time  # noqa: E402

WIXL_ARCH = "x86"
# The product code names one version of the product. Windows Installer
# compares only the first three parts of a version when it looks for older
# ones to replace, so the code follows those three: a package that differs
# only in the fourth is refused as "another version of this product" rather
# than installed beside the one in place.
PRODUCT_CODE_NAMESPACE = uuid.UUID("6F1D2B9A-4C3E-4F57-9B8D-2E0A7C5D31F4")  # the upgrade code
PACKAGE_CODE_NAMESPACE = uuid.UUID("E2C4A7F0-3B19-4D6E-8A52-C7F1093D6B2E")

# Compound file (the container an .msi is): [MS-CFB].
CFB_SIGNATURE = bytes.fromhex("D0CF11E0A1B11AE1")
DIFAT_IN_HEADER = 109
END_OF_CHAIN = 0xFFFFFFFE
DIRECTORY_ENTRY_SIZE = 128
SUMMARY_STREAM = "\x05SummaryInformation"

# Property set (the summary information stream): [MS-OLEPS].
PID_REVNUMBER = 9  # Windows Installer keeps the package code here
PID_CREATE_DTM = 12
PID_LASTSAVE_DTM = 13
VT_LPSTR = 30
VT_FILETIME = 64
PACKAGE_CODE_LENGTH = 38  # "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
FILETIME_EPOCH_OFFSET = 11644473600  # seconds from 1601 to 1970
FILETIME_UNITS_PER_SECOND = 10_000_000

# What dist/Quorvane.wxs asks for but wixl cannot write. The Run value's
# component is installed on a first install and when its feature is added
# later, and on an upgrade or a repair only where the value is still there;
# transitive, so that a repair looks again.
# msidbComponentAttributesRegistryKeyPath | ...Transitive.
# The value found is searched for in the part of a double-clicked install
# that runs as the user, and reaches the elevated part only as a secure
# property; wixl marks only its own upgrade properties so.
PACKAGE_FIXES = (
    "UPDATE Component SET Attributes = 68, "
    "Condition = 'QUORVANE_RUN_VALUE OR NOT (REINSTALL OR WIX_UPGRADE_DETECTED)' "
    "WHERE Component = 'RunValue'",
    "UPDATE Property SET Value = 'QUORVANE_RUN_VALUE;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED' "
    "WHERE Property = 'SecureCustomProperties'",
)


def product_code(version):
    major_minor_build = ".".join(version.split(".")[:3])
    return "{%s}" % str(uuid.uuid5(PRODUCT_CODE_NAMESPACE, major_minor_build)).upper()


def filetime(seconds):
    return struct.pack("<Q", (seconds + FILETIME_EPOCH_OFFSET) * FILETIME_UNITS_PER_SECOND)


class CompoundFile:
    """Just enough of a compound file to find one stream's bytes in the file,
    so that they can be overwritten in place."""

    def __init__(self, data):
        if data[:8] != CFB_SIGNATURE:
            raise ValueError("not a compound file")
        self.data = data
        self.sector_size = 1 << struct.unpack_from("<H", data, 0x1E)[0]
        self.mini_sector_size = 1 << struct.unpack_from("<H", data, 0x20)[0]
        self.mini_cutoff = struct.unpack_from("<I", data, 0x38)[0]
        self.fat = self._read_fat()
        directory = self._stream_bytes(self._chain(struct.unpack_from("<I", data, 0x30)[0]))
        self.entries = [directory[i:i + DIRECTORY_ENTRY_SIZE]
                        for i in range(0, len(directory), DIRECTORY_ENTRY_SIZE)]
        root_start = struct.unpack_from("<I", self.entries[0], 116)[0]
        self.mini_stream = self._offsets(self._chain(root_start), self.sector_size)
        self.mini_fat = self._read_table(self._chain(struct.unpack_from("<I", data, 0x3C)[0]))

    def _sector_offset(self, sector):
        return (sector + 1) * self.sector_size

    def _read_table(self, sectors):
        table = []
        for sector in sectors:
            start = self._sector_offset(sector)
            table += struct.unpack_from(f"<{self.sector_size // 4}I", self.data, start)
        return table

    def _read_fat(self):
        count = struct.unpack_from("<I", self.data, 0x2C)[0]
        sectors = list(struct.unpack_from(f"<{DIFAT_IN_HEADER}I", self.data, 0x4C))
        next_difat = struct.unpack_from("<I", self.data, 0x44)[0]
        per_difat = self.sector_size // 4 - 1
        while len(sectors) < count and next_difat != END_OF_CHAIN:
            start = self._sector_offset(next_difat)
            sectors += struct.unpack_from(f"<{per_difat}I", self.data, start)
            next_difat = struct.unpack_from("<I", self.data, start + per_difat * 4)[0]
        return self._read_table(sectors[:count])

    def _chain(self, start, table=None):
        table = self.fat if table is None else table
        chain = []
        while start != END_OF_CHAIN:
            if start >= len(table) or len(chain) > len(table):
                raise ValueError("broken sector chain")
            chain.append(start)
            start = table[start]
        return chain

    def _offsets(self, chain, size):
        """File offset of every byte of the sectors of a chain."""
        return [self._sector_offset(sector) + i for sector in chain for i in range(size)]

    def _stream_bytes(self, chain):
        return b"".join(self.data[self._sector_offset(s):self._sector_offset(s) + self.sector_size]
                        for s in chain)

    def stream_offsets(self, name):
        """The file offset of each byte of the named stream, in order."""
        for entry in self.entries:
            length = struct.unpack_from("<H", entry, 64)[0]
            if length < 2 or entry[:length - 2].decode("utf-16-le") != name:
                continue
            start, size = struct.unpack_from("<IQ", entry, 116)
            size &= 0xFFFFFFFF  # version 3 files leave the high half undefined
            if size < self.mini_cutoff:
                mini = self._chain(start, self.mini_fat)
                offsets = [self.mini_stream[sector * self.mini_sector_size + i]
                           for sector in mini for i in range(self.mini_sector_size)]
            else:
                offsets = self._offsets(self._chain(start), self.sector_size)
            return offsets[:size]
        raise ValueError(f"no stream {name!r}")


def summary_properties(stream):
    """{property id: (offset of its value in the stream, type)} of the first
    property set."""
    section = struct.unpack_from("<I", stream, 28 + 16)[0]
    count = struct.unpack_from("<I", stream, section + 4)[0]
    found = {}
    for i in range(count):
        pid, offset = struct.unpack_from("<II", stream, section + 8 + 8 * i)
        kind = struct.unpack_from("<I", stream, section + offset)[0]
        found[pid] = (section + offset + 4, kind)
    return found


def patch_summary(data, code, seconds):
    """The package with its package code and times replaced, same size."""
    offsets = CompoundFile(bytes(data)).stream_offsets(SUMMARY_STREAM)
    stream = bytes(data[offset] for offset in offsets)
    properties = summary_properties(stream)

    def overwrite(at, new):
        for i, byte in enumerate(new):
            data[offsets[at + i]] = byte

    at, kind = properties[PID_REVNUMBER]
    text = code.encode("ascii") + b"\0"
    if kind != VT_LPSTR or struct.unpack_from("<I", stream, at)[0] != PACKAGE_CODE_LENGTH + 1:
        raise ValueError("the package code is not a GUID string of the usual size")
    overwrite(at + 4, text)
    for pid in (PID_CREATE_DTM, PID_LASTSAVE_DTM):
        at, kind = properties[pid]
        if kind != VT_FILETIME:
            raise ValueError(f"summary property {pid} is not a time")
        overwrite(at, filetime(seconds))


def package_code(data):
    """A GUID that only this package's bytes give: the bytes hashed with a
    placeholder code, so the code does not depend on itself."""
    return "{%s}" % str(uuid.uuid5(PACKAGE_CODE_NAMESPACE,
                                   hashlib.sha256(data).hexdigest())).upper()


def build(wxs, version, output, files, seconds):
    staged = tempfile.mkdtemp()
    try:
        for path in files:
            target = os.path.join(staged, os.path.basename(path))
            shutil.copyfile(path, target)
            os.utime(target, (seconds, seconds))
        # wixl runs in the staging folder so that no path of this machine
        # can reach the package.
        subprocess.run(["wixl", "-a", WIXL_ARCH, "-D", f"ProductCode={product_code(version)}",
                        "-D", f"Version={version}", "-D", "Staged=.",
                        "-o", "package.msi", os.path.abspath(wxs)],
                       cwd=staged, check=True, env=dict(os.environ, TZ="UTC"))
        for query in PACKAGE_FIXES:
            subprocess.run(["msibuild", "package.msi", "-q", query],
                           cwd=staged, check=True, env=dict(os.environ, TZ="UTC"))
        with open(os.path.join(staged, "package.msi"), "rb") as stream:
            data = bytearray(stream.read())
    finally:
        shutil.rmtree(staged)
    placeholder = "{%s}" % str(uuid.UUID(int=0)).upper()
    patch_summary(data, placeholder, seconds)
    patch_summary(data, package_code(bytes(data)), seconds)
    with open(output, "wb") as stream:
        stream.write(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("files", nargs="+")
    arguments = parser.parse_args()
    if not re.fullmatch(r"\d+\.\d+\.\d+(\.\d+)?", arguments.version):
        raise SystemExit(f"not a Windows Installer version: {arguments.version}")
    wxs = os.path.join(arguments.source, "dist", "Quorvane.wxs")
    build(wxs, arguments.version, arguments.output, arguments.files,
          release_time(arguments.source))
    return 0


if __name__ == "__main__":
    sys.exit(main())
