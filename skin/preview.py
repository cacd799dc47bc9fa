#!/usr/bin/env python3
"""Composes previews of the main window from a packed skin, to judge the art.

    python3 skin/preview.py --skin BUILD/skin --out DIR

Reads imgTemp and SkinEntrySizes.cpp exactly as the program does (sizes from
the table, every byte minus 1), so a preview also proves the archive
round-trips, then lays the entries out at their window positions together
with the texts and lines the program draws itself (sample readings, IPAPGothic
standing in for the program's Meiryo, as under Wine) and renders:

    preview-easy.png      start-up window, Easy Mode, "default" preset chosen
    preview-advanced.png  Advanced Mode, clock-offset page with both sliders
    preview-fancurve.png  Advanced Mode, fan-curve page with the chart
    preview-help.png      Easy Mode with two help images showing

Without --skin the skin is packed into a temporary folder first.
"""

import argparse
import base64
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import pack  # noqa: E402

FONT = "IPAPGothic"
WHITE = (255, 255, 255, 255)


def load_entries(skin):
    with open(os.path.join(skin, "SkinEntrySizes.cpp"), encoding="ascii") as f:
        sizes = [int(v) for v in re.findall(r"(\d+)u\b", f.read())]
    with open(os.path.join(skin, "imgTemp"), "rb") as f:
        archive = f.read()
    if len(sizes) != pack.ENTRY_COUNT or sum(sizes) != len(archive):
        sys.exit("preview.py: archive and size table do not match; run pack.py again")
    entries, offset = [], 0
    for size in sizes:
        entries.append(archive[offset:offset + size].translate(pack.DECODE))
        offset += size
    return entries


class Scene:
    """Widgets in creation order; later ones paint over earlier ones, as in the window."""

    def __init__(self, entries):
        self.entries = entries
        self.items = []

    def img(self, entry, x, y, opacity=1.0):
        w, h = pack.png_info(self.entries[entry], f"entry {entry}")
        data = base64.b64encode(self.entries[entry]).decode("ascii")
        op = "" if opacity >= 1 else f' opacity="{opacity}"'
        self.items.append(f'<image x="{x}" y="{y}" width="{w}" height="{h}"{op} '
                          f'href="data:image/png;base64,{data}"/>')

    def text(self, s, x, y, pt=8, bold=False, align=0, argb=WHITE):
        px = pt * 96 / 72
        a, r, g, b = argb
        anchor = ("start", "middle", "end")[align]
        weight = ' font-weight="bold"' if bold else ""
        lines = [l for l in s.split("\n") if l] or [""]
        spans = "".join(f'<tspan x="{x}" y="{y + 0.92 * px + i * 1.18 * px:.1f}">{esc(l)}</tspan>'
                        for i, l in enumerate(lines))
        self.items.append(f'<text font-family="{FONT}" font-size="{px:.2f}"{weight} text-anchor="{anchor}" '
                          f'fill="rgb({r},{g},{b})" fill-opacity="{a / 255:.3f}" xml:space="preserve">{spans}</text>')

    def line(self, x1, y1, x2, y2, width, argb):
        a, r, g, b = argb
        self.items.append(f'<line x1="{x1}" y1="{y1}" x2="{x2}" y2="{y2}" stroke="rgb({r},{g},{b})" '
                          f'stroke-opacity="{a / 255:.3f}" stroke-width="{width}"/>')

    def svg(self):
        return ('<svg xmlns="http://www.w3.org/2000/svg" width="640" height="650" viewBox="0 0 640 650">\n'
                + "\n".join(self.items) + "\n</svg>\n")


def esc(t):
    return t.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


PRESET_RGB = {0: (229, 6, 6), 1: (44, 164, 222), 2: (141, 194, 31)}


def product_version():
    """The version the project sets once, in its top CMakeLists.txt."""
    with open(os.path.join(HERE, "..", "CMakeLists.txt"), encoding="utf-8") as stream:
        return re.search(r"project\(Vantrelis VERSION ([0-9.]+)", stream.read()).group(1)


