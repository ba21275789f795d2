#!/usr/bin/python3
"""The installed tree (cmake --install into a temporary prefix) and the
desktop files: the tool runs from there, the MIME definitions compile and map
sample files to our types, the thumbnailer entry and the desktop entry
template are valid. A check whose Debian tool is missing is skipped.
usage: test_install.py BUILD_DIR SOURCE_DIR CORPUS"""
import configparser
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

BUILD = SOURCE = CORPUS = None
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
# The types the system may not know, each with a sample whose content (not
# only its name) must map to it.
OUR_TYPES = {
    "application/x-navi-animation": "ani/sdl_image/rgbrgb.ani",
    "image/x-win-bitmap": "cur/pillow/deerstalker.cur",
    "image/x-sun-raster": "ras/pillow/hopper.ras",
    "image/vnd.wap.wbmp": "wbmp/wuffs/hat.wbmp",
    "application/x-icl": None,
    "image/x-pgx": None,
}
MAGIC_TYPES = ("application/x-navi-animation", "image/x-win-bitmap", "image/x-sun-raster", "image/x-pgx")
THUMBNAILED = ("image/x-icon", "image/vnd.microsoft.icon", "image/x-win-bitmap", "application/x-navi-animation",
               "application/x-ms-dos-executable", "application/x-msdownload",
               "application/vnd.microsoft.portable-executable", "application/x-ms-ne-executable",
               "image/x-pgx", "image/x-sun-raster", "image/vnd.wap.wbmp", "application/x-icl")


