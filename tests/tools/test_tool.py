#!/usr/bin/python3
"""vexmira-tool seen from outside: exit codes, messages, info output, convert."""
import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest

TOOL = None
CORPUS = os.path.join(os.path.dirname(__file__), "..", "..", "..", "shared", "corpus")
SAMPLE = os.path.join(os.path.dirname(__file__), "..", "..", "samples", "vexmira-sample.bmp")
PROGRAMS = os.path.join(os.path.dirname(__file__), "..", "..", "fuzz", "seeds", "exe")


def write_bmp24(path, width, height):
    stride = (width * 3 + 3) // 4 * 4
    pixels = bytes(stride * height)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def run(*args):
    return subprocess.run([TOOL, *args], capture_output=True, text=True)


class ToolTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def test_usage_errors_exit_2(self):
        for args in ([], ["frobnicate"], ["info"], ["info", "--bogus", SAMPLE], ["convert", SAMPLE],
                     ["convert", SAMPLE, os.path.join(self.dir, "x.unknown")],
                     ["convert", SAMPLE, os.path.join(self.dir, "x.bmp"), "--quality", "101"],
                     ["convert", SAMPLE, os.path.join(self.dir, "x.bmp"), "--frame", "-1"],
                     ["convert", SAMPLE, os.path.join(self.dir, "x.bmp"), "--frame", "1", "--all-frames"]):
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual(r.returncode, 2, r.stderr)
                self.assertIn("usage:", r.stderr)

    def test_info_json_fields(self):
        r = run("info", "--json", SAMPLE)
        self.assertEqual(r.returncode, 0, r.stderr)
        doc = json.loads(r.stdout)
        self.assertEqual(doc["type"], 1)
        self.assertEqual(doc["type_name"], "Bitmaps")
        self.assertEqual(doc["frame_count"], 1)
        frame = doc["frames"][0]
        self.assertEqual((frame["width"], frame["height"], frame["bpp"]), (48, 48, 8))
        for key in ("colors_used", "transparent_index", "transparent_color", "has_alpha", "hotspot", "delay",
                    "dpi", "offset", "frame_rect", "comment"):
            self.assertIn(key, frame)
        self.assertEqual(frame["dpi"], [96, 96])
        self.assertEqual(frame["transparent_index"], -1)
        self.assertFalse(frame["has_alpha"])

    def test_info_text_and_several_files(self):
        junk = os.path.join(self.dir, "junk.bin")
        with open(junk, "wb") as f:
            f.write(b"\x11" * 300)
        r = run("info", SAMPLE, junk, os.path.join(self.dir, "missing.bmp"))
        self.assertEqual(r.returncode, 1)
        self.assertIn("48 x 48, 8 bpp", r.stdout)
        self.assertIn("junk.bin: Decode: Unknown or wrong format", r.stderr)
        self.assertIn("missing.bmp: cannot open the file", r.stderr)

    def test_convert_round_trip_and_guessing(self):
        # A bitmap named with an unknown extension is found by guessing.
        named = os.path.join(self.dir, "picture.data")
        out = os.path.join(self.dir, "copy.bmp")
        with open(SAMPLE, "rb") as src, open(named, "wb") as dst:
            dst.write(src.read())
        r = run("convert", named, out)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(SAMPLE, "rb") as a, open(out, "rb") as b:
            self.assertEqual(a.read(), b.read())
        r = run("convert", SAMPLE, os.path.join(self.dir, "typed.out"), "--type", "bmp", "--all-frames")
        self.assertEqual(r.returncode, 0, r.stderr)

    def test_convert_failures_keep_the_target(self):
        # A picture larger than any cursor can hold: the animated-cursor writer refuses it.
        big = os.path.join(self.dir, "big.bmp")
        write_bmp24(big, 300, 300)
        target = os.path.join(self.dir, "keep.ani")
        with open(target, "wb") as f:
            f.write(b"precious")
        r = run("convert", big, target)
        self.assertEqual(r.returncode, 1)
        self.assertTrue(r.stderr.strip())
        with open(target, "rb") as f:
            self.assertEqual(f.read(), b"precious")
        r = run("convert", os.path.join(self.dir, "none.bmp"), os.path.join(self.dir, "x.bmp"))
        self.assertEqual(r.returncode, 1)
        self.assertFalse(os.path.exists(os.path.join(self.dir, "x.bmp")))

    def test_icons_cursors_and_animated_cursors_convert(self):
        ico, cur, ani, back = (os.path.join(self.dir, n) for n in ("a.ico", "b.cur", "c.ani", "d.ico"))
        self.assertEqual(run("convert", SAMPLE, ico).returncode, 0)
        self.assertEqual(run("convert", ico, cur).returncode, 0)
        r = run("convert", cur, ani)
        self.assertEqual(r.returncode, 0, r.stderr)
        for path, type_id in ((ico, 5), (cur, 6), (ani, 17)):
            with self.subTest(path=os.path.basename(path)):
                r = run("info", "--json", path)
                self.assertEqual(r.returncode, 0, r.stderr)
                doc = json.loads(r.stdout)
                self.assertEqual(doc["type"], type_id)
                self.assertEqual((doc["frames"][0]["width"], doc["frames"][0]["height"]), (48, 48))
        # Every step of an animated cursor back into one multi-image icon.
        steps = os.path.join(CORPUS, "generated", "ani", "good", "gen1-1.ani")
        if os.path.exists(steps):
            r = run("convert", steps, back, "--all-frames")
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(json.loads(run("info", "--json", back).stdout)["frame_count"],
                             json.loads(run("info", "--json", steps).stdout)["frame_count"])

    def test_extract_writes_each_icon_group(self):
        program = os.path.join(PROGRAMS, "pe32.exe")
        r = run("extract", program, self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(sorted(os.listdir(self.dir)), ["pe32-0.ico", "pe32-1.ico", "pe32-2.ico"])
        doc = json.loads(run("info", "--json", os.path.join(self.dir, "pe32-0.ico")).stdout)
        self.assertEqual(doc["frame_count"], 2)
        doc = json.loads(run("info", "--json", program).stdout)
        self.assertEqual([g["name"] for g in doc["icon_groups"]], ["MAINICON", "#2", "#5"])
        self.assertEqual(run("extract", SAMPLE, self.dir).returncode, 1)
        self.assertEqual(run("extract", program).returncode, 2)
        self.assertEqual(run("extract", program, os.path.join(self.dir, "missing")).returncode, 1)

    def test_hostile_bitmaps_fail_cleanly(self):
        for rel in ("bmp/bmpsuite-2.8/b/badbitcount.bmp", "bmp/bmpsuite-2.8/b/reallybig.bmp",
                    "bmp/bmpsuite-2.8/b/shortfile.bmp"):
            with self.subTest(rel=rel):
                path = os.path.join(CORPUS, rel)
                if not os.path.exists(path):
                    self.skipTest("no corpus")
                r = run("info", path)
                self.assertEqual(r.returncode, 1)
                self.assertTrue(r.stderr.strip())


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    unittest.main(verbosity=2)
