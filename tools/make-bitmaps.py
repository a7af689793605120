#!/usr/bin/env python3
"""Draws the two image-list bitmaps every view of the module shares.

    tools/make-bitmaps.py [--out DIR] [--no-preview]

Writes, under DIR (default: resources/bitmaps next to this script's folder):
    images32.bmp   17 images of 32x32 side by side (544x32), bitmap 211,
                   the large image list
    images16.bmp   17 images of 16x16 side by side (272x16), bitmap 212,
                   the small image list
    preview.png    both strips on white, scaled up, with index numbers, the
                   strips at actual size and image 5 used as an overlay
    svcwizard-watermark.bmp  164x314, bitmap 229: the Manage Services
                   Wizard's watermark (welcome and completion pages), a blue
                   gradient with two meshing gears
    svcwizard-header.bmp     49x49, bitmap 230: its header bitmap, one gear
                   with a green start triangle on white

The bitmaps are 24-bit BMP files (BITMAPINFOHEADER, bottom-up rows padded to
4 bytes). Every pixel outside the drawn shapes is RGB(0,128,128), the mask
colour the image lists are loaded with; no shape uses that colour. The output
depends only on this script: running it twice gives identical files.

Image indices (also in resources/ImageIndex.h and resources/bitmaps/README.md).
The order is the one the views and pages ask for by number:
     0  computer                 monitor with a tower case
     1  open file                document with an open padlock
     2  service                  gear
     3  computer on the network  monitor on a network cable
     4  printer                  printer
     5  overlay: disabled/stopped  red disc with a white bar in the lower-left
                                 quadrant, the rest transparent; registered as
                                 overlay image 1
     6  console session          monitor with a prompt, and a keyboard
     7  terminal session         monitor showing a window
     8  session                  user in front of a computer
     9  error row                red disc with a white X
    10  service running          gear with a green play triangle
    11  user                     user (head and shoulders)
    12  disabled user            greyed user with a red down arrow
    13  group                    two users
    14  information/warning      yellow triangle with "!"
    15  service stopped          gear with a red square
    16  shared printer           printer on a network cable

Each icon is drawn separately for 16 and 32 pixels from a few primitives:
rectangles, capsules (thick lines), circles and ellipses, polygons filled by
scanline, and 1-pixel lines. A shape is a set of pixels; painting it fills the
set and draws its edge (the pixels of the set with a side neighbour outside it)
in a dark outline colour, which keeps the small icons legible on white.
Python 3 standard library only.
"""

import argparse
import os
import struct
import sys
import zlib

MASK = (0, 128, 128)
COUNT = 17

# Palette (RGB). A consistent set: dark outline, light greys for hardware,
# blue screens and shirts, and signal colours for states.
OUT = (28, 32, 44)
WHITE = (255, 255, 255)
PAPER = (248, 248, 244)
FOLD = (206, 210, 218)
TEXT = (130, 136, 150)
CASE = (214, 216, 222)
CASE_DARK = (150, 154, 164)
SCREEN = (60, 128, 220)
SCREEN_DARK = (22, 34, 64)
STEEL = (172, 178, 192)
GREEN = (36, 176, 60)
PROMPT = (96, 232, 112)
YELLOW = (255, 204, 0)
RED = (214, 36, 36)
SKIN = (244, 196, 150)
SHIRT = (52, 104, 208)
SHIRT2 = (52, 160, 84)
GOLD = (236, 178, 36)
GREY_HEAD = (214, 214, 214)
GREY_BODY = (150, 150, 150)
NET = (64, 92, 170)

PALETTE = [v for k, v in dict(globals()).items() if isinstance(v, tuple) and k.isupper() and k != "MASK"]
assert MASK not in PALETTE


# --------------------------------------------------------------------------
# Shapes: sets of (x, y) pixels. Pixel (x, y) covers [x, x+1) x [y, y+1); the
# round shapes test the pixel centre (x + 0.5, y + 0.5).

def rect(x0, y0, x1, y1):
    """Pixels x0..x1, y0..y1 inclusive."""
    return {(x, y) for x in range(x0, x1 + 1) for y in range(y0, y1 + 1)}


