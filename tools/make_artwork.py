#!/usr/bin/python3
"""Draws every image of the two resource collections into app/UI/.

All artwork is drawn here from simple shapes, four times oversized and then
reduced, so edges are smooth. One palette around the accent rgb(30, 144, 255)
and one stroke weight per size keep the icons consistent. Run it from the
project root after changing a drawing; the outputs are committed beside it.

    /usr/bin/python3 tools/make_artwork.py
"""

import io
import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app", "UI")

ACCENT = (30, 144, 255)
ACCENT_DARK = (16, 98, 196)
ACCENT_DEEP = (11, 70, 150)
ACCENT_LIGHT = (214, 235, 255)
ACCENT_PALE = (240, 247, 255)
WORKSPACE = (255, 250, 240)
WHITE = (255, 255, 255)
GREY = (160, 168, 178)
GREY_LIGHT = (226, 230, 235)
RED = (214, 48, 49)
CLOSE_RED = (232, 17, 35)
AMBER = (245, 166, 35)
GREEN = (39, 174, 96)
SS = 4  # supersampling factor


def rgba(colour, alpha=255):
    return tuple(colour[:3]) + (alpha,)


class Canvas:
    """A drawing surface SS times larger than the result, in result pixels."""

    def __init__(self, width, height, background=(0, 0, 0, 0)):
        self.width, self.height = width, height
        self.image = Image.new("RGBA", (width * SS, height * SS), background)
        self.draw = ImageDraw.Draw(self.image)

    def s(self, v):
        return v * SS

    def box(self, x0, y0, x1, y1):
        return [self.s(x0), self.s(y0), self.s(x1), self.s(y1)]

    def rect(self, x0, y0, x1, y1, fill=None, outline=None, width=1, radius=0):
        self.draw.rounded_rectangle(self.box(x0, y0, x1, y1), radius=self.s(radius),
                                    fill=fill, outline=outline, width=max(1, round(self.s(width))))

    def ellipse(self, x0, y0, x1, y1, fill=None, outline=None, width=1):
        self.draw.ellipse(self.box(x0, y0, x1, y1), fill=fill, outline=outline,
                          width=max(1, round(self.s(width))))

    def circle(self, cx, cy, r, **kw):
        self.ellipse(cx - r, cy - r, cx + r, cy + r, **kw)

    def line(self, points, fill, width, round_caps=True):
        pts = [(self.s(x), self.s(y)) for x, y in points]
        w = max(1, round(self.s(width)))
        self.draw.line(pts, fill=fill, width=w, joint="curve")
        if round_caps:
            for x, y in (pts[0], pts[-1]):
                self.draw.ellipse([x - w / 2, y - w / 2, x + w / 2, y + w / 2], fill=fill)

    def arc(self, cx, cy, r, start, end, fill, width):
        """Arc in degrees, 0 = east, clockwise (PIL's convention), round caps."""
        w = max(1, round(self.s(width)))
        self.draw.arc(self.box(cx - r, cy - r, cx + r, cy + r), start, end, fill=fill, width=w)
        for a in (start, end):
            px = self.s(cx) + (self.s(r) - w / 2) * math.cos(math.radians(a))
            py = self.s(cy) + (self.s(r) - w / 2) * math.sin(math.radians(a))
            self.draw.ellipse([px - w / 2, py - w / 2, px + w / 2, py + w / 2], fill=fill)

    def polygon(self, points, fill=None, outline=None):
        self.draw.polygon([(self.s(x), self.s(y)) for x, y in points], fill=fill, outline=outline)

    def result(self):
        return self.image.resize((self.width, self.height), Image.LANCZOS)


def save(image, name, fmt="PNG"):
    path = os.path.join(OUT, name)
    image.save(path, fmt, optimize=True)
    return path


# --------------------------------------------------------------- glyphs
# Glyphs are drawn in a square of side `size` at (ox, oy); stroke = size / 12.

def glyph_reset(c, ox, oy, size, colour):
    cx, cy, r = ox + size / 2, oy + size / 2, size * 0.34
    w = size / 12
    c.arc(cx, cy, r, -60, 230, colour, w)
    # arrow head at the open end (angle -60, i.e. upper right)
    a = math.radians(-60)
    tx, ty = cx + (r - w / 2) * math.cos(a), cy + (r - w / 2) * math.sin(a)
    h = size * 0.16
    c.polygon([(tx + h * 0.9, ty - h * 0.2), (tx - h * 0.7, ty - h * 0.55), (tx - h * 0.05, ty + h * 0.95)],
              fill=colour)
    c.circle(cx, cy, size * 0.07, fill=colour)


