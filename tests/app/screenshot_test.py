#!/usr/bin/python3
"""Starts the real program on a virtual display (xvfb-run) on the sample
animated cursor, with a screenshot of the main window requested, and checks
the picture: the window fills the virtual screen, menus and toolbars are
drawn, and (once the editor canvas exists) the cursor's pixels appear at the
stored zoom over the canvas hatch. A second run starts on a folder of sample
files: their tiles fill the file list, the first tile (the animated cursor)
is in the editor and the frame strip shows its frames; that picture is kept
as vexmira-browser.png beside SCREENSHOT_OUT (or in the temporary folder).
Exits 77 (skipped) without xvfb-run.
usage: screenshot_test.py VEXMIRA SOURCE_DIR [SCREENSHOT_OUT]"""
import importlib.util
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

PROGRAM = SOURCE = OUT = None
SCREEN = (1280, 1024)
# The editor shows the image at 4:1 (stored as percent); below 5 no grid.
ZOOM = 4
HATCH = (221, 221, 221)


def sample_module():
    spec = importlib.util.spec_from_file_location("make_sample", os.path.join(SOURCE, "samples", "make_sample.py"))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def editor_canvas_built():
    """The canvas class is defined (not only declared) in editor/."""
    folder = os.path.join(SOURCE, "editor")
    for name in os.listdir(folder):
        if name.endswith(".h"):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                if re.search(r"\bclass\s+CIconView\b[^;]*[:{]", f.read()):
                    return True
    return False


def write_settings(config_home):
    folder = os.path.join(config_home, "Quorvane")
    os.makedirs(folder)
    with open(os.path.join(folder, "Vexmira.ini"), "w") as f:
        f.write("[Software]\nQuorvane\\Vexmira\\Config\\Display\\Zoom=dword:%08x\n" % (ZOOM * 100))


def run_program(folder, argument):
    """Runs the program on `argument` with its settings and home in `folder`;
    gives the finished process and the path of its screenshot."""
    shot = os.path.join(folder, "shot.png")
    config = os.path.join(folder, "config")
    write_settings(config)
    env = dict(os.environ, VEXMIRA_SCREENSHOT=shot, VEXMIRA_SCREENSHOT_DELAY_MS="2500",
               XDG_CONFIG_HOME=config, HOME=folder)
    # The virtual X display, whatever session the test runs in.
    env["QT_QPA_PLATFORM"] = "xcb"
    env.pop("WAYLAND_DISPLAY", None)
    # A sanitizer build still reports leaks, except the allocations system
    # libraries keep until exit (listed beside this script).
    env["LSAN_OPTIONS"] = "suppressions=%s:print_suppressions=0" % os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "lsan.supp")
    proc = subprocess.run(
        ["xvfb-run", "-a", "-s", "-screen 0 %dx%dx24" % SCREEN, PROGRAM, argument],
        capture_output=True, text=True, env=env, timeout=180, cwd=folder)
    return proc, shot


class ScreenshotTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.sample = os.path.join(SOURCE, "samples", "vexmira-sample.ani")
        cls.proc, cls.shot = run_program(cls.tmp.name, cls.sample)
        if OUT and os.path.exists(cls.shot):
            shutil.copy(cls.shot, OUT)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_window_fills_the_screen(self):
        self.assertEqual(self.proc.returncode, 0, self.proc.stdout + self.proc.stderr)
        m = re.search(r"screenshot (\S+) (\d+)x(\d+) window (\d+)x(\d+)", self.proc.stdout)
        self.assertIsNotNone(m, self.proc.stdout)
        self.assertEqual(m.group(1), self.shot)
        with Image.open(self.shot) as im:
            self.assertEqual(im.format, "PNG")
            # Maximised: the whole virtual screen, and the picture is the window.
            self.assertEqual(im.size, SCREEN)
        self.assertEqual((int(m.group(4)), int(m.group(5))), SCREEN)

    def test_menus_and_toolbars_are_drawn(self):
        with Image.open(self.shot) as shot:
            im = shot.convert("RGB")
        # The menu bar's text: dark pixels on a light bar in the top rows.
        menu = im.crop((0, 0, 400, 22))
        darkest = min(sum(p) for p in menu.getdata())
        lightest = max(sum(p) for p in menu.getdata())
        self.assertLess(darkest, 200)
        self.assertGreater(lightest, 500)
        # The toolbar pictures bring colour below it.
        bars = im.crop((0, 22, SCREEN[0], 90))
        self.assertGreater(len(set(bars.getdata())), 30)

    def test_canvas_shows_the_cursor_over_the_hatch(self):
        if not editor_canvas_built():
            self.skipTest("the editor canvas (CIconView) is not built yet: window-level checks only")
        with Image.open(self.shot) as im:
            # The file list's tile and the strip's thumbnails show the cursor
            # too: only the canvas is measured.
            canvas = canvas_area(im.convert("RGB"))
            self.assertIsNotNone(canvas, "no canvas hatch in the window")
            problem = canvas_problem(canvas, sample_module())
        self.assertIsNone(problem)

    def test_canvas_check_on_drawn_pictures(self):
        # The check above, on pictures drawn here: the cursor at the zoom over
        # a hatch passes; at another zoom, or without the hatch, it does not.
        sample = sample_module()
        self.assertIsNone(canvas_problem(drawn_canvas(sample, ZOOM, True), sample))
        self.assertIsNotNone(canvas_problem(drawn_canvas(sample, ZOOM - 1, True), sample))
        self.assertIsNotNone(canvas_problem(drawn_canvas(sample, ZOOM, False), sample))
        self.assertIsNotNone(canvas_problem(Image.new("RGB", (200, 200), HATCH), sample))
        # Beside other pictures of the cursor (a tile, thumbnails), the canvas
        # is found by its hatch and measured alone.
        window = Image.new("RGB", (700, 500), (241, 241, 241))
        window.paste(drawn_canvas(sample, ZOOM, True), (250, 150))
        window.paste(drawn_canvas(sample, 1, False).crop((40, 30, 72, 62)), (20, 20))
        self.assertIsNotNone(canvas_problem(window, sample))
        self.assertIsNone(canvas_problem(canvas_area(window), sample))
        self.assertIsNone(canvas_area(drawn_canvas(sample, ZOOM, False)))


