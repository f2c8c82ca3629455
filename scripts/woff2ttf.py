#!/usr/bin/env python3
"""Unpacks a WOFF 1.0 font into a plain TrueType/OpenType file (sfnt).

The npm font packages ship IBM Plex only as WOFF; Qt registers sfnt files
most reliably, so install-deps converts them once.
"""
import struct
import sys
import zlib


def woff_to_sfnt(data: bytes) -> bytes:
    if data[:4] != b"wOFF":
        raise ValueError("not a WOFF 1.0 file")
    flavor, _length, num_tables = struct.unpack(">IIH", data[4:14])
    tables = []
    for i in range(num_tables):
        tag, off, comp_len, orig_len, checksum = struct.unpack(
            ">4sIIII", data[44 + 20 * i:64 + 20 * i])
        raw = data[off:off + comp_len]
        if comp_len < orig_len:
            raw = zlib.decompress(raw)
        if len(raw) != orig_len:
            raise ValueError("table %r has the wrong size" % tag)
        tables.append((tag, checksum, raw))
    tables.sort(key=lambda t: t[0])

    entry_selector = max(num_tables.bit_length() - 1, 0)
    search_range = (1 << entry_selector) * 16
    out = bytearray(struct.pack(">IHHHH", flavor, num_tables, search_range,
                                entry_selector, num_tables * 16 - search_range))
    offset = 12 + 16 * num_tables
    body = bytearray()
    for tag, checksum, raw in tables:
        out += struct.pack(">4sIII", tag, checksum, offset + len(body), len(raw))
        body += raw
        body += b"\0" * ((4 - len(raw) % 4) % 4)
    return bytes(out + body)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: woff2ttf.py IN.woff OUT.ttf")
    with open(sys.argv[1], "rb") as f:
        sfnt = woff_to_sfnt(f.read())
    with open(sys.argv[2], "wb") as f:
        f.write(sfnt)
