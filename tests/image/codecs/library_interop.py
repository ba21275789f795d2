#!/usr/bin/python3
"""Both directions against real peers (never linked): Pillow writes a file that
we must read as Pillow reads it; we write a file that Pillow and ImageMagick
must read as the picture we started from. Lossy formats carry a tolerance.

usage: library_interop.py TOOL FORMAT...
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image

# extension: (Pillow format or None, mode, tolerance, peers that read our file)
FORMATS = {
    "jpg": ("JPEG", "RGB", 10, ("pillow", "magick")),
    "jpg-grey": ("JPEG", "L", 6, ("pillow", "magick")),
    "tif": ("TIFF", "RGB", 10, ("pillow", "magick")),
    "tif-grey": ("TIFF", "L", 0, ("pillow", "magick")),
    "tif-rgba": ("TIFF", "RGBA", 0, ("pillow", "magick")),
    "tif-bw": ("TIFF", "1", 0, ("pillow", "magick")),
    "tif-pal": ("TIFF", "P", 0, ("pillow", "magick")),
    "jp2": ("JPEG2000", "RGB", 0, ("pillow", "magick")),
    "j2k": ("JPEG2000", "RGB", 0, ("pillow", "magick")),
    "ppm": ("PPM", "RGB", 0, ("pillow", "magick")),
    "pgm": ("PPM", "L", 0, ("pillow", "magick")),
    "pbm": ("PPM", "1", 0, ("pillow", "magick")),
    "ras": (None, "RGB", 0, ("pillow", "magick")),
}


def picture(mode):
    im = Image.new("RGB", (37, 23))
    im.putdata([(x * 6, y * 11, (x + y) * 3) for y in range(23) for x in range(37)])
    if mode == "RGBA":
        im = im.convert("RGBA")
        im.putalpha(Image.linear_gradient("L").resize((37, 23)))
        return im
    if mode == "P":
        return im.quantize(16)
    if mode == "1":
        return im.convert("L").point(lambda v: 255 if v > 100 else 0).convert("1")
    if mode == "L":
        return im.convert("L")
    return im


def rgba_bytes(im):
    return im.convert("RGBA").tobytes() if im.mode in ("RGBA", "P") and "transparency" in im.info or im.mode == "RGBA" \
        else im.convert("RGB").tobytes()


def worst(a, b):
    if len(a) != len(b):
        return 999
    return max((abs(x - y) for x, y in zip(a, b)), default=0)


def main():
    tool = sys.argv[1]
    failures = []
    passed = 0
    with tempfile.TemporaryDirectory() as tmp:
        for key in sys.argv[2:]:
            fmt, mode, tol, peers = FORMATS[key]
            ext = key.split("-")[0]
            pic = picture(mode)
            want = rgba_bytes(pic)
            # They write, we read.
            if fmt:
                theirs = os.path.join(tmp, f"theirs-{key}.{ext}")
                pic.save(theirs, fmt) if ext != "j2k" else pic.save(theirs, fmt, irreversible=False, no_jp2=True)
                back = os.path.join(tmp, f"back-{key}.png" if mode == "RGBA" else f"back-{key}.bmp")
                run = subprocess.run([tool, "convert", theirs, back, "--type", "bmp" if mode != "RGBA" else "tif"],
                                     capture_output=True, text=True)
                if mode == "RGBA":
                    back = back
                if run.returncode != 0:
                    failures.append(f"{key}: we cannot read Pillow's file: {run.stderr.strip()}")
                else:
                    with Image.open(theirs) as ref, Image.open(back) as ours:
                        d = worst(rgba_bytes(ours), rgba_bytes(ref))
                    if d > tol:
                        failures.append(f"{key}: our reading of Pillow's file differs by {d}")
                    else:
                        passed += 1
            # We write, they read.
            src = os.path.join(tmp, f"src-{key}.tif" if mode == "RGBA" else f"src-{key}.bmp")
            pic.save(src, "TIFF" if mode == "RGBA" else "BMP")
            ours = os.path.join(tmp, f"ours-{key}.{ext}")
            run = subprocess.run([tool, "convert", src, ours, "--quality", "95" if tol else "100"],
                                 capture_output=True, text=True)
            if run.returncode != 0:
                failures.append(f"{key}: we cannot write: {run.stderr.strip()}")
                continue
            if "pillow" in peers:
                try:
                    with Image.open(ours) as im:
                        d = worst(rgba_bytes(im) if mode == "RGBA" else im.convert("RGB").tobytes(), want)
                    (failures.append(f"{key}: Pillow reads our file with difference {d}") if d > tol else None)
                    passed += d <= tol
                except Exception as e:
                    failures.append(f"{key}: Pillow cannot read our file: {e}")
            if "magick" in peers:
                kind = "rgba" if mode == "RGBA" else "rgb"
                run = subprocess.run(["/usr/bin/convert", ours, "-depth", "8", f"{kind}:-"], capture_output=True)
                d = worst(run.stdout, want)
                (failures.append(f"{key}: ImageMagick reads our file with difference {d}") if d > tol else None)
                passed += d <= tol
    print(f"{passed} interoperability checks passed")
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