def ellipse(cx, cy, rx, ry, size):
    pts = set()
    for y in range(size):
        for x in range(size):
            dx = (x + 0.5 - cx) / rx
            dy = (y + 0.5 - cy) / ry
            if dx * dx + dy * dy <= 1.0:
                pts.add((x, y))
    return pts


def circle(cx, cy, r, size):
    return ellipse(cx, cy, r, r, size)


def polygon(points, size):
    """Scanline fill (even-odd) of a polygon given in continuous coordinates."""
    pts = set()
    n = len(points)
    for y in range(size):
        sy = y + 0.5
        xs = []
        for i in range(n):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
            if (ay <= sy < by) or (by <= sy < ay):
                xs.append(ax + (sy - ay) * (bx - ax) / (by - ay))
        xs.sort()
        for a, b in zip(xs[0::2], xs[1::2]):
            for x in range(size):
                if a <= x + 0.5 < b:
                    pts.add((x, y))
    return pts


def capsule(x0, y0, x1, y1, width, size):
    """Thick line: pixels whose centre lies within width/2 of the segment."""
    pts = set()
    vx, vy = x1 - x0, y1 - y0
    ll = vx * vx + vy * vy
    half = width / 2.0
    for y in range(size):
        for x in range(size):
            px, py = x + 0.5 - x0, y + 0.5 - y0
            t = 0.0 if ll == 0 else max(0.0, min(1.0, (px * vx + py * vy) / ll))
            dx, dy = px - t * vx, py - t * vy
            if dx * dx + dy * dy <= half * half:
                pts.add((x, y))
    return pts


def line(x0, y0, x1, y1):
    """1-pixel Bresenham line between pixel positions, inclusive."""
    pts = set()
    dx, dy = abs(x1 - x0), -abs(y1 - y0)
    sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
    err = dx + dy
    while True:
        pts.add((x0, y0))
        if x0 == x1 and y0 == y1:
            return pts
        e2 = 2 * err
        if e2 >= dy:
            err += dy
            x0 += sx
        if e2 <= dx:
            err += dx
            y0 += sy


def edge(shape):
    """Pixels of the shape with a side neighbour outside it."""
    return {(x, y) for (x, y) in shape
            if (x - 1, y) not in shape or (x + 1, y) not in shape
            or (x, y - 1) not in shape or (x, y + 1) not in shape}


# --------------------------------------------------------------------------
# One image cell.

class Cell:
    def __init__(self, size):
        self.size = size
        self.px = [[None] * size for _ in range(size)]   # None: transparent

    def paint(self, shape, colour):
        for (x, y) in shape:
            if 0 <= x < self.size and 0 <= y < self.size:
                self.px[y][x] = colour

    def shape(self, shape, fill, outline=OUT):
        """Fills the shape and draws its 1-pixel edge in the outline colour."""
        shape = {(x, y) for (x, y) in shape if 0 <= x < self.size and 0 <= y < self.size}
        rim = edge(shape)
        self.paint(shape - rim, fill)
        self.paint(rim, outline)

    def clear(self, shape):
        self.paint(shape, None)


# --------------------------------------------------------------------------
# Reusable parts. Each takes the cell and draws at fixed positions chosen for
# that size; the 16-pixel parts are laid out pixel by pixel, not scaled.

def monitor(c, x0, y0, x1, y1, screen_inset, screen=SCREEN):
    c.shape(rect(x0, y0, x1, y1), CASE)
    i = screen_inset
    c.shape(rect(x0 + i, y0 + i, x1 - i, y1 - i), screen)