def entry(path, group):
    parser = configparser.ConfigParser(interpolation=None, delimiters=("=",))
    parser.optionxform = str
    parser.read(path)
    return parser[group]


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.prefix = os.path.join(cls.tmp.name, "prefix")
        r = subprocess.run(["cmake", "--install", BUILD, "--prefix", cls.prefix], capture_output=True, text=True)
        if r.returncode != 0:
            raise RuntimeError(r.stdout + r.stderr)
        cls.share = os.path.join(cls.prefix, "share")
        cls.tool = os.path.join(cls.prefix, "bin", "vexmira-tool")

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_tree(self):
        self.assertTrue(os.access(self.tool, os.X_OK))
        self.assertTrue(os.path.isfile(os.path.join(self.share, "thumbnailers", "vexmira.thumbnailer")))
        self.assertTrue(os.path.isfile(os.path.join(self.share, "mime", "packages", "vexmira.xml")))
        for size in ICON_SIZES:
            with self.subTest(size=size):
                im = Image.open(os.path.join(self.share, "icons", "hicolor", "%dx%d" % (size, size), "apps",
                                             "vexmira.png"))
                self.assertEqual(im.format, "PNG")
                self.assertEqual(im.size, (size, size))
                self.assertEqual(im.mode, "RGBA")
                # A tile with a transparent surround: corners clear, middle
                # opaque (the area average truncates, so 255 may read 254).
                self.assertEqual(im.getpixel((0, 0))[3], 0)
                self.assertGreaterEqual(im.getpixel((size // 2, size // 2))[3], 253)
        # The program and its menu entry, the template as it stands.
        self.assertTrue(os.access(os.path.join(self.prefix, "bin", "vexmira"), os.X_OK))
        with open(os.path.join(self.share, "applications", "vexmira.desktop"), "rb") as installed, \
                open(os.path.join(SOURCE, "resources", "vexmira.desktop.in"), "rb") as template:
            self.assertEqual(installed.read(), template.read())
        self.assertEqual(os.listdir(os.path.join(self.share, "applications")), ["vexmira.desktop"])
        # Nothing in the installed tree points back into the build tree.
        for folder, _, files in os.walk(self.share):
            for name in files:
                with open(os.path.join(folder, name), "rb") as f:
                    self.assertNotIn(os.path.abspath(BUILD).encode(), f.read(), name)

    def test_installed_tool_runs(self):
        tmp = os.path.join(self.tmp.name, "run")
        os.makedirs(tmp, exist_ok=True)
        # Outside the build tree, from a folder of its own.
        r = subprocess.run([self.tool, "info", os.path.join(SOURCE, "samples", "vexmira-sample.bmp")],
                           capture_output=True, text=True, cwd=tmp)
        self.assertEqual(r.returncode, 0, r.stderr)
        out = os.path.join(tmp, "t.png")
        r = subprocess.run([self.tool, "thumbnail", "-s", "32", os.path.join(CORPUS, "ani/sdl_image/rgbrgb.ani"), out],
                           capture_output=True, text=True, cwd=tmp, timeout=120)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(Image.open(out).size, (32, 32))

    def test_installed_program_starts(self):
        # The installed program starts from the prefix, outside the build
        # tree, on the shipped sample, and its default template library is
        # where it looks for it (beside the program's share folder).
        self.assertTrue(os.path.isfile(os.path.join(self.share, "vexmira", "Template", "Template.db")))
        tmp = os.path.join(self.tmp.name, "gui")
        os.makedirs(tmp, exist_ok=True)
        shot = os.path.join(tmp, "shot.png")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", VEXMIRA_SCREENSHOT=shot,
                   VEXMIRA_SCREENSHOT_DELAY_MS="500", XDG_CONFIG_HOME=os.path.join(tmp, "config"),
                   XDG_DATA_HOME=os.path.join(tmp, "data"), HOME=tmp)
        r = subprocess.run([os.path.join(self.prefix, "bin", "vexmira"),
                            os.path.join(SOURCE, "samples", "vexmira-sample.ani")],
                           capture_output=True, text=True, cwd=tmp, env=env, timeout=120)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertGreater(Image.open(shot).size[0], 100)

    def test_thumbnailer_entry(self):
        e = entry(os.path.join(self.share, "thumbnailers", "vexmira.thumbnailer"), "Thumbnailer Entry")
        self.assertEqual(e["TryExec"], "vexmira-tool")
        self.assertEqual(e["Exec"], "vexmira-tool thumbnail -s %s %i %o")
        types = set(filter(None, e["MimeType"].split(";")))
        self.assertEqual(types, set(THUMBNAILED))

    def test_desktop_entry_template(self):
        path = os.path.join(SOURCE, "resources", "vexmira.desktop.in")
        e = entry(path, "Desktop Entry")
        self.assertEqual(e["Exec"], "vexmira %F")
        self.assertIn("Graphics", e["Categories"].split(";"))
        types = set(filter(None, e["MimeType"].split(";")))
        # Everything we thumbnail and define is also opened by the program.
        self.assertLessEqual(set(THUMBNAILED) | set(OUR_TYPES), types)
        for t in ("image/bmp", "image/png", "image/gif", "image/jpeg", "image/tiff", "image/x-tga", "image/x-pcx"):
            self.assertIn(t, types)
        if not shutil.which("desktop-file-validate"):
            self.skipTest("desktop-file-validate is not installed")
        copy = os.path.join(self.tmp.name, "vexmira.desktop")
        shutil.copy(path, copy)
        r = subprocess.run(["desktop-file-validate", copy], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertEqual(r.stdout.strip(), "")

    def test_mime_definitions_compile_and_map_samples(self):
        for tool in ("update-mime-database", "xdg-mime", "gio"):
            if not shutil.which(tool):
                self.skipTest(tool + " is not installed")
        data = os.path.join(self.tmp.name, "xdg")
        shutil.copytree(os.path.join(self.share, "mime"), os.path.join(data, "mime"))
        r = subprocess.run(["update-mime-database", os.path.join(data, "mime")], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(os.path.join(data, "mime", "types")) as f:
            compiled = set(f.read().split())
        self.assertLessEqual(set(OUR_TYPES), compiled)

        samples = os.path.join(self.tmp.name, "samples")
        os.makedirs(samples)
        files = {}
        for mime, rel in OUR_TYPES.items():
            if rel:
                files[mime] = os.path.join(CORPUS, rel)
        files["application/x-icl"] = os.path.join(SOURCE, "fuzz", "seeds", "exe", "ne.icl")
        pgx = os.path.join(samples, "grey.pgx")
        with open(pgx, "wb") as f:
            f.write(b"PG ML + 8 4 2\n" + bytes(8))
        files["image/x-pgx"] = pgx
        # The same bytes under a name that says nothing: only magic can tell.
        for mime in MAGIC_TYPES:
            plain = os.path.join(samples, mime.replace("/", "_") + "-noname")
            shutil.copy(files[mime], plain)
            files[mime + " (content)"] = plain
        # Only our folder: a mapping can come from nowhere else. gio reads
        # the shared MIME database, the plain fallback of xdg-mime does not.
        env = dict(os.environ, XDG_DATA_DIRS=data, XDG_DATA_HOME=data, XDG_CURRENT_DESKTOP="GNOME")
        for label, path in files.items():
            with self.subTest(sample=label):
                r = subprocess.run(["xdg-mime", "query", "filetype", path], capture_output=True, text=True, env=env)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(r.stdout.strip(), label.split(" ")[0])


if __name__ == "__main__":
    BUILD, SOURCE, CORPUS = (os.path.abspath(a) for a in sys.argv[1:4])
    unittest.main(argv=sys.argv[:1])
