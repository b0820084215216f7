#!/usr/bin/env python3
"""Independent readings for the kernel tests, from the kernel's formats and the remote's
protocol rather than from the project's code.

  oracles.py sliced FILE          the 42-byte teletext packets (hex, one a line) of a file of
                                  v4l2_sliced_vbi_data items as the VBI node delivers them
  oracles.py read-sliced NODE S   the same, read() from a VBI node for S seconds after setting
                                  its sliced format to teletext + WSS and its queue to the
                                  sliced type (the format the driver gave goes to stderr)
  oracles.py rc5 SCANCODE         the codes an RC-5 frame (address << 8 | command, toggle 0
                                  and 1) gives: "parser CODE CODE" (unit k at bit k, idle
                                  units 1) and "teletext UNITS CODE CODE" (first unit first)
"""
import fcntl
import os
import select
import struct
import sys
import time

V4L2_SLICED_TELETEXT_B = 0x0001
V4L2_SLICED_WSS_625 = 0x4000
V4L2_BUF_TYPE_SLICED_VBI_CAPTURE = 6
# struct v4l2_format on 64-bit machines: the type, then the 200-byte union at offset 8.
FORMAT_BYTES = 208
VIDIOC_S_FMT = (3 << 30) | (FORMAT_BYTES << 16) | (ord("V") << 8) | 5
# struct v4l2_requestbuffers: count, type, memory, capabilities, flags + 3 reserved bytes.
REQBUFS_BYTES = 20
VIDIOC_REQBUFS = (3 << 30) | (REQBUFS_BYTES << 16) | (ord("V") << 8) | 8
V4L2_MEMORY_MMAP = 1


def packets(data):
    for at in range(0, len(data) - 63, 64):
        ident, _field, _line, _reserved = struct.unpack_from("<4I", data, at)
        if ident == V4L2_SLICED_TELETEXT_B:
            print(data[at + 16:at + 58].hex().upper())


def read_sliced(node, seconds):
    fd = os.open(node, os.O_RDWR)
    fmt = bytearray(FORMAT_BYTES)
    struct.pack_into("<IxxxxH", fmt, 0, V4L2_BUF_TYPE_SLICED_VBI_CAPTURE,
                     V4L2_SLICED_TELETEXT_B | V4L2_SLICED_WSS_625)
    fcntl.ioctl(fd, VIDIOC_S_FMT, fmt)
    service_set = struct.unpack_from("<H", fmt, 8)[0]
    lines = struct.unpack_from("<48H", fmt, 10)
    teletext = sum(1 for s in lines if s & V4L2_SLICED_TELETEXT_B)
    io_size = struct.unpack_from("<I", fmt, 108)[0]
    print("format: services 0x%x, %d teletext lines, io_size %d" % (service_set, teletext, io_size),
          file=sys.stderr)
    # read() gives the queue's type; a queue shared by raw and sliced VBI takes the sliced
    # type only from a buffer request (here one for no buffers), not from the format.
    request = bytearray(struct.pack("<4I4x", 0, V4L2_BUF_TYPE_SLICED_VBI_CAPTURE,
                                    V4L2_MEMORY_MMAP, 0))
    try:
        fcntl.ioctl(fd, VIDIOC_REQBUFS, request)
    except OSError as error:
        print("sliced buffer request refused: %s" % error, file=sys.stderr)
    data = b""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if select.select([fd], [], [], 0.5)[0]:
            data += os.read(fd, 64 * 48)
    os.close(fd)
    ids = {}
    for at in range(0, len(data) - 63, 64):
        ident = struct.unpack_from("<I", data, at)[0]
        ids[ident] = ids.get(ident, 0) + 1
    print("read: %d bytes, items by id %s" % (len(data), ids), file=sys.stderr)
    packets(data)


def sliced(path):
    packets(open(path, "rb").read())


def rc5_units(scancode, toggle):
    """Half-bit units from the first pulse to the last: True for idle (no light)."""
    address, command = (scancode >> 8) & 0x1F, scancode & 0x3F
    bits = [1, 1 if command < 64 else 0, toggle]
    bits += [(address >> i) & 1 for i in range(4, -1, -1)]
    bits += [(command >> i) & 1 for i in range(5, -1, -1)]
    units = []
    for b in bits:  # Manchester: a one is idle then light, a zero light then idle
        units += [True, False] if b else [False, True]
    while units and units[0]:
        units.pop(0)
    while units and units[-1]:
        units.pop()
    return units


def rc5(scancode):
    parser, teletext = [], []
    count = 0
    for toggle in (0, 1):
        units = rc5_units(scancode, toggle)
        parser.append(sum(1 << (i + 1) for i, idle in enumerate(units) if idle))
        code = 0
        for idle in units:
            code = (code * 2 + (1 if idle else 0)) & 0xFFFFFFFF
        teletext.append(code)
        count = len(units)
    print("parser", *("0x%X" % c for c in parser))
    print("teletext", count, *("0x%X" % c for c in teletext))


if __name__ == "__main__":
    if sys.argv[1] == "sliced":
        sliced(sys.argv[2])
    elif sys.argv[1] == "read-sliced":
        read_sliced(sys.argv[2], float(sys.argv[3]))
    else:
        rc5(int(sys.argv[2], 0))
