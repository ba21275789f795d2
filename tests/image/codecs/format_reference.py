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
import json
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


def pillow_rgba(path, frame=0):
    """The frame as Pillow composes it (frame -1: the last one)."""
    try:
        with Image.open(path) as im:
            im.seek(getattr(im, "n_frames", 1) - 1 if frame < 0 else frame)
            im.load()
            return normalise(im)
    except Exception:
        return None


def magick_rgba(path, size, last=False):
    # The last frame of a sequence as ImageMagick composes it.
    source = [path, "-coalesce", "-delete", "0--2"] if last else [path + "[0]"]
    run = subprocess.run(["/usr/bin/convert", *source, "-auto-orient", "-set", "colorspace", "sRGB", "-depth", "8",
                          "rgba:-"], capture_output=True)
    if len(run.stdout) != size[0] * size[1] * 4:
        return None
    return normalise(Image.frombytes("RGBA", size, run.stdout))[0]


def close(a, b, fmt=""):
    if len(a) != len(b):
        return False
    if fmt == "tga":
        # 5-bit Targa channels are widened by shifting (31 -> 248); the peers
        # replicate the high bits (31 -> 255).
        return all(-7 <= y - x <= TOLERANCE for x, y in zip(a, b))
    return all(abs(x - y) <= TOLERANCE for x, y in zip(a, b))


# Reading faults of a peer, shown by a file of ours that the other peer reads
# as we meant it; reported, not judged.
PEER_LIMITS = {
    ("pcx", "P16", "Pillow"): "Pillow does not skip the padding byte of 1-bit plane lines (widths 41-48 read right)",
    ("pcx", "1", "ImageMagick"): "ImageMagick reads 1-bit PCX files inverted (Pillow's own as well)",
    ("wbmp", "1", "Pillow"): "Pillow has no WBMP reader",
}


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


