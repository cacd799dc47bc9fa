"""What a Windows user downloads: the portable zips and the per-user installer.

scripts/test.sh builds them with scripts/package.sh into VT_DIST before the
end-to-end tests run. The installer's tests run it in a Wine prefix of their
own, made for them, so that nothing an earlier test left there counts.
"""

import os
import re
import shutil
import struct
import subprocess
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

import harness
from harness import Program, log_text, wait_until, window_state
from shortcut import read_shortcut

ROOT = Path(__file__).resolve().parents[2]
DIST = Path(os.environ.get("VT_DIST", ROOT / "dist"))


def product_version():
    header = (harness.BUILD / "windows" / "resources" / "ProductVersion.h").read_text()
    return re.search(r'#define VT_VERSION_TEXT "([0-9.]+)"', header).group(1)


VERSION = product_version()
PACKAGE_FILES = ["README.txt", "Sysdigest.exe", "Vantrelis.exe", "VantrelisGuard.exe", "skin/imgTemp"]
PROGRAMS = ["Sysdigest.exe", "Vantrelis.exe", "VantrelisGuard.exe"]
MACHINE = {"win32": 0x14C, "win64": 0x8664}


def pe_machine(data):
    header, = struct.unpack_from("<I", data, 0x3C)
    if data[header:header + 4] != b"PE\0\0":
        raise AssertionError("not a Windows program")
    return struct.unpack_from("<H", data, header + 4)[0]


def unzip(path, into):
    with zipfile.ZipFile(path) as archive:
        archive.extractall(into)


class PortablePackageTest(unittest.TestCase):

    def test_each_zip_holds_exactly_its_files_under_one_folder(self):
        for width, machine in MACHINE.items():
            with self.subTest(width=width):
                name = f"Vantrelis-{VERSION}-{width}"
                with zipfile.ZipFile(DIST / f"{name}.zip") as archive:
                    self.assertEqual(sorted(archive.namelist()), [f"{name}/{file}" for file in PACKAGE_FILES])
                    for program in PROGRAMS:
                        self.assertEqual(pe_machine(archive.read(f"{name}/{program}")), machine, program)
                    self.assertEqual(archive.read(f"{name}/skin/imgTemp"), harness.SKIN.read_bytes())
                    readme = archive.read(f"{name}/README.txt")
                self.assertTrue(readme.startswith(b"\xef\xbb\xbf"), "a byte-order mark, so Notepad reads UTF-8")
                self.assertNotIn(b"\n", readme.replace(b"\r\n", b""), "CR LF line ends only")
                text = readme.decode("utf-8-sig")
                self.assertTrue(text.startswith(f"Vantrelis {VERSION} ({width})\r\n"))
                self.assertLess(text.index("起動のしかた"), text.index("Starting it"), "Japanese first")
                for folder in ("profile\\", "history\\", "log\\"):
                    self.assertEqual(text.count(folder), 2, f"both languages say where {folder} lives")

    def test_the_program_starts_from_the_unzipped_folder_and_keeps_its_files_there(self):
        loaders = {"win64": harness.WINE64}
        if harness.ROAD == "32":
            loaders["win32"] = harness.WINE
        for width, loader in loaders.items():
            with self.subTest(width=width):
                unpacked = Path(tempfile.mkdtemp(prefix="vantrelis-zip-"))
                self.addCleanup(shutil.rmtree, unpacked, ignore_errors=True)
                unzip(DIST / f"Vantrelis-{VERSION}-{width}.zip", unpacked)
                folder = unpacked / f"Vantrelis-{VERSION}-{width}"
                program = Program(folder, loader).start()
                self.addCleanup(program.stop)
                self.assertTrue(wait_until(lambda: "gpu0.graphicsDelta" in program.sim_state(), timeout=10))
                program.press_escape()
                self.assertEqual(program.wait_for_exit(15), 0)
                self.assertTrue((folder / "profile" / "profile.cfg").is_file())
                self.assertIn("--- start application ", log_text(folder))


# --- the installer ----------------------------------------------------------------

# Where no 32-bit program runs, the same installer script built as a 64-bit program
# (scripts/package.py leaves it beside its staging folders) stands in for the shipped one.
if harness.ROAD == "32":
    SETUP, SETUP_LOADER = DIST / f"Vantrelis-{VERSION}-setup.exe", "wine"
else:
    SETUP, SETUP_LOADER = harness.BUILD / "packages" / f"setup-{VERSION}-amd64.exe", harness.WINE64
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrelis"
USER_FILES = ["profile/profile.cfg", "history/history.txt", "log/log.txt"]