def glyph_clear(c, ox, oy, size, colour):
    w = size / 12
    # eraser: a tilted block, the lower half filled
    cx, cy = ox + size * 0.52, oy + size * 0.44
    ang = math.radians(-40)
    hw, hh = size * 0.30, size * 0.15

    def rot(x, y):
        return (cx + x * math.cos(ang) - y * math.sin(ang), cy + x * math.sin(ang) + y * math.cos(ang))

    outline = [rot(-hw, -hh), rot(hw, -hh), rot(hw, hh), rot(-hw, hh)]
    c.polygon([rot(-hw, -hh), rot(-hw * 0.1, -hh), rot(-hw * 0.1, hh), rot(-hw, hh)], fill=colour)
    c.line(outline + [outline[0]], colour, w)
    c.line([(ox + size * 0.18, oy + size * 0.84), (ox + size * 0.84, oy + size * 0.84)], colour, w)


def glyph_power(c, ox, oy, size, colour):
    cx, cy, r = ox + size / 2, oy + size * 0.54, size * 0.33
    w = size / 11
    c.arc(cx, cy, r, -55, 235, colour, w)
    c.line([(cx, oy + size * 0.12), (cx, oy + size * 0.5)], colour, w)


def glyph_gear(c, ox, oy, size, colour, background=(0, 0, 0, 0)):
    cx, cy = ox + size / 2, oy + size / 2
    outer, inner = size * 0.44, size * 0.33
    teeth = 8
    pts = []
    for i in range(teeth * 4):
        a = 2 * math.pi * i / (teeth * 4)
        r = outer if (i % 4) in (1, 2) else inner
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    c.polygon(pts, fill=colour)
    c.circle(cx, cy, size * 0.13, fill=background)


def glyph_zero(c, ox, oy, size, colour):
    cx, cy = ox + size / 2, oy + size / 2
    w = size / 12
    c.circle(cx, cy, size * 0.30, outline=colour, width=w)
    for (x0, y0, x1, y1) in ((0.04, 0.5, 0.2, 0.5), (0.8, 0.5, 0.96, 0.5),
                             (0.5, 0.04, 0.5, 0.2), (0.5, 0.8, 0.5, 0.96)):
        c.line([(ox + size * x0, oy + size * y0), (ox + size * x1, oy + size * y1)], colour, w)
    c.circle(cx, cy, size * 0.08, fill=colour)


def glyph_plus_minus(c, ox, oy, size, colour):
    w = size / 11
    # "+" upper left, "-" lower right, a slanted divider between
    c.line([(ox + size * 0.12, oy + size * 0.30), (ox + size * 0.46, oy + size * 0.30)], colour, w)
    c.line([(ox + size * 0.29, oy + size * 0.13), (ox + size * 0.29, oy + size * 0.47)], colour, w)
    c.line([(ox + size * 0.54, oy + size * 0.72), (ox + size * 0.88, oy + size * 0.72)], colour, w)
    c.line([(ox + size * 0.80, oy + size * 0.16), (ox + size * 0.20, oy + size * 0.86)], colour, w * 0.8)


def glyph_preset(c, ox, oy, size, colour):
    w = size / 12
    # a display field with a value and a pencil
    c.rect(ox + size * 0.08, oy + size * 0.22, ox + size * 0.78, oy + size * 0.62,
           outline=colour, width=w, radius=size * 0.06)
    for i in range(3):
        x = ox + size * (0.2 + i * 0.16)
        c.line([(x, oy + size * 0.34), (x, oy + size * 0.50)], colour, w * 0.8)
    ang = math.radians(-45)
    bx, by = ox + size * 0.62, oy + size * 0.86
    length, half = size * 0.42, size * 0.07
    dx, dy = math.cos(ang), math.sin(ang)
    nx, ny = -dy, dx
    tip = (bx, by)
    body0 = (bx + dx * size * 0.12, by + dy * size * 0.12)
    end = (bx + dx * length, by + dy * length)
    c.polygon([tip, (body0[0] + nx * half, body0[1] + ny * half), (body0[0] - nx * half, body0[1] - ny * half)],
              fill=colour)
    c.polygon([(body0[0] + nx * half, body0[1] + ny * half), (end[0] + nx * half, end[1] + ny * half),
               (end[0] - nx * half, end[1] - ny * half), (body0[0] - nx * half, body0[1] - ny * half)],
              fill=colour)


