#!/usr/bin/python3
"""Both directions against real peers (never linked): Pillow writes a file that
we must read as Pillow reads it; we write a file that Pillow and ImageMagick
must read as the picture we started from, and `info` must name its type.
Lossy formats carry a tolerance.

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
    "tif-pal": ("TIFF", "P", 1, ("pillow", "magick")),
    "jp2": ("JPEG2000", "RGB", 0, ("pillow", "magick")),
    "j2k": ("JPEG2000", "RGB", 0, ("pillow", "magick")),
    "ppm": ("PPM", "RGB", 0, ("pillow", "magick")),
    "pgm": ("PPM", "L", 0, ("pillow", "magick")),
    "pbm": ("PPM", "1", 0, ()),  # bilevel images are not grey-scale: our writer refuses them
    "ras": (None, "RGB", 0, ("pillow", "magick")),
    "ras-grey": (None, "L", 0, ("pillow", "magick")),
    "pgx": (None, "L", 0, ()),
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


def pages(tool, tmp):
    """A three-page TIFF from Pillow through `convert --all-frames`: every page
    survives, in order, for Pillow and ImageMagick."""
    pics = [picture(m) for m in ("RGB", "L", "1")]
    src, out = os.path.join(tmp, "pages-in.tif"), os.path.join(tmp, "pages-out.tif")
    pics[0].save(src, "TIFF", save_all=True, append_images=pics[1:], compression="tiff_lzw")
    run = subprocess.run([tool, "convert", src, out, "--all-frames"], capture_output=True, text=True)
    if run.returncode != 0:
        return [f"tif-pages: convert --all-frames failed: {run.stderr.strip()}"]
    errors = []
    with Image.open(out) as im:
        if im.n_frames != 3:
            errors.append(f"tif-pages: Pillow sees {im.n_frames} pages")
        for i, pic in enumerate(pics[:im.n_frames]):
            im.seek(i)
            d = worst(im.convert("RGB").tobytes(), pic.convert("RGB").tobytes())
            if d > 10:  # the colour page is JPEG-compressed by default
                errors.append(f"tif-pages: page {i} differs by {d}")
    ident = subprocess.run(["/usr/bin/identify", out], capture_output=True, text=True).stdout
    if len(ident.splitlines()) != 3:
        errors.append(f"tif-pages: ImageMagick sees {len(ident.splitlines())} pages")
    return errors


def main():
    tool = sys.argv[1]
    failures = []
    passed = 0
    with tempfile.TemporaryDirectory() as tmp:
        for key in sys.argv[2:]:
            if key == "tif-pages":
                errors = pages(tool, tmp)
                failures += errors
                passed += not errors
                continue
            fmt, mode, tol, peers = FORMATS[key]
            ext = key.split("-")[0]
            pic = picture(mode)
            want = rgba_bytes(pic)
            # They write, we read.
            if fmt:
                theirs = os.path.join(tmp, f"theirs-{key}.{ext}")
                pic.save(theirs, fmt) if ext != "j2k" else pic.save(theirs, fmt, irreversible=False, no_jp2=True)
                # Read back through a lossless file of ours (alpha kept in a TIFF).
                back = os.path.join(tmp, f"back-{key}.tif" if mode == "RGBA" else f"back-{key}.bmp")
                run = subprocess.run([tool, "convert", theirs, back], capture_output=True, text=True)
                if run.returncode != 0:
                    failures.append(f"{key}: we cannot read Pillow's file: {run.stderr.strip()}")
                else:
                    with Image.open(theirs) as ref, Image.open(back) as ours:
                        d = worst(rgba_bytes(ours), rgba_bytes(ref))
                    if d > tol:
                        failures.append(f"{key}: our reading of Pillow's file differs by {d}")
                    else:
                        passed += 1
            if not peers:
                continue
            # We write, they read.
            src = os.path.join(tmp, f"src-{key}.tif" if mode == "RGBA" else f"src-{key}.bmp")
            pic.save(src, "TIFF" if mode == "RGBA" else "BMP")
            ours = os.path.join(tmp, f"ours-{key}.{ext}")
            run = subprocess.run([tool, "convert", src, ours, "--quality", "95" if tol else "100"],
                                 capture_output=True, text=True)
            if run.returncode != 0:
                failures.append(f"{key}: we cannot write: {run.stderr.strip()}")
                continue
            # `info` reports the file we wrote under its type id.
            want_type = {"jpg": 3, "tif": 7, "jp2": 12, "j2k": 12, "ppm": 15, "pgm": 15, "ras": 16}[ext]
            info = subprocess.run([tool, "info", "--json", ours], capture_output=True, text=True)
            if info.returncode != 0 or f'"type": {want_type},' not in info.stdout:
                failures.append(f"{key}: info does not report type {want_type}: {info.stdout[:120]} {info.stderr}")
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
