"""The profile and the settings history survive a program killed at any instant while it writes them:
the file left behind is always the old one or the new one, never a truncated mix, and the program's
own profile reader (tools/profilecheck.exe) finds every value in it."""

import subprocess
import time
import unittest

from harness import SAFE_APPLY, SAFE_DEFAULTS, WINDOWS, WINE, ProgramTest, answer_safe_start, windows_path

ONE_CARD = "gpu = current\nload = 60\n"
# A valid profile keeps the history across starts and chooses the first preset, so apply is lit.
PROFILE = ("DeviceID = 220610de\nGPU = 0\nEASY_SETTINGS = 0\nGPU_OFFSET = 0.000\nMEM_OFFSET = 0.000\n"
           "POWER_TARGET = 100.000\nTEMP_TARGET = 83.000\nFPS_TARGET = -100\nFAN_SPEED1 = -100\n"
           "FAN_SPEED2 = -100\nFAN_LEVEL = 0\nFAN_CURVE = 0\nPSTATE = 0\nSLI-SYNC = 1\nVer = 2.10\n")
APPLY_AT = (270, 612)
KILLS = 12
HISTORY_WRITER_DELAY = 1.5  # an apply's record is written this much later


def profile_check(kind, path):
    done = subprocess.run([WINE, str(WINDOWS / "tools" / "profilecheck.exe"), kind, windows_path(path)],
                          capture_output=True, text=True, stdin=subprocess.DEVNULL, timeout=60)
    return done.returncode, done.stdout.strip()


class KilledWhileWriting(ProgramTest):
    def kill(self, program):
        """Ends the program at once, with no shutdown; True if it was still running."""
        running = program.process.poll() is None
        program.process.kill()
        program.process.wait()
        subprocess.run(["wineserver", "-w"], check=False, timeout=60)
        return running

    def test_the_history_is_whole_after_kills_during_its_writes(self):
        self.write_profile(PROFILE)
        history = self.folder / "history" / "historycfg"
        kills = 0
        for round_ in range(KILLS):
            program = self.start_program(sim_config=ONE_CARD)
            # An apply killed before it proved itself makes the next start a safe one: its notice
            # comes first, answered with the stored profile, whose preset lights apply.
            if round_ > 0:
                self.assertIsNotNone(answer_safe_start(SAFE_APPLY), f"round {round_}: no safe-start notice")
                time.sleep(0.3)
            program.click(*APPLY_AT)
            time.sleep(HISTORY_WRITER_DELAY + 0.3)  # this record completes
            program.click(*APPLY_AT, pause=0)
            # The second apply is killed at a point swept over its record's wait and write.
            time.sleep(round_ * (HISTORY_WRITER_DELAY + 0.3) / (KILLS - 1))
            kills += self.kill(program)
            code, said = profile_check("history", history)
            self.assertEqual(code, 0, f"kill {round_}: {said}\n{history.read_bytes()!r}")
        self.assertEqual(kills, KILLS)
        code, said = profile_check("history", history)
        print(f"\n{kills} kills during history writes, the file checked after each: {said}")
        # Far more applies than the history keeps: the drop-oldest rewrite ran, and was killed too.
        self.assertIn("6 records whole", said)

    def test_the_profile_is_whole_after_kills_during_the_shutdown_save(self):
        self.write_profile(PROFILE)
        profile = self.folder / "profile" / "profile.cfg"
        kills = 0
        for round_ in range(KILLS):
            program = self.start_program(sim_config=ONE_CARD)
            # A run killed before its start-up settings proved themselves starts safely next time.
            if round_ > 0:
                answer_safe_start(SAFE_DEFAULTS, 3000)
            program.press_escape()  # the shutdown saves the profile first
            time.sleep(round_ * 0.4 / (KILLS - 1))
            kills += self.kill(program)
            code, said = profile_check("profile", profile)
            self.assertEqual(code, 0, f"kill {round_}: {said}\n{profile.read_bytes()!r}")
        print(f"\n{kills} of {KILLS} shutdowns killed while running, the profile checked after each")
        self.assertGreater(kills, KILLS // 2)


if __name__ == "__main__":
    unittest.main()