def glyph_update(c, ox, oy, size, colour):
    w = size / 12
    cx = ox + size / 2
    c.line([(cx, oy + size * 0.10), (cx, oy + size * 0.58)], colour, w)
    c.line([(cx - size * 0.2, oy + size * 0.40), (cx, oy + size * 0.60), (cx + size * 0.2, oy + size * 0.40)],
           colour, w)
    c.line([(ox + size * 0.14, oy + size * 0.62), (ox + size * 0.14, oy + size * 0.86),
            (ox + size * 0.86, oy + size * 0.86), (ox + size * 0.86, oy + size * 0.62)], colour, w)


def glyph_mail(c, ox, oy, size, colour):
    w = size / 12
    x0, y0, x1, y1 = ox + size * 0.10, oy + size * 0.24, ox + size * 0.90, oy + size * 0.78
    c.rect(x0, y0, x1, y1, outline=colour, width=w, radius=size * 0.05)
    c.line([(x0 + w, y0 + w), (ox + size / 2, oy + size * 0.54), (x1 - w, y0 + w)], colour, w)


def glyph_logo(c, ox, oy, size):
    """Product mark: a blue tile with a white encoder disk."""
    c.rect(ox, oy, ox + size, oy + size, fill=rgba(ACCENT), radius=size * 0.22)
    cx, cy = ox + size / 2, oy + size / 2
    c.circle(cx, cy, size * 0.36, outline=rgba(WHITE), width=max(size * 0.07, 1.2))
    if size >= 24:
        for i in range(12):
            a = 2 * math.pi * i / 12
            c.line([(cx + size * 0.20 * math.cos(a), cy + size * 0.20 * math.sin(a)),
                    (cx + size * 0.27 * math.cos(a), cy + size * 0.27 * math.sin(a))],
                   rgba(WHITE), size * 0.035)
    c.circle(cx, cy, size * 0.09, fill=rgba(WHITE))


def tool_icon(name, width, height, glyph):
    """A glyph centred in a canvas of the given size, on transparent."""
    c = Canvas(width, height)
    side = min(width, height)
    glyph(c, (width - side) / 2, (height - side) / 2, side, rgba(ACCENT))
    save(c.result(), name)


# --------------------------------------------------------- backgrounds

def window_background(name, width, height, bands):
    """A window frame image laid out for the frame slicing of the window kit.

    bands: (y, h) of top border, title band, separator, body, bottom band.
    Inside columns 3 .. W-4 every band is uniform across, so stretched and
    tiled centre pieces join without seams; the 2-pixel side columns carry
    the border. The on-screen rounding of the top corners is the window's.
    """
    img = Image.new("RGBA", (width, height), rgba(ACCENT_DARK))
    d = ImageDraw.Draw(img)
    top, title, sep, body, bottom = bands
    # title band: flat accent, a lighter top line for depth
    d.rectangle([0, title[0], width - 1, title[0] + title[1] - 1], fill=rgba(ACCENT))
    d.rectangle([2, title[0], width - 3, title[0]], fill=rgba((82, 170, 255)))
    d.rectangle([0, top[0], width - 1, top[0] + top[1] - 1], fill=rgba(ACCENT_DARK))
    d.rectangle([0, sep[0], width - 1, sep[0] + sep[1] - 1], fill=rgba(ACCENT_DARK))
    d.rectangle([0, body[0], width - 1, body[0] + body[1] - 1], fill=rgba(WORKSPACE))
    y_end = bottom[0] + bottom[1]
    if bottom[1] > 4:
        # a bottom panel with a hairline on top and the border below
        d.rectangle([0, bottom[0], width - 1, y_end - 1], fill=rgba((236, 244, 253)))
        d.rectangle([0, bottom[0], width - 1, bottom[0]], fill=rgba((196, 222, 250)))
        d.rectangle([0, y_end - 2, width - 1, y_end - 1], fill=rgba(ACCENT_DARK))
    else:
        d.rectangle([0, bottom[0], width - 1, y_end - 1], fill=rgba(ACCENT_DARK))
    # side borders of the body and bottom bands
    for x in (0, 1, width - 2, width - 1):
        d.line([(x, sep[0]), (x, height - 1)], fill=rgba(ACCENT_DARK))
    # unused rows between body and bottom band
    for y in range(body[0] + body[1], bottom[0]):
        d.line([(0, y), (width - 1, y)], fill=rgba(WORKSPACE))
    # the outer corner pixels are left out, a hint of the rounding
    for (x, y) in ((0, 0), (width - 1, 0)):
        img.putpixel((x, y), (0, 0, 0, 0))
    save(img, name)


