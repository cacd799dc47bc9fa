#!/usr/bin/env python3
"""Builds the skin archive, its entry-size table and the application icons.

    python3 skin/pack.py --out DIR

Every archive entry is an SVG under skin/src/ listed in skin/src/entries.txt
with its exact pixel size. Each one is rendered to PNG with rsvg-convert, every
byte is stored as (byte + 1) mod 256, and the 100 entries are concatenated in
number order into DIR/imgTemp. DIR/SkinEntrySizes.cpp carries the entry
lengths for the program; DIR/icons/icon161.ico .. icon164.ico hold the
application icons at 16, 32 and 48 px.

The run checks its own output (every entry decodes as a PNG of its listed
size, the archive length is the sum of the sizes, the icons hold the three
sizes) and exits non-zero with a message on any missing source, failed render
or failed check, leaving no partial output behind, so a broken skin fails the
build instead of shipping.
"""

import argparse
import collections
import concurrent.futures
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SRC = os.path.join(HERE, "src")
MANIFEST = os.path.join(SRC, "entries.txt")
ENTRY_COUNT = 100
ICONS = (161, 162, 163, 164)
ICON_SIZES = (16, 32, 48)
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
# Chunks that would make the archive differ from build to build.
VOLATILE_CHUNKS = {b"tIME", b"tEXt", b"zTXt", b"iTXt"}

ENCODE = bytes((b + 1) % 256 for b in range(256))
DECODE = bytes((b - 1) % 256 for b in range(256))


class PackError(Exception):
    pass


# --- manifest -----------------------------------------------------------------

WINDOW_W, WINDOW_H = 640, 650

Entry = collections.namedtuple("Entry", "number width height source positions use")


def read_manifest(path=None):
    """The 100 entries of the entry list, in number order.

    A line reads: ENTRY WIDTHxHEIGHT SOURCE @X,Y[;X,Y...] USE, or '-' instead
    of the positions for an entry the program never shows. Every listed
    position must keep the image inside the window.
    """
    path = path or MANIFEST
    if not os.path.isfile(path):
        raise PackError(f"entry list missing: {path}")
    rows = {}
    with open(path, encoding="utf-8") as f:
        for lineno, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            where = f"{path}:{lineno}"
            m = re.match(r"^(\d+)\s+(\d+)x(\d+)\s+(\S+)\s+(-|@\S+)\s*(.*)$", line)
            if not m:
                raise PackError(f"{where}: expected 'ENTRY WxH SOURCE @X,Y USE', got: {line}")
            number, w, h = int(m.group(1)), int(m.group(2)), int(m.group(3))
            if number >= ENTRY_COUNT:
                raise PackError(f"{where}: entry {number} is outside 0..{ENTRY_COUNT - 1}")
            if number in rows:
                raise PackError(f"{where}: entry {number} is listed twice")
            if w <= 0 or h <= 0:
                raise PackError(f"{where}: entry {number} has an empty size {w}x{h}")
            positions = []
            if m.group(5) != "-":
                for item in m.group(5)[1:].split(";"):
                    pm = re.fullmatch(r"(-?\d+),(-?\d+)", item)
                    if not pm:
                        raise PackError(f"{where}: bad position '{item}' (expected X,Y)")
                    x, y = int(pm.group(1)), int(pm.group(2))
                    if x < 0 or y < 0 or x + w > WINDOW_W or y + h > WINDOW_H:
                        raise PackError(f"{where}: entry {number} ({w}x{h}) at ({x}, {y}) reaches outside "
                                        f"the {WINDOW_W} x {WINDOW_H} window")
                    positions.append((x, y))
            rows[number] = Entry(number, w, h, os.path.join(os.path.dirname(path), m.group(4)),
                                 tuple(positions), m.group(6))
    missing = [i for i in range(ENTRY_COUNT) if i not in rows]
    if missing:
        raise PackError(f"{path}: no source listed for entries {missing}")
    return [rows[i] for i in range(ENTRY_COUNT)]


def svg_size(path):
    """The width and height an SVG file declares on its root element."""
    try:
        root = ET.parse(path).getroot()
    except (ET.ParseError, OSError) as e:
        raise PackError(f"{path}: not a readable SVG file: {e}")
    if not root.tag.endswith("svg"):
        raise PackError(f"{path}: root element is <{root.tag}>, not <svg>")
    try:
        return int(root.get("width", "")), int(root.get("height", ""))
    except ValueError:
        raise PackError(f"{path}: the <svg> element needs integer width and height in pixels")


