"""A private X display with input driven by xdotool and screenshots by ImageMagick.

Every wait polls with a deadline: a loaded machine makes the program slower, never the test
flakier. Nothing here sleeps for a fixed long time.
"""

import os
import subprocess
import time


class StepFailed(Exception):
    """A step of the session did not reach its expected state."""


def Poll(what, probe, timeout, interval=0.1):
    """Calls probe until it returns something true; fails with what after timeout seconds."""
    began = time.monotonic()
    deadline = began + timeout
    while True:
        value = probe()
        if value:
            if time.monotonic() - began > 5:
                print(f"e2e:   waited {time.monotonic() - began:.1f} s for {what}", flush=True)
            return value
        if time.monotonic() >= deadline:
            raise StepFailed(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


class XSession:
    """Xvfb on a display number it picks itself, so parallel runs never meet."""

    def __init__(self, env, width=1280, height=1024, depth=24):
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x{depth}",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.server.kill()
            raise StepFailed("Xvfb did not start")
        self.display = f":{number}"
        self.size = (width, height)
        self.env = dict(env, DISPLAY=self.display)

    def Close(self):
        if self.server.poll() is None:
            self.server.terminate()
            try:
                self.server.wait(10)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()

    def Run(self, *args, check=True):
        began = time.monotonic()
        result = subprocess.run(list(args), env=self.env, capture_output=True, text=True,
                                timeout=60)
        if time.monotonic() - began > 2:
            print(f"e2e:   {' '.join(args)} took {time.monotonic() - began:.1f} s", flush=True)
        if check and result.returncode != 0:
            raise StepFailed(f"{' '.join(args)} failed: {result.stderr.strip()}")
        return result.stdout

    # Windows --------------------------------------------------------------------------------

    def Windows(self, title):
        """Visible top-level windows whose whole title is title."""
        out = self.Run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$",
                       check=False)
        return [int(w) for w in out.split()]

    def Geometry(self, window):
        out = self.Run("xdotool", "getwindowgeometry", "--shell", str(window))
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return (int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"]))

    def WaitWindow(self, what, title, accept=lambda geometry: True, timeout=30):
        """The one visible window titled title whose geometry passes accept."""

        def Probe():
            for window in self.Windows(title):
                try:
                    if accept(self.Geometry(window)):
                        return window
                except StepFailed:
                    pass  # it went away between the search and the query
            return None

        return Poll(what, Probe, timeout)

    def WaitGone(self, what, window, timeout=30):
        Poll(what, lambda: window not in self.Visible(), timeout)

    def AllVisible(self):
        """Every mapped window, popups without a title included."""
        out = self.Run("xdotool", "search", "--onlyvisible", "--class", ".", check=False)
        return {int(w) for w in out.split()}

    def OpenMenu(self, what, window, x, y):
        """Right-clicks and waits for the popup menu to map, so that keys reach the menu."""
        before = self.AllVisible()
        self.Click(window, x, y, button=3)
        return Poll(what, lambda: self.AllVisible() - before, timeout=15)

    def ChooseFromMenu(self, what, menu, key):
        """Presses a menu entry's key until the menu closes: a popup maps a moment before it
        takes the keyboard, and a key sent in between goes elsewhere."""
        deadline = time.monotonic() + 15
        while True:
            self.Run("xdotool", "key", key)
            try:
                Poll(what, lambda: not (self.AllVisible() & menu), timeout=2)
                return
            except StepFailed:
                if time.monotonic() >= deadline:
                    raise

    def Visible(self):
        out = self.Run("xdotool", "search", "--onlyvisible", "--name", ".", check=False)
        return {int(w) for w in out.split()}

    # Input ----------------------------------------------------------------------------------

    def Focus(self, window):
        # Without a window manager the focus is set directly; Qt takes it as activation.
        self.Run("xdotool", "windowfocus", "--sync", str(window))

    def Keys(self, window, *keys):
        self.Focus(window)
        self.Run("xdotool", "key", "--clearmodifiers", "--delay", "60", *keys)

    def Type(self, window, text):
        self.Focus(window)
        self.Run("xdotool", "type", "--delay", "60", text)

    def Click(self, window, x, y, button=1, repeat=1):
        self.Point(window, x, y)
        # A short pause lets the button see the hover that precedes a real press.
        time.sleep(0.05)
        self.Run("xdotool", "click", "--repeat", str(repeat), "--delay", "80", str(button))

    def Park(self):
        """The pointer to the screen's corner, where it hovers nothing and shows no tip."""
        corner = (self.size[0] - 1, self.size[1] - 1)
        self.Run("xdotool", "mousemove", *map(str, corner))
        Poll("the pointer to arrive", lambda: self.Pointer() == corner, timeout=10)

    def Point(self, window, x, y):
        # Not --sync: it waits for motion, which never comes when the pointer is there already.
        left, top = self.Geometry(window)[:2]
        self.Run("xdotool", "mousemove", str(left + x), str(top + y))
        Poll("the pointer to arrive", lambda: self.Pointer() == (left + x, top + y), timeout=10)

    def Pointer(self):
        out = self.Run("xdotool", "getmouselocation", "--shell")
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"])

    # Screenshots ----------------------------------------------------------------------------

    def Shot(self, window, path):
        self.Run("import", "-window", str(window), path)
        return path

    def Colours(self, path):
        return int(self.Run("identify", "-format", "%k", path).strip())

    def Signature(self, window, crop=None):
        """A cheap fingerprint of what a window (or the crop (x, y, w, h) of it) shows."""
        area = ["-crop", "{2}x{3}+{0}+{1}".format(*crop)] if crop else []
        out = subprocess.run(["import", "-window", str(window)] + area + ["-depth", "8", "rgb:-"],
                             env=self.env, capture_output=True, timeout=60)
        return hash(out.stdout) if out.returncode == 0 else None
