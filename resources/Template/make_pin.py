"""Draws pin.png, the picture of the default library's picture template: a
48 x 48 map pin with a transparent surround. Run with /usr/bin/python3 (Pillow)
from this folder; the result is committed."""
from PIL import Image, ImageDraw

im = Image.new("RGBA", (48, 48), (0, 0, 0, 0))
d = ImageDraw.Draw(im)
d.polygon([(12, 22), (36, 22), (24, 46)], fill=(200, 30, 40, 255))
d.ellipse((8, 2, 40, 34), fill=(200, 30, 40, 255), outline=(120, 10, 20, 255), width=2)
d.ellipse((18, 12, 30, 24), fill=(255, 255, 255, 255))
im.save("pin.png", optimize=True)
