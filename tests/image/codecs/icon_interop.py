#!/usr/bin/python3
"""Icons and cursors between vexmira-tool and real peers (Pillow, ImageMagick,
icoutils), compared by decoded pixels, never by bytes.

  icon_interop.py TOOL CORPUS
"""
import glob
import io
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

TOOL = None
CORPUS = None
MAGICK = "/usr/bin/convert"


def run(*args, check=True):
    r = subprocess.run(list(args), capture_output=True)
    if check and r.returncode != 0:
        raise AssertionError("%s failed: %s" % (" ".join(args), r.stderr.decode(errors="replace")))
    return r


def directory(path):
    """(type, [(width, height, field4, field6, offset)]) of an icon or cursor file."""
    with open(path, "rb") as f:
        data = f.read()
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    entries = []
    for i in range(count):
        w, h, _, _, f4, f6, _, off = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        entries.append((w or 256, h or 256, f4, f6, off))
    return kind, entries


def rgba(img):
    img = img.convert("RGBA")
    return img.size, list(img.getdata())


def same(want, have):
    """Equal sizes; equal alpha everywhere; equal colour where visible."""
    if want[0] != have[0]:
        return "size %s != %s" % (want[0], have[0])
    for i, (a, b) in enumerate(zip(want[1], have[1])):
        if a[3] != b[3] or (a[3] and a[:3] != b[:3]):
            return "pixel %d: want %s have %s" % (i, a, b)
    return ""


def pillow_frame(path, index):
    """Image number index (file order) as Pillow decodes it."""
    kind, entries = directory(path)
    if kind == 2:
        if len(entries) != 1:
            raise unittest.SkipTest("Pillow reads one cursor image")
        return rgba(Image.open(path))
    from PIL import IcoImagePlugin
    with open(path, "rb") as f:
        ico = IcoImagePlugin.IcoFile(f)
        offsets = [e["offset"] for e in ico.entry]
        return rgba(ico.frame(offsets.index(entries[index][4])))


def magick_frame(path, index):
    w, h = directory(path)[1][index][:2]
    raw = run(MAGICK, "%s[%d]" % (path, index), "-depth", "8", "rgba:-").stdout
    return (w, h), [tuple(raw[i:i + 4]) for i in range(0, len(raw), 4)]


def icotool_frames(path, tmp):
    """Every image of the file as icotool extracts it, in file order."""
    out = tempfile.mkdtemp(dir=tmp)
    run("icotool", "-x", "-o", out, path)
    files = glob.glob(os.path.join(out, "*.png"))
    files.sort(key=lambda p: int(re.search(r"_(\d+)_\d+x\d+x\d+\.png$", p).group(1)))
    return [rgba(Image.open(p)) for p in files]


def icotool_list(path):
    out = run("icotool", "-l", path).stdout.decode()
    return [dict(re.findall(r"--([a-z-]+)=(\d+)", line)) for line in out.splitlines() if line.strip()]


def ours_frame(path, index, tmp):
    """Our decoding of one image, written losslessly (alpha included) and read back by Pillow."""
    w, h = directory(path)[1][index][:2]
    out = os.path.join(tmp, "ours-%d.%s" % (index, "png" if max(w, h) >= 256 else "ico"))
    run(TOOL, "convert", path, out, "--frame", str(index))
    return rgba(Image.open(out))


def write_bmp(path, width, height, bpp, palette, index_of):
    """A bottom-up bitmap of the depth; index_of(x, y) gives the palette index (or an RGB triple at 24 bpp)."""
    stride = (width * bpp + 31) // 32 * 4
    rows = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            v = index_of(x, y)
            if bpp == 24:
                row[3 * x:3 * x + 3] = bytes((v[2], v[1], v[0]))
            elif bpp == 8:
                row[x] = v
            elif bpp == 4:
                row[x // 2] |= v << (4 * (1 - x % 2))
            else:
                row[x // 8] |= v << (7 - x % 8)
        rows += row
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    head = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, len(rows), 0, 0, len(palette), 0)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 14 + len(head) + len(pal) + len(rows), 0, 0, 14 + len(head) + len(pal)))
        f.write(head + pal + rows)


