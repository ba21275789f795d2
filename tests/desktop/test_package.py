#!/usr/bin/python3
"""cpack -G DEB from the build folder into a temporary folder: the package
exists, is named vexmira, declares its dependencies and holds the installed
tree under /usr. Prints the package size and its Depends line.
usage: test_package.py BUILD_DIR"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

BUILD = None


class PackageTest(unittest.TestCase):
    def test_debian_package(self):
        for tool in ("cpack", "dpkg-deb", "dpkg-shlibdeps"):
            if not shutil.which(tool):
                self.skipTest(tool + " is not installed")
        with tempfile.TemporaryDirectory() as out:
            r = subprocess.run(["cpack", "-G", "DEB", "-B", out], cwd=BUILD, capture_output=True, text=True)
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
            debs = glob.glob(os.path.join(out, "vexmira_*.deb"))
            self.assertEqual(len(debs), 1, os.listdir(out))
            deb = debs[0]
            self.assertGreater(os.path.getsize(deb), 0)
            info = subprocess.run(["dpkg-deb", "-I", deb], capture_output=True, text=True, check=True).stdout
            fields = dict(line.strip().split(": ", 1) for line in info.splitlines() if line.startswith(" ") and ": " in line)
            self.assertEqual(fields.get("Package"), "vexmira")
            self.assertTrue(fields.get("Maintainer"))
            self.assertTrue(fields.get("Description"))
            depends = fields.get("Depends", "")
            for library in ("libc6", "libpng", "libqt6gui6", "libqt6widgets6", "fonts-dejavu-core"):
                self.assertIn(library, depends)
            # No maintainer scripts: Debian's triggers refresh the MIME and icon caches.
            for script in ("postinst", "preinst", "postrm", "prerm"):
                self.assertNotIn(" " + script, info)
            listing = subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True, check=True).stdout
            for path in ("./usr/bin/vexmira-tool", "./usr/bin/vexmira", "./usr/share/applications/vexmira.desktop",
                         "./usr/share/thumbnailers/vexmira.thumbnailer",
                         "./usr/share/mime/packages/vexmira.xml",
                         "./usr/share/icons/hicolor/256x256/apps/vexmira.png",
                         "./usr/share/icons/hicolor/16x16/apps/vexmira.png"):
                self.assertIn(path, listing)
            # apt accepts the file and every dependency resolves on this system
            # (a dry run: nothing is installed).
            if shutil.which("apt-get"):
                r = subprocess.run(["apt-get", "install", "--simulate", "-o", "Debug::NoLocking=1", deb],
                                   capture_output=True, text=True)
                self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
                self.assertRegex(r.stdout, r"(?m)^Inst vexmira ")
            print("\npackage %s: %d bytes\nDepends: %s" % (os.path.basename(deb), os.path.getsize(deb), depends))


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv[1])
    unittest.main(argv=sys.argv[:1])
