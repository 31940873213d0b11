#!/usr/bin/python3
"""Draws every image of the two resource collections into app/UI/, writes
both style sheets (app/UI/bluenew.qss, updater/UI/bluenew.qss) and draws the
desktop menu icons of the Debian package into packaging/icons/.

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

from PIL import Image, ImageChops, ImageDraw, ImageFilter

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app", "UI")
UPDATER_OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "updater", "UI")
PACKAGING_OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "packaging", "icons")
# The hicolor theme sizes the package installs the menu icon in.
DESKTOP_ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

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
TITLE_LIGHT = (82, 170, 255)
SS = 4  # supersampling factor
# The wait animation's ring: centred in its 100 x 100 frame, between these radii.
WAIT_RING_INNER, WAIT_RING_OUTER = 26, 36


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
    Every band is uniform across its whole width, so stretched and tiled
    centre pieces join their side pieces without seams; the 2-pixel side
    columns of the body and bottom bands carry the border. The title band is
    also uniform from top to bottom: its centre piece is stretched to a
    large texture of which the title area shows only the top, while its side
    pieces keep their height, so any shading inside it would not line up.
    The light line above the title band therefore lives in the top border's
    lower row, which is never stretched in height, and runs end to end.
    The on-screen rounding of the top corners is the window's.
    """
    img = Image.new("RGBA", (width, height), rgba(ACCENT_DARK))
    d = ImageDraw.Draw(img)
    top, title, sep, body, bottom = bands
    # title band: flat accent
    d.rectangle([0, title[0], width - 1, title[0] + title[1] - 1], fill=rgba(ACCENT))
    # top border: the dark outer edge, then the light line for depth
    d.rectangle([0, top[0], width - 1, top[0] + top[1] - 1], fill=rgba(ACCENT_DARK))
    d.rectangle([0, top[0] + top[1] - 1, width - 1, top[0] + top[1] - 1], fill=rgba(TITLE_LIGHT))
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
            # opaque: a translucent red over the blue title band turns magenta
            bg = [None, rgba(CLOSE_RED), rgba((160, 12, 24))][state]
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
    # Each supersampled pixel's angle around the centre, clockwise from
    # twelve o'clock, in 256 steps.
    side = size * SS
    angles = Image.new("L", (side, side))
    angles.putdata([int((math.degrees(math.atan2(y + 0.5 - side / 2, x + 0.5 - side / 2)) + 90) % 360 * 256 / 360)
                    for y in range(side) for x in range(side)])
    for f in range(frames):
        # The opaque track, and on a layer of its own a comet whose tail
        # fades over 270 degrees; the comet is blended over the track (drawing
        # it straight onto the track would replace the track's pixels with
        # the tail's near-transparent ones and cut a gap into the ring). The
        # tail's opacity follows each pixel's angle, so it fades smoothly.
        track = Canvas(size, size)
        cx = cy = size / 2
        r, w = WAIT_RING_OUTER, WAIT_RING_OUTER - WAIT_RING_INNER
        track.circle(cx, cy, r, outline=rgba(ACCENT_LIGHT), width=w)
        ring = track.image.getchannel("A")
        head = f * 360 / frames

        def tail(level, head=head):
            behind = (head - (level + 0.5) * 360 / 256) % 360  # degrees behind the head
            return int(255 * (1 - behind / 270) ** 1.6) if behind < 270 else 0

        comet = Canvas(size, size)
        comet.image = Image.new("RGBA", comet.image.size, rgba(ACCENT))
        comet.image.putalpha(ImageChops.multiply(angles.point([tail(v) for v in range(256)]), ring))
        comet.draw = ImageDraw.Draw(comet.image)
        a = math.radians(head - 90)
        comet.circle(cx + (r - w / 2) * math.cos(a), cy + (r - w / 2) * math.sin(a), w / 2, fill=rgba(ACCENT))
        frame = Image.alpha_composite(track.result(), comet.result())
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


# -------------------------------------------------------------- style sheets
# The sheets are read as Latin-1, so they must be plain ASCII: font families
# are given by their ASCII names ("SimSun" is the Windows name of the Song
# face), each followed by a CJK face Debian ships (fonts-wqy-zenhei), so
# Chinese text has a font on either system.

