"""The command line, the global hotkeys and the monitoring log of the real program under Wine: a second
copy hands its request to the running one and ends with its answer, a copy with no copy before it starts
and carries the request out, a hotkey pressed through X applies its preset, and the monitoring log grows
a row a second with an event row for each apply."""

import subprocess
import time
import unittest

from harness import PREFIX, TITLE, WINE, ProgramTest, log_text, message_box, probe, wait_until, windows_path

ONE_CARD = "gpu = current\nload = 60\n"
ECO = {"gpu0.graphicsDelta": 0, "gpu0.powerLimit": 80000, "gpu0.thermalLimit": 70 * 256}
SUCCESS = "GeForce RTX 3080: EASY_SETTINGS = SUCCESSFUL\n"


class CommandLine(ProgramTest):
    def run_copy(self, *arguments, timeout=40):
        """A second copy with these arguments; its exit code."""
        copy = subprocess.Popen([WINE, "Vantrelis.exe", *arguments], cwd=self.folder, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        return copy.wait(timeout=timeout)

    def assert_at_eco(self, program):
        state = program.sim_state()
        for key, value in ECO.items():
            self.assertEqual(int(state[key]), value, key)
        self.assertEqual(state["drs.0x10835002"], "60")  # eco's frame-rate limit

    def test_preset_from_a_second_copy_reaches_the_card_and_ends_with_0(self):
        program = self.start_program(sim_config=ONE_CARD)
        self.assertEqual(self.run_copy("/preset", "eco"), 0)
        # The answer came once the apply had reached the driver: nothing to wait for.
        self.assert_at_eco(program)
        self.assertTrue(log_text(self.folder).endswith(SUCCESS), log_text(self.folder))
        self.assertEqual(probe("classicon", TITLE)[1], "classicon 162 161")
        # Still the one copy: the window the test started is the only one.
        self.assertIsNone(program.process.poll())
        self.assertEqual(log_text(self.folder).count("--- start application"), 1)

    def test_profile_for_other_cards_ends_with_1(self):
        program = self.start_program(sim_config=ONE_CARD)
        # Offsets no card of this model takes.
        (self.folder / "other.cfg").write_text("GPU = 0\nEASY_SETTINGS = 3\nGPU_OFFSET = 5000000.000\n"
                                               "MEM_OFFSET = 0.000\nPOWER_TARGET = 100000.000\n")
        self.assertEqual(self.run_copy("/load", "other.cfg"), 1)
        self.assertNotEqual(int(program.sim_state()["gpu0.graphicsDelta"]), 5000000)
        self.assertIn("SLI-SYNC = ", log_text(self.folder))  # the load's own lines, as from the dialog

    def test_bad_arguments_end_with_2_and_change_nothing(self):
        program = self.start_program(sim_config=ONE_CARD)
        before_state = program.sim_state()
        before_log = log_text(self.folder)
        copy = subprocess.Popen([WINE, "Vantrelis.exe", "/bogus"], cwd=self.folder, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        # Started without a console: the reason shows in a message box.
        text = message_box(20000)
        self.assertIsNotNone(text)
        self.assertIn('unknown argument "/bogus"', text)
        self.assertEqual(copy.wait(timeout=30), 2)
        self.assertEqual(log_text(self.folder), before_log)
        after_state = program.sim_state()
        for key in ("gpu0.graphicsDelta", "gpu0.memoryDelta", "gpu0.powerLimit", "gpu0.thermalLimit"):
            self.assertEqual(after_state[key], before_state[key], key)

    def test_with_no_copy_running_the_request_starts_the_program_and_applies(self):
        program = self.start_program(sim_config=ONE_CARD, arguments=["/preset", "eco"])
        self.assertTrue(wait_until(lambda: log_text(self.folder).endswith(SUCCESS), timeout=30),
                        log_text(self.folder))
        self.assert_at_eco(program)
        self.assertIsNone(program.process.poll())

    def test_a_hotkey_pressed_through_x_applies_its_preset(self):
        (self.folder / "profile").mkdir()
        (self.folder / "profile" / "options.cfg").write_text("HOTKEYS = 1\n")
        program = self.start_program(sim_config=ONE_CARD)
        time.sleep(1)  # the options are taken once the window shows
        program.key("ctrl+alt+3")
        self.assertTrue(wait_until(lambda: log_text(self.folder).endswith(SUCCESS), timeout=10),
                        log_text(self.folder))
        self.assert_at_eco(program)

    def test_the_monitoring_log_grows_a_row_a_second_with_an_event_per_apply(self):
        (self.folder / "profile").mkdir()
        (self.folder / "profile" / "options.cfg").write_text("MONITOR_LOG = 1\n")
        program = self.start_program(sim_config=ONE_CARD)
        time.sleep(3)
        self.assertEqual(self.run_copy("/preset", "eco"), 0)
        time.sleep(1.2)
        self.assertEqual(self.run_copy("/preset", "highperformance"), 0)
        time.sleep(8)  # at least one flush after the last apply
        files = list((self.folder / "log").glob("monitor-*.csv"))
        self.assertEqual(len(files), 1, files)
        text = files[0].read_bytes().decode("utf-8-sig").replace("\r\n", "\n")
        lines = text.splitlines()
        self.assertTrue(lines[0].startswith("time,GPU,GPU clock (MHz),"), lines[0])
        passes = [line for line in lines[1:] if line.endswith(",")]
        events = [line.rsplit(",", 1)[1] for line in lines[1:] if not line.endswith(",")]
        self.assertEqual(events, ["preset eco", "preset highperformance"])
        first = time.strptime(passes[0].split(",")[0].split(".")[0], "%Y-%m-%d %H:%M:%S")
        last = time.strptime(passes[-1].split(",")[0].split(".")[0], "%Y-%m-%d %H:%M:%S")
        seconds = time.mktime(last) - time.mktime(first)
        # One row a second for the one GPU, give or take the passes the applies' settles skip.
        self.assertGreaterEqual(len(passes), seconds - 3)
        self.assertLessEqual(len(passes), seconds + 2)
        self.assertTrue(all(line.split(",")[1] == "GeForce RTX 3080" for line in lines[1:]))


class StartWithWindows(ProgramTest):
    def test_the_option_puts_a_shortcut_started_in_the_program_folder_in_the_startup_folder(self):
        (self.folder / "profile").mkdir()
        (self.folder / "profile" / "options.cfg").write_text("START_WITH_WINDOWS = 1\n")
        self.start_program(sim_config=ONE_CARD)

        def links_now():
            return [link for link in (PREFIX / "drive_c" / "users").rglob("Vantrelis.lnk")
                    if link.parent.name.lower() == "startup"]

        # The options are taken once the window shows.
        wait_until(links_now, timeout=10)
        links = links_now()
        try:
            self.assertEqual(len(links), 1, links)
            data = links[0].read_bytes()
            folder = windows_path(self.folder)
            # The shell link keeps its paths as UTF-16 or as 8-bit text.
            self.assertTrue(folder.encode("utf-16-le") in data or folder.encode("cp932") in data, data)
            program = folder + "\\Vantrelis.exe"
            self.assertTrue(program.encode("utf-16-le") in data or program.encode("cp932") in data, data)
        finally:
            for link in links:
                link.unlink()


if __name__ == "__main__":
    unittest.main()