def test_png(path, size, seed):
    """An RGBA picture with soft and hard edges and opaque black."""
    w, h = size
    img = Image.new("RGBA", size)
    img.putdata([((x * 7 + seed) % 256, (y * 5) % 256, (x * y) % 256,
                  0 if (x + y) % 5 == 0 else 255 if x % 3 else (x * 37 + y) % 256) for y in range(h) for x in range(w)])
    img.putpixel((0, h - 1), (0, 0, 0, 255))
    img.save(path)
    return rgba(img)


class Interop(unittest.TestCase):
    def setUp(self):
        self.tmpdir = tempfile.TemporaryDirectory()
        self.tmp = self.tmpdir.name

    def tearDown(self):
        self.tmpdir.cleanup()

    def path(self, name):
        return os.path.join(self.tmp, name)

    # ---- files we write, read by the peers ----

    def check_peers_read(self, ours, expected_frames):
        """Pillow, ImageMagick and icotool all see expected_frames (file order) in ours."""
        extracted = icotool_frames(ours, self.tmp)
        self.assertEqual(len(extracted), len(expected_frames))
        for i, want in enumerate(expected_frames):
            with self.subTest(frame=i):
                self.assertEqual(same(want, extracted[i]), "", "icotool -x")
                self.assertEqual(same(want, magick_frame(ours, i)), "", "ImageMagick")
                try:
                    self.assertEqual(same(want, pillow_frame(ours, i)), "", "Pillow")
                except unittest.SkipTest:
                    pass

    def test_bitmaps_at_every_depth_written_as_icons_and_cursors(self):
        grey = [(i, 255 - i, (i * 3) % 256) for i in range(256)]
        depths = [(1, [(0, 0, 0), (255, 255, 255)], lambda x, y: (x + y) % 2),
                  (4, grey[:16], lambda x, y: (x * 3 + y) % 16),
                  (8, grey, lambda x, y: (x * 11 + y * 7) % 256),
                  (24, [], lambda x, y: ((x * 9) % 256, (y * 13) % 256, (x ^ y) % 256))]
        for bpp, palette, index_of in depths:
            for ext in ("ico", "cur"):
                with self.subTest(bpp=bpp, ext=ext):
                    src = self.path("d%d.bmp" % bpp)
                    write_bmp(src, 19, 13, bpp, palette, index_of)
                    want = rgba(Image.open(src))
                    ours = self.path("d%d.%s" % (bpp, ext))
                    run(TOOL, "convert", src, ours)
                    self.check_peers_read(ours, [want])
                    listing = icotool_list(ours)
                    self.assertEqual(int(listing[0]["bit-depth"]), bpp)

    def test_corpus_icons_rewritten_by_us_read_the_same(self):
        # Sources with masks, palettes, 32-bit alpha and hotspots, rewritten
        # through our reader and writer; Pillow's view of the source is the truth.
        for rel in ("generated/ico/good/gen1-16-24-32-48-64.ico", "generated/ico/good/gen1-20-40.ico",
                    "generated/ico/good/gen1-72-96-128.ico", "ico/pillow/python.ico", "ico/pillow/hopper.ico",
                    "ico/imagemagick/ImageMagick.ico", "ico/wuffs/hippopotamus.regular.ico",
                    "generated/ico/good/gen1-16-32-48-256.ico", "ico/pillow/pillow.ico"):
            with self.subTest(rel=rel):
                src = os.path.join(CORPUS, rel)
                ours = self.path(os.path.basename(rel))
                run(TOOL, "convert", src, ours, "--all-frames")
                n = len(directory(src)[1])
                self.check_peers_read(ours, [pillow_frame(src, i) for i in range(n)])

    def test_cursors_keep_their_hotspots(self):
        for rel in ("generated/cur/good/gen1-16-32-48.cur", "generated/cur/good/gen1-32-48.cur",
                    "cur/pillow/deerstalker.cur", "cur/sdl_image/sample.cur"):
            with self.subTest(rel=rel):
                src = os.path.join(CORPUS, rel)
                ours = self.path(os.path.basename(rel))
                run(TOOL, "convert", src, ours, "--all-frames")
                mine, theirs = icotool_list(ours), icotool_list(src)
                self.assertEqual([(e["width"], e["hotspot-x"], e["hotspot-y"]) for e in mine],
                                 [(e["width"], e["hotspot-x"], e["hotspot-y"]) for e in theirs])
                for i, want in enumerate(icotool_frames(src, self.tmp)):
                    self.assertEqual(same(want, icotool_frames(ours, self.tmp)[i]), "", "frame %d" % i)
                    self.assertEqual(same(want, magick_frame(ours, i)), "", "ImageMagick frame %d" % i)

    # ---- files the peers write, read by us ----

    def test_icotool_icons_and_cursors_read_the_same(self):
        sizes = [(16, 16), (32, 32), (48, 48), (256, 256)]
        pngs, wants = [], []
        for i, s in enumerate(sizes):
            p = self.path("src%d.png" % i)
            wants.append(test_png(p, s, i))
            pngs.append(p)
        ico = self.path("icotool.ico")
        # The largest image stored as PNG, as current systems write it.
        run("icotool", "-c", "-o", ico, *pngs[:3], "-r", pngs[3])
        cur = self.path("icotool.cur")
        run("icotool", "-c", "--cursor", "--hotspot-x=3", "--hotspot-y=9", "-o", cur, pngs[1])
        for i, want in enumerate(wants):
            with self.subTest(frame=i):
                self.assertEqual(same(want, ours_frame(ico, i, self.tmp)), "")
        self.assertEqual(same(wants[1], ours_frame(cur, 0, self.tmp)), "")
        info = run(TOOL, "info", cur).stdout.decode()
        self.assertIn("hotspot (3, 9)", info)

    def test_pillow_and_imagemagick_icons_read_the_same(self):
        src = self.path("src.png")
        base = test_png(src, (256, 256), 3)
        pil = self.path("pillow.ico")
        Image.open(src).save(pil, sizes=[(16, 16), (32, 32), (256, 256)])
        mag = self.path("magick.ico")
        run(MAGICK, src, "-define", "icon:auto-resize=48,256", mag)
        for path in (pil, mag):
            for i in range(len(directory(path)[1])):
                with self.subTest(path=os.path.basename(path), frame=i):
                    want = pillow_frame(path, i)
                    self.assertEqual(same(want, ours_frame(path, i, self.tmp)), "")
        self.assertEqual(same(base, ours_frame(pil, [e[0] for e in directory(pil)[1]].index(256), self.tmp)), "")

    def test_corpus_files_read_like_pillow_reads_them(self):
        files = sorted(glob.glob(os.path.join(CORPUS, "generated", "ico", "good", "*.ico")))
        files += [os.path.join(CORPUS, "ico", "pillow", n) for n in ("python.ico", "hopper_256x256.ico", "pillow.ico")]
        self.assertTrue(files)
        for path in files:
            for i in range(len(directory(path)[1])):
                with self.subTest(path=os.path.relpath(path, CORPUS), frame=i):
                    self.assertEqual(same(pillow_frame(path, i), ours_frame(path, i, self.tmp)), "")

    def test_program_icons_extract_like_wrestool(self):
        for seed in glob.glob(os.path.join(os.path.dirname(__file__), "..", "..", "..", "fuzz", "seeds", "exe", "*")):
            with self.subTest(seed=os.path.basename(seed)):
                out = tempfile.mkdtemp(dir=self.tmp)
                r = run(TOOL, "extract", seed, out)
                ours = sorted(glob.glob(os.path.join(out, "*.ico")))
                self.assertEqual(len(ours), len(r.stdout.splitlines()))
                theirs = tempfile.mkdtemp(dir=self.tmp)
                run("wrestool", "-x", "-t", "14", "-o", theirs, seed)
                self.assertEqual(len(ours), len(glob.glob(os.path.join(theirs, "*.ico"))))
                for path in ours:
                    mine = icotool_frames(path, self.tmp)
                    self.assertTrue(mine)
                    stem = os.path.splitext(os.path.basename(seed))[0]
                    self.assertTrue(os.path.basename(path).startswith(stem + "-"))


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    CORPUS = sys.argv.pop(1)
    unittest.main(verbosity=2)
