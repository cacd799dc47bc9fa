"""The settings dialog on the real window under Wine: the settings button at the bottom left, a
profile saved to a file and loaded back through Wine's own file dialogs, the history tab and its
loads, clearing the history, and the system report with its progress dialog."""

import re
import shutil
import time
import unittest

from harness import WINDOWS, ProgramTest, TITLE, dialog_button, log_text, probe, wait_until, windows_path, xdotool
from test_collector import parse_report
from test_easy_mode import APPLY_AT, PRESET_AT, Shot, near

ONE_CARD = "gpu = current\nload = 60\n"
SETTINGS_AT = (66, 637)
COLLECTOR = WINDOWS / "tools" / "Sysdigest.exe"

SAVE, LOAD, REPORT = 1000, 1001, 1020
HISTORY_SLOTS = [1000, 1001, 1020, 1021, 1028, 1031]  # ages 1 to 6 on the history tab
CLEAR = 1032
TABS = 1022
VK_RIGHT = 0x27
EMPTY = "--- Empty ---"

# The preset button's colour at its top edge once chosen, and what the preset sends to the card:
# graphics offset (kHz), power limit (1/1000 %), thermal limit (1/256 degrees).
PRESETS = {
    "highperformance": ((229, 6, 6), {"gpu0.graphicsDelta": "89000", "gpu0.powerLimit": "115000",
                                      "gpu0.thermalLimit": str(91 * 256)}),
    "eco": ((141, 194, 31), {"gpu0.graphicsDelta": "0", "gpu0.powerLimit": "80000",
                             "gpu0.thermalLimit": str(70 * 256)}),
}
TUNED = ("gpu0.graphicsDelta", "gpu0.memoryDelta", "gpu0.powerLimit", "gpu0.thermalLimit")


class Place:
    """A window's screen rectangle, whether it shows, and its text."""

    def __init__(self, visible, x, y, width, height, text):
        self.visible, self.x, self.y, self.width, self.height, self.text = visible, x, y, width, height, text

    def centre(self):
        return self.x + self.width // 2, self.y + self.height // 2

    def inside(self, outer):
        return (outer.x <= self.x and self.x + self.width <= outer.x + outer.width
                and outer.y <= self.y and self.y + self.height <= outer.y + outer.height)


def dialog_places():
    """{caption: {"dialog": Place, control id: Place}} of every dialog shown, from windowprobe list."""
    found, current = {}, None
    for line in probe("list")[1].splitlines():
        window = re.match(r"window \S+ class=#32770 .*? visible=1 at=(-?\d+),(-?\d+) size=(\d+)x(\d+) text=(.*)$", line)
        if window:
            x, y, width, height = map(int, window.groups()[:4])
            current = found.setdefault(window.group(5), {"dialog": Place(True, x, y, width, height, window.group(5))})
            continue
        if line.startswith("window "):
            current = None
            continue
        child = re.match(r"\s+child id=(0x[0-9a-f]+) class=\S+ visible=(\d) at=(-?\d+),(-?\d+) size=(\d+)x(\d+) text=(.*)$",
                         line)
        if child and current is not None:
            x, y, width, height = map(int, child.groups()[2:6])
            current.setdefault(int(child.group(1), 16), Place(child.group(2) == "1", x, y, width, height, child.group(7)))
    return found


def dialogs():
    """{caption: {control id: (visible, text)}} of every dialog on the display."""
    return {caption: {key: (place.visible, place.text) for key, place in controls.items() if key != "dialog"}
            for caption, controls in dialog_places().items()}


def click_screen(x, y):
    """A real left click at a screen position, through X."""
    xdotool("mousemove", "--sync", x, y)
    xdotool("click", "1")
    time.sleep(0.2)


def history_stamps(folder):
    """The time stamps of the history file's records, oldest first."""
    path = folder / "history" / "historycfg"
    text = path.read_bytes().decode("cp932") if path.exists() else ""
    return re.findall(r"^Create = (.+?)\r?$", text, re.MULTILINE)


