"""Reads and writes .ico files.

An image is stored either as a BITMAPINFOHEADER, bottom-up colours and a
1-bit AND mask, the form every Windows loads, or, for sizes asked for, as a
whole PNG file of 8-bit RGBA, which Windows loads since Vista: no header of
its own and no mask, the mask comes from the alpha. A bitmap's colours are
32-bit BGRA, or indexes into a palette of at most 256 colours: a quarter of
the bytes, and the same picture where every pixel is either solid or clear.
"""

import struct
import zlib

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


PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
PNG_IHDR = struct.Struct(">IIBBBBB")  # width, height, depth, colour type, compression, filter, interlace
PNG_RGBA = 6
PNG_FILTERS = range(5)  # none, sub, up, average, Paeth


def _png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _predict(kind, left, up, up_left):
    if kind == 0:
        return 0
    if kind == 1:
        return left
    if kind == 2:
        return up
    if kind == 3:
        return (left + up) // 2
    return _paeth(left, up, up_left)


def _filter_row(kind, row, prior):
    out = bytearray([kind])
    for i, value in enumerate(row):
        left = row[i - 4] if i >= 4 else 0
        up_left = prior[i - 4] if i >= 4 else 0
        out.append((value - _predict(kind, left, prior[i], up_left)) & 0xFF)
    return bytes(out)


def _row_cost(filtered):
    # The usual guess at what deflate packs best: small signed differences.
    return sum(b if b < 128 else 256 - b for b in filtered[1:])


def encode_png(size, pixels):
    """One PNG image of 8-bit RGBA from rows of (r, g, b, a) byte tuples.

    Rows are filtered each the way it packs best, or all one way where that
    comes out smaller; the smallest result is kept."""
    rows = [bytes(c for pixel in row for c in (_solid_colour(pixel) + (pixel[3],)))
            for row in pixels]
    blank = bytes(len(rows[0]))
    options = [[_filter_row(kind, row, prior) for row, prior in zip(rows, [blank] + rows)]
               for kind in PNG_FILTERS]
    adaptive = [min((option[y] for option in options), key=_row_cost) for y in range(size)]
    packed = min((zlib.compress(b"".join(choice), 9) for choice in options + [adaptive]),
                 key=len)
    header = PNG_IHDR.pack(size, size, 8, PNG_RGBA, 0, 0, 0)
    return (PNG_SIGNATURE + _png_chunk(b"IHDR", header) + _png_chunk(b"IDAT", packed)
            + _png_chunk(b"IEND", b""))


def decode_png(data, size):
    """Pixel rows of one PNG image as encode_png writes it; anything else is
    refused, so a test can tell a damaged image from a good one."""
    if not data.startswith(PNG_SIGNATURE):
        raise ValueError(f"{size} px: not a PNG image")
    at, header, packed = len(PNG_SIGNATURE), None, b""
    while at < len(data):
        if at + 12 > len(data):
            raise ValueError(f"{size} px: PNG chunk runs past the end")
        length, kind = struct.unpack_from(">I4s", data, at)
        body = data[at + 8 : at + 8 + length]
        (crc,) = struct.unpack_from(">I", data, at + 8 + length) if at + 12 + length <= len(
            data) else (None,)
        if crc != zlib.crc32(kind + body):
            raise ValueError(f"{size} px: PNG chunk {kind!r} is damaged")
        if kind == b"IHDR":
            header = PNG_IHDR.unpack(body)
        elif kind == b"IDAT":
            packed += body
        elif kind == b"IEND":
            break
        at += 12 + length
    if header != (size, size, 8, PNG_RGBA, 0, 0, 0):
        raise ValueError(f"{size} px: PNG is not {size} x {size} 8-bit RGBA")
    raw = zlib.decompress(packed)
    stride = size * 4
    if len(raw) != (stride + 1) * size:
        raise ValueError(f"{size} px: PNG holds the wrong number of bytes")
    rows, prior = [], bytes(stride)
    for y in range(size):
        kind, line = raw[y * (stride + 1)], raw[y * (stride + 1) + 1 : (y + 1) * (stride + 1)]
        if kind not in PNG_FILTERS:
            raise ValueError(f"{size} px: unknown PNG filter {kind}")
        row = bytearray(stride)
        for i in range(stride):
            left = row[i - 4] if i >= 4 else 0
            up_left = prior[i - 4] if i >= 4 else 0
            row[i] = (line[i] + _predict(kind, left, prior[i], up_left)) & 0xFF
        rows.append([tuple(row[x * 4 : x * 4 + 4]) for x in range(size)])
        prior = bytes(row)
    return rows


def encode_icon(images, paletted=(), png=()):
    """A whole .ico file from {size: pixel rows}, smallest size first; the
    sizes in `paletted` are stored with a palette, those in `png` as PNG."""
    sizes = sorted(images)
    blobs = []
    for size in sizes:
        if size in png:
            blobs.append(encode_png(size, images[size]))
        elif size in paletted:
            blobs.append(encode_paletted_image(size, images[size]))
        else:
            blobs.append(encode_image(size, images[size]))
    out = bytearray(ICONDIR.pack(0, 1, len(sizes)))
    offset = ICONDIR.size + ICONDIRENTRY.size * len(sizes)
    for size, blob in zip(sizes, blobs):
        dim = size if size < 256 else 0
        bpp = PALETTE_BPP if size in paletted and size not in png else 32
        out += ICONDIRENTRY.pack(dim, dim, 0, 0, 1, bpp, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def image_kinds(data):
    """{size: "png", or the bitmap's bits per pixel} of every image in .ico bytes."""
    _, _, count = ICONDIR.unpack_from(data, 0)
    kinds = {}
    for i in range(count):
        w, _, _, _, _, bpp, _, offset = ICONDIRENTRY.unpack_from(
            data, ICONDIR.size + i * ICONDIRENTRY.size)
        kinds[w or 256] = "png" if data[offset : offset + 8] == PNG_SIGNATURE else bpp
    return kinds


def decode_icon(data):
    """{size: (pixel rows top first, AND-mask rows top first)} from .ico bytes;
    a PNG image has no mask of its own, so None stands for it.

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
        if data[offset : offset + len(PNG_SIGNATURE)] == PNG_SIGNATURE:
            if bpp != 32:
                raise ValueError(f"entry {i}: a PNG image must be listed as 32-bit")
            images[size] = (decode_png(data[offset : offset + length], size), None)
            continue
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
