"""Easy Mode on the real window under Wine, driven through X: the monitor's texts and meters, the
easy presets and the apply button, the GPU list, the SLI-SYNC box and the hover help."""

import re
import subprocess
import time
import unittest
from pathlib import Path

from harness import ProgramTest, TITLE, drawn_texts, log_text, probe, wait_until, xdotool

ONE_CARD = "gpu = current\nload = 60\n"
# The second card reports other clocks and has one cooler instead of two fans.
TWO_CARDS = "gpu = current\nload = 60\ngpu = cooler\nload = 90\n"

VALUE_X = 414  # the value texts end here
VALUE_Y = {"clock": 129, "memory": 160, "temperature": 191, "load": 223}
METER_TOP = {"clock": 130, "memory": 161, "temperature": 192, "load": 224, "fan1": 250}
LIVE = 0xFFFFFFFF

PRESET_AT = {"highperformance": (280, 440), "default": (414, 440), "eco": (549, 440)}
APPLY_AT = (270, 612)
SLI_SYNC_AT = (132, 273)
GPU_ITEM_AT = [(60, 134), (60, 167)]
GPU_CLOCK_LABEL_AT = (255, 134)
BACKGROUND_AT = (5, 640)


class Shot:
    """A screenshot's pixels, read through ImageMagick as raw RGB."""

    def __init__(self, path):
        size = subprocess.run(["identify", "-format", "%w %h", str(path)], check=True, capture_output=True,
                              text=True).stdout.split()
        self.width, self.height = int(size[0]), int(size[1])
        self.rgb = subprocess.run(["convert", str(path), "-depth", "8", "rgb:-"], check=True,
                                  capture_output=True).stdout

    def pixel(self, x, y):
        at = (y * self.width + x) * 3
        return tuple(self.rgb[at:at + 3])

    def region(self, left, top, width, height):
        return b"".join(self.rgb[((top + row) * self.width + left) * 3:((top + row) * self.width + left + width) * 3]
                        for row in range(height))


def segment_lit(pixel):
    # Lit segments are drawn opaque in a bright colour; unlit ones at an alpha of 30 over the dark panel.
    return max(pixel) > 120


def lit_segments(shot, row):
    """How many of a meter row's 60 segments are lit, checking that they are the first ones."""
    lit = [segment_lit(shot.pixel(420 + 3 * i, METER_TOP[row] + 6)) for i in range(60)]
    count = sum(lit)
    assert lit == [True] * count + [False] * (60 - count), lit
    return count


def expected_lit(percent):
    """Segments lit by a reading in whole per cents: i < percent x 60 / 100."""
    return (60 * percent + 99) // 100


def value_text(texts, row):
    return next(((argb, text) for x, y, argb, text in texts if (x, y) == (VALUE_X, VALUE_Y[row])), None)


def tray_icon_pixels():
    """The RGB pixels of the icon in Wine's stand-alone notification area."""
    window = xdotool("search", "--name", "^Wine System Tray$").split()[0]
    geometry = xdotool("getwindowgeometry", window)
    x, y = map(int, re.search(r"Position: (\d+),(\d+)", geometry).groups())
    raw = subprocess.run(["import", "-window", "root", "-crop", f"20x20+{x}+{y}", "+repage", "-depth", "8", "rgb:-"],
                         check=True, capture_output=True).stdout
    return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]


def near(pixel, colour, tolerance=12):
    return all(abs(a - b) <= tolerance for a, b in zip(pixel, colour))


def reddish(pixel):
    r, g, b = pixel
    return r > 150 and g < 110 and b < 110


def greenish(pixel):
    r, g, b = pixel
    return g > 140 and r < g - 20 and b < g - 60


