#!/usr/bin/python3
"""Compares our readers of a sample set with reference decoders.

For every sample the corpus list says we decode, the tool converts it (frame 0)
to a plain bitmap; Pillow reads that bitmap and the original, and where Pillow
disagrees or cannot read the original, ImageMagick reads the original. Our
pixels must match one of them within the stated tolerance (lossy formats are
decoded by different inverse transforms). Files of the malformed sets are
reported, not judged.

usage: library_reference.py TOOL CORPUS_DIR LIST_TSV TOLERANCE
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image

MALFORMED = ("fuzz", "regression", "bad", "broken", "corrupt", "invalid", "truncated", "crash", "imagetestsuite")


def pillow_rgb(path, first_band=False):
    try:
        with Image.open(path) as im:
            im.load()
            if first_band:
                # Our reader shows each component as a grey frame; frame 0 is the first.
                return im.getchannel(0).convert("RGB").tobytes(), im.size, None
            if im.mode in ("RGBA", "RGBa", "LA", "La", "PA"):
                # Colour under low alpha is not comparable after premultiplication.
                rgba = im.convert("RGBA").tobytes()
                return im.convert("RGB").tobytes(), im.size, [a < 128 for a in rgba[3::4]]
            return im.convert("RGB").tobytes(), im.size, None
    except Exception:
        return None


def magick_rgb(path, size):
    run = subprocess.run(["/usr/bin/convert", path + "[0]", "-depth", "8", "rgb:-"], capture_output=True)
    if len(run.stdout) != size[0] * size[1] * 3:
        return None
    return run.stdout


def masked(rgb, hidden):
    """The colour with pixels of low alpha blanked out."""
    out = bytearray(rgb)
    for i, h in enumerate(hidden):
        if h:
            out[3 * i:3 * i + 3] = b"\0\0\0"
    return bytes(out)


def worst(a, b):
    return max((abs(x - y) for x, y in zip(a, b)), default=0)


def main():
    tool, corpus, listing, tolerance = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    checked = unjudged = 0
    failures, notes = [], []
    with open(listing) as f, tempfile.TemporaryDirectory() as tmp:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            rel, outcome = fields[:2]
            if outcome != "ok":
                continue
            src = os.path.join(corpus, rel)
            out = os.path.join(tmp, "out.bmp")
            run = subprocess.run([tool, "convert", src, out], capture_output=True, text=True)
            if run.returncode != 0:
                failures.append(f"{rel}: convert failed: {run.stderr.strip()}")
                continue
            ours = pillow_rgb(out)
            malformed = any(m in rel.lower() for m in MALFORMED)
            have, size = ours[0], ours[1]
            refs = []
            component_frames = outcome == "ok" and fields[3] == "8" and int(fields[4]) > 1 and \
                os.path.splitext(rel)[1].lower() in (".jp2", ".j2k", ".jpc", ".j2c", ".jph", ".jhc")
            pil = pillow_rgb(src, component_frames)
            if pil and pil[1] == size:
                ref = pil[0]
                if pil[2]:
                    have, ref = masked(have, pil[2]), masked(ref, pil[2])
                refs.append(("Pillow", ref))
            if not component_frames and (not refs or worst(refs[0][1], have) > tolerance):
                im = magick_rgb(src, size)
                if im:
                    refs.append(("ImageMagick", im))
            if not refs:
                unjudged += 1
                notes.append(f"{rel}: no reference decoder reads it")
                continue
            best = min(worst(r[1], have) for r in refs)
            if best <= tolerance:
                checked += 1
            elif malformed:
                unjudged += 1
                notes.append(f"{rel}: malformed; differs by up to {best}")
            else:
                failures.append(f"{rel}: differs from {', '.join(r[0] for r in refs)} by up to {best}")
    print(f"{checked} samples match a reference decoder; {unjudged} not judged")
    for n in notes:
        print("note", n)
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
