#!/usr/bin/python3
"""Our readers and writers checked against reference decoders (Pillow, ImageMagick).

usage: format_reference.py VEXMIRA_TOOL CORPUS_DIR FORMAT CORPUS_TSV

1. Corpus: every sample the list says we decode is converted by our tool to PNG
   (which keeps alpha) and to its own format; Pillow reads both, and the pixels
   must equal what Pillow or ImageMagick shows for the sample (first frame).
2. Peers write, we read: Pillow writes small images in every mode the format
   has; our tool converts them to PNG; the pixels must match.
3. We write, peers read: our tool converts those images into the format; Pillow
   and ImageMagick must read the same pixels.

Pixels are compared as RGBA; a fully transparent pixel counts as (0,0,0,0).
Channels may differ by 1 (16-bit samples: we keep the high byte, the peers
round). Gamma is not applied by anyone (ImageMagick is told the samples are sRGB). Malformed samples are reported but not judged.
"""
import io
import os
import subprocess
import sys
import tempfile

from PIL import Image

MALFORMED = ("/b/", "/bad", "/fail/", "crash", "randomly-modified", "fuzz", "/x", "truncated", "corrupt",
             "imagetestsuite", "invalid")
TOLERANCE = 1


def normalise(im):
    if im.mode in ("I", "I;16", "I;16B"):
        # Pillow's own conversion clips 16-bit grey; take the high byte.
        im = im.point(lambda v: v * (1 / 256)).convert("L")
    im = im.convert("RGBA")
    data = bytearray(im.tobytes())
    for i in range(0, len(data), 4):
        if data[i + 3] == 0:
            data[i:i + 4] = b"\0\0\0\0"
    return bytes(data), im.size


def pillow_rgba(path):
    try:
        with Image.open(path) as im:
            im.seek(0)
            im.load()
            return normalise(im)
    except Exception:
        return None


def magick_rgba(path, size):
    run = subprocess.run(["/usr/bin/convert", path + "[0]", "-set", "colorspace", "sRGB", "-depth", "8",
                          "rgba:-"], capture_output=True)
    if len(run.stdout) != size[0] * size[1] * 4:
        return None
    return normalise(Image.frombytes("RGBA", size, run.stdout))[0]


def close(a, b):
    return len(a) == len(b) and all(abs(x - y) <= TOLERANCE for x, y in zip(a, b))


def differing(a, b):
    return sum(1 for x, y in zip(a, b) if abs(x - y) > TOLERANCE)


def tool(exe, *args):
    return subprocess.run([exe, *args], capture_output=True, text=True)


def sample_images():
    """Small test pictures in the modes a format may hold."""
    w, h = 37, 23
    rgb = Image.new("RGB", (w, h))
    rgb.putdata([((x * 7) % 256, (y * 11) % 256, (x * y) % 256) for y in range(h) for x in range(w)])
    rgba = rgb.copy()
    rgba.putalpha(Image.linear_gradient("L").resize((w, h)))
    grey = rgb.convert("L")
    bw = grey.point(lambda v: 255 if v > 100 else 0).convert("1")
    pal = rgb.quantize(200)
    pal16 = rgb.quantize(16)
    pal_t = pal.copy()
    pal_t.info["transparency"] = 3
    return {"RGB": rgb, "RGBA": rgba, "L": grey, "1": bw, "P": pal, "P16": pal16, "P-transparent": pal_t}


# Which sample modes each format can be written in by Pillow, and which our writer takes.
PEER_MODES = {
    "png": ["RGB", "RGBA", "L", "1", "P", "P16", "P-transparent"],
    "gif": ["L", "1", "P", "P16", "P-transparent"],
    "tga": ["RGB", "RGBA", "L", "P"],
    "pcx": ["RGB", "L", "1", "P"],
    "wbmp": [],
}
OUR_MODES = {
    "png": ["RGB", "RGBA", "L", "1", "P", "P16", "P-transparent"],
    "gif": ["RGB", "L", "1", "P", "P16", "P-transparent"],
    "tga": ["RGB", "RGBA", "L", "P"],
    "pcx": ["RGB", "L", "1", "P", "P16"],
    "wbmp": ["1"],
}


