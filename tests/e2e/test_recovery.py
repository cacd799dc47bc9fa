"""Sleep, resume and a driver reset under Wine, against the simulated card's own state: what the card
lost is given back once, what it kept is left alone, GPUs are found again by their PCI identity, and a
change the driver reset right after is undone."""

import re
import time
import unittest

from harness import ProgramTest, events_environment, log_text, message_box, wait_until
from test_easy_mode import APPLY_AT, PRESET_AT

ONE_CARD = "gpu = current\nload = 60\n"
# Two cards told apart by their PCI identity; the first drives the display.
TWO_CARDS = "gpu = current\nload = 60\ngpu = cooler\nload = 40\n"
WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC = 0x218, 0x12
HIGH_PERFORMANCE_OFFSET = "89000"
WRITES = ("SetPstates20", "SetPowerPolicyStatus", "SetThermalPolicyLimit", "SetCoolerLevels",
          "SetFanCoolerControl", "SetFanCurve", "NvAPI_DRS_SetSetting")
REVERTED_NOTICE = "ドライバーが直前の変更の直後にリセットされたため、その変更を元に戻しました。"


class Recovery(ProgramTest):
    def start_with_events(self, cards):
        program = self.start_program(sim_config=cards, extra_environment=events_environment(self.folder))
        time.sleep(1.5)  # past the start-up's own settle and first pass
        return program

    def apply_high_performance(self, program, gpu="gpu0"):
        program.click(*PRESET_AT["highperformance"])
        time.sleep(0.3)
        program.click(*APPLY_AT)
        self.assertTrue(wait_until(lambda: program.sim_state().get(f"{gpu}.graphicsDelta") == HIGH_PERFORMANCE_OFFSET))
        time.sleep(2.5)  # the settle, and the pass that reads the settings in force back

    def writes(self, program):
        return [call for call in program.sim_calls() if call.split(" ", 1)[0] in WRITES]

    def test_a_resume_gives_back_what_the_card_lost_and_leaves_what_it_kept(self):
        program = self.start_with_events(ONE_CARD)
        self.apply_high_performance(program)
        program.sim_event("sleep")
        self.assertTrue(wait_until(lambda: program.sim_state().get("gpu0.graphicsDelta") == "0"))
        program.send(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC)
        time.sleep(2)
        self.assertNotIn("RESUME", log_text(self.folder))  # still in the grace period
        self.assertTrue(wait_until(lambda: program.sim_state().get("gpu0.graphicsDelta") == HIGH_PERFORMANCE_OFFSET,
                                   timeout=10))
        reapplied = re.compile(r"\nRESUME = REAPPLY\n[^\n]+: EASY_SETTINGS = SUCCESSFUL\n")
        self.assertTrue(wait_until(lambda: reapplied.search(log_text(self.folder)), timeout=10), log_text(self.folder))

        time.sleep(2)  # past the re-apply's settle
        writes_before = len(self.writes(program))
        program.send(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC)
        self.assertTrue(wait_until(lambda: "RESUME = HELD" in log_text(self.folder), timeout=10))
        time.sleep(1)
        self.assertEqual(len(self.writes(program)), writes_before)
        self.assertEqual(log_text(self.folder).count("RESUME = REAPPLY"), 1)

    def test_a_reset_with_the_gpus_swapped_gives_each_its_own_settings_back(self):
        program = self.start_with_events(TWO_CARDS)
        self.apply_high_performance(program)
        # The settings prove themselves in 30 s of passes: a later reset re-applies them.
        pending = self.folder / "profile" / "pending"
        self.assertTrue(wait_until(lambda: not pending.exists(), timeout=50))
        first_device = program.sim_state()["gpu0.device"]
        program.sim_event("reset 3000")
        program.sim_event("swap")
        self.assertTrue(wait_until(lambda: "DRIVER = LOST" in log_text(self.folder), timeout=10))
        self.assertTrue(wait_until(lambda: "DRIVER = BACK" in log_text(self.folder), timeout=15))
        # The card that was first now sits second; it is the one given its settings back.
        self.assertEqual(program.sim_state()["gpu1.device"], first_device)
        self.assertTrue(wait_until(lambda: program.sim_state().get("gpu1.graphicsDelta") == HIGH_PERFORMANCE_OFFSET,
                                   timeout=10))
        reapplied = re.compile(r"\nDRIVER = BACK\nDRIVER_RESET = REAPPLY\n[^\n]+: EASY_SETTINGS = SUCCESSFUL\n")
        self.assertTrue(wait_until(lambda: reapplied.search(log_text(self.folder)), timeout=10), log_text(self.folder))
        log = log_text(self.folder)
        self.assertEqual((log.count("DRIVER = LOST"), log.count("DRIVER = BACK")), (1, 1))
        # The readouts follow the same card, now at the second place of the driver's list: the
        # monitoring passes after the re-apply's settle read only it.
        time.sleep(1.5)
        settled = len(program.sim_calls("NvAPI_GPU_GetAllClockFrequencies"))
        self.assertTrue(wait_until(lambda: len(program.sim_calls("NvAPI_GPU_GetAllClockFrequencies")) >= settled + 4,
                                   timeout=10))
        passes = program.sim_calls("NvAPI_GPU_GetAllClockFrequencies")[settled:]
        self.assertTrue(all(" gpu=1 status=0 " in line for line in passes), passes)

    def test_a_reset_right_after_a_change_undoes_it(self):
        program = self.start_with_events(ONE_CARD)
        self.apply_high_performance(program)
        program.sim_event("reset 1500")
        self.assertEqual(message_box(timeout_ms=15000), REVERTED_NOTICE)
        log = log_text(self.folder)
        self.assertIn("DRIVER = BACK\nDRIVER_RESET = REVERTED\n", log)
        self.assertNotIn("DRIVER_RESET = REAPPLY", log)
        self.assertEqual(program.sim_state()["gpu0.graphicsDelta"], "0")  # no proven settings: the defaults
        self.assertFalse((self.folder / "profile" / "pending").exists())
        program.stop()
        self.assertEqual(program.process.returncode, 0)


if __name__ == "__main__":
    unittest.main()
