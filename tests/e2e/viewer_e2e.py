#!/usr/bin/env python3
"""Drives the installed viewer on the virtual TV box the way a user does, under Xvfb.

Real X input only (xdotool): the keyboard shortcuts, the mnemonics of the settings sheet, the
panel's buttons at their places, the context menu and the virtual remote. Afterwards the files
the viewer left are read back and every window's screenshot is checked for content.

  viewer_e2e.py --build BUILD_DIR --out DIR     installs BUILD_DIR into a scratch prefix
  viewer_e2e.py --prefix PREFIX --out DIR       uses an installed tree (e.g. an unpacked .deb)
"""

import argparse
import glob
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# No compiled copies of the helpers in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from file_checks import ParseChannelCsv, ReadAvi, ReadBitmap, ReadSettings  # noqa: E402
from panel_map import PanelPoint, PanelRect  # noqa: E402
from x_session import Poll, StepFailed, XSession  # noqa: E402

TITLE = "Brevant TV USB"
COUNTRY = "Germany"
COUNTRY_CODE = 49
RECORD_SECONDS = 3.0
# The virtual box delivers PAL at 25 frames a second; the window allows for a loaded machine
# and for the delay between the key that stops and the capture's end.
FRAME_RANGE = (55, 125)
# The box's still trigger gives 768 x 576 under PAL (640 x 480 under NTSC).
STILL_SIZE = (768, 576)
MIN_COLOURS = 64
# The whole run's limit, inside ctest's, so that the viewer and Xvfb are always ended here.
RUN_LIMIT_SECONDS = 180
CLIP = "e2eclip"
STILL = "e2estill"
# Channel 22 of the German cable plan: a station of the virtual box, picked from the list.
CHANNEL_DIGITS = ("2", "2")
# Panel areas (x, y, width, height) that show an effect: the station display with the input
# indicators above it, and the FM preset row right of the keypad button.
DISPLAY = (117, 28, 165, 34)
FM_KEYS = (116, 80, 138, 18)
# Centres of the first and second entry of the album's large-icon list, window coordinates.
ALBUM_FIRST_ICON = (48, 45)
ALBUM_SECOND_ICON = (131, 48)


