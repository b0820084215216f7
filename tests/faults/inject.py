#!/usr/bin/env python3
"""Fault injection: the shipped programs are stopped, killed, starved of disk space and
given read-only targets or a second writer in the middle of their work, at random moments.
After each injection the files are checked: every file is its old version or its complete
new one, every recording up to the fault plays with an index, no scratch file is left and
every failure was reported with an exit status and a message.

  inject.py --build DIR [--per-kind N] [--kinds a,b] [--seed S]

Each run has its own home, data folder and TMPDIR. The closing line counts the injections
("N passed, N failed"); a failed one prints what it found and how to repeat it (--seed,
--kinds).
"""

import argparse
import csv
import glob
import io
import os
import random
import re
import resource
import shutil
import signal
import stat
import struct
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from file_checks import ReadAvi, ReadBitmap, ReadSettings  # noqa: E402
from panel_map import PanelPoint  # noqa: E402
from x_session import Poll, StepFailed, XSession  # noqa: E402

STOP_SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)
RECORD_SECONDS = 2


class Lost(Exception):
    """An injection ended with something lost, torn, left behind or unreported."""


class Skipped(Exception):
    """This machine cannot make the fault (no mount for a small disk, say)."""


def Expect(condition, message):
    if not condition:
        raise Lost(message)


def CheckAvi(path):
    """A recording that plays: RIFF structure whole, an index, header counts written."""
    try:
        info = ReadAvi(path)
    except (ValueError, struct.error) as error:
        raise Lost(f"{path} is not a whole AVI: {error}")
    with open(path, "rb") as f:
        data = f.read()
    pos, ids = 12, []
    while pos + 8 <= len(data):
        cid, size = struct.unpack_from("<4sI", data, pos)
        ids.append(cid if cid != b"LIST" else data[pos + 8:pos + 12])
        pos += 8 + size + (size & 1)
    Expect(b"idx1" in ids, f"{path} has no index (top-level chunks {ids})")
    avih = data.find(b"avih")
    total = struct.unpack_from("<I", data, avih + 8 + 16)[0]
    Expect(info["frames"] > 0, f"{path} holds no frame")
    Expect(total == info["frames"],
           f"{path}: the header counts {total} frames, the file holds {info['frames']}")
    return info


class Sandbox:
    """A fresh home, data folder and TMPDIR for one injection."""

    def __init__(self, root, build):
        self.dir = tempfile.mkdtemp(prefix="run-", dir=root)
        self.home = os.path.join(self.dir, "home")
        self.tmp = os.path.join(self.dir, "tmp")
        self.data = os.path.join(self.dir, "data")
        for d in (self.home, self.tmp, self.data):
            os.makedirs(d)
        self.vdtool = os.path.join(build, "bin", "vdtool")
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("VIEWDECK_", "XDG_", "DBUS_"))}
        # The virtual box receives the carriers the checks were written for, wherever it stands.
        env.update(HOME=self.home, TMPDIR=self.tmp, LANG="C.UTF-8",
                   VIEWDECK_VIRTUAL_BOX_TEST_CARRIERS="yes",
                   XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                   XDG_DATA_HOME=os.path.join(self.home, ".local", "share"))
        # Leaks are the sanitizer suites' business; here what counts is the files. A program
        # that ends soon after GStreamer has loaded its plugins leaks GLib's first quark block
        # (GLib gives it up on purpose when the table grows), and the fast unwinder cannot see
        # that stack to suppress it.
        env["ASAN_OPTIONS"] = ":".join(
            [o for o in env.get("ASAN_OPTIONS", "").split(":") if o and
             not o.startswith("detect_leaks=")] + ["detect_leaks=0"])
        self.env = env
        self.build = build
        self.mounts = []
        self.cleanups = []

    def Path(self, *names):
        return os.path.join(self.dir, *names)

    def Start(self, args, file_limit=None):
        def Limit():
            if file_limit is not None:
                # A write past the limit fails with EFBIG, as one past a full disk does.
                signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
                resource.setrlimit(resource.RLIMIT_FSIZE, (file_limit, file_limit))
        return subprocess.Popen([self.vdtool] + args, env=self.env, cwd=self.dir,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                preexec_fn=Limit)

    def Run(self, args, file_limit=None, timeout=60):
        p = self.Start(args, file_limit)
        out, err = p.communicate(timeout=timeout)
        return p.returncode, out, err

    def SmallDisk(self, kib):
        """A folder on a tmpfs of `kib` KiB of its own, where the run may mount (root);
        None elsewhere."""
        if os.geteuid() != 0:
            return None
        folder = tempfile.mkdtemp(prefix="disk-", dir=self.dir)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={kib}k", "tmpfs", folder],
                                 capture_output=True)
        if mounted.returncode != 0:
            raise Skipped(f"cannot mount a small disk: {mounted.stderr.decode().strip()}")
        self.mounts.append(folder)
        return folder

    def Scratch(self):
        """What a run left in its TMPDIR."""
        return sorted(os.listdir(self.tmp))

    def Close(self):
        for cleanup in reversed(self.cleanups):
            cleanup()
        for m in self.mounts:
            subprocess.run(["umount", "-l", m], check=False)
        for root, dirs, _ in os.walk(self.dir):
            for d in dirs:
                try:
                    os.chmod(os.path.join(root, d), 0o755)
                except OSError:
                    pass
        shutil.rmtree(self.dir, ignore_errors=True)


