#!/usr/bin/env python3
"""Holds the source tree to its layers: a file includes only its own folder
and the folders below it, and each folder's library links exactly the
libraries of the folders its files include.

    platform -> driver -> state -> settings -> gpu -> ui -> app

Inside app/ the same holds one level down: the window thread's records in
app/ itself, the panels (app/panels) on them, the shell (app/shell) on
both. The shell runs the panels; a panel never includes the shell.

sim/ (the simulated driver) sits beside the product on top of driver/;
tools/ and tests/ may include anything. Prints every violation and exits
with 1 when there is one; with --graph it also prints which folders each
folder's files include.
"""

import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]

LAYERS = ["platform", "driver", "state", "settings", "gpu", "ui", "app"]
# What each folder may include, its own folder included.
ALLOWED = {layer: set(LAYERS[: index + 1]) for index, layer in enumerate(LAYERS)}
ALLOWED["sim"] = {"platform", "driver", "sim"}
# Folders whose library (vt_<folder>) is linked by what includes them.
LIBRARY_FOLDERS = ["driver", "state", "settings", "gpu", "ui", "app"]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"', re.MULTILINE)

# The parts of app/, lowest first; each may include its own and those below.
APP_PARTS = ["app", "app/panels", "app/shell"]
APP_INCLUDE = re.compile(r'^\s*#\s*include\s+"(app/(?:(panels|shell)/)?)[^"/]+"', re.MULTILINE)


def app_part(path):
    relative = path.relative_to(ROOT / "app").parts
    return f"app/{relative[0]}" if len(relative) > 1 and f"app/{relative[0]}" in APP_PARTS else "app"


def included_app_parts(path):
    return {"app/" + sub if sub else "app" for _, sub in APP_INCLUDE.findall(path.read_text(encoding="utf-8"))}


def check_app_parts(problems):
    """Holds app/'s files to its parts; returns which parts each part includes."""
    reach = {part: set() for part in APP_PARTS}
    for path in sources("app"):
        part = app_part(path)
        allowed = set(APP_PARTS[: APP_PARTS.index(part) + 1])
        for used in included_app_parts(path):
            reach[part].add(used)
            if used not in allowed:
                problems.append(f"{path.relative_to(ROOT)} includes {used}/, a part of app/ above its own ({part}/)")
    return reach


def sources(folder):
    for path in sorted((ROOT / folder).rglob("*")):
        if path.suffix in (".h", ".cpp") and path.is_file():
            yield path


def included_folders(path):
    return set(INCLUDE.findall(path.read_text(encoding="utf-8")))


def linked_libraries(folder):
    """The vt_ libraries the folder's own library links, from its CMakeLists.txt."""
    text = (ROOT / folder / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"target_link_libraries\(vt_%s\s+PUBLIC([^)]*)\)" % folder, text)
    if match is None:
        return set()
    return {name for name in match.group(1).split() if name.startswith("vt_")}


def main(arguments):
    problems = []
    reach = {}
    for folder, allowed in ALLOWED.items():
        reach[folder] = set()
        for path in sources(folder):
            # Benchmarks and tools inside a folder are held to the folder's own layer too.
            for used in included_folders(path):
                if used not in ALLOWED and used not in LAYERS:
                    continue  # a folder that is not a layer (generated sources, resources)
                reach[folder].add(used)
                if used not in allowed:
                    problems.append(f"{path.relative_to(ROOT)} includes {used}/, a layer above its own ({folder}/)")
    for folder in LIBRARY_FOLDERS:
        wanted = {f"vt_{used}" for used in reach[folder] - {folder} if used in LAYERS}
        linked = linked_libraries(folder)
        for name in sorted(wanted - linked):
            problems.append(f"vt_{folder} includes {name.removeprefix('vt_')}/ but does not link {name}")
        for name in sorted(linked - wanted):
            problems.append(f"vt_{folder} links {name} but includes nothing of {name.removeprefix('vt_')}/")
    app_reach = check_app_parts(problems)
    if "--graph" in arguments:
        for folder in LAYERS + ["sim"]:
            print(f"{folder} -> {' '.join(sorted(reach[folder] - {folder})) or '(nothing)'}")
        for part in APP_PARTS:
            print(f"{part} -> {' '.join(sorted(app_reach[part] - {part})) or '(nothing)'}")
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} layering problem(s)")
        return 1
    print("layers hold: every include points down, every library links what it includes")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
