#!/usr/bin/env python3
"""Takes the guides' pictures of the installer: its pages as a user walks
through them, on the display and in the Wine prefix the environment names.

    scripts/setup_screenshots.py SETUP.exe IMAGES_FOLDER

It installs into the prefix's default folder, leaves the last page without
starting the program, and removes the install again silently.
"""

import os
import subprocess
import sys
import time
from pathlib import Path

TITLE = "Vantrelis セットアップ"
# Each page's picture, and what moves the installer on from it.
PAGES = [
    ("setup-welcome.png", "Return"),
    ("setup-folder.png", "Return"),
    ("setup-options.png", "Return"),
    ("setup-done.png", None),
]


def xdotool(*arguments):
    return subprocess.run(["xdotool", *map(str, arguments)], check=True, capture_output=True,
                          text=True, timeout=30).stdout


def installer_window(timeout=30):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--name", f"^{TITLE}"], capture_output=True, text=True)
        if found.returncode == 0 and found.stdout.split():
            return found.stdout.split()[0]
        time.sleep(0.2)
    sys.exit("setup_screenshots: the installer's window did not appear")


def geometry(window):
    values = dict(line.split("=", 1) for line in xdotool("getwindowgeometry", "--shell", window).split())
    return int(values["WIDTH"]), int(values["HEIGHT"]), int(values["X"]), int(values["Y"])


def capture(window, path):
    width, height, x, y = geometry(window)
    subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "+repage", str(path)],
                   check=True, timeout=30)


def take_setup_pictures(setup, images):
    """Walks the installer's pages, leaving one picture of each in `images`; then uninstalls."""
    environment = dict(os.environ, WINEDLLOVERRIDES="winemenubuilder.exe=d")
    installer = subprocess.Popen(["wine", str(setup)], env=environment,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = installer_window()
        for name, key in PAGES:
            time.sleep(1.5)  # the page drawn, and the install done before the last one
            capture(window, Path(images) / name)
            print(f"  {name}", flush=True)
            if key:
                xdotool("windowfocus", "--sync", window)
                xdotool("key", key)
    finally:
        # The install is complete on the last page; ending there starts no program.
        installer.kill()
        installer.wait(timeout=30)
    user = os.environ.get("USER", "root")
    uninstaller = Path(os.environ["WINEPREFIX"]) / "drive_c" / "users" / user / "AppData" / "Local" / "Programs" \
        / "Vantrelis" / "Uninstall.exe"
    subprocess.run(["wine", str(uninstaller), "/S"], env=environment, check=True, timeout=60)
    # The uninstaller goes on from a copy of itself, which removes the original last.
    deadline = time.monotonic() + 30
    while uninstaller.exists() and time.monotonic() < deadline:
        time.sleep(0.2)
    if uninstaller.exists():
        print("  (the scratch prefix keeps the install: its uninstaller did not finish)", flush=True)


if __name__ == "__main__":
    take_setup_pictures(Path(sys.argv[1]), Path(sys.argv[2]))
