"""Advanced Mode under Wine: the mode switch, the pages, the sliders and the fan-curve editor.

Every step goes through the real pointer and keyboard on the virtual display;
what the program did is read back from the operation log and the simulated
card. Screenshots of each page are left in the build folder's advanced-mode/.
"""

import subprocess
import time
import unittest

from harness import BUILD, ProgramTest, dialog_button, log_text, wait_until

SHOTS = BUILD / "advanced-mode"

ADVANCED_BUTTON = (562, 342)
EASY_BUTTON = (467, 342)
APPLY_BUTTON = (272, 614)
TAB = {page: (80, y + 5) for page, y in enumerate((401, 431, 463, 495, 527))}
KNOB_ROW = (430, 524)  # the knobs' centre rows, slider 1 and 2

WARNING_CAPTION = "必ずご確認ください。"
CURVE_CAPTION = "ご確認ください"
AGREE, DISAGREE, CURVE_OK = 1004, 1005, 1030

# A card like the default one whose fan curve cannot be read.
NO_CURVE_CARD = "gpu = current\ncurve = none\n"


def dialog_shown(caption):
    """Whether a window with this caption is mapped on the display."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{caption}$"], capture_output=True,
                           text=True, timeout=30)
    return bool(found.stdout.split())


def answer(button_id, caption):
    """Presses a button of the program's dialog; returns once the dialog has left the screen.

    Under Wine the closed dialog stays on the display for a moment, taking the
    clicks meant for the window below it.
    """
    shown = dialog_button(button_id)
    if shown is not None:
        wait_until(lambda: not dialog_shown(caption), timeout=10)
        time.sleep(0.2)
    return shown


def pixels(path, x, y, width, height):
    """The raw RGB bytes of a rectangle of a PNG file."""
    done = subprocess.run(["convert", str(path), "-crop", f"{width}x{height}+{x}+{y}", "+repage", "rgb:-"],
                          check=True, capture_output=True, timeout=30)
    return done.stdout


class AdvancedMode(ProgramTest):
    def setUp(self):
        super().setUp()
        SHOTS.mkdir(parents=True, exist_ok=True)

    def start(self, **options):
        self.program = self.start_program(**options)
        # The panels start on the first frame ticks and the monitoring thread's first pass.
        time.sleep(1.5)
        return self.program

    def log(self):
        return log_text(self.folder)

    def advanced_mode(self, button=AGREE):
        self.program.click(*ADVANCED_BUTTON)
        self.assertEqual(answer(button, WARNING_CAPTION), WARNING_CAPTION)

    def apply(self, expect_in_log):
        """Clicks apply; waits until the log shows the line and the one-second hold-off has passed.

        While the hold-off lasts the sliders do not refresh, so a key pressed then would be lost;
        on a busy machine the hold-off's thread may end late, hence the margin.
        """
        self.program.click(*APPLY_BUTTON)
        shown = wait_until(lambda: expect_in_log in self.log(), timeout=10)
        time.sleep(2.0)
        return shown

    def press_right(self, times):
        self.program.key("Right", times=times, pause=0.15)
        time.sleep(0.2)

    def shot(self, name):
        self.program.move(600, 640)  # no hover help in the picture
        time.sleep(0.3)
        return self.program.screenshot(SHOTS / f"{name}.png")

    def knob_left_edge(self, shot, row):
        """The knob's left edge on its row: its light body starts two pixels in, past the dark rim."""
        line = pixels(shot, 220, row, 280, 1)
        for column in range(280):
            r, g, b = line[3 * column:3 * column + 3]
            if r > 200 and g > 200 and b > 200:
                return 220 + column - 2
        return None

    # --- 1. the mode switch -------------------------------------------------------------

    def test_advanced_mode_is_entered_only_after_agreeing_to_the_warning(self):
        self.start()
        heading = (30, 330, 170, 40)
        easy = self.shot("easy-mode")
        self.advanced_mode(DISAGREE)
        cancelled = self.shot("after-cancel")
        self.assertEqual(pixels(cancelled, *heading), pixels(easy, *heading), "the heading changed without agreement")
        self.program.click(*APPLY_BUTTON)  # Easy Mode with no preset picked: nothing to apply
        time.sleep(1.0)
        self.assertNotIn("GPU_OFFSET", self.log())

        self.advanced_mode(AGREE)
        advanced = self.shot("after-agree")
        self.assertNotEqual(pixels(advanced, *heading), pixels(easy, *heading))
        self.assertTrue(self.apply("MEM_OFFSET = "), self.log())
        self.assertIn(": GPU_OFFSET = 0\n", self.log())

        self.program.click(*EASY_BUTTON)  # back, without a question
        self.assertIsNone(dialog_button(DISAGREE, 1500))
        back = self.shot("back-to-easy")
        self.assertEqual(pixels(back, *heading), pixels(easy, *heading))

    # --- 2. page 0: drag and keys ----------------------------------------------------------

    def test_dragged_and_stepped_clock_offset_reaches_the_card(self):
        self.start()
        self.advanced_mode()
        # Offset 0 of -510..200 MHz puts the knob at 401; dragged to 432 it reads
        # +91 MHz, and three Right presses make +94 MHz, whose knob is at 433.
        self.assertEqual(self.knob_left_edge(self.shot("page0-before-drag"), KNOB_ROW[0]), 401)
        self.program.drag((409, KNOB_ROW[0]), (440, KNOB_ROW[0]))
        self.assertEqual(self.knob_left_edge(self.shot("page0-dragged"), KNOB_ROW[0]), 432)
        self.press_right(3)
        shot = self.shot("page0-clock-offsets")
        self.assertEqual(self.knob_left_edge(shot, KNOB_ROW[0]), 433)
        self.assertTrue(self.apply("GPU_OFFSET = 94000\n"), self.log())
        self.assertEqual(self.program.sim_state()["gpu0.graphicsDelta"], "94000")
        self.assertIn("SetPstates20 gpu=0 status=0", " ".join(self.program.sim_calls("SetPstates20")))

    # --- 3. pages 1, 2 and 3 -----------------------------------------------------------------

    def test_power_frame_rate_and_fan_pages_reach_the_card(self):
        self.start()
        self.advanced_mode()

        self.program.click(*TAB[1])
        self.press_right(2)  # the card's 100 % becomes 102 %
        self.shot("page1-power-temperature")
        self.assertTrue(self.apply("POWER_TARGET = 102000\n"), self.log())
        self.assertIn(": TEMP_TARGET = 83\n", self.log())
        self.assertEqual(self.program.sim_state()["gpu0.powerLimit"], "102000")

        self.program.click(*TAB[2])
        self.press_right(2)  # limiter off (-100): the first step gives 16, the next 17
        self.shot("page2-frame-rate")
        self.assertTrue(self.apply("FPS_TARGET = 17\n"), self.log())
        state = self.program.sim_state()
        self.assertIn("17", [value for key, value in state.items() if "10835002" in key.lower()], state)

        self.program.click(*TAB[3])
        self.press_right(1)  # automatic: the first step gives the minimum 30 + 1
        self.shot("page3-fan-speed")
        self.assertTrue(self.apply("FAN_SPEED1 = 31, FAN_SPEED2 = RESET\n"), self.log())
        state = self.program.sim_state()
        self.assertEqual(state["gpu0.fan1.manual"], "1")
        self.assertEqual(state["gpu0.fan1.level"], "31")

    # --- 4. page 4: the fan curve ----------------------------------------------------------------

    def test_dragged_curve_point_reaches_the_card(self):
        self.start()
        self.advanced_mode()
        self.program.click(*TAB[4])
        self.assertEqual(answer(CURVE_OK, CURVE_CAPTION), CURVE_CAPTION)
        time.sleep(1.5)  # the monitoring thread puts the points on the card's curve
        before = self.shot("page4-fan-curve")
        # Point 2 at (384, 474) is 60 degrees at 50 %; dragged 10 right and 20 up: 65 degrees at 60 %.
        self.program.drag((390, 480), (400, 460), steps=20)
        self.shot("page4-fan-curve-edited")
        self.assertTrue(self.apply("FAN_CURVE = "), self.log())
        self.assertIn(": FAN_CURVE = 30,30,270,65,60,900,80,85,2167\n", self.log())
        curve = self.program.sim_state()["gpu0.curve0"].split()
        self.assertEqual(curve[1], f"{65 * 256}:{60 * 65536 // 100}:900")
        self.assertIsNotNone(before)

    def test_fan_curve_tab_of_a_card_without_a_curve_does_not_react(self):
        self.start(sim_config=NO_CURVE_CARD)
        self.advanced_mode()
        self.program.click(*TAB[4])
        self.assertIsNone(dialog_button(CURVE_OK, 2000), "the notice came up")
        self.shot("page4-unavailable")
        # Still the clock page: apply sends the offsets, no curve.
        self.assertTrue(self.apply("MEM_OFFSET = "), self.log())
        self.assertNotIn("FAN_CURVE", self.log())
        self.assertEqual(self.program.sim_calls("SetFanCurve"), [])


if __name__ == "__main__":
    unittest.main()