def gear_part(c):
    n = c.size
    # a disc, four straight teeth and four square corner teeth, with a hole
    if n == 32:
        teeth = rect(13, 1, 18, 8) | rect(13, 23, 18, 30) | rect(1, 13, 8, 18) | rect(23, 13, 30, 18)
        teeth |= rect(4, 4, 9, 9) | rect(22, 4, 27, 9) | rect(4, 22, 9, 27) | rect(22, 22, 27, 27)
        c.shape((circle(16, 16, 10.5, n) | teeth) - circle(16, 16, 3.8, n), STEEL)
    else:
        teeth = rect(6, 0, 9, 3) | rect(6, 12, 9, 15) | rect(0, 6, 3, 9) | rect(12, 6, 15, 9)
        teeth |= rect(2, 2, 4, 4) | rect(11, 2, 13, 4) | rect(2, 11, 4, 13) | rect(11, 11, 13, 13)
        c.shape((circle(8, 8, 5.6, n) | teeth) - circle(8, 8, 1.9, n), STEEL)


def user_part(c, head_c, body_c, dx=0, dy=0, small_group=None):
    """Head and shoulders. small_group selects the smaller back figure of a group."""
    n = c.size
    if n == 32:
        if small_group:
            body = ellipse(21.5 + dx, 29 + dy, 9.5, 14, n) & rect(0, 0, 31, 30)
            head = circle(21.5 + dx, 8.5 + dy, 5.6, n)
        else:
            body = ellipse(16 + dx, 32 + dy, 12.5, 14.5, n) & rect(0, 0, 31, 30)
            head = circle(16 + dx, 10 + dy, 6.6, n)
    else:
        if small_group:
            body = ellipse(10.5 + dx, 15.5 + dy, 5.6, 8.2, n) & rect(0, 0, 15, 15)
            head = circle(10.5 + dx, 3.5 + dy, 2.6, n)
        else:
            body = ellipse(8 + dx, 17 + dy, 7.3, 9, n) & rect(0, 0, 15, 15)
            head = circle(8 + dx, 4 + dy, 3.2, n)
    c.shape(body, body_c)
    c.shape(head, head_c)


def printer_part(c, dy=0, compact=False):
    n = c.size
    if n == 32:
        if compact:
            c.shape(rect(9, 0 + dy, 22, 9 + dy), PAPER)
            c.paint(line(12, 3 + dy, 19, 3 + dy) | line(12, 5 + dy, 19, 5 + dy), TEXT)
            c.shape(rect(1, 7 + dy, 30, 18 + dy), CASE)
            c.paint(rect(4, 10 + dy, 27, 10 + dy), CASE_DARK)
            c.shape(rect(24, 12 + dy, 27, 14 + dy), GREEN)
            c.shape(rect(7, 15 + dy, 24, 22 + dy), PAPER)
            c.paint(line(10, 18 + dy, 21, 18 + dy), TEXT)
        else:
            c.shape(rect(8, 1, 23, 12), PAPER)
            c.paint(line(11, 4, 20, 4) | line(11, 6, 20, 6) | line(11, 8, 17, 8), TEXT)
            c.shape(rect(1, 11, 30, 24), CASE)
            c.paint(rect(4, 14, 27, 14), CASE_DARK)
            c.shape(rect(24, 16, 27, 18), GREEN)
            c.shape(rect(6, 20, 25, 30), PAPER)
            c.paint(line(9, 24, 22, 24) | line(9, 26, 22, 26) | line(9, 28, 18, 28), TEXT)
    else:
        if compact:
            c.shape(rect(4, 0, 11, 3), PAPER)
            c.shape(rect(0, 2, 15, 8), CASE)
            c.paint(rect(12, 4, 13, 4), GREEN)
            c.shape(rect(3, 6, 12, 10), PAPER)
            c.paint(line(5, 8, 10, 8), TEXT)
        else:
            c.shape(rect(4, 0, 11, 5), PAPER)
            c.paint(line(6, 2, 9, 2), TEXT)
            c.shape(rect(0, 4, 15, 11), CASE)
            c.paint(rect(12, 6, 13, 6), GREEN)
            c.shape(rect(3, 9, 12, 15), PAPER)
            c.paint(line(5, 12, 10, 12), TEXT)


# --------------------------------------------------------------------------
# The icons.

