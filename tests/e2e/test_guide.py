"""The user's guides against the checkout: every picture they show is there, is a real screenshot-sized
PNG and is one scripts/screenshots.sh takes; no picture lies unused; the version and package names
are the product's; the tray menu and the Advanced Mode tabs are named as the program names them.
Needs no Wine: it reads files only."""

import re
import struct
import subprocess
import sys
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
DOCS = ROOT / "docs"
IMAGES = DOCS / "images"
GUIDES = {"ja": DOCS / "guide-ja.md", "en": DOCS / "guide-en.md"}

sys.path.insert(0, str(ROOT / "scripts"))
from screenshots import IMAGES as TAKEN  # noqa: E402


def pictures(text):
    """The images/NAME.png a guide links, in order."""
    return re.findall(r"!\[[^\]]*\]\(images/([^)\s]+)\)", text)


def png_size(path):
    data = path.read_bytes()[:24]
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", data[16:24])


def colours(path):
    """The number of distinct colours in an image, counted by ImageMagick."""
    done = subprocess.run(["identify", "-format", "%k", str(path)], check=True, capture_output=True, text=True,
                          timeout=60)
    return int(done.stdout.strip())


def product_version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(Vantrelis VERSION (\d+\.\d+)", text).group(1)


class Guides(unittest.TestCase):
    def setUp(self):
        self.texts = {language: path.read_text(encoding="utf-8") for language, path in GUIDES.items()}

    def test_every_picture_shown_exists_and_is_a_screenshot(self):
        for language, text in self.texts.items():
            names = pictures(text)
            self.assertTrue(names, language)
            for name in names:
                with self.subTest(language=language, picture=name):
                    path = IMAGES / name
                    self.assertTrue(path.is_file(), f"{GUIDES[language].name} shows {name}, which is not there")
                    size = png_size(path)
                    self.assertIsNotNone(size, f"{name} is not a PNG file")
                    width, height = size
                    # A dialog is the smallest picture; nothing smaller is a screenshot of the program.
                    self.assertGreaterEqual(width, 100, name)
                    self.assertGreaterEqual(height, 60, name)
                    # A blank or one-colour capture (a window not yet painted) is no picture of it.
                    self.assertGreaterEqual(colours(path), 16, f"{name} shows next to nothing")

    def test_every_picture_is_taken_by_the_script_and_shown_by_the_full_guide(self):
        on_disk = {path.name for path in IMAGES.glob("*.png")}
        self.assertEqual(on_disk, set(TAKEN), "docs/images and scripts/screenshots.py disagree")
        shown = set(pictures(self.texts["ja"]))
        self.assertEqual(set(TAKEN) - shown, set(), "pictures the Japanese guide never shows")
        self.assertEqual(set(pictures(self.texts["en"])) - set(TAKEN), set())
        self.assertEqual(len(TAKEN), len(set(TAKEN)), "a picture is taken twice")

    def test_the_version_and_package_names_are_the_products(self):
        version = product_version()
        for language, text in self.texts.items():
            with self.subTest(language):
                self.assertIn(f"Ver.{version}", text)
                named = re.findall(r"Vantrelis-([0-9.]+)-(win32\.zip|win64\.zip|setup\.exe)", text)
                self.assertEqual({kind for _, kind in named}, {"win32.zip", "win64.zip", "setup.exe"})
                self.assertEqual({number for number, _ in named}, {version})

    def test_the_tray_menu_table_lists_the_programs_items_in_order(self):
        source = (ROOT / "app" / "shell" / "Tray.cpp").read_text(encoding="utf-8")
        items = re.findall(r"\{IDM_TRAY_\w+, \"([^\"]+)\"\}", source)
        self.assertEqual(len(items), 5, source)
        for language, text in self.texts.items():
            with self.subTest(language):
                rows = re.findall(r"^\| (\w+) \|", text, re.MULTILINE)
                self.assertIn(items, [rows[i:i + 5] for i in range(len(rows))], f"{language}: tray table {rows}")

    def test_the_advanced_mode_tabs_are_named_in_the_programs_order(self):
        source = (ROOT / "ui" / "WidgetLayout.cpp").read_text(encoding="utf-8")
        block = re.search(r"tabs\[TabCount\] = \{(.*?)\};", source, re.DOTALL).group(1)
        tabs = re.findall(r"u\"([^\"]+)\"", block)
        self.assertEqual(len(tabs), 5, block)
        for language, text in self.texts.items():
            with self.subTest(language):
                def in_order(paragraph):
                    at = -1
                    for tab in tabs:
                        at = paragraph.find(tab, at + 1)
                        if at < 0:
                            return False
                    return True
                self.assertTrue(any(in_order(paragraph) for paragraph in text.split("\n\n")),
                                f"{language}: no paragraph names the tabs {tabs} in order")

if __name__ == "__main__":
    unittest.main()
