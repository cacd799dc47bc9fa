"""Takes the pictures of the user's guides (docs/guide-ja.md, docs/guide-en.md).

scripts/screenshots.sh prepares the Wine prefix, the simulated driver and the
display and then runs this. Every picture is the real Vantrelis.exe on the
simulated card, brought into its state by pointer and key events through X,
the way a user would get there; the end-to-end harness starts the program and
finds its windows. Each scene starts in a fresh working folder.

    python3 scripts/screenshots.py OUTPUT_FOLDER [NAME...]

With names, only the scenes that make those pictures run.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))

from harness import (EXE, GUARD, SKIN, TITLE, WINDOWS, WINE, Program, drawn_texts, log_text,  # noqa: E402
                     probe, wait_until, window_state, windows_path, xdotool)
from test_advanced_mode import ADVANCED_BUTTON, TAB, dialog_shown  # noqa: E402
from test_easy_mode import APPLY_AT, METER_TOP, PRESET_AT, Shot, near  # noqa: E402
from test_settings_dialog import SETTINGS_AT, TABS, dialog_places, dialogs, click_screen  # noqa: E402

from setup_screenshots import PAGES as SETUP_PAGES, take_setup_pictures  # noqa: E402

COLLECTOR = WINDOWS / "tools" / "Sysdigest.exe"
# The installer the packages step made (scripts/package.sh); VT_DIST names another folder.
DIST = Path(os.environ.get("VT_DIST", Path(__file__).resolve().parents[1] / "dist"))
ONE_CARD = "gpu = current\nload = 60\n"
AWAY = (600, 640)  # a spot of the window with no hover help
# The meters' colour once a preset is applied.
PRESET_COLOUR = {"highperformance": (229, 6, 6), "default": (44, 164, 222), "eco": (141, 194, 31)}

WARNING_CAPTION = "必ずご確認ください。"
CURVE_CAPTION = "ご確認ください"
SETTINGS_CAPTION = "設定"
PROGRESS_CAPTION = "Progress"
SAFE_START_CAPTION = "設定の適用を見送りました"
AGREE, CURVE_OK = 1004, 1030
SAFE_APPLY, SAFE_DEFAULTS, SAFE_LASTGOOD = 1034, 1035, 1036
REPORT_BUTTON, CLEAR_BUTTON, LAST_HISTORY_SLOT = 1020, 1032, 1031
REPORT_WRITTEN = "システム情報ファイルを作成しました"


class Failed(Exception):
    pass


def need(value, what):
    if not value:
        raise Failed(what)
    return value


def crop(path, x, y, width, height):
    subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "+repage", "-strip",
                    str(path)], check=True, timeout=30)


class Scene:
    """One working folder as the program's folder: the program, the guard, the collector and the skin."""

    def __init__(self, out):
        self.out = out
        self.folder = Path(tempfile.mkdtemp(prefix="vantrelis-shots-"))
        shutil.copy(EXE, self.folder / "Vantrelis.exe")
        if (EXE.parent / GUARD).exists():
            shutil.copy(EXE.parent / GUARD, self.folder / GUARD)
        shutil.copy(COLLECTOR, self.folder / "Sysdigest.exe")
        (self.folder / "skin").mkdir()
        shutil.copy(SKIN, self.folder / "skin" / "imgTemp")
        self.program = None

    def start(self):
        self.program = Program(self.folder).start(sim_config=ONE_CARD)
        # The first monitoring passes and their refresh reach the screen.
        need(wait_until(lambda: "FAN回転数1" in {t for *_, t in drawn_texts()}, timeout=15), "no live readouts")
        time.sleep(2.5)
        return self.program

    def shows(self, text):
        """Waits until the window draws this text: the picture must show what its paragraph says."""
        need(wait_until(lambda: text in {t.rstrip("|") for *_, t in drawn_texts()}, timeout=5),
             f"the window does not show {text!r}: {[t for *_, t in drawn_texts()]}")

    def log(self):
        return log_text(self.folder)

    def window(self, name, park=True):
        """The whole window; the pointer parked first where it raises no hover help, unless told not to."""
        if park:
            self.program.move(*AWAY)
            time.sleep(0.5)
        path = self.out / name
        state = need(wait_until(window_state_visible, timeout=10), "the window is not shown")
        crop(path, state["x"], state["y"], state["width"], state["height"])
        print(f"  {name}", flush=True)
        return path

    def dialog(self, caption, name, control=None):
        """The dialog with this caption, once it shows (and, with control, once that control shows)."""
        def shown():
            places = dialog_places().get(caption)
            if not places or (control is not None and not (places.get(control) and places[control].visible)):
                return None
            return places
        places = need(wait_until(shown, timeout=15), f"the dialog {caption} did not show")
        time.sleep(0.6)  # painted
        box = dialog_places()[caption]["dialog"]
        crop(self.out / name, box.x, box.y, box.width, box.height)
        print(f"  {name}", flush=True)
        return places

    def click_control(self, caption, control):
        place = need(wait_until(lambda: (p := dialog_places().get(caption, {}).get(control)) and p.visible and p,
                                timeout=10), f"control {control} of {caption}")
        click_screen(*place.centre())

    def closed(self, caption):
        need(wait_until(lambda: not dialog_shown(caption), timeout=10), f"the dialog {caption} stayed")
        time.sleep(0.3)

    def apply_preset(self, preset):
        """Chooses a preset, applies it and waits until the log has the apply and the meters its colour."""
        applies = self.log().count("EASY_SETTINGS")
        self.program.click(*PRESET_AT[preset])
        time.sleep(0.4)
        self.program.click(*APPLY_AT)
        need(wait_until(lambda: self.log().count("EASY_SETTINGS") > applies, timeout=10), f"{preset} not applied")
        need("EASY_SETTINGS = SUCCESSFUL" in self.log().splitlines()[-1], self.log())
        time.sleep(2.0)  # the hold-off, the history record and the next refresh

    def stop(self):
        if self.program is not None:
            self.program.stop()
        subprocess.run(["wineserver", "-w"], check=False, timeout=60)

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)


