"""The safety net under Wine: an apply killed before it proved itself is not applied blindly at the
next start, proven settings are, the guard hands the fans back when the program dies holding them,
and a driver crashing inside the program leaves a report."""

import subprocess
import time
import unittest

from harness import (SAFE_APPLY, SAFE_DEFAULTS, SAFE_START_CAPTION, ProgramTest, answer_safe_start, log_text,
                     wait_until)
from test_easy_mode import APPLY_AT, PRESET_AT

ONE_CARD = "gpu = current\nload = 60\n"
# What the card holds after a start with this profile: offset 30 MHz, power 110 %.
PROFILE = ("DeviceID = 220610de\nGPU = 0\nEASY_SETTINGS = 3\nGPU_OFFSET = 30000.000\nMEM_OFFSET = 0.000\n"
           "POWER_TARGET = 110000.000\nTEMP_TARGET = 83.000\nFPS_TARGET = -100\nFAN_SPEED1 = -100\n"
           "FAN_SPEED2 = -100\nFAN_LEVEL = 0\nFAN_CURVE = 0\nPSTATE = -1\nSLI-SYNC = 1\nVer = 2.10\n")
HIGH_PERFORMANCE = {"gpu0.graphicsDelta": "89000", "gpu0.powerLimit": "115000"}
TUNING_WRITES = ("SetPstates20", "SetPowerPolicyStatus", "SetThermalPolicyLimit", "SetCoolerLevels",
                 "SetFanCoolerControl", "SetFanCurve", "RestoreCoolerSettings", "EnableDynamicPstates",
                 "SetPstateClientLimit", "NvAPI_DRS_SetSetting", "NvAPI_DRS_RestoreProfileDefaultSetting")

# An older card under a fan level of 3: the fan-level thread holds its fan at 70 % or more.
COOLER_CARD = "gpu = cooler\nload = 0\n"
FAN_LEVEL_PROFILE = ("DeviceID = 1b8010de\nGPU = 0\nEASY_SETTINGS = 3\nGPU_OFFSET = 0.000\nMEM_OFFSET = 0.000\n"
                     "POWER_TARGET = 100000.000\nTEMP_TARGET = 83.000\nFPS_TARGET = -100\nFAN_SPEED = -100\n"
                     "FAN_LEVEL = 3\nFAN_CURVE = 0\nPSTATE = -1\nSLI-SYNC = 1\nVer = 2.10\n")
GUARD_LINE = "GeForce GTX 1080: GUARD: FAN = AUTO\n"


def kill(program):
    """Ends the program at once, with no shutdown at all."""
    program.process.kill()
    program.process.wait()


class SafeStart(ProgramTest):
    def apply_high_performance_and_kill(self, wait_before_kill):
        self.write_profile(PROFILE)
        program = self.start_program(sim_config=ONE_CARD)
        self.assertTrue(wait_until(lambda: program.sim_state().get("gpu0.graphicsDelta") == "30000"))
        time.sleep(1.2)  # past the start-up's own settle
        program.click(*PRESET_AT["highperformance"])
        time.sleep(0.3)
        program.click(*APPLY_AT)
        self.assertTrue(wait_until(lambda: all(program.sim_state().get(k) == v for k, v in HIGH_PERFORMANCE.items())))
        time.sleep(wait_before_kill)
        kill(program)
        subprocess.run(["wineserver", "-w"], check=False, timeout=60)
        (self.folder / "sim-calls.txt").unlink(missing_ok=True)

    def restart(self):
        for killed in self.programs:
            killed.stop()  # already ended: only its output file is closed
        self.programs.clear()
        return self.start_program(sim_config=ONE_CARD)

    def test_a_killed_apply_is_not_applied_again_and_the_defaults_keep_the_profile(self):
        self.apply_high_performance_and_kill(2)
        marker = (self.folder / "profile" / "pending").read_text()
        self.assertIn("ROAD = preset", marker)
        profile_before = (self.folder / "profile" / "profile.cfg").read_bytes()

        program = self.restart()
        self.assertEqual(answer_safe_start(SAFE_DEFAULTS), SAFE_START_CAPTION)
        time.sleep(1.5)
        writes = [call for call in program.sim_calls() if call.split(" ", 1)[0] in TUNING_WRITES]
        self.assertEqual(writes, [])
        state = program.sim_state()
        self.assertEqual((state["gpu0.graphicsDelta"], state["gpu0.powerLimit"]), ("0", "100000"))
        log = log_text(self.folder)
        start = log.rindex("--- start application ")
        self.assertRegex(log[start:], r"^--- start application [^\n]+ ---\nSAFE_START = preset \d{4}/\d\d/\d\d "
                                      r"\d\d:\d\d:\d\d\n")
        program.stop()
        self.assertEqual(program.process.returncode, 0)
        self.assertEqual((self.folder / "profile" / "profile.cfg").read_bytes(), profile_before)
        self.assertFalse((self.folder / "profile" / "pending").exists())

    def test_apply_them_now_reaches_the_card_with_the_profiles_values(self):
        self.apply_high_performance_and_kill(2)
        program = self.restart()
        self.assertEqual(answer_safe_start(SAFE_APPLY), SAFE_START_CAPTION)
        self.assertTrue(wait_until(lambda: program.sim_state().get("gpu0.graphicsDelta") == "30000"),
                        program.sim_state())
        self.assertEqual(program.sim_state()["gpu0.powerLimit"], "110000")

    def test_settings_that_proved_themselves_are_applied_at_the_next_start(self):
        self.apply_high_performance_and_kill(33)  # past the settle and the 30 s of answered passes
        self.assertFalse((self.folder / "profile" / "pending").exists())
        proven = (self.folder / "profile" / "lastgood.cfg").read_bytes().decode("cp932")
        self.assertIn("EASY_SETTINGS = 0", proven)
        self.assertIn("GPU_OFFSET = 89000.000", proven)
        program = self.restart()
        self.assertTrue(wait_until(lambda: program.sim_state().get("gpu0.graphicsDelta") == "30000"))
        self.assertIsNone(answer_safe_start(SAFE_DEFAULTS, 2000))
        self.assertNotIn("SAFE_START", log_text(self.folder))


