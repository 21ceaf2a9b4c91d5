"""Reads the pixels of an uncompressed BMP file into three colour planes.

The comparison uses this to check, independently of every tool it times, that two files
hold the same picture whatever their depth, header version or row order. Planes are
bytes objects of width x height samples, top row first.
"""

import struct


class Unsupported(Exception):
    """The file uses a layout this reader does not take apart."""


def _field(data, offset, form):
    return struct.unpack_from(form, data, offset)[0]


def _unpack_indices(row, width, bits):
    """The palette indices of one packed row (1, 4 or 8 bits per pixel)."""
    if bits == 8:
        return row[:width]
    per_byte = 8 // bits
    indices = bytearray(len(row) * per_byte)
    mask = (1 << bits) - 1
    for k in range(per_byte):
        shift = 8 - bits * (k + 1)
        table = bytes(((value >> shift) & mask) for value in range(256))
        indices[k::per_byte] = row.translate(table)
    return bytes(indices[:width])


_SINGLE = [bytes((v,)) for v in range(256)]
_NIBBLE_PAIRS = [bytes((v >> 4, v & 15)) for v in range(256)]
_HIGH = bytes(v >> 4 for v in range(256))
_LOW = bytes(v & 15 for v in range(256))


def _expand_rle(data, width, height, bits):
    """Stored rows of one index byte per pixel, bottom row first, from RLE8 or RLE4 data.
    Pixels that the data skips keep index 0."""
    rows = []
    pieces = []
    x = 0

    def end_row():
        row = b"".join(pieces)[:width]
        rows.append(row + bytes(width - len(row)))
        pieces.clear()

    at = 0
    while at + 1 < len(data) and len(rows) < height:
        count, value = data[at], data[at + 1]
        at += 2
        if count > 0:
            if bits == 8:
                pieces.append(_SINGLE[value] * count)
            else:
                pieces.append((_NIBBLE_PAIRS[value] * ((count + 1) // 2))[:count])
            x += count
        elif value == 0:
            end_row()
            x = 0
        elif value == 1:
            break
        elif value == 2:
            dx, dy = data[at], data[at + 1]
            at += 2
            if dy > 0:
                end_row()
                rows.extend([bytes(width)] * (dy - 1))
                pieces.append(bytes(x))
            pieces.append(bytes(dx))
            x += dx
        else:
            stored = value if bits == 8 else (value + 1) // 2
            literal = data[at:at + stored]
            at += stored + (stored & 1)
            if bits == 4:
                nibbles = bytearray(2 * len(literal))
                nibbles[0::2] = literal.translate(_HIGH)
                nibbles[1::2] = literal.translate(_LOW)
                literal = bytes(nibbles[:value])
            pieces.append(literal)
            x += value
    if pieces:
        end_row()
    rows.extend([bytes(width)] * (height - len(rows)))
    return rows[:height]


def _mask_table(mask):
    """Shift and width of a colour mask, or None when it is not one run of bits."""
    if mask == 0:
        return None
    shift = (mask & -mask).bit_length() - 1
    run = mask >> shift
    if run & (run + 1):
        return None
    return shift, run.bit_length()


def read_planes(path):
    """Returns (width, height, (blue, green, red)) for the BMP file at `path`."""
    with open(path, "rb") as stream:
        data = stream.read()
    if len(data) < 26 or data[:2] != b"BM":
        raise Unsupported("not a BMP file")
    offset = _field(data, 10, "<I")
    header_size = _field(data, 14, "<I")
    if header_size == 12:
        width, height = _field(data, 18, "<H"), _field(data, 20, "<H")
        bits, compression, colours_used, entry_size = _field(data, 24, "<H"), 0, 0, 3
    else:
        width, height = _field(data, 18, "<i"), _field(data, 22, "<i")
        bits, compression = _field(data, 28, "<H"), _field(data, 30, "<I")
        colours_used, entry_size = _field(data, 46, "<I"), 4
    top_down = height < 0
    height = abs(height)
    stride = (width * bits + 31) // 32 * 4

    # Bit fields: masks inside a V4/V5 header, or right after a 40-byte one.
    masks = None
    expanded = None
    if compression in (3, 6):
        where = 54 if header_size >= 52 else 14 + header_size
        masks = struct.unpack_from("<III", data, where)
    elif (compression, bits) in ((1, 8), (2, 4)):
        expanded = _expand_rle(data[offset:], width, height, bits)
    elif compression != 0:
        raise Unsupported("compression %d at %d bits" % (compression, bits))

    if bits in (1, 4, 8):
        entries = colours_used or (1 << bits)
        table_at = 14 + header_size
        palette = [data[table_at + entry_size * i: table_at + entry_size * i + 3]
                   for i in range(entries)]
        palette += [b"\0\0\0"] * (256 - len(palette))
        tables = [bytes(entry[c] for entry in palette) for c in range(3)]
    elif bits in (24, 32):
        if bits == 32 and masks is not None and masks != (0xFF0000, 0xFF00, 0xFF):
            raise Unsupported("32-bit masks %r" % (masks,))
    elif bits == 16:
        fields = [_mask_table(mask) for mask in (masks or (0x7C00, 0x3E0, 0x1F))]
        if None in fields:
            raise Unsupported("16-bit masks %r" % (masks,))
    else:
        raise Unsupported("%d bits per pixel" % bits)

    planes = ([], [], [])  # blue, green, red, one entry per row
    for y in range(height):
        stored = y if top_down else height - 1 - y
        row = data[offset + stored * stride: offset + (stored + 1) * stride]
        if len(row) < stride and expanded is None:
            raise Unsupported("pixel data ends early")
        if expanded is not None:
            indices = expanded[stored]
        if bits in (1, 4, 8):
            if expanded is None:
                indices = _unpack_indices(row, width, bits)
            for c in range(3):
                planes[c].append(indices.translate(tables[c]))
        elif bits in (24, 32):
            step = bits // 8
            for c in range(3):
                planes[c].append(row[c: width * step: step])
        else:
            words = struct.unpack_from("<%dH" % width, row)
            red, green, blue = fields
            for c, (shift, size) in enumerate((blue, green, red)):
                top = (1 << size) - 1
                planes[c].append(bytes(((w >> shift) & top) * 255 // top for w in words))
    return width, height, tuple(b"".join(rows) for rows in planes)