def window_state_visible():
    state = window_state()
    return state if state and state["visible"] else None


# --- the scenes -------------------------------------------------------------------------------------


def easy_mode(out):
    scene = Scene(out)
    try:
        program = scene.start()
        scene.window("first-start.png")

        # The Advanced Mode button's help shows after the pointer has rested on it.
        program.move(*ADVANCED_BUTTON)
        time.sleep(1.5)
        scene.window("hover-help.png", park=False)

        # Resting on a preset button shows what it does before it is chosen.
        program.move(*PRESET_AT["eco"])
        time.sleep(1.5)
        scene.window("preset-hover.png", park=False)

        time.sleep(1.2)  # past the start-up's own hold-off
        for preset in ("highperformance", "eco", "default"):
            scene.apply_preset(preset)
            shot = Shot(scene.window(f"preset-{preset}.png"))
            lit = shot.pixel(420, METER_TOP["load"] + 6)
            need(near(lit, PRESET_COLOUR[preset]), f"the meters of {preset} are {lit}, not its colour")

        tray_menu(scene)
        settings_dialog(scene)
    finally:
        scene.stop()
        scene.remove()


def tray_icon():
    """Where Wine's stand-alone notification area shows on the screen: (x, y, width, height)."""
    window = need(xdotool("search", "--name", "^Wine System Tray$").split(), "no notification area")[0]
    geometry = xdotool("getwindowgeometry", window)
    x, y = map(int, re.search(r"Position: (-?\d+),(-?\d+)", geometry).groups())
    width, height = map(int, re.search(r"Geometry: (\d+)x(\d+)", geometry).groups())
    return x, y, width, height


def visible_menu(near):
    """The popup menu's screen rectangle: a small unnamed window whose corner is at the pointer `near`."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^$"], capture_output=True, text=True)
    for window in found.stdout.split():
        geometry = subprocess.run(["xdotool", "getwindowgeometry", window], capture_output=True, text=True).stdout
        position = re.search(r"Position: (-?\d+),(-?\d+)", geometry)
        size = re.search(r"Geometry: (\d+)x(\d+)", geometry)
        if not position or not size:
            continue
        x, y = map(int, position.groups())
        width, height = map(int, size.groups())
        if not (40 <= width <= 400 and 40 <= height <= 400):
            continue
        if abs(x - near[0]) <= 40 and abs(y - near[1]) <= 40:
            return x, y, width, height
    return None


def open_submenu(menu):
    """A second small unnamed window beside the menu's right edge: its submenu."""
    mx, my, mw, mh = menu
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^$"], capture_output=True, text=True)
    for window in found.stdout.split():
        x, y, width, height = geometry(window)
        beside = abs(x - (mx + mw)) <= 12 or abs(x + width - mx) <= 12
        if (x, y) != (mx, my) and 40 <= width <= 400 and 20 <= height <= 400 and beside:
            return x, y, width, height
    return None


