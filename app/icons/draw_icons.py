#!/usr/bin/env python3
"""Draws the toolbar's 32x32, 16-colour icons and writes them as XPM sources.

The XPM files are committed; run this again only to change a drawing:
    python3 app/icons/draw_icons.py app/icons
"""
import math
import sys

SIZE = 32
PALETTE = {  # the 16 colours of a classic palette
    ' ': 'None', 'k': '#000000', 'r': '#800000', 'g': '#008000', 'y': '#808000',
    'b': '#000080', 'm': '#800080', 'c': '#008080', 's': '#C0C0C0', 'd': '#808080',
    'R': '#FF0000', 'G': '#00FF00', 'Y': '#FFFF00', 'B': '#0000FF', 'C': '#00FFFF',
    'w': '#FFFFFF',
}


class Canvas:
    def __init__(self):
        self.px = [[' '] * SIZE for _ in range(SIZE)]

    def set(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = c

    def polygon(self, pts, c):
        for y in range(SIZE):
            for x in range(SIZE):
                if inside(x + 0.5, y + 0.5, pts):
                    self.set(x, y, c)

    def outline(self, pts, c, width=1.0):
        for i in range(len(pts)):
            self.line(pts[i], pts[(i + 1) % len(pts)], c, width)

    def line(self, a, b, c, width=1.0):
        for y in range(SIZE):
            for x in range(SIZE):
                if seg_dist(x + 0.5, y + 0.5, a, b) <= width / 2:
                    self.set(x, y, c)

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(SIZE):
            for x in range(SIZE):
                if math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= r:
                    self.set(x, y, c)

    def ring(self, cx, cy, r, c, width):
        for y in range(SIZE):
            for x in range(SIZE):
                if abs(math.hypot(x + 0.5 - cx, y + 0.5 - cy) - r) <= width / 2:
                    self.set(x, y, c)

    def xpm(self, name):
        used = sorted({c for row in self.px for c in row})
        lines = [f'"{SIZE} {SIZE} {len(used)} 1",']
        lines += [f'"{c} c {PALETTE[c]}",' for c in used]
        lines += [f'"{"".join(row)}",' for row in self.px]
        lines[-1] = lines[-1].rstrip(',')
        body = '\n'.join(lines)
        return f'/* XPM */\nstatic const char* const {name}[] = {{\n{body}}};\n'


def inside(x, y, pts):
    result = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def seg_dist(px, py, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = 0 if dx == dy == 0 else max(0, min(1, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def tri_left(cv, x0, x1, c):
    cv.polygon([(x1, 6), (x1, 26), (x0, 16)], c)
    cv.outline([(x1, 6), (x1, 26), (x0, 16)], 'k')


def tri_right(cv, x0, x1, c):
    cv.polygon([(x0, 6), (x0, 26), (x1, 16)], c)
    cv.outline([(x0, 6), (x0, 26), (x1, 16)], 'k')


def vcrfirst(cv):
    cv.rect(4, 6, 8, 26, 'b')
    tri_left(cv, 9, 19, 'B')
    tri_left(cv, 18, 28, 'B')


def vcrprior(cv):
    tri_left(cv, 4, 16, 'B')
    tri_left(cv, 15, 27, 'B')


def vcrup(cv):
    pts = [(5, 24), (27, 24), (16, 7)]
    cv.polygon(pts, 'B')
    cv.outline(pts, 'k')


def vcrdown(cv):
    pts = [(5, 8), (27, 8), (16, 25)]
    cv.polygon(pts, 'B')
    cv.outline(pts, 'k')


def vcrnext(cv):
    tri_right(cv, 5, 17, 'B')
    tri_right(cv, 16, 28, 'B')


def vcrlast(cv):
    tri_right(cv, 4, 14, 'B')
    tri_right(cv, 13, 23, 'B')
    cv.rect(24, 6, 28, 26, 'b')


def find(cv):
    cv.disc(13, 13, 8, 'C')
    cv.ring(13, 13, 8, 'k', 2.2)
    cv.line((19, 19), (27, 27), 'r', 4)


def mark(cv):
    cv.line((6, 17), (13, 25), 'g', 4)
    cv.line((13, 25), (27, 7), 'g', 4)


def page(cv):
    pts = [(7, 3), (21, 3), (26, 8), (26, 29), (7, 29)]
    cv.polygon(pts, 'w')
    cv.outline(pts, 'k')
    cv.line((21, 3), (21, 8), 'k')
    cv.line((21, 8), (26, 8), 'k')
    for y in (12, 16, 20, 24):
        cv.line((10, y), (22, y), 's')


def insert(cv):
    page(cv)
    cv.rect(14, 12, 19, 27, 'g')
    cv.rect(9, 17, 24, 22, 'g')


def edit(cv):
    page(cv)
    pts = [(10, 27), (12, 21), (25, 8), (29, 12), (16, 25)]
    cv.polygon(pts, 'Y')
    cv.outline(pts, 'k')
    cv.polygon([(10, 27), (12, 21), (16, 25)], 'd')


def delete(cv):
    cv.line((7, 7), (25, 25), 'R', 5)
    cv.line((25, 7), (7, 25), 'R', 5)


def ditto(cv):
    for x in (9, 20):
        cv.disc(x, 10, 4, 'b')
        cv.line((x + 3, 11), (x - 1, 22), 'b', 3)


def help_icon(cv):
    cv.disc(16, 16, 14, 'B')
    cv.ring(16, 16, 14, 'k', 1.2)
    cv.ring(16, 12, 5, 'w', 3)
    cv.rect(9, 12, 16, 18, 'B')  # open the ring's lower left into a hook
    cv.line((18, 16), (16, 20), 'w', 3)
    cv.disc(16, 25, 2, 'w')


ICONS = {
    'vcrfirst': vcrfirst, 'vcrprior': vcrprior, 'vcrup': vcrup, 'find': find,
    'vcrdown': vcrdown, 'vcrnext': vcrnext, 'vcrlast': vcrlast, 'mark': mark,
    'insert': insert, 'edit': edit, 'delete': delete, 'ditto': ditto, 'help': help_icon,
}

if __name__ == '__main__':
    out = sys.argv[1] if len(sys.argv) > 1 else '.'
    for name, draw in ICONS.items():
        cv = Canvas()
        draw(cv)
        with open(f'{out}/{name}.xpm', 'w') as f:
            f.write(cv.xpm(f'{name}_xpm'))
