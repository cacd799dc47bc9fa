"""Start-up under Wine: one copy at a time, the icon the stored preset chooses, and the skin's
images decoded on the fast road to the very pixels GDI+ gives."""

import subprocess
import tempfile
import unittest

from harness import SKIN, WINDOWS, WINE, ProgramTest, probe, wait_until, window_state, windows_path


class SingleInstance(ProgramTest):
    def test_second_copy_shows_the_first_and_exits_without_a_window(self):
        self.start_program()
        self.assertEqual(probe("hide", "Vantrelis")[0], 0)
        self.assertEqual(window_state()["visible"], 0)

        code, report = probe("watch", 20000, windows_path(self.folder / "Vantrelis.exe"), cwd=self.folder)

        self.assertEqual(code, 0, report)
        lines = report.splitlines()
        self.assertEqual(lines[-1], "exit ended 0", report)
        self.assertEqual([line for line in lines if line.startswith("created")], [], report)
        state = wait_until(lambda: (s := window_state()) and s["visible"] and s["foreground"] and s)
        self.assertTrue(state, window_state())


class SkinDecoding(unittest.TestCase):
    def test_every_skin_image_takes_the_fast_road_and_matches_gdiplus(self):
        with tempfile.TemporaryFile() as output:  # a file: Wine's own processes could hold a pipe open
            done = subprocess.run([WINE, str(WINDOWS / "tools" / "decodecheck.exe"), windows_path(SKIN)],
                                  stdout=output, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=120)
            output.seek(0)
            report = output.read().decode()
        self.assertEqual(done.returncode, 0, report)
        self.assertEqual(report.splitlines()[-1], "entries=100 plain=100 different=0", report)


class ClassIcon(ProgramTest):
    def class_icon(self):
        code, output = probe("classicon", "Vantrelis")
        self.assertEqual(code, 0, output)
        return output

    def test_no_profile_gives_the_neutral_icon(self):
        self.start_program()
        self.assertEqual(self.class_icon(), "classicon 161 161")

    def test_stored_preset_chooses_the_icon(self):
        for preset, icon in ((0, 164), (1, 163), (2, 162), (3, 161), (7, 161)):
            with self.subTest(preset=preset):
                self.write_profile(f"EASY_SETTINGS = {preset}\n")
                program = self.start_program()
                self.assertEqual(self.class_icon(), f"classicon {icon} {icon}")
                program.stop()
                self.assertIsNotNone(program.process.returncode)


if __name__ == "__main__":
    unittest.main()
