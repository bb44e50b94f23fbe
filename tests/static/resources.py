"""The resources of a built Windows program, read back with windres, for the
static checks."""
import os
import subprocess
import tempfile
import zlib


def _name_at(data, pos):
    """A resource type or name: an id (0xFFFF, id) or a NUL-ended UTF-16 text."""
    if data[pos:pos + 2] == b"\xff\xff":
        return int.from_bytes(data[pos + 2:pos + 4], "little"), pos + 4
    end = pos
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def resources(program):
    """{(type, name): bytes} of every resource of `program`; a type or name is
    a number or a text."""
    with tempfile.TemporaryDirectory() as work:
        compiled = os.path.join(work, "program.res")
        subprocess.run(["i686-w64-mingw32-windres", "-J", "coff", "-O", "res", "-i", program, "-o", compiled],
                       check=True)
        with open(compiled, "rb") as source:
            res = source.read()
    found, pos = {}, 0
    while pos + 8 <= len(res):
        size = int.from_bytes(res[pos:pos + 4], "little")
        header = int.from_bytes(res[pos + 4:pos + 8], "little")
        kind, after = _name_at(res, pos + 8)
        name, _ = _name_at(res, after)
        found[(kind, name)] = res[pos + header:pos + header + size]
        pos = (pos + header + size + 3) & ~3
    return found


def checksum_problems(found):
    """[] when resource "CRC32" 107 of `found` (from resources()) records the
    CRC-32 of the payload, "BINARY" 107, as the updater reads it back."""
    payload, recorded = found.get(("BINARY", 107)), found.get(("CRC32", 107))
    if payload is None or recorded is None or len(recorded) != 4:
        return ["no payload with a four-byte checksum beside it"]
    recorded, actual = int.from_bytes(recorded, "little"), zlib.crc32(payload)
    if recorded != actual:
        return ["the recorded checksum %08X is not the payload's %08X" % (recorded, actual)]
    return []