APP_SHEET = """/* Rotaprobe style sheet: light work space, accent #1E90FF. */

QWidget#WorkSpace {
    background: #FFFAF0;
}

QToolButton#transparentToolButton {
    background: transparent;
}

QToolTip {
    border: 2px solid darkkhaki;
    padding: 5px;
    border-radius: 3px;
    opacity: 200;
    qproperty-alignment: AlignCenter;
}

QLabel#statusBar {
    color: #1E90FF;
    background: transparent;
    border: none;
    font: bold 14px "Times New Roman", "WenQuanYi Zen Hei";
}

QLabel#SeashellText {
    color: #FFF5EE;
}

QLabel#GreenText {
    color: #00EE00;
}

QLabel#backButtonText {
    font-size: 14px;
}

QLabel {
    font-size: 20px;
}

QLabel#MaxFont {
    font-size: 40px;
}

QGroupBox {
    font-size: 18px;
    background: #FFFAF0;
    border: 2px solid #EEC900;
    margin-top: 1ex;
    border-radius: 5px;
}

QGroupBox::title {
    subcontrol-origin: margin;
    subcontrol-position: top center;
    padding: 0 3px;
}

QGroupBox#GroupBoxTransparent {
    border: 1px solid #1E90FF;
    border-radius: 5px;
    color: #F0F0F0;
    background: transparent;
}

QTableWidget {
    color: #1E90FF;
    gridline-color: rgba(5, 124, 239, 0.54);
    background: transparent;
    selection-color: white;
    selection-background-color: rgba(0, 108, 185, 0.20);
    border: 1px groove #1E90FF;
    padding: 0px;
    alternate-background-color: rgba(5, 124, 239, 0.14);
    font-size: 18px;
}

QHeaderView {
    background: transparent;
    font-size: 18px;
}

QHeaderView::section {
    background: transparent;
    font-size: 18px;
    padding: 3px;
    color: #1E90FF;
    border: 1px solid rgba(5, 124, 239, 0.54);
}

QScrollBar:vertical {
    width: 20px;
    background: transparent;
    padding-top: 20px;
    padding-bottom: 20px;
}

QScrollBar:horizontal {
    height: 20px;
    background: transparent;
    padding-left: 20px;
    padding-right: 20px;
}

QScrollBar::handle:vertical, QScrollBar::handle:horizontal {
    background: rgba(5, 124, 239, 1);
}

QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical,
QScrollBar::add-page:horizontal, QScrollBar::sub-page:horizontal {
    background: rgba(0, 108, 185, 0.20);
    border: 1px solid rgba(5, 124, 239, 0.44);
}

QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical,
QScrollBar::add-line:horizontal, QScrollBar::sub-line:horizontal {
    width: 20px;
    height: 20px;
    background: rgba(0, 108, 185, 0.20);
    border: 1px solid rgba(5, 124, 239, 0.84);
}

QScrollBar::add-line:vertical:hover, QScrollBar::sub-line:vertical:hover,
QScrollBar::add-line:horizontal:hover, QScrollBar::sub-line:horizontal:hover {
    background: rgba(0, 108, 185, 0.70);
}

QScrollBar::add-line:vertical {
    subcontrol-position: bottom;
    subcontrol-origin: margin;
    image: url(:/UI/add-line_vertical);
}

QScrollBar::sub-line:vertical {
    subcontrol-position: top;
    subcontrol-origin: margin;
    image: url(:/UI/sub-line_vertical);
}

QScrollBar::add-line:horizontal {
    subcontrol-position: right;
    subcontrol-origin: margin;
    image: url(:/UI/add-line_horizontal);
}

QScrollBar::sub-line:horizontal {
    subcontrol-position: left;
    subcontrol-origin: margin;
    image: url(:/UI/sub-line_horizontal);
}

QTextEdit {
    border: 1px solid rgba(5, 124, 239, 0.84);
    background: rgba(16, 147, 245, 0.28);
    color: white;
    font-size: 18px;
}

QCheckBox {
    spacing: 2px;
    background: rgba(16, 147, 245, 0.28);
}

QCheckBox::indicator {
    width: 15px;
    height: 15px;
}

QCheckBox::indicator:unchecked {
    image: url(:/UI/normal_Uncheck_checkbox);
}

QCheckBox::indicator:unchecked:hover {
    image: url(:/UI/hover_Uncheck_checkbox);
}

QCheckBox::indicator:unchecked:pressed {
    image: url(:/UI/pressed_Uncheck_checkbox);
}

QCheckBox::indicator:checked {
    image: url(:/UI/normal_check_checkbox);
}

QCheckBox::indicator:checked:hover {
    image: url(:/UI/hover_check_checkbox);
}

QCheckBox::indicator:checked:pressed {
    image: url(:/UI/pressed_check_checkbox);
}

QComboBox {
    border: 1px solid gray;
    border-radius: 3px;
    padding: 1px 2px 1px 2px;
    color: #1E90FF;
}

QComboBox:hover {
    border: 1px solid #5CACEE;
    background: #F0F0F0;
}

QComboBox::drop-down {
    subcontrol-origin: padding;
    subcontrol-position: top right;
    width: 18px;
    border-left: 1px solid darkgray;
}

QComboBox::down-arrow {
    image: url(:/UI/dropbtn_Normal);
}

QComboBox::down-arrow:hover {
    image: url(:/UI/dropbtn_hover);
}

QComboBox::down-arrow:disabled {
    image: url(:/UI/dropbtn_disable);
}

QComboBox QAbstractItemView {
    border: 1px solid #5CACEE;
    color: #1E90FF;
    background: rgba(230, 237, 245, 0.14);
}

QLineEdit {
    border: 1px solid #5CACEE;
    border-radius: 5px;
    padding: 2px;
    background: none;
    selection-background-color: #1B89CA;
    font-size: 18px;
    lineedit-password-character: 9679;
}

QLineEdit:hover {
    border: 2px solid #5CACEE;
    background: #F0F0F0;
}

QRadioButton {
    spacing: 2px;
    color: #1E90FF;
    border: none;
    font-family: "SimSun", "WenQuanYi Zen Hei";
    font-size: 18px;
}

QRadioButton::indicator {
    width: 15px;
    height: 15px;
}

QRadioButton::indicator:unchecked {
    image: url(:/UI/normal_uncheck_radio);
}

QRadioButton::indicator:unchecked:hover {
    image: url(:/UI/hover_uncheck_radio);
}

QRadioButton::indicator:checked {
    image: url(:/UI/normal_check_radio);
}

QRadioButton::indicator:checked:hover {
    image: url(:/UI/hover_check_radio);
}

QToolBar {
    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,
                                stop: 0 #FBF9FB, stop: 0.85 #EBE9ED, stop: 1 #D7D6DA);
}

QMenu {
    background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,
                                stop: 0 #FBF9FB, stop: 0.85 #EBE9ED, stop: 1 #D7D6DA);
    border: 1px solid white;
}

QMenu::item {
    background: transparent;
    padding: 8px 32px;
}

QMenu::item:selected {
    background: #2dabf9;
}

QMenu::icon {
    padding: 1px;
    left: 10px;
}
"""

