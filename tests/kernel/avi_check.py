#!/usr/bin/env python3
"""Prints "frames N indexed I width W height H" for an AVI, counted from its chunks by the
end-to-end tests' reader; I is the number of video entries in its idx1 index."""
import os
import struct
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from file_checks import ReadAvi  # noqa: E402


def indexed(path):
    data = open(path, "rb").read()
    pos, end = 12, min(len(data), 8 + struct.unpack_from("<I", data, 4)[0])
    while pos + 8 <= end:
        cid, size = struct.unpack_from("<4sI", data, pos)
        if cid == b"idx1":
            entries = [data[p:p + 4] for p in range(pos + 8, pos + 8 + size - 15, 16)]
            return sum(1 for e in entries if e[2:4] in (b"dc", b"db"))
        pos += 8 + size + (size & 1)
    return 0


info = ReadAvi(sys.argv[1])
print("frames", info["frames"], "indexed", indexed(sys.argv[1]), "width", info["width"],
      "height", info["height"])
