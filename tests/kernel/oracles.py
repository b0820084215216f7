#!/usr/bin/env python3
"""Independent readings for the kernel tests, from the kernel's formats and the remote's
protocol rather than from the project's code.

  oracles.py sliced FILE          the 42-byte teletext packets (hex, one a line) of a file of
                                  v4l2_sliced_vbi_data items as the VBI node delivers them
  oracles.py rc5 SCANCODE         the codes an RC-5 frame (address << 8 | command, toggle 0
                                  and 1) gives: "parser CODE CODE" (unit k at bit k, idle
                                  units 1) and "teletext UNITS CODE CODE" (first unit first)
"""
import struct
import sys

V4L2_SLICED_TELETEXT_B = 0x0001


def sliced(path):
    data = open(path, "rb").read()
    for at in range(0, len(data) - 63, 64):
        ident, _field, _line, _reserved = struct.unpack_from("<4I", data, at)
        if ident == V4L2_SLICED_TELETEXT_B:
            print(data[at + 16:at + 58].hex().upper())


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
    else:
        rc5(int(sys.argv[2], 0))