UPDATER_HEADER = "/* Novrel style sheet: the test program's sheet for the updater's few widgets. */"
# Rules the updater's sheet leaves out, and its own values for others.
UPDATER_DROPPED = ("QWidget#WorkSpace", "QLabel#backButtonText", "QLabel", "QLabel#MaxFont", "QGroupBox",
                   "QGroupBox::title", "QToolBar", "QMenu", "QMenu::item", "QMenu::item:selected", "QMenu::icon")
UPDATER_CHANGED = {
    "QTableWidget": {"color": "white", "gridline-color": "rgba(5, 124, 239, 0.94)", "border": "none",
                     "padding": "2px 4px", "alternate-background-color": "rgba(5, 124, 239, 0.54)",
                     "font-size": None},
    "QHeaderView": {"font-size": None},
    "QHeaderView::section": {"font-size": None, "color": "#F0F0F0"},
    "QTextEdit": {"font-size": "16px"},
    "QLineEdit": {"font-size": None},
    "QRadioButton": {"color": "#FFF5EE", "font-size": "14px"},
}


def updater_sheet(app_sheet):
    """The updater's sheet: the test program's, less some rules, some values changed."""
    blocks = app_sheet.strip("\n").split("\n\n")
    out = [UPDATER_HEADER]
    for block in blocks[1:]:
        selector = block.split("{", 1)[0].strip()
        if selector in UPDATER_DROPPED:
            continue
        changes = UPDATER_CHANGED.get(selector, {})
        lines = []
        for line in block.split("\n"):
            prop = line.strip().split(":", 1)[0] if line.startswith("    ") and ":" in line else None
            if prop in changes:
                if changes[prop] is None:
                    continue
                line = "    %s: %s;" % (prop, changes[prop])
            lines.append(line)
        out.append("\n".join(lines))
    return "\n\n".join(out) + "\n"


def style_sheets():
    for path, text in ((os.path.join(OUT, "bluenew.qss"), APP_SHEET),
                       (os.path.join(UPDATER_OUT, "bluenew.qss"), updater_sheet(APP_SHEET))):
        text.encode("ascii")  # read as Latin-1 by the programs: ASCII only
        with open(path, "w", encoding="ascii", newline="\n") as f:
            f.write(text)


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


def desktop_icons():
    """The product mark for the desktop menu, one PNG per hicolor size."""
    for size in DESKTOP_ICON_SIZES:
        folder = os.path.join(PACKAGING_OUT, "%dx%d" % (size, size))
        os.makedirs(folder, exist_ok=True)
        c = Canvas(size, size)
        glyph_logo(c, 0, 0, size)
        c.result().save(os.path.join(folder, "rotaprobe.png"), "PNG", optimize=True)


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
    style_sheets()
    desktop_icons()
    return 0


if __name__ == "__main__":
    sys.exit(main())
