#!/usr/bin/python3
"""vexmira-tool apply seen from outside: the operation table, parameters,
exit codes and results checked by reading the output with Pillow."""
import os
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

TOOL = None


def run(*args):
    return subprocess.run([TOOL, *args], capture_output=True, text=True)


def save_rgb(path, rows):
    """rows: list of rows (top row first) of (r, g, b)."""
    img = Image.new("RGB", (len(rows[0]), len(rows)))
    img.putdata([p for row in rows for p in row])
    img.save(path)


def read_rgb(path):
    with Image.open(path) as opened:
        img = opened.convert("RGB")
    w, h = img.size
    return [[img.getpixel((x, y)) for x in range(w)] for y in range(h)]


class ApplyTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        self.src = os.path.join(self.dir, "in.bmp")
        self.out = os.path.join(self.dir, "out.bmp")

    def tearDown(self):
        self.tmp.cleanup()

    def test_list_shows_every_family_with_ranges_and_defaults(self):
        r = run("apply", "--list")
        self.assertEqual(r.returncode, 0, r.stderr)
        for name in ("Rotate (geometry)", "Resize (geometry)", "Crop", "ExpandCanvas", "Mix", "GrayScale (colour)",
                     "Gamma", "HistogramEqualize (tone)", "KernelFilter (filter)", "Gaussian7x7", "Median", "Noise"):
            self.assertIn(name, r.stdout)
        self.assertIn("method int 0..2 default 0", r.stdout)
        self.assertIn("level int 0..1000 default 50", r.stdout)
        self.assertIn("source image file required", r.stdout)

    def test_usage_errors_exit_2(self):
        save_rgb(self.src, [[(1, 2, 3)]])
        for args in (["apply"], ["apply", self.src, self.out], ["apply", self.src, self.out, "Frobnicate"],
                     ["apply", self.src, self.out, "Resize", "0"], ["apply", self.src, self.out, "Resize", "2", "2", "3"],
                     ["apply", self.src, self.out, "Resize", "2", "2", "0", "9"],
                     ["apply", self.src, self.out, "Gamma", "x"], ["apply", self.src, self.out, "Mix"],
                     ["apply", self.src, self.out, "Negative", "--frame", "-2"],
                     ["apply", self.src, os.path.join(self.dir, "x.unknown"), "Negative"]):
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual(r.returncode, 2, r.stderr)
                self.assertIn("usage:", r.stderr)
        self.assertFalse(os.path.exists(self.out))

    def test_results_match_the_arithmetic(self):
        cases = [
            # (operation and parameters, input rows, expected rows)
            (["Resize", "2", "1", "1"], [[(10, 10, 10), (20, 20, 20), (30, 30, 30)]], [[(10, 10, 10), (20, 20, 20)]]),
            (["Light", "0", "-25"], [[(1, 1, 1), (130, 130, 130)]], [[(32, 32, 32), (129, 129, 129)]]),
            (["Negative"], [[(0, 10, 255)]], [[(255, 245, 0)]]),
            (["GrayScale"], [[(255, 0, 0), (0, 0, 255)]], [[(76, 76, 76), (29, 29, 29)]]),
            (["Noise", "50"], [[(100, 100, 100)]], [[(76, 103, 85)]]),
            (["Crop", "1", "0", "2", "1"], [[(1, 1, 1), (2, 2, 2)], [(3, 3, 3), (4, 4, 4)]], [[(2, 2, 2)]]),
        ]
        for args, rows, want in cases:
            with self.subTest(args=args):
                save_rgb(self.src, rows)
                r = run("apply", self.src, self.out, *args)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(read_rgb(self.out), want)

    def test_defaults_fill_missing_parameters(self):
        save_rgb(self.src, [[(5, 5, 5)] * 3] * 2)
        r = run("apply", self.src, self.out, "Resize")
        self.assertEqual(r.returncode, 0, r.stderr)
        with Image.open(self.out) as img:
            self.assertEqual(img.size, (100, 100))

    def test_mix_reads_a_second_image(self):
        top = os.path.join(self.dir, "top.bmp")
        save_rgb(self.src, [[(1, 1, 1), (1, 1, 1)]])
        save_rgb(top, [[(9, 9, 9), (8, 8, 8), (7, 7, 7)]])
        r = run("apply", self.src, self.out, "Mix", top, "1", "0")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(read_rgb(self.out), [[(8, 8, 8), (7, 7, 7)]])

    def test_failed_operation_exits_1_and_writes_nothing(self):
        save_rgb(self.src, [[(90, 90, 90)] * 4])
        r = run("apply", self.src, self.out, "HistogramEqualize")
        self.assertEqual(r.returncode, 1)
        self.assertIn("HistogramEqualize failed", r.stderr)
        self.assertFalse(os.path.exists(self.out))

    def test_frame_option_and_missing_input(self):
        save_rgb(self.src, [[(0, 0, 0), (255, 255, 255)]])
        r = run("apply", self.src, self.out, "Mirror", "--frame", "0")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(read_rgb(self.out), [[(255, 255, 255), (0, 0, 0)]])
        r = run("apply", os.path.join(self.dir, "missing.bmp"), self.out, "Mirror")
        self.assertEqual(r.returncode, 1)


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    unittest.main()
