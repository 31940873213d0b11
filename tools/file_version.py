#!/usr/bin/env python3
"""Prints the FileVersion a Linux executable of this project carries, or
with --set VERSION writes a new one into it in place.

The version lives in an ELF note (owner "KORVALIS", type 0x5646, see
cmake/VersionNote.cmake). --set makes an "older" or "newer" copy of an
installed program for trying the update round by hand; the new version must
fit the room the note has.

usage: file_version.py FILE [--set VERSION]
"""

import struct
import sys

OWNER = b"KORVALIS\0\0\0\0"  # name, padded to 4 bytes
TYPE = 0x5646


def find_note(data):
    at = data.find(OWNER)
    while at >= 12:
        namesz, descsz, kind = struct.unpack_from("<III", data, at - 12)
        if namesz == 9 and kind == TYPE:
            return at + len(OWNER), descsz
        at = data.find(OWNER, at + 1)
    sys.exit("no version note")


def main():
    if len(sys.argv) not in (2, 4) or (len(sys.argv) == 4 and sys.argv[2] != "--set"):
        sys.exit(__doc__)
    path = sys.argv[1]
    with open(path, "rb") as f:
        data = bytearray(f.read())
    start, size = find_note(data)
    if len(sys.argv) == 2:
        print(bytes(data[start:start + size]).split(b"\0", 1)[0].decode())
        return
    room = (size + 3) // 4 * 4
    version = sys.argv[3].encode()
    if len(version) + 1 > room:
        sys.exit("version does not fit the note (%d bytes)" % (room - 1))
    struct.pack_into("<I", data, start - len(OWNER) - 8, len(version) + 1)
    data[start:start + room] = version.ljust(room, b"\0")
    with open(path, "r+b") as f:
        f.write(data)


main()
