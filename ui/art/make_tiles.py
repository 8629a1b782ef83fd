#!/usr/bin/env python3
"""Draws the board tile sheet (tiles.png, 6 x 3 tiles of 24 px; tiles-96.png, the same at 96 px for
large tiles and high scale factors) and the window icon (icon.png at 64 px, icon-256.png).

Standard library only. Every tile is a stack of layers; a layer maps a point of the tile, in tile
units 0..24, to an RGBA colour or None. Each pixel averages 4 x 4 samples, which smooths the edges.
Run from anywhere: the PNG files are written next to this script.
"""

import math
import os
import struct
import zlib

TILE = 24
SAMPLES = 4

# Palette
BACKGROUND = (38, 42, 54)
BACKGROUND_DOT = (48, 53, 67)
FLOOR = (150, 141, 124)
FLOOR_LIGHT = (170, 161, 143)
FLOOR_DARK = (122, 114, 99)
GOAL = (64, 196, 120)
GOAL_DARK = (30, 120, 70)
WOOD = (196, 134, 66)
WOOD_LIGHT = (222, 166, 96)
WOOD_DARK = (120, 72, 30)
WOOD_GRAIN = (170, 108, 48)
GREEN_WOOD = (92, 176, 88)
GREEN_LIGHT = (140, 212, 120)
GREEN_DARK = (36, 96, 44)
GREEN_GRAIN = (70, 150, 72)
BRICK = (164, 72, 52)
BRICK_LIGHT = (190, 96, 70)
BRICK_TOP = (186, 118, 92)
BRICK_TOP_LIGHT = (206, 142, 114)
MORTAR = (96, 84, 78)
MORTAR_TOP = (140, 124, 112)
PLAYER = (58, 118, 214)
PLAYER_LIGHT = (130, 180, 250)
PLAYER_DARK = (22, 50, 110)
EYE_WHITE = (250, 250, 250)
PUPIL = (20, 20, 30)
NOSE = (240, 170, 60)

# Facing: 0 none, then up, right, down, left as unit vectors (y grows downwards).
FACINGS = [None, (0, -1), (1, 0), (0, 1), (-1, 0)]


def opaque(rgb):
    return (rgb[0], rgb[1], rgb[2], 1.0)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


# ---------- layers ----------


def background(x, y):
    # Faint dot grid so the outside reads as "not floor".
    if (int(x) % 6 == 2) and (int(y) % 6 == 2):
        return opaque(BACKGROUND_DOT)
    return opaque(BACKGROUND)


def floor(x, y):
    # Stone slab with a one-pixel bevel so the grid of cells stays visible.
    if x < 1 or y < 1:
        return opaque(FLOOR_LIGHT)
    if x >= 23 or y >= 23:
        return opaque(FLOOR_DARK)
    speck = (int(x * 3) * 7 + int(y * 3) * 13) % 23 == 0
    return opaque(FLOOR_DARK if speck else FLOOR)


def goal(x, y):
    d = math.hypot(x - 12, y - 12)
    if 7.6 <= d <= 10.2:
        return opaque(GOAL if d < 9.6 else GOAL_DARK)
    if d <= 2.6:
        return opaque(GOAL)
    return None


def crate(wood, light, dark, grain):
    def layer(x, y):
        if not (2 <= x < 22 and 2 <= y < 22):
            return None
        # Dark outline, then the frame, then the boards inside with a diagonal brace.
        if x < 3 or y < 3 or x >= 21 or y >= 21:
            return opaque(dark)
        if x < 6 or y < 6 or x >= 18 or y >= 18:
            edge_light = (x < 4 or y < 4) and not (x >= 20 or y >= 20)
            edge_dark = x >= 20 or y >= 20
            if edge_light:
                return opaque(light)
            if edge_dark:
                return opaque(mix(wood, dark, 0.45))
            return opaque(wood)
        if x < 7 or y < 7 or x >= 17 or y >= 17:
            return opaque(mix(wood, dark, 0.6))  # inner shadow of the frame
        if abs((x - 7) - (17 - y)) < 1.4:
            return opaque(light)  # brace
        if abs((x - 7) - (17 - y)) < 2.2:
            return opaque(mix(wood, dark, 0.35))
        if int(y) % 3 == 0:
            return opaque(grain)
        return opaque(wood)

    return layer