class Guard(ProgramTest):
    def start_holding_the_fan(self, sim_config=COOLER_CARD):
        self.write_profile(FAN_LEVEL_PROFILE)
        program = self.start_program(sim_config=sim_config)
        held = wait_until(lambda: program.sim_state().get("gpu0.fan1.manual") == "1", timeout=10)
        self.assertTrue(held, program.sim_state())
        self.assertTrue((self.folder / "profile" / "held").exists())
        return program

    def test_a_program_killed_holding_the_fan_gets_it_handed_back(self):
        program = self.start_holding_the_fan()
        kill(program)
        killed = time.monotonic()
        back = wait_until(lambda: program.sim_state().get("gpu0.fan1.manual") == "0", timeout=10)
        self.assertTrue(back, program.sim_state())
        self.assertLess(time.monotonic() - killed, 3.0)
        self.assertTrue(wait_until(lambda: GUARD_LINE in log_text(self.folder), timeout=5), log_text(self.folder))
        self.assertFalse((self.folder / "profile" / "held").exists())

    def test_a_clean_end_hands_the_fan_back_itself_and_the_guard_writes_nothing(self):
        program = self.start_holding_the_fan()
        program.stop()
        subprocess.run(["wineserver", "-w"], check=False, timeout=60)
        self.assertEqual(program.sim_state()["gpu0.fan1.manual"], "0")
        self.assertNotIn("GUARD", log_text(self.folder))
        self.assertTrue(log_text(self.folder).endswith(" ---\n\n"))  # the end line is the last
        self.assertFalse((self.folder / "profile" / "held").exists())

    def test_the_program_runs_on_when_the_guard_is_killed(self):
        program = self.start_holding_the_fan()
        subprocess.run(["pkill", "-KILL", "-f", "VantrelisGuard.exe"], check=False)
        time.sleep(1.0)
        self.assertIsNone(program.process.poll())
        before = len(program.sim_calls("NvAPI_GPU_GetThermalSettings"))
        self.assertTrue(wait_until(lambda: len(program.sim_calls("NvAPI_GPU_GetThermalSettings")) > before + 1))
        self.assertNotIn("GUARD", log_text(self.folder))

    def test_a_driver_crashing_inside_the_program_leaves_a_report(self):
        program = self.start_holding_the_fan(COOLER_CARD + "crash = SetCoolerLevels after 3\n")
        self.assertIsNotNone(program.wait_for_exit(30), "the program did not end")
        self.assertTrue(wait_until(lambda: GUARD_LINE in log_text(self.folder), timeout=10), log_text(self.folder))
        self.assertRegex(log_text(self.folder), r"\nCRASH = 0xC0000005 at nvapi\.dll\+0x[0-9a-f]+\n")
        dumps = list((self.folder / "log").glob("crash-*.dmp"))
        self.assertEqual(len(dumps), 1, dumps)
        self.assertRegex(dumps[0].name, r"^crash-\d{8}-\d{6}\.dmp$")
        self.assertGreater(dumps[0].stat().st_size, 0)
        self.assertEqual(program.sim_state()["gpu0.fan1.manual"], "0")


if __name__ == "__main__":
    unittest.main()