# --------------------------------------------------------------- sprites

def title_button_strip(name, frame_width, draw_symbol):
    height = 25
    frames = []
    for state in range(3):
        c = Canvas(frame_width, height)
        if name == "sys_close.png":
            bg = [None, rgba(CLOSE_RED, 200), rgba((160, 12, 24))][state]
        else:
            bg = [None, rgba(WHITE, 60), rgba(ACCENT_DEEP, 170)][state]
        if bg:
            c.rect(0, 0, frame_width, height, fill=bg)
        draw_symbol(c, frame_width, height, rgba(WHITE))
        frames.append(c.result())
    strip = Image.new("RGBA", (frame_width * 3, height), (0, 0, 0, 0))
    for i, f in enumerate(frames):
        strip.paste(f, (i * frame_width, 0))
    save(strip, name)


def symbol_close(c, w, h, colour):
    s = 4.5
    c.line([(w / 2 - s, h / 2 - s), (w / 2 + s, h / 2 + s)], colour, 1.5)
    c.line([(w / 2 + s, h / 2 - s), (w / 2 - s, h / 2 + s)], colour, 1.5)


def symbol_minimize(c, w, h, colour):
    c.line([(w / 2 - 5.5, h / 2 + 3), (w / 2 + 5.5, h / 2 + 3)], colour, 1.5)


def symbol_menu(c, w, h, colour):
    for dy in (-4, 0, 4):
        c.line([(w / 2 - 5.5, h / 2 + dy), (w / 2 + 5.5, h / 2 + dy)], colour, 1.4)


def push_button_strip():
    width, height, n = 72, 25, 4
    fills = [(ACCENT_PALE, ACCENT), (ACCENT_LIGHT, ACCENT), ((181, 216, 255), ACCENT_DARK), (GREY_LIGHT, GREY)]
    strip = Image.new("RGBA", (width * n, height), (0, 0, 0, 0))
    for i, (fill, border) in enumerate(fills):
        c = Canvas(width, height)
        c.rect(0.5, 0.5, width - 0.5, height - 0.5, fill=rgba(fill), outline=rgba(border), width=1, radius=5)
        strip.paste(c.result(), (i * width, 0))
    save(strip, "msgbox_btn.png")


# ----------------------------------------------------------- message icons

def message_icon(name, kind):
    size = 42
    c = Canvas(size, size)
    white = rgba(WHITE)
    if kind == "warning":
        c.polygon([(21, 3), (40, 38), (2, 38)], fill=rgba(AMBER))
        c.line([(21, 14), (21, 27)], white, 3.4)
        c.circle(21, 32.5, 2.1, fill=white)
    else:
        colour = {"information": ACCENT, "question": ACCENT, "hand": RED, "success": GREEN}[kind]
        c.circle(21, 21, 19.5, fill=rgba(colour))
        if kind == "information":
            c.circle(21, 12.5, 2.4, fill=white)
            c.line([(21, 18.5), (21, 31)], white, 3.6)
        elif kind == "question":
            c.arc(21, 16, 6.5, 180, 390, white, 3.4)
            c.line([(24.6, 21.6), (21, 24.5), (21, 26)], white, 3.4)
            c.circle(21, 31.5, 2.1, fill=white)
        elif kind == "hand":
            c.line([(14, 14), (28, 28)], white, 3.6)
            c.line([(28, 14), (14, 28)], white, 3.6)
        elif kind == "success":
            c.line([(12, 21.5), (18.5, 28), (30.5, 15)], white, 3.6)
    save(c.result(), name)


# ------------------------------------------------------ style sheet images