def draw_computer(c):
    if c.size == 32:
        c.shape(rect(9, 19, 14, 24), CASE)                 # neck
        c.shape(rect(3, 23, 20, 27), CASE)                 # foot
        monitor(c, 0, 3, 23, 20, 3)
        c.shape(rect(21, 5, 31, 30), CASE)                 # tower
        c.paint(rect(24, 9, 28, 9) | rect(24, 12, 28, 12), CASE_DARK)
        c.shape(rect(25, 24, 27, 26), GREEN)
    else:
        c.shape(rect(2, 11, 9, 14), CASE)
        monitor(c, 0, 1, 11, 11, 2)
        c.shape(rect(10, 3, 15, 15), CASE)
        c.paint(rect(12, 5, 13, 5), CASE_DARK)
        c.paint(rect(12, 12, 13, 12), GREEN)


def draw_service(c):
    gear_part(c)


def status_badge(c, kind):
    n = c.size
    if kind == "run":
        if n == 32:
            c.shape(polygon([(17.0, 15.0), (32.0, 23.5), (17.0, 32.0)], n), GREEN)
        else:
            c.shape(polygon([(8.0, 6.5), (16.0, 11.0), (8.0, 15.5)], n), GREEN)
    elif kind == "pause":
        if n == 32:
            c.shape(rect(18, 16, 23, 31), YELLOW)
            c.shape(rect(26, 16, 31, 31), YELLOW)
        else:
            c.shape(rect(8, 7, 11, 15), YELLOW)
            c.shape(rect(12, 7, 15, 15), YELLOW)
    elif kind == "stop":
        if n == 32:
            c.shape(rect(17, 17, 31, 31), RED)
        else:
            c.shape(rect(9, 9, 15, 15), RED)


def draw_service_running(c):
    gear_part(c)
    status_badge(c, "run")


def draw_service_stopped(c):
    gear_part(c)
    status_badge(c, "stop")


def draw_overlay(c):
    if c.size == 32:
        c.shape(circle(8, 24, 7.6, 32), RED)
        c.paint(rect(3, 22, 12, 25), WHITE)
    else:
        c.shape(circle(4, 12, 4.1, 16), RED)
        c.paint(rect(2, 11, 5, 12), WHITE)


def draw_session(c):
    if c.size == 32:
        c.shape(rect(20, 16, 23, 21), CASE)
        c.shape(rect(15, 20, 28, 23), CASE)
        monitor(c, 11, 1, 31, 17, 3)
        c.shape(ellipse(10, 32, 10, 11, 32) & rect(0, 0, 31, 30), SHIRT)
        c.shape(circle(10, 14.5, 5.6, 32), SKIN)
    else:
        c.shape(rect(9, 9, 13, 11), CASE)
        monitor(c, 5, 0, 15, 9, 2)
        c.shape(ellipse(5, 18.5, 6.8, 8, 16) & rect(0, 0, 15, 15), SHIRT)
        c.shape(circle(5, 6.5, 3.2, 16), SKIN)


def draw_open_file(c):
    if c.size == 32:
        c.shape(polygon([(4, 1), (19, 1), (26, 8), (26, 31), (4, 31)], 32), PAPER)
        c.shape(polygon([(18, 1), (26, 9), (18, 9)], 32) | rect(18, 1, 18, 9), FOLD)
        for y in (12, 15, 18):
            c.paint(line(8, y, 21, y), TEXT)
        c.paint(line(8, 21, 14, 21), TEXT)
        # open padlock: shackle swung up, right leg in the body, left leg free
        ring = circle(22.5, 15.5, 5.5, 32) - circle(22.5, 15.5, 2.6, 32)
        shackle = (ring & rect(0, 0, 31, 15)) | rect(25, 15, 27, 21) | rect(17, 15, 19, 17)
        c.shape(shackle, STEEL)
        c.shape(rect(15, 20, 31, 31), GOLD)
        c.paint(rect(22, 24, 24, 25) | rect(23, 26, 23, 28), OUT)
    else:
        c.shape(polygon([(1, 0), (9, 0), (13, 4), (13, 16), (1, 16)], 16), PAPER)
        c.shape(polygon([(9, 0), (13, 4), (9, 4)], 16) | rect(9, 0, 9, 4), FOLD)
        for y in (4, 6, 8):
            c.paint(line(3, y, 5, y), TEXT)
        # open padlock: right leg in the body, left leg free
        ring = circle(11, 7, 3.6, 16) - circle(11, 7, 1.5, 16)
        c.shape((ring & rect(0, 0, 15, 7)) | rect(12, 7, 14, 10) | rect(7, 7, 9, 8), STEEL)
        c.shape(rect(6, 10, 15, 15), GOLD)
        c.paint(rect(10, 12, 11, 13), OUT)