def Catches(p, sig):
    """Whether the process has a handler for sig (its SigCgt mask in /proc)."""
    try:
        with open(f"/proc/{p.pid}/status") as f:
            for line in f:
                if line.startswith("SigCgt:"):
                    return (int(line.split()[1], 16) >> (sig - 1)) & 1 == 1
    except OSError:
        pass
    return False


def SignalAt(p, delay, sig, after_catching=False):
    """Sends sig after delay seconds unless the process ended first; True when sent. With
    after_catching the delay counts from when the process handles sig: before its main runs
    (a sanitizer build takes a tenth of a second to get there) no program can."""
    if after_catching:
        until = time.monotonic() + 10
        while p.poll() is None and not Catches(p, sig) and time.monotonic() < until:
            time.sleep(0.002)
    try:
        p.wait(timeout=delay)
        return False
    except subprocess.TimeoutExpired:
        p.send_signal(sig)
        return True


def Finish(p, timeout=60):
    try:
        out, err = p.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        p.kill()
        out, err = p.communicate()
        raise Lost(f"did not end within {timeout} s of the fault; stderr: {err.strip()}")
    return p.returncode, out, err


def OlderFileHalfTheTime(rng, path, most=40000):
    """Half the time an older file of random bytes at `path`, whose bytes are returned so a
    check can see it unchanged; else nothing there and None."""
    if rng.random() >= 0.5:
        return None
    old = os.urandom(rng.randint(1, most))
    with open(path, "wb") as f:
        f.write(old)
    return old


def ExpectNoScratch(box):
    left = box.Scratch()
    Expect(not left, f"scratch left in TMPDIR: {left}")


# --- Recording with vdtool ------------------------------------------------------------------

def RecordStop(box, rng):
    """SIGTERM, SIGINT or SIGHUP during `vdtool record`: a normal end, exit 0, the recording
    up to the signal at the name given; stopped before the first picture, no file is written
    (an older one at the name stays) and the exit status and a message say so."""
    out_file = box.Path("film.avi")
    old = OlderFileHalfTheTime(rng, out_file)
    sig = rng.choice(STOP_SIGNALS)
    p = box.Start(["record", "--seconds", str(RECORD_SECONDS), out_file])
    sent = SignalAt(p, rng.uniform(0.05, RECORD_SECONDS + 1.0), sig)

    def Untouched(why):
        if old is None:
            Expect(not os.path.exists(out_file), f"a file appeared although {why}")
        else:
            with open(out_file, "rb") as f:
                Expect(f.read() == old, f"the older file at the name changed although {why}")

    rc, out, err = Finish(p)
    if rc == -sig:
        # Only before the program could set up its handlers.
        Untouched(f"killed by {signal.Signals(sig).name} mid-work")
    elif rc == 1 and ("before the recording began" in err or "before the first picture" in err):
        Expect(sent, f"exit 1 without a signal: {err.strip()}")
        Untouched("nothing was recorded")
    else:
        Expect(rc == 0, f"exit {rc} after {signal.Signals(sig).name}; stderr: {err.strip()}")
        CheckAvi(out_file)
    ExpectNoScratch(box)


def RecordKill(box, rng):
    """SIGKILL during `vdtool record`: the target is absent or whole, and the next run
    rescues the recording the killed one left in its scratch folder."""
    out_file = box.Path("film.avi")
    p = box.Start(["record", "--seconds", str(RECORD_SECONDS), out_file])
    SignalAt(p, rng.uniform(0.05, RECORD_SECONDS + 1.0), signal.SIGKILL)
    Finish(p)
    if os.path.exists(out_file):
        CheckAvi(out_file)
    # Half the time the temporary folder is cleaned before the next run, as at a reboot:
    # what was left beside the target is found there all the same.
    cleaned = rng.random() < 0.5
    if cleaned:
        for name in os.listdir(box.tmp):
            if name.startswith("viewdeck-"):
                shutil.rmtree(os.path.join(box.tmp, name), ignore_errors=True)
    rc, _, err = box.Run(["record", "--seconds", "1", box.Path("next.avi")])
    Expect(rc == 0, f"the next run failed: exit {rc}: {err.strip()}")
    for name in box.Scratch():
        Expect(name.startswith("viewdeck-recording-") and name.endswith(".avi"),
               f"scratch left in TMPDIR after the next run: {name}")
        Expect(name in err, f"the rescue of {name} was not reported: {err.strip()}")
        CheckAvi(os.path.join(box.tmp, name))
    # The recording written beside its target is mended there under a name of its own. One
    # killed before it recorded anything may stay as an empty file, when its folder was
    # cleaned, until it is a minute old.
    for name in os.listdir(box.dir):
        empty = os.path.getsize(os.path.join(box.dir, name)) == 0
        Expect(not name.endswith(".unsaved"), f"a mark left after the next run: {name}")
        Expect(not name.endswith(".part") or (cleaned and empty),
               f"left beside the target after the next run: {name}")
        if name.startswith("film-rescued-"):
            Expect(name in err, f"the rescue of {name} was not reported: {err.strip()}")
            CheckAvi(os.path.join(box.dir, name))


