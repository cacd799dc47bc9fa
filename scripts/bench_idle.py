"""What the program costs while nobody touches it: CPU, memory, start-up.

Run through scripts/bench-idle.sh, which prepares Wine, the simulated card and
the display. Starts Vantrelis.exe several times; each run takes the program
through the idle states below, holds each for a while and reads the
program's and wineserver's CPU time from /proc/PID/stat (utime + stime) and
the program's memory from /proc/PID/status. Prints one table of the means.
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
import harness  # noqa: E402
import xscreen  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")
ONE_CARD = "gpu = current\nload = 60\n"
OUTSIDE = (-40, 40)            # left of the window, on the bare desktop
HELP_LABEL = (255, 134)        # the GPU clock label: its help shows after 60 passes
MINIMISE = (566, 12)
ECO_PRESET = (549, 440)
HIGH_PERFORMANCE_PRESET = (280, 440)
APPLY = (270, 612)
WINDOW_SIZE = (640, 650)
BLANK_TITLE = "VantrelisBlank"
READOUT_AREA = (340, 129, 76, 14)  # x, y, width, height: the GPU clock's value, far-aligned at x 414


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime, stime


def memory_kib(pid):
    values = {}
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            key, _, rest = line.partition(":")
            if key in ("VmRSS", "RssAnon"):
                values[key] = int(rest.split()[0])
    return values


def wake_ups(pid):
    """Context switches of every thread of the process so far: each is one time
    a thread went to sleep or was put off the core, so their rate counts its wake-ups."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/status") as status:
                for line in status:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except OSError:
            continue  # a thread that ended meanwhile
    return total


def wineserver_pid():
    """The wineserver of this prefix: it works in /tmp/.wine-UID/server-DEV-INODE of the prefix."""
    info = os.stat(harness.PREFIX)
    suffix = f"server-{info.st_dev:x}-{info.st_ino:x}"
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            if not Path(f"/proc/{entry}/comm").read_text().startswith("wineserver"):
                continue
            if os.readlink(f"/proc/{entry}/cwd").endswith(suffix):
                return int(entry)
        except OSError:
            continue
    return None


def program_pid(process):
    """The Linux process that runs Vantrelis.exe: the loader's own, or a child of it."""
    candidates = [process.pid]
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            candidates.append(int(entry))
    for pid in candidates:
        try:
            command = Path(f"/proc/{pid}/cmdline").read_bytes().replace(b"\0", b" ")
        except OSError:
            continue
        if b"Vantrelis.exe" in command and b"windowprobe" not in command:
            return pid
    return process.pid


def measure(pid, server, seconds):
    """(program %, wineserver %) of one core over `seconds`, the memory at the end
    and the program's wake-ups a second."""
    started = time.monotonic()
    program_before = cpu_ticks(pid)
    woken_before = wake_ups(pid)
    server_before = cpu_ticks(server) if server else 0
    time.sleep(seconds)
    elapsed = time.monotonic() - started
    program = (cpu_ticks(pid) - program_before) / TICKS / elapsed * 100
    wineserver = ((cpu_ticks(server) - server_before) / TICKS / elapsed * 100) if server else float("nan")
    woken = (wake_ups(pid) - woken_before) / elapsed
    return program, wineserver, memory_kib(pid), woken


def wine_itself_ms():
    """How long Wine takes to start and end a program that does nothing of its own."""
    started = time.monotonic()
    harness.probe("tray")
    return (time.monotonic() - started) * 1000


def search_visible(title, *then):
    """xdotool's output for the visible window `title`, with the commands `then` run on it."""
    done = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$", *then],
                          capture_output=True, text=True)
    return done.stdout if done.returncode == 0 else ""


def visible_now(title=harness.TITLE):
    return search_visible(title).strip() != ""


def wait_visible(title, started):
    while not visible_now(title):
        if time.monotonic() - started > 60:
            raise RuntimeError(f"the window {title} never showed")
        time.sleep(0.005)
    return (time.monotonic() - started) * 1000