def main():
    exe, corpus, fmt, listing = sys.argv[1:5]
    failures, notes = [], []
    checked = skipped = 0
    with tempfile.TemporaryDirectory() as tmp:
        out_png = os.path.join(tmp, "out.png")
        out_own = os.path.join(tmp, "out." + fmt)
        # 1. the corpus
        with open(listing) as f:
            for line in f:
                rel, outcome = line.rstrip("\n").split("\t")[:2]
                if outcome != "ok":
                    continue
                src = os.path.join(corpus, rel)
                malformed = any(m in "/" + rel for m in MALFORMED)
                sink = notes if malformed else failures
                run = tool(exe, "convert", src, out_png)
                if run.returncode != 0:
                    sink.append(f"{rel}: convert to PNG failed: {run.stderr.strip()}")
                    continue
                ours = pillow_rgba(out_png)
                have, size = ours
                refs = []
                pil = pillow_rgba(src)
                if pil and pil[1] == size:
                    refs.append(("Pillow", pil[0]))
                if not refs or not close(refs[0][1], have):
                    im = magick_rgba(src, size)
                    if im:
                        refs.append(("ImageMagick", im))
                if not refs:
                    skipped += 1
                    continue
                checked += 1
                if not any(close(r, have) for _, r in refs):
                    diff = min(differing(have, r) for _, r in refs)
                    sink.append(f"{rel}: {diff} of {len(have)} channel values differ from "
                                + " and ".join(n for n, _ in refs))
                    continue
                run = tool(exe, "convert", src, out_own)
                if run.returncode != 0:
                    continue  # a depth our writer refuses for this format
                back = pillow_rgba(out_own)
                if back is None or back[1] != size or not close(back[0], have):
                    im = magick_rgba(out_own, size)
                    if im is None or not close(im, have):
                        sink.append(f"{rel}: the peers read our {fmt} differently")
        # 2 and 3. peer-made images both ways
        peer_checked = our_checked = 0
        for mode, im in sample_images().items():
            want = normalise(im)[0]
            if mode in PEER_MODES[fmt]:
                peer_file = os.path.join(tmp, f"peer-{mode}.{fmt}")
                kw = {"transparency": im.info["transparency"]} if "transparency" in im.info else {}
                im.save(peer_file, **kw)
                ref = pillow_rgba(peer_file)[0]  # what the peer itself reads back
                run = tool(exe, "convert", peer_file, out_png)
                ours = pillow_rgba(out_png) if run.returncode == 0 else None
                peer_checked += 1
                if ours is None or not close(ours[0], ref):
                    failures.append(f"Pillow's {mode} {fmt}: we read it differently ({run.stderr.strip()})")
            if mode in OUR_MODES[fmt]:
                src_png = os.path.join(tmp, f"src-{mode}.png")
                kw = {"transparency": im.info["transparency"]} if "transparency" in im.info else {}
                im.save(src_png, **kw)
                run = tool(exe, "convert", src_png, out_own)
                our_checked += 1
                if run.returncode != 0:
                    failures.append(f"{mode}: our {fmt} writer refused: {run.stderr.strip()}")
                    continue
                for name, got in (("Pillow", pillow_rgba(out_own)), ("ImageMagick", (magick_rgba(out_own, im.size), im.size))):
                    if got is None or got[0] is None or not close(got[0], want):
                        failures.append(f"{mode}: {name} reads our {fmt} differently")
    for n in notes:
        print("note (malformed file, not judged):", n)
    for f in failures:
        print("FAIL", f)
    print(f"{fmt}: compared {checked} corpus files with a reference decoder ({skipped} no reference reads), "
          f"{peer_checked} peer-written images read, {our_checked} of our files read by both peers; "
          f"{len(failures)} differ")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
