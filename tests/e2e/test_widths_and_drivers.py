"""What differs between machines: the 64-bit program's tray record and tray menu, and a driver
that speaks only the older structure versions of the power and thermal policies."""

import subprocess
import time
import unittest

from harness import PROBE, TITLE, WINE, ProgramTest, dialog_button, log_text, tray_icon_shown, wait_until
from test_advanced_mode import AGREE, APPLY_BUTTON, ADVANCED_BUTTON, TAB, WARNING_CAPTION, answer
from test_shell import TrayMenu

WM_TIMER, TIMER_REFRESH = 0x113, 102
RESET_BUTTON = (390, 614)
RESET_OK = 1016
# Wine says so when a tray record's size is none the shell knows.
BAD_RECORD = "Invalid cbSize"


class SixtyFourBitTray(TrayMenu):
    WIDTH = 64

    def start_with_tray_warnings(self):
        return self.start_program(extra_environment={"WINEDEBUG": "-all,warn+systray"})

    def test_eco_on_a_hidden_window_shows_it_and_applies_the_preset(self):
        # As the road's program does, but for the class icon: the probe reads that through a hook
        # library of its own width, which a 64-bit process cannot load.
        self.start_program()
        probe_hide = subprocess.run([WINE, str(PROBE), "hide", TITLE], stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL, timeout=60)
        self.assertEqual(probe_hide.returncode, 0)
        self.choose(2)
        self.assertTrue(wait_until(lambda: "EASY_SETTINGS = SUCCESSFUL" in log_text(self.folder), timeout=10),
                        log_text(self.folder))

    def test_the_tray_icon_goes_up_with_the_full_record_of_this_width(self):
        program = self.start_with_tray_warnings()
        self.assertTrue(wait_until(tray_icon_shown, timeout=10))
        program.stop()
        output = (self.folder / "wine-output.txt").read_text(errors="replace")
        self.assertNotIn(BAD_RECORD, output)

    def test_the_menu_choice_is_taken_while_timer_messages_wait_in_the_queue(self):
        self.start_program()
        probe_hide = subprocess.run([WINE, str(PROBE), "hide", TITLE], stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL, timeout=60)
        self.assertEqual(probe_hide.returncode, 0)
        # Timer messages keep arriving while the menu is up and when it closes.
        burst = subprocess.Popen([WINE, str(PROBE), "postburst", TITLE, hex(WM_TIMER), str(TIMER_REFRESH), "0",
                                  "6000"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            time.sleep(0.5)
            self.choose(2)  # eco
            applied = wait_until(lambda: "EASY_SETTINGS = SUCCESSFUL" in log_text(self.folder), timeout=10)
        finally:
            burst.wait(timeout=30)
        self.assertTrue(applied, log_text(self.folder))
        self.assertEqual(self.programs[0].sim_state()["gpu0.powerLimit"], "80000")


# A card of today whose driver takes only the older words of the four policy structures.
OLDER_WORDS = ("gpu = current\nthermalLimit = 88\n"
               "versions.GetPowerPolicyInfo = 0x100B8\nversions.GetPowerPolicyStatus = 0x10048\n"
               "versions.GetThermalPolicyInfo = 0x20068\nversions.GetThermalPolicyLimit = 0x20038\n")


class OlderDriverWords(ProgramTest):
    def test_power_and_temperature_are_applied_and_reset_at_the_older_layouts(self):
        program = self.start_program(sim_config=OLDER_WORDS)
        time.sleep(1.5)  # the first pass fills the ranges
        program.click(*ADVANCED_BUTTON)
        self.assertEqual(answer(AGREE, WARNING_CAPTION), WARNING_CAPTION)
        program.click(*TAB[1])
        program.key("Right", times=2, pause=0.15)  # the card's 100 % becomes 102 %
        time.sleep(0.2)
        program.click(*APPLY_BUTTON)
        self.assertTrue(wait_until(lambda: "TEMP_TARGET" in log_text(self.folder), timeout=10), log_text(self.folder))
        log = log_text(self.folder)
        self.assertIn(": POWER_TARGET = 102000\n", log)
        self.assertIn(": TEMP_TARGET = 88\n", log)
        state = program.sim_state()
        self.assertEqual(state["gpu0.powerLimit"], "102000")
        self.assertEqual(state["gpu0.thermalLimit"], str(88 * 256))

        time.sleep(2.0)  # past the apply's settle
        program.click(*RESET_BUTTON)
        self.assertEqual(dialog_button(RESET_OK), "リセット")
        self.assertTrue(wait_until(lambda: "RESET = " in log_text(self.folder), timeout=10))
        self.assertIn(": RESET = SUCCESSFUL\n", log_text(self.folder))
        state = program.sim_state()
        self.assertEqual(state["gpu0.powerLimit"], "100000")
        self.assertEqual(state["gpu0.thermalLimit"], str(83 * 256))  # the default, not the maximum


if __name__ == "__main__":
    unittest.main()
