"""Runs the real Vantrelis.exe under Wine for the end-to-end tests.

scripts/test.sh prepares the Wine prefix and the display and sets VT_BUILD;
each test gets a fresh working folder holding what the program expects
beside it, starts the program there and looks at it from outside through
tools/windowprobe.exe, the files it writes and the simulated driver's state.

Everything that differs between the 32-bit and the 64-bit program comes from
scripts/lib.sh (vt_use_road) through the environment, read here and nowhere
else; without it the 32-bit road is assumed.
"""

import os
import shutil
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

BUILD = Path(os.environ.get("VT_BUILD", Path(__file__).resolve().parents[2] / "build"))
PREFIX = Path(os.environ.get("WINEPREFIX", BUILD / "wineprefix"))

# The road: which build, which Wine loader, the driver library's name and the
# folder a program of that width sees as its system folder.
ROAD = os.environ.get("VT_ROAD", "32")
WINDOWS = Path(os.environ.get("VT_WINDOWS_BUILD", BUILD / ("windows" if ROAD == "32" else "windows64")))
WINE = os.environ.get("VT_WINE", "wine" if ROAD == "32" else "/usr/lib/wine/wine64")
DRIVER_DLL = os.environ.get("VT_DRIVER_DLL", "nvapi.dll" if ROAD == "32" else "nvapi64.dll")
SYSTEM_FOLDER = Path(os.environ.get("VT_SYSTEM_FOLDER",
                                    PREFIX / "drive_c" / "windows" / ("syswow64" if ROAD == "32" else "system32")))

EXE = WINDOWS / "bin" / "Vantrelis.exe"
GUARD = "VantrelisGuard.exe"
PROBE = WINDOWS / "tools" / "windowprobe.exe"
SKIN = WINDOWS / "skin" / "imgTemp"
TITLE = "Vantrelis"

# The 64-bit program, which the tests of that width run on either road (the
# scripts put its simulated driver in the 64-bit system folder too).
WINDOWS64 = Path(os.environ.get("VT_WINDOWS64_BUILD", BUILD / "windows64"))
WINE64 = os.environ.get("VT_WINE64", "/usr/lib/wine/wine64")
EXE64 = WINDOWS64 / "bin" / "Vantrelis.exe"


def windows_path(path):
    """The Z: drive path Wine gives a host path."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def probe(*arguments, cwd=None, timeout=60):
    """Runs windowprobe.exe; returns (exit code, output).

    The output goes through a file, not a pipe: a wine call may start Wine's
    own background processes, which inherit the pipe and would keep it open
    long after the probe has ended.
    """
    with tempfile.TemporaryFile() as output:
        done = subprocess.run([WINE, str(PROBE), *map(str, arguments)], cwd=cwd, stdout=output,
                              stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=timeout)
        output.seek(0)
        # The probe writes the program's texts in the Japanese code page.
        return done.returncode, output.read().decode("cp932", errors="replace").strip()


def window_state():
    """{'visible', 'foreground', 'x', 'y', 'width', 'height'} of the window, or None."""
    code, output = probe("state", TITLE)
    if code != 0:
        return None
    fields = output.split()
    state = dict(field.split("=") for field in fields[:2])
    state = {key: int(value) for key, value in state.items()}
    state.update(zip(("x", "y", "width", "height"), map(int, fields[2:6])))
    return state


def message_box(timeout_ms=30000):
    """The text of the program's next message box (its lines joined by |); presses OK."""
    code, output = probe("messagebox", TITLE, timeout_ms)
    return output.removeprefix("text=") if code == 0 else None


def dialog_button(button_id, timeout_ms=10000):
    """Waits for a dialog of the program's window with the button button_id and presses it; returns its caption."""
    code, output = probe("dialog", TITLE, button_id, timeout_ms, timeout=timeout_ms / 1000 + 30)
    return output.removeprefix("caption=") if code == 0 else None


# The notice of a start that found settings which had not proven themselves,
# and its buttons.
SAFE_START_CAPTION = "設定の適用を見送りました"
SAFE_APPLY, SAFE_DEFAULTS, SAFE_LASTGOOD = 1034, 1035, 1036


