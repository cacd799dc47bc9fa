"""The running program under Wine: start-up, its fatal messages, the tray menu and the way out."""

import os
import shutil
import subprocess
import time
import unittest
from pathlib import Path

from harness import (EXE, PROBE, SKIN, TITLE, WINE, Program, ProgramTest, log_text, message_box, probe,
                     tray_icon_shown, wait_until, window_state, windows_path)

SIM_CONFIGS = Path(__file__).resolve().parents[2] / "sim" / "configs"
TRAY_NOTIFY = 0x8003
TRAY_ICON_ID = 0x8002
WM_RBUTTONDOWN = 0x204


class StartAndExit(ProgramTest):
    def test_runs_centred_and_ends_a_second_after_escape(self):
        program = self.start_program()
        state = wait_until(lambda: (s := window_state()) and s["visible"] and s)
        self.assertEqual((state["width"], state["height"]), (640, 650))
        self.assertEqual((state["x"], state["y"]), ((1280 - 640) // 2, (1024 - 650) // 2))
        time.sleep(10)
        self.assertIsNone(program.process.poll(), "the program ended by itself")

        pressed = time.monotonic()
        program.press_escape()
        self.assertEqual(program.wait_for_exit(15), 0)
        self.assertGreater(time.monotonic() - pressed, 0.9)
        profile = (self.folder / "profile" / "profile.cfg").read_text()
        self.assertTrue(profile.startswith("DeviceID = 220610de\n"), profile)
        log = log_text(self.folder)
        self.assertRegex(log, r"^--- start application \d{4}/\d\d/\d\d \d\d:\d\d:\d\d ---\n")
        self.assertRegex(log, r"--- end application \d{4}/\d\d/\d\d \d\d:\d\d:\d\d ---\n\n$")

    def test_scanner_end_is_logged(self):
        program = self.start_program()
        self.assertEqual(program.send(0x8009), 0)
        self.assertIn("GeForce RTX 3080: SCANNER = END\n", log_text(self.folder))

    def test_missing_archive_tells_the_user_and_leaves_nothing_behind(self):
        shutil.rmtree(self.folder / "skin")
        program = self.start_program(wait_for_window=False)
        self.assertEqual(message_box(), "アーカイブファイルを読み込めません")
        self.assertEqual(program.wait_for_exit(15), 0)
        self.assertIsNone(window_state())
        self.assertFalse(tray_icon_shown())

    def test_five_gpus_are_noticed_once_and_four_used(self):
        config = windows_path(SIM_CONFIGS / "five-gpus.cfg")
        program = self.start_program(wait_for_window=False, extra_environment={"VANTRELIS_SIM_CONFIG": config})
        notice = message_box()
        self.assertEqual(notice, "ビデオカードが5枚以上存在します|認識できるビデオカードは4枚までです|4枚までを認識します")
        self.assertTrue(wait_until(lambda: (state := window_state()) and state["visible"], timeout=30))
        self.assertIsNone(message_box(2000), "a second notice")
        program.press_escape()
        self.assertEqual(program.wait_for_exit(15), 0)
        device_line = (self.folder / "profile" / "profile.cfg").read_text().splitlines()[0]
        self.assertEqual(len(device_line.removeprefix("DeviceID = ")), 4 * 8, device_line)

    def test_working_folder_not_the_program_folder_holds_its_files(self):
        program_folder = self.folder / "program"
        program_folder.mkdir()
        shutil.move(self.folder / "Vantrelis.exe", program_folder / "Vantrelis.exe")
        process = subprocess.Popen([WINE, windows_path(program_folder / "Vantrelis.exe")], cwd=self.folder,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.assertEqual(probe("wait", TITLE, 30000)[0], 0)
            self.assertTrue(wait_until(lambda: "--- start application" in log_text(self.folder)))
            probe("send", TITLE, "0x100", "0x1B", "0x10001")
            self.assertEqual(process.wait(timeout=15), 0)
        finally:
            if process.poll() is None:
                process.kill()
        self.assertTrue((self.folder / "profile" / "profile.cfg").exists())
        self.assertFalse((program_folder / "log").exists())


class TrayMenu(ProgramTest):
    """Right-clicks the tray icon (as the shell would report it) and picks an item."""

    MENU_AT = (600, 400)  # where the pointer is, and so the menu's top-left corner
    ITEM_HEIGHT = 18

    def choose(self, item):
        subprocess.run(["xdotool", "mousemove", *map(str, self.MENU_AT)], check=True)
        # The notification blocks until the menu closes, so it runs beside the clicks.
        notify = subprocess.Popen([WINE, str(PROBE), "send", TITLE, hex(TRAY_NOTIFY), hex(TRAY_ICON_ID),
                                   hex(WM_RBUTTONDOWN)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        menu = wait_until(self.visible_menu, timeout=10)
        self.assertTrue(menu, "no menu came up")
        x, y = menu
        subprocess.run(["xdotool", "mousemove", str(x + 40), str(y + 4 + self.ITEM_HEIGHT * item + 9), "click", "1"],
                       check=True)
        notify.wait(timeout=15)

    def visible_menu(self):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^$"], capture_output=True, text=True)
        for window in found.stdout.split():
            geometry = subprocess.run(["xdotool", "getwindowgeometry", window], capture_output=True, text=True).stdout
            if "Geometry: 1x1" in geometry or "Position" not in geometry:
                continue
            position = geometry.split("Position: ")[1].split()[0]
            x, y = (int(value) for value in position.split(","))
            if (x, y) == self.MENU_AT:
                return x, y
        return None

    def test_eco_on_a_hidden_window_shows_it_and_applies_the_preset(self):
        self.start_program()
        probe("hide", TITLE)
        self.assertEqual(window_state()["visible"], 0)
        self.choose(2)
        self.assertTrue(wait_until(lambda: window_state()["visible"] == 1))
        applied = wait_until(lambda: "EASY_SETTINGS = SUCCESSFUL" in log_text(self.folder), timeout=10)
        self.assertTrue(applied, log_text(self.folder))
        # The class's large icon follows the preset; the small one stays as registered.
        self.assertEqual(probe("classicon", TITLE)[1], "classicon 162 161")

    def test_close_removes_the_icon_at_once_and_ends_a_second_later(self):
        program = self.start_program()
        self.assertTrue(tray_icon_shown())
        chosen = time.monotonic()
        self.choose(4)
        self.assertFalse(tray_icon_shown())
        self.assertEqual(program.wait_for_exit(15), 0)
        self.assertGreater(time.monotonic() - chosen, 0.9)


if __name__ == "__main__":
    unittest.main()