def pillow_animation(path):
    """Frame count, delays (hundredths), loop and every composed frame as Pillow sees them."""
    with Image.open(path) as im:
        frames, delays = [], []
        for i in range(getattr(im, "n_frames", 1)):
            im.seek(i)
            im.load()
            delays.append(im.info.get("duration", 0) // 10)
            frames.append(normalise(im)[0])
        return len(frames), delays, im.info.get("loop"), frames


def peer_animations(tmp):
    """Animations written by Pillow (kept and disposed frames, transparency) and ImageMagick."""
    paths = []
    for disposal, transparent in ((1, False), (2, True), (0, False)):
        frames = []
        for i in range(4):
            im = Image.new("P", (30, 20), 0)
            im.putpalette([0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255] + [90] * (252 * 3))
            for x in range(30):
                for y in range(20):
                    if (x + 2 * y + i) % 5 == 0:
                        im.putpixel((x, y), 1 + (i + x // 10) % 3)
            frames.append(im)
        path = os.path.join(tmp, f"pillow-anim-{disposal}.gif")
        kw = {"transparency": 0} if transparent else {}
        frames[0].save(path, save_all=True, append_images=frames[1:], duration=[100, 200, 300, 400], loop=3,
                       disposal=disposal, **kw)
        paths.append(path)
    parts = []
    for i, colour in enumerate(("red", "lime", "blue")):
        part = os.path.join(tmp, f"part{i}.png")
        subprocess.run(["/usr/bin/convert", "-size", "24x16", f"xc:{colour}", "-fill", "white", "-draw",
                        f"rectangle {i * 4},2 {i * 4 + 6},9", part], check=True)
        parts.append(part)
    path = os.path.join(tmp, "magick-anim.gif")
    subprocess.run(["/usr/bin/convert", "-delay", "25", "-loop", "0", *parts, path], check=True)
    paths.append(path)
    return paths


def check_animations(exe, corpus, listing, tmp):
    """Frame count, delays, loop count and the composed frames survive our reading and writing.

    Composed frames are judged where our frames cover the logical screen and no
    frame restores the background (disposal 2): our frames carry no canvas
    larger than the first image, and the peers disagree on the background
    colour. Those cases, and frames outside the screen (refused), are notes."""
    sources = peer_animations(tmp)
    with open(listing) as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            rel = fields[0]
            if fields[1] == "ok" and fields[4] != "frames 1" and not any(m in "/" + rel for m in MALFORMED):
                sources.append(os.path.join(corpus, rel))
    failures, notes = [], []
    out = os.path.join(tmp, "anim-out.gif")
    for src in sources:
        name = os.path.basename(src)
        try:
            count, delays, loop, composed = pillow_animation(src)
            with Image.open(src) as im:
                screen = im.size
                disposals = []
                for i in range(im.n_frames):
                    im.seek(i)
                    disposals.append(getattr(im, "disposal_method", 0))
        except Exception:
            continue
        info = subprocess.run([exe, "info", "--json", src], capture_output=True, text=True)
        if info.returncode != 0:
            sink = notes if "outside the logical screen" in info.stderr else failures
            sink.append(f"{name}: info failed: {info.stderr.strip()}")
            continue
        doc = json.loads(info.stdout)
        if doc["frame_count"] != count or [fr["delay"] for fr in doc["frames"]] != delays:
            failures.append(f"{name}: we read {doc['frame_count']} frames, delays "
                            f"{[fr['delay'] for fr in doc['frames']]}; Pillow {count}, {delays}")
            continue
        run = tool(exe, "convert", src, out, "--all-frames")
        if run.returncode != 0:
            failures.append(f"{name}: convert --all-frames failed: {run.stderr.strip()}")
            continue
        count2, delays2, loop2, composed2 = pillow_animation(out)
        if (count2, delays2) != (count, delays) or ((loop or None) != (loop2 or None) and loop != loop2):
            failures.append(f"{name}: Pillow reads our animation as {count2} frames, delays {delays2}, loop {loop2}; "
                            f"the source as {count}, {delays}, loop {loop}")
            continue
        magick = subprocess.run(["/usr/bin/identify", "-format", "%T\n", out], capture_output=True, text=True)
        if [int(t) for t in magick.stdout.split()] != delays:
            failures.append(f"{name}: ImageMagick reads delays {magick.stdout.split()} from our animation")
        bad = [i for i, (a, b) in enumerate(zip(composed, composed2)) if not close(a, b)]
        if not bad:
            continue
        covers = all((fr["width"], fr["height"]) == screen for fr in doc["frames"])
        if not covers:
            notes.append(f"{name}: composed frames {bad} differ: our frames are smaller than the screen")
        elif 2 in disposals[:-1]:
            notes.append(f"{name}: composed frames {bad} differ: background after disposal 2")
        else:
            failures.append(f"{name}: composed frames {bad} differ after our conversion")
    return len(sources), failures, notes


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
                if not refs or not close(refs[0][1], have, fmt):
                    im = magick_rgba(src, size)
                    if im:
                        refs.append(("ImageMagick", im))
                if fmt == "gif" and not any(close(r, have, fmt) for _, r in refs):
                    # A picture made of partial frames without a global palette is
                    # read flattened: compare with the peers' last composed frame.
                    pil = pillow_rgba(src, -1)
                    if pil and pil[1] == size:
                        refs.append(("Pillow (last frame)", pil[0]))
                    im = magick_rgba(src, size, last=True)
                    if im:
                        refs.append(("ImageMagick (last frame)", im))
                if not refs:
                    skipped += 1
                    continue
                checked += 1
                if not any(close(r, have, fmt) for _, r in refs):
                    diff = min(differing(have, r) for _, r in refs)
                    sink.append(f"{rel}: {diff} of {len(have)} channel values differ from "
                                + " and ".join(n for n, _ in refs))
                    continue
                run = tool(exe, "convert", src, out_own)
                if run.returncode != 0:
                    continue  # a depth our writer refuses for this format
                back = pillow_rgba(out_own, -1)
                if back is None or back[1] != size or not close(back[0], have):
                    im = magick_rgba(out_own, size, last=True)
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
                # Our true-colour GIFs are tiles: the last composed frame is the picture.
                for name, got in (("Pillow", pillow_rgba(out_own, -1)),
                                  ("ImageMagick", (magick_rgba(out_own, im.size, last=True), im.size))):
                    if got is None or got[0] is None or not close(got[0], want):
                        limit = PEER_LIMITS.get((fmt, mode, name))
                        if limit:
                            notes.append(f"{mode}: {name} reads our {fmt} differently: {limit}")
                        else:
                            failures.append(f"{mode}: {name} reads our {fmt} differently")
        animations = 0
        if fmt == "gif":
            animations, anim_failures, anim_notes = check_animations(exe, corpus, listing, tmp)
            failures += anim_failures
            notes += anim_notes
            print(f"gif: {animations} animations checked for frame count, delays, loop count and composed frames")
    for n in notes:
        print("note (not judged):", n)
    for f in failures:
        print("FAIL", f)
    print(f"{fmt}: compared {checked} corpus files with a reference decoder ({skipped} no reference reads), "
          f"{peer_checked} peer-written images read, {our_checked} of our files read by both peers; "
          f"{len(failures)} differ")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