def answer_safe_start(button, timeout_ms=10000):
    """Presses a button of the safe start's notice once it shows; its caption, or None when none came."""
    return dialog_button(button, timeout_ms)


def drawn_texts():
    """[(x, y, argb, text)] of every text one paint of the window draws, line breaks as "|"."""
    code, output = probe("texts", TITLE)
    texts = []
    for line in output.splitlines() if code == 0 else []:
        head, _, text = line.partition(" argb=")
        if not head.startswith("text x=") or not text:
            continue
        x, y = (int(field.split("=")[1]) for field in head.removeprefix("text ").split())
        argb, _, text = text.partition(" ")
        texts.append((x, y, int(argb, 16), text))
    return texts


def tray_icon_shown():
    """Whether Wine's stand-alone notification area shows any icon."""
    return probe("tray")[1] == "visible=1"


def log_text(folder):
    """The operation log of a working folder, line feeds only."""
    path = Path(folder) / "log" / "log.txt"
    text = path.read_bytes().decode("cp932") if path.exists() else ""
    return text.replace("\r\n", "\n")


def xdotool(*arguments):
    """Runs xdotool on the virtual display; returns its output."""
    done = subprocess.run(["xdotool", *map(str, arguments)], check=True, capture_output=True, text=True, timeout=30)
    return done.stdout.strip()