def RecordFullDisk(box, rng):
    """The disk fills during `vdtool record`: reported, and what was recorded plays."""
    out_file = box.Path("film.avi")
    limit = rng.randint(1024, 8 * 1024) * 1024  # room for a few pictures at least
    rc, _, err = box.Run(["record", "--seconds", str(RECORD_SECONDS), out_file],
                         file_limit=limit)
    if rc == 0:
        # The recording fitted under the limit (a loaded machine drops pictures).
        Expect(os.path.getsize(out_file) <= limit, f"exit 0 past the limit of {limit} bytes")
    else:
        Expect(rc == 1, f"exit {rc} although the disk was full at {limit} bytes")
        Expect("full" in err, f"the full disk was not reported: {err.strip()}")
    CheckAvi(out_file)
    ExpectSoundSpansFilm(out_file)
    ExpectNoScratch(box)


def IndexedSeconds(path):
    """(film, sound) seconds of a one-part AVI as a player takes them: the pictures and the
    sound bytes its index lists, at the rates its stream headers give."""
    with open(path, "rb") as f:
        data = f.read()
    streams = []
    pos = data.find(b"strh")
    while pos >= 0:
        kind = data[pos + 8:pos + 12]
        scale, rate = struct.unpack_from("<II", data, pos + 8 + 20)
        sample = struct.unpack_from("<I", data, pos + 8 + 44)[0]
        streams.append((kind, scale, rate, sample))
        pos = data.find(b"strh", pos + 8)
    idx1 = data.rfind(b"idx1")
    Expect(idx1 >= 0 and streams and streams[0][0] == b"vids", f"{path}: no index or no film")
    size = struct.unpack_from("<I", data, idx1 + 4)[0]
    pictures, sound = 0, 0
    for e in range(idx1 + 8, idx1 + 8 + size - 15, 16):
        cid, _, _, length = struct.unpack_from("<4sIII", data, e)
        if cid[2:4] in (b"dc", b"db"):
            pictures += 1
        elif cid[2:4] == b"wb":
            sound += length
    film = pictures * streams[0][1] / streams[0][2]
    audio = [s for s in streams if s[0] == b"auds"]
    if not audio or not audio[0][3]:
        return film, None
    _, scale, rate, sample = audio[0]
    return film, (sound // sample) * scale / rate


def ExpectSoundSpansFilm(path, slack=0.1):
    film, sound = IndexedSeconds(path)
    if sound is not None:
        Expect(abs(film - sound) <= slack,
               f"{path}: {film:.3f} s of film against {sound:.3f} s of sound")


def RecordStall(box, rng):
    """`vdtool record` held still (SIGSTOP) for up to three seconds and let go: it ends with
    a whole recording whose sound spans its film, silent where the process stood still."""
    out_file = box.Path("film.avi")
    p = box.Start(["record", "--seconds", str(RECORD_SECONDS + 1), out_file])
    time.sleep(rng.uniform(0.3, RECORD_SECONDS + 1.0))
    if p.poll() is None:
        p.send_signal(signal.SIGSTOP)
        time.sleep(rng.uniform(0.3, 3.0))
        p.send_signal(signal.SIGCONT)
    rc, _, err = Finish(p)
    Expect(rc == 0, f"exit {rc} after a stall; stderr: {err.strip()}")
    CheckAvi(out_file)
    ExpectSoundSpansFilm(out_file)
    ExpectNoScratch(box)


def RecordBadTarget(box, rng):
    """The target's file system is full, or turns read-only during the recording: a full
    one is refused before anything is recorded; a recording whose save fails is kept
    elsewhere; the file it was to replace stays as it was, and the failure is reported."""
    read_only = rng.random() < 0.5
    disk = box.SmallDisk(rng.randint(64, 4096) if not read_only else 256 * 1024)
    if disk is None:
        disk = tempfile.mkdtemp(prefix="disk-", dir=box.dir)
        read_only = True
    out_file = os.path.join(disk, "film.avi")
    old = OlderFileHalfTheTime(rng, out_file)
    p = box.Start(["record", "--seconds", str(RECORD_SECONDS), out_file])
    if read_only:
        time.sleep(rng.uniform(0.3, RECORD_SECONDS))
        if disk in box.mounts:
            # The recording is written beside its target: the kernel keeps a disk with a file
            # open for writing from turning read-only, and the fault cannot be made.
            if subprocess.run(["mount", "-o", "remount,ro", disk],
                              capture_output=True).returncode != 0:
                rc, _, err = Finish(p)
                Expect(rc == 0, f"exit {rc}, stderr: {err.strip()}")
                CheckAvi(out_file)
                raise Skipped("the target's disk stays writable while the recording is open")
        else:
            os.chmod(disk, 0o555)
    rc, _, err = Finish(p)
    if rc == 0:
        # The target was written in time.
        Expect(not read_only, "a save into a read-only folder reported success")
        CheckAvi(out_file)
        ExpectNoScratch(box)
        return
    refused = "is full" in err and "nothing was recorded" in err
    Expect(rc == 1 and ("save ERROR" in err or (refused and not read_only)),
           f"exit {rc}, stderr: {err.strip()}")
    if old is not None:
        with open(out_file, "rb") as f:
            Expect(f.read() == old, "the file the recording was to replace was damaged")
    else:
        Expect(not os.path.exists(out_file), "a torn file was left at the target")
    left = [n for n in os.listdir(disk) if n != "film.avi"]
    kept = [n for n in box.Scratch() if n.startswith("viewdeck-recording-")]
    if refused:
        Expect(not left and not box.Scratch(), f"left: {left}, TMPDIR: {box.Scratch()}")
        return
    Expect(not left, f"scratch left beside the target: {left}")
    Expect(len(kept) == 1 and kept == box.Scratch(), f"TMPDIR holds {box.Scratch()}")
    Expect(kept[0] in err, f"where the recording was kept was not said: {err.strip()}")
    CheckAvi(os.path.join(box.tmp, kept[0]))


def RecordSmallTmpdir(box, rng):
    """TMPDIR is a small, nearly full disk and the target's is roomy: the recording runs its
    whole time on the target's disk, and replaces an older file there only with a film."""
    small = box.SmallDisk(rng.randint(64, 4096))
    if small is None:
        raise Skipped("no small disk can be mounted here (not root)")
    box.tmp = small
    box.env["TMPDIR"] = small
    out_file = box.Path("film.avi")
    OlderFileHalfTheTime(rng, out_file, most=3 * 1024 * 1024)
    seconds = rng.choice([1, 1.5, RECORD_SECONDS])
    rc, out, err = box.Run(["record", "--seconds", str(seconds), out_file])
    Expect(rc == 0, f"exit {rc} with a roomy target; stderr: {err.strip()}")
    info = CheckAvi(out_file)
    # At least most of the time asked for: the free room of TMPDIR must not cut it short.
    Expect(info["frames"] >= int(seconds * 25 * 0.7),
           f"{info['frames']} frames in {seconds} s: {out.strip()} {err.strip()}")
    Expect(sorted(os.listdir(box.dir)) == sorted(["film.avi", "home", "tmp", "data",
                                                  os.path.basename(small)]),
           f"left beside the target: {os.listdir(box.dir)}")
    ExpectNoScratch(box)


def AviParts(path):
    """The RIFF parts of an AVI read chunk by chunk, without loading the file: for each part
    its kind ("AVI " or "AVIX"), its whole picture chunks, whether it holds the old-style
    index, and the main header's and the extended header's picture totals."""
    parts, avih_total, dmlh_total = [], None, None
    size = os.path.getsize(path)
    with open(path, "rb") as f:
        pos = 0
        while pos + 12 <= size:
            f.seek(pos)
            cid, riff_size, kind = struct.unpack("<4sI4s", f.read(12))
            if cid != b"RIFF":
                break
            part = {"kind": kind, "pictures": 0, "idx1": False}
            parts.append(part)
            end = min(size, pos + 8 + riff_size)
            at, lists = pos + 12, []
            while at + 8 <= end:
                f.seek(at)
                cid, n = struct.unpack("<4sI", f.read(8))
                if cid == b"LIST":
                    lists.append((f.read(4), at + 8 + n))
                    at += 12
                    continue
                if cid == b"avih":
                    f.seek(at + 8 + 16)
                    avih_total = struct.unpack("<I", f.read(4))[0]
                elif cid == b"dmlh":
                    dmlh_total = struct.unpack("<I", f.read(4))[0]
                elif cid == b"idx1":
                    part["idx1"] = True
                elif cid[2:4] in (b"db", b"dc") and at + 8 + n <= end and \
                        any(name == b"movi" and at < list_end for name, list_end in lists):
                    part["pictures"] += 1
                at += 8 + n + (n & 1)
            pos = end + (end & 1)
    return parts, avih_total, dmlh_total


def PicturesUpToTheEnd(path):
    """The whole picture chunks of a file as a killed writer left it: its list sizes are the
    writer's placeholders, so lists are entered rather than measured; a torn chunk ends it."""
    size, pictures, pos = os.path.getsize(path), 0, 12
    with open(path, "rb") as f:
        while pos + 8 <= size:
            f.seek(pos)
            cid, n = struct.unpack("<4sI", f.read(8))
            if cid in (b"RIFF", b"LIST"):
                pos += 12
                continue
            if pos + 8 + n > size:
                break
            pictures += cid[2:4] in (b"db", b"dc")
            pos += 8 + n + (n & 1)
    return pictures


def DemuxedPictures(box, path):
    """The pictures GStreamer's demuxer plays from an AVI, as a player would find them."""
    p = subprocess.run(["gst-launch-1.0", "-v", "filesrc", f"location={path}", "!", "avidemux",
                        "name=d", "d.video_0", "!", "fakesink", "silent=false"],
                       capture_output=True, text=True, env=box.env, timeout=120)
    Expect(p.returncode == 0, f"{path} does not play: {p.stderr.strip()[-500:]}")
    return sum(1 for line in p.stdout.splitlines() if "chain" in line and "fakesink" in line)


def RecordPast1GibKill(box, rng):
    """SIGKILL to a raw recording once its file has passed 1 GiB, where the muxer goes on in a
    second RIFF part: the next run rescues it, and the rescued file plays with every picture
    written up to the kill. The muxer is fed black pictures from GStreamer's test sources
    (the virtual box is too slow to pass 1 GiB in a short run); its stream is written sparse,
    so the file costs a few MiB of disk."""
    run = os.path.join(box.tmp, "viewdeck-" + "".join(rng.choice("abcdefgh") for _ in range(6)))
    os.makedirs(run)
    open(os.path.join(run, ".lock"), "w").close()  # nobody holds it: a dead run
    killed = os.path.join(run, "Temporary.AVI")
    kill_at = (1 << 30) + rng.randint(0, 200 << 20)
    writer = subprocess.Popen(
        ["gst-launch-1.0", "-q", "videotestsrc", "pattern=black", "!",
         "video/x-raw,format=BGR,width=2048,height=1536,framerate=25/1", "!", "mux.",
         "audiotestsrc", "wave=silence", "samplesperbuffer=1920", "!",
         "audio/x-raw,format=S16LE,rate=48000,channels=2", "!", "mux.",
         "avimux", "name=mux", "!", "fdsink", "fd=1"],
        stdout=subprocess.PIPE, env=box.env)
    block = 64 * 1024
    zeros = bytes(block)
    written = 0
    with open(killed, "wb") as f:
        while written < kill_at:
            data = writer.stdout.read(block)
            if not data:
                break
            if data != zeros[:len(data)]:
                f.seek(written)
                f.write(data)
            written += len(data)
        writer.kill()
        writer.wait()
        writer.stdout.close()
        f.truncate(written)
    Expect(written >= kill_at, f"the writer ended at {written} bytes, before the kill")
    pictures = PicturesUpToTheEnd(killed)
    rc, _, err = box.Run(["record", "--seconds", "1", box.Path("next.avi")])
    Expect(rc == 0, f"the next run failed: exit {rc}: {err.strip()}")
    kept = [n for n in box.Scratch() if n.startswith("viewdeck-recording-")]
    Expect(len(kept) == 1 and kept == box.Scratch(), f"TMPDIR holds {box.Scratch()}")
    Expect(kept[0] in err, f"the rescue of {kept[0]} was not reported: {err.strip()}")
    rescued = os.path.join(box.tmp, kept[0])
    parts, avih_total, dmlh_total = AviParts(rescued)
    counts = [part["pictures"] for part in parts]
    # Killed before the second part's first whole picture, the rescue has no second part to
    # keep; the count below still holds it to every picture up to the kill.
    Expect([part["kind"] for part in parts] == [b"AVI "] + [b"AVIX"] * (len(parts) - 1),
           f"the rescued file's parts: {parts}")
    Expect(sum(counts) == pictures,
           f"{pictures} pictures up to the kill, the rescued file holds {counts}")
    Expect(parts[0]["idx1"], "the rescued file's first part has no index")
    Expect(avih_total == counts[0] and dmlh_total == pictures,
           f"header totals {avih_total} and {dmlh_total}, parts {counts}")
    played = DemuxedPictures(box, rescued)
    Expect(played == pictures, f"{played} of {pictures} pictures play")


# --- Stills ---------------------------------------------------------------------------------

def SnapshotFaults(box, rng):
    """`vdtool snapshot` over an older picture, killed, stopped or starved at random: the
    picture is the old one or a whole new one."""
    out_file = box.Path("still.bmp")
    old = None
    if rng.random() < 0.7:
        rc, _, err = box.Run(["snapshot", out_file])
        Expect(rc == 0, f"the first snapshot failed: {err.strip()}")
        with open(out_file, "rb") as f:
            old = f.read()
    fault = rng.choice(["kill", "stop", "disk"])
    if fault == "disk":
        rc, _, err = box.Run(["snapshot", out_file], file_limit=rng.randint(1, 2000) * 1024)
        if rc != 0:
            Expect(err.strip() != "", f"exit {rc} without a message")
    else:
        p = box.Start(["snapshot", out_file])
        sig = signal.SIGKILL if fault == "kill" else rng.choice(STOP_SIGNALS)
        SignalAt(p, rng.uniform(0.0, 1.5), sig)
        Finish(p)
    if os.path.exists(out_file):
        with open(out_file, "rb") as f:
            now = f.read()
        if now != old:
            try:
                ReadBitmap(out_file)
            except ValueError as error:
                raise Lost(f"torn picture after {fault}: {error}")
    else:
        Expect(old is None, f"the older picture vanished after {fault}")
    Expect(os.listdir(box.dir).count("still.bmp") <= 1 and
           not [n for n in os.listdir(box.dir) if n.startswith(".still.bmp")],
           f"scratch beside the picture: {os.listdir(box.dir)}")


# --- Channel files --------------------------------------------------------------------------

def ChannelCsv(rng, count, tag):
    rows = ["name,mhz,number,id"]
    for i in range(count):
        rows.append(f"{tag} {i},{48.25 + i * 0.25:.2f},{i % 100},{i}")
    return "\n".join(rows) + "\n"


def Exported(box, path):
    rc, out, err = box.Run(["channels", "export", path, "--tv"])
    if rc != 0:
        raise Lost(f"the channel file cannot be read back: {err.strip()}")
    return out


def ChannelsFaults(box, rng):
    """`vdtool channels import` killed, starved or racing a second writer: the file holds
    one whole list, and each writer that reported success wrote one whole list."""
    target = box.Path("data", "TV.CFG")
    lists = {}
    for tag in ("old", "one", "two"):
        csv_path = box.Path(f"{tag}.csv")
        with open(csv_path, "w") as f:
            f.write(ChannelCsv(rng, rng.randint(1, 3000), tag))
        lists[tag] = csv_path
    rc, _, err = box.Run(["channels", "import", lists["old"], target])
    Expect(rc == 0, f"the first import failed: {err.strip()}")
    versions = {Exported(box, target): "old"}
    for tag in ("one", "two"):
        probe = box.Path(f"{tag}.CFG")
        box.Run(["channels", "import", lists[tag], probe, "--tv"])
        versions[Exported(box, probe)] = tag
        os.remove(probe)
    fault = rng.choice(["kill", "disk", "writer"])
    if fault == "kill":
        p = box.Start(["channels", "import", lists["one"], target])
        SignalAt(p, rng.uniform(0.0, 0.05), signal.SIGKILL)
        Finish(p)
    elif fault == "disk":
        rc, _, err = box.Run(["channels", "import", lists["one"], target],
                             file_limit=rng.randint(1, 64) * 1024)
        if rc != 0:
            Expect("cannot write" in err, f"exit {rc}, stderr: {err.strip()}")
            Expect(versions.get(Exported(box, target)) == "old",
                   "a failed import changed the file")
    else:
        a = box.Start(["channels", "import", lists["one"], target])
        b = box.Start(["channels", "import", lists["two"], target])
        results = [Finish(a), Finish(b)]
        Expect(all(r[0] == 0 for r in results),
               f"a writer failed: {[r[2].strip() for r in results]}")
    now = Exported(box, target)
    Expect(now in versions, f"after {fault} the file is none of the lists written")
    left = [n for n in os.listdir(box.data) if n != "TV.CFG"]
    Expect(not left, f"scratch beside the channel file after {fault}: {left}")


# --- Station search -------------------------------------------------------------------------

def ScanStop(box, rng):
    """SIGTERM, SIGINT or SIGHUP during `vdtool scan`: what was found is stored, and the exit
    status says how the search ended."""
    sig = rng.choice(STOP_SIGNALS)
    p = box.Start(["scan", "Germany", "cable", "--data", box.data, "--lock-ms", "5"])
    sent = SignalAt(p, rng.uniform(0.0, 2.0), sig, after_catching=True)
    rc, out, err = Finish(p, timeout=120)
    stored = os.path.join(box.data, "TV.CFG")
    if sent and rc == 128 + sig:
        Expect("Stored in" in out, f"no 'Stored in' after {signal.Signals(sig).name}")
    else:
        Expect(rc == 0, f"exit {rc}; stderr: {err.strip()}")
    found = int(out.split(" new station(s)")[0].split()[-1]) if " new station(s)" in out else -1
    if found > 0:
        Expect(os.path.exists(stored), "stations were found but nothing was stored")
        listed = [r for r in csv.reader(io.StringIO(Exported(box, stored)))][1:]
        Expect(len(listed) == found, f"{found} stations found, {len(listed)} stored")
    Expect(sorted(os.listdir(box.data)) in ([], ["TV.CFG"]),
           f"data folder holds {os.listdir(box.data)}")


# --- Recording in the viewer ---------------------------------------------------------------

VIEWER_TITLE = "Brevant TV USB"
RECORD_BUTTON = 1152


class Viewer:
    """The viewer on a private X display of 16 bits (so no display warning), started with
    the automatic first scan declined, driven by real input as a user does."""

    def __init__(self, box):
        if not (shutil.which("Xvfb") and shutil.which("xdotool") and shutil.which("import")):
            raise Skipped("Xvfb, xdotool or import is missing")
        self.box = box
        runtime = box.Path("run")
        os.makedirs(runtime, mode=0o700)
        env = {k: v for k, v in box.env.items() if not k.startswith(("QT_", "LD_"))}
        # One plug-in registry for all runs: building it costs seconds.
        env.update(XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb",
                   GST_REGISTRY=os.path.join(box.build, "faults-gst-registry.bin"))
        self.settings = os.path.join(env["XDG_CONFIG_HOME"], "Corvalen", "viewdeck.reg")
        self.folder = os.path.join(env["XDG_DATA_HOME"], "lumatrope")
        self.capture = os.path.join(self.folder, "Temporary.AVI")
        os.makedirs(os.path.dirname(self.settings))
        with open(self.settings, "w") as f:
            f.write("Windows Registry Editor Version 5.00\n\n"
                    "[HKEY_CURRENT_USER\\Software\\Corvalen\\AviCap]\n"
                    "\"AutoScan\"=dword:00000000\n")
        self.x = XSession(env, depth=16)
        box.cleanups.append(self.x.Close)
        self.process = None
        self.log = box.Path("viewer.log")

    def Start(self, file_limit=None):
        def Limit():
            if file_limit is not None:
                signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
                resource.setrlimit(resource.RLIMIT_FSIZE, (file_limit, file_limit))
        log = open(self.log, "a")
        self.process = subprocess.Popen([os.path.join(self.box.build, "bin", "viewdeck")],
                                        env=self.x.env, stdout=log, stderr=subprocess.STDOUT,
                                        preexec_fn=Limit)
        log.close()
        self.box.cleanups.append(self.Kill)
        try:
            self.main = self.x.WaitWindow("the main window", VIEWER_TITLE,
                                          lambda g: g[3] > 150, timeout=90)
            self.panel = self.x.WaitWindow("the control panel", VIEWER_TITLE,
                                           lambda g: g[3] <= 130, timeout=30)
        except StepFailed as error:
            raise Lost(f"the viewer did not start: {error}; {self.Said()}")

    def Record(self):
        """Ctrl+C for the VCR pad, its Record button; returns once the recording grows."""
        try:
            height = self.x.Geometry(self.panel)[3]
            self.x.Keys(self.main, "ctrl+c")
            Poll("the VCR pad to open", lambda: self.x.Geometry(self.panel)[3] > height, 30)
            # A click while the pad is still being laid out can miss: then press again.
            for attempt in range(3):
                self.x.Click(self.panel, *PanelPoint(RECORD_BUTTON))
                try:
                    Poll("the capture file", lambda: os.path.exists(self.capture), timeout=15)
                    break
                except StepFailed:
                    if attempt == 2:
                        raise
                    print("faults:   the Record button did not take the click; again", flush=True)
            Poll("the capture file to grow", lambda: os.path.getsize(self.capture) > 64 * 1024,
                 timeout=60)
        except StepFailed as error:
            raise Lost(f"no recording began: {error}; {self.Said()}")

    def Boxes(self):
        """The viewer's windows beyond the main window and the panel: its message boxes."""
        return [w for w in self.x.Windows(VIEWER_TITLE) if w not in (self.main, self.panel)]

    def End(self, sig, timeout=90):
        self.process.send_signal(sig)
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Lost(f"the viewer did not end within {timeout} s of "
                       f"{signal.Signals(sig).name}; {self.Said()}")

    def Kill(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def Said(self):
        with open(self.log, errors="replace") as f:
            return "viewer output: " + (f.read().strip()[-1500:] or "none")

    def Clips(self):
        return sorted(glob.glob(os.path.join(self.folder, "Gallery", "*", "*.avi")))

    def ExpectClosedNormally(self, rc, cause):
        Expect(rc == 0, f"exit {rc} after {cause}; {self.Said()}")
        try:
            settings = ReadSettings(self.settings)
        except (OSError, ValueError) as error:
            raise Lost(f"the settings after {cause}: {error}")
        Expect(settings.get("WinHandle") == 0, f"WinHandle {settings.get('WinHandle')} after {cause}")
        Expect(settings.get("AutoScan") == 0, f"a stored setting was lost after {cause}")
        Expect(not os.path.exists(self.capture), f"the capture file outlived the viewer ({cause})")
        ExpectNoScratch(self.box)

    def ExpectOneClip(self, cause, limit=None):
        clips = self.Clips()
        Expect(len(clips) == 1, f"after {cause} the album holds {clips}")
        Expect(os.path.basename(clips[0]).startswith("Capture "), f"clip named {clips[0]}")
        if limit is not None:
            Expect(os.path.getsize(clips[0]) <= limit, f"{clips[0]} past the limit of {limit}")
        CheckAvi(clips[0])


def ViewerRecordStop(box, rng):
    """SIGTERM, SIGINT or SIGHUP to the viewer during a recording (or while it only shows
    the picture): a normal close, exit 0, settings saved with WinHandle 0, and the clip up
    to the signal in the album."""
    viewer = Viewer(box)
    viewer.Start()
    sig = rng.choice(STOP_SIGNALS)
    recording = rng.random() < 0.8
    if recording:
        viewer.Record()
        time.sleep(rng.uniform(0.0, RECORD_SECONDS + 1.0))
    else:
        time.sleep(rng.uniform(0.0, 1.0))
    cause = f"{signal.Signals(sig).name} {'while recording' if recording else 'on live view'}"
    viewer.ExpectClosedNormally(viewer.End(sig), cause)
    if recording:
        viewer.ExpectOneClip(cause)
    else:
        Expect(not viewer.Clips(), f"clips without a recording: {viewer.Clips()}")


def ViewerRecordKill(box, rng):
    """SIGKILL to the viewer during a recording: the next start mends the clip and puts it
    in the album, and the settings are whole."""
    viewer = Viewer(box)
    viewer.Start()
    viewer.Record()
    time.sleep(rng.uniform(0.0, RECORD_SECONDS + 1.0))
    viewer.End(signal.SIGKILL)
    viewer.Start()
    try:
        Poll("the mended clip in the album", viewer.Clips, timeout=30)
    except StepFailed as error:
        raise Lost(f"{error}; the folder holds {os.listdir(viewer.folder)}")
    sig = rng.choice(STOP_SIGNALS)
    viewer.ExpectClosedNormally(viewer.End(sig), f"SIGKILL, a new start and {sig.name}")
    viewer.ExpectOneClip("SIGKILL and a new start")


def ViewerRecordFullDisk(box, rng):
    """The disk fills during the viewer's recording: a message box says so, the recording
    up to there is in the album after the viewer ends, and it plays."""
    viewer = Viewer(box)
    limit = rng.randint(1, 12) * 1024 * 1024
    viewer.Start(file_limit=limit)
    viewer.Record()
    try:
        Poll("a message about the full disk", viewer.Boxes, timeout=60)
    except StepFailed as error:
        raise Lost(f"{error} (limit {limit} bytes, capture file "
                   f"{os.path.getsize(viewer.capture) if os.path.exists(viewer.capture) else 0}"
                   f" bytes); {viewer.Said()}")
    sig = rng.choice(STOP_SIGNALS)
    cause = f"a full disk at {limit} bytes and {sig.name}"
    viewer.ExpectClosedNormally(viewer.End(sig), cause)
    viewer.ExpectOneClip(cause, limit)


# --- Targets that are no plain file -------------------------------------------------------

TARGET_WRITERS = ("snapshot", "channels", "record")
TARGET_NAMES = {"snapshot": "still.bmp", "channels": "TV.CFG", "record": "film.avi"}


def WriterArgs(box, writer, target, rng):
    if writer == "snapshot":
        return ["snapshot", target]
    if writer == "record":
        return ["record", "--seconds", "1", target]
    csv_path = box.Path("list.csv")
    with open(csv_path, "w") as f:
        f.write(ChannelCsv(rng, rng.randint(1, 3000), "new"))
    return ["channels", "import", csv_path, target]


def CheckWritten(box, writer, path):
    """The file a writer left is one whole file of its kind."""
    if writer == "snapshot":
        try:
            ReadBitmap(path)
        except ValueError as error:
            raise Lost(f"torn picture: {error}")
    elif writer == "record":
        CheckAvi(path)
    else:
        Exported(box, path)


def SymlinkTarget(box, rng):
    """The target is a symbolic link (relative or absolute, maybe through a second link) to a
    file in another folder, or to none yet: the writer replaces the file the link leads to,
    the links stay as they were, and a writer killed on the way leaves that file whole, the
    old one or the new one, with no scratch beside it or beside the link."""
    writer = rng.choice(TARGET_WRITERS)
    name = TARGET_NAMES[writer]
    elsewhere = box.Path("elsewhere")
    os.makedirs(elsewhere)
    real = os.path.join(elsewhere, name)
    old = None
    if rng.random() < 0.7:
        old = os.urandom(rng.randint(1, 40000))
        with open(real, "wb") as f:
            f.write(old)
    link = box.Path(name)
    links = {link: os.path.join("elsewhere", name) if rng.random() < 0.5 else real}
    if rng.random() < 0.3:
        links = {box.Path("first-" + name): links[link], link: box.Path("first-" + name)}
    for at, to in links.items():
        os.symlink(to, at)
    p = box.Start(WriterArgs(box, writer, link, rng))
    killed = rng.random() < 0.4 and SignalAt(p, rng.uniform(0.0, 1.5), signal.SIGKILL)
    rc, _, err = Finish(p, timeout=120)
    for at, to in links.items():
        Expect(os.path.islink(at) and os.readlink(at) == to,
               f"{writer} replaced the link {os.path.basename(at)}")
    if not killed:
        Expect(rc == 0, f"{writer} through a link: exit {rc}, stderr: {err.strip()}")
    if os.path.exists(real):
        with open(real, "rb") as f:
            now = f.read()
        if now != old:
            CheckWritten(box, writer, real)
    else:
        Expect(killed and old is None, f"{writer} left no file where the link leads")
    # A killed recording stays beside the file it was to become, for the next run to rescue.
    kept = [n for n in os.listdir(elsewhere)
            if killed and writer == "record" and re.fullmatch(r"\.?film\.avi\.\w{6}\.part(\.unsaved)?", n)]
    Expect(sorted(set(os.listdir(elsewhere)) - set(kept)) in ([], [name]),
           f"scratch beside the file: {os.listdir(elsewhere)}")
    Expect(not [n for n in os.listdir(box.dir) if n.startswith("." + name) or n.endswith(".part")],
           f"scratch beside the link: {os.listdir(box.dir)}")


def FifoTarget(box, rng):
    """A FIFO in the target's place, or a link to one: the writer refuses it with a message
    and a non-zero status, nothing hangs (no one reads the FIFO), and the FIFO stays."""
    writer = rng.choice(TARGET_WRITERS)
    name = TARGET_NAMES[writer]
    fifo = box.Path("fifo-" + name)
    os.mkfifo(fifo)
    target = fifo
    if rng.random() < 0.5:
        target = box.Path(name)
        os.symlink(os.path.basename(fifo), target)
    rc, _, err = Finish(box.Start(WriterArgs(box, writer, target, rng)), timeout=60)
    Expect(rc != 0, f"{writer} into a FIFO reported success")
    Expect("FIFO" in err, f"{writer} into a FIFO: exit {rc} without naming it: {err.strip()}")
    Expect(stat.S_ISFIFO(os.lstat(fifo).st_mode), "the FIFO was replaced")
    Expect(target == fifo or os.readlink(target) == os.path.basename(fifo),
           "the link to the FIFO was replaced")


KINDS = {
    "record-stop": RecordStop,
    "record-kill": RecordKill,
    "record-full-disk": RecordFullDisk,
    "record-stall": RecordStall,
    "record-bad-target": RecordBadTarget,
    "record-small-tmpdir": RecordSmallTmpdir,
    "record-past-1gib-kill": RecordPast1GibKill,
    "snapshot": SnapshotFaults,
    "channels": ChannelsFaults,
    "scan-stop": ScanStop,
    "symlink-target": SymlinkTarget,
    "fifo-target": FifoTarget,
    "viewer-record-stop": ViewerRecordStop,
    "viewer-record-kill": ViewerRecordKill,
    "viewer-record-full-disk": ViewerRecordFullDisk,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--per-kind", type=int, default=20)
    parser.add_argument("--kinds", default=",".join(KINDS))
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else random.randrange(1 << 30)
    build = os.path.abspath(args.build)
    root = tempfile.mkdtemp(prefix="vd-faults-")
    passed = failed = skipped = 0
    print(f"faults: seed {seed}, {args.per_kind} injections per kind", flush=True)
    try:
        for kind in args.kinds.split(","):
            rng = random.Random(f"{seed}-{kind}")
            began = time.monotonic()
            kind_failed = 0
            for i in range(args.per_kind):
                box = Sandbox(root, build)
                try:
                    KINDS[kind](box, rng)
                    passed += 1
                except (Lost, StepFailed) as lost:
                    failed += 1
                    kind_failed += 1
                    print(f"faults: {kind} #{i + 1}: {lost}", flush=True)
                except Skipped as why:
                    skipped += 1
                    print(f"faults: {kind} #{i + 1} skipped: {why}", flush=True)
                finally:
                    box.Close()
            print(f"faults: {kind}: {args.per_kind} injections, {kind_failed} lost something "
                  f"({time.monotonic() - began:.0f} s)", flush=True)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    if failed:
        print(f"faults: repeat with --seed {seed}")
    print(f"{passed} passed, {failed} failed" + (f", {skipped} skipped" if skipped else ""))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
