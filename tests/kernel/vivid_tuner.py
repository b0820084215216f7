#!/usr/bin/env python3
"""The driver's own answer, as the oracle of the tuning tests: for each frequency in MHz,
tunes NODE with the kernel's ioctls and prints "MHZ SIGNAL" (signal 0-65535).

    vivid_tuner.py /dev/video0 175.25 178.25 ...
"""
import fcntl
import os
import struct
import sys
import time

# linux/videodev2.h: _IOWR('V', 29, struct v4l2_tuner), _IOW('V', 57, struct v4l2_frequency)
TUNER_FMT = "I32sIIIIIIii4I"
FREQ_FMT = "III8I"
VIDIOC_G_TUNER = 0xC0000000 | (struct.calcsize(TUNER_FMT) << 16) | (ord("V") << 8) | 29
VIDIOC_S_FREQUENCY = 0x40000000 | (struct.calcsize(FREQ_FMT) << 16) | (ord("V") << 8) | 57
V4L2_TUNER_CAP_LOW = 0x0001


def tuner(fd):
    raw = bytearray(struct.pack(TUNER_FMT, 0, b"", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0))
    fcntl.ioctl(fd, VIDIOC_G_TUNER, raw)
    fields = struct.unpack(TUNER_FMT, raw)
    return fields[2], fields[3], fields[8]  # type, capability, signal


def main():
    fd = os.open(sys.argv[1], os.O_RDWR)
    kind, caps, _ = tuner(fd)
    unit = 16000 if caps & V4L2_TUNER_CAP_LOW else 16  # 62.5 Hz or 62.5 kHz units
    for text in sys.argv[2:]:
        value = int(round(float(text) * unit))
        fcntl.ioctl(fd, VIDIOC_S_FREQUENCY, struct.pack(FREQ_FMT, 0, kind, value, *([0] * 8)))
        time.sleep(0.01)
        print(text, tuner(fd)[2])


main()
