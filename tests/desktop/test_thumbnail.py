#!/usr/bin/python3
"""vexmira-tool thumbnail as a file manager runs it: the entry it picks from
icons, cursors, animated cursors and programs, the size and pixels it writes,
and what it does with hostile files (exit 1, no output file).
usage: test_thumbnail.py TOOL CORPUS"""
import io
import os
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

TOOL = None
CORPUS = None
PROGRAMS = os.path.join(os.path.dirname(__file__), "..", "..", "fuzz", "seeds", "exe")
DATA = os.path.join(os.path.dirname(__file__), "..", "data")
# A guard against a hang, not a measure of speed.
GUARD_SECONDS = 120


def run(*args):
    return subprocess.run([TOOL, *args], capture_output=True, text=True, timeout=GUARD_SECONDS)


def pattern(w, h, seed):
    """An RGBA picture that differs from pixel to pixel and from seed to seed,
    with a transparent corner and a half-transparent band."""
    im = Image.new("RGBA", (w, h))
    for y in range(h):
        for x in range(w):
            a = 0 if x < w // 4 and y < h // 4 else (128 if y == h - 1 else 255)
            im.putpixel((x, y), ((x * 7 + seed * 40) % 256, (y * 5 + seed * 20) % 256, (x * y + seed) % 256, a))
    return im


def png_bytes(im):
    out = io.BytesIO()
    im.save(out, "PNG")
    return out.getvalue()


def bmp8_entry(w, h, colour, hole):
    """An 8-bit bitmap entry: every pixel is palette index 1 (colour), and the
    1-bit mask marks a hole x hole square at the top left as transparent."""
    palette = bytes((0, 0, 0, 0)) + bytes((colour[2], colour[1], colour[0], 0)) + bytes(4 * 254)
    stride = (w + 3) // 4 * 4
    pixels = (bytes([1] * w) + bytes(stride - w)) * h
    mstride = ((w + 31) // 32) * 4
    mask = bytearray()
    for row in range(h):  # bottom-up
        y = h - 1 - row
        bits = bytearray(mstride)
        for x in range(w):
            if x < hole and y < hole:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 8, 0, len(pixels) + len(mask), 0, 0, 256, 0)
    return header + palette + pixels + bytes(mask)


def icon_file(entries, dir_type=1):
    """entries: (width, height, depth, data); depth goes in the bit count field
    of icons, a hotspot of (1, 2) in that of cursors."""
    out = struct.pack("<HHH", 0, dir_type, len(entries))
    offset = 6 + 16 * len(entries)
    body = b""
    for w, h, depth, data in entries:
        f4, f6 = (1, depth) if dir_type == 1 else (1, 2)
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, f4, f6, len(data), offset + len(body))
        body += data
    return out + body


def rgba(path):
    im = Image.open(path)
    im.load()
    return im.convert("RGBA")


def assert_same(test, got, want, tolerance=0):
    """Same size and the same pixels; colour is not compared under alpha 0."""
    test.assertEqual(got.size, want.size)
    worst = 0
    for g, w in zip(got.getdata(), want.getdata()):
        d = abs(g[3] - w[3])
        if w[3] and g[3]:
            d = max(d, *(abs(g[i] - w[i]) for i in range(3)))
        worst = max(worst, d)
    test.assertLessEqual(worst, tolerance)