def chevron(c, cx, cy, size, direction, colour, width):
    dx = {"down": (0, 1), "up": (0, -1), "right": (1, 0), "left": (-1, 0)}[direction]
    px, py = -dx[1], dx[0]
    tip = (cx + dx[0] * size * 0.45, cy + dx[1] * size * 0.45)
    a = (cx - dx[0] * size * 0.45 + px * size, cy - dx[1] * size * 0.45 + py * size)
    b = (cx - dx[0] * size * 0.45 - px * size, cy - dx[1] * size * 0.45 - py * size)
    c.line([a, tip, b], colour, width)


def scroll_arrows():
    for name, direction in (("add-line_vertical", "down"), ("sub-line_vertical", "up"),
                            ("add-line_horizontal", "right"), ("sub-line_horizontal", "left")):
        c = Canvas(20, 20)
        chevron(c, 10, 10, 5, direction, rgba(ACCENT_DARK), 2)
        save(c.result(), name + ".png")


def check_boxes():
    states = {"normal": (WHITE, ACCENT), "hover": (ACCENT_PALE, ACCENT), "pressed": (ACCENT_LIGHT, ACCENT_DARK),
              "disable": (GREY_LIGHT, GREY)}
    for state, (fill, border) in states.items():
        for checked in (True, False):
            c = Canvas(15, 15)
            box_fill = border if checked else fill
            c.rect(0.75, 0.75, 14.25, 14.25, fill=rgba(box_fill), outline=rgba(border), width=1.2, radius=2.5)
            if checked:
                c.line([(3.8, 7.8), (6.3, 10.3), (11.2, 4.8)], rgba(WHITE), 1.8)
            name = "%s_%s_checkbox.png" % (state, "check" if checked else "Uncheck")
            save(c.result(), name)


def radio_buttons():
    states = {"normal": (WHITE, ACCENT), "hover": (ACCENT_PALE, ACCENT), "pressed": (ACCENT_LIGHT, ACCENT_DARK),
              "disable": (GREY_LIGHT, GREY)}
    for state, (fill, border) in states.items():
        for checked in (True, False):
            c = Canvas(15, 15)
            c.circle(7.5, 7.5, 6.75, fill=rgba(fill), outline=rgba(border), width=1.2)
            if checked:
                c.circle(7.5, 7.5, 3.4, fill=rgba(border))
            save(c.result(), "%s_%s_radio.png" % (state, "check" if checked else "uncheck"))


def drop_buttons():
    colours = {"dropbtn_Normal": ACCENT, "dropbtn_hover": (82, 170, 255), "dropbtn_pressed": ACCENT_DEEP,
               "dropbtn_disable": GREY}
    for name, colour in colours.items():
        c = Canvas(18, 18)
        chevron(c, 9, 9.5, 4.5, "down", rgba(colour), 1.8)
        save(c.result(), name + ".png")
    strip = Image.new("RGBA", (48, 16), (0, 0, 0, 0))
    for i, colour in enumerate((ACCENT, (82, 170, 255), GREY)):
        c = Canvas(16, 16)
        chevron(c, 8, 8.5, 4, "down", rgba(colour), 1.7)
        strip.paste(c.result(), (i * 16, 0))
    save(strip, "dropbtn.png")


# ------------------------------------------------------------ wait animation

def wait_animation():
    size, frames = 100, 24
    images = []
    for f in range(frames):
        c = Canvas(size, size)
        cx = cy = size / 2
        r, w = 36, 10
        c.circle(cx, cy, r, outline=rgba(ACCENT_LIGHT), width=w)
        head = f * 360 / frames
        steps = 40
        for i in range(steps):
            # a comet: the head opaque, the tail fading over 270 degrees
            a0 = head - 270 + i * 270 / steps
            alpha = int(255 * ((i + 1) / steps) ** 1.6)
            c.draw.arc(c.box(cx - r, cy - r, cx + r, cy + r), a0 - 90, a0 - 90 + 270 / steps + 1,
                       fill=rgba(ACCENT, alpha), width=c.s(w))
        a = math.radians(head - 90)
        c.circle(cx + (r - w / 2) * math.cos(a), cy + (r - w / 2) * math.sin(a), w / 2, fill=rgba(ACCENT))
        frame = c.result()
        # GIF has one transparent index: blend edges onto the work-space colour
        matte = Image.new("RGBA", frame.size, rgba(WORKSPACE))
        solid = Image.alpha_composite(matte, frame).convert("RGB")
        alpha = frame.getchannel("A")
        pal = solid.quantize(colors=255, method=Image.MEDIANCUT)
        pal_data = pal.getpalette()[:255 * 3] + [0, 0, 0]
        pal.putpalette(pal_data)
        mask = alpha.point(lambda v: 255 if v < 40 else 0)
        pal.paste(255, mask=mask)
        pal.info["transparency"] = 255
        images.append(pal)
    path = os.path.join(OUT, "wait.gif")
    images[0].save(path, save_all=True, append_images=images[1:], duration=42, loop=0,
                   transparency=255, disposal=2, optimize=False)


