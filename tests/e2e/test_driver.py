"""The driver under Wine: the program's loader binds the simulated driver
library (nvapi.dll, or nvapi64.dll for the 64-bit program) in the prefix's
system folder for its width, and never a foreign one planted in the
program's own folder.

tools/drivercheck.exe is linked with the product's driver layer and Win32
platform (the main window does not use the driver yet); the planted library
leaves a marker file in the current folder when anyone loads it.
"""

import os
import re
import shutil
import subprocess
import tempfile
import unittest

from harness import DRIVER_DLL, SYSTEM_FOLDER, WINDOWS, WINE, ProgramTest, windows_path

CHECK = WINDOWS / "tools" / "drivercheck.exe"
PLANTED = WINDOWS / "tools" / "planted" / DRIVER_DLL
SIMULATED = WINDOWS / "sim" / DRIVER_DLL
SYSTEM_DRIVER = SYSTEM_FOLDER / DRIVER_DLL
MARKER = "planted-nvapi-loaded.txt"


class DriverLoading(ProgramTest):
    def setUp(self):
        super().setUp()
        shutil.copy(CHECK, self.folder / "drivercheck.exe")
        shutil.copy(PLANTED, self.folder / DRIVER_DLL)
        if SIMULATED.exists():
            shutil.copy(SIMULATED, SYSTEM_DRIVER)

    def check(self, command, environment=None):
        """Runs drivercheck.exe in the program folder; returns (exit code, lines)."""
        env = dict(os.environ)
        env.update(environment or {})
        with tempfile.TemporaryFile(mode="w+") as output:
            done = subprocess.run([WINE, "drivercheck.exe", command], cwd=self.folder, env=env, stdout=output,
                                  stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=120)
            output.seek(0)
            return done.returncode, output.read().splitlines()

    def planted_was_loaded(self):
        return (self.folder / MARKER).exists()

    def test_the_ordinary_search_would_find_the_planted_library(self):
        # The control: the planted library is where an ordinary load looks first.
        code, lines = self.check("plainload")
        self.assertEqual(code, 0, lines)
        self.assertTrue(self.planted_was_loaded(), lines)
        self.assertEqual(lines, [f"module {windows_path(self.folder / DRIVER_DLL)}"])

    def test_the_loader_binds_the_system_folder_driver_and_never_the_planted_one(self):
        config = self.folder / "sim.cfg"
        config.write_text("gpu = current\nload = 37\ngpu = cooler\n")
        state = self.folder / "sim-state.txt"
        code, lines = self.check("bind", {"VANTRELIS_SIM_CONFIG": windows_path(config),
                                          "VANTRELIS_SIM_STATE": windows_path(state)})

        self.assertEqual(code, 0, lines)
        self.assertFalse(self.planted_was_loaded(), lines)
        self.assertEqual(lines[0], "initialize 0")
        self.assertRegex(lines[1], r"^module C:\\windows\\(system32|syswow64)\\" + re.escape(DRIVER_DLL) + "$")
        self.assertEqual(lines[2:], ["enumerate 0", "gpus 2",
                                     "gpu0 220610de NVIDIA GeForce RTX 3080",
                                     "gpu1 1b8010de NVIDIA GeForce GTX 1080",
                                     "load 37"])
        written = state.read_text()
        self.assertIn("initialized = 1\n", written)
        self.assertIn("gpus = 2\n", written)

    def test_without_a_system_driver_the_load_fails_and_still_ignores_the_planted_one(self):
        aside = SYSTEM_DRIVER.with_name(DRIVER_DLL + ".aside")
        if SYSTEM_DRIVER.exists():
            SYSTEM_DRIVER.rename(aside)
        try:
            code, lines = self.check("bind")
        finally:
            if aside.exists():
                aside.rename(SYSTEM_DRIVER)

        self.assertEqual(code, 1)
        self.assertEqual(lines, ["initialize -2"])
        self.assertFalse(self.planted_was_loaded())


if __name__ == "__main__":
    unittest.main()