def box_shrink(im, factor):
    """Area average by an integer factor, colour weighted by alpha."""
    w, h = im.size[0] // factor, im.size[1] // factor
    src = im.load()
    out = Image.new("RGBA", (w, h))
    for y in range(h):
        for x in range(w):
            s = [0, 0, 0, 0]
            for yy in range(y * factor, (y + 1) * factor):
                for xx in range(x * factor, (x + 1) * factor):
                    r, g, b, a = src[xx, yy]
                    s[0] += r * a
                    s[1] += g * a
                    s[2] += b * a
                    s[3] += a
            n = factor * factor
            a = s[3] // n
            out.putpixel((x, y), tuple(c // s[3] if s[3] else 0 for c in s[:3]) + (a,))
    return out


class ThumbnailTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        p = self.path(name)
        with open(p, "wb") as f:
            f.write(data)
        return p

    def thumb(self, source, size):
        out = self.path("out-%d.png" % size)
        if os.path.exists(out):
            os.remove(out)
        r = run("thumbnail", "-s", str(size), source, out)
        self.assertEqual(r.returncode, 0, r.stderr)
        im = Image.open(out)
        self.assertEqual(im.format, "PNG")
        self.assertEqual(im.mode, "RGBA")  # always with alpha
        return rgba(out)

    def test_icon_entry_choice(self):
        # The largest entry not above the size, else the smallest above it;
        # of two equal sizes the deeper one (the 8-bit 32 x 32 comes first).
        e16, e32, e48, e256 = pattern(16, 16, 1), pattern(32, 32, 2), pattern(48, 48, 3), pattern(256, 256, 4)
        ico = self.write("several.ico", icon_file([
            (16, 16, 32, png_bytes(e16)),
            (32, 32, 8, bmp8_entry(32, 32, (0, 0, 255), 4)),
            (32, 32, 32, png_bytes(e32)),
            (48, 48, 32, png_bytes(e48)),
            (256, 256, 32, png_bytes(e256)),
        ]))
        for size, want in ((32, e32), (128, e48), (256, e256), (47, e32), (20, e16), (16, e16)):
            with self.subTest(size=size):
                assert_same(self, self.thumb(ico, size), want)
        # Below every entry: the smallest, scaled down (never up).
        assert_same(self, self.thumb(ico, 8), box_shrink(e16, 2), tolerance=3)

    def test_cursor_keyed_index_becomes_transparent(self):
        # A paletted cursor entry: the mask's colour-keyed index turns into alpha 0.
        e64 = pattern(64, 64, 5)
        cur = self.write("pointer.cur", icon_file([
            (32, 32, 0, bmp8_entry(32, 32, (10, 200, 30), 6)),
            (64, 64, 0, png_bytes(e64)),
        ], dir_type=2))
        want32 = Image.new("RGBA", (32, 32), (10, 200, 30, 255))
        for y in range(6):
            for x in range(6):
                want32.putpixel((x, y), (0, 0, 0, 0))
        for size, want in ((32, want32), (128, e64), (256, e64)):
            with self.subTest(size=size):
                assert_same(self, self.thumb(cur, size), want)
        assert_same(self, self.thumb(cur, 16), box_shrink(want32, 2), tolerance=3)

    def test_animated_cursor_first_step(self):
        for name in ("ani/sdl_image/rgbrgb.ani",):
            source = os.path.join(CORPUS, name)
            ref = self.path("step0.png")
            r = run("convert", source, ref, "--frame", "0")
            self.assertEqual(r.returncode, 0, r.stderr)
            step = rgba(ref)
            self.assertEqual(step.size, (256, 256))
            assert_same(self, self.thumb(source, 256), step)
            assert_same(self, self.thumb(source, 128), box_shrink(step, 2), tolerance=3)
            assert_same(self, self.thumb(source, 32), box_shrink(step, 8), tolerance=3)

    def test_programs_show_their_first_icon_group(self):
        for name in ("pe32.exe", "pe64.dll", "ne.icl"):
            source = os.path.join(PROGRAMS, name)
            outdir = self.path(name + ".d")
            os.mkdir(outdir)
            r = run("extract", source, outdir)
            self.assertEqual(r.returncode, 0, r.stderr)
            first = r.stdout.split()[0]
            for size in (32, 128, 256):
                with self.subTest(program=name, size=size):
                    got = self.thumb(source, size)
                    assert_same(self, got, self.thumb(first, size))
                    # Its entries are all 2 x 2 and 24-bit: the first one
                    # (Pillow sorts the entries, so it is read by our reader).
                    ref = self.path("entry0.png")
                    r = run("convert", first, ref, "--frame", "0")
                    self.assertEqual(r.returncode, 0, r.stderr)
                    entry = rgba(ref)
                    self.assertEqual(entry.size, (2, 2))
                    assert_same(self, got, entry)

    def test_other_formats_first_frame_shrunk_to_fit(self):
        pgx = self.write("grey.pgx", b"PG ML + 8 40 20\n" + bytes((x * 6 + y) % 256 for y in range(20) for x in range(40)))
        cases = [
            (os.path.join(CORPUS, "ras/pillow/hopper.ras"), None),
            (os.path.join(CORPUS, "wbmp/wuffs/hat.wbmp"), None),
            (pgx, None),
            (os.path.join(CORPUS, "gif/pillow/hopper.gif"), None),
        ]
        # A true-colour Targa header begins like a cursor directory (00 00 02 00).
        for mode in ("RGB", "RGBA"):
            tga = self.path(mode + ".tga")
            pattern(300, 150, 6).convert(mode).save(tga)
            with open(tga, "rb") as f:
                self.assertEqual(f.read(4), bytes((0, 0, 2, 0)))
            cases.append((tga, None))
        for source, _ in cases:
            ref = self.path("ref.png")
            r = run("convert", source, ref, "--frame", "0")
            self.assertEqual(r.returncode, 0, r.stderr)
            full = rgba(ref)
            for size in (32, 128, 256):
                with self.subTest(source=os.path.basename(source), size=size):
                    got = self.thumb(source, size)
                    side = max(full.size)
                    if side <= size:
                        assert_same(self, got, full)
                    else:
                        want = (max(1, round(full.size[0] * size / side)), max(1, round(full.size[1] * size / side)))
                        self.assertEqual(got.size, want)
                        if side % size == 0 and full.size[0] % (side // size) == 0 and full.size[1] % (side // size) == 0:
                            assert_same(self, got, box_shrink(full, side // size), tolerance=3)

    def test_hostile_files_fail_without_output(self):
        # Every corpus file the format lists mark as unreadable.
        bad = []
        for name in sorted(os.listdir(DATA)):
            if name.endswith("_corpus.tsv"):
                with open(os.path.join(DATA, name)) as f:
                    rows = [line.rstrip("\n").split("\t") for line in f]
                bad += [os.path.join(CORPUS, r[0]) for r in rows if len(r) > 1 and r[1] == "fail"]
        self.assertGreater(len(bad), 100)
        bad.append(os.path.join(CORPUS, "gif/pillow/decompression_bomb.gif"))
        # Larger than any thumbnail source may be (sparse, costs no disk).
        huge = self.path("huge.ico")
        with open(huge, "wb") as f:
            f.write(icon_file([(16, 16, 32, b"")]))
            f.truncate(65 * 1024 * 1024)
        bad.append(huge)
        # A bitmap that claims 60000 x 60000 pixels: above the raster memory cap.
        bad.append(self.write("wide.bmp", b"BM" + struct.pack("<IHHI", 70, 0, 0, 54)
                              + struct.pack("<IiiHHIIiiII", 40, 60000, 60000, 1, 24, 0, 0, 0, 0, 0, 0) + bytes(16)))
        # An icon directory of 65535 entries that all point past the end.
        bad.append(self.write("many.ico", struct.pack("<HHH", 0, 1, 65535)
                              + struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, 1 << 30, 1 << 30) * 65535))
        bad.append(self.write("junk.exe", b"MZ" + bytes(62) + b"\xff" * 64))
        bad.append(self.write("short.ani", b"RIFF" + struct.pack("<I", 1000) + b"ACONanih" + struct.pack("<I", 36)))
        bad.append(self.write("empty.png", b""))
        # A pipe named like an icon would block a reader forever.
        fifo = self.path("pipe.ico")
        os.mkfifo(fifo)
        bad.append(fifo)
        for source in bad:
            with self.subTest(source=os.path.basename(source)):
                out = self.path("hostile.png")
                if os.path.exists(out):
                    os.remove(out)
                r = run("thumbnail", "-s", "256", source, out)
                self.assertEqual(r.returncode, 1, r.stderr)
                self.assertTrue(r.stderr.strip())
                self.assertFalse(os.path.exists(out))
                self.assertEqual([n for n in os.listdir(self.dir) if n.startswith("hostile")], [])

    def test_memory_cap_is_lower_than_for_other_commands(self):
        # A 5 KB run-length bitmap of 131168 x 4096 pixels (268 MB at 4 bits):
        # convert reads it, the thumbnailer refuses it at its 256 MiB cap.
        source = os.path.join(CORPUS, "bmp/gdk-pixbuf/fail/bug776694.bmp")
        out = self.path("bomb.png")
        r = run("info", source)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("131168 x 4096", r.stdout)
        r = run("thumbnail", source, out)
        self.assertEqual(r.returncode, 1)
        self.assertIn("RASTER_MAX_MEMORY exceeded", r.stderr)
        self.assertFalse(os.path.exists(out))

    def test_wall_clock_limit_leaves_no_output(self):
        # A reader stalled past the limit (simulated): exit 1 at the limit,
        # no output and no temporary file; under the limit the same file works.
        source = self.write("ok.ico", icon_file([(16, 16, 8, bmp8_entry(16, 16, (0, 0, 255), 2))]))
        out = self.path("late.png")
        env = dict(os.environ, VEXMIRA_THUMBNAIL_TEST_STALL_MS="30000")
        r = subprocess.run([TOOL, "thumbnail", "-t", "1", source, out], capture_output=True, text=True,
                           timeout=GUARD_SECONDS, env=env)
        self.assertEqual(r.returncode, 1, r.stderr)
        self.assertIn("timed out", r.stderr)
        self.assertEqual([n for n in os.listdir(self.dir) if n.startswith("late")], [])
        env["VEXMIRA_THUMBNAIL_TEST_STALL_MS"] = "10"
        r = subprocess.run([TOOL, "thumbnail", "-t", "5", source, out], capture_output=True, text=True,
                           timeout=GUARD_SECONDS, env=env)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(os.path.exists(out))

    def test_usage_errors(self):
        for args in (["thumbnail"], ["thumbnail", "a.ico"], ["thumbnail", "-s", "0", "a.ico", "b.png"],
                     ["thumbnail", "-s", "x", "a.ico", "b.png"], ["thumbnail", "--bogus", "a.ico", "b.png"],
                     ["thumbnail", "-t", "0", "a.ico", "b.png"], ["thumbnail", "-t", "601", "a.ico", "b.png"]):
            with self.subTest(args=args):
                self.assertEqual(run(*args).returncode, 2)
        r = run("thumbnail", self.path("missing.ico"), self.path("o.png"))
        self.assertEqual(r.returncode, 1)
        self.assertFalse(os.path.exists(self.path("o.png")))


if __name__ == "__main__":
    TOOL, CORPUS = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1])
