#!/usr/bin/python3
"""Our rendering of placeable Windows metafiles against ImageMagick's (libwmf).

Both are drawn at 96 pixels per inch on white. The two players differ in
anti-aliasing, line widths, font choice and by a pixel in size (ImageMagick
rounds up), so the comparison is coarse and catches blank, misplaced or
mis-scaled drawings: both pictures are shrunk to 1/4 and the mean absolute
difference per channel must stay under a bound, and the boxes around what is
not white must overlap. Files ImageMagick cannot read
are reported and skipped; enhanced metafiles have no reference on Linux.

usage: wmf_reference.py VEXMIRA_TOOL CORPUS_DIR
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image, ImageChops, ImageStat

# Mean absolute difference (0-255) of the shrunk pictures, and the least
# overlap (intersection over union) of the boxes around what is not white.
MAX_MEAN_DIFF = 50.0
MIN_BOX_OVERLAP = 0.6


def ink_box(img):
    return ImageChops.invert(img).getbbox()


def overlap(a, b):
    if not a or not b:
        return 0.0
    ix = max(0, min(a[2], b[2]) - max(a[0], b[0]))
    iy = max(0, min(a[3], b[3]) - max(a[1], b[1]))
    inter = ix * iy
    area = lambda r: (r[2] - r[0]) * (r[3] - r[1])
    return inter / float(area(a) + area(b) - inter)


def main():
    tool, corpus = sys.argv[1], sys.argv[2]
    folder = os.path.join(corpus, "wmf", "libwmf", "examples")
    if not os.path.isdir(folder):
        print("no corpus; skipped")
        return 0
    failures, compared = [], 0
    with tempfile.TemporaryDirectory() as tmp:
        for name in sorted(os.listdir(folder)):
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                if f.read(4) != b"\xd7\xcd\xc6\x9a":
                    continue  # only placeable files have the same size rules everywhere
            ours = os.path.join(tmp, name + ".bmp")
            ref = os.path.join(tmp, name + ".png")
            if subprocess.run([tool, "convert", path, ours], capture_output=True).returncode != 0:
                failures.append(f"{name}: we could not read it")
                continue
            try:
                r = subprocess.run(["/usr/bin/convert", "-density", "96", path, "-background", "white",
                                    "-flatten", ref], capture_output=True, timeout=60)
            except subprocess.TimeoutExpired:
                print(f"{name}: ImageMagick takes too long; skipped")
                continue
            if r.returncode != 0 or not os.path.exists(ref):
                print(f"{name}: ImageMagick cannot render it; skipped")
                continue
            a = Image.open(ours).convert("RGB")
            b = Image.open(ref).convert("RGB")
            if abs(a.width - b.width) > 1 or abs(a.height - b.height) > 1:
                failures.append(f"{name}: have {a.size} want {b.size}")
                continue
            size = (max(1, a.width // 4), max(1, a.height // 4))
            b = b.crop((0, 0, a.width, a.height))
            diff = ImageStat.Stat(ImageChops.difference(a.resize(size, Image.BOX), b.resize(size, Image.BOX))).mean
            mean = sum(diff) / 3
            boxes = overlap(ink_box(a), ink_box(b))
            compared += 1
            print(f"{name}: {a.size[0]}x{a.size[1]} mean difference {mean:.2f}, drawing boxes overlap {boxes:.2f}")
            if mean > MAX_MEAN_DIFF:
                failures.append(f"{name}: mean difference {mean:.2f} above {MAX_MEAN_DIFF}")
            if boxes < MIN_BOX_OVERLAP:
                failures.append(f"{name}: drawing boxes overlap {boxes:.2f} below {MIN_BOX_OVERLAP}")
    for f in failures:
        print("FAIL", f)
    print(f"compared {compared} files")
    return 1 if failures or compared == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
