"""The system-information collector, Sysdigest.exe, under Wine.

Started through the shell exactly as the program starts it (by
tools/collectorprobe.exe), it writes its report at the chosen path, blanks
and all. The report names the simulated GPUs, read through the program's
driver layer from the system folder only, and the Windows version; it is in
the system's ANSI code page (932 under the test prefix). A stand-in progress
dialog (windowprobe progress) records what the collector tells it.
"""

import os
import re
import shutil
import subprocess
import tempfile
import unittest

from harness import DRIVER_DLL, SYSTEM_FOLDER, WINDOWS, WINE, PROBE, ProgramTest, wait_until, windows_path

COLLECTOR = WINDOWS / "tools" / "Sysdigest.exe"
STARTER = WINDOWS / "tools" / "collectorprobe.exe"
PLANTED = WINDOWS / "tools" / "planted" / DRIVER_DLL
PLANTED_MARKER = "planted-nvapi-loaded.txt"
SYSTEM_DRIVER = SYSTEM_FOLDER / DRIVER_DLL

STEP, CLOSE, WRITTEN, FAILED = "0x8005", "0x8006", "0x8007", "0x8008"


def parse_report(text):
    """{heading: {key: value}} of a report, and the column its values start in per line."""
    sections, columns, current = {}, set(), None
    for line in text.split("\r\n"):
        heading = re.fullmatch(r"== (.+) ==", line)
        if heading:
            current = sections.setdefault(heading.group(1), {})
            continue
        entry = re.fullmatch(r"([^:]+):( +)(.*)", line)
        if entry and current is not None:
            current[entry.group(1)] = entry.group(3)
            columns.add(len(entry.group(1)) + 1 + len(entry.group(2)))
    return sections, columns