# --------------------------------------------------- not-connected picture

def not_connected_picture():
    w, h = 800, 450
    c = Canvas(w, h, rgba(WORKSPACE))
    # soft floor
    c.ellipse(60, 330, 740, 410, fill=rgba((240, 233, 220)))
    # tester box
    bx0, by0, bx1, by1 = 300, 150, 560, 330
    c.rect(bx0 + 6, by0 + 10, bx1 + 6, by1 + 10, fill=rgba((222, 214, 200)), radius=18)
    c.rect(bx0, by0, bx1, by1, fill=rgba((52, 64, 84)), radius=18)
    c.rect(bx0, by0, bx1, by0 + 46, fill=rgba(ACCENT), radius=18)
    c.rect(bx0, by0 + 26, bx1, by0 + 46, fill=rgba(ACCENT))
    c.rect(bx0 + 22, by0 + 66, bx1 - 22, by0 + 130, fill=rgba((24, 32, 44)), radius=6)
    # a flat trace on the display: no signal
    c.line([(bx0 + 36, by0 + 100), (bx1 - 36, by0 + 100)], rgba((90, 110, 130)), 3)
    for i, colour in enumerate(((90, 100, 112), (90, 100, 112), RED)):
        c.circle(bx0 + 40 + i * 26, by1 - 30, 7, fill=rgba(colour))
    c.rect(bx1 - 92, by1 - 40, bx1 - 26, by1 - 20, fill=rgba((70, 84, 106)), radius=4)
    # encoder on the left: a body with a shaft, cable to the box
    ex, ey = 110, 230
    c.rect(ex - 62, ey - 55, ex + 42, ey + 55, fill=rgba((180, 188, 198)), radius=12)
    c.rect(ex - 62, ey - 55, ex - 40, ey + 55, fill=rgba((150, 160, 172)), radius=8)
    c.ellipse(ex + 28, ey - 55, ex + 58, ey + 55, fill=rgba((205, 212, 220)), outline=rgba((150, 160, 172)),
              width=2)
    c.rect(ex + 43, ey - 9, ex + 110, ey + 9, fill=rgba((120, 130, 142)), radius=4)
    c.line([(ex - 10, ey + 55), (ex - 10, 330), (200, 352), (270, 340), (bx0, 300)], rgba((44, 52, 66)), 8)
    # USB cable leaving the box to the right, plug pulled out
    c.line([(bx1, 260), (610, 262), (640, 240), (652, 226)], rgba((44, 52, 66)), 8)
    c.rect(646, 196, 690, 230, fill=rgba((110, 120, 134)), radius=5)
    c.rect(688, 203, 712, 223, fill=rgba((200, 206, 214)), radius=2)
    # the socket it belongs in, a gap between
    c.rect(736, 190, 790, 236, fill=rgba((210, 216, 224)), radius=6)
    c.rect(748, 202, 774, 224, fill=rgba((60, 68, 80)), radius=2)
    # a red cross over the gap
    c.line([(712, 150), (736, 174)], rgba(RED), 6)
    c.line([(736, 150), (712, 174)], rgba(RED), 6)
    # a USB trident over the socket
    tx, ty = 763, 272
    col = rgba(ACCENT_DARK)
    c.line([(tx, ty + 36), (tx, ty - 6)], col, 3)
    c.polygon([(tx - 7, ty - 4), (tx + 7, ty - 4), (tx, ty - 16)], fill=col)
    c.line([(tx, ty + 22), (tx - 14, ty + 10), (tx - 14, ty + 2)], col, 3)
    c.circle(tx - 14, ty, 4, fill=col)
    c.line([(tx, ty + 16), (tx + 13, ty + 6), (tx + 13, ty - 1)], col, 3)
    c.rect(tx + 9, ty - 7, tx + 17, ty + 1, fill=col)
    save(c.result().convert("RGB"), "fsu.png")


# --------------------------------------------------------------- icon file

