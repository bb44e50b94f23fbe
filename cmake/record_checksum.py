"""Records the CRC-32 of a file as four little-endian bytes, the form in
which the updater carries the checksum of its payload.

Usage: record_checksum.py INPUT OUTPUT
"""
import struct
import sys
import zlib

with open(sys.argv[1], "rb") as source:
    checksum = zlib.crc32(source.read()) & 0xFFFFFFFF
with open(sys.argv[2], "wb") as out:
    out.write(struct.pack("<I", checksum))
