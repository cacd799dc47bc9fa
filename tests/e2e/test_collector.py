"""The collector is started through the shell with the chosen path as one argument."""

import shutil
import subprocess
import unittest

from harness import WINDOWS, WINE, ProgramTest


class CollectorStart(ProgramTest):
    def test_path_with_blanks_arrives_as_one_argument(self):
        shutil.copy(WINDOWS / "tools" / "Sysdigest.exe", self.folder / "Sysdigest.exe")
        shutil.copy(WINDOWS / "tools" / "collectorprobe.exe", self.folder / "collectorprobe.exe")
        output = r"C:\users\Public\My Reports\system log.txt"

        subprocess.run([WINE, "collectorprobe.exe", output], cwd=self.folder, check=True, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        call = (self.folder / "Sysdigest-call.txt").read_text().splitlines()
        self.assertEqual(call, ["argc=3", "-o", output])


if __name__ == "__main__":
    unittest.main()
