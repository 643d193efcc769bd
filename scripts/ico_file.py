"""Reads and writes .ico files made of bitmap images.

Every image is stored as a BITMAPINFOHEADER, bottom-up colours and a 1-bit
AND mask. That is the form every Windows since XP, and Wine, load with
LoadImage; PNG-compressed entries would not load on XP. The colours are
32-bit BGRA, or, for sizes asked for, indexes into a palette of at most 256
colours: a quarter of the bytes, and the same picture where every pixel is
either solid or clear.
"""

import struct

ICONDIR = struct.Struct("<HHH")  # reserved, type (1 = icon), count
ICONDIRENTRY = struct.Struct("<BBBBHHII")  # w, h, colours, reserved, planes, bpp, size, offset
BITMAPINFOHEADER = struct.Struct("<IiiHHIIiiII")


def _and_stride(size):
    """Bytes per row of the 1-bit mask; rows are padded to 32 bits."""
    return ((size + 31) // 32) * 4


PALETTE_BPP = 8
MAX_PALETTE = 1 << PALETTE_BPP


def _index_stride(size):
    """Bytes per row of palette indexes; rows are padded to 32 bits."""
    return (size + 3) // 4 * 4


def _mask(pixels):
    """The AND mask, bottom row first: set where a pixel is fully clear."""
    stride = _and_stride(len(pixels))
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return bytes(mask)


def _solid_colour(pixel):
    # Fully clear pixels go black, so screens that ignore alpha and draw
    # through the mask show nothing there.
    return pixel[:3] if pixel[3] else (0, 0, 0)


def encode_image(size, pixels):
    """One 32-bit icon image from rows of (r, g, b, a) byte tuples, top row first."""
    header = BITMAPINFOHEADER.pack(40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(pixels):
        for pixel in row:
            r, g, b = _solid_colour(pixel)
            colour += bytes((b, g, r, pixel[3]))
    return header + bytes(colour) + _mask(pixels)


def encode_paletted_image(size, pixels):
    """One palette icon image; every pixel must be solid or clear."""
    if any(0 < pixel[3] < 255 for row in pixels for pixel in row):
        raise ValueError(f"{size} px: a palette image cannot hold partly clear pixels")
    palette = sorted({_solid_colour(pixel) for row in pixels for pixel in row})
    if len(palette) > MAX_PALETTE:
        raise ValueError(f"{size} px: {len(palette)} colours do not fit a palette")
    index = {colour: i for i, colour in enumerate(palette)}
    header = BITMAPINFOHEADER.pack(40, size, size * 2, 1, PALETTE_BPP, 0, 0, 0, 0,
                                   len(palette), 0)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    indexes = bytearray()
    for row in reversed(pixels):
        line = bytearray(index[_solid_colour(pixel)] for pixel in row)
        indexes += line + bytes(_index_stride(size) - len(line))
    return header + table + bytes(indexes) + _mask(pixels)


def encode_icon(images, paletted=()):
    """A whole .ico file from {size: pixel rows}, smallest size first; the
    sizes in `paletted` are stored with a palette."""
    sizes = sorted(images)
    blobs = [(encode_paletted_image if size in paletted else encode_image)(size, images[size])
             for size in sizes]
    out = bytearray(ICONDIR.pack(0, 1, len(sizes)))
    offset = ICONDIR.size + ICONDIRENTRY.size * len(sizes)
    for size, blob in zip(sizes, blobs):
        dim = size if size < 256 else 0
        bpp = PALETTE_BPP if size in paletted else 32
        out += ICONDIRENTRY.pack(dim, dim, 0, 0, 1, bpp, len(blob), offset)
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
        if w != h or colours != 0 or planes != 1 or bpp not in (32, PALETTE_BPP):
            raise ValueError(f"entry {i}: unexpected format")
        if offset + length > len(data):
            raise ValueError(f"entry {i}: runs past the end of the file")
        fields = BITMAPINFOHEADER.unpack_from(data, offset)
        hdr_size, bw, bh, bplanes, bbpp, compression = fields[:6]
        if (hdr_size, bw, bh, bplanes, bbpp, compression) != (40, size, size * 2, 1, bpp, 0):
            raise ValueError(f"entry {i}: bitmap header does not match the directory")
        used = fields[9] or MAX_PALETTE
        stride = _and_stride(size)
        if bpp == 32:
            colour_bytes = size * size * 4
        else:
            colour_bytes = used * 4 + _index_stride(size) * size
        if used > MAX_PALETTE or length != 40 + colour_bytes + stride * size:
            raise ValueError(f"entry {i}: wrong image length")
        colour_at = offset + 40
        mask_at = colour_at + colour_bytes
        masks = []
        for y in range(size - 1, -1, -1):
            line = data[mask_at + y * stride : mask_at + (y + 1) * stride]
            masks.append([bool(line[x // 8] & (0x80 >> (x % 8))) for x in range(size)])
        if bpp == 32:
            rows = _decode_bgra(data, colour_at, size)
        else:
            rows = _decode_indexes(data, colour_at, size, used, masks)
        images[size] = (rows, masks)
    return images


def _decode_bgra(data, at, size):
    rows = []
    for y in range(size - 1, -1, -1):
        row = []
        for x in range(size):
            b, g, r, a = data[at + (y * size + x) * 4 : at + (y * size + x) * 4 + 4]
            row.append((r, g, b, a))
        rows.append(row)
    return rows


def _decode_indexes(data, at, size, used, masks):
    palette = [tuple(reversed(data[at + i * 4 : at + i * 4 + 3])) for i in range(used)]
    indexes_at = at + used * 4
    rows = []
    for top_y, y in enumerate(range(size - 1, -1, -1)):
        line = data[indexes_at + y * _index_stride(size) :]
        row = []
        for x in range(size):
            if line[x] >= used:
                raise ValueError(f"{size} px: colour index {line[x]} outside the palette")
            row.append(palette[line[x]] + (0 if masks[top_y][x] else 255,))
        rows.append(row)
    return rows