def blank_window_ms():
    """How long Wine takes from a program's start to a plain window of its own on the screen,
    timed like the program's window: the floor of any windowed program's start."""
    started = time.monotonic()
    blank = subprocess.Popen([harness.WINE, str(harness.PROBE), "blank", BLANK_TITLE, "300"],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    shown = wait_visible(BLANK_TITLE, started)
    blank.wait(timeout=30)
    return shown


def start(folder, screen):
    """Starts the program; returns it and (ms to the window shown, ms to live readouts)."""
    program = harness.Program(folder)
    started = time.monotonic()
    program.start(wait_for_window=False, sim_config=ONE_CARD)
    shown = wait_visible(harness.TITLE, started)
    live = readouts_live_ms(screen, started)
    return program, shown, live


def window_origin(screen):
    """The program centres its window on the screen."""
    width, height = screen.size()
    return width // 2 - WINDOW_SIZE[0] // 2, height // 2 - WINDOW_SIZE[1] // 2


def readouts_live_ms(screen, started):
    """Time until the GPU clock's value is on the screen: white text where
    there is none before the first sample. Read from the display in-process,
    so the poll neither starts a process nor talks to the program."""
    left, top = window_origin(screen)
    x, y, width, height = READOUT_AREA
    while time.monotonic() - started < 60:
        if any(min(pixel) >= 0xE0 for pixel in screen.pixels(left + x, top + y, width, height)):
            return (time.monotonic() - started) * 1000
        time.sleep(0.002)
    return float("nan")


def driver_writes(folder):
    path = Path(folder) / "sim-calls.txt"
    lines = path.read_text().splitlines() if path.exists() else []
    return sum(1 for line in lines if "Set" in line.split(" ", 1)[0])


def first_write_ms(folder, writes, started):
    """Polls the call log each millisecond until a new driver write shows. Nothing
    else runs meanwhile: a process started to look at the window would compete
    with the program on a two-core machine and delay what is measured."""
    while driver_writes(folder) == writes:
        if time.monotonic() - started > 30:
            return float("nan")
        time.sleep(0.001)
    return (time.monotonic() - started) * 1000


def click_apply(program, preset):
    program.click(*preset, pause=0.5)
    program.move(*APPLY)
    writes = driver_writes(program.folder)
    started = time.monotonic()
    # Not waited for: xdotool takes some 170 ms to end after its click, which
    # timed xdotool rather than the program. Its start (a few ms) counts.
    clicker = subprocess.Popen(["xdotool", "click", "1"])
    return writes, started, clicker


def apply_response(program, folder):
    """(ms from the click on apply, with a preset chosen, to the first driver write;
    whether the window vanished during a second apply, watched apart from the timing)."""
    writes, started, clicker = click_apply(program, ECO_PRESET)
    response = first_write_ms(folder, writes, started)
    clicker.wait()
    time.sleep(1.5)  # past the apply's settle and input hold-off
    _, _, clicker = click_apply(program, HIGH_PERFORMANCE_PRESET)  # another preset: the icon changes again
    vanished = False
    deadline = time.monotonic() + 1.5  # the whole apply, icon change included
    while time.monotonic() < deadline:
        vanished |= not visible_now()
    clicker.wait()
    return response, vanished


def hide_through_minimise(program):
    program.click(*MINIMISE)
    if not harness.wait_until(lambda: not visible_now(), timeout=10):
        raise RuntimeError("the minimise button did not hide the window")


STATES = ("shown, pointer outside", "shown, pointer on a label (help shown)", "hidden to the tray")


def check_window_place(screen):
    """The readouts were looked for where a centred window has them."""
    output = search_visible(harness.TITLE, "getwindowgeometry", "--shell")
    place = dict(line.split("=", 1) for line in output.split() if "=" in line)
    expected = window_origin(screen)
    if (int(place.get("X", -1)), int(place.get("Y", -1))) != expected:
        raise RuntimeError(f"the window is at {place.get('X')},{place.get('Y')}, not centred at {expected}")


def one_run(seconds, settle, screen):
    folder = Path(tempfile.mkdtemp(prefix="vantrelis-bench-"))
    shutil.copy(harness.EXE, folder / "Vantrelis.exe")
    (folder / "skin").mkdir()
    shutil.copy(harness.SKIN, folder / "skin" / "imgTemp")
    program, shown, live = start(folder, screen)
    try:
        check_window_place(screen)
        pid = program_pid(program.process)
        server = wineserver_pid()
        response, vanished = apply_response(program, folder)
        results = {}
        program.move(*OUTSIDE)
        time.sleep(settle)
        results[STATES[0]] = measure(pid, server, seconds)
        program.move(*HELP_LABEL)
        time.sleep(settle)
        results[STATES[1]] = measure(pid, server, seconds)
        hide_through_minimise(program)
        harness.xdotool("mousemove", "--sync", 5, 5)
        time.sleep(settle)
        results[STATES[2]] = measure(pid, server, seconds)
        return results, shown, live, response, vanished
    finally:
        harness.probe("send", harness.TITLE, "0x800A")
        if program.wait_for_exit(15) is None:
            program.process.kill()
        program.log.close()
        shutil.rmtree(folder, ignore_errors=True)


def main():
    seconds = float(os.environ.get("VT_BENCH_SECONDS", 60))
    runs = int(os.environ.get("VT_BENCH_RUNS", 3))
    settle = float(os.environ.get("VT_BENCH_SETTLE", 3))
    wine_ms = statistics.mean(wine_itself_ms() for _ in range(3))
    blank_ms = []
    load_before = Path("/proc/loadavg").read_text().split()[:3]
    gathered = {state: [] for state in STATES}
    shown_ms, live_ms, response_ms, vanished = [], [], [], []
    screen = xscreen.Screen()
    for run in range(runs):
        blank_ms.append(blank_window_ms())
        results, shown, live, response, gone = one_run(seconds, settle, screen)
        shown_ms.append(shown)
        live_ms.append(live)
        response_ms.append(response)
        vanished.append(gone)
        for state, value in results.items():
            gathered[state].append(value)
        print(f"run {run + 1}/{runs} done", file=sys.stderr, flush=True)
    screen.close()
    load_after = Path("/proc/loadavg").read_text().split()[:3]

    print(f"Vantrelis idle cost: {harness.ROAD}-bit build, {runs} runs x {seconds:.0f} s per state, "
          f"load average {' '.join(load_before)} before, {' '.join(load_after)} after")
    print(f"| state | program CPU % of one core | wineserver CPU % | program wake-ups a second | resident MB | anonymous MB |")
    print(f"|---|---|---|---|---|---|")
    for state in STATES:
        values = gathered[state]
        program = statistics.mean(v[0] for v in values)
        server = statistics.mean(v[1] for v in values)
        rss = statistics.mean(v[2]["VmRSS"] for v in values) / 1024
        anon = statistics.mean(v[2]["RssAnon"] for v in values) / 1024
        woken = statistics.mean(v[3] for v in values)
        spread = " / ".join(f"{v[0]:.3f}" for v in values)
        print(f"| {state} | {program:.3f} ({spread}) | {server:.3f} | {woken:.2f} | {rss:.1f} | {anon:.1f} |")
    print(f"start-up: window shown after {statistics.mean(shown_ms):.0f} ms, live readouts after "
          f"{statistics.mean(live_ms):.0f} ms (its value on the screen); "
          f"Wine itself starts and ends a program in {wine_ms:.0f} ms and shows a plain window "
          f"{statistics.mean(blank_ms):.0f} ms after its start; so the window comes "
          f"{statistics.mean(shown_ms) - statistics.mean(blank_ms):.0f} ms and the readouts "
          f"{statistics.mean(live_ms) - statistics.mean(blank_ms):.0f} ms after Wine's own part")
    print(f"response: click on apply (eco chosen) to the first driver write {statistics.mean(response_ms):.0f} ms "
          f"({' / '.join(f'{r:.0f}' for r in response_ms)}), xdotool's start included; the window vanished "
          f"during a second apply (highperformance) in {sum(vanished)} of {runs} runs")


if __name__ == "__main__":
    main()
