#!/usr/bin/env python3
"""Fails unless every source of a 32-bit Windows build is compiled for SSE2 floating point.

The x87 unit keeps float intermediates at extended precision, so a 32-bit
target built without -mfpmath=sse computes other results than the 64-bit and
host builds (one meter segment more at 5 %, for one). Where the machine
cannot run 32-bit programs nothing else would notice; this reads the build's
compile commands instead.

    scripts/check-float-mode.py build/windows/compile_commands.json
"""

import json
import shlex
import sys

REQUIRED = ("-msse2", "-mfpmath=sse")
COMPILED = (".c", ".cc", ".cpp", ".cxx")


def unsound(commands):
    """The files whose command lacks one of the flags, or whose last -mfpmath is not sse."""
    found = []
    for entry in commands:
        words = shlex.split(entry["command"]) if "command" in entry else entry["arguments"]
        modes = [word for word in words if word.startswith("-mfpmath=")]
        if not all(flag in words for flag in REQUIRED) or modes[-1:] != ["-mfpmath=sse"]:
            found.append(entry["file"])
    return found


def main(path):
    with open(path) as stream:
        commands = json.load(stream)
    commands = [entry for entry in commands if entry["file"].endswith(COMPILED)]
    if not commands:
        print(f"float mode: {path} lists no C or C++ sources", file=sys.stderr)
        return 1
    missing = unsound(commands)
    for file in missing:
        print(f"float mode: {file} is not compiled with {' '.join(REQUIRED)}", file=sys.stderr)
    if missing:
        return 1
    print(f"float mode: all {len(commands)} sources of {path} use SSE2")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1]))
