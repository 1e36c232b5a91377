#!/usr/bin/env python3
"""Builds the embedded pages and the icon from the sources in this folder.

    make_resources.py          embed art/*.png into pages/*.xhtml -> Zelloading.html.in, ZelError.html
    make_resources.py --draw   first redraw art/*.png and Zel.ico (ImageMagick, fonts-wqy-microhei)
    make_resources.py --check  exit 1 when the committed pages differ from what would be written

The generated files are committed so that a build needs neither Python nor ImageMagick.
Zelloading.html.in keeps the placeholder @ZEL_SERVICE_HOST@ for CMake's configure_file.
"""
import argparse
import base64
import pathlib
import re
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
ART = HERE / "art"
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
BOM = b"\xef\xbb\xbf"

# Source page -> (output file, byte-order mark?). The browser gets the error page from memory
# without a content type, so its mark is what tells it the text is UTF-8.
PAGES = {
    "Zelloading.xhtml": ("Zelloading.html.in", False),
    "ZelError.xhtml": ("ZelError.html", True),
}

# Old Internet Explorer refuses data addresses longer than 32 KiB.
MAX_DATA_URL = 32 * 1024


def convert(*args):
    *operations, output = args
    # No dates in the files, so a redraw with the same ImageMagick gives the same bytes.
    subprocess.run(["convert", *operations, "-strip", "-depth", "8",
                    "-define", "png:exclude-chunks=date,time", output], check=True)


def draw(out_dir):
    out = pathlib.Path(out_dir)
    # Title band picture, drawn on the band's own colour so it needs no transparency.
    convert("-size", "400x120", "xc:#323232",
            "-fill", "#fa694e", "-draw", "roundrectangle 4,12 99,107 18,18",
            "-font", FONT, "-gravity", "NorthWest",
            "-fill", "white", "-pointsize", "66", "-annotate", "+17+16", "泽",
            "-pointsize", "50", "-annotate", "+122+14", "泽米宝",
            "-fill", "#bdbdbd", "-pointsize", "19", "-annotate", "+125+78", "元器件选型 · 一键比价",
            str(out / "title.png"))
    convert("-size", "80x80", "xc:white", "-fill", "#ff5500", "-draw", "circle 40,40 40,2",
            "-fill", "white", "-draw", "roundrectangle 35,16 45,50 5,5", "-draw", "circle 40,61 40,55",
            str(out / "warning.png"))
    convert("-size", "118x32", "xc:white", "-fill", "#ff5500", "-draw", "roundrectangle 0,0 117,31 4,4",
            "-font", FONT, "-pointsize", "15", "-fill", "white", "-gravity", "center",
            "-annotate", "+0+0", "重新加载", str(out / "refresh.png"))
    convert("-size", "85x32", "xc:white", "-fill", "white", "-stroke", "#c8c8c8",
            "-draw", "roundrectangle 0.5,0.5 84.5,31.5 4,4", "-stroke", "none",
            "-font", FONT, "-pointsize", "15", "-fill", "#555555", "-gravity", "center",
            "-annotate", "+0+0", "关闭", str(out / "close.png"))


def draw_icon(path):
    with tempfile.TemporaryDirectory() as tmp:
        frames = []
        for size in (16, 32, 48):
            corner, edge = size // 6, size - 1
            frame = f"{tmp}/icon{size}.png"
            convert("-size", f"{size}x{size}", "xc:none",
                    "-fill", "#fa694e", "-draw", f"roundrectangle 0,0 {edge},{edge} {corner},{corner}",
                    "-font", FONT, "-fill", "white", "-pointsize", str(size * 78 // 100),
                    "-gravity", "center", "-annotate", "+0+0", "泽", frame)
            frames.append(frame)
        subprocess.run(["convert", *frames, str(path)], check=True)


def embed(source_text):
    def data(match):
        png = (ART / match.group(1)).read_bytes()
        text = base64.b64encode(png).decode("ascii")
        if len(text) + 22 > MAX_DATA_URL:
            sys.exit(f"{match.group(1)}: too large for a data address ({len(text)} characters)")
        return text
    return re.sub(r"@@([A-Za-z0-9_.-]+\.png)@@", data, source_text)


def build_pages():
    result = {}
    for source, (target, bom) in PAGES.items():
        text = embed((HERE / "pages" / source).read_text(encoding="utf-8"))
        result[target] = (BOM if bom else b"") + text.encode("utf-8")
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--draw", action="store_true", help="redraw the pictures and the icon first")
    parser.add_argument("--check", action="store_true", help="only compare with the committed pages")
    args = parser.parse_args()
    if args.draw:
        ART.mkdir(exist_ok=True)
        draw(ART)
        draw_icon(HERE / "Zel.ico")
    stale = []
    for target, data in build_pages().items():
        path = HERE / target
        if path.exists() and path.read_bytes() == data:
            continue
        if args.check:
            stale.append(target)
        else:
            path.write_bytes(data)
            print(f"wrote {path}")
    if stale:
        sys.exit("out of date, run resources/make_resources.py: " + ", ".join(stale))


if __name__ == "__main__":
    main()