def draw_printer(c):
    printer_part(c)


def draw_shared_printer(c):
    if c.size == 32:
        printer_part(c, dy=0, compact=True)
        c.shape(rect(14, 22, 17, 27), NET)                 # cable
        c.shape(rect(0, 26, 31, 31), NET)                  # network segment
        c.paint(rect(3, 28, 28, 29), WHITE)
        c.paint(rect(14, 28, 17, 29), NET)
    else:
        printer_part(c, compact=True)
        c.paint(rect(7, 11, 8, 12), OUT)                   # cable
        c.shape(rect(0, 12, 15, 15), NET)                  # network segment


def draw_network_computer(c):
    if c.size == 32:
        c.shape(rect(13, 18, 18, 22), CASE)                # neck
        monitor(c, 4, 1, 27, 18, 3)
        c.shape(rect(14, 22, 17, 27), NET)                 # cable
        c.shape(rect(0, 26, 31, 31), NET)                  # network segment
        c.paint(rect(3, 28, 28, 29), WHITE)
        c.paint(rect(14, 28, 17, 29), NET)
    else:
        c.shape(rect(6, 9, 9, 11), CASE)
        monitor(c, 2, 0, 13, 9, 2)
        c.paint(rect(7, 11, 8, 12), OUT)                   # cable
        c.shape(rect(0, 12, 15, 15), NET)                  # network segment


def draw_terminal_session(c):
    if c.size == 32:
        c.shape(rect(13, 22, 18, 26), CASE)
        c.shape(rect(7, 25, 24, 29), CASE)
        monitor(c, 0, 1, 31, 23, 3)
        c.shape(rect(7, 7, 24, 18), WHITE)                 # window on the remote desktop
        c.paint(rect(8, 8, 23, 10), NET)                   # its title bar
        c.paint(rect(21, 9, 22, 9), WHITE)
        c.paint(line(8, 11, 23, 11), OUT)
    else:
        c.paint(rect(6, 12, 9, 12), OUT)
        c.shape(rect(3, 13, 12, 15), CASE)
        monitor(c, 0, 0, 15, 12, 2, WHITE)                 # the screen is the remote window
        c.paint(rect(3, 3, 12, 4), NET)
        c.paint(rect(11, 3, 11, 3), WHITE)


def draw_console_session(c):
    if c.size == 32:
        c.shape(rect(13, 17, 18, 22), CASE)
        monitor(c, 3, 0, 28, 19, 3, SCREEN_DARK)
        c.paint(line(8, 6, 11, 9) | line(8, 12, 11, 9) | line(9, 6, 12, 9) | line(9, 12, 12, 9), PROMPT)
        c.paint(rect(14, 11, 18, 12), PROMPT)
        c.shape(polygon([(4, 21), (28, 21), (32, 31), (0, 31)], 32), CASE)
        for y, x0, x1 in ((24, 5, 26), (27, 4, 27)):
            for x in range(x0, x1 + 1, 3):
                c.paint(rect(x, y, x + 1, y + 1), CASE_DARK)
    else:
        monitor(c, 1, 0, 14, 10, 2, SCREEN_DARK)
        c.paint({(4, 4), (5, 5), (4, 6)}, PROMPT)
        c.paint(rect(7, 6, 9, 6), PROMPT)
        c.paint(rect(7, 10, 8, 11), OUT)
        c.shape(polygon([(2, 11), (14, 11), (16, 16), (0, 16)], 16), CASE)
        c.paint({(3, 13), (5, 13), (7, 13), (9, 13), (11, 13), (13, 13)}, CASE_DARK)