def check_sources(rows):
    """Every source exists and declares the size the entry list asks for."""
    for e in rows:
        if not os.path.isfile(e.source):
            raise PackError(f"entry {e.number}: source missing: {e.source}")
        declared = svg_size(e.source)
        if declared != (e.width, e.height):
            raise PackError(f"entry {e.number}: {e.source} declares {declared[0]}x{declared[1]}, "
                            f"the entry list says {e.width}x{e.height}")


FONT_PACKAGES = {"IPAPGothic": "fonts-ipafont-gothic", "Liberation Sans": "fonts-liberation"}


def used_fonts(paths):
    """{font family: first source using it} over the given SVG files."""
    found = {}
    for path in paths:
        with open(path, encoding="utf-8") as f:
            for family in re.findall(r'font-family="([^"]+)"', f.read()):
                found.setdefault(family.split(",")[0].strip().strip("'"), path)
    return found


def installed_fonts():
    try:
        p = subprocess.run(["fc-list", "--format", "%{family}\n"], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    except OSError as e:
        raise PackError(f"cannot run fc-list to check the fonts: {e}")
    return {name.strip() for line in p.stdout.decode("utf-8", "replace").splitlines() for name in line.split(",")}


def check_fonts(used, installed):
    """A missing font makes rsvg-convert fall back silently, so Japanese help
    texts would ship as empty boxes; refuse to pack instead."""
    for family, path in sorted(used.items()):
        if family not in installed:
            package = FONT_PACKAGES.get(family, "the package that provides it")
            raise PackError(f"font '{family}' used by {os.path.basename(path)} is not installed ({package})")


def icon_sources(num):
    """(size, svg) pairs for one icon group: a heavier 16 px drawing, the 48 px one for 32 and 48."""
    small = os.path.join(SRC, "icons", f"icon{num}-16.svg")
    large = os.path.join(SRC, "icons", f"icon{num}.svg")
    return [(16, small), (32, large), (48, large)]


# --- PNG checks ---------------------------------------------------------------

def png_info(data, what):
    """Validates a whole PNG file and returns (width, height).

    Walks every chunk with its CRC, requires 8-bit RGB or RGBA without
    interlacing (rsvg-convert writes RGB for fully opaque drawings), inflates
    the image data and checks that it holds exactly one filtered row per
    scanline, and rejects time or text chunks, which would make the archive
    change between builds.
    """
    if not data.startswith(PNG_SIGNATURE):
        raise PackError(f"{what}: not a PNG file")
    pos, ihdr, idat, seen_end = 8, None, [], False
    while pos < len(data):
        if pos + 8 > len(data):
            raise PackError(f"{what}: truncated chunk header at byte {pos}")
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if len(body) != length or pos + 12 + length > len(data):
            raise PackError(f"{what}: chunk {kind!r} runs past the end of the file")
        crc, = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) != crc:
            raise PackError(f"{what}: bad CRC in chunk {kind!r}")
        if kind in VOLATILE_CHUNKS:
            raise PackError(f"{what}: carries a {kind.decode()} chunk; the archive would not be reproducible")
        if ihdr is None and kind != b"IHDR":
            raise PackError(f"{what}: first chunk is {kind!r}, not IHDR")
        if kind == b"IHDR":
            if length != 13:
                raise PackError(f"{what}: IHDR chunk is {length} bytes, not 13")
            ihdr = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            seen_end = True
            pos += 12 + length
            break
        pos += 12 + length
    if not seen_end:
        raise PackError(f"{what}: no IEND chunk")
    if pos != len(data):
        raise PackError(f"{what}: {len(data) - pos} stray bytes after IEND")
    width, height, depth, colour, _, _, interlace = ihdr
    channels = {2: 3, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace != 0:
        raise PackError(f"{what}: expected 8-bit RGB or RGBA without interlacing, got depth {depth}, "
                        f"colour type {colour}, interlace {interlace}")
    try:
        raw = zlib.decompress(b"".join(idat))
    except zlib.error as e:
        raise PackError(f"{what}: image data does not inflate: {e}")
    stride = 1 + channels * width
    if len(raw) != stride * height:
        raise PackError(f"{what}: image data holds {len(raw)} bytes, {stride * height} expected")
    if any(raw[r * stride] > 4 for r in range(height)):
        raise PackError(f"{what}: unknown row filter")
    return width, height


def ico_check(data, what):
    """An .ico with exactly one image per size in ICON_SIZES, each of its declared size."""
    if len(data) < 6:
        raise PackError(f"{what}: too short for an icon file")
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    if reserved != 0 or kind != 1:
        raise PackError(f"{what}: not an icon file")
    sizes = []
    for i in range(count):
        d = data[6 + 16 * i:6 + 16 * (i + 1)]
        if len(d) != 16:
            raise PackError(f"{what}: directory entry {i} truncated")
        w, h, _, _, _, _, size, offset = struct.unpack("<BBBBHHII", d)
        w, h = w or 256, h or 256
        img = data[offset:offset + size]
        if len(img) != size:
            raise PackError(f"{what}: image {i} runs past the end of the file")
        if img.startswith(PNG_SIGNATURE):
            dims = png_info(img, f"{what} image {i}")
        else:
            if size < 40:
                raise PackError(f"{what}: image {i} too short for a bitmap header")
            bw, bh = struct.unpack("<ii", img[4:12])
            dims = (bw, bh // 2)  # an icon bitmap's height counts colour and mask
        if dims != (w, h):
            raise PackError(f"{what}: image {i} is {dims[0]}x{dims[1]}, directory says {w}x{h}")
        sizes.append(w)
    if sorted(sizes) != sorted(ICON_SIZES):
        raise PackError(f"{what}: holds sizes {sorted(sizes)}, expected {list(ICON_SIZES)}")


# --- rendering ----------------------------------------------------------------

def run(cmd, what):
    try:
        p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    except OSError as e:
        raise PackError(f"{what}: cannot run {cmd[0]}: {e}")
    if p.returncode != 0:
        msg = p.stderr.decode("utf-8", "replace").strip()
        raise PackError(f"{what}: {os.path.basename(cmd[0])} failed (exit {p.returncode}): {msg}")


def render(rsvg, src, w, h, dest):
    run([rsvg, "--format=png", f"--width={w}", f"--height={h}", f"--output={dest}", src], src)
    with open(dest, "rb") as f:
        data = f.read()
    got = png_info(data, f"render of {src}")
    if got != (w, h):
        raise PackError(f"render of {src}: came out {got[0]}x{got[1]}, expected {w}x{h}")
    return data


def render_entries(rows, rsvg, tmp, jobs):
    """PNG bytes of every entry, rendering each distinct source and size once."""
    jobs_by_key = {}
    for e in rows:
        jobs_by_key.setdefault((e.source, e.width, e.height), os.path.join(tmp, f"entry{e.number:03d}.png"))
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        futures = {k: pool.submit(render, rsvg, k[0], k[1], k[2], dest) for k, dest in jobs_by_key.items()}
        pngs = {k: f.result() for k, f in futures.items()}
    return [pngs[(e.source, e.width, e.height)] for e in rows]


def build_icon(num, rsvg, convert, tmp):
    pngs = []
    for size, src in icon_sources(num):
        if not os.path.isfile(src):
            raise PackError(f"icon {num}: source missing: {src}")
        dest = os.path.join(tmp, f"icon{num}-{size}.png")
        render(rsvg, src, size, size, dest)
        pngs.append(dest)
    ico = os.path.join(tmp, f"icon{num}.ico")
    # -strip keeps ImageMagick from writing dates or comments into the file.
    run([convert, *pngs, "-strip", ico], f"icon {num}")
    with open(ico, "rb") as f:
        data = f.read()
    ico_check(data, f"icon{num}.ico")
    return data


# --- archive --------------------------------------------------------------------

def sizes_source(sizes):
    values = ", ".join(f"{s}u" for s in sizes)
    return ("// Generated by skin/pack.py; do not edit.\n"
            "#include \"ui/SkinEntrySizes.h\"\n"
            "namespace vt {\n"
            f"const std::uint32_t SkinEntrySizes[SkinEntryCount] = {{ {values} }};  // {len(sizes)} values\n"
            "}\n")


def check_archive(archive, sizes_cpp, rows):
    """Reads the packed outputs back the way the program does and checks every entry."""
    sizes = [int(v) for v in re.findall(r"(\d+)u\b", sizes_cpp)]
    if len(sizes) != ENTRY_COUNT:
        raise PackError(f"SkinEntrySizes.cpp holds {len(sizes)} sizes, expected {ENTRY_COUNT}")
    if len(archive) != sum(sizes):
        raise PackError(f"imgTemp is {len(archive)} bytes, the sizes add up to {sum(sizes)}")
    offset = 0
    for e, size in zip(rows, sizes):
        if size == 0 or size > 0xFFFFFFFF:
            raise PackError(f"entry {e.number}: size {size} does not fit the table")
        plain = archive[offset:offset + size].translate(DECODE)
        got = png_info(plain, f"imgTemp entry {e.number}")
        if got != (e.width, e.height):
            raise PackError(f"imgTemp entry {e.number}: decodes as {got[0]}x{got[1]}, "
                            f"expected {e.width}x{e.height}")
        offset += size


def outputs(out):
    return ([os.path.join(out, "imgTemp"), os.path.join(out, "SkinEntrySizes.cpp")]
            + [os.path.join(out, "icons", f"icon{n}.ico") for n in ICONS])


def pack(out, rsvg, convert, jobs):
    # A failed run must not leave old outputs that look up to date to the build.
    for path in outputs(out):
        if os.path.exists(path):
            os.remove(path)
    rows = read_manifest()
    check_sources(rows)
    icon_files = [src for num in ICONS for _, src in icon_sources(num)]
    check_fonts(used_fonts([e.source for e in rows] + [f for f in icon_files if os.path.isfile(f)]),
                installed_fonts())
    os.makedirs(os.path.join(out, "icons"), exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="skin-pack-") as tmp:
        pngs = render_entries(rows, rsvg, tmp, jobs)
        with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
            icons = list(pool.map(lambda n: build_icon(n, rsvg, convert, tmp), ICONS))
    archive = b"".join(p.translate(ENCODE) for p in pngs)
    sizes_cpp = sizes_source([len(p) for p in pngs])
    check_archive(archive, sizes_cpp, rows)

    staged = [(archive, "imgTemp"), (sizes_cpp.encode("ascii"), "SkinEntrySizes.cpp")]
    staged += [(data, os.path.join("icons", f"icon{n}.ico")) for n, data in zip(ICONS, icons)]
    for data, rel in staged:
        dest = os.path.join(out, rel)
        tmp_path = dest + ".part"
        with open(tmp_path, "wb") as f:
            f.write(data)
        os.replace(tmp_path, dest)
    return len(archive)


def markdown_table(rows):
    """The entry table of skin/README.md, from the entry list."""
    out = ["| Entry | Use | Window position | Size (px) | Source |", "|---:|---|---|---|---|"]
    for e in rows:
        where = ", ".join(f"({x}, {y})" for x, y in e.positions) or "not shown"
        out.append(f"| {e.number} | {e.use} | {where} | {e.width} x {e.height} | "
                   f"`{os.path.relpath(e.source, SRC)}` |")
    return "\n".join(out)


def main(argv=None):
    ap = argparse.ArgumentParser(description="Render and pack the skin archive, its size table and the icons.")
    ap.add_argument("--out", help="output folder (imgTemp, SkinEntrySizes.cpp, icons/)")
    ap.add_argument("--rsvg-convert", default=None, help="rsvg-convert to use (default: from PATH)")
    ap.add_argument("--convert", default=None, help="ImageMagick convert to use (default: from PATH)")
    ap.add_argument("--jobs", type=int, default=max(2, os.cpu_count() or 2), help="parallel renders")
    ap.add_argument("--print-table", action="store_true", help="print the README entry table and exit")
    args = ap.parse_args(argv)
    try:
        if args.print_table:
            print(markdown_table(read_manifest()))
            return 0
        if not args.out:
            ap.error("--out is required")
        rsvg = args.rsvg_convert or shutil.which("rsvg-convert")
        convert = args.convert or shutil.which("convert")
        if not rsvg:
            raise PackError("rsvg-convert not found (Debian package librsvg2-bin)")
        if not convert:
            raise PackError("ImageMagick convert not found (Debian package imagemagick)")
        total = pack(os.path.abspath(args.out), rsvg, convert, max(1, args.jobs))
    except PackError as e:
        print(f"pack.py: error: {e}", file=sys.stderr)
        return 1
    print(f"pack.py: {ENTRY_COUNT} entries, {total} bytes in {os.path.join(args.out, 'imgTemp')}; "
          f"{len(ICONS)} icons")
    return 0


if __name__ == "__main__":
    sys.exit(main())
