#!/usr/bin/env python3
"""Draws the window's pictures once; the output in ui/pictures/ is committed and compiled in.

stud_0.pbm, stud_1.pbm: 140 x 66, one bit per pixel, black lines on white (the stud with a
screw-in end, the plain-hole stud), with the dimension letters. quorvel.xpm: the 32 x 32 gear
icon in 16 colours. arrow_down.xpm, question.xpm: the pictures of two buttons.
"""
import math
from pathlib import Path

OUT = Path(__file__).resolve().parent.parent / "ui" / "pictures"
W, H = 140, 66

GLYPHS = {  # 5 x 7
    "b": ["10000", "10000", "11110", "10001", "10001", "10001", "11110"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "d": ["00001", "00001", "01111", "10001", "10001", "10001", "01111"],
}


class Canvas:
    def __init__(self):
        self.px = [[0] * W for _ in range(H)]

    def dot(self, x, y):
        if 0 <= x < W and 0 <= y < H:
            self.px[y][x] = 1

    def line(self, x0, y0, x1, y1, dash=None):
        steps = max(abs(x1 - x0), abs(y1 - y0))
        for i in range(steps + 1):
            if dash and not dash(i):
                continue
            x = round(x0 + (x1 - x0) * i / steps) if steps else x0
            y = round(y0 + (y1 - y0) * i / steps) if steps else y0
            self.dot(x, y)

    def text(self, x, y, s):
        for ch in s:
            for r, row in enumerate(GLYPHS[ch]):
                for c, bit in enumerate(row):
                    if bit == "1":
                        self.dot(x + c, y + r)
            x += 6

    def arrow_dim(self, x0, x1, y, label):
        self.line(x0, y, x1, y)
        for k in (1, 2):
            self.line(x0 + k, y - k, x0 + k, y + k)
            self.line(x1 - k, y - k, x1 - k, y + k)
        self.text((x0 + x1) // 2 - 3 * len(label), y - 9, label)

    def pbm(self, name):
        # Binary PBM (P4): rows of bits, most significant first, 1 = black, padded to bytes.
        data = bytearray(f"P4\n{W} {H}\n".encode())
        for row in self.px:
            padded = row + [0] * (-len(row) % 8)
            for i in range(0, len(padded), 8):
                data.append(int("".join(map(str, padded[i:i + 8])), 2))
        (OUT / name).write_bytes(bytes(data))


def stud(screw_in):
    c = Canvas()
    left, right, top, bottom, ch = 8, 112, 6, 30, 3
    mid = (top + bottom) // 2
    # outline with chamfered corners
    c.line(left + ch, top, right - ch, top)
    c.line(left + ch, bottom, right - ch, bottom)
    c.line(left, top + ch, left, bottom - ch)
    c.line(right, top + ch, right, bottom - ch)
    for (x0, y0, x1, y1) in ((left, top + ch, left + ch, top), (left, bottom - ch, left + ch, bottom),
                             (right - ch, top, right, top + ch), (right - ch, bottom, right, bottom - ch)):
        c.line(x0, y0, x1, y1)
    c.line(left + ch, top, left + ch, bottom)
    c.line(right - ch, top, right - ch, bottom)
    first = left + (24 if screw_in else 34)
    last = right - 34
    # thread lines and thread ends
    for y in (top + 2, bottom - 2):
        c.line(left, y, first, y)
        c.line(last, y, right, y)
    c.line(first, top, first, bottom)
    c.line(last, top, last, bottom)
    # dash-dot centre line
    c.line(left - 5, mid, right + 5, mid, dash=lambda i: i % 8 < 5 or i % 8 == 6)
    # extension lines and dimensions
    for x in (left, first, last, right):
        c.line(x, bottom + 2, x, 62)
    if screw_in:
        c.arrow_dim(left, first, 44, "b1")
        c.arrow_dim(first, right, 60, "L")
        c.arrow_dim(last, right, 44, "b")
    else:
        c.arrow_dim(left, first, 44, "b")
        c.arrow_dim(last, right, 44, "b")
        c.arrow_dim(left, right, 60, "L")
    # diameter at the right
    c.line(right + 2, top, 128, top)
    c.line(right + 2, bottom, 128, bottom)
    c.line(125, top, 125, bottom)
    c.text(129, mid - 3, "d")
    return c


def xpm(name, size, palette, pixel):
    keys = list(palette)
    lines = [f'"{size} {size} {len(keys)} 1",'] + [f'"{k} c {palette[k]}",' for k in keys]
    rows = []
    for y in range(size):
        rows.append('"' + "".join(pixel(x, y) for x in range(size)) + '"')
    text = "/* XPM */\nstatic const char *" + name.split(".")[0] + "[] = {\n"
    text += "\n".join(lines) + "\n" + ",\n".join(rows) + "\n};\n"
    (OUT / name).write_text(text)


def gear(x, y):
    cx = cy = 15.5
    r = math.hypot(x - cx, y - cy)
    a = math.atan2(y - cy, x - cx)
    corner = (x < 5 and y < 5 and (x == 0 or y == 0)) or (x > 26 and y < 5 and (x == 31 or y == 0)) \
        or (x < 5 and y > 26 and (x == 0 or y == 31)) or (x > 26 and y > 26 and (x == 31 or y == 31))
    if corner:
        return "k"
    tooth = math.cos(a * 8) > 0.3
    if r <= 10.5 or (tooth and r <= 13.5):
        if r > 12.6 or (10 < r <= 10.5 and not tooth):
            return "k"
        if abs(r - 7) < 0.6 or abs(r - 4) < 0.6:
            return "k"
        if r < 2:
            return " "
        return "w" if (x - cx) + (y - cy) < -6 else ("d" if (x - cx) + (y - cy) > 6 else "g")
    return " "


def arrow(x, y):
    if 3 <= y <= 8 and 6 <= x <= 9:
        return "r"
    if 9 <= y <= 13 and abs(x - 7.5) <= 13 - y:
        return "r"
    return " "


def question(x, y):
    shape = ["  cccc  ", " cc  cc ", "     cc ", "    cc  ", "   cc   ", "   cc   ", "        ",
             "   cc   "]
    if 4 <= x < 12 and 3 <= y < 11:
        return "c" if shape[y - 3][x - 4] == "c" else " "
    return " "


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    stud(True).pbm("stud_0.pbm")
    stud(False).pbm("stud_1.pbm")
    xpm("quorvel.xpm", 32, {" ": "None", "k": "#000000", "w": "#FFFFFF", "g": "#C0C0C0",
                            "d": "#808080"}, gear)
    xpm("arrow_down.xpm", 16, {" ": "None", "r": "#FF0000"}, arrow)
    xpm("question.xpm", 16, {" ": "None", "c": "#00FFFF"}, question)


if __name__ == "__main__":
    main()