class Collector(ProgramTest):
    def setUp(self):
        super().setUp()
        shutil.copy(COLLECTOR, self.folder / "Sysdigest.exe")
        self.config = self.folder / "sim.cfg"
        self.config.write_text("gpu = current\ngpu = cooler\nname = NVIDIA GeForce GTX 1080 Ti\n")
        self.environment = dict(os.environ, VANTRELIS_SIM_CONFIG=windows_path(self.config))

    def collect(self, *arguments, timeout=60):
        """Runs Sysdigest.exe in the test folder; returns (exit code, standard error)."""
        with tempfile.TemporaryFile() as errors:
            done = subprocess.run([WINE, "Sysdigest.exe", *arguments], cwd=self.folder, env=self.environment,
                                  stdout=subprocess.DEVNULL, stderr=errors, stdin=subprocess.DEVNULL, timeout=timeout)
            errors.seek(0)
            return done.returncode, errors.read().decode("cp932", errors="replace")

    def read_report(self, path):
        raw = path.read_bytes()
        self.assertTrue(raw.endswith(b"\r\n"), "the report ends with a whole line")
        self.assertNotIn(b"\n", raw.replace(b"\r\n", b""), "every line ends in CR LF")
        return raw.decode("cp932")

    def start_progress_dialog(self):
        """Starts the stand-in progress dialog; returns (process, its output file)."""
        output = open(self.folder / "progress.txt", "w+b")
        process = subprocess.Popen([WINE, str(PROBE), "progress", "Vantrelis", "30000"], env=self.environment,
                                   stdout=output, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        self.addCleanup(output.close)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        ready = wait_until(lambda: (self.folder / "progress.txt").read_bytes().startswith(b"ready"), timeout=30)
        self.assertTrue(ready, "the stand-in progress dialog did not come up")
        return process, output

    def progress_messages(self, process, output):
        process.wait(timeout=60)
        output.seek(0)
        lines = output.read().decode().split()
        self.assertEqual(lines[0], "ready")
        return lines[1:]

    def test_a_path_with_blanks_started_through_the_shell_gets_the_report(self):
        shutil.copy(STARTER, self.folder / "collectorprobe.exe")
        reports = self.folder / "My Reports"
        reports.mkdir()
        report = reports / "system log.txt"

        subprocess.run([WINE, "collectorprobe.exe", windows_path(report)], cwd=self.folder, env=self.environment,
                       check=True, timeout=60, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        self.assertTrue(wait_until(report.exists, timeout=60), "no report at the path with blanks")
        sections, _ = parse_report(self.read_report(report))
        self.assertEqual(sections["GPU 1"]["Name"], "NVIDIA GeForce RTX 3080")
        # Nothing else: no report cut at a blank, no temporary file left behind.
        self.assertEqual(sorted(p.name for p in reports.iterdir()), ["system log.txt"])
        self.assertEqual(sorted(p.name for p in self.folder.iterdir() if p.name.lower().startswith(("my", "system"))),
                         ["My Reports"])

    def test_the_report_names_the_windows_version_and_every_simulated_gpu(self):
        report = self.folder / "report.txt"
        report.write_bytes(b"an older report, longer than nothing\r\n" * 500)

        code, errors = self.collect("-o", windows_path(report))

        self.assertEqual(code, 0, errors)
        text = self.read_report(report)
        self.assertTrue(text.startswith("Vantrelis system information report\r\n"), text[:200])
        self.assertNotIn("an older report", text)
        sections, columns = parse_report(text)
        self.assertEqual(len(columns), 1, f"values start in more than one column: {columns}")
        self.assertEqual(list(sections)[:4], ["Report", "Windows", "Processor", "Memory"])

        # The version Windows itself reports to its own command shell.
        with tempfile.TemporaryFile() as out:
            subprocess.run([WINE, "cmd", "/c", "ver"], stdout=out, stderr=subprocess.DEVNULL, timeout=60,
                           stdin=subprocess.DEVNULL)
            out.seek(0)
            ver = re.search(r"(\d+)\.(\d+)\.(\d+)", out.read().decode("cp932", errors="replace"))
        self.assertIsNotNone(ver, "cmd /c ver gave no version")
        self.assertRegex(sections["Windows"]["Version"], r"^Windows[ \w.]* \(" + re.escape(ver.group(0)) + r"[.)]")
        self.assertEqual(sections["Windows"]["Build"], ver.group(3))

        self.assertEqual(sections["Graphics driver"], {"Library": f"{DRIVER_DLL} from the system folder",
                                                       "Status": "loaded", "GPUs": "2"})
        first, second = sections["GPU 1"], sections["GPU 2"]
        self.assertEqual((first["Name"], second["Name"]), ("NVIDIA GeForce RTX 3080", "NVIDIA GeForce GTX 1080 Ti"))
        self.assertEqual(first["Hardware id"], "PCI\\VEN_10DE&DEV_2206&SUBSYS_146710DE&REV_A1")
        self.assertEqual(second["Device id"], "0x1B80 (vendor 0x10DE)")
        self.assertEqual(first["Graphics base clock"], "1440 MHz")
        self.assertEqual(second["Memory base clock"], "5005 MHz")
        # Code page 932 has the degree sign; a UTF-8 one would not read back as one.
        self.assertRegex(first["Temperature"], r"^\d+ °C$")
        self.assertEqual(first["Fans"], "2 (per-fan interface)")
        self.assertRegex(first["Fan 2 speed"], r"^\d+ rpm$")
        self.assertEqual(second["Fans"], "1 (cooler interface)")
        self.assertRegex(second["Fan speed"], r"^\d+ rpm$")
        self.assertIn("Display adapter 1", sections)

    def test_the_progress_dialog_hears_the_steps_then_written_then_close(self):
        process, output = self.start_progress_dialog()
        report = self.folder / "report.txt"

        code, errors = self.collect("-o", windows_path(report))

        self.assertEqual(code, 0, errors)
        messages = self.progress_messages(process, output)
        self.assertGreaterEqual(len(messages), 3, messages)
        self.assertEqual(messages[-2:], [WRITTEN, CLOSE], messages)
        self.assertEqual(set(messages[:-2]), {STEP}, messages)
        self.assertTrue(report.exists())

    def test_a_report_that_cannot_be_written_fails_the_dialog_and_leaves_no_file(self):
        process, output = self.start_progress_dialog()
        missing = self.folder / "no such folder"

        code, errors = self.collect("-o", windows_path(missing / "report.txt"))

        self.assertNotEqual(code, 0, errors)
        messages = self.progress_messages(process, output)
        self.assertEqual(messages[-1], FAILED, messages)
        self.assertEqual(set(messages[:-1]), {STEP}, messages)
        self.assertFalse(missing.exists())
        self.assertEqual(self.reports_and_leftovers(), [])

    def test_a_folder_in_the_way_fails_and_leaves_it_and_no_temporary_file(self):
        in_the_way = self.folder / "report.txt"
        in_the_way.mkdir()

        code, errors = self.collect("-o", windows_path(in_the_way))

        self.assertNotEqual(code, 0, errors)
        self.assertTrue(in_the_way.is_dir())
        self.assertEqual(list(in_the_way.iterdir()), [])
        self.assertEqual(self.reports_and_leftovers(), ["report.txt"])

    def reports_and_leftovers(self):
        """Names of the folder's text and temporary files, the test's own aside."""
        return sorted(p.name for p in self.folder.iterdir()
                      if p.suffix.lower() in (".tmp", ".txt") and p.name != "progress.txt")

    def test_a_planted_driver_library_beside_the_collector_is_never_loaded(self):
        shutil.copy(PLANTED, self.folder / DRIVER_DLL)
        report = self.folder / "report.txt"

        code, errors = self.collect("-o", windows_path(report))

        self.assertEqual(code, 0, errors)
        self.assertFalse((self.folder / PLANTED_MARKER).exists(), "the planted library was loaded")
        sections, _ = parse_report(self.read_report(report))
        self.assertEqual(sections["GPU 1"]["Name"], "NVIDIA GeForce RTX 3080")

    def test_without_the_driver_the_report_says_so_and_is_still_written(self):
        aside = SYSTEM_DRIVER.with_name(DRIVER_DLL + ".aside")
        SYSTEM_DRIVER.rename(aside)
        self.addCleanup(aside.rename, SYSTEM_DRIVER)
        report = self.folder / "report.txt"

        code, errors = self.collect("-o", windows_path(report))

        self.assertEqual(code, 0, errors)
        sections, _ = parse_report(self.read_report(report))
        self.assertEqual(sections["Graphics driver"]["Status"],
                         "not available (status -2: the driver library cannot be loaded)")
        self.assertNotIn("GPU 1", sections)
        self.assertIn("Memory", sections)

    def test_it_is_a_gui_subsystem_program_so_the_shell_opens_no_console_for_it(self):
        image = COLLECTOR.read_bytes()
        header = int.from_bytes(image[0x3C:0x40], "little")
        self.assertEqual(image[header:header + 4], b"PE\0\0")
        # The subsystem word sits at the same place in 32- and 64-bit optional headers.
        subsystem = int.from_bytes(image[header + 24 + 68:header + 24 + 70], "little")
        self.assertEqual(subsystem, 2, "2 is the Windows GUI subsystem, 3 the console one")

    def test_without_a_report_path_it_prints_its_usage_and_exits_with_2(self):
        for arguments in ([], ["-o"], ["report.txt"], ["-o", "a", "b"]):
            code, errors = self.collect(*arguments)
            self.assertEqual(code, 2, arguments)
            self.assertEqual(errors.strip(), 'usage: Sysdigest.exe -o "<report file>"', arguments)
        self.assertEqual([p.name for p in self.folder.iterdir() if p.name in ("a", "b", "report.txt")], [])


if __name__ == "__main__":
    unittest.main()