def brick(face, face_light, mortar, shadow):
    def layer(x, y):
        row = int(y // 6)
        shift = 6 if row % 2 else 0
        bx = (x + shift) % 12
        by = y % 6
        if by < 1 or bx < 1:
            colour = mortar
        elif by < 2 or bx < 2:
            colour = face_light
        else:
            colour = face
            if ((int(x) * 5 + int(y) * 3 + row) % 11) == 0:
                colour = mix(face, mortar, 0.3)
        if shadow and y >= 20:
            colour = mix(colour, (20, 16, 14), (y - 20) / 4 * 0.6)
        return opaque(colour)

    return layer


def player(facing):
    def layer(x, y):
        cx, cy, r = 12, 12, 7.4
        d = math.hypot(x - cx, y - cy)
        if facing is not None:
            fx, fy = facing
            nose_x, nose_y = cx + fx * 7.6, cy + fy * 7.6
            if math.hypot(x - nose_x, y - nose_y) <= 2.3:
                return opaque(NOSE if math.hypot(x - nose_x, y - nose_y) < 1.7 else PLAYER_DARK)
        if d > r:
            return None
        if d > r - 1.1:
            return opaque(PLAYER_DARK)
        # Eyes: two side by side, moved towards the facing (straight at the viewer when none).
        if facing is None:
            fx, fy = 0.0, 0.0
        else:
            fx, fy = facing
        px, py = -fy, fx  # across the facing
        if facing is None:
            px, py = 1.0, 0.0
        for side in (-1, 1):
            ex = cx + fx * 2.4 + px * side * 2.6
            ey = cy + fy * 2.4 + py * side * 2.6 - (1.0 if facing is None else 0)
            e = math.hypot(x - ex, y - ey)
            if e <= 1.9:
                pupil_x, pupil_y = ex + fx * 0.8, ey + fy * 0.8
                if math.hypot(x - pupil_x, y - pupil_y) <= 1.0:
                    return opaque(PUPIL)
                return opaque(EYE_WHITE)
        if facing is None and 3.0 <= math.hypot(x - cx, y - (cy - 0.5)) <= 4.0 and y > cy + 1.5:
            return opaque(PLAYER_DARK)  # smile
        shade = max(0.0, min(1.0, math.hypot(x - (cx - 2.5), y - (cy - 2.5)) / (r + 2.5)))
        return opaque(mix(PLAYER_LIGHT, PLAYER, min(1.0, shade * 1.6)))

    return layer


def shadow(x, y):
    # Soft contact shadow under round things.
    d = math.hypot((x - 12.6) / 1.0, (y - 13.4) / 0.9)
    if d <= 8.4:
        return (0, 0, 0, 0.25)
    return None


# ---------- rendering ----------


def composite(layers, x, y):
    r, g, b = 0.0, 0.0, 0.0
    for layer in layers:
        c = layer(x, y)
        if c is None:
            continue
        a = c[3]
        r, g, b = r + (c[0] - r) * a, g + (c[1] - g) * a, b + (c[2] - b) * a
    return r, g, b


def render(layers, size, alpha_mask=None):
    """One square picture of `size` pixels; tile units are scaled to fit. Returns rows of RGBA."""
    scale = TILE / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            cover = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) * scale
                    y = (py + (sy + 0.5) / SAMPLES) * scale
                    if alpha_mask is not None and not alpha_mask(x, y):
                        continue
                    c = composite(layers, x, y)
                    acc[0] += c[0]
                    acc[1] += c[1]
                    acc[2] += c[2]
                    cover += 1
            n = max(cover, 1)
            row.append((round(acc[0] / n), round(acc[1] / n), round(acc[2] / n),
                        round(255 * cover / SAMPLES ** 2)))
        rows.append(row)
    return rows


def write_png(path, rows, with_alpha):
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for p in row:
            raw.extend(p if with_alpha else p[:3])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    colour_type = 6 if with_alpha else 2
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", header))
        out.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        out.write(chunk(b"IEND", b""))


def tile_sheet(size=TILE):
    box = crate(WOOD, WOOD_LIGHT, WOOD_DARK, WOOD_GRAIN)
    box_on_goal = crate(GREEN_WOOD, GREEN_LIGHT, GREEN_DARK, GREEN_GRAIN)
    wall_top = brick(BRICK_TOP, BRICK_TOP_LIGHT, MORTAR_TOP, False)
    wall_front = brick(BRICK, BRICK_LIGHT, MORTAR, True)
    # (column, row) -> layers
    tiles = {
        (0, 0): [floor],
        (1, 0): [floor, goal],
        (2, 0): [floor, shadow, player(None)],
        (3, 0): [floor, goal, shadow, player(None)],
        (4, 0): [background],
        (5, 0): [background],
        (4, 1): [floor, box],
        (5, 1): [wall_top],
        (4, 2): [floor, goal, box_on_goal],
        (5, 2): [wall_front],
    }
    for i in range(4):
        tiles[(i, 1)] = [floor, shadow, player(FACINGS[i + 1])]
        tiles[(i, 2)] = [floor, goal, shadow, player(FACINGS[i + 1])]

    sheet = [[(0, 0, 0, 255)] * (6 * size) for _ in range(3 * size)]
    for (col, row), layers in tiles.items():
        picture = render(layers, size)
        for y in range(size):
            sheet[row * size + y][col * size:(col + 1) * size] = picture[y]
    return sheet


def icon(size):
    box = crate(WOOD, WOOD_LIGHT, WOOD_DARK, WOOD_GRAIN)
    face = player((-1, 0))

    def rounded(x, y):
        r = 4.0
        cx = min(max(x, r), TILE - r)
        cy = min(max(y, r), TILE - r)
        return math.hypot(x - cx, y - cy) <= r

    # A crate on the left, the player pushing it from the right.
    def moved(layer, dx, dy, s):
        return lambda x, y: layer((x - dx) / s, (y - dy) / s)

    layers = [floor, moved(box, 0.3, 4.2, 0.66), moved(shadow, 11.6, 5.6, 0.56), moved(face, 11.6, 5.6, 0.56)]
    return render(layers, size, rounded)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    write_png(os.path.join(here, "tiles.png"), tile_sheet(), False)
    write_png(os.path.join(here, "tiles-96.png"), tile_sheet(96), False)
    write_png(os.path.join(here, "icon.png"), icon(64), True)
    write_png(os.path.join(here, "icon-256.png"), icon(256), True)


if __name__ == "__main__":
    main()