class EasyMode(ProgramTest):
    def shot(self, program, name):
        return Shot(program.screenshot(self.folder / f"{name}.png"))

    def click_until(self, program, at, seen, timeout=10):
        """Clicks at `at` and waits until a screenshot shows `seen(shot)`.

        The window takes the cursor where it is when it handles a click, so on
        a busy machine the pointer must stay until the click has been handled.
        """
        program.click(*at)
        self.assertTrue(wait_until(lambda: seen(self.shot(program, "clicked")), timeout=timeout), at)

    def test_meters_and_texts_show_the_cards_readings(self):
        program = self.start_program(sim_config=ONE_CARD)
        self.assertTrue(wait_until(lambda: value_text(drawn_texts(), "load") == (LIVE, "60％|"), timeout=10))
        # The temperature rises while the card works: the texts before and
        # after the screenshot bracket the reading its meter shows.
        before = drawn_texts()
        shot = self.shot(program, "start")
        texts = drawn_texts()
        argb, clock = value_text(texts, "clock")
        self.assertEqual(argb, LIVE)
        self.assertEqual(clock, f"{int(program.sim_state()['gpu0.graphicsClock']) / 1000:.1f}MHz|")
        self.assertRegex(value_text(texts, "memory")[1], r"^\d+\.\dMHz\|$")
        temperatures = [int(re.fullmatch(r"(\d+)℃\|", value_text(t, "temperature")[1]).group(1))
                        for t in (before, texts)]
        self.assertGreater(min(temperatures), 0)
        self.assertLessEqual(abs(lit_segments(shot, "load") - expected_lit(60)), 1)
        lit = lit_segments(shot, "temperature")
        self.assertTrue(expected_lit(min(temperatures)) - 1 <= lit <= expected_lit(max(temperatures)) + 1,
                        (lit, temperatures))
        # Two fans driven one by one: a row each, with percentages and rpm.
        labels = {text for x, y, argb, text in texts if x == 238}
        self.assertTrue({"FAN回転数1", "FAN回転数2"} <= labels, labels)
        self.assertNotIn("FAN回転数", labels)
        self.assertTrue(any(re.fullmatch(r"\d+rpm\|", text) for x, y, argb, text in texts if (x, y) == (414, 254)))

    def apply_preset(self, program, preset, colour):
        # A chosen preset button shows its colour at its top edge.
        x, y = PRESET_AT[preset][0] + 50, 392 + 14
        self.click_until(program, PRESET_AT[preset], lambda shot: near(shot.pixel(x, y), colour))
        program.click(*APPLY_AT)

    def test_presets_reach_the_card_and_recolour_icons_and_meters(self):
        program = self.start_program(sim_config=ONE_CARD)
        self.assertFalse(any(map(reddish, tray_icon_pixels())))
        cases = [
            # preset, graphics offset (kHz), power limit (1/1000 %), thermal limit, icon, meter colour, tray colour
            ("highperformance", 89000, 115000, 91, 164, (229, 6, 6), reddish),
            ("eco", 0, 80000, 70, 162, (141, 194, 31), greenish),
        ]
        for preset, offset, power, thermal, icon, colour, tray_colour in cases:
            with self.subTest(preset):
                lines = log_text(self.folder).count("EASY_SETTINGS")
                time.sleep(1.2)  # the previous apply's one-second hold-off
                self.apply_preset(program, preset, colour)
                self.assertTrue(wait_until(lambda: log_text(self.folder).count("EASY_SETTINGS") > lines))
                self.assertTrue(log_text(self.folder).endswith("GeForce RTX 3080: EASY_SETTINGS = SUCCESSFUL\n"),
                                log_text(self.folder))
                state = program.sim_state()
                self.assertEqual(int(state["gpu0.graphicsDelta"]), offset)
                self.assertEqual(int(state["gpu0.powerLimit"]), power)
                self.assertEqual(int(state["gpu0.thermalLimit"]), thermal * 256)  # 1/256 degrees
                self.assertEqual(probe("classicon", TITLE)[1], f"classicon {icon} 161")
                self.assertGreater(sum(map(tray_colour, tray_icon_pixels())), 20)
                # The next once-a-second refresh paints the meters in the preset's colour.
                time.sleep(1.5)
                shot = self.shot(program, preset)
                lit = shot.pixel(420, METER_TOP["load"] + 6)
                self.assertTrue(near(lit, colour), (lit, colour))
                unlit = shot.pixel(420 + 3 * 59, METER_TOP["load"] + 6)
                self.assertFalse(segment_lit(unlit), unlit)
        self.assertEqual(program.sim_state()["drs.0x10835002"], "60")  # eco's frame-rate limit

    def test_the_gpu_list_switches_the_readouts(self):
        program = self.start_program(sim_config=TWO_CARDS)
        self.assertTrue(wait_until(lambda: value_text(drawn_texts(), "clock") is not None))
        first = value_text(drawn_texts(), "clock")[1]
        item_colours = lambda: {text: argb for x, y, argb, text in drawn_texts() if x == 42}
        self.assertEqual(item_colours()["GeForce GTX 1080"], 0x40FFFFFF)

        second = f"{int(program.sim_state()['gpu1.graphicsClock']) / 1000:.1f}MHz|"
        self.assertNotEqual(second, first)
        program.click(*GPU_ITEM_AT[1])
        self.assertTrue(wait_until(lambda: value_text(drawn_texts(), "clock") == (LIVE, second), timeout=5),
                        value_text(drawn_texts(), "clock"))
        texts = drawn_texts()
        labels = {text for x, y, argb, text in texts if x == 238}
        self.assertIn("FAN回転数", labels)  # the cooler card's single fan row
        self.assertNotIn("FAN回転数1", labels)
        program.move(*BACKGROUND_AT)
        colours = wait_until(lambda: (c := item_colours())["GeForce GTX 1080"] == 0xBEFFFFFF and c)
        self.assertTrue(colours)
        self.assertEqual(colours["GeForce RTX 3080"], 0x40FFFFFF)

        program.press_escape()
        self.assertEqual(program.wait_for_exit(15), 0)
        self.assertIn("\nGPU = 1\n", (self.folder / "profile" / "profile.cfg").read_text())

    def test_sli_sync_toggles_once_per_click_and_is_saved(self):
        for expected in ("0", "1"):
            with self.subTest(saved=expected):
                program = self.start_program(sim_config=TWO_CARDS)
                time.sleep(1)
                box = self.shot(program, "box").pixel(*SLI_SYNC_AT)
                self.click_until(program, SLI_SYNC_AT, lambda shot: shot.pixel(*SLI_SYNC_AT) != box)
                program.move(*BACKGROUND_AT)
                time.sleep(0.5)
                # One click, one toggle: the box has not flipped back.
                self.assertNotEqual(self.shot(program, "box-after").pixel(*SLI_SYNC_AT), box)
                program.press_escape()
                self.assertEqual(program.wait_for_exit(15), 0)
                profile = (self.folder / "profile" / "profile.cfg").read_text()
                self.assertIn(f"\nSLI-SYNC = {expected}\n", profile)

    def test_hovering_a_label_shows_its_help_and_leaving_hides_it(self):
        program = self.start_program(sim_config=ONE_CARD)
        help_area = (218, 85, 392, 34)  # the GPU clock's help image; clear of the readouts
        program.move(*BACKGROUND_AT)
        time.sleep(1)
        before = self.shot(program, "before").region(*help_area)
        program.move(*GPU_CLOCK_LABEL_AT)
        time.sleep(1)
        shown = self.shot(program, "shown").region(*help_area)
        self.assertNotEqual(shown, before)
        program.move(*BACKGROUND_AT)
        time.sleep(0.3)
        self.assertEqual(self.shot(program, "hidden").region(*help_area), before)

    def test_a_window_left_alone_still_answers_the_pointer_at_once(self):
        """With the pointer away the window sleeps; it wakes for the pointer and sees it leave."""
        program = self.start_program(sim_config=ONE_CARD)
        help_area = (218, 85, 392, 34)
        left, top = program.origin()
        xdotool("mousemove", "--sync", left - 60, top + 100)  # on the desktop beside the window
        time.sleep(1.5)
        before = self.shot(program, "asleep").region(*help_area)
        program.move(*GPU_CLOCK_LABEL_AT)
        time.sleep(1)
        self.assertNotEqual(self.shot(program, "woken").region(*help_area), before)
        # Straight out of the window: no move reaches it, yet the help goes.
        xdotool("mousemove", "--sync", left - 60, top + 100)
        time.sleep(0.3)
        self.assertEqual(self.shot(program, "left").region(*help_area), before)


if __name__ == "__main__":
    unittest.main()