def tray_menu(scene):
    """A real right click on the icon in the notification area opens the menu."""
    x, y, width, height = tray_icon()
    # The icon's lowest row: the menu opens at the pointer, below the notification area, not under it.
    pointer = (x + 12, y + height - 7)
    xdotool("mousemove", "--sync", *pointer)
    time.sleep(0.2)
    xdotool("click", "3")
    menu = wait_until(lambda: visible_menu(pointer), timeout=10)
    if not menu:
        raise Failed("the tray menu did not open on a right click of the icon")
    time.sleep(0.5)
    mx, my, mw, mh = menu
    # The menu beside the notification area it came from.
    left, top = max(0, min(mx, x) - 8), max(0, min(my, y) - 8)
    right, bottom = max(mx + mw, x + width) + 8, max(my + mh, y + height) + 8
    crop(scene.out / "tray-menu.png", left, top, right - left, bottom - top)
    print("  tray-menu.png", flush=True)
    # The last item opens the options: up from the top wraps to it, right opens it.
    xdotool("key", "Up")
    xdotool("key", "Right")
    submenu = need(wait_until(lambda: open_submenu(menu), timeout=10), "the options submenu did not open")
    time.sleep(0.5)
    sx, sy, sw, sh = submenu
    left, top = max(0, min(left, sx - 8)), max(0, min(top, sy - 8))
    right, bottom = max(right, sx + sw + 8), max(bottom, sy + sh + 8)
    crop(scene.out / "tray-options.png", left, top, right - left, bottom - top)
    print("  tray-options.png", flush=True)
    xdotool("key", "Escape")
    # A click beside the menu closes it and chooses nothing.
    xdotool("mousemove", "--sync", 1200, 1000)
    xdotool("click", "1")
    need(wait_until(lambda: not visible_menu(pointer), timeout=10), "the tray menu stayed open")
    time.sleep(0.5)


def settings_dialog(scene):
    program = scene.program
    program.click(*SETTINGS_AT)
    scene.dialog(SETTINGS_CAPTION, "settings-files.png", REPORT_BUTTON)

    # The second tab, clicked along the tab strip as a user looks for it.
    tabs = dialog_places()[SETTINGS_CAPTION][TABS]
    for dx in range(150, tabs.width, 12):
        click_screen(tabs.x + dx, tabs.y + 10)
        if wait_until(lambda: dialogs().get(SETTINGS_CAPTION, {}).get(LAST_HISTORY_SLOT, (False,))[0], timeout=0.5):
            break
    else:
        raise Failed("the history tab did not show")
    time.sleep(0.3)
    scene.dialog(SETTINGS_CAPTION, "settings-history.png", CLEAR_BUTTON)
    xdotool("key", "Escape")
    scene.closed(SETTINGS_CAPTION)

    # The system report: the file is named in Wine's own save dialog.
    program.click(*SETTINGS_AT)
    need(wait_until(lambda: dialogs().get(SETTINGS_CAPTION), timeout=15), "the settings dialog did not open")
    scene.click_control(SETTINGS_CAPTION, REPORT_BUTTON)
    report = scene.folder / "report.txt"
    code, output = probe("filedialog", TITLE, windows_path(report), 15000, timeout=60)
    need(code == 0, f"the save dialog: {output}")

    def written():
        progress = dialogs().get(PROGRESS_CAPTION, {})
        return any(text == REPORT_WRITTEN for _, text in progress.values())
    need(wait_until(written, timeout=60, interval=0.02), "the progress dialog never said the report was written")
    box = dialog_places()[PROGRESS_CAPTION]["dialog"]
    time.sleep(0.2)
    crop(scene.out / "system-report-progress.png", box.x, box.y, box.width, box.height)
    print("  system-report-progress.png", flush=True)
    need(wait_until(lambda: PROGRESS_CAPTION not in dialogs(), timeout=30), "the progress dialog stayed")
    need(report.exists() and report.stat().st_size > 0, "no report")
    system_report(scene, report)