def run(command, environment, timeout=120):
    with tempfile.TemporaryFile() as output:
        done = subprocess.run(command, env=environment, stdout=output, stderr=subprocess.STDOUT,
                              stdin=subprocess.DEVNULL, timeout=timeout)
        output.seek(0)
        return done.returncode, output.read().decode("utf-8", "replace")


class InstallerTest(unittest.TestCase):
    """Each test starts with nothing installed in the class's own 64-bit prefix, so the
    installer takes the 64-bit program, as it does on a 64-bit Windows."""

    @classmethod
    def setUpClass(cls):
        cls.prefix = Path(tempfile.mkdtemp(prefix="vantrelis-setup-prefix-"))
        # The window probe and the rest of the harness follow the environment; class
        # clean-ups run even when this set-up fails half way.
        cls.addClassCleanup(shutil.rmtree, cls.prefix, ignore_errors=True)
        saved = os.environ.get("WINEPREFIX")
        cls.addClassCleanup(lambda: os.environ.update(WINEPREFIX=saved) if saved else os.environ.pop("WINEPREFIX"))
        os.environ["WINEPREFIX"] = str(cls.prefix)
        cls.environment = dict(os.environ, WINEDEBUG="-all",
                               # Wine would turn each shortcut into a menu entry of this machine's desktop.
                               WINEDLLOVERRIDES="winemenubuilder.exe=d")
        made = subprocess.run(["bash", "-c", 'source "$0/scripts/lib.sh" && vt_prepare_prefix', str(ROOT)],
                              env=dict(cls.environment, VT_BUILD=str(cls.prefix)), timeout=600)
        if made.returncode != 0:
            raise AssertionError("the installer's Wine prefix could not be made")
        run([harness.WINE64, "reg", "add", r"HKCU\Software\Wine", "/v", "Version", "/d", "win10", "/f"], cls.environment)
        windows = cls.prefix / "drive_c" / "windows"
        # The installer picks the 64-bit program in this prefix; its simulated driver is what it needs.
        shutil.copy(harness.WINDOWS64 / "sim" / "nvapi64.dll", windows / "system32" / "nvapi64.dll")
        user = cls.prefix / "drive_c" / "users" / os.environ.get("USER", "root")
        # Wine links the desktop and the documents to this machine's home folder; a shortcut
        # made there would outlive the prefix.
        for entry in user.iterdir():
            if entry.is_symlink():
                entry.unlink()
                entry.mkdir()
        cls.install = user / "AppData" / "Local" / "Programs" / "Vantrelis"
        cls.shortcuts = {
            "start menu": user / "AppData" / "Roaming" / "Microsoft" / "Windows" / "Start Menu" / "Programs" / "Vantrelis.lnk",
            "desktop": user / "Desktop" / "Vantrelis.lnk",
            "startup": user / "AppData" / "Roaming" / "Microsoft" / "Windows" / "Start Menu" / "Programs" / "StartUp" / "Vantrelis.lnk",
        }

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "-k"], env=cls.environment, check=False)

    def setUp(self):
        shutil.rmtree(self.install, ignore_errors=True)
        for shortcut in self.shortcuts.values():
            shortcut.unlink(missing_ok=True)
        run([harness.WINE64, "reg", "delete", UNINSTALL_KEY, "/f"], self.environment)
        self.programs = []

    def tearDown(self):
        for program in self.programs:
            program.stop()
        subprocess.run(["wineserver", "-w"], env=self.environment, check=False, timeout=60)

    def setup(self, *options):
        code, output = run([SETUP_LOADER, str(SETUP), "/S", *options], self.environment)
        self.assertEqual(code, 0, output)

    def uninstall(self):
        code, output = run([SETUP_LOADER, str(self.install / "Uninstall.exe"), "/S"], self.environment)
        self.assertEqual(code, 0, output)
        # The uninstaller copies itself away and runs from there; the copy ends a moment later.
        self.assertTrue(wait_until(lambda: not (self.install / "Uninstall.exe").exists(), timeout=20))

    def registry_value(self, name):
        code, output = run([harness.WINE64, "reg", "query", UNINSTALL_KEY, "/v", name], self.environment)
        if code != 0:
            return None
        match = re.search(rf"^\s*{name}\s+REG_\w+\s+(.*?)\s*$", output, re.MULTILINE)
        return match.group(1) if match else None

    def start_installed(self, shortcut):
        """Starts the program as Explorer starts a shortcut: the link's target in the link's working folder."""
        link = read_shortcut(shortcut)
        self.assertEqual(link.working_folder.lower(), self.windows_install().lower())
        self.assertEqual(link.target.lower(), (link.working_folder + r"\Vantrelis.exe").lower())
        program = Program(self.install, harness.WINE64)
        self.programs.append(program)
        return program.start()

    def windows_install(self):
        return r"C:\users" + "\\" + os.environ.get("USER", "root") + r"\AppData\Local\Programs\Vantrelis"

    def test_a_silent_install_puts_the_program_its_shortcuts_and_its_entry_in_place(self):
        self.setup("/STARTUP=1")
        for program in PROGRAMS:
            self.assertEqual(pe_machine((self.install / program).read_bytes()), MACHINE["win64"], program)
        self.assertEqual((self.install / "skin" / "imgTemp").read_bytes(), harness.SKIN.read_bytes())
        self.assertTrue((self.install / "Uninstall.exe").is_file())
        self.assertFalse(any((self.install / folder).exists() for folder in ("profile", "history", "log")))
        for where, path in self.shortcuts.items():
            with self.subTest(shortcut=where):
                link = read_shortcut(path)
                self.assertEqual(link.target.lower(), (self.windows_install() + r"\Vantrelis.exe").lower())
                self.assertEqual(link.working_folder.lower(), self.windows_install().lower())
        self.assertEqual(self.registry_value("DisplayVersion"), VERSION)
        self.assertEqual(self.registry_value("DisplayName"), "Vantrelis")
        self.assertEqual(self.registry_value("Publisher"), "Halvenro")
        self.assertEqual(self.registry_value("UninstallString").lower(),
                         f'"{self.windows_install()}\\Uninstall.exe"'.lower())
        self.assertGreater(int(self.registry_value("EstimatedSize"), 16), 1000, "in KB: the programs and the skin")

    def test_the_shortcuts_left_out_are_not_made(self):
        self.setup("/DESKTOP=0")
        self.assertTrue(self.shortcuts["start menu"].is_file())
        self.assertFalse(self.shortcuts["desktop"].exists())
        self.assertFalse(self.shortcuts["startup"].exists(), "starting with Windows is the user's choice")

    def test_a_folder_that_cannot_be_written_is_refused_and_nothing_is_left(self):
        # /proc takes no new folder, whoever asks: the folder a user without rights would meet.
        code, _ = run([SETUP_LOADER, str(SETUP), "/S", r"/D=Z:\proc\Vantrelis"], self.environment)
        self.assertEqual(code, 2, "the installer's own failure code")
        self.assertIsNone(self.registry_value("DisplayVersion"))
        for where, path in self.shortcuts.items():
            self.assertFalse(path.exists(), where)

    def test_the_start_menu_shortcut_starts_the_program_in_the_install_folder(self):
        self.setup()
        program = self.start_installed(self.shortcuts["start menu"])
        self.assertTrue(window_state()["visible"])
        program.press_escape()
        self.assertEqual(program.wait_for_exit(15), 0)
        self.assertTrue((self.install / "profile" / "profile.cfg").is_file())
        self.assertIn("--- start application ", log_text(self.install))

    def test_installing_over_an_install_keeps_the_users_files_byte_for_byte(self):
        self.setup()
        kept = {}
        for index, name in enumerate(USER_FILES):
            path = self.install / name
            path.parent.mkdir(parents=True, exist_ok=True)
            kept[name] = f"[{name}]\r\nVer = 2.10\r\n".encode("ascii") + bytes(range(index, 256))
            path.write_bytes(kept[name])
        (self.install / "Vantrelis.exe").write_bytes(b"an older program")
        self.setup()
        for name, data in kept.items():
            self.assertEqual((self.install / name).read_bytes(), data, name)
        self.assertEqual(pe_machine((self.install / "Vantrelis.exe").read_bytes()), MACHINE["win64"])

    def test_the_installer_closes_a_running_copy_and_waits_for_it(self):
        self.setup()
        program = self.start_installed(self.shortcuts["start menu"])
        self.setup()
        self.assertEqual(program.wait_for_exit(15), 0, "the copy ended through its own shutdown")
        self.assertIn("--- end application ", log_text(self.install))
        self.assertTrue((self.install / "profile" / "profile.cfg").is_file())

    def test_a_silent_uninstall_removes_the_program_and_keeps_the_users_files(self):
        self.setup("/STARTUP=1")
        for name in USER_FILES:
            (self.install / name).parent.mkdir(parents=True, exist_ok=True)
            (self.install / name).write_bytes(name.encode("ascii"))
        self.uninstall()
        for program in PROGRAMS + ["skin/imgTemp"]:
            self.assertFalse((self.install / program).exists(), program)
        for where, path in self.shortcuts.items():
            self.assertFalse(path.exists(), where)
        self.assertIsNone(self.registry_value("DisplayVersion"))
        for name in USER_FILES:
            self.assertEqual((self.install / name).read_bytes(), name.encode("ascii"), name)


if __name__ == "__main__":
    unittest.main()
