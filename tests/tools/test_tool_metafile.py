#!/usr/bin/python3
"""vexmira-tool on metafiles, seen from outside: info names the type and size,
convert renders them to a bitmap Pillow reads, and writing one is refused.

usage: test_tool_metafile.py VEXMIRA_TOOL CORPUS_DIR
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image


def run(*args):
    return subprocess.run(list(args), capture_output=True, text=True)


def main():
    tool, corpus = sys.argv[1], sys.argv[2]
    cases = [  # file, expected size
        ("wmf/libwmf/examples/arrow01.wmf", (169, 158)),
        ("wmf/pillow/drawing.wmf", (109, 109)),
        ("emf/pillow/drawing.emf", (1625, 1625)),
    ]
    errors = []
    with tempfile.TemporaryDirectory() as tmp:
        for rel, size in cases:
            path = os.path.join(corpus, rel)
            if not os.path.exists(path):
                print("skipped, no corpus:", rel)
                continue
            info = run(tool, "info", path)
            want = f"{size[0]} x {size[1]}, 24 bpp"
            if info.returncode != 0 or "type 11" not in info.stdout or want not in info.stdout:
                errors.append(f"info {rel}: have {info.stdout!r} {info.stderr!r}, want type 11 and {want}")
            out = os.path.join(tmp, os.path.basename(rel) + ".bmp")
            conv = run(tool, "convert", path, out)
            if conv.returncode != 0:
                errors.append(f"convert {rel}: {conv.stderr}")
                continue
            with Image.open(out) as img:
                if img.size != size:
                    errors.append(f"convert {rel}: have {img.size} want {size}")
                if img.convert("RGB").getextrema() == ((255, 255), (255, 255), (255, 255)):
                    errors.append(f"convert {rel}: the picture is blank")
        bmp = os.path.join(tmp, "plain.bmp")
        Image.new("RGB", (4, 4), (1, 2, 3)).save(bmp)
        refused = run(tool, "convert", bmp, os.path.join(tmp, "out.wmf"))
        if refused.returncode != 1 or "Save WMF not supported" not in refused.stderr:
            errors.append(f"writing a metafile: have {refused.returncode} {refused.stderr!r}")
        if os.path.exists(os.path.join(tmp, "out.wmf")):
            errors.append("a refused metafile left a file behind")
    for e in errors:
        print("FAIL", e)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