def system_report(scene, report):
    """The report as the user opens it: in Notepad."""
    # Notepad opens where its settings say: a window the size of the picture.
    for name, value in (("iWindowPosX", 40), ("iWindowPosY", 40), ("iWindowPosDX", 600), ("iWindowPosDY", 830)):
        subprocess.run([WINE, "reg", "add", r"HKCU\Software\Microsoft\Notepad", "/v", name, "/t", "REG_DWORD",
                        "/d", str(value), "/f"], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    editor = subprocess.Popen([WINE, "notepad.exe", windows_path(report)], cwd=scene.folder,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        title = f"{report.name} - "
        window = need(wait_until(lambda: xdotool_search(title), timeout=30), "Notepad did not open the report")
        time.sleep(1.0)
        x, y, width, height = geometry(window)
        crop(scene.out / "system-report.png", x, y, width, height)
        print("  system-report.png", flush=True)
    finally:
        editor.terminate()
        try:
            editor.wait(timeout=10)
        except subprocess.TimeoutExpired:
            editor.kill()


def xdotool_search(title):
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title], capture_output=True, text=True)
    windows = found.stdout.split()
    return windows[0] if windows else None


def geometry(window):
    text = xdotool("getwindowgeometry", window)
    x, y = map(int, re.search(r"Position: (-?\d+),(-?\d+)", text).groups())
    width, height = map(int, re.search(r"Geometry: (\d+)x(\d+)", text).groups())
    return x, y, width, height


def advanced_mode(out):
    scene = Scene(out)
    try:
        program = scene.start()
        program.click(*ADVANCED_BUTTON)
        scene.dialog(WARNING_CAPTION, "advanced-warning.png", AGREE)
        scene.click_control(WARNING_CAPTION, AGREE)
        scene.closed(WARNING_CAPTION)

        # Page 0: the GPU clock offset dragged to +91 MHz brings up the overclocking warning.
        program.drag((409, 430), (440, 430))
        scene.shows("+91 MHz")
        scene.window("advanced-clock.png")

        program.click(*TAB[1])
        time.sleep(0.5)
        scene.window("advanced-power.png")

        # Page 2: the limiter off reads MAXFPS; the first step up gives 16, then one a press, to 60.
        program.click(*TAB[2])
        time.sleep(0.5)
        program.key("Right", times=45, pause=0.15)
        scene.shows("60 FPS")
        scene.window("advanced-fps.png")

        # Page 3: fan 1 stepped to 50 % (the first step from AUTO gives the minimum + 1), fan 2 left on AUTO.
        program.click(*TAB[3])
        time.sleep(0.5)
        program.key("Right", times=20, pause=0.15)
        scene.shows("50 ％")
        scene.window("advanced-fan.png")

        program.click(*TAB[4])
        scene.dialog(CURVE_CAPTION, "fan-curve-notice.png", CURVE_OK)
        scene.click_control(CURVE_CAPTION, CURVE_OK)
        scene.closed(CURVE_CAPTION)
        time.sleep(1.5)  # the points go on the card's curve
        scene.window("fan-curve.png")
        # The middle point, 60 degrees at 50 %, dragged to 65 degrees at 60 %.
        program.drag((390, 480), (400, 460), steps=20)
        time.sleep(0.3)
        scene.window("fan-curve-edited.png")
    finally:
        scene.stop()
        scene.remove()


def safe_start(out):
    """Settings proven and kept at a clean exit, then a change killed before it proved itself: the next
    start applies nothing and asks, offering all three answers."""
    scene = Scene(out)
    try:
        scene.start()
        time.sleep(1.2)
        scene.apply_preset("eco")
        print("  (waiting 33 s for eco to prove itself)", flush=True)
        need(wait_until(lambda: (scene.folder / "profile" / "lastgood.cfg").exists()
                        and not (scene.folder / "profile" / "pending").exists(), timeout=60), "eco never proved itself")
        scene.program.press_escape()
        need(scene.program.wait_for_exit(15) == 0, "the program did not end on Escape")
        scene.stop()
        need((scene.folder / "profile" / "profile.cfg").exists(), "no profile after a clean exit")

        scene.start()
        time.sleep(1.5)  # past the start-up profile's own hold-off
        scene.program.click(*PRESET_AT["highperformance"])
        time.sleep(0.4)
        scene.program.click(*APPLY_AT)
        need(wait_until(lambda: scene.program.sim_state().get("gpu0.graphicsDelta") == "89000"), "no high performance")
        time.sleep(2)
        # The program dies with the change unproven, as a crash or a power cut would end it.
        scene.program.process.kill()
        scene.program.process.wait()
        scene.program.log.close()
        subprocess.run(["wineserver", "-w"], check=False, timeout=60)
        need((scene.folder / "profile" / "pending").exists(), "no pending marker after the kill")

        scene.program = Program(scene.folder).start(wait_for_window=False, sim_config=ONE_CARD)
        places = scene.dialog(SAFE_START_CAPTION, "safe-start.png", SAFE_APPLY)
        need(places.get(SAFE_LASTGOOD) and places[SAFE_LASTGOOD].visible, "the last proven settings are not offered")
        scene.click_control(SAFE_START_CAPTION, SAFE_DEFAULTS)
        scene.closed(SAFE_START_CAPTION)
        need(wait_until(lambda: "SAFE_START = preset" in scene.log(), timeout=10), scene.log())
        need(wait_until(window_state_visible, timeout=30), "no window after the question")
        time.sleep(1)
        scene.stop()
        scene.program = None
        installed_files(scene)
    finally:
        scene.stop()
        scene.remove()


