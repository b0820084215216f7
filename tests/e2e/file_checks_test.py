#!/usr/bin/env python3
"""The end-to-end run trusts these readers to fail on bad files; here they are shown some."""

import os
import struct
import sys
import tempfile
import unittest

# No compiled copies of the helpers in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from file_checks import ParseChannelCsv, ReadAvi, ReadBitmap, ReadSettings  # noqa: E402


def Chunk(cid, payload):
    return cid + struct.pack("<I", len(payload)) + payload + (b"\0" if len(payload) & 1 else b"")


def List(kind, *chunks):
    return Chunk(b"LIST", kind + b"".join(chunks))


def Avi(video_frames, audio_chunks, streams=(b"vids", b"auds")):
    avih = struct.pack("<10I", 40000, 0, 0, 0, video_frames, 0, len(streams), 0, 320, 240)
    headers = [Chunk(b"avih", avih)]
    for kind in streams:
        headers.append(List(b"strl", Chunk(b"strh", kind + b"\0" * 52)))
    movi = [Chunk(b"00dc", b"x" * 100) for _ in range(video_frames)]
    movi += [Chunk(b"01wb", b"s" * 33) for _ in range(audio_chunks)]
    movi.append(Chunk(b"00dc", b""))  # a dropped frame carries no data and is not counted
    body = b"AVI " + List(b"hdrl", *headers) + List(b"movi", *movi)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def Bitmap(width, height, bits, rows=None):
    stride = (width * bits + 31) // 32 * 4
    pixels = b"\0" * stride * (abs(height) if rows is None else rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, 0, 0, 0, 0, 0)
    return b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54) + info + pixels


class Files(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.folder.cleanup()

    def Write(self, name, data):
        path = os.path.join(self.folder.name, name)
        with open(path, "wb") as f:
            f.write(data)
        return path


class AviTest(Files):
    def test_counts_frames_and_sound_from_the_movi_list(self):
        info = ReadAvi(self.Write("a.avi", Avi(75, 12)))
        self.assertEqual((info["frames"], info["audio_chunks"]), (75, 12))
        self.assertEqual(info["audio_bytes"], 12 * 33)
        self.assertEqual(info["streams"], ["vids", "auds"])
        self.assertEqual((info["width"], info["height"]), (320, 240))

    def test_a_silent_recording_has_no_sound_stream(self):
        info = ReadAvi(self.Write("a.avi", Avi(10, 0, streams=(b"vids",))))
        self.assertEqual(info["streams"], ["vids"])
        self.assertEqual(info["audio_bytes"], 0)

    def test_truncated_file_is_refused(self):
        data = Avi(20, 3)
        with self.assertRaisesRegex(ValueError, "runs past"):
            ReadAvi(self.Write("a.avi", data[:-150]))

    def test_other_riff_is_refused(self):
        with self.assertRaisesRegex(ValueError, "not a RIFF AVI"):
            ReadAvi(self.Write("a.wav", b"RIFF\4\0\0\0WAVE"))


class BitmapTest(Files):
    def test_reads_size_and_depth_of_a_bottom_up_and_top_down_picture(self):
        self.assertEqual(ReadBitmap(self.Write("a.bmp", Bitmap(768, 576, 24))), (768, 576, 24))
        self.assertEqual(ReadBitmap(self.Write("b.bmp", Bitmap(640, -480, 24))), (640, 480, 24))

    def test_missing_rows_are_refused(self):
        with self.assertRaisesRegex(ValueError, "cannot hold"):
            ReadBitmap(self.Write("a.bmp", Bitmap(640, 480, 24, rows=479)))

    def test_other_files_are_refused(self):
        with self.assertRaisesRegex(ValueError, "not a bitmap"):
            ReadBitmap(self.Write("a.bmp", b"\x89PNG" + b"\0" * 60))


class SettingsTest(Files):
    TEXT = ('Windows Registry Editor Version 5.00\r\n\r\n'
            '[HKEY_CURRENT_USER\\Software\\Corvalen\\AviCap]\r\n'
            '"WorkMode"=dword:00000003\r\n"WinHandle"=dword:ffffffff\r\n'
            '"Path"="C:\\\\data \\"x\\""\r\n')

    def test_reads_dwords_signed_and_strings_unescaped(self):
        for name, data in (("u16.reg", b"\xff\xfe" + self.TEXT.encode("utf-16-le")),
                           ("u8.reg", self.TEXT.encode())):
            values = ReadSettings(self.Write(name, data))
            self.assertEqual(values["WorkMode"], 3)
            self.assertEqual(values["WinHandle"], -1)
            self.assertEqual(values["Path"], 'C:\\data "x"')

    def test_a_file_without_values_is_refused(self):
        with self.assertRaisesRegex(ValueError, "no values"):
            ReadSettings(self.Write("e.reg", b"REGEDIT4\n"))


class ChannelCsvTest(unittest.TestCase):
    def test_keeps_names_with_their_blanks(self):
        rows = ParseChannelCsv('name,mhz,number,id\n" 21  ",471.25,21,20\n"98.10 ",98.1,,98\n')
        self.assertEqual(rows, [(" 21  ", 471.25, 21, 20), ("98.10 ", 98.1, 0, 98)])

    def test_other_output_is_refused(self):
        with self.assertRaises(ValueError):
            ParseChannelCsv("position,name\n1,x\n")


if __name__ == "__main__":
    unittest.main()