def draw_user(c):
    user_part(c, SKIN, SHIRT)


def draw_disabled_user(c):
    if c.size == 32:
        user_part(c, GREY_HEAD, GREY_BODY, dx=-3)
        c.shape(rect(21, 14, 27, 22) | polygon([(17.0, 21.0), (32.0, 21.0), (24.5, 31.5)], 32), RED)
    else:
        user_part(c, GREY_HEAD, GREY_BODY, dx=-2)
        head = set()
        for k in range(5):                                 # rows 9, 7, 5, 3, 1 wide
            head |= rect(7 + k, 10 + k, 15 - k, 10 + k)
        c.shape(rect(9, 5, 13, 10) | head, RED)


def draw_group(c):
    user_part(c, SKIN, SHIRT2, small_group=True)
    if c.size == 32:
        c.shape(ellipse(11, 34, 11.5, 14, 32) & rect(0, 0, 31, 30), SHIRT)
        c.shape(circle(11, 13.5, 6.0, 32), SKIN)
    else:
        c.shape(ellipse(5, 18.5, 6, 7.2, 16) & rect(0, 0, 15, 15), SHIRT)
        c.shape(circle(5, 7, 3.2, 16), SKIN)


def draw_error(c):
    if c.size == 32:
        c.shape(circle(16, 16, 15.2, 32), RED)
        c.paint(capsule(10.5, 10.5, 21.5, 21.5, 3.6, 32) | capsule(21.5, 10.5, 10.5, 21.5, 3.6, 32), WHITE)
    else:
        c.shape(circle(8, 8, 8.0, 16), RED)
        c.paint(line(4, 4, 11, 11) | line(5, 4, 11, 10) | line(4, 5, 10, 11)
                | line(11, 4, 4, 11) | line(10, 4, 4, 10) | line(11, 5, 5, 11), WHITE)


def draw_warning(c):
    if c.size == 32:
        c.shape(polygon([(14.5, 1), (17.5, 1), (32, 29), (32, 31), (0, 31), (0, 29)], 32), YELLOW)
        c.paint(polygon([(14.3, 10), (17.7, 10), (17, 23), (15, 23)], 32), OUT)
        c.paint(rect(15, 25, 16, 27), OUT)
    else:
        c.shape(polygon([(7, 0), (9, 0), (16, 13), (16, 15), (0, 15), (0, 13)], 16), YELLOW)
        c.paint(rect(7, 4, 8, 9), OUT)
        c.paint(rect(7, 11, 8, 12), OUT)


ICONS = [
    ("IMAGE_COMPUTER", "computer", draw_computer),
    ("IMAGE_OPEN_FILE", "open file", draw_open_file),
    ("IMAGE_SERVICE", "service", draw_service),
    ("IMAGE_NETWORK_COMPUTER", "computer on the network", draw_network_computer),
    ("IMAGE_PRINTER", "printer", draw_printer),
    ("IMAGE_OVERLAY_DISABLED", "overlay: disabled/stopped", draw_overlay),
    ("IMAGE_CONSOLE_SESSION", "console session", draw_console_session),
    ("IMAGE_TERMINAL_SESSION", "terminal session", draw_terminal_session),
    ("IMAGE_SESSION", "session", draw_session),
    ("IMAGE_ERROR", "error row", draw_error),
    ("IMAGE_SERVICE_RUNNING", "service running", draw_service_running),
    ("IMAGE_USER", "user", draw_user),
    ("IMAGE_DISABLED_USER", "disabled user", draw_disabled_user),
    ("IMAGE_GROUP", "group", draw_group),
    ("IMAGE_WARNING", "information/warning", draw_warning),
    ("IMAGE_SERVICE_STOPPED", "service stopped", draw_service_stopped),
    ("IMAGE_SHARED_PRINTER", "shared printer", draw_shared_printer),
]
assert len(ICONS) == COUNT
OVERLAY_INDEX = 5


# --------------------------------------------------------------------------
# Strips and files.

