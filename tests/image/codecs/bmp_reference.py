#!/usr/bin/python3
"""Compares our bitmap reader with a reference decoder (Pillow).

For every sample that the corpus list says we decode, the tool converts it to a
plain bitmap and both that file and the original are decoded by Pillow and, where
Pillow disagrees or cannot read the original, by ImageMagick; our pixels must match
one of them. Two differences are allowed: 16-bit channels are widened by shifting
only (31 -> 248), as our image model specifies, where the references replicate
the high bits (31 -> 255); and malformed files (bad, fail, fuzz sets), where
every reader recovers in its own way, are reported but not judged.

usage: bmp_reference.py VEXMIRA_TOOL CORPUS_DIR BMP_CORPUS_TSV
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image

# Malformed on purpose (mmap_error.bmp gives a pixel offset that points into
# its own palette; we honour the offset as the format says).
MALFORMED = ("/b/", "/bad/", "/fail/", "randomly-modified", "fuzz", "/x/", "lenient", "mmap_error")


def pillow_rgb(path):
    try:
        with Image.open(path) as im:
            im.load()
            return im.convert("RGB").tobytes(), im.size
    except Exception:
        return None


def magick_rgb(path, size):
    # ImageMagick still writes what it read when it warns about a cut file.
    run = subprocess.run(["/usr/bin/convert", path, "-depth", "8", "rgb:-"], capture_output=True)
    if len(run.stdout) != size[0] * size[1] * 3:
        return None
    return run.stdout


def shift_widened(have, want):
    """True when every value equals the reference with its low bits cleared
    (or differs by the reference's own rounding of 1)."""
    return all(-1 <= w - h <= 7 for h, w in zip(have, want))


def main():
    tool, corpus, listing = sys.argv[1:4]
    checked = skipped = 0
    failures, notes = [], []
    with open(listing) as f, tempfile.TemporaryDirectory() as tmp:
        for line in f:
            rel, outcome = line.rstrip("\n").split("\t")[:2]
            if outcome != "ok":
                continue
            src = os.path.join(corpus, rel)
            out = os.path.join(tmp, "out.bmp")
            run = subprocess.run([tool, "convert", src, out], capture_output=True, text=True)
            malformed = any(m in "/" + rel for m in MALFORMED)
            if run.returncode != 0:
                failures.append(f"{rel}: convert failed: {run.stderr.strip()}")
                continue
            ours = pillow_rgb(out)
            if ours is None:
                (notes if malformed else failures).append(f"{rel}: Pillow cannot read our bitmap")
                continue
            have, size = ours
            refs = []
            pil = pillow_rgb(src)
            if pil and pil[1] == size:
                refs.append(("Pillow", pil[0]))
            if not refs or refs[0][1] != have:
                im = magick_rgb(src, size)
                if im:
                    refs.append(("ImageMagick", im))
            if not refs:
                skipped += 1
                continue
            checked += 1
            if any(r == have for _, r in refs) or any(shift_widened(have, r) for _, r in refs):
                continue
            names = " and ".join(n for n, _ in refs)
            diff = min(sum(1 for a, b in zip(have, r) if a != b) for _, r in refs)
            message = f"{rel}: {diff} of {len(have)} channel values differ from {names}"
            (notes if malformed else failures).append(message)
    for n in notes:
        print("note (malformed file, not judged):", n)
    for f in failures:
        print("FAIL", f)
    print(f"compared {checked} files with a reference decoder, {skipped} skipped (no reference reads them), "
          f"{len(failures)} differ")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