def drawn_canvas(sample, zoom, hatched):
    """A stand-in screenshot: step 3 of the cursor at `zoom` at (40, 30) over a
    diagonal cross hatch (or a plain background)."""
    im = Image.new("RGB", (400, 300), (241, 241, 241))
    px = im.load()
    if hatched:
        for y in range(300):
            for x in range(400):
                if (x + y) % 8 == 0 or (x - y) % 8 == 0:
                    px[x, y] = HATCH
    for cy, row in enumerate(sample.step_pixels(3)):
        for cx, p in enumerate(row):
            if p is None:
                continue
            for dy in range(zoom):
                for dx in range(zoom):
                    px[40 + cx * zoom + dx, 30 + cy * zoom + dy] = p
    return im


def hatch_box(im):
    """The box (left, top, right, bottom; right and bottom excluded) covered
    by the canvas hatch, found by its diagonal lines so a lone pixel of the
    hatch grey elsewhere does not count; None without a hatch."""
    w, h = im.size
    px = im.load()
    run = 6
    xs, ys = [], []
    for y in range(h - run):
        for x in range(w - run):
            if all(px[x + k, y + k] == HATCH for k in range(run)):
                xs.append(x)
                ys.append(y)
    if not xs:
        return None
    return (min(xs), min(ys), min(w, max(xs) + run + 1), min(h, max(ys) + run + 1))


def canvas_area(im):
    """The part of `im` the canvas hatch covers, or None."""
    box = hatch_box(im)
    return im.crop(box) if box else None


def canvas_problem(im, sample):
    """None when `im` shows one step of the sample cursor at ZOOM with the
    hatch showing through its transparent cells, else what is wrong."""
    colours = {sample.LIT, sample.UNLIT}
    w, h = im.size
    px = im.load()
    hits = [(x, y) for y in range(h) for x in range(w) if px[x, y] in colours]
    if not hits:
        return "no pixel of the cursor's colours in the window"
    left, top = min(x for x, _ in hits), min(y for _, y in hits)
    right, bottom = max(x for x, _ in hits), max(y for _, y in hits)
    cells = sample.step_pixels(0)
    cols = [x for row in cells for x, p in enumerate(row) if p is not None]
    rows = [y for y, row in enumerate(cells) for p in row if p is not None]
    want = ((max(cols) - min(cols) + 1) * ZOOM, (max(rows) - min(rows) + 1) * ZOOM)
    have = (right - left + 1, bottom - top + 1)
    if have != want:
        return "the ring covers %dx%d pixels, want %dx%d at zoom %d" % (have + want + (ZOOM,))
    x0, y0 = left - min(cols) * ZOOM, top - min(rows) * ZOOM
    lit = hatch = 0
    for cy, row in enumerate(cells):
        for cx, p in enumerate(row):
            x, y = x0 + cx * ZOOM, y0 + cy * ZOOM
            block = [px[x + dx, y + dy] for dy in range(ZOOM) for dx in range(ZOOM)
                     if 0 <= x + dx < w and 0 <= y + dy < h]
            if p is None:
                if any(c in colours for c in block):
                    return "transparent cell (%d, %d) shows a cursor colour" % (cx, cy)
                hatch += HATCH in block
            else:
                if any(c not in colours for c in block):
                    return "ring cell (%d, %d) is not drawn in the cursor's colours" % (cx, cy)
                lit += block[0] == sample.LIT
    if not lit:
        return "no lit sector: the step was not drawn"
    if not hatch:
        return "the hatch does not show through the transparent cells"
    return None