def strip(size):
    """Rows of RGB tuples (top row first), COUNT cells of size x size."""
    rows = [[MASK] * (size * COUNT) for _ in range(size)]
    for i, (_, _, draw) in enumerate(ICONS):
        cell = Cell(size)
        draw(cell)
        for y in range(size):
            for x in range(size):
                colour = cell.px[y][x]
                if colour is None:
                    continue
                if colour == MASK:
                    raise ValueError("image %d uses the mask colour at %d,%d" % (i, x, y))
                rows[y][i * size + x] = colour
    if size == 32:
        # the overlay stays in its lower-left quadrant
        for y in range(size):
            for x in range(size):
                if rows[y][OVERLAY_INDEX * size + x] != MASK and not (x < 16 and y >= 16):
                    raise ValueError("overlay pixel outside the lower-left quadrant at %d,%d" % (x, y))
    else:
        for y in range(size):
            for x in range(size):
                if rows[y][OVERLAY_INDEX * size + x] != MASK and not (x < 8 and y >= 8):
                    raise ValueError("overlay pixel outside the lower-left quadrant at %d,%d" % (x, y))
    return rows


def bmp_bytes(rows):
    """24-bit bottom-up BMP with a BITMAPINFOHEADER."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line_bytes = bytearray()
        for (r, g, b) in row:
            line_bytes += bytes((b, g, r))
        line_bytes += b"\0" * (stride - len(line_bytes))
        pixels += line_bytes
    offset = 14 + 40
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + bytes(pixels)


def png_bytes(rows):
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for (r, g, b) in row:
            raw += bytes((r, g, b))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


# 3x5 digits for the preview's index numbers.
DIGITS = {
    "0": ["###", "#.#", "#.#", "#.#", "###"], "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["###", "..#", "###", "#..", "###"], "3": ["###", "..#", ".##", "..#", "###"],
    "4": ["#.#", "#.#", "###", "..#", "..#"], "5": ["###", "#..", "###", "..#", "###"],
    "6": ["###", "#..", "###", "#.#", "###"], "7": ["###", "..#", ".#.", ".#.", ".#."],
    "8": ["###", "#.#", "###", "#.#", "###"], "9": ["###", "#.#", "###", "..#", "###"],
}


def preview(big, small):
    """Both strips on white: 32 at 2x and 16 at 4x (aligned, 64 px per image),
    index numbers, the strips at actual size, and image 5 as an overlay."""
    bg, grid = (255, 255, 255), (225, 225, 225)
    cellw, gap = 64, 8
    width = COUNT * (cellw + gap) + gap
    label_h, row_h = 14, 64
    height = label_h + 2 * (row_h + gap) + gap + 32 + gap + 16 + gap + 64 + gap
    img = [[bg] * width for _ in range(height)]

    def put(x, y, colour):
        if 0 <= x < width and 0 <= y < height:
            img[y][x] = colour

    def blit(src, index, size, scale, ox, oy):
        for y in range(size):
            for x in range(size):
                colour = src[y][index * size + x]
                if colour == MASK:
                    continue
                for sy in range(scale):
                    for sx in range(scale):
                        put(ox + x * scale + sx, oy + y * scale + sy, colour)

    for i in range(COUNT):
        ox = gap + i * (cellw + gap)
        text = str(i)
        tx = ox + (cellw - (len(text) * 8 - 2)) // 2
        for k, ch in enumerate(text):
            for yy, pattern in enumerate(DIGITS[ch]):
                for xx, mark in enumerate(pattern):
                    if mark == "#":
                        for sy in range(2):
                            for sx in range(2):
                                put(tx + k * 8 + xx * 2 + sx, 2 + yy * 2 + sy, (60, 60, 60))
        for r, (src, size, scale) in enumerate(((big, 32, 2), (small, 16, 4))):
            oy = label_h + r * (row_h + gap)
            for k in range(-1, cellw + 1):
                put(ox + k, oy - 1, grid)
                put(ox + k, oy + cellw, grid)
                put(ox - 1, oy + k, grid)
                put(ox + cellw, oy + k, grid)
            blit(src, i, size, scale, ox, oy)
    # actual size
    y1 = label_h + 2 * (row_h + gap) + gap
    y2 = y1 + 32 + gap
    for i in range(COUNT):
        blit(big, i, 32, 1, gap + i * 36, y1)
        blit(small, i, 16, 1, gap + i * 20, y2)
    # the overlay on a few images, actual size and 2x / 4x
    y3 = y2 + 16 + gap
    x = gap
    for base in (1, 8, 12, 14):
        for src, size, scale in ((big, 32, 1), (small, 16, 1), (big, 32, 2), (small, 16, 4)):
            blit(src, base, size, scale, x, y3)
            blit(src, OVERLAY_INDEX, size, scale, x, y3)
            x += size * scale + 4
        x += 12
    return img


# --------------------------------------------------------------------------
# The Manage Services Wizard's sheet bitmaps: opaque pictures (no mask),
# drawn with the pixel-centre tests the icons use.

import math


def gear_cover(cx, cy, r_out, r_in, r_hole, teeth, phase, x, y):
    """Whether the pixel centre (x + 0.5, y + 0.5) lies on a gear."""
    dx, dy = x + 0.5 - cx, y + 0.5 - cy
    d = math.hypot(dx, dy)
    if d < r_hole or d > r_out:
        return False
    if d <= r_in:
        return True
    # a tooth covers the first 45 % of each pitch
    a = (math.atan2(dy, dx) + phase) % (2 * math.pi / teeth)
    return a < 0.45 * (2 * math.pi / teeth)


def watermark():
    w, h = 164, 314
    top, bottom = (24, 64, 140), (96, 150, 214)
    rows = []
    for y in range(h):
        t = y / (h - 1)
        base = tuple(int(round(top[k] + (bottom[k] - top[k]) * t)) for k in range(3))
        rows.append([base] * w)
    gears = ((82, 196, 46, 37, 12, 12, 0.0, (226, 232, 242)), (124, 128, 28, 22, 7, 9, 0.2, (176, 196, 226)))
    for (cx, cy, ro, ri, rh, n, ph, colour) in gears:
        for y in range(h):
            for x in range(w):
                if gear_cover(cx, cy, ro, ri, rh, n, ph, x, y):
                    rim = not gear_cover(cx, cy, ro - 1.3, ri - 1.3, rh + 1.3, n, ph, x, y)
                    rows[y][x] = OUT if rim else colour
    return rows


def header_bitmap():
    n = 49
    rows = [[WHITE] * n for _ in range(n)]
    for y in range(n):
        for x in range(n):
            if gear_cover(22, 24, 19, 15, 5, 10, 0.1, x, y):
                rim = not gear_cover(22, 24, 17.8, 13.8, 6.2, 10, 0.1, x, y)
                rows[y][x] = OUT if rim else (150, 158, 172)
    # the start triangle over the lower right of the gear
    tri = polygon([(30, 27), (46, 37), (30, 47)], n)
    for (x, y) in tri:
        rows[y][x] = (46, 160, 64)
    for (x, y) in edge(tri):
        rows[y][x] = OUT
    return rows


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Draws the image-list bitmaps.")
    parser.add_argument("--out", default=os.path.join(here, "..", "resources", "bitmaps"))
    parser.add_argument("--no-preview", action="store_true")
    args = parser.parse_args(argv)
    os.makedirs(args.out, exist_ok=True)
    big, small = strip(32), strip(16)
    outputs = [("images32.bmp", bmp_bytes(big)), ("images16.bmp", bmp_bytes(small))]
    outputs += [("svcwizard-watermark.bmp", bmp_bytes(watermark())), ("svcwizard-header.bmp", bmp_bytes(header_bitmap()))]
    if not args.no_preview:
        outputs.append(("preview.png", png_bytes(preview(big, small))))
    for name, data in outputs:
        path = os.path.join(args.out, name)
        with open(path, "wb") as f:
            f.write(data)
        print("wrote %s (%d bytes)" % (os.path.normpath(path), len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
