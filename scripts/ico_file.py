"""Reads and writes .ico files made of 32-bit bitmap images.

Every image is stored as a BITMAPINFOHEADER, a bottom-up BGRA colour mask
and a 1-bit AND mask. That is the form every Windows since XP, and Wine,
load with LoadImage; PNG-compressed entries would not load on XP.
"""

import struct

ICONDIR = struct.Struct("<HHH")  # reserved, type (1 = icon), count
ICONDIRENTRY = struct.Struct("<BBBBHHII")  # w, h, colours, reserved, planes, bpp, size, offset
BITMAPINFOHEADER = struct.Struct("<IiiHHIIiiII")


def _and_stride(size):
    """Bytes per row of the 1-bit mask; rows are padded to 32 bits."""
    return ((size + 31) // 32) * 4


def encode_image(size, pixels):
    """One icon image from rows of (r, g, b, a) byte tuples, top row first."""
    header = BITMAPINFOHEADER.pack(40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    stride = _and_stride(size)
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            if a == 0:
                # Fully clear pixels also go black, so screens that ignore
                # alpha and draw through the mask show nothing there.
                colour += b"\0\0\0\0"
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                colour += bytes((b, g, r, a))
        mask += bits
    return header + bytes(colour) + bytes(mask)


def encode_icon(images):
    """A whole .ico file from {size: pixel rows}, smallest size first."""
    sizes = sorted(images)
    blobs = [encode_image(size, images[size]) for size in sizes]
    out = bytearray(ICONDIR.pack(0, 1, len(sizes)))
    offset = ICONDIR.size + ICONDIRENTRY.size * len(sizes)
    for size, blob in zip(sizes, blobs):
        dim = size if size < 256 else 0
        out += ICONDIRENTRY.pack(dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def decode_icon(data):
    """{size: (pixel rows top first, AND-mask rows top first)} from .ico bytes.

    Strict about the layout this module writes, so a test can tell a
    damaged file from a good one.
    """
    reserved, kind, count = ICONDIR.unpack_from(data, 0)
    if reserved != 0 or kind != 1 or count == 0:
        raise ValueError("not an icon file")
    images = {}
    for i in range(count):
        w, h, colours, _, planes, bpp, length, offset = ICONDIRENTRY.unpack_from(
            data, ICONDIR.size + i * ICONDIRENTRY.size
        )
        size = w or 256
        if w != h or colours != 0 or planes != 1 or bpp != 32:
            raise ValueError(f"entry {i}: unexpected format")
        if offset + length > len(data):
            raise ValueError(f"entry {i}: runs past the end of the file")
        fields = BITMAPINFOHEADER.unpack_from(data, offset)
        hdr_size, bw, bh, bplanes, bbpp, compression = fields[:6]
        if (hdr_size, bw, bh, bplanes, bbpp, compression) != (40, size, size * 2, 1, 32, 0):
            raise ValueError(f"entry {i}: bitmap header does not match the directory")
        stride = _and_stride(size)
        if length != 40 + size * size * 4 + stride * size:
            raise ValueError(f"entry {i}: wrong image length")
        colour_at = offset + 40
        mask_at = colour_at + size * size * 4
        rows = []
        masks = []
        for y in range(size - 1, -1, -1):
            row = []
            for x in range(size):
                at = colour_at + (y * size + x) * 4
                b, g, r, a = data[at : at + 4]
                row.append((r, g, b, a))
            rows.append(row)
            line = data[mask_at + y * stride : mask_at + (y + 1) * stride]
            masks.append([bool(line[x // 8] & (0x80 >> (x % 8))) for x in range(size)])
        images[size] = (rows, masks)
    return images