class SettingsDialog(ProgramTest):
    def setUp(self):
        super().setUp()
        self.program = self.start_program(sim_config=ONE_CARD)

    def open_settings(self):
        """Clicks the settings button; returns the dialog's controls once it shows."""
        self.program.click(*SETTINGS_AT)
        shown = wait_until(lambda: dialogs().get("設定"), timeout=15)
        self.assertTrue(shown, "the settings dialog did not open")
        return shown

    def press(self, button):
        self.assertEqual(dialog_button(button), "設定")

    def choose_file(self, path):
        """Answers the next file dialog with path; returns its caption."""
        code, output = probe("filedialog", TITLE, windows_path(path), 15000, timeout=60)
        self.assertEqual(code, 0, output)
        return output.removeprefix("caption=")

    def show_history_tab(self):
        code, _ = probe("dialogkey", TITLE, TABS, VK_RIGHT, 10000)
        self.assertEqual(code, 0)
        shown = wait_until(lambda: (d := dialogs().get("設定")) and d.get(CLEAR, (False,))[0] and d, timeout=10)
        self.assertTrue(shown, "the history tab did not show")
        return shown

    def apply_preset(self, preset):
        colour, expected = PRESETS[preset]
        records = len(history_stamps(self.folder))
        x, y = PRESET_AT[preset][0] + 50, 392 + 14
        self.program.click(*PRESET_AT[preset])
        chosen = wait_until(lambda: near(Shot(self.program.screenshot(self.folder / "p.png")).pixel(x, y), colour))
        self.assertTrue(chosen, preset)
        self.program.click(*APPLY_AT)
        self.assertTrue(wait_until(lambda: all(self.program.sim_state().get(k) == v for k, v in expected.items())),
                        (preset, self.program.sim_state()))
        # The record is written once the new values have settled.
        self.assertTrue(wait_until(lambda: len(history_stamps(self.folder)) > records, timeout=10), preset)
        return {key: self.program.sim_state().get(key) for key in TUNED}

    def test_a_saved_profile_loads_back_after_other_settings(self):
        self.open_settings()
        self.press(SAVE)
        saved = self.folder / "my settings.cfg"
        self.assertEqual(self.choose_file(saved), "ファイルを保存")
        self.assertTrue(wait_until(lambda: saved.exists(), timeout=15))
        text = saved.read_bytes().decode("cp932")
        self.assertTrue(text.startswith("DeviceID = 220610de\r\nGPU = 0\r\n"), text)
        self.assertFalse((self.folder / "my settings.cfg.new").exists())
        before = {key: self.program.sim_state().get(key) for key in TUNED}

        time.sleep(1.2)  # the hold-off after start-up's own apply
        self.apply_preset("highperformance")
        self.assertNotEqual({key: self.program.sim_state().get(key) for key in TUNED}, before)

        time.sleep(1.2)
        self.open_settings()
        self.press(LOAD)
        self.assertEqual(self.choose_file(saved), "ファイルを開く")
        self.assertTrue(wait_until(lambda: {key: self.program.sim_state().get(key) for key in TUNED} == before,
                                   timeout=15), (before, self.program.sim_state()))
        self.assertNotIn("FAILED", log_text(self.folder))

    def test_history_tab_lists_the_applies_newest_first_and_loads_one(self):
        time.sleep(1.2)
        applied = []
        for preset in ("eco", "highperformance", "eco"):
            applied.append(self.apply_preset(preset))
            time.sleep(1.2)  # a second apart: each record has its own time stamp
        applied[2] = None  # the newest is what the card has now; age 2 is the highperformance apply
        stamps = history_stamps(self.folder)
        self.assertEqual(len(stamps), 3)
        self.assertEqual(len(set(stamps)), 3, stamps)

        self.open_settings()
        controls = self.show_history_tab()
        captions = [controls[slot][1] for slot in HISTORY_SLOTS]
        self.assertEqual(captions, stamps[::-1] + [EMPTY] * 3)
        self.press(HISTORY_SLOTS[1])
        restored = lambda: {key: self.program.sim_state().get(key) for key in TUNED}
        self.assertTrue(wait_until(lambda: restored() == applied[1], timeout=15), (applied[1], restored(), log_text(self.folder),
                                                                      (self.folder / "history" / "historycfg").read_bytes()))
        # A load is not an apply: the history keeps its three records.
        time.sleep(2)
        self.assertEqual(history_stamps(self.folder), stamps)

    def test_an_empty_history_slot_shows_its_error(self):
        self.open_settings()
        self.show_history_tab()
        self.press(HISTORY_SLOTS[5])
        self.assertEqual(dialog_button(1), "エラー")
        self.assertTrue(wait_until(lambda: not dialogs(), timeout=10), dialogs())

    def test_clear_empties_the_history_and_its_captions(self):
        time.sleep(1.2)
        self.apply_preset("eco")
        self.open_settings()
        controls = self.show_history_tab()
        self.assertNotEqual(controls[HISTORY_SLOTS[0]][1], EMPTY)
        self.press(CLEAR)
        cleared = wait_until(lambda: [dialogs().get("設定", {}).get(slot, (0, ""))[1] for slot in HISTORY_SLOTS]
                             == [EMPTY] * 6, timeout=10)
        self.assertTrue(cleared, dialogs())
        history = self.folder / "history" / "historycfg"
        self.assertTrue(history.exists())
        self.assertEqual(history.read_bytes(), b"")
        # Closing it by its close box does nothing more.
        self.assertEqual(probe("dialogclose", TITLE, CLEAR, 10000), (0, "caption=設定"))
        self.assertTrue(wait_until(lambda: not dialogs(), timeout=10), dialogs())
        self.assertEqual(history.read_bytes(), b"")

    # --- the dialog driven by the pointer, as a user drives it ---

    def click_control(self, caption, control):
        place = wait_until(lambda: (p := dialog_places().get(caption, {}).get(control)) and p.visible and p, timeout=10)
        self.assertTrue(place, (caption, control, dialogs()))
        click_screen(*place.centre())

    def click_history_tab(self):
        """Clicks along the tab strip, as a user looks for the second tab, until the history tab shows."""
        tabs = dialog_places()["設定"][TABS]
        for dx in range(20, tabs.width, 16):
            click_screen(tabs.x + dx, tabs.y + 10)
            if wait_until(lambda: dialogs().get("設定", {}).get(HISTORY_SLOTS[5], (False,))[0], timeout=0.5):
                return
        self.fail("no click on the tab strip showed the history tab")

    def assert_every_control_inside(self):
        places = dialog_places()["設定"]
        outside = {key: vars(place) for key, place in places.items()
                   if key != "dialog" and place.visible and not place.inside(places["dialog"])}
        self.assertEqual(outside, {}, vars(places["dialog"]))

    def test_clear_acts_in_a_dialog_opened_again_after_an_empty_slot_notice(self):
        time.sleep(1.2)
        self.apply_preset("eco")
        history = self.folder / "history" / "historycfg"
        self.assertEqual(len(history_stamps(self.folder)), 1)
        self.program.click(*SETTINGS_AT)
        self.assertTrue(wait_until(lambda: dialogs().get("設定"), timeout=15))
        self.assert_every_control_inside()
        self.click_history_tab()
        self.assert_every_control_inside()
        self.click_control("設定", HISTORY_SLOTS[5])
        self.click_control("エラー", 1)
        self.assertTrue(wait_until(lambda: not dialogs(), timeout=10), dialogs())

        self.program.click(*SETTINGS_AT)
        self.assertTrue(wait_until(lambda: dialogs().get("設定"), timeout=15))
        self.click_history_tab()
        self.click_control("設定", CLEAR)
        cleared = wait_until(lambda: [dialogs().get("設定", {}).get(slot, (0, ""))[1] for slot in HISTORY_SLOTS]
                             == [EMPTY] * 6, timeout=10)
        self.assertTrue(cleared, dialogs())
        self.assertEqual(history.read_bytes(), b"")

    def test_a_system_report_is_written_and_its_progress_dialog_closes(self):
        shutil.copy(COLLECTOR, self.folder / "Sysdigest.exe")
        self.open_settings()
        self.press(REPORT)
        report = self.folder / "report.txt"
        self.assertEqual(self.choose_file(report), "ファイルを保存")
        self.assertTrue(wait_until(lambda: report.exists() and report.stat().st_size > 0, timeout=60))
        # The collector closes its progress dialog itself once the report is written.
        self.assertTrue(wait_until(lambda: not dialogs(), timeout=30), dialogs())
        sections, _ = parse_report(report.read_bytes().decode("cp932"))
        self.assertRegex(sections["Windows"]["Version"], r"^Windows")
        self.assertEqual(sections["GPU 1"]["Name"], "NVIDIA GeForce RTX 3080")

    def test_a_cancelled_open_dialog_shows_its_error(self):
        self.open_settings()
        self.press(LOAD)
        code, output = probe("filedialog", TITLE, "-", 15000, timeout=60)
        self.assertEqual(code, 0, output)
        self.assertEqual(output, "caption=ファイルを開く")
        self.assertEqual(dialog_button(1), "エラー")


if __name__ == "__main__":
    unittest.main()
