"""The program under Wine started again the moment it was closed, and its tray icon after the task
bar has started anew."""

import subprocess
import unittest

from harness import TITLE, WINE, ProgramTest, probe, tray_icon_shown, wait_until, window_state

TRAY_ICON_ID = 0x8002
RESTARTS = 20


class Restart(ProgramTest):
    def start_copy(self):
        return subprocess.Popen([WINE, "Vantrelis.exe"], cwd=self.folder, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def test_a_copy_started_as_the_last_one_closes_always_shows_its_window(self):
        # The first copy is an ordinary start; each later one is started the moment Escape has
        # closed the one before, while that one is still ending.
        program = self.start_program()
        copy = program.process
        started = 0
        try:
            for attempt in range(RESTARTS):
                program.press_escape()
                following = self.start_copy()
                self.assertEqual(copy.wait(timeout=30), 0, f"restart {attempt}: the closed copy did not end")
                shown = wait_until(lambda: following.poll() is None and (state := window_state())
                                   and state["visible"], timeout=30)
                self.assertTrue(shown, f"restart {attempt}: the new copy showed no window "
                                       f"(exit code {following.poll()})")
                started += 1
                copy = following
        finally:
            program.process = copy  # the last copy is ended by the test's clean-up
        self.assertEqual(started, RESTARTS)


class TaskBarRestart(ProgramTest):
    def test_the_icon_comes_back_when_the_task_bar_starts_anew(self):
        self.start_program()
        self.assertTrue(wait_until(tray_icon_shown, timeout=10))
        # A restarting shell loses every icon...
        self.assertEqual(probe("trayremove", TITLE, hex(TRAY_ICON_ID))[0], 0)
        self.assertTrue(wait_until(lambda: not tray_icon_shown(), timeout=10))
        # ...and tells every program so.
        self.assertEqual(probe("broadcast", "TaskbarCreated")[0], 0)
        self.assertTrue(wait_until(tray_icon_shown, timeout=10), "the icon did not come back")


if __name__ == "__main__":
    unittest.main()