def installed_files(scene):
    """The program's folder after it has run, in Wine's file browser."""
    folder = scene.folder.parent / f"{scene.folder.name}-files" / "Vantrelis"
    folder.mkdir(parents=True)
    try:
        for name in ("Vantrelis.exe", GUARD, "Sysdigest.exe", "skin", "profile", "history", "log"):
            source = scene.folder / name
            if source.is_dir():
                shutil.copytree(source, folder / name)
            elif source.exists():
                shutil.copy(source, folder / name)
        subprocess.Popen([WINE, "explorer.exe", windows_path(folder)], cwd=folder, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
        try:
            window = need(wait_until(explorer_window, timeout=30), "the file browser did not open")
            time.sleep(1.5)
            x, y, width, height = geometry(window)
            crop(scene.out / "installed-files.png", x, y, width, height)
            print("  installed-files.png", flush=True)
        finally:
            # The program has ended: nothing but the browser is left in the prefix.
            subprocess.run(["wineserver", "-k"], check=False)
    finally:
        shutil.rmtree(folder.parent, ignore_errors=True)


def explorer_window():
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "explorer"], capture_output=True,
                           text=True)
    for window in found.stdout.split():
        x, y, width, height = geometry(window)
        if width > 200 and height > 150:
            return window
    return None


def installer(out):
    """The installer's pages, as a user walks through them."""
    setups = sorted(DIST.glob("Vantrelis-*-setup.exe"))
    need(setups, f"no installer in {DIST}: scripts/package.sh makes it")
    take_setup_pictures(setups[-1], out)


# Each scene and the pictures it leaves, in the order the guides show them.
SCENES = {
    installer: [name for name, _ in SETUP_PAGES],
    easy_mode: ["first-start.png", "hover-help.png", "preset-hover.png", "preset-highperformance.png",
                "preset-eco.png", "preset-default.png", "tray-menu.png", "tray-options.png", "settings-files.png",
                "settings-history.png", "system-report-progress.png", "system-report.png"],
    advanced_mode: ["advanced-warning.png", "advanced-clock.png", "advanced-power.png", "advanced-fps.png",
                    "advanced-fan.png", "fan-curve-notice.png", "fan-curve.png", "fan-curve-edited.png"],
    safe_start: ["safe-start.png", "installed-files.png"],
}
IMAGES = [name for names in SCENES.values() for name in names]


def main():
    out = Path(sys.argv[1])
    wanted = set(sys.argv[2:])
    unknown = wanted - set(IMAGES)
    if unknown:
        print(f"unknown pictures: {' '.join(sorted(unknown))}", file=sys.stderr)
        return 2
    out.mkdir(parents=True, exist_ok=True)
    if not wanted:
        # A picture no scene makes any more would go stale in the guides.
        for old in out.glob("*.png"):
            if old.name not in IMAGES:
                old.unlink()
    failed = []
    for scene, names in SCENES.items():
        if wanted and not wanted & set(names):
            continue
        print(f"scene {scene.__name__}", flush=True)
        started = time.monotonic()
        try:
            scene(out)
        except (Failed, AssertionError, subprocess.SubprocessError) as error:
            print(f"FAILED: scene {scene.__name__}: {error}", file=sys.stderr, flush=True)
            failed.append(scene.__name__)
            subprocess.run(["wineserver", "-k"], check=False)
        print(f"  ({time.monotonic() - started:.0f} s)", flush=True)
        missing = [name for name in names if not (out / name).exists()]
        if missing and scene.__name__ not in failed:
            print(f"FAILED: scene {scene.__name__} left no {' '.join(missing)}", file=sys.stderr)
            failed.append(scene.__name__)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
