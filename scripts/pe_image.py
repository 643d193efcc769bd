"""The few parts of a Windows program's PE header that the build sets and the
tests check: flags, sections, data directories, the load configuration's
dependent-load flags, and the header checksum. Reads 32-bit (PE32) and
64-bit (PE32+) programs alike."""

import struct
from collections import namedtuple

PE32_MAGIC = 0x10B
PE32_PLUS_MAGIC = 0x20B
SIGNATURE = b"PE\0\0"
LFANEW_OFFSET = 0x3C
COFF_HEADER = struct.Struct("<HHIIIHH")
SECTION_HEADER = struct.Struct("<8sIIIIIIHHI")
# Offsets into the optional header, the same in both layouts up to the
# directories, which PE32+ moves 16 bytes on (its four stack and heap sizes
# are 64 bits wide).
CHECKSUM_AT = 64
DLL_CHARACTERISTICS_AT = 70
DIRECTORY_COUNT_AT = {PE32_MAGIC: 92, PE32_PLUS_MAGIC: 108}
DIRECTORIES_AT = {PE32_MAGIC: 96, PE32_PLUS_MAGIC: 112}
DIRECTORY = struct.Struct("<II")
RELOCATIONS_DIRECTORY = 5
LOAD_CONFIG_DIRECTORY = 10
# In IMAGE_LOAD_CONFIG_DIRECTORY32 and IMAGE_LOAD_CONFIG_DIRECTORY64.
DEPENDENT_LOAD_FLAGS_AT = {PE32_MAGIC: 54, PE32_PLUS_MAGIC: 78}

Section = namedtuple("Section", "name virtual_size rva raw_size raw_offset characteristics")
Directory = namedtuple("Directory", "rva size")


class Image:
    """A PE32 or PE32+ file in memory; write() puts changes back with a fresh
    checksum."""

    def __init__(self, data):
        self.data = bytearray(data)
        if self.data[:2] != b"MZ":
            raise ValueError("not a Windows program (no MZ header)")
        pe = struct.unpack_from("<I", self.data, LFANEW_OFFSET)[0]
        if self.data[pe:pe + 4] != SIGNATURE:
            raise ValueError("no PE signature")
        (self.machine, count, self.timestamp, _, _, optional_size,
         self.characteristics) = COFF_HEADER.unpack_from(self.data, pe + 4)
        self.optional = pe + 4 + COFF_HEADER.size
        self.magic = struct.unpack_from("<H", self.data, self.optional)[0]
        if self.magic not in (PE32_MAGIC, PE32_PLUS_MAGIC):
            raise ValueError(f"neither a PE32 nor a PE32+ program (magic {self.magic:#x})")
        table = self.optional + optional_size
        self.sections = [Section(raw[0].rstrip(b"\0").decode(), *raw[1:5], raw[9])
                         for raw in (SECTION_HEADER.unpack_from(self.data, table + i *
                                                                SECTION_HEADER.size)
                                     for i in range(count))]

    def _u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def _u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    @property
    def is_64_bit(self):
        return self.magic == PE32_PLUS_MAGIC

    @property
    def dll_characteristics(self):
        return self._u16(self.optional + DLL_CHARACTERISTICS_AT)

    @property
    def checksum(self):
        return self._u32(self.optional + CHECKSUM_AT)

    def directory(self, index):
        if index >= self._u32(self.optional + DIRECTORY_COUNT_AT[self.magic]):
            return Directory(0, 0)
        return Directory(*DIRECTORY.unpack_from(self.data, self._directory_at(index)))

    def set_directory(self, index, rva, size):
        DIRECTORY.pack_into(self.data, self._directory_at(index), rva, size)

    def _directory_at(self, index):
        return self.optional + DIRECTORIES_AT[self.magic] + index * DIRECTORY.size

    def section(self, name):
        return next((s for s in self.sections if s.name == name), None)

    def file_offset(self, rva):
        for s in self.sections:
            if s.rva <= rva < s.rva + max(s.virtual_size, s.raw_size):
                return s.raw_offset + rva - s.rva
        raise ValueError(f"RVA {rva:#x} is in no section")

    def dependent_load_flags(self):
        """The load configuration's dependent-load flags; None when the
        program has no load configuration or one too short to hold them."""
        rva, size = self.directory(LOAD_CONFIG_DIRECTORY)
        if rva == 0:
            return None
        start = self.file_offset(rva)
        at = DEPENDENT_LOAD_FLAGS_AT[self.magic]
        if min(size, self._u32(start)) < at + 2:
            return None
        return self._u16(start + at)

    def computed_checksum(self):
        """The header checksum as Windows computes it: 16-bit words summed
        with the carries folded back in, the checksum field counted as zero,
        plus the file's length."""
        data = bytes(self.data) + b"\0" * (len(self.data) % 2)
        field = self.optional + CHECKSUM_AT
        data = data[:field] + b"\0\0\0\0" + data[field + 4:]
        total = sum(struct.unpack(f"<{len(data) // 2}H", data))
        while total > 0xFFFF:
            total = (total & 0xFFFF) + (total >> 16)
        return total + len(self.data)

    def write(self, path):
        struct.pack_into("<I", self.data, self.optional + CHECKSUM_AT, self.computed_checksum())
        with open(path, "wb") as stream:
            stream.write(self.data)


def read(path):
    with open(path, "rb") as stream:
        return Image(stream.read())