def ico_entry_bmp(image, bpp):
    """A DIB for an icon directory entry: colour bits plus the AND mask."""
    w, h = image.size
    alpha = image.getchannel("A")
    rows = []
    palette = b""
    if bpp == 32:
        px = image.load()
        for y in range(h - 1, -1, -1):
            row = bytearray()
            for x in range(w):
                r, g, b, a = px[x, y]
                row += bytes((b, g, r, a))
            rows.append(bytes(row))
    else:
        colours = 16 if bpp == 4 else 256
        matte = Image.new("RGBA", image.size, rgba(WHITE))
        rgb = Image.alpha_composite(matte, image).convert("RGB")
        q = rgb.quantize(colors=colours, method=Image.MEDIANCUT)
        pal = q.getpalette()[:colours * 3]
        pal += [0] * (colours * 3 - len(pal))
        for i in range(colours):
            palette += bytes((pal[3 * i + 2], pal[3 * i + 1], pal[3 * i], 0))
        idx = q.load()
        for y in range(h - 1, -1, -1):
            if bpp == 8:
                row = bytes(idx[x, y] for x in range(w))
            else:
                row = bytes(((idx[x, y] & 15) << 4) | (idx[x + 1, y] & 15 if x + 1 < w else 0)
                            for x in range(0, w, 2))
            rows.append(row + b"\0" * ((4 - len(row) % 4) % 4))
    mask_rows = []
    a = alpha.load()
    for y in range(h - 1, -1, -1):
        bits = bytearray((w + 7) // 8)
        for x in range(w):
            if a[x, y] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask_rows.append(bytes(bits) + b"\0" * ((4 - len(bits) % 4) % 4))
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, bpp, 0, 0, 0, 0,
                         0 if bpp == 32 else (16 if bpp == 4 else 256), 0)
    return header + palette + b"".join(rows) + b"".join(mask_rows)


def icon_file():
    entries = []
    for size in (16, 32, 48):
        for bpp in (4, 8, 32):
            entries.append((size, bpp))
    for size in (64, 72, 80, 96, 128, 256):
        entries.append((size, 32))
    blobs = []
    for size, bpp in entries:
        c = Canvas(size, size)
        glyph_logo(c, 0, 0, size)
        img = c.result()
        if size == 256:
            buf = io.BytesIO()
            img.save(buf, "PNG", optimize=True)
            blobs.append(buf.getvalue())
        else:
            blobs.append(ico_entry_bmp(img, bpp))
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for (size, bpp), blob in zip(entries, blobs):
        colours = 16 if bpp == 4 else 0
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bpp, len(blob), offset)
        offset += len(blob)
    path = os.path.join(OUT, "KORVALIS_ICO.ico")
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))


def logos():
    for size in (16, 32):
        c = Canvas(size, size)
        glyph_logo(c, 0, 0, size)
        save(c.result(), "Laser_%d.png" % size)


def main():
    os.makedirs(OUT, exist_ok=True)
    icon_file()
    logos()
    window_background("windowBkg.png", 127, 140, [(0, 2), (2, 33), (35, 2), (37, 100), (138, 2)])
    window_background("MsgBxBk_New.png", 420, 170, [(0, 2), (2, 32), (34, 3), (37, 100), (139, 31)])
    title_button_strip("sys_close.png", 38, symbol_close)
    title_button_strip("sys_minimize.png", 36, symbol_minimize)
    title_button_strip("sys_setting.png", 32, symbol_menu)
    push_button_strip()
    for kind in ("information", "question", "hand", "warning", "success"):
        message_icon("ico_%s.png" % kind, kind)
    wait_animation()
    tool_icon("reset.png", 640, 510, glyph_reset)
    tool_icon("clear.png", 256, 256, glyph_clear)
    tool_icon("power.png", 256, 256, glyph_power)
    tool_icon("setting.png", 512, 512, glyph_gear)
    tool_icon("zero.png", 140, 140, glyph_zero)
    tool_icon("PN.png", 978, 979, glyph_plus_minus)
    tool_icon("PreValue.png", 512, 512, glyph_preset)
    tool_icon("SoftwareUpdate.png", 512, 512, glyph_update)
    tool_icon("ContactUs.png", 512, 512, glyph_mail)
    not_connected_picture()
    scroll_arrows()
    check_boxes()
    radio_buttons()
    drop_buttons()
    return 0


if __name__ == "__main__":
    sys.exit(main())