# Colours of the generated pictures of the browser run; nothing else on the
# screen has them.
BMP_COLOUR = (200, 30, 160)
ICON_COLOUR = (30, 170, 90)


def icon_bytes(side, rgb):
    """A one-image icon file: side x side, 32 bits, opaque, of one colour."""
    pixels = bytes([rgb[2], rgb[1], rgb[0], 255]) * (side * side)
    mask = bytes(((side + 31) // 32) * 4 * side)
    image = struct.pack("<IiiHHIIiiII", 40, side, 2 * side, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image += pixels + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), 22) + image


def colour_box(im, colours, box=None):
    """Bounding box (left, top, right, bottom) of the pixels of `colours`
    inside `box` (the whole picture by default), or None."""
    left, top, right, bottom = box or (0, 0) + im.size
    px = im.load()
    xs, ys = [], []
    for y in range(top, bottom):
        for x in range(left, right):
            if px[x, y] in colours:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs), max(ys)) if xs else None


def row_groups(im, colours, box):
    """How many separate bands of rows inside box hold pixels of colours."""
    left, top, right, bottom = box
    px = im.load()
    rows = [y for y in range(top, bottom) if any(px[x, y] in colours for x in range(left, right))]
    groups = 0
    last = None
    for y in rows:
        if last is None or y - last > 4:
            groups += 1
        last = y
    return groups


class BrowserScreenshotTest(unittest.TestCase):
    """The program started on a folder: tiles, the first one in the editor,
    its frames in the strip."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.folder = os.path.join(cls.tmp.name, "samples")
        os.makedirs(cls.folder)
        # Names in list order: the animated cursor is the first tile.
        shutil.copy(os.path.join(SOURCE, "samples", "vexmira-sample.ani"), os.path.join(cls.folder, "a-cursor.ani"))
        Image.new("RGB", (40, 40), BMP_COLOUR).save(os.path.join(cls.folder, "b-picture.bmp"), "BMP")
        with open(os.path.join(cls.folder, "c-icon.ico"), "wb") as f:
            f.write(icon_bytes(32, ICON_COLOUR))
        cls.proc, cls.shot = run_program(cls.tmp.name, cls.folder)
        out_dir = os.path.join(os.path.dirname(OUT), "test-output") if OUT else cls.tmp.name
        os.makedirs(out_dir, exist_ok=True)
        cls.kept = os.path.join(out_dir, "vexmira-browser.png")
        if os.path.exists(cls.shot):
            shutil.copy(cls.shot, cls.kept)
            print("browser screenshot: %s" % cls.kept)
        cls.im = Image.open(cls.shot).convert("RGB") if os.path.exists(cls.shot) else None

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def setUp(self):
        self.assertEqual(self.proc.returncode, 0, self.proc.stdout + self.proc.stderr)
        self.assertIsNotNone(self.im, self.proc.stdout + self.proc.stderr)
        self.assertEqual(self.im.size, SCREEN)

    def canvas_box(self):
        box = hatch_box(self.im)
        self.assertIsNotNone(box, "no canvas hatch in the window")
        return box

    def test_tiles_fill_the_file_list(self):
        canvas = self.canvas_box()
        boxes = []
        for colour in (BMP_COLOUR, ICON_COLOUR):
            box = colour_box(self.im, {colour})
            self.assertIsNotNone(box, "no tile of colour %s" % (colour,))
            w, h = box[2] - box[0] + 1, box[3] - box[1] + 1
            # A 32 x 32 tile, above the editor and right of the folder tree.
            self.assertEqual((w, h), (32, 32), "tile of %s covers %s" % (colour, box))
            self.assertLess(box[3], canvas[1])
            self.assertGreater(box[0], SCREEN[0] // 8)
            boxes.append(box)
        # File-name order: the picture's tile before the icon's, on one row.
        self.assertEqual(boxes[0][1], boxes[1][1])
        self.assertLess(boxes[0][0], boxes[1][0])

    def test_editor_shows_the_first_tile(self):
        canvas = self.canvas_box()
        problem = canvas_problem(self.im.crop(canvas), sample_module())
        self.assertIsNone(problem)

    def test_strip_shows_the_frames(self):
        canvas = self.canvas_box()
        sample = sample_module()
        strip = (canvas[2], canvas[1], SCREEN[0], SCREEN[1])
        self.assertIsNotNone(colour_box(self.im, {sample.LIT, sample.UNLIT}, strip), "no frame in the strip")
        # One thumbnail per frame, one under the other: at least two show.
        self.assertGreaterEqual(row_groups(self.im, {sample.UNLIT}, strip), 2)


if __name__ == "__main__":
    if not shutil.which("xvfb-run"):
        print("SKIP: xvfb-run is not installed (Debian packages xvfb and xauth)")
        sys.exit(77)
    PROGRAM, SOURCE = (os.path.abspath(a) for a in sys.argv[1:3])
    OUT = os.path.abspath(sys.argv[3]) if len(sys.argv) > 3 else None
    unittest.main(argv=sys.argv[:1], verbosity=2)