class Run:
    def __init__(self, args):
        self.out = os.path.abspath(args.out)
        shutil.rmtree(self.out, ignore_errors=True)
        os.makedirs(self.out)
        self.scratch = tempfile.mkdtemp(prefix="vd-e2e-")
        try:
            self.prefix = args.prefix or self.Install(args.build)
        except StepFailed:
            shutil.rmtree(self.scratch, ignore_errors=True)
            raise
        home = os.path.join(self.scratch, "home")
        runtime = os.path.join(self.scratch, "run")
        os.makedirs(home)
        os.makedirs(runtime, mode=0o700)
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("VIEWDECK_", "DBUS_", "XDG_", "QT_", "LD_"))}
        env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                   XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb", LANG="C.UTF-8",
                   # The journey scans a country the box has carriers for only in the
                   # tests' sky.
                   VIEWDECK_VIRTUAL_BOX_TEST_CARRIERS="yes",
                   # One plug-in registry for every run: building it anew costs seconds.
                   GST_REGISTRY=os.path.join(os.path.dirname(self.out), "e2e-gst-registry.bin"))
        env.pop("DISPLAY", None)
        self.env = env
        self.settingsFile = os.path.join(env["XDG_CONFIG_HOME"], "Corvalen", "viewdeck.reg")
        self.dataFolder = os.path.join(env["XDG_DATA_HOME"], "lumatrope")
        self.x = XSession(env)
        self.viewer = None
        self.shots = []
        self.step = "start"
        self.started = time.monotonic()

    def Install(self, build):
        prefix = os.path.join(self.scratch, "usr")
        result = subprocess.run(["cmake", "--install", build, "--prefix", prefix],
                                capture_output=True, text=True)
        if result.returncode != 0:
            raise StepFailed(f"cmake --install failed: {result.stderr.strip()}")
        return prefix

    def Close(self):
        if self.viewer is not None and self.viewer.poll() is None:
            self.viewer.kill()
            self.viewer.wait()
        self.x.Close()
        if os.environ.get("VD_E2E_KEEP"):
            print(f"e2e: scratch tree kept in {self.scratch}")
        else:
            shutil.rmtree(self.scratch, ignore_errors=True)

    def Explain(self):
        """What a failed run leaves to read where only its output is kept: the windows then
        open and the end of the viewer's output."""
        try:
            for window in sorted(self.x.AllVisible()):
                title = self.x.Run("xdotool", "getwindowname", str(window), check=False).strip()
                print(f"e2e:   window {window} {self.x.Geometry(window)} '{title}'",
                      file=sys.stderr)
        except (StepFailed, KeyError, ValueError, OSError, subprocess.SubprocessError):
            pass
        try:
            with open(os.path.join(self.out, "viewdeck.log"), errors="replace") as log:
                for line in log.readlines()[-20:]:
                    print(f"e2e:   viewer: {line.rstrip()}", file=sys.stderr)
        except OSError:
            pass

    # Helpers --------------------------------------------------------------------------------

    def Shot(self, window, name):
        path = self.x.Shot(window, os.path.join(self.out, f"{name}.png"))
        colours = self.x.Colours(path)
        if colours <= MIN_COLOURS:
            raise StepFailed(f"screenshot {name} has only {colours} colours")
        self.shots.append((name, colours, path))
        return path

    def Main(self, timeout=30):
        return self.x.WaitWindow("the main window", TITLE, lambda g: g[3] > 150, timeout)

    def Panel(self, timeout=30):
        return self.x.WaitWindow("the control panel", TITLE, lambda g: g[3] <= 130, timeout)

    def ClickPanel(self, button_id):
        x, y = PanelPoint(button_id)
        self.x.Click(self.panel, x, y)
        self.x.Park()

    def Changes(self, what, window, action, crop=None, timeout=20):
        """Runs action and waits until the window (or its crop) shows something else."""
        before = self.x.Signature(window, crop)
        action()
        Poll(what, lambda: self.x.Signature(window, crop) != before, timeout)

    def PanelPress(self, what, button_id, crop=DISPLAY, timeout=20):
        """Clicks a panel button and waits until the crop of the panel, which must not hold
        the button (its hover look is no effect), shows something else."""
        self.Changes(what, self.panel, lambda: self.ClickPanel(button_id), crop, timeout)

    def Gallery(self, extension):
        return glob.glob(os.path.join(self.dataFolder, "Gallery", "*", "*." + extension))

    def Scan(self, sheet):
        """Starts the page's scan with its mnemonic and waits for the progress window to go."""
        self.x.Keys(sheet, "alt+s")
        # A quick scan may close its progress window between two polls; then the sheet's
        # screenshot and the station files still tell whether it ran.
        try:
            progress = self.x.WaitWindow("the scan's progress window", "Scanning", timeout=20)
        except StepFailed:
            return
        self.x.WaitGone("the end of the scan", progress, timeout=150)

    def ClickOk(self, sheet):
        width, height = self.x.Geometry(sheet)[2:]
        # OK sits left of Cancel in the sheet's bottom-right corner; it has no mnemonic.
        self.x.Click(sheet, width - 137, height - 24)
        self.x.WaitGone("the sheet to close", sheet)

    def OpenFromAlbum(self, album, icon):
        # The right button selects the entry it presses on, and the menu then offers Open.
        menu = self.x.OpenMenu("the album's file menu", album, *icon)
        self.x.ChooseFromMenu("the album's menu to take Open", menu, "o")

    def SaveAs(self, title, name):
        dialog = self.x.WaitWindow(f"the '{title}' dialog", title, timeout=60)
        self.x.Type(dialog, name)
        self.x.Keys(dialog, "Return")
        self.x.WaitGone(f"the '{title}' dialog to close", dialog)

    # The session ----------------------------------------------------------------------------

    def Step(self, name):
        self.step = name
        print(f"e2e: [{time.monotonic() - self.started:6.1f} s] {name}", flush=True)

    def Drive(self):
        self.Step("start the installed viewer")
        log = open(os.path.join(self.out, "viewdeck.log"), "w")
        self.viewer = subprocess.Popen([os.path.join(self.prefix, "bin", "viewdeck")],
                                       env=self.x.env, stdout=log, stderr=subprocess.STDOUT)

        self.Step("decline the first-run automatic scan (Alt+N)")
        prompt = self.x.WaitWindow("the first-run prompt", "Confirm automatic scan", timeout=60)
        self.x.Keys(prompt, "alt+n")
        self.x.WaitGone("the prompt to close", prompt)

        self.Step("tick 'Do not show this warning again.' (Space, Enter)")
        warning = self.x.WaitWindow("the display warning", "Display Warning")
        self.x.Keys(warning, "space", "Return")
        self.x.WaitGone("the display warning to close", warning)

        self.Step("main window and panel")
        self.main = self.Main()
        self.panel = self.Panel()
        self.Shot(self.main, "main-start")
        self.Shot(self.panel, "panel-start")

        self.Step("Ctrl+O, Channel Search page: Alt+C, type the country, Tab, Alt+S")
        self.x.Keys(self.main, "ctrl+o")
        sheet = self.x.WaitWindow("the settings sheet", "Settings")
        # The TV sheet opens on its first page; Channel Search is the last tab.
        self.x.Keys(sheet, "ctrl+shift+Tab", "alt+c")
        self.x.Type(sheet, COUNTRY)
        self.x.Keys(sheet, "Tab")
        self.Scan(sheet)
        self.Shot(sheet, "sheet")
        self.ClickOk(sheet)

        self.Step("channels: panel up, remote CH + (from the context menu), panel down")
        self.PanelPress("the panel's channel up", 1131, DISPLAY)
        w, h = self.x.Geometry(self.main)[2:]
        self.x.OpenMenu("the main window's context menu", self.main, w // 3, h // 2)
        self.x.Run("xdotool", "key", "Up", "Up", "Return")
        remote = self.x.WaitWindow("the virtual remote", "Virtual remote")
        self.Shot(remote, "virtual-remote")
        rw, rh = self.x.Geometry(remote)[2:]
        # CH + is the middle column of row 5 of the remote's 12 rows (the last is the box's
        # own still button).
        self.Changes("the remote's CH +", self.panel,
                     lambda: self.x.Click(remote, rw // 2, rh * 11 // 24), DISPLAY, timeout=30)
        self.PanelPress("the panel's channel down", 1133, DISPLAY)
        self.Changes("the Up key on the main window", self.panel,
                     lambda: self.x.Keys(self.main, "Up"), DISPLAY)

        self.Step("digit entry on the main window: channel number, Enter")
        self.Changes("the digit entry", self.panel,
                     lambda: self.x.Keys(self.main, *CHANNEL_DIGITS, "Return"), DISPLAY)
        self.Shot(self.panel, "panel-tv")

        self.Step("radio: the panel's Input button")
        self.ClickPanel(1140)
        self.x.WaitGone("the main window to hide in radio", self.main)

        self.Step("radio scan: the panel's Tools button, Ctrl+Tab, Alt+S")
        self.ClickPanel(1139)
        sheet = self.x.WaitWindow("the radio settings sheet", "Settings")
        self.x.Keys(sheet, "ctrl+Tab")
        self.Scan(sheet)
        self.Shot(sheet, "sheet-radio")
        self.ClickOk(sheet)

        self.Step("preset: the panel's keypad, MEM and 3 buttons")
        self.PanelPress("the FM keypad to open", 1148, FM_KEYS)
        # Input is handled in order: the preset key's effect shows that MEM came first.
        self.ClickPanel(580)
        self.PanelPress("the station to become preset 3", 573)
        self.Shot(self.panel, "panel-radio")

        self.Step("back to TV: Input through composite and S-Video")
        for _ in range(3):
            self.PanelPress("the next input", 1140)
        self.main = self.Main()

        self.Step("record: Ctrl+C for the VCR pad, its Record button, Esc after three seconds")
        height = self.x.Geometry(self.panel)[3]
        self.x.Keys(self.main, "ctrl+c")
        Poll("the VCR pad to open", lambda: self.x.Geometry(self.panel)[3] > height, 20)
        capture = os.path.join(self.dataFolder, "Temporary.AVI")
        self.ClickPanel(1152)
        Poll("the capture file to grow", lambda: os.path.exists(capture) and
             os.path.getsize(capture) > 64 * 1024, timeout=30)
        began = time.monotonic()
        self.Shot(self.main, "main-recording")
        # The Album button is greyed while the recording runs and until its save has ended and
        # the clip is shown; a click before that is refused with the save dialog or lands in
        # the wrong state.
        album_button = PanelRect(1136)
        busy = self.x.Signature(self.panel, album_button)
        time.sleep(max(0.0, RECORD_SECONDS - (time.monotonic() - began)))
        self.x.Keys(self.main, "Escape")
        self.SaveAs("Save Capture File", CLIP)
        Poll("the clip to be shown (the panel's Album button enabled again)",
             lambda: self.x.Signature(self.panel, album_button) != busy, timeout=30)

        self.Step("live again (the panel's Live button), snapshot (the panel's Photo button)")
        self.Changes("the live picture", self.main, lambda: self.ClickPanel(1154))
        self.ClickPanel(1138)
        self.SaveAs("Save Capture Still", STILL)
        album = self.x.WaitWindow("the album window", "Gallery")

        self.Step("album: the picture, then the clip, each by click and Open in its menu")
        before = self.x.Geometry(self.main)
        self.OpenFromAlbum(album, ALBUM_SECOND_ICON)
        Poll("the main window to take the picture's size",
             lambda: self.x.Geometry(self.main)[2] >= 640, timeout=20)
        self.Shot(self.main, "main-picture")
        self.Shot(album, "album")
        self.OpenFromAlbum(album, ALBUM_FIRST_ICON)
        Poll(f"the main window to leave the picture's size (width {before[2]})",
             lambda: self.x.Geometry(self.main)[2] == before[2], timeout=20)
        self.ClickPanel(1150)
        frame = self.x.Signature(self.main)
        Poll("the clip to play", lambda: self.x.Signature(self.main) != frame, timeout=20)
        self.Shot(self.main, "main-playing")

        self.Step("quit: the panel's Power button")
        self.ClickPanel(1143)
        try:
            code = self.viewer.wait(30)
        except subprocess.TimeoutExpired:
            raise StepFailed("the viewer did not end within 30 s of Power")
        if code != 0:
            raise StepFailed(f"the viewer ended with status {code}")

    # Checks on disk -------------------------------------------------------------------------

    def Channels(self, name, radio):
        args = [os.path.join(self.prefix, "bin", "vdtool"), "channels", "export",
                os.path.join(self.dataFolder, name)] + (["--radio"] if radio else [])
        result = subprocess.run(args, env=self.env, capture_output=True, text=True)
        if result.returncode != 0:
            raise StepFailed(f"vdtool channels export {name}: {result.stderr.strip()}")
        return ParseChannelCsv(result.stdout)

    def Check(self):
        self.Step("check the files on disk")
        settings = ReadSettings(self.settingsFile)
        expected = {"WinHandle": 0, "WorkMode": 3, "Country": COUNTRY_CODE, "isMTS": -1,
                    "bNotShowAgain": 1, "AutoScan": 0, "keyPadOpen": 1, "VCRPadOpen": 1,
                    "iToolPage_mode3": 4, "iToolPage_mode2": 1}
        for name, value in expected.items():
            Expect(settings.get(name) == value, f"setting {name} is {settings.get(name)}, "
                   f"expected {value}")

        tv = self.Channels("TV.CFG", radio=False)
        Expect(len(tv) >= 5, f"the TV scan found {len(tv)} stations")
        # The used-slot map lets a scan store each tuner step once; the list the page shows
        # keeps the TV table sorted by name, which is the channel-number order.
        Expect(len({s[3] for s in tv}) == len(tv), f"a TV step stored twice: {tv}")
        names = [s[0].encode() for s in tv]
        Expect(names == sorted(names), f"TV stations not in name order: {names}")
        for name, _, number, _ in tv:
            filler = "" if number > 99 else "  " if number >= 10 else "    "
            Expect(name == f"{number:3d}{filler}", f"TV station {number} is named {name!r}")
        station = settings.get("TV_Station")
        digits = int("".join(CHANNEL_DIGITS))
        Expect(isinstance(station, int) and 0 <= station < len(tv) and tv[station][2] == digits,
               f"TV_Station {station} is not the entered channel {digits}")
        entered = tv[station]

        fm = self.Channels("FM.CFG", radio=True)
        Expect(len(fm) >= 4, f"the radio scan found {len(fm)} stations")
        stored = [s[1] for s in fm]
        # The page made station 1 current; MEM and 3 swapped it into place 3.
        order = sorted(stored)
        order[1], order[3] = order[3], order[1]
        Expect(stored == order, f"radio stations {stored}, expected {order}")
        Expect(all(s[0] == f"{s[1]:.2f} " for s in fm), f"radio names {[s[0] for s in fm]}")

        clips, stills = self.Gallery("avi"), self.Gallery("bmp")
        Expect([os.path.basename(p) for p in clips] == [CLIP + ".avi"], f"album clips {clips}")
        Expect([os.path.basename(p) for p in stills] == [STILL + ".bmp"],
               f"album stills {stills}")
        avi = ReadAvi(clips[0])
        seconds = avi["frames"] * avi["usec_per_frame"] / 1e6
        Expect(avi["usec_per_frame"] == 40000, f"{avi['usec_per_frame']} us a frame, not PAL")
        Expect(FRAME_RANGE[0] <= avi["frames"] <= FRAME_RANGE[1],
               f"{avi['frames']} frames ({seconds:.2f} s) for a {RECORD_SECONDS} s recording")
        Expect("auds" in avi["streams"] and avi["audio_bytes"] > 0,
               f"no sound in the recording (streams {avi['streams']})")
        width, height, bits = ReadBitmap(stills[0])
        Expect(bits == 24 and (width, height) == STILL_SIZE, f"still {width}x{height}x{bits}")
        Expect(not os.path.exists(os.path.join(self.dataFolder, "Temporary.AVI")),
               "the capture file outlived the viewer")
        print(f"e2e: TV.CFG {len(tv)} stations, current channel {entered[2]}; FM.CFG {stored}")
        print(f"e2e: {CLIP}.avi: {avi['frames']} frames ({seconds:.2f} s), "
              f"{avi['audio_bytes']} sound bytes; {STILL}.bmp: {width}x{height}x{bits}")


def Expect(condition, message):
    if not condition:
        raise StepFailed(message)


def main():
    parser = argparse.ArgumentParser()
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--build")
    source.add_argument("--prefix")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    def OutOfTime(signum, frame):
        raise StepFailed(f"the run passed its {RUN_LIMIT_SECONDS} s limit")

    signal.signal(signal.SIGALRM, OutOfTime)
    signal.alarm(RUN_LIMIT_SECONDS)
    try:
        run = Run(args)
    except StepFailed as error:
        print(f"e2e: FAILED to set up: {error}", file=sys.stderr)
        return 1
    status = 0
    try:
        run.Drive()
        run.Check()
    except (StepFailed, ValueError, OSError, subprocess.SubprocessError) as error:
        status = 1
        print(f"e2e: FAILED at step '{run.step}': {error}", file=sys.stderr)
        try:
            run.x.Run("import", "-window", "root", os.path.join(run.out, "failure-screen.png"))
        except StepFailed:
            pass
        print(f"e2e: viewer output in {run.out}/viewdeck.log", file=sys.stderr)
        run.Explain()
    finally:
        signal.alarm(0)
        run.Close()
    for name, colours, path in run.shots:
        print(f"e2e: screenshot {name}: {colours} colours: {path}")
    print(f"e2e: screenshots kept in {run.out}")
    print(f"e2e: {'passed' if status == 0 else 'failed'} in "
          f"{time.monotonic() - run.started:.1f} s")
    return status


if __name__ == "__main__":
    sys.exit(main())