def frame_and_monitor(s, preset, sync_on):
    s.img(0, 0, 0)
    s.img(32, 20, 20)
    s.text("Halvenro Vantrelis", 325, 20, 12, True, 1)
    s.text("Ver." + product_version(), 325, 40, 7, True, 1)
    s.text("Halvenro Vantrelis Ver." + product_version(), 550, 620, 7, True, 1, (64, 255, 255, 255))
    s.img(61, 584, 0)
    s.img(59, 554, 0)
    s.text("GPUの選択", 26, 84, 8, True)
    s.text("GPU Information", 214, 84, 8, True)
    s.img(34, 30, 109)
    s.img(35, 220, 109)
    for i, (y, name) in enumerate(zip((129, 162, 193, 223),
                                      ("Reference GPU A", "Reference GPU B", "- empty -", "- empty -"))):
        s.text(name, 42, y, 8, False, 0, (190 if i == 0 else 64, 255, 255, 255))
    rows = [("GPUクロック", 129, "1845.0MHz", 129, 130, 0.82),
            ("メモリークロック", 160, "7000.5MHz", 160, 161, 0.91),
            ("GPU温度", 191, "62℃", 191, 192, 0.62),
            ("GPU使用率", 223, "47％", 223, 224, 0.47),
            ("FAN回転数", 255, "45％\n1480rpm", 250, 256, 0.45)]
    rgb = PRESET_RGB.get(preset)
    for label, ly, value, vy, my, frac in rows:
        s.text(label, 238, ly, 8)
        s.text(value, 414, vy, 8, False, 2)
        fan = my == 256
        for i in range(60):
            lit = i < frac * 60
            if rgb:
                r, g, b = rgb
            elif fan:
                r, g, b = max(204 - 4 * i, 0), 255 - 4 * i, min(80 + 3 * i, 255)
            else:
                r, g, b = min(204 + i, 255), 255 - 4 * i, 0
            s.line(420 + 3 * i, my, 420 + 3 * i, my + 12, 2, (255 if lit else 30, r, g, b))
    s.img(57 if sync_on else 56, 126, 267)
    s.text("SLI-SYNC", 142, 265, 8)


def easy_scene(entries, preset=1, helps=()):
    s = Scene(entries)
    frame_and_monitor(s, preset, True)
    s.text("簡単設定モード", 30, 330, 14)
    s.text("Easy Mode", 32, 354, 8)
    s.img(12, 514, 330)          # Advanced Mode button, normal
    s.img(14, 420, 330)          # Easy Mode button, image state 1
    s.img(36, 30, 393)
    for n, p in ((30, 0), (29, 1), (28, 2)):
        s.img(n, 37, 412, 1.0 if p == preset else 0.0)
    for (normal, pressed), x, p in (((6, 7), 220, 0), ((19, 20), 354, 1), ((3, 4), 489, 2)):
        s.img(pressed if p == preset else normal, x, 392)
    s.img(58, 220, 520)
    for n, p in ((42, 0), (40, 1), (41, 2)):
        s.img(n, 220, 512, 1.0 if p == preset else 0.0)
    s.img(16, 222, 598)
    s.img(8, 342, 598)
    s.img(33, 30, 627, 0.75)
    for n, x, y in helps:
        s.img(n, x, y)
    return s


def advanced_common(s, page):
    frame_and_monitor(s, 3, False)
    s.text("拡張設定モード", 30, 330, 14)
    s.text("Advanced Mode", 32, 354, 8)
    s.img(11, 514, 330)          # Advanced Mode button, image state 1
    s.img(15, 420, 330)          # Easy Mode button, normal
    s.img(96, 30, 392)
    tabs = ("基本設定", "パワー/TEMP ターゲット", "FPSターゲット", "FAN回転数", "FANカーブ")
    for i, (t, y) in enumerate(zip(tabs, (401, 431, 463, 495, 527))):
        s.text(t, 44, y, 8, False, 0, (0xBE if i == page else 0x40, 255, 255, 255))
    s.img(33, 30, 627, 0.75)