def wait_until(condition, timeout=10.0, interval=0.05):
    """Polls condition until it is true or the time is up; returns its last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)


def events_environment(folder):
    """What lets a test hand the simulated driver events while the program runs (Program.sim_event)."""
    return {"VANTRELIS_SIM_EVENTS": windows_path(Path(folder) / "sim-events.txt")}


class Program:
    """One run of Vantrelis.exe in its own working folder.

    The simulated driver writes its state to sim-state.txt and its calls to
    sim-calls.txt in the working folder; `sim_config` (the text of a
    configuration file) sets the cards up.
    """

    def __init__(self, folder, loader=WINE):
        self.folder = Path(folder)
        self.loader = loader
        self.process = None

    def start(self, wait_for_window=True, extra_environment=None, sim_config=None, arguments=()):
        environment = dict(os.environ)
        environment.setdefault("VANTRELIS_SIM_STATE", windows_path(self.folder / "sim-state.txt"))
        environment.setdefault("VANTRELIS_SIM_CALLS", windows_path(self.folder / "sim-calls.txt"))
        if sim_config is not None:
            (self.folder / "sim.cfg").write_text(sim_config)
            environment["VANTRELIS_SIM_CONFIG"] = windows_path(self.folder / "sim.cfg")
        environment.update(extra_environment or {})
        self.log = open(self.folder / "wine-output.txt", "w")
        self.process = subprocess.Popen([self.loader, "Vantrelis.exe", *arguments], cwd=self.folder, env=environment,
                                        stdout=self.log, stderr=subprocess.STDOUT)
        if wait_for_window:
            code, _ = probe("wait", TITLE, 30000)
            if code != 0:
                raise AssertionError("the program's window did not appear")
            # The window exists from the start of initialisation but shows only at its end.
            if not wait_until(lambda: (state := window_state()) and state["visible"], timeout=30):
                raise AssertionError("the program's window never showed")
        return self

    def sim_event(self, line):
        """An event of a real PC for the simulated driver ("sleep", "reset 3000", "swap"...): it takes it
        within a tenth of a second of the program's next call. The program must have been started with
        events_environment(its folder)."""
        with open(self.folder / "sim-events.txt", "a") as events:
            events.write(line + "\n")

    def send(self, message, w_param=0, l_param=0):
        return probe("send", TITLE, hex(message), hex(w_param), hex(l_param))[0]

    def press_escape(self):
        # WM_KEYDOWN with VK_ESCAPE, as the keyboard would send it.
        return self.send(0x100, 0x1B, 0x10001)

    # --- the user's pointer and keyboard, through X so that Wine's own input path runs ---

    def origin(self):
        """The screen position of the window's top-left corner."""
        state = window_state()
        return state["x"], state["y"]

    def move(self, x, y):
        """Moves the pointer to (x, y) in window coordinates."""
        left, top = self.origin()
        xdotool("mousemove", "--sync", left + x, top + y)

    def click(self, x, y, pause=0.1):
        """A left click at (x, y) in window coordinates; waits a little for the window to take it."""
        self.move(x, y)
        xdotool("click", "1")
        time.sleep(pause)

    def press(self, x, y):
        self.move(x, y)
        xdotool("mousedown", "1")

    def release(self):
        xdotool("mouseup", "1")

    def drag(self, start, end, steps=12, pause=0.03):
        """Presses at start, moves in steps to end and releases there."""
        self.press(*start)
        time.sleep(pause)
        for step in range(1, steps + 1):
            x = start[0] + (end[0] - start[0]) * step // steps
            y = start[1] + (end[1] - start[1]) * step // steps
            self.move(x, y)
            time.sleep(pause)
        self.release()
        time.sleep(0.1)

    def key(self, name, times=1, pause=0.05):
        """Presses and releases a key (xdotool's name, for example Right) with the window focused."""
        window = xdotool("search", "--name", f"^{TITLE}$").split()[0]
        xdotool("windowfocus", "--sync", window)
        for _ in range(times):
            xdotool("key", name)
            time.sleep(pause)

    def screenshot(self, path):
        """The window as it shows on the display, as a PNG file."""
        state = window_state()
        subprocess.run(["import", "-window", "root", "-crop",
                        f"{state['width']}x{state['height']}+{state['x']}+{state['y']}", "+repage", str(path)],
                       check=True, timeout=30)
        return Path(path)

    # --- what reached the simulated card ---

    def sim_state(self):
        """The simulated driver's state file as a dict of strings, for example state["gpu0.graphicsDelta"]."""
        path = self.folder / "sim-state.txt"
        state = {}
        for attempt in range(20):
            try:
                text = path.read_text()
                break
            except FileNotFoundError:  # not written yet, or being replaced at this instant
                if attempt == 19 or not path.parent.exists():
                    return state
                time.sleep(0.01)
        for line in text.splitlines():
            key, separator, value = line.partition(" = ")
            if separator:
                state[key] = value
        return state

    def sim_calls(self, operation=None):
        """The driver calls made so far, one line each, optionally of one operation only."""
        path = self.folder / "sim-calls.txt"
        lines = path.read_text().splitlines() if path.exists() else []
        return [line for line in lines if operation is None or line.split(" ", 1)[0] == operation]

    def wait_for_exit(self, timeout=15):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            self.press_escape()
            if self.wait_for_exit(10) is None:
                self.process.kill()
                subprocess.run(["wineserver", "-k"], check=False)
                self.process.wait()
        if self.process is not None:
            self.log.close()


class ProgramTest(unittest.TestCase):
    """A fresh working folder per test; every program it started is ended.

    A test class runs the road's program; one that sets WIDTH = 64 runs the
    64-bit program whatever the road."""

    WIDTH = None

    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="vantrelis-e2e-"))
        program = EXE64 if self.WIDTH == 64 else EXE
        shutil.copy(program, self.folder / "Vantrelis.exe")
        # The guard ships beside the program.
        if (program.parent / GUARD).exists():
            shutil.copy(program.parent / GUARD, self.folder / GUARD)
        if SKIN.exists():
            (self.folder / "skin").mkdir()
            shutil.copy(SKIN, self.folder / "skin" / "imgTemp")
        self.programs = []

    def tearDown(self):
        for program in self.programs:
            program.stop()
        subprocess.run(["wineserver", "-w"], check=False, timeout=60)
        shutil.rmtree(self.folder, ignore_errors=True)

    def start_program(self, **options):
        program = Program(self.folder, WINE64 if self.WIDTH == 64 else WINE)
        self.programs.append(program)
        return program.start(**options)

    def write_profile(self, text):
        (self.folder / "profile").mkdir(exist_ok=True)
        (self.folder / "profile" / "profile.cfg").write_text(text)
