#!/usr/bin/env python3
"""Builds what a Windows user downloads: a portable zip per width and the
per-user installer, from the two Windows builds.

    scripts/package.py [--build BUILD] [--dist DIST] [--makensis MAKENSIS]

The version comes from the build's generated resources/ProductVersion.h, so
the top CMakeLists.txt stays its one home. Each program is shipped stripped;
the zips' entries carry one fixed time (SOURCE_DATE_EPOCH, else the newest
input's), so the same builds give the same bytes.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]

# Each width's build folder, the strip of its toolchain and the zip's suffix.
WIDTHS = {
    "win32": ("windows", "i686-w64-mingw32-strip"),
    "win64": ("windows64", "x86_64-w64-mingw32-strip"),
}

# What a package holds: its path inside the package, where the build puts
# it, and whether it is a program (stripped when staged).
CONTENTS = [
    ("Vantrelis.exe", "bin/Vantrelis.exe", True),
    ("VantrelisGuard.exe", "bin/VantrelisGuard.exe", True),
    ("Sysdigest.exe", "tools/Sysdigest.exe", True),
    ("skin/imgTemp", "skin/imgTemp", False),
]
README = "README.txt"
INSTALLER_SCRIPT = ROOT / "packaging" / "Vantrelis.nsi"


def product_version(build):
    header = (build / "windows" / "resources" / "ProductVersion.h").read_text()
    match = re.search(r'#define VT_VERSION_TEXT "([0-9.]+)"', header)
    if not match:
        sys.exit("package: no VT_VERSION_TEXT in the 32-bit build's ProductVersion.h")
    return match.group(1)


def readme_text(version, width):
    """The package's README: UTF-8 with a byte-order mark and CR LF, as Notepad reads it everywhere."""
    text = (ROOT / "packaging" / README).read_text(encoding="utf-8")
    text = text.replace("@VERSION@", version).replace("@WIDTH@", width)
    return b"\xef\xbb\xbf" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def stage(build, width, version, staging):
    """Copies one width's files into staging/<width>; returns that folder."""
    folder_name, strip = WIDTHS[width]
    out = staging / width
    shutil.rmtree(out, ignore_errors=True)
    for name, built, is_program in CONTENTS:
        source = build / folder_name / built
        if not source.is_file():
            sys.exit(f"package: missing build output {source}")
        target = out / name
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, target)
        if is_program:
            subprocess.run([strip, "--strip-debug", "--strip-unneeded", str(target)], check=True)
    (out / README).write_bytes(readme_text(version, width))
    return out


def entry_time(sources):
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    seconds = int(epoch) if epoch else max(int(path.stat().st_mtime) for path in sources)
    # A zip's times start in 1980 and carry even seconds only.
    return time.gmtime(max(seconds, 315532800))[:6]


def write_zip(folder, top, path, when):
    """The staged folder as one zip whose entries sit under the folder `top`."""
    files = sorted(p for p in folder.rglob("*") if p.is_file())
    path.unlink(missing_ok=True)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for file in files:
            info = zipfile.ZipInfo(f"{top}/{file.relative_to(folder).as_posix()}", date_time=when)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            archive.writestr(info, file.read_bytes())


def write_side_picture(version, path):
    """The installer's welcome and finish pages' picture: the product icon and name on the skin's dark blue."""
    icon = path.with_suffix(".icon.png")
    subprocess.run(["rsvg-convert", "-w", "96", "-h", "96", str(ROOT / "skin" / "src" / "icons" / "icon161.svg"),
                    "-o", str(icon)], check=True)
    subprocess.run(["convert", "-size", "164x314", "gradient:#222c3c-#0b0f16",
                    str(icon), "-gravity", "north", "-geometry", "+0+64", "-composite",
                    "-font", "Liberation-Sans-Bold", "-pointsize", "20", "-fill", "white",
                    "-annotate", "+0+178", "Vantrelis",
                    "-font", "Liberation-Sans", "-pointsize", "12", "-fill", "#8fa3bf",
                    "-annotate", "+0+206", f"Ver.{version}",
                    "-type", "TrueColor", f"BMP3:{path}"], check=True)
    return path


def write_installer(makensis, version, staged, output, icon, picture, target=None):
    major, minor = (version.split(".") + ["0"])[:2]
    command = [makensis, "-V2", "-INPUTCHARSET", "UTF8", *([f"-DTARGET={target}"] if target else []),
               f"-DPICTURE={picture}",
               f"-DVERSION={version}", f"-DVERSION_QUAD={major}.{minor}.0.0",
               f"-DSTAGE32={staged['win32']}", f"-DSTAGE64={staged['win64']}",
               f"-DICON={icon}", f"-DOUTFILE={output}", str(INSTALLER_SCRIPT)]
    subprocess.run(command, check=True)
    return output


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", type=Path, default=ROOT / "build")
    parser.add_argument("--dist", type=Path, default=ROOT / "dist")
    parser.add_argument("--makensis", default="makensis")
    options = parser.parse_args()
    build, dist = options.build.resolve(), options.dist.resolve()
    version = product_version(build)
    staging = build / "packages"
    dist.mkdir(parents=True, exist_ok=True)

    staged = {width: stage(build, width, version, staging) for width in WIDTHS}
    for width, folder in staged.items():
        name = f"Vantrelis-{version}-{width}"
        sources = [build / WIDTHS[width][0] / built for _, built, _ in CONTENTS]
        write_zip(folder, name, dist / f"{name}.zip", entry_time(sources))
        print(f"package: {dist / (name + '.zip')}")
    icon = build / "windows" / "skin" / "icons" / "icon161.ico"
    picture = write_side_picture(version, staging / "side.bmp")
    setup = dist / f"Vantrelis-{version}-setup.exe"
    print(f"package: {write_installer(options.makensis, version, staged, setup, icon, picture)}")
    # Never shipped: the end-to-end tests run it where 32-bit programs cannot run.
    write_installer(options.makensis, version, staged, staging / f"setup-{version}-amd64.exe", icon, picture,
                    "amd64-unicode")


if __name__ == "__main__":
    main()