def advanced_scene(entries):
    s = Scene(entries)
    advanced_common(s, 0)
    sliders = [(392, 415, 416, 421, 430, 448, 424, "GPUクロックオフセット", -200, 200, 75, True),
               (486, 509, 510, 515, 524, 542, 518, "メモリークロックオフセット", -51, 200, 150, False)]
    for ty, track_y, end_y, knob_y, line_y, label_y, value_y, title, lo, hi, v, ramp in sliders:
        knob = int((v - lo) / (hi - lo) * 241.5 + 16 + 212)
        s.text(title, 228, ty, 8, True)
        s.img(38, 220, track_y)
        s.img(39, 507, end_y)
        s.line(230, line_y, 490, line_y, 10, (255, 0x22, 0x24, 0x27))
        if ramp:
            z = int((0 - lo) / (hi - lo) * 241.5 + 16 + 212)
            h = (knob - z) / (469 - z) * 255
            colour = (255, int(h * 193 / 255), 153 - int(h * 96 / 255), 255 - int(h * 205 / 255))
        else:
            colour = (255, 0, 0x99, 0xFF)
        s.line(230, line_y, knob + 8, line_y, 12, colour)
        s.img(1, knob, knob_y)
        s.text(str(lo), 238, label_y, 8, False, 1)
        s.text(str(hi), 473, label_y, 8, False, 1)
        s.text(f"+{v} MHz", 560, value_y, 8, False, 1)
    s.text("過度のオーバークロックは自己責任で行ってください", 228, 374, 8, False, 0, (128, 255, 0, 0))
    s.img(16, 222, 598)
    s.img(8, 342, 598)
    return s


def fancurve_scene(entries):
    s = Scene(entries)
    advanced_common(s, 4)
    s.img(97, 270, 380)
    grey = (255, 200, 200, 200)
    s.text("温度", 360, 580, 7, False, 0, grey)
    s.text("回転率", 234, 472, 7, False, 0, grey)
    s.text("(100℃)", 434, 580, 7, False, 0, grey)
    s.text("(100％)", 233, 380, 7, False, 0, grey)
    temps, fans = (0, 40, 70, 90, 100), (25, 30, 55, 85, 100)
    pts = [(264 + 2 * t, 574 - 2 * f) for t, f in zip(temps, fans)]
    blue = (255, 0, 0, 255)
    s.line(270, 2 * (290 - fans[0]), pts[1][0] + 5, pts[1][1] + 5, 1, blue)
    for i in (1, 2):
        s.line(pts[i][0] + 6, pts[i][1] + 6, pts[i + 1][0] + 5, pts[i + 1][1] + 5, 1, blue)
    s.line(pts[3][0] + 6, pts[3][1] + 6, 469, 579 - 2 * fans[4], 1, blue)
    for i, (x, y) in enumerate(pts):
        s.img(98 if i in (0, 4) else 99, x, y)
    orange = (255, 255, 0x64, 0x1A)
    for i, ((x, y), t, f) in enumerate(zip(pts, temps, fans)):
        lx, ly = ((x - 58, y - 2) if i == 0 else (x + 14, y - 2) if i == 4 else (x + 10, y + 10))
        s.text(f"{t} ℃, {f} ％", lx, ly, 7, True, 0, orange)
    s.img(16, 222, 598, 0.5)     # apply stays dimmed until a point is dragged
    s.img(8, 342, 598)
    return s


def render(scene, path, rsvg):
    svg_path = path[:-4] + ".svg"
    with open(svg_path, "w", encoding="utf-8") as f:
        f.write(scene.svg())
    subprocess.run([rsvg, "--width=640", "--height=650", f"--output={path}", svg_path], check=True)
    os.remove(svg_path)


def main():
    ap = argparse.ArgumentParser(description="Render previews of the skinned window.")
    ap.add_argument("--skin", help="folder with imgTemp and SkinEntrySizes.cpp (default: pack now)")
    ap.add_argument("--out", required=True, help="folder for the preview PNGs")
    args = ap.parse_args()
    rsvg = pack.shutil.which("rsvg-convert")
    if not rsvg:
        sys.exit("preview.py: rsvg-convert not found (Debian package librsvg2-bin)")
    with tempfile.TemporaryDirectory(prefix="skin-preview-") as tmp:
        skin = args.skin
        if not skin:
            skin = tmp
            if pack.main(["--out", tmp]) != 0:
                return 1
        entries = load_entries(skin)
        os.makedirs(args.out, exist_ok=True)
        scenes = {
            "preview-easy.png": easy_scene(entries),
            "preview-advanced.png": advanced_scene(entries),
            "preview-fancurve.png": fancurve_scene(entries),
            "preview-help.png": easy_scene(entries, 0, helps=((25, 218, 85), (51, 219, 535))),
        }
        for name, scene in scenes.items():
            path = os.path.join(args.out, name)
            render(scene, path, rsvg)
            print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
