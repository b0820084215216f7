"""Readers for the files the viewer leaves behind: settings, AVI and bitmap.

Each reader checks the structure it walks and raises ValueError with the reason, so a damaged
file fails the run with a message instead of passing by accident.
"""

import re
import struct


def ReadSettings(path):
    """The values of a registry export text: {name: int for dword, str for string}."""
    with open(path, "rb") as f:
        raw = f.read()
    if raw.startswith(b"\xff\xfe"):
        text = raw[2:].decode("utf-16-le")
    else:
        text = raw.decode("utf-8-sig")
    values = {}
    for line in text.splitlines():
        match = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line.strip())
        if not match:
            continue
        name, value = match.group(1), match.group(2)
        if value.startswith("dword:"):
            number = int(value[6:], 16)
            values[name] = number - (1 << 32) if number >= 1 << 31 else number
        elif value.startswith('"') and value.endswith('"'):
            values[name] = re.sub(r"\\(.)", r"\1", value[1:-1])
        else:
            values[name] = value
    if not values:
        raise ValueError(f"{path}: no values")
    return values


def _Chunks(data, start, end):
    """(id, payload start, payload size) of the RIFF chunks between start and end."""
    pos = start
    while pos + 8 <= end:
        cid, size = struct.unpack_from("<4sI", data, pos)
        if pos + 8 + size > end:
            raise ValueError(f"chunk {cid!r} at {pos} runs past its parent")
        yield cid, pos + 8, size
        pos += 8 + size + (size & 1)


def ReadAvi(path):
    """{'frames', 'audio_chunks', 'audio_bytes', 'usec_per_frame', 'width', 'height',
    'streams'} of a RIFF AVI, counted from its movi list rather than trusting the header."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 12 or data[0:4] != b"RIFF" or data[8:12] != b"AVI ":
        raise ValueError(f"{path}: not a RIFF AVI")
    info = {"frames": 0, "audio_chunks": 0, "audio_bytes": 0, "streams": []}

    def Walk(start, end, in_movi):
        for cid, body, size in _Chunks(data, start, end):
            if cid in (b"RIFF", b"LIST"):
                kind = data[body:body + 4]
                Walk(body + 4, body + size, in_movi or kind == b"movi")
            elif cid == b"avih":
                (info["usec_per_frame"],) = struct.unpack_from("<I", data, body)
                info["width"], info["height"] = struct.unpack_from("<II", data, body + 32)
            elif cid == b"strh":
                info["streams"].append(data[body:body + 4].decode("latin-1"))
            elif in_movi and cid[2:4] in (b"dc", b"db") and size > 0:
                info["frames"] += 1
            elif in_movi and cid[2:4] == b"wb" and size > 0:
                info["audio_chunks"] += 1
                info["audio_bytes"] += size

    Walk(12, min(len(data), 8 + struct.unpack_from("<I", data, 4)[0]), False)
    if "usec_per_frame" not in info:
        raise ValueError(f"{path}: no avih header")
    return info


def ReadBitmap(path):
    """(width, height, bits per pixel) of a BMP whose pixel rows are all present."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 54 or data[0:2] != b"BM":
        raise ValueError(f"{path}: not a bitmap")
    offset = struct.unpack_from("<I", data, 10)[0]
    header, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if header < 40 or planes != 1 or compression != 0 or width <= 0 or height == 0:
        raise ValueError(f"{path}: unexpected header {header} {width}x{height} {compression}")
    stride = (width * bits + 31) // 32 * 4
    if offset + stride * abs(height) > len(data):
        raise ValueError(f"{path}: {len(data)} bytes cannot hold {width}x{height}x{bits}")
    return width, abs(height), bits


def ParseChannelCsv(text):
    """[(name, mhz, number, id)] from the channel export."""
    import csv
    import io
    rows = list(csv.reader(io.StringIO(text)))
    if not rows or [c.strip() for c in rows[0]] != ["name", "mhz", "number", "id"]:
        raise ValueError(f"unexpected channel export header: {rows[:1]}")
    return [(r[0], float(r[1]), int(r[2] or 0), int(r[3])) for r in rows[1:] if r]
